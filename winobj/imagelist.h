// ImageList: the layer's object over a platform image list, made on first need with a fixed
// image size and kept in its owner's chain; and the normal, small and state image list slots
// of a Control with the rules that find and apply them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "winobj/control.h"

// The slot kinds; the numbers double as the image size a slot imposes.
enum ImageListKind : int {
  StateImages = 0,
  SmallImages = 16,
  NormalImages = 32,
};

class ImageList : public Object {
 public:
  HIMAGELIST handle = nullptr;
  Control* owner = nullptr;
  ImageList* prev = nullptr;
  ImageList* next = nullptr;
  // 0..6, see ImageListCreateFlags.
  uint8_t colorDepth = 0;
  bool masked = true;
  // Settable only while no handle exists; read back from the platform when one is set.
  int32_t imageWidth = 0;
  int32_t imageHeight = 0;
  int32_t growStep = 1;
  // A shared platform list is never destroyed by this object.
  bool shared = false;
  // What the last ReloadBitmapResource put into `handle`: the resource, its colour and how many
  // images it made. Forgotten when the handle changes or one of those images is replaced.
  std::string reloadedName;
  uint32_t reloadedColor = 0;
  int reloadedCount = 0;
  HIMAGELIST reloadedHandle = nullptr;

  // Drops the handle as ClearImages does and unlinks the list from its owner's chain.
  void Destroy() override;
};

// ImageList_Create flags for a colour depth index (0 and 6 and anything unknown: ILC_COLORDDB).
uint32_t ImageListCreateFlags(uint8_t colorDepth, bool masked);

// With an owner the new list becomes the head of the owner's chain and is freed with it.
ImageList* CreateImageList(Control* owner);
// The platform list, created first when needed; none while the image size is 0.
HIMAGELIST ImageListHandle(ImageList* list);
// Changes the image size; no effect once a handle exists.
void SetImageSize(ImageList* list, int32_t width, int32_t height);
// Number of images, 0 without a handle (none is created).
int ImageCount(ImageList* list);

// Index of the new image or -1. A list without a size becomes 32 x 32.
int AddIcon(ImageList* list, HICON icon);
// Index of the first new image or -1; `color` is in the layer's colour form.
int AddMaskedBitmap(ImageList* list, HBITMAP bitmap, uint32_t color);
bool ReplaceIcon(ImageList* list, int index, HICON icon);
// Loads a bitmap resource of the program as the list's new contents (image width = the current
// width; 0 takes the bitmap's height). On failure nothing changes.
bool LoadBitmapResource(ImageList* list, const char* name, uint32_t color);
// Empties the list: handle dropped, image size 0 x 0.
void ClearImages(ImageList* list);
// ClearImages, then LoadBitmapResource (image width 0), with the same outcome either way: the
// new list is loaded before the old one goes, so the controls showing it are told once, of the
// new handle (or of none when the bitmap cannot be loaded: the list is then empty). A list that
// still holds what the same reload put into it keeps its handle and the bitmap's images and
// drops only the images added after them: the controls are not told at all.
bool ReloadBitmapResource(ImageList* list, const char* name, uint32_t color);

// Puts `list` (or none) into the slot of `kind` and applies the control's image lists.
void SetImageList(Control* control, int kind, ImageList* list);
ImageList* ImageListOf(Control* control, int kind);
// Sends the control's lists with its class's image-list message, when it has one and its window
// exists.
void ApplyImageLists(Control* control);

// Images appended to one list in bulk. Drawing an icon into a list costs milliseconds under
// Wine, and growing a list one image at a time copies all it holds, so the pending images are
// added in one step (ImageList_SetImageCount): each distinct icon is drawn once
// (ImageList_ReplaceIcon, as AddIcon does), and every further image of it is a copy of that
// image inside the list (ImageList_Copy). An image's index is known when it is appended; the
// image exists once Flush has run. The images look as AddIcon's.
class IconStrip {
 public:
  explicit IconStrip(ImageList* list) : list_(list) {}
  IconStrip(const IconStrip&) = delete;
  IconStrip& operator=(const IconStrip&) = delete;

  // The index the icon's image will have, or -1 when the list can have no handle. A list
  // without a size becomes 32 x 32, as with AddIcon.
  int Append(HICON icon);
  // Puts the pending images into the list; false when the platform refused them.
  bool Flush();
  int Pending() const { return static_cast<int>(pending_.size()); }

 private:
  void Blank(int index);

  ImageList* list_;
  HIMAGELIST handle_ = nullptr;
  // Index in the list of the first pending image.
  int firstIndex_ = -1;
  std::vector<HICON> pending_;
  // Where each icon was drawn into the list; its later images are copies of that one.
  std::unordered_map<HICON, int> drawnAt_;
};
