// The layer's object base (reference counting with deferred free), the event slot its objects
// raise events through, and ObjectList, the growable pointer list used throughout the layer.
#pragma once

#include <cstdint>

// Every object of the layer starts with this base. refCount moves in steps of 2; bit 0 records
// that a free was asked for while references were held, so the last Release destroys it.
class Object {
 public:
  int32_t refCount = 0;

  virtual ~Object() = default;
  virtual void Init() {}
  // Releases what the object owns, then its memory.
  virtual void Destroy() { delete this; }
};

// A handler and its receiver (an opaque pointer handed back unchanged); empty while the
// handler is none.
template <typename Proc>
struct EventSlot {
  Proc proc = nullptr;
  void* receiver = nullptr;
  explicit operator bool() const { return proc != nullptr; }
};

void AddRef(Object* obj);
void Release(Object* obj);
// Accepts none. Destroys at once when nothing holds a reference, otherwise marks the object so
// that the last Release destroys it.
void Free(Object* obj);

// Growable array of untyped pointers; it never owns what the pointers point to.
class ObjectList : public Object {
 public:
  void** items = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
  int32_t growthStep = 4;

  ~ObjectList() override;

  void Append(void* p);
  void InsertAt(int32_t index, void* p);
  void RemoveAt(int32_t index);
  int32_t IndexOf(const void* p) const;
  void SetCapacity(int32_t n);
  void Clear();
  void* At(int32_t index) const { return (index >= 0 && index < count) ? items[index] : nullptr; }
};

ObjectList* CreateObjectList();
void FreeObjectList(ObjectList* list);
// Releases each item's memory block (items allocated with std::malloc), last to first, then
// frees the list.
void FreeObjectListWithItems(ObjectList* list);
