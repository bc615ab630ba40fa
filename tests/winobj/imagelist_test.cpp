// Image lists: the size a list takes from its first use or its slot, loading the program's
// bitmaps, emptying, the slot search rules, ownership by a control, and list views that keep
// showing a list whose platform handle was replaced.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "tests/support/pixels.h"
#include "winobj/application.h"
#include "winobj/control.h"
#include "winobj/imagelist.h"
#include "winobj/listview.h"

namespace {

constexpr uint32_t kMagenta = 0x00FF00FF;

TEST(ImageListFlags, ColourDepthIndexes) {
  EXPECT_EQ(ImageListCreateFlags(0, true), static_cast<uint32_t>(ILC_COLORDDB | ILC_MASK));
  EXPECT_EQ(ImageListCreateFlags(1, false), static_cast<uint32_t>(ILC_COLOR4));
  EXPECT_EQ(ImageListCreateFlags(4, false), static_cast<uint32_t>(ILC_COLOR24));
  EXPECT_EQ(ImageListCreateFlags(5, true), static_cast<uint32_t>(ILC_COLOR32 | ILC_MASK));
  EXPECT_EQ(ImageListCreateFlags(6, false), static_cast<uint32_t>(ILC_COLORDDB));
  EXPECT_EQ(ImageListCreateFlags(7, false), static_cast<uint32_t>(ILC_COLORDDB));
}

TEST(ImageListBasics, DefaultsAndNoHandleWithoutASize) {
  ImageList* list = CreateImageList(nullptr);
  EXPECT_TRUE(list->masked);
  EXPECT_EQ(list->growStep, 1);
  EXPECT_EQ(list->colorDepth, 0);
  EXPECT_FALSE(list->shared);
  EXPECT_EQ(ImageListHandle(list), nullptr);
  HBITMAP bitmap = CreateBitmap(16, 16, 1, 32, nullptr);
  EXPECT_EQ(AddMaskedBitmap(list, bitmap, 0), -1);
  EXPECT_FALSE(ReplaceIcon(list, 0, LoadIconA(nullptr, IDI_APPLICATION)));
  EXPECT_EQ(list->handle, nullptr);
  DeleteObject(bitmap);
  Free(list);
}

TEST(ImageListBasics, AddIconWithoutASizeMakes32By32) {
  ImageList* list = CreateImageList(nullptr);
  EXPECT_EQ(AddIcon(list, LoadIconA(nullptr, IDI_APPLICATION)), 0);
  EXPECT_EQ(AddIcon(list, LoadIconA(nullptr, IDI_APPLICATION)), 1);
  ASSERT_NE(list->handle, nullptr);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list->handle, &cx, &cy);
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(cy, 32);
  EXPECT_EQ(ImageCount(list), 2);
  // Once a handle exists the size stays.
  SetImageSize(list, 16, 16);
  EXPECT_EQ(list->imageWidth, 32);
  Free(list);
}

TEST(ImageListBasics, MaskedBitmapsAndReplacedIcons) {
  ImageList* list = CreateImageList(nullptr);
  SetImageSize(list, 16, 16);
  HBITMAP strip = CreateBitmap(48, 16, 1, 32, nullptr);
  EXPECT_EQ(AddMaskedBitmap(list, strip, kMagenta), 0);
  EXPECT_EQ(ImageCount(list), 3);
  EXPECT_EQ(AddMaskedBitmap(list, strip, kColorWindow), 3);  // a system colour is resolved
  EXPECT_TRUE(ReplaceIcon(list, 1, LoadIconA(nullptr, IDI_APPLICATION)));
  EXPECT_FALSE(ReplaceIcon(list, 40, LoadIconA(nullptr, IDI_APPLICATION)));
  EXPECT_EQ(ImageCount(list), 6);
  DeleteObject(strip);
  Free(list);
}

