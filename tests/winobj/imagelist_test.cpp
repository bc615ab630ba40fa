// Image lists: the size a list takes from its first use or its slot, loading the program's
// bitmaps, emptying, the slot search rules, ownership by a control, and list views that keep
// showing a list whose platform handle was replaced.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

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

}  // namespace
