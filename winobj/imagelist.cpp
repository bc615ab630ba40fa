#include "winobj/imagelist.h"

namespace {

// Creation flags by colour depth index; index 0 and 6 both ask for a screen-compatible list.
constexpr uint32_t kDepthFlags[] = {ILC_COLORDDB, ILC_COLOR4,  ILC_COLOR8,  ILC_COLOR16,
                                    ILC_COLOR24,  ILC_COLOR32, ILC_COLORDDB};

constexpr int kDefaultIconSide = 32;

struct SlotInfo {
  ImageList* Control::*slot;
  WPARAM which;
};
constexpr SlotInfo kSlots[] = {{&Control::normalImages, LVSIL_NORMAL},
                               {&Control::smallImages, LVSIL_SMALL},
                               {&Control::stateImages, LVSIL_STATE}};

// Which list each platform slot of a control was given, through the slot itself or found in
// the control's chain. A control keeps the platform handle it was sent, so when a list's handle
// changes, exactly these slots are sent the new one (none included: an emptied list is not
// re-created here), wherever the list sits and whoever owns it. With `detach` (the list is
// being freed) the slots holding it are emptied as well. A control leaves the table when it
// is destroyed.
struct ShownList {
  Control* control;
  WPARAM which;
  ImageList* list;
};
std::vector<ShownList>& ShownLists() {
  static std::vector<ShownList> shown;
  return shown;
}

void RecordShown(Control* control, WPARAM which, ImageList* list) {
  auto& shown = ShownLists();
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i].control != control || shown[i].which != which) continue;
    if (list) {
      shown[i].list = list;
    } else {
      shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return;
  }
  if (list) shown.push_back(ShownList{control, which, list});
}

void ForgetControl(const Control* control) {
  auto& shown = ShownLists();
  for (size_t i = shown.size(); i-- > 0;) {
    if (shown[i].control == control) shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(i));
  }
}

ImageList* Control::*SlotOf(WPARAM which) {
  for (const SlotInfo& s : kSlots) {
    if (s.which == which) return s.slot;
  }
  return &Control::stateImages;
}

void TellUsers(ImageList* list, bool detach) {
  std::vector<ShownList> users;
  auto& shown = ShownLists();
  for (size_t i = shown.size(); i-- > 0;) {
    if (shown[i].list != list) continue;
    users.push_back(shown[i]);
    if (detach) shown.erase(shown.begin() + static_cast<std::ptrdiff_t>(i));
  }
  for (auto it = users.rbegin(); it != users.rend(); ++it) {
    Control* c = it->control;
    ImageList* Control::*slot = SlotOf(it->which);
    if (detach && c->*slot == list) c->*slot = nullptr;
    if (c->handle && c->classCommands.imageListMsg) {
      SendMessageA(c->handle, c->classCommands.imageListMsg, it->which,
                   reinterpret_cast<LPARAM>(detach ? nullptr : list->handle));
    }
  }
}

// Stores a new platform list: the size follows it, the controls showing the list get the new
// one before the old one is destroyed, so none of them is ever left holding a dead handle.
void SetHandle(ImageList* list, HIMAGELIST newHandle) {
  if (newHandle == list->handle) return;
  HIMAGELIST old = list->handle;
  list->handle = newHandle;
  list->reloadedHandle = nullptr;
  int cx = 0;
  int cy = 0;
  if (newHandle && !ImageList_GetIconSize(newHandle, &cx, &cy)) cx = cy = 0;
  list->imageWidth = cx;
  list->imageHeight = cy;
  TellUsers(list, false);
  if (old && !list->shared) ImageList_Destroy(old);
}

// Destroying a control frees the image lists it owns. The chain is cut first, so a list whose
// free is deferred (a reference still held) never reaches back into the dying control.
void FreeOwnedImageLists(Control* control) {
  ForgetControl(control);
  ImageList* list = control->imageListChain;
  control->imageListChain = nullptr;
  control->normalImages = control->smallImages = control->stateImages = nullptr;
  while (list) {
    ImageList* next = list->next;
    list->owner = nullptr;
    list->prev = list->next = nullptr;
    Free(list);
    list = next;
  }
}

}  // namespace

uint32_t ImageListCreateFlags(uint8_t colorDepth, bool masked) {
  uint32_t flags = colorDepth < sizeof(kDepthFlags) / sizeof(kDepthFlags[0])
                       ? kDepthFlags[colorDepth]
                       : ILC_COLORDDB;
  return masked ? flags | ILC_MASK : flags;
}

