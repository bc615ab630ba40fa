#include "app/sites/sites.h"

#include <windows.h>

#include "app/app_state.h"
#include "winobj/controls.h"
#include "winobj/text.h"

const char* const kSitesFileName = "Sites.sts";
const char* const kSitesTempFileName = "Sites.sts.tmp";

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

}  // namespace

std::string BuildSiteLine() {
  SiteRecord fields;
  fields.SiteName = Caption(appState.siteNameEdit);
  fields.HostAddress = Caption(appState.hostEdit);
  fields.UserName = Caption(appState.userEdit);
  fields.Password = Caption(appState.passwordEdit);
  fields.Anonymous = Checked(appState.anonymousCheck) ? "1" : "0";
  fields.Port = Caption(appState.portEdit);
  return BuildSiteLine(fields);
}

bool WriteSiteFile(const StringList& lines, const std::string& fileName,
                   const std::string& tempFileName) {
  // Overwriting the file in place would leave a cut file, and every stored site lost, when the
  // write stops half-way (disk full, power loss); the old file goes only once the new one is
  // complete on disk.
  if (!MayReplace(fileName)) return false;
  if (!lines.SaveToFileChecked(tempFileName)) {
    DeleteFileA(tempFileName.c_str());
    return false;
  }
  if (!MoveFileExA(tempFileName.c_str(), fileName.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(tempFileName.c_str());
    return false;
  }
  return true;
}

void LoadSites() {
  StringList* lines = appState.siteLines;
  if (!lines) return;
  lines->Clear();
  Clear(appState.siteList);
  lines->LoadFromFile(kSitesFileName);
  for (int i = 0; i < lines->Count(); ++i) {
    AddItem(appState.siteList, SiteNameOfLine(lines->ItemText(i)));
  }
  // Adding the first item asks for it to be selected with LB_SETSEL, which Windows ignores in a
  // single-selection list box but Wine obeys; a site left selected would be overwritten by the
  // next "&Ok" although the user never chose it.
  SetCurrentIndex(appState.siteList, kNoSelection);
}

void SaveSites() {
  if (appState.siteLines) WriteSiteFile(*appState.siteLines, kSitesFileName, kSitesTempFileName);
  LoadSites();
}
