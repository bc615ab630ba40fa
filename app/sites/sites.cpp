#include "app/sites/sites.h"

#include <windows.h>

#include "app/app_state.h"
#include "app/code_page.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/text.h"

const char* const kSitesFileName = "Sites.sts";
const char* const kSitesTempFileName = "Sites.sts.tmp";
const char* const kUnwritableSitesText =
    "Sites.sts is in an encoding this program cannot write without loss. It was left as it "
    "is; the change was not saved.";

namespace {

constexpr int kNoSelection = -1;

// Whether the file may be replaced: it must open for writing without sharing, as a plain save
// would open it, or not exist yet. A file that the plain save could not open (read-only, or
// held open by another program) stays as it is: Wine's MoveFileEx would replace it regardless.
bool MayReplace(const std::string& fileName) {
  HANDLE probe = CreateFileA(fileName.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return true;
  }
  return GetLastError() == ERROR_FILE_NOT_FOUND;
}

// No sharing, and CREATE_NEW fails on any name that is already taken, a symbolic link included
// (dangling or not), so the save never writes through a link planted in the folder nor into a
// file it did not make.
constexpr DWORD kFileModeWriteNew = GENERIC_WRITE | CREATE_NEW << 8;
// Names tried for the temporary file before the save gives up.
constexpr int kTempNameAttempts = 64;

bool NameTaken(DWORD error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         error == ERROR_ACCESS_DENIED;
}

// The first try is the plain temporary name; when that is taken (a leftover of a crash, a link,
// a folder) the next ones carry a part nobody can plant in advance.
std::string TempNameCandidate(const std::string& tempFileName, int attempt) {
  if (attempt == 0) return tempFileName;
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  const DWORD mixed = GetCurrentProcessId() * 2654435761u ^ GetTickCount() ^
                      static_cast<DWORD>(counter.QuadPart) ^ static_cast<DWORD>(attempt) << 24;
  char part[16];
  wsprintfA(part, ".%08lx", static_cast<unsigned long>(mixed));
  return tempFileName + part;
}

// Creates a new temporary file under the first free candidate name; `createdName` is the name
// it got. INVALID_HANDLE_VALUE when no candidate could be created.
HANDLE CreateTempFile(const std::string& tempFileName, std::string& createdName) {
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    const std::string name = TempNameCandidate(tempFileName, attempt);
    HANDLE file = OpenFileHandle(name, kFileModeWriteNew);
    if (file != INVALID_HANDLE_VALUE) {
      createdName = name;
      return file;
    }
    if (!NameTaken(GetLastError())) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Writes the bytes into a temporary file made new for this save; true with `tempName` naming
// it when every byte reached it. A file that was made but not filled is removed again.
bool WriteTempFile(const std::string& text, const std::string& tempFileName,
                   std::string& tempName) {
  if (text.size() > MAXDWORD) return false;
  HANDLE file = CreateTempFile(tempFileName, tempName);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = static_cast<DWORD>(text.size());
  bool ok = size == 0 || WriteToHandle(file, text.data(), size) == size;
  if (!CloseFileHandle(file)) ok = false;
  if (!ok) DeleteFileA(tempName.c_str());
  return ok;
}

// A line this program wrote is UTF-8; an older ZevFtp wrote the system's code page then.
bool FileToProgram(const std::string& bytes, std::string& text) {
  const UINT from = IsUtf8Text(bytes) ? CP_UTF8 : LegacyCodePage();
  return Recode(bytes, from, ProgramCodePage(), text);
}

bool ProgramToFile(const std::string& text, std::string& bytes) {
  return Recode(text, ProgramCodePage(), CP_UTF8, bytes);
}

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 code units are the platform's WCHAR");

bool Utf16ToAnsi(const std::u16string& units, std::string& ansi) {
  ansi.clear();
  if (units.empty()) return true;
  if (units.size() > static_cast<size_t>(INT32_MAX / 2)) return false;
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  BOOL usedDefault = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, nullptr, 0,
                                       nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return false;
  ansi.resize(static_cast<size_t>(size));
  const int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, count, &ansi[0],
                                          size, nullptr, &usedDefault);
  if (written != size || usedDefault) return false;
  return true;
}

}  // namespace

