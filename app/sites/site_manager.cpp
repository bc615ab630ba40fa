#include "app/sites/site_manager.h"

#include "app/app_state.h"
#include "app/sites/sites.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/controls.h"
#include "winobj/text.h"

namespace {

constexpr char kAnonymousFlag[] = "1";

void CloseSiteWindow(int32_t result) {
  appState.siteWindow->form.modalResult = result;
  Hide(appState.siteWindow);
}

// The line of the fields shown, or false after a box that names the first field a line cannot
// hold: stored as it is, a ";" in the password came back as a cut password and the port as
// "0;47455". Nothing is stored and the fields stay as typed.
bool StorableSiteLine(std::string& line) {
  const SiteRecord fields = ShownSiteFields();
  const int refused = FirstUnstorableField(fields);
  if (refused >= 0) {
    ShowOwnedMessage(appState.siteWindow, UnstorableFieldText(refused), kApplicationTitle);
    return false;
  }
  // The file holds the name in UTF-8, where only U+FEFF starts like a byte-order mark.
  std::string stored;
  PlatformSiteTextRules().programToFile(fields.SiteName, stored);
  if (StartsWithEncodingMark(stored)) {
    ShowOwnedMessage(appState.siteWindow, EncodingMarkNameText(), kApplicationTitle);
    return false;
  }
  line = BuildSiteLine(fields);
  return true;
}

}  // namespace

void OnSiteOpen(void* /*receiver*/, Control* /*sender*/) {
  int index = CurrentIndex(appState.siteList);
  if (index < 0 || index >= appState.siteLines->Count()) return;
  SiteRecord site = SplitSiteLine(appState.siteLines->ItemText(index));
  SetCaption(appState.siteNameEdit, site.SiteName);
  SetCaption(appState.hostEdit, site.HostAddress);
  SetCaption(appState.userEdit, site.UserName);
  SetCaption(appState.passwordEdit, site.Password);
  SetChecked(appState.anonymousCheck, site.Anonymous == kAnonymousFlag);
  SetCaption(appState.portEdit, site.Port);
}

void OnSiteAdd(void* /*receiver*/, Control* /*sender*/) {
  std::string line;
  if (!StorableSiteLine(line)) return;
  AddSiteLine(line);
  AddItem(appState.siteList, Caption(appState.siteNameEdit));
  SaveSites();
}

void OnSiteDelete(void* /*receiver*/, Control* /*sender*/) {
  int index = CurrentIndex(appState.siteList);
  if (index < 0 || index >= appState.siteLines->Count()) return;
  DeleteSiteLine(index);
  SaveSites();
}

void OnSiteCancel(void* /*receiver*/, Control* /*sender*/) { CloseSiteWindow(kSiteResultCancel); }

void OnSiteOk(void* /*receiver*/, Control* /*sender*/) {
  int index = CurrentIndex(appState.siteList);
  if (index >= 0 && index < appState.siteLines->Count()) {
    // Only a site about to be stored is checked: without a selection the fields go to the
    // connection alone, where a ";" in a password is no harm.
    std::string line;
    if (!StorableSiteLine(line)) return;
    ReplaceSiteLine(index, line);
  }
  SaveSites();
  CloseSiteWindow(kSiteResultOk);
}

void OnSiteWindowClose(void* /*receiver*/, Control* /*sender*/, uint8_t& accept) {
  CloseSiteWindow(kSiteResultClosed);
  accept = 0;
}

void ShowSiteManager() {
  Control* form = appState.siteWindow;
  ShowModal(form);
  // The modal close procedure answers the close box before the closeEvent is asked and keeps
  // the window on screen; the user closed it, so it goes away like after Ok or Cancel.
  if (form->form.modalResult == kSiteResultClosed) Hide(form);
}
