// The handles the own client hands out: numbers never used twice, so a stale or made-up handle
// is found missing instead of pointing at freed memory. A session holds the status callback, a
// connection its FTP connection, a find the listing it reads.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ftp/own/connection.h"

struct HandleObject {
  enum Kind { kSession, kConnection, kFind };
  explicit HandleObject(Kind k) : kind(k) {}
  virtual ~HandleObject() = default;
  Kind kind;
  HINTERNET parent = nullptr;
};

struct SessionObject : HandleObject {
  SessionObject() : HandleObject(kSession) {}
  INTERNET_STATUS_CALLBACK callback = nullptr;
};

struct ConnectionObject : HandleObject {
  ConnectionObject(const ProgressReporter& progress, DWORD waitMs)
      : HandleObject(kConnection), connection(progress, waitMs) {}
  OwnConnection connection;
  HINTERNET openFind = nullptr;  // the one find a connection may have open
};

// A find reads its entries from its connection as they arrive; it holds none itself but the
// whole name of the one it handed out last.
struct FindObject : HandleObject {
  FindObject() : HandleObject(kFind) {}
  std::string lastName;
  // A listing that failed after its ".." was handed out: every further entry asked for is
  // this failure.
  DWORD failure = ERROR_SUCCESS;
};

class HandleTable {
 public:
  // The handle the next Add returns (a connection reports with its handle while it opens).
  HINTERNET Next() const { return reinterpret_cast<HINTERNET>(last_ + kStep); }
  HINTERNET Add(std::unique_ptr<HandleObject> object);
  // The object of a handle if it is of that kind; null otherwise.
  template <typename T>
  T* Get(HINTERNET handle, HandleObject::Kind kind) const {
    HandleObject* object = Any(handle);
    return object != nullptr && object->kind == kind ? static_cast<T*>(object) : nullptr;
  }
  HandleObject* Any(HINTERNET handle) const;
  void Remove(HINTERNET handle);
  std::vector<HINTERNET> Children(HINTERNET parent) const;

 private:
  static constexpr uintptr_t kStep = 4;
  uintptr_t last_ = 0x10000;
  std::map<uintptr_t, std::unique_ptr<HandleObject>> objects_;
};