void ImageList::Destroy() {
  TellUsers(this, true);
  Control* keptOwner = owner;
  owner = nullptr;  // nothing is re-applied while the handle goes
  SetHandle(this, nullptr);
  if (prev) {
    prev->next = next;
  } else if (keptOwner && keptOwner->imageListChain == this) {
    keptOwner->imageListChain = next;
  }
  if (next) next->prev = prev;
  prev = next = nullptr;
  Object::Destroy();
}

ImageList* CreateImageList(Control* owner) {
  freeImageListsHook = FreeOwnedImageLists;
  auto* list = new ImageList;
  list->Init();
  if (owner) {
    list->owner = owner;
    list->next = owner->imageListChain;
    if (list->next) list->next->prev = list;
    owner->imageListChain = list;
  }
  return list;
}

HIMAGELIST ImageListHandle(ImageList* list) {
  if (!list) return nullptr;
  if (!list->handle && list->imageWidth > 0 && list->imageHeight > 0) {
    list->handle =
        ImageList_Create(list->imageWidth, list->imageHeight,
                         ImageListCreateFlags(list->colorDepth, list->masked), 0, list->growStep);
    if (list->handle) TellUsers(list, false);
  }
  return list->handle;
}

void SetImageSize(ImageList* list, int32_t width, int32_t height) {
  if (!list || list->handle) return;
  list->imageWidth = width;
  list->imageHeight = height;
}

int ImageCount(ImageList* list) {
  return list && list->handle ? ImageList_GetImageCount(list->handle) : 0;
}

int AddIcon(ImageList* list, HICON icon) {
  if (!list) return -1;
  if (list->imageWidth == 0 || list->imageHeight == 0)
    SetImageSize(list, kDefaultIconSide, kDefaultIconSide);
  if (!ImageListHandle(list)) return -1;
  // The icon goes in through a blank masked slot, which keeps its own mask whatever the list's
  // colour depth.
  HDC screen = GetDC(nullptr);
  HBITMAP blank = CreateCompatibleBitmap(screen, list->imageWidth, list->imageHeight);
  int index = blank ? AddMaskedBitmap(list, blank, 0) : -1;
  if (blank) DeleteObject(blank);
  ReleaseDC(nullptr, screen);
  if (index >= 0) ReplaceIcon(list, index, icon);
  return index;
}

int AddMaskedBitmap(ImageList* list, HBITMAP bitmap, uint32_t color) {
  HIMAGELIST h = ImageListHandle(list);
  if (!h) return -1;
  return ImageList_AddMasked(h, bitmap, ColorToRGB(color));
}

bool ReplaceIcon(ImageList* list, int index, HICON icon) {
  HIMAGELIST h = ImageListHandle(list);
  if (!h) return false;
  if (index < list->reloadedCount) list->reloadedHandle = nullptr;
  return ImageList_ReplaceIcon(h, index, icon) >= 0;
}

bool LoadBitmapResource(ImageList* list, const char* name, uint32_t color) {
  if (!list || !name) return false;
  if (!programInstance) programInstance = GetModuleHandleA(nullptr);
  HIMAGELIST loaded = ImageList_LoadImageA(programInstance, name, list->imageWidth, list->growStep,
                                           ColorToRGB(color), IMAGE_BITMAP, 0);
  if (!loaded) return false;
  SetHandle(list, loaded);
  return true;
}

void ClearImages(ImageList* list) {
  if (list) SetHandle(list, nullptr);
}

// A list view told of no list between two lists lays its rows out twice (0.9 ms under Wine,
// before every listing of a pane). Loading the bitmap and telling the list view of the new list
// took 1.2 ms more; cutting the kept list back to the bitmap's images takes 0.1 ms.
bool ReloadBitmapResource(ImageList* list, const char* name, uint32_t color) {
  if (!list) return false;
  if (name && list->handle && list->handle == list->reloadedHandle && !list->shared &&
      list->reloadedName == name && list->reloadedColor == color &&
      ImageList_GetImageCount(list->handle) >= list->reloadedCount &&
      ImageList_SetImageCount(list->handle, static_cast<UINT>(list->reloadedCount))) {
    return true;
  }
  if (!programInstance) programInstance = GetModuleHandleA(nullptr);
  HIMAGELIST loaded = name ? ImageList_LoadImageA(programInstance, name, 0, list->growStep,
                                                  ColorToRGB(color), IMAGE_BITMAP, 0)
                           : nullptr;
  SetHandle(list, loaded);
  if (loaded == nullptr) return false;
  list->reloadedName = name;
  list->reloadedColor = color;
  list->reloadedCount = ImageList_GetImageCount(loaded);
  list->reloadedHandle = loaded;
  return true;
}

