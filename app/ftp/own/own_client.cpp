// The own FTP client behind the FtpClient interface, in WinInet's shapes: handles or none,
// true/false with the error code in the thread's last error, the server's last reply per thread,
// progress through the session's callback. The work is OwnConnection's.
#include "app/ftp/own/own_client.h"

#include <cstring>
#include <string>

#include "app/ftp/ftp_client.h"
#include "app/ftp/ftp_listing.h"
#include "app/ftp/ftp_text.h"
#include "app/ftp/own/certificate.h"
#include "app/ftp/own/handles.h"

namespace {

DWORD waitMs = kOwnClientWaitMs;

// InternetGetLastResponseInfo answers for the calling thread: the reply of the last operation
// this thread ran, whichever connection read it.
thread_local std::string lastResponse;
thread_local ServerCertificate lastCertificate;

// A text given as a C string: its NUL ends it, so only CR and LF can hide in it.
bool BreaksCommand(const char* text) {
  return text != nullptr && HoldsLineBreak(std::string_view(text));
}

template <typename T>
T Failed(DWORD error, T value) {
  SetLastError(error);
  return value;
}

WIN32_FIND_DATAA FindRecordOf(const ListedEntry& entry) {
  WIN32_FIND_DATAA record{};
  record.dwFileAttributes = entry.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  // A file whose size the server did not tell (a link it could not size, a size past 64 bits)
  // is marked as Windows marks a link, which the pane shows without a size; a link is tagged so.
  // Any other link is what it points to.
  if (!entry.folder && !entry.sizeKnown) {
    record.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (entry.link) record.dwReserved0 = IO_REPARSE_TAG_SYMLINK;
  }
  record.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  record.nFileSizeLow = static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
  record.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(entry.modified & 0xFFFFFFFFu);
  record.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(entry.modified >> 32);
  // A longer name (FoundName gives it whole) is cut where no UTF-8 character is split.
  const size_t length = Utf8CutLength(entry.name, sizeof record.cFileName - 1);
  std::memcpy(record.cFileName, entry.name.data(), length);
  return record;
}

class OwnClient : public FtpClient {
 public:
  HINTERNET OpenSession(const char*) override {
    if (!WinsockReady()) return Failed<HINTERNET>(ERROR_INTERNET_INTERNAL_ERROR, nullptr);
    return handles_.Add(std::make_unique<SessionObject>());
  }

  void SetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) override {
    auto* session = handles_.Get<SessionObject>(handle, HandleObject::kSession);
    if (session != nullptr) session->callback = callback;
  }

