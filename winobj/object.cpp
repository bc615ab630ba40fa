#include "winobj/object.h"

#include <cstdlib>
#include <cstring>

namespace {

// Count of an object whose destruction has begun: odd, so a further Free does nothing, and far
// from 0, so the AddRef/Release pairs of messages that arrive while it is torn down (a
// window's WM_PARENTNOTIFY, for one) cannot start a second destruction.
constexpr int32_t kDyingRefCount = 0x40000001;

void DestroyOnce(Object* obj) {
  obj->refCount = kDyingRefCount;
  obj->Destroy();
}

}  // namespace

void AddRef(Object* obj) { obj->refCount += 2; }

void Release(Object* obj) {
  obj->refCount -= 2;
  // Negative with bit 0 set: a free was asked for while references were held, and this was the
  // last one.
  if (obj->refCount < 0 && (obj->refCount & 1)) DestroyOnce(obj);
}

void Free(Object* obj) {
  if (!obj) return;
  if ((obj->refCount >> 1) == 0 && !(obj->refCount & 1)) {
    DestroyOnce(obj);
  } else if (!(obj->refCount & 1)) {
    obj->refCount -= 1;
  }
}

// ---- ObjectList ----

ObjectList::~ObjectList() { std::free(items); }

void ObjectList::SetCapacity(int32_t n) {
  if (n < count) n = count;
  if (n == capacity) return;
  if (n == 0) {
    std::free(items);
    items = nullptr;
  } else {
    void** grown = static_cast<void**>(std::realloc(items, sizeof(void*) * n));
    if (!grown) return;  // out of memory: keep the old array
    items = grown;
  }
  capacity = n;
}

void ObjectList::Append(void* p) {
  if (count >= capacity) {
    SetCapacity(count + (growthStep > 0 ? growthStep : 4));
    if (count >= capacity) return;
  }
  items[count++] = p;
}

void ObjectList::InsertAt(int32_t index, void* p) {
  if (index < 0 || index > count) return;
  const int32_t before = count;
  Append(p);
  if (count == before) return;  // could not grow
  std::memmove(items + index + 1, items + index, sizeof(void*) * (count - 1 - index));
  items[index] = p;
}

void ObjectList::RemoveAt(int32_t index) {
  if (index < 0 || index >= count) return;
  std::memmove(items + index, items + index + 1, sizeof(void*) * (count - 1 - index));
  --count;
}

int32_t ObjectList::IndexOf(const void* p) const {
  for (int32_t i = 0; i < count; ++i) {
    if (items[i] == p) return i;
  }
  return -1;
}

void ObjectList::Clear() {
  count = 0;
  SetCapacity(0);
}

ObjectList* CreateObjectList() { return new ObjectList(); }

void FreeObjectList(ObjectList* list) {
  if (!list) return;
  list->Clear();
  Free(list);
}

void FreeObjectListWithItems(ObjectList* list) {
  if (!list) return;
  for (int32_t i = list->count - 1; i >= 0; --i) std::free(list->items[i]);
  FreeObjectList(list);
}
