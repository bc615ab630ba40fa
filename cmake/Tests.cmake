# GoogleTest from Debian's sources, built with the cross compiler.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(GoogleTest)

# Shared test helpers (message box answering, polling, servers).
file(GLOB TESTSUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(testsupport STATIC ${TESTSUPPORT_SOURCES})
target_include_directories(testsupport PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(testsupport PUBLIC GTest::gtest user32 gdi32 kernel32 crypt32)
# The servers unpacked by scripts/fetch-servers and the test certificates live in the build folder.
target_compile_definitions(testsupport PRIVATE ZEV_BUILD_DIR="${CMAKE_BINARY_DIR}")

# A source with TEST_P cases (the FTP tests, instantiated once per FTP client as WinInet/ and Own/):
# each case and client is its own CTest test, "WinInet/Suite.Name", so that one client's failure
# never hides the other's result. Its TEST and TEST_F cases are added as gtest_add_tests would.
function(add_client_tests target src)
  file(READ ${src} contents)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src})
  set(pattern "TEST(_[FP])? *\\( *([A-Za-z_0-9]+) *, *([A-Za-z_0-9]+) *\\)")
  string(REGEX MATCHALL "${pattern}" hits "${contents}")
  set(cases)
  foreach(hit ${hits})
    string(REGEX REPLACE "${pattern}" "\\2.\\3" case "${hit}")
    if(hit MATCHES "^TEST_P")
      foreach(client WinInet Own)
        add_test(NAME ${client}/${case} COMMAND ${target} --gtest_filter=${client}/${case}/*
                 WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
        list(APPEND cases ${client}/${case})
      endforeach()
    else()
      add_test(NAME ${case} COMMAND ${target} --gtest_filter=${case}
               WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
      list(APPEND cases ${case})
    endif()
  endforeach()
  set_tests_properties(${cases} PROPERTIES TIMEOUT 120)
endfunction()

# Every tests/<folder>/<name>_test.cpp is its own program; each TEST is its own CTest test,
# so every case runs in a fresh process.
file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
foreach(src ${TEST_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${src})
  add_executable(${name} ${src} ${ZEVFTP_RC})
  target_link_libraries(${name} PRIVATE testsupport GTest::gtest_main)
  if(rel MATCHES "^app/")
    target_link_libraries(${name} PRIVATE zevapp)
  elseif(rel MATCHES "^winobj/")
    target_link_libraries(${name} PRIVATE winobj)
  else()
    add_dependencies(${name} ZevFtp gladwin)
  endif()
  if(rel MATCHES "^gladwin/")
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/gladwin/greeting_class.cpp)
  endif()
  file(READ ${src} contents)
  if(contents MATCHES "TEST_P *\\(")
    add_client_tests(${name} ${src})
  else()
    gtest_add_tests(TARGET ${name} SOURCES ${src} WORKING_DIRECTORY ${CMAKE_BINARY_DIR} TEST_LIST ${name}_cases)
    set_tests_properties(${${name}_cases} PROPERTIES TIMEOUT 120)
  endif()
endforeach()

# The version test reads the programs' version resources (version.dll: for the test only) and
# compares them with the generated project version.
target_link_libraries(version_info_test PRIVATE version)
target_include_directories(version_info_test PRIVATE ${ZEV_GENERATED_DIR})

# The include check over trees of its own; it runs on the build machine, not under Wine.
add_test(NAME IncludeCheck.FindsCircles
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/check_includes_test.sh)