  HINTERNET Connect(HINTERNET handle, const char* host, INTERNET_PORT port, const char* user,
                    const char* password, DWORD_PTR context) override {
    lastCertificate = ServerCertificate();
    auto* session = handles_.Get<SessionObject>(handle, HandleObject::kSession);
    if (session == nullptr) return Failed<HINTERNET>(ERROR_INVALID_HANDLE, nullptr);
    // A line break would end the command early and start one of the text's choosing.
    if (host == nullptr || BreaksCommand(host) || BreaksCommand(user) || BreaksCommand(password) ||
        (user == nullptr && password != nullptr)) {
      return Failed<HINTERNET>(ERROR_INVALID_PARAMETER, nullptr);
    }
    const HINTERNET self = handles_.Next();
    auto object = std::make_unique<ConnectionObject>(
        ProgressReporter(self, session->callback, context), waitMs);
    object->parent = handle;
    OwnConnection& connection = object->connection;
    handles_.Add(std::move(object));
    const INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(self), 0};
    connection.Progress().Report(INTERNET_STATUS_HANDLE_CREATED, &created, sizeof created);
    const DWORD error = connection.Open(host, port, user, password);
    lastResponse = connection.LastReply();
    lastCertificate = connection.RejectedCertificate();
    if (error != ERROR_SUCCESS) {
      handles_.Remove(self);
      return Failed<HINTERNET>(error, nullptr);
    }
    return self;
  }

  HINTERNET FindFirst(HINTERNET handle, const char* pattern, WIN32_FIND_DATAA* entry, DWORD,
                      DWORD_PTR context) override {
    ConnectionObject* object = Ready(handle);
    if (object == nullptr) return nullptr;
    if (entry == nullptr) return Failed<HINTERNET>(ERROR_INVALID_PARAMETER, nullptr);
    const std::string text = pattern != nullptr ? pattern : "*.*";
    if (HoldsLineBreak(text)) return Failed<HINTERNET>(ERROR_INVALID_NAME, nullptr);
    const size_t slash = text.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    const std::string wildcard = slash == std::string::npos ? text : text.substr(slash + 1);
    OwnConnection& connection = object->connection;
    const bool parentFirst = ListsParentFirst(folder, connection.LoginFolder());
    DWORD error = connection.BeginListing(folder, wildcard, parentFirst);
    ListedEntry first;
    if (error == ERROR_SUCCESS) error = connection.NextListed(first);
    lastResponse = connection.LastReply();
    DWORD failure = ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
      connection.EndListing();
      // A folder that cannot be listed still has its way up: without it the pane, empty, would
      // hold the user in a path that a refresh or a reconnect only tries again.
      if (!parentFirst || !MatchesPattern("..", wildcard)) return Failed<HINTERNET>(error, nullptr);
      failure = error;
      first = ListedEntry{"..", true, 0, 0};
    }
    *entry = FindRecordOf(first);
    auto find = std::make_unique<FindObject>();
    find->parent = handle;
    find->lastName = std::move(first.name);
    find->failure = failure;
    const HINTERNET self = handles_.Add(std::move(find));
    if (failure == ERROR_SUCCESS) object->openFind = self;
    const INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(self), 0};
    if (context != 0) {
      object->connection.Progress().Report(INTERNET_STATUS_HANDLE_CREATED, &created,
                                           sizeof created);
    }
    SetLastError(ERROR_SUCCESS);
    return self;
  }

  bool FindNext(HINTERNET handle, WIN32_FIND_DATAA* entry) override {
    auto* find = handles_.Get<FindObject>(handle, HandleObject::kFind);
    if (find == nullptr) return Failed(ERROR_INVALID_HANDLE, false);
    if (entry == nullptr) return Failed(ERROR_INVALID_PARAMETER, false);
    if (find->failure != ERROR_SUCCESS) return Failed(find->failure, false);
    auto* owner = handles_.Get<ConnectionObject>(find->parent, HandleObject::kConnection);
    if (owner == nullptr) return Failed(ERROR_NO_MORE_FILES, false);
    ListedEntry next;
    const DWORD error = owner->connection.NextListed(next);
    lastResponse = owner->connection.LastReply();
    if (error != ERROR_SUCCESS) return Failed(error, false);
    *entry = FindRecordOf(next);
    find->lastName = std::move(next.name);
    return true;
  }

  std::string FoundName(HINTERNET handle, const WIN32_FIND_DATAA& entry) override {
    auto* find = handles_.Get<FindObject>(handle, HandleObject::kFind);
    if (find == nullptr) {
      return std::string(entry.cFileName, strnlen(entry.cFileName, sizeof entry.cFileName));
    }
    return find->lastName;
  }

  size_t UnreadLines(HINTERNET handle) override {
    auto* find = handles_.Get<FindObject>(handle, HandleObject::kFind);
    if (find == nullptr) return 0;
    auto* owner = handles_.Get<ConnectionObject>(find->parent, HandleObject::kConnection);
    if (owner == nullptr || owner->openFind != handle) return 0;
    return owner->connection.UnreadListingLines();
  }

  bool GetFile(HINTERNET handle, const char* remote, const char* local, bool failIfExists,
               DWORD attributes, DWORD, DWORD_PTR) override {
    ConnectionObject* object = Operable(handle, remote, local);
    if (object == nullptr) return false;
    return Finish(object, object->connection.Get(remote, local, failIfExists, attributes));
  }

  bool PutFile(HINTERNET handle, const char* local, const char* remote, DWORD, DWORD_PTR) override {
    ConnectionObject* object = Operable(handle, remote, local);
    if (object == nullptr) return false;
    return Finish(object, object->connection.Put(local, remote));
  }

  bool RemoveFile(HINTERNET handle, const char* remote) override {
    ConnectionObject* object = Operable(handle, remote, "");
    if (object == nullptr) return false;
    return Finish(object, object->connection.Remove(remote));
  }

  bool MakeFolder(HINTERNET handle, const char* remote) override {
    ConnectionObject* object = Operable(handle, remote, "");
    if (object == nullptr) return false;
    return Finish(object, object->connection.MakeFolder(remote));
  }

  void Close(HINTERNET handle) override {
    HandleObject* object = handles_.Any(handle);
    if (object == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return;
    }
    // Closing a handle closes what was opened under it, as WinInet does.
    for (HINTERNET child : handles_.Children(handle)) Close(child);
    if (object->kind == HandleObject::kFind) {
      auto* owner = handles_.Get<ConnectionObject>(object->parent, HandleObject::kConnection);
      if (owner != nullptr) {
        if (owner->openFind == handle) {
          owner->openFind = nullptr;
          owner->connection.EndListing();
        }
        owner->connection.Progress().Report(INTERNET_STATUS_HANDLE_CLOSING, &handle, sizeof handle);
      }
    } else if (object->kind == HandleObject::kConnection) {
      auto* connection = static_cast<ConnectionObject*>(object);
      connection->connection.Quit();
      connection->connection.Progress().Report(INTERNET_STATUS_HANDLE_CLOSING, &handle,
                                               sizeof handle);
    }
    handles_.Remove(handle);
    SetLastError(ERROR_SUCCESS);
  }

  std::string LastResponse() override { return lastResponse; }

 private:
  // The connection for an operation: a live one with no find open on it.
  ConnectionObject* Ready(HINTERNET handle) {
    auto* object = handles_.Get<ConnectionObject>(handle, HandleObject::kConnection);
    if (object == nullptr) return Failed<ConnectionObject*>(ERROR_INVALID_HANDLE, nullptr);
    if (object->openFind != nullptr) {
      return Failed<ConnectionObject*>(ERROR_FTP_TRANSFER_IN_PROGRESS, nullptr);
    }
    if (!object->connection.IsOpen()) {
      return Failed<ConnectionObject*>(ERROR_INTERNET_CONNECTION_ABORTED, nullptr);
    }
    return object;
  }

  // As Ready, with a remote name that may go into a command and a local one.
  ConnectionObject* Operable(HINTERNET handle, const char* remote, const char* local) {
    ConnectionObject* object = Ready(handle);
    if (object == nullptr) return nullptr;
    if (remote == nullptr || local == nullptr) {
      return Failed<ConnectionObject*>(ERROR_INVALID_PARAMETER, nullptr);
    }
    if (BreaksCommand(remote)) return Failed<ConnectionObject*>(ERROR_INVALID_NAME, nullptr);
    return object;
  }

  static bool Finish(ConnectionObject* object, DWORD error) {
    lastResponse = object->connection.LastReply();
    SetLastError(error);
    return error == ERROR_SUCCESS;
  }

  HandleTable handles_;
};

}  // namespace

bool ListsParentFirst(const std::string& folder, const std::string& loginFolder) {
  if (folder.empty()) return false;
  return folder != "/" || (!loginFolder.empty() && loginFolder != "/");
}

void SetOwnClientTimeout(DWORD milliseconds) { waitMs = milliseconds; }
ServerCertificate LastCertificate() { return lastCertificate; }
void TrustCertificate(const std::string& sha256) { TrustFingerprint(sha256); }

FtpClient& OwnFtpClient() {
  static OwnClient client;
  return client;
}