SiteTextRules PlatformSiteTextRules() {
  return SiteTextRules{FileToProgram, Utf16ToAnsi, ProgramToFile};
}

SiteRecord ShownSiteFields() {
  SiteRecord fields;
  fields.SiteName = Caption(appState.siteNameEdit);
  fields.HostAddress = Caption(appState.hostEdit);
  fields.UserName = Caption(appState.userEdit);
  fields.Password = Caption(appState.passwordEdit);
  fields.Anonymous = Checked(appState.anonymousCheck) ? "1" : "0";
  fields.Port = Caption(appState.portEdit);
  return fields;
}

std::string BuildSiteLine() { return BuildSiteLine(ShownSiteFields()); }

void AddSiteLine(const std::string& line) {
  appState.siteFile->AddSite(line);
  appState.siteLines->Add(line);
}

void ReplaceSiteLine(int index, const std::string& line) {
  if (appState.siteFile->ReplaceSite(index, line)) appState.siteLines->Replace(index, line);
}

void DeleteSiteLine(int index) {
  if (appState.siteFile->DeleteSite(index)) appState.siteLines->Delete(index);
}

bool WriteSiteFile(const StringList& lines, const std::string& fileName,
                   const std::string& tempFileName) {
  return WriteSiteFile(lines.JoinedText(), fileName, tempFileName);
}

bool WriteSiteFile(const std::string& bytes, const std::string& fileName,
                   const std::string& tempFileName) {
  // Overwriting the file in place would leave a cut file, and every stored site lost, when the
  // write stops half-way (disk full, power loss); the old file goes only once the new one is
  // complete on disk.
  if (!MayReplace(fileName)) return false;
  std::string tempName;
  if (!WriteTempFile(bytes, tempFileName, tempName)) return false;
  if (!MoveFileExA(tempName.c_str(), fileName.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(tempName.c_str());
    return false;
  }
  return true;
}

void LoadSites() {
  StringList* lines = appState.siteLines;
  SiteFile* file = appState.siteFile;
  if (!lines || !file) return;
  Control* list = appState.siteList;
  lines->Clear();
  *file = SiteFile();
  std::string bytes;
  if (ReadFileBytes(kSitesFileName, bytes)) *file = SiteFile::Parse(bytes, PlatformSiteTextRules());
  for (int i = 0; i < file->SiteCount(); ++i) lines->Add(file->Site(i));
  // Every save reloads the list box while the site window is on screen, where each added item
  // redraws the list and its scroll bar at once: 20,000 sites took minutes, not the second a
  // load into the hidden window takes. Drawing stays off until the list is whole.
  Perform(list, WM_SETREDRAW, FALSE, 0);
  Clear(list);
  for (int i = 0; i < lines->Count(); ++i) {
    AddItem(list, SiteNameOfLine(lines->ItemText(i)));
  }
  Perform(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(HandleOf(list), nullptr, TRUE);
  // Adding the first item asks for it to be selected with LB_SETSEL, which Windows ignores in a
  // single-selection list box but Wine obeys; a site left selected would be overwritten by the
  // next "&Ok" although the user never chose it.
  SetCurrentIndex(list, kNoSelection);
}

void SaveSites() {
  if (appState.siteFile) {
    if (appState.siteFile->Writable()) {
      WriteSiteFile(appState.siteFile->Bytes(), kSitesFileName, kSitesTempFileName);
    } else {
      ShowOwnedMessage(appState.siteWindow, kUnwritableSitesText, kApplicationTitle);
    }
  }
  LoadSites();
}
