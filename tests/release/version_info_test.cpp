// What Windows' file properties and installers read from the two built programs (in the build
// folder, the working directory of the tests): the version resource and the PE headers. Run on
// the release build by scripts/release as well.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "zev_version.h"

namespace {

struct ProgramTexts {
  const char* file;
  const char* companyName;
  const char* fileDescription;
  const char* productName;
};

const ProgramTexts kPrograms[] = {
    {"ZevFtp.exe", "ZevFtp developers", "ZevFtp FTP client", "ZevFtp"},
    {"gladwin.exe", "VELMAR", "gladwin greeting window", "gladwin"},
};

std::vector<char> ReadVersionBlock(const char* file) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(file, &ignored);
  std::vector<char> block(size);
  if (size == 0 || !GetFileVersionInfoA(file, 0, size, block.data())) block.clear();
  return block;
}

// The string `name` of the block's first translation; empty when it has none.
std::string QueryString(std::vector<char>& block, const char* name) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  Translation* translations = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translations), &length) ||
      length < sizeof(Translation)) {
    return std::string();
  }
  char path[128];
  snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language,
           translations[0].codePage, name);
  char* value = nullptr;
  if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) ||
      value == nullptr) {
    return std::string();
  }
  return std::string(value, strnlen(value, length));
}

// The headers and imported module names of a PE file, read from its bytes with every offset
// checked against the file's size.
struct PeFacts {
  bool valid = false;
  WORD machine = 0;
  WORD optionalMagic = 0;
  WORD subsystem = 0;
  std::vector<std::string> imports;
};

template <typename T>
bool ReadAt(const std::vector<char>& bytes, size_t offset, T* out) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  memcpy(out, bytes.data() + offset, sizeof(T));
  return true;
}

PeFacts ReadPeFacts(const char* file) {
  PeFacts facts;
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS32 nt;
  if (!ReadAt(bytes, 0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
      !ReadAt(bytes, static_cast<size_t>(dos.e_lfanew), &nt) ||
      nt.Signature != IMAGE_NT_SIGNATURE) {
    return facts;
  }
  facts.machine = nt.FileHeader.Machine;
  facts.optionalMagic = nt.OptionalHeader.Magic;
  facts.subsystem = nt.OptionalHeader.Subsystem;

  const size_t sections = static_cast<size_t>(dos.e_lfanew) +
                          offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                          nt.FileHeader.SizeOfOptionalHeader;
  auto fileOffset = [&](DWORD rva, size_t* out) {
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      if (!ReadAt(bytes, sections + i * sizeof section, &section)) return false;
      if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData) {
        *out = section.PointerToRawData + (rva - section.VirtualAddress);
        return true;
      }
    }
    return false;
  };

  const IMAGE_DATA_DIRECTORY& directory =
      nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  size_t descriptorAt = 0;
  if (directory.VirtualAddress == 0 || !fileOffset(directory.VirtualAddress, &descriptorAt)) {
    return facts;
  }
  for (;; descriptorAt += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    if (!ReadAt(bytes, descriptorAt, &descriptor)) return facts;
    if (descriptor.Name == 0) break;
    size_t nameAt = 0;
    if (!fileOffset(descriptor.Name, &nameAt) || nameAt >= bytes.size()) return facts;
    facts.imports.emplace_back(bytes.data() + nameAt,
                               strnlen(bytes.data() + nameAt, bytes.size() - nameAt));
  }
  facts.valid = true;
  return facts;
}

// DLLs that come with every 32-bit Windows from XP on.
bool IsSystemDll(std::string name) {
  static const char* const kSystemDlls[] = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",  "comctl32.dll", "shell32.dll", "wininet.dll",
      "msvcrt.dll",   "advapi32.dll", "ws2_32.dll", "secur32.dll",  "crypt32.dll"};
  for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  for (const char* dll : kSystemDlls) {
    if (name == dll) return true;
  }
  return false;
}

// The program's application manifest (RT_MANIFEST, id 1); empty when it has none.
std::string ManifestOf(const char* file) {
  HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return "(not loaded)";
  std::string text;
  HRSRC found = FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes != nullptr) text.assign(static_cast<const char*>(bytes), SizeofResource(module, found));
  FreeLibrary(module);
  return text;
}

}  // namespace

TEST(VersionInfo, OnlyZevFtpAsksForTheUtf8CodePage) {
  const std::string manifest = ManifestOf("ZevFtp.exe");
  EXPECT_NE(manifest.find("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/"
                          "WindowsSettings\">UTF-8</activeCodePage>"),
            std::string::npos)
      << manifest;
  // Nothing that would change how the windows look: no common controls 6, no OS section.
  EXPECT_EQ(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_EQ(manifest.find("supportedOS"), std::string::npos);
  EXPECT_EQ(ManifestOf("gladwin.exe"), "");
}

TEST(VersionInfo, FixedNumbersAreTheProjectVersion) {
  for (const ProgramTexts& program : kPrograms) {
    SCOPED_TRACE(program.file);
    std::vector<char> block = ReadVersionBlock(program.file);
    ASSERT_FALSE(block.empty()) << "no version information, error " << GetLastError();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD high = MAKELONG(ZEV_VERSION_MINOR, ZEV_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, ZEV_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  }
}

TEST(VersionInfo, TextsNameEachProgram) {
  for (const ProgramTexts& program : kPrograms) {
    SCOPED_TRACE(program.file);
    std::vector<char> block = ReadVersionBlock(program.file);
    ASSERT_FALSE(block.empty());
    const struct {
      const char* name;
      std::string expected;
    } fields[] = {
        {"CompanyName", program.companyName}, {"FileDescription", program.fileDescription},
        {"FileVersion", ZEV_VERSION_TEXT},    {"ProductName", program.productName},
        {"ProductVersion", ZEV_VERSION_TEXT}, {"OriginalFilename", program.file},
    };
    for (const auto& field : fields) {
      EXPECT_EQ(QueryString(block, field.name), field.expected) << field.name;
    }
  }
}

TEST(VersionInfo, ProgramsArePe32GuiImportingOnlySystemDlls) {
  for (const ProgramTexts& program : kPrograms) {
    SCOPED_TRACE(program.file);
    PeFacts facts = ReadPeFacts(program.file);
    ASSERT_TRUE(facts.valid);
    EXPECT_EQ(facts.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(facts.optionalMagic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(facts.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_FALSE(facts.imports.empty());
    for (const std::string& dll : facts.imports) EXPECT_TRUE(IsSystemDll(dll)) << dll;
  }
}
