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
  appState.siteLines->Add(BuildSiteLine());
  AddItem(appState.siteList, Caption(appState.siteNameEdit));
  SaveSites();
}

void OnSiteDelete(void* /*receiver*/, Control* /*sender*/) {
  int index = CurrentIndex(appState.siteList);
  if (index < 0 || index >= appState.siteLines->Count()) return;
  appState.siteLines->Delete(index);
  SaveSites();
}

void OnSiteCancel(void* /*receiver*/, Control* /*sender*/) { CloseSiteWindow(kSiteResultCancel); }

void OnSiteOk(void* /*receiver*/, Control* /*sender*/) {
  int index = CurrentIndex(appState.siteList);
  if (index >= 0 && index < appState.siteLines->Count()) {
    appState.siteLines->Replace(index, BuildSiteLine());
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
