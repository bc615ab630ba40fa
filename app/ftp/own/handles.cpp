#include "app/ftp/own/handles.h"

HINTERNET HandleTable::Add(std::unique_ptr<HandleObject> object) {
  last_ += kStep;
  objects_[last_] = std::move(object);
  return reinterpret_cast<HINTERNET>(last_);
}

HandleObject* HandleTable::Any(HINTERNET handle) const {
  const auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
  return found == objects_.end() ? nullptr : found->second.get();
}

void HandleTable::Remove(HINTERNET handle) { objects_.erase(reinterpret_cast<uintptr_t>(handle)); }

std::vector<HINTERNET> HandleTable::Children(HINTERNET parent) const {
  std::vector<HINTERNET> children;
  for (const auto& entry : objects_) {
    if (entry.second->parent == parent)
      children.push_back(reinterpret_cast<HINTERNET>(entry.first));
  }
  return children;
}
