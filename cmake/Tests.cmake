# GoogleTest from Debian's sources, built with the cross compiler.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Shared test helpers (message box answering, polling, servers).
file(GLOB TESTSUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(testsupport STATIC ${TESTSUPPORT_SOURCES})
target_include_directories(testsupport PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(testsupport PUBLIC GTest::gtest user32 gdi32 kernel32 crypt32)
# The servers unpacked by scripts/fetch-servers and the test certificates live in the build folder.
target_compile_definitions(testsupport PRIVATE ZEV_BUILD_DIR="${CMAKE_BINARY_DIR}")

# CTest runs every test program through scripts/wine-lane: under Wine, in the lane (display and
# Wine prefix) CTest's resources gave it, with GoogleTest writing its results where scripts/test
# counts them. Every test takes one lane.
set(ZEV_TEST_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-lane)

# Programs whose cases each need a process of their own: they check what a process does the
# first time (a class registered once, ids counting from their first values) or leave state of
# the whole process behind them (modal runs, a trusted certificate, the chosen FTP client).
set(ZEV_ONE_PROCESS_PER_CASE
    application_test control_test menu_test main_window_test site_window_test
    connect_test remote_pane_test transfers_test tls_connect_test stalling_server_test)

# The cases of one test source as GoogleTest filters: "Suite.Name" for TEST and TEST_F; for a
# TEST_P case (the FTP tests, instantiated once per FTP client as WinInet/ and Own/)
# "Client/Suite.Name/*" for each client, so that one client's failure never hides the other's.
function(zev_test_cases src out_names out_filters)
  file(READ ${src} contents)
  set(pattern "TEST(_[FP])? *\\( *([A-Za-z_0-9]+) *, *([A-Za-z_0-9]+) *\\)")
  string(REGEX MATCHALL "${pattern}" hits "${contents}")
  set(names)
  set(filters)
  foreach(hit ${hits})
    string(REGEX REPLACE "${pattern}" "\\2.\\3" case "${hit}")
    if(hit MATCHES "^TEST_P")
      foreach(client WinInet Own)
        list(APPEND names ${client}/${case})
        list(APPEND filters ${client}/${case}/*)
      endforeach()
    else()
      list(APPEND names ${case})
      list(APPEND filters ${case})
    endif()
  endforeach()
  set(${out_names} ${names} PARENT_SCOPE)
  set(${out_filters} ${filters} PARENT_SCOPE)
endfunction()

# Every tests/<folder>/<name>_test.cpp is its own program, and each of its cases its own CTest
# test, which runs it in a fresh process (scripts/test -R NAME runs one). A whole run (as CI runs
# it) runs each program once with all its cases instead (the test named after the program), and
# those cases alone only for the programs listed above; their single-case tests carry the label
# "single" and a whole run leaves them out (-LE single). Each program carries ZevFtp's resources
# and, like the program, its UTF-8 code page manifest; a program named legacy_code_page*_test runs
# with the system's own ANSI code page instead, as ZevFtp does on Windows older than 10 version
# 1903.
file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*_test.cpp)
foreach(src ${TEST_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${src})
  if(name MATCHES "^legacy_code_page")
    add_executable(${name} ${src} ${ZEVFTP_RC})
  else()
    add_executable(${name} ${src} ${ZEVFTP_RC} ${ZEVFTP_MANIFEST_RC})
  endif()
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR ${ZEV_TEST_EMULATOR})
  target_link_libraries(${name} PRIVATE testsupport GTest::gtest_main)
  if(rel MATCHES "^app/")
    target_link_libraries(${name} PRIVATE zevapp)
  elseif(rel MATCHES "^winobj/")
    target_link_libraries(${name} PRIVATE winobj)
  else()
    add_dependencies(${name} ZevFtp gladwin)
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src})
  zev_test_cases(${src} cases filters)
  foreach(case filter IN ZIP_LISTS cases filters)
    add_test(NAME ${case} COMMAND ${name} --gtest_filter=${filter}
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  endforeach()
  set_tests_properties(${cases} PROPERTIES TIMEOUT 120 RESOURCE_GROUPS lanes:1)
  if(NOT name IN_LIST ZEV_ONE_PROCESS_PER_CASE)
    set_tests_properties(${cases} PROPERTIES LABELS single)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_GROUPS lanes:1 LABELS program)
  endif()
endforeach()

# The version test reads the programs' version resources (version.dll: for the test only) and
# compares them with the generated project version.
target_link_libraries(version_info_test PRIVATE version)
target_include_directories(version_info_test PRIVATE ${ZEV_GENERATED_DIR})

# The trust tool's test runs the tool.
add_dependencies(trust_ca_test trust_ca)

# The include check over trees of its own; it runs on the build machine, not under Wine.
add_test(NAME IncludeCheck.FindsCircles
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/scripts/check_includes_test.sh)