TEST(ImageListBasics, ProgramBitmapsLoad) {
  ImageList* folder = CreateImageList(nullptr);
  ASSERT_TRUE(LoadBitmapResource(folder, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(ImageCount(folder), 1);
  EXPECT_EQ(folder->imageWidth, 16);
  EXPECT_EQ(folder->imageHeight, 16);

  ImageList* strip = CreateImageList(nullptr);
  SetImageSize(strip, 16, 0);
  ASSERT_TRUE(LoadBitmapResource(strip, "TOOLBARBMP", kMagenta));
  EXPECT_EQ(ImageCount(strip), 19);
  EXPECT_EQ(strip->imageWidth, 16);
  EXPECT_EQ(strip->imageHeight, 16);

  // A name that is not there changes nothing.
  HIMAGELIST before = folder->handle;
  EXPECT_FALSE(LoadBitmapResource(folder, "NOSUCHBITMAP", kMagenta));
  EXPECT_EQ(folder->handle, before);
  EXPECT_EQ(ImageCount(folder), 1);
  Free(folder);
  Free(strip);
}

TEST(ImageListBasics, ClearImagesEmptiesTheList) {
  ImageList* list = CreateImageList(nullptr);
  AddIcon(list, LoadIconA(nullptr, IDI_APPLICATION));
  ClearImages(list);
  EXPECT_EQ(list->handle, nullptr);
  EXPECT_EQ(list->imageWidth, 0);
  EXPECT_EQ(list->imageHeight, 0);
  EXPECT_EQ(ImageCount(list), 0);
  // The panes' reset: empty, then the folder picture at its own size.
  ASSERT_TRUE(LoadBitmapResource(list, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(ImageCount(list), 1);
  EXPECT_EQ(list->imageWidth, 16);
  Free(list);
}

TEST(ImageListBasics, SharedHandleOutlivesTheList) {
  ImageList* list = CreateImageList(nullptr);
  SetImageSize(list, 16, 16);
  HIMAGELIST h = ImageListHandle(list);
  list->shared = true;
  Free(list);
  EXPECT_EQ(ImageList_GetImageCount(h), 0);
  EXPECT_TRUE(ImageList_Destroy(h));
}

// ---- Slots and ownership ----

class ImageListSlots : public ::testing::Test {
 protected:
  void SetUp() override { owner_ = CreateForm(nullptr, "Image lists"); }
  void TearDown() override { Free(owner_); }

  HIMAGELIST Shown(Control* lv, WPARAM which) {
    return reinterpret_cast<HIMAGELIST>(SendMessageA(lv->handle, LVM_GETIMAGELIST, which, 0));
  }

  Control* owner_ = nullptr;
};

TEST_F(ImageListSlots, SmallSlotSizesAListOnlyBeforeFirstUse) {
  ImageList* fresh = CreateImageList(owner_);
  SetImageList(owner_, SmallImages, fresh);
  EXPECT_EQ(owner_->smallImages, fresh);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(ImageListHandle(fresh), &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);

  ImageList* used = CreateImageList(owner_);
  AddIcon(used, LoadIconA(nullptr, IDI_APPLICATION));
  SetImageList(owner_, SmallImages, used);
  ImageList_GetIconSize(ImageListHandle(used), &cx, &cy);
  EXPECT_EQ(cx, 32);
  EXPECT_EQ(cy, 32);
}

TEST_F(ImageListSlots, SearchRules) {
  ImageList* small = CreateImageList(owner_);
  SetImageSize(small, 16, 16);
  ImageList* normal = CreateImageList(owner_);
  SetImageSize(normal, 32, 32);
  // Empty slots: the chain is searched for a list of the kind's size.
  EXPECT_EQ(ImageListOf(owner_, SmallImages), small);
  EXPECT_EQ(ImageListOf(owner_, NormalImages), normal);
  EXPECT_EQ(ImageListOf(owner_, 8), nullptr);  // small slot kind, no 8 x 8 list
  EXPECT_EQ(ImageListOf(owner_, StateImages), nullptr);
  ImageList* other = CreateImageList(owner_);
  SetImageSize(other, 20, 20);
  EXPECT_EQ(ImageListOf(owner_, StateImages), other);
  // A filled slot wins and gets the kind's size while it has no handle.
  ImageList* state = CreateImageList(nullptr);
  SetImageList(owner_, StateImages, state);
  EXPECT_EQ(ImageListOf(owner_, StateImages), state);
  EXPECT_EQ(state->imageWidth, 0);  // kind 0 imposes no size
  SetImageList(owner_, NormalImages, other);
  EXPECT_EQ(ImageListOf(owner_, 40), other);
  EXPECT_EQ(other->imageWidth, 40);
  Free(state);
}

TEST_F(ImageListSlots, OwnerChainAndFreeing) {
  ImageList* a = CreateImageList(owner_);
  ImageList* b = CreateImageList(owner_);
  ImageList* c = CreateImageList(owner_);
  EXPECT_EQ(owner_->imageListChain, c);  // the newest is the head
  EXPECT_EQ(c->next, b);
  EXPECT_EQ(b->next, a);
  EXPECT_EQ(a->prev, b);
  Free(b);
  EXPECT_EQ(c->next, a);
  EXPECT_EQ(a->prev, c);
  Free(c);
  EXPECT_EQ(owner_->imageListChain, a);
  EXPECT_EQ(a->prev, nullptr);

  // Freeing the owner frees its lists; one still held is cut loose and goes with its last
  // reference.
  AddRef(a);
  AddIcon(a, LoadIconA(nullptr, IDI_APPLICATION));
  Free(owner_);
  owner_ = nullptr;
  EXPECT_EQ(a->owner, nullptr);
  EXPECT_EQ(a->refCount & 1, 1);  // its free is pending
  Release(a);
}

TEST_F(ImageListSlots, ListViewFollowsANewHandle) {
  ImageList* images = CreateImageList(owner_);
  Control* lv = CreateListView(owner_, ViewReport, 0, images, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), images->handle);

  // The panes' reset before every listing: the list view must not keep the destroyed handle.
  ClearImages(images);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
  ASSERT_TRUE(LoadBitmapResource(images, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), images->handle);

  // A state list without a size gets its handle on first use, and the list view is told.
  ImageList* state = CreateImageList(owner_);
  SetImageList(lv, StateImages, state);
  EXPECT_EQ(Shown(lv, LVSIL_STATE), nullptr);
  AddIcon(state, LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(Shown(lv, LVSIL_STATE), state->handle);

  // A freed list leaves the slot and the window.
  Free(state);
  EXPECT_EQ(lv->stateImages, nullptr);
  EXPECT_EQ(Shown(lv, LVSIL_STATE), nullptr);
}

bool CountSetImageList(void* count, MessageRecord& msg, LRESULT&) {
  if (msg.message == LVM_SETIMAGELIST) ++*static_cast<int*>(count);
  return false;
}

// The panes' reset in one step: the list view is told once, of the new list, and not of an
// empty one between (it lays its rows out for each); a bitmap that cannot be loaded leaves
// the list empty, as the two steps would.
TEST_F(ImageListSlots, ReloadTellsTheListViewOnceOfTheNewList) {
  ImageList* images = CreateImageList(owner_);
  Control* lv = CreateListView(owner_, ViewReport, 0, images, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  AddIcon(images, LoadIconA(nullptr, IDI_APPLICATION));
  int told = 0;
  lv->messageEvent = {&CountSetImageList, &told};
  ASSERT_TRUE(ReloadBitmapResource(images, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(told, 1);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), images->handle);
  EXPECT_EQ(ImageCount(images), 1);

  EXPECT_FALSE(ReloadBitmapResource(images, "NOSUCHBITMAP", kMagenta));
  EXPECT_EQ(ImageCount(images), 0);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
  lv->messageEvent = {};
}

// Lists that sit outside their owner's subtree, have no owner, or are found through a control's
// own chain: each control that was given a list is told of its new handle and loses it when
// the list is freed.
TEST_F(ImageListSlots, AListWithoutOwnerLeavesTheSlotsThatHoldIt) {
  Control* lv = CreateListView(owner_, ViewReport, 0, nullptr, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  ImageList* unowned = CreateImageList(nullptr);
  SetImageList(lv, SmallImages, unowned);
  ASSERT_NE(Shown(lv, LVSIL_SMALL), nullptr);
  ClearImages(unowned);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
  AddIcon(unowned, LoadIconA(nullptr, IDI_APPLICATION));
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), unowned->handle);
  Free(unowned);
  EXPECT_EQ(lv->smallImages, nullptr);
  EXPECT_EQ(ImageListOf(lv, SmallImages), nullptr);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
}

TEST_F(ImageListSlots, AListOwnedElsewhereLeavesTheSlotsThatHoldIt) {
  Control* otherForm = CreateForm(nullptr, "Owner of the list");
  ImageList* foreign = CreateImageList(otherForm);
  Control* lv = CreateListView(owner_, ViewReport, 0, foreign, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  ASSERT_EQ(Shown(lv, LVSIL_SMALL), foreign->handle);
  ClearImages(foreign);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
  // Freeing the owner frees the list: the list view of the other form must not keep it.
  Free(otherForm);
  EXPECT_EQ(lv->smallImages, nullptr);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
}

TEST_F(ImageListSlots, AListFoundThroughTheChainFollowsItsNewHandle) {
  Control* lv = CreateListView(owner_, ViewReport, 0, nullptr, nullptr, nullptr);
  ImageList* own = CreateImageList(lv);
  SetImageSize(own, 16, 16);
  ASSERT_NE(HandleOf(lv), nullptr);
  ASSERT_EQ(lv->smallImages, nullptr);
  ASSERT_EQ(Shown(lv, LVSIL_SMALL), ImageListHandle(own));
  ClearImages(own);
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), nullptr);
  ASSERT_TRUE(LoadBitmapResource(own, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(Shown(lv, LVSIL_SMALL), own->handle);
}

TEST_F(ImageListSlots, AControlFreedFirstIsNotToldLater) {
  ImageList* shared = CreateImageList(owner_);
  Control* lv = CreateListView(owner_, ViewReport, 0, shared, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  Control* survivor = CreateListView(owner_, ViewReport, 0, shared, nullptr, nullptr);
  ASSERT_NE(HandleOf(survivor), nullptr);
  Free(lv);
  ClearImages(shared);
  ASSERT_TRUE(LoadBitmapResource(shared, "FOLDERCLOSED", kMagenta));
  EXPECT_EQ(Shown(survivor, LVSIL_SMALL), shared->handle);
}

// ---- Images in bulk ----

// The pixels an image shows when drawn on a coloured ground, row by row.
std::vector<uint32_t> DrawnPixels(HIMAGELIST list, int index, int side) {
  BITMAPINFO info = TopDown32(side, side);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, dib);
  RECT all{0, 0, side, side};
  HBRUSH ground = CreateSolidBrush(RGB(10, 200, 30));
  FillRect(dc, &all, ground);
  DeleteObject(ground);
  ImageList_Draw(list, index, dc, 0, 0, ILD_NORMAL);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(p, p + side * side);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(dib);
  return pixels;
}

TEST(IconStrip, ImagesLookAsAddIconMakesThemAndTakeTheIndexesGiven) {
  const HICON icons[] = {LoadIconA(nullptr, IDI_APPLICATION), LoadIconA(nullptr, IDI_WARNING),
                         nullptr, LoadIconA(nullptr, IDI_ERROR)};
  // 16 and 32 as the panes and AddIcon use them; 20 has mask rows that are not whole bytes.
  for (int side : {16, 32, 20}) {
    SCOPED_TRACE(side);
    ImageList* byIcon = CreateImageList(nullptr);
    ImageList* inBulk = CreateImageList(nullptr);
    SetImageSize(byIcon, side, side);
    SetImageSize(inBulk, side, side);
    ASSERT_GE(AddIcon(inBulk, icons[0]), 0);  // the strip appends after what is there
    IconStrip strip(inBulk);
    std::vector<int> order;
    for (int round = 0; round < 3; ++round) {
      for (int i = 0; i < 4; ++i) order.push_back(i);
    }
    for (size_t k = 0; k < order.size(); ++k) {
      EXPECT_EQ(strip.Append(icons[order[k]]), static_cast<int>(k) + 1);
      AddIcon(byIcon, icons[order[k]]);
    }
    EXPECT_EQ(ImageCount(inBulk), 1);
    EXPECT_EQ(strip.Pending(), static_cast<int>(order.size()));
    ASSERT_TRUE(strip.Flush());
    EXPECT_EQ(strip.Pending(), 0);
    ASSERT_EQ(ImageCount(inBulk), static_cast<int>(order.size()) + 1);
    for (size_t k = 0; k < order.size(); ++k) {
      EXPECT_EQ(DrawnPixels(inBulk->handle, static_cast<int>(k) + 1, side),
                DrawnPixels(byIcon->handle, static_cast<int>(k), side))
          << "image " << k;
    }
    // A second batch continues the numbering.
    EXPECT_EQ(strip.Append(icons[1]), static_cast<int>(order.size()) + 1);
    ASSERT_TRUE(strip.Flush());
    EXPECT_EQ(ImageCount(inBulk), static_cast<int>(order.size()) + 2);
    Free(byIcon);
    Free(inBulk);
  }
}

TEST(IconStrip, AListWithoutASizeBecomes32By32AndNoListGivesNoIndex) {
  ImageList* list = CreateImageList(nullptr);
  IconStrip strip(list);
  EXPECT_EQ(strip.Append(LoadIconA(nullptr, IDI_APPLICATION)), 0);
  EXPECT_EQ(list->imageWidth, 32);
  ASSERT_TRUE(strip.Flush());
  EXPECT_EQ(ImageCount(list), 1);
  EXPECT_TRUE(strip.Flush());  // nothing pending
  Free(list);
  IconStrip none(nullptr);
  EXPECT_EQ(none.Append(LoadIconA(nullptr, IDI_APPLICATION)), -1);
}

// A reload of the bitmap the list already holds cuts the list back to it, keeping the handle
// and telling no one; a list whose loaded picture was replaced, or a reload of another
// resource or colour, is loaded anew. Either way the list ends as a fresh load leaves it.
TEST_F(ImageListSlots, ReloadOfTheHeldBitmapCutsTheListBackToIt) {
  ImageList* images = CreateImageList(owner_);
  Control* lv = CreateListView(owner_, ViewReport, 0, images, nullptr, nullptr);
  ASSERT_NE(HandleOf(lv), nullptr);
  ASSERT_TRUE(ReloadBitmapResource(images, "FOLDERCLOSED", kMagenta));
  const int side = images->imageWidth;
  const std::vector<uint32_t> folder = DrawnPixels(images->handle, 0, side);
  const HICON icon = LoadIconA(nullptr, IDI_APPLICATION);
  int told = 0;
  lv->messageEvent = {&CountSetImageList, &told};
  struct Case {
    const char* what;
    bool replaceFirst;
    uint32_t color;
    int toldAfter;
  };
  const Case cases[] = {
      {"the same bitmap again", false, kMagenta, 0},
      {"its picture replaced", true, kMagenta, 1},
      {"another transparent colour", false, 0x00FFFFFF, 1},
      {"back to the first colour", false, kMagenta, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    told = 0;
    AddIcon(images, icon);
    AddIcon(images, icon);
    if (c.replaceFirst) ReplaceIcon(images, 0, icon);
    const HIMAGELIST before = images->handle;
    ASSERT_TRUE(ReloadBitmapResource(images, "FOLDERCLOSED", c.color));
    EXPECT_EQ(told, c.toldAfter);
    EXPECT_EQ(images->handle == before, c.toldAfter == 0);
    EXPECT_EQ(Shown(lv, LVSIL_SMALL), images->handle);
    EXPECT_EQ(ImageCount(images), 1);
    if (c.color == kMagenta) {
      EXPECT_EQ(DrawnPixels(images->handle, 0, side), folder);
    }
  }
  lv->messageEvent = {};
}

}  // namespace
