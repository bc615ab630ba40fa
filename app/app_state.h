// AppState: the application's one global record. Every window, control, menu and image list
// the handlers reach, the two internet handles, the current paths and the site lines.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

class Bitmap;
class Control;
class ImageList;
class MenuObject;
class Object;
class SiteFile;
class StringList;

struct AppState {
  std::string localPath;   // ends in "\"
  std::string remotePath;  // ends in "/"
  // Host, port and user of the last connect that succeeded; empty before the first.
  std::string connectedSite;
  HINTERNET connectionHandle = nullptr;
  HINTERNET sessionHandle = nullptr;
  Object* eventReceiver = nullptr;  // receiver of every event slot the application fills
  Control* application = nullptr;
  Control* mainWindow = nullptr;
  Bitmap* toolbarBitmap = nullptr;
  Control* toolbar = nullptr;
  Control* driveBox = nullptr;
  uint32_t driveMask = 0;
  ImageList* localImages = nullptr;
  Control* localList = nullptr;
  ImageList* remoteImages = nullptr;
  Control* remoteList = nullptr;
  MenuObject* remotePopup = nullptr;
  MenuObject* localPopup = nullptr;
  Control* logEdit = nullptr;
  MenuObject* mainMenu = nullptr;
  Control* siteWindow = nullptr;
  Control* siteList = nullptr;
  Control* deleteSiteButton = nullptr;
  Control* cancelSiteButton = nullptr;
  Control* okSiteButton = nullptr;
  Control* siteNameEdit = nullptr;
  Control* hostEdit = nullptr;
  Control* userEdit = nullptr;
  Control* passwordEdit = nullptr;
  Control* anonymousCheck = nullptr;
  Control* portEdit = nullptr;
  StringList* siteLines = nullptr;  // the sites the site list shows, in its order
  SiteFile* siteFile = nullptr;     // every line of "Sites.sts" as it was read
};

// The caption of the program's message boxes.
constexpr char kApplicationTitle[] = "ZevFtp";

extern AppState appState;