void SetImageList(Control* control, int kind, ImageList* list) {
  if (!control) return;
  if (list && kind != 0) SetImageSize(list, kind, kind);
  WPARAM which = LVSIL_STATE;
  if (kind == SmallImages) {
    control->smallImages = list;
    which = LVSIL_SMALL;
  } else if (kind == NormalImages) {
    control->normalImages = list;
    which = LVSIL_NORMAL;
  } else {
    control->stateImages = list;
  }
  freeImageListsHook = FreeOwnedImageLists;
  RecordShown(control, which, list);
  ApplyImageLists(control);
}

ImageList* ImageListOf(Control* control, int kind) {
  if (!control) return nullptr;
  if (kind == 0) {
    if (control->stateImages) return control->stateImages;
    ImageList* small = ImageListOf(control, SmallImages);
    ImageList* normal = ImageListOf(control, NormalImages);
    for (ImageList* l = control->imageListChain; l; l = l->next) {
      if (l != small && l != normal) return l;
    }
    return nullptr;
  }
  ImageList* slot = kind > SmallImages ? control->normalImages : control->smallImages;
  if (slot) {
    SetImageSize(slot, kind, kind);
    return slot;
  }
  for (ImageList* l = control->imageListChain; l; l = l->next) {
    if (l->imageWidth == kind && l->imageHeight == kind) return l;
  }
  return nullptr;
}

void ApplyImageLists(Control* control) {
  const UINT message = control->classCommands.imageListMsg;
  // Before the window exists there is nothing to send to; the window's creation applies them.
  if (!message || !control->handle) return;
  static constexpr struct {
    WPARAM which;
    int kind;
  } kOrder[] = {
      {LVSIL_NORMAL, NormalImages}, {LVSIL_SMALL, SmallImages}, {LVSIL_STATE, StateImages}};
  for (const auto& entry : kOrder) {
    ImageList* list = ImageListOf(control, entry.kind);
    RecordShown(control, entry.which, list);
    if (list) {
      SendMessageA(control->handle, message, entry.which,
                   reinterpret_cast<LPARAM>(ImageListHandle(list)));
    }
  }
}

// ---- Images in bulk ----

int IconStrip::Append(HICON icon) {
  if (!list_) return -1;
  if (list_->imageWidth == 0 || list_->imageHeight == 0)
    SetImageSize(list_, kDefaultIconSide, kDefaultIconSide);
  HIMAGELIST h = ImageListHandle(list_);
  if (!h) return -1;
  if (pending_.empty()) firstIndex_ = ImageList_GetImageCount(h);
  pending_.push_back(icon);
  return firstIndex_ + static_cast<int>(pending_.size()) - 1;
}

bool IconStrip::Flush() {
  if (pending_.empty()) return true;
  HIMAGELIST h = list_ ? list_->handle : nullptr;
  if (h != handle_) {
    // A new platform list holds none of the images drawn into the old one.
    drawnAt_.clear();
    handle_ = h;
  }
  const int count = static_cast<int>(pending_.size());
  bool added = h && firstIndex_ >= 0 && count <= INT32_MAX - firstIndex_ &&
               ImageList_GetImageCount(h) == firstIndex_ &&
               ImageList_SetImageCount(h, static_cast<UINT>(firstIndex_ + count));
  for (int k = 0; added && k < count; ++k) {
    const int index = firstIndex_ + k;
    HICON icon = pending_[static_cast<size_t>(k)];
    auto drawn = drawnAt_.find(icon);
    if (drawn != drawnAt_.end()) {
      ImageList_Copy(h, index, h, drawn->second, ILCF_MOVE);
    } else if (icon && ImageList_ReplaceIcon(h, index, icon) >= 0) {
      drawnAt_.emplace(icon, index);
    } else {
      Blank(index);
    }
  }
  pending_.clear();
  firstIndex_ = -1;
  return added;
}

// What AddIcon leaves when the icon cannot be drawn: a black image that is wholly transparent.
void IconStrip::Blank(int index) {
  HDC screen = GetDC(nullptr);
  HBITMAP image = CreateCompatibleBitmap(screen, list_->imageWidth, list_->imageHeight);
  ReleaseDC(nullptr, screen);
  const int maskRowBytes = ((list_->imageWidth + 15) / 16) * 2;
  std::vector<uint8_t> ones(static_cast<size_t>(maskRowBytes) * list_->imageHeight, 0xFF);
  HBITMAP mask = CreateBitmap(list_->imageWidth, list_->imageHeight, 1, 1, ones.data());
  if (image && mask) ImageList_Replace(handle_, index, image, mask);
  if (image) DeleteObject(image);
  if (mask) DeleteObject(mask);
}
