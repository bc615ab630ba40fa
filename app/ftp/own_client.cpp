// The program's own FTP client over Winsock: blocking sockets on the calling thread, every wait
// bounded, WinInet's handles, results, error codes and progress reports. The bytes a server
// sends are read by the pure readers of ftp_reply.h and ftp_listing.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "app/ftp/own_client.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ftp/ftp_client.h"
#include "app/ftp/ftp_listing.h"
#include "app/ftp/ftp_reply.h"

namespace {

DWORD waitMs = 30000;
// Under Wine every recv and WriteFile costs a server round trip: few, large ones.
constexpr size_t kDataBufferSize = 256 * 1024;
constexpr size_t kControlChunk = 4096;
// A server that does not answer QUIT must not hold up a disconnect.
constexpr DWORD kQuitWaitMs = 2000;
// Entries kept of one listing; a server that sends more is refused rather than eat the memory.
constexpr size_t kMostEntries = 500000;
constexpr INTERNET_PORT kDefaultFtpPort = 21;
constexpr char kAnonymousUser[] = "anonymous";
constexpr char kAnonymousPassword[] = "zevftp@";

std::string lastResponse;

bool WinsockReady() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

bool HoldsLineBreak(const char* text) {
  return text != nullptr && std::strpbrk(text, "\r\n") != nullptr;
}

// > 0 ready, 0 the wait ran out, < 0 a socket error.
int WaitFor(SOCKET s, bool forWriting, DWORD ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(s, &failed);
  timeval limit;
  limit.tv_sec = static_cast<long>(ms / 1000);
  limit.tv_usec = static_cast<long>((ms % 1000) * 1000);
  const int result =
      select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, &failed, &limit);
  if (result > 0 && FD_ISSET(s, &failed)) return -1;
  return result;
}

class Socket {
 public:
  Socket() = default;
  ~Socket() { Close(); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return s_; }
  bool open() const { return s_ != INVALID_SOCKET; }
  void Reset(SOCKET s) {
    Close();
    s_ = s;
  }
  void Close() {
    if (s_ != INVALID_SOCKET) closesocket(s_);
    s_ = INVALID_SOCKET;
  }

 private:
  SOCKET s_ = INVALID_SOCKET;
};

std::string AddressText(const sockaddr* address, int length) {
  char text[NI_MAXHOST] = {};
  if (getnameinfo(address, length, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0) {
    return std::string();
  }
  return text;
}

void SetPort(sockaddr_storage& address, uint16_t port) {
  if (address.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(address).sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in&>(address).sin_port = htons(port);
  }
}

uint16_t PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
}

// A TCP connection to the address within the wait; false with a Winsock error otherwise.
bool ConnectWithin(Socket& socket, const sockaddr* address, int length, DWORD ms, bool& timedOut) {
  timedOut = false;
  socket.Reset(::socket(address->sa_family, SOCK_STREAM, IPPROTO_TCP));
  if (!socket.open()) return false;
  u_long nonBlocking = 1;
  ioctlsocket(socket.get(), FIONBIO, &nonBlocking);
  if (connect(socket.get(), address, length) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
    return false;
  }
  const int ready = WaitFor(socket.get(), true, ms);
  int error = 0;
  int errorLength = sizeof error;
  getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &errorLength);
  if (ready <= 0 || error != 0) {
    timedOut = ready == 0;
    return false;
  }
  u_long blocking = 0;
  ioctlsocket(socket.get(), FIONBIO, &blocking);
  // A stalled peer must not block a send for ever either.
  const DWORD sendWait = ms;
  setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendWait),
             sizeof sendWait);
  const BOOL noDelay = TRUE;
  setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof noDelay);
  return true;
}

// Names between the program (ANSI code page) and a server that speaks UTF-8. No best-fit
// mapping: a character without an ANSI form becomes "?", which no local name may hold, so a
// look-alike file is never written or fetched.
std::string Convert(const std::string& text, UINT from, UINT to) {
  if (text.empty()) return text;
  const int wideLength =
      MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wideLength <= 0) return std::string(text.size(), '?');
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
  const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* fallback = to == CP_UTF8 ? nullptr : "?";
  const int length =
      WideCharToMultiByte(to, flags, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
  if (length <= 0) return std::string(text.size(), '?');
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(to, flags, wide.data(), wideLength, &result[0], length, fallback, nullptr);
  return result;
}

struct Object {
  enum Kind { kSession, kConnection, kFind };
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  uintptr_t parent = 0;
};

struct Session : Object {
  Session() : Object(kSession) {}
  INTERNET_STATUS_CALLBACK callback = nullptr;
};

struct Find : Object {
  Find() : Object(kFind) {}
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

class Connection : public Object {
 public:
  Connection(HINTERNET self, INTERNET_STATUS_CALLBACK callback, DWORD_PTR context)
      : Object(kConnection), self_(self), callback_(callback), context_(context) {}

  bool Open(const char* host, INTERNET_PORT port, const char* user, const char* password);
  bool List(const std::string& folder, const std::string& wildcard, std::vector<ListingEntry>& out);
  bool Get(const std::string& remote, const char* local, bool failIfExists, DWORD attributes);
  bool Put(const char* local, const std::string& remote);
  bool Simple(const std::string& verb, const std::string& path, int success);
  void Quit();

  void Report(DWORD status, const void* info, DWORD length) const {
    if (callback_ != nullptr && callback_ != INTERNET_INVALID_STATUS_CALLBACK) {
      callback_(self_, context_, status, const_cast<void*>(info), length);
    }
  }
  HINTERNET self() const { return self_; }
  INTERNET_STATUS_CALLBACK callback() const { return callback_; }
  DWORD_PTR context() const { return context_; }
  DWORD error() const { return error_; }
  bool dead() const { return !control_.open(); }

  uintptr_t openFind = 0;

 private:
  enum class Passive { kEpsv, kPasv, kNone };

  bool Fail(DWORD code) {
    error_ = code;
    return false;
  }
  // The connection cannot be trusted any more (a wait ran out, the peer went away, a reply
  // beyond reason): it is closed, so that no later command reads a stale reply.
  bool Abort(DWORD code) {
    control_.Close();
    return Fail(code);
  }
  bool FailWithReply(const FtpReply& reply) {
    (void)reply;
    return Fail(ERROR_INTERNET_EXTENDED_ERROR);
  }
  bool Send(const std::string& command);
  bool ReadReply(FtpReply& reply, DWORD ms);
  bool ReadReply(FtpReply& reply) { return ReadReply(reply, waitMs); }
  bool Command(const std::string& command, FtpReply& reply) {
    return Send(command) && ReadReply(reply);
  }
  void DiscardStale();
  bool OpenDataChannel(Socket& data, Socket& listener);
  bool ConnectData(uint16_t port, Socket& data);
  bool Listen(Socket& listener);
  bool StartTransfer(const std::string& command, Socket& data, FtpReply& reply);
  bool FinishTransfer();
  // recv into the buffer; 0 at the end of the data, -1 with error_ set.
  int ReceiveData(Socket& data, char* buffer, int size);
  std::string ToServer(const std::string& name) const {
    return utf8_ ? Convert(name, CP_ACP, CP_UTF8) : name;
  }
  std::string FromServer(const std::string& name) const {
    return utf8_ ? Convert(name, CP_UTF8, CP_ACP) : name;
  }

  HINTERNET self_;
  INTERNET_STATUS_CALLBACK callback_;
  DWORD_PTR context_;
  Socket control_;
  sockaddr_storage peer_{};
  int peerLength_ = 0;
  sockaddr_storage local_{};
  int localLength_ = 0;
  ReplyReader reader_;
  FtpFeatures features_;
  bool utf8_ = false;
  Passive passive_ = Passive::kEpsv;
  DWORD error_ = 0;
  // Sizes the last listings gave, by server path: what a download must amount to when the
  // server offers no SIZE.
  std::map<std::string, uint64_t> listedSizes_;
};

bool Connection::Send(const std::string& command) {
  if (dead()) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
  const std::string line = command + "\r\n";
  Report(INTERNET_STATUS_SENDING_REQUEST, nullptr, 0);
  size_t sent = 0;
  while (sent < line.size()) {
    const int n = send(control_.get(), line.data() + sent, static_cast<int>(line.size() - sent), 0);
    if (n <= 0) {
      return Abort(WSAGetLastError() == WSAETIMEDOUT ? ERROR_INTERNET_TIMEOUT
                                                     : ERROR_INTERNET_CONNECTION_ABORTED);
    }
    sent += static_cast<size_t>(n);
  }
  const DWORD count = static_cast<DWORD>(sent);
  Report(INTERNET_STATUS_REQUEST_SENT, &count, sizeof count);
  return true;
}

bool Connection::ReadReply(FtpReply& reply, DWORD ms) {
  if (dead()) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
  Report(INTERNET_STATUS_RECEIVING_RESPONSE, nullptr, 0);
  char chunk[kControlChunk];
  for (;;) {
    switch (reader_.Next(reply)) {
      case ReplyReader::Result::kReply: {
        lastResponse = reply.text;
        while (!lastResponse.empty() &&
               (lastResponse.back() == '\n' || lastResponse.back() == '\r')) {
          lastResponse.pop_back();
        }
        const DWORD count = static_cast<DWORD>(reply.text.size());
        Report(INTERNET_STATUS_RESPONSE_RECEIVED, &count, sizeof count);
        return true;
      }
      case ReplyReader::Result::kTooLong:
      case ReplyReader::Result::kMalformed:
        lastResponse.clear();
        return Abort(ERROR_INTERNET_CONNECTION_ABORTED);
      case ReplyReader::Result::kNeedMore:
        break;
    }
    const int ready = WaitFor(control_.get(), false, ms);
    if (ready == 0) return Abort(ERROR_INTERNET_TIMEOUT);
    const int n = ready < 0 ? -1 : recv(control_.get(), chunk, sizeof chunk, 0);
    if (n <= 0) return Abort(ERROR_INTERNET_CONNECTION_ABORTED);
    reader_.Feed(chunk, static_cast<size_t>(n));
  }
}

void Connection::DiscardStale() {
  char chunk[kControlChunk];
  while (!dead() && WaitFor(control_.get(), false, 0) > 0) {
    const int n = recv(control_.get(), chunk, sizeof chunk, 0);
    if (n <= 0) {
      control_.Close();
      return;
    }
    reader_.Feed(chunk, static_cast<size_t>(n));
  }
  FtpReply stale;
  while (!dead()) {
    const ReplyReader::Result result = reader_.Next(stale);
    if (result == ReplyReader::Result::kNeedMore) break;
    if (result != ReplyReader::Result::kReply) control_.Close();
  }
}

bool Connection::Open(const char* host, INTERNET_PORT port, const char* user,
                      const char* password) {
  const std::string hostText = host;
  Report(INTERNET_STATUS_RESOLVING_NAME, hostText.c_str(), static_cast<DWORD>(hostText.size() + 1));
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port == 0 ? kDefaultFtpPort : port);
  if (hostText.empty() || getaddrinfo(hostText.c_str(), service.c_str(), &hints, &found) != 0 ||
      found == nullptr) {
    return Fail(ERROR_INTERNET_NAME_NOT_RESOLVED);
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, &freeaddrinfo);
  const std::string first = AddressText(found->ai_addr, static_cast<int>(found->ai_addrlen));
  Report(INTERNET_STATUS_NAME_RESOLVED, first.c_str(), static_cast<DWORD>(first.size() + 1));
  bool timedOut = false;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const std::string text = AddressText(a->ai_addr, static_cast<int>(a->ai_addrlen));
    Report(INTERNET_STATUS_CONNECTING_TO_SERVER, text.c_str(), static_cast<DWORD>(text.size() + 1));
    bool thisTimedOut = false;
    if (ConnectWithin(control_, a->ai_addr, static_cast<int>(a->ai_addrlen), waitMs,
                      thisTimedOut)) {
      std::memcpy(&peer_, a->ai_addr, a->ai_addrlen);
      peerLength_ = static_cast<int>(a->ai_addrlen);
      Report(INTERNET_STATUS_CONNECTED_TO_SERVER, text.c_str(),
             static_cast<DWORD>(text.size() + 1));
      break;
    }
    timedOut = timedOut || thisTimedOut;
    control_.Close();
  }
  if (dead()) return Fail(timedOut ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CANNOT_CONNECT);
  localLength_ = sizeof local_;
  getsockname(control_.get(), reinterpret_cast<sockaddr*>(&local_), &localLength_);

  FtpReply reply;
  do {
    if (!ReadReply(reply)) return false;
  } while (reply.code / 100 == 1);  // "120 ready in a minute" comes before the greeting
  if (reply.code != 220) return FailWithReply(reply);

  const std::string userName = user != nullptr ? user : kAnonymousUser;
  const std::string secret =
      password != nullptr ? password : (user == nullptr ? kAnonymousPassword : "");
  if (!Command("USER " + userName, reply)) return false;
  if (reply.code == 331 || reply.code == 332) {
    if (!Command("PASS " + secret, reply)) return false;
  }
  if (reply.code != 230 && reply.code != 202) return Fail(ERROR_INTERNET_LOGIN_FAILURE);

  if (!Command("FEAT", reply)) return false;
  features_ = ParseFeatures(reply);
  if (features_.utf8) {
    if (!Command("OPTS UTF8 ON", reply)) return false;
    // Servers that list UTF8 speak it whether or not they accept the option (RFC 2640).
    utf8_ = true;
  }
  if (!Command("TYPE I", reply)) return false;
  if (reply.code != 200) return FailWithReply(reply);
  return true;
}

bool Connection::ConnectData(uint16_t port, Socket& data) {
  // The address in a PASV reply is the server's word for where to go: it may name another
  // host (FTP bounce) or a private address. The data goes to the peer we already talk to.
  sockaddr_storage target = peer_;
  SetPort(target, port);
  bool timedOut = false;
  if (!ConnectWithin(data, reinterpret_cast<sockaddr*>(&target), peerLength_, waitMs, timedOut)) {
    data.Close();
    return Fail(timedOut ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CANNOT_CONNECT);
  }
  return true;
}

bool Connection::Listen(Socket& listener) {
  sockaddr_storage here = local_;
  SetPort(here, 0);
  listener.Reset(socket(here.ss_family, SOCK_STREAM, IPPROTO_TCP));
  int length = localLength_;
  if (!listener.open() || bind(listener.get(), reinterpret_cast<sockaddr*>(&here), length) != 0 ||
      listen(listener.get(), 1) != 0 ||
      getsockname(listener.get(), reinterpret_cast<sockaddr*>(&here), &length) != 0) {
    listener.Close();
    return Fail(ERROR_INTERNET_CANNOT_CONNECT);
  }
  const uint16_t port = PortOf(here);
  const std::string address = AddressText(reinterpret_cast<sockaddr*>(&here), length);
  FtpReply reply;
  const char family = here.ss_family == AF_INET6 ? '2' : '1';
  if (!Command(std::string("EPRT |") + family + "|" + address + "|" + std::to_string(port) + "|",
               reply)) {
    return false;
  }
  if (reply.code == 200) return true;
  if (here.ss_family != AF_INET) return FailWithReply(reply);
  std::string hostPart = address;
  for (char& c : hostPart) {
    if (c == '.') c = ',';
  }
  if (!Command(
          "PORT " + hostPart + "," + std::to_string(port / 256) + "," + std::to_string(port % 256),
          reply)) {
    return false;
  }
  if (reply.code != 200) return FailWithReply(reply);
  return true;
}

bool Connection::OpenDataChannel(Socket& data, Socket& listener) {
  FtpReply reply;
  if (passive_ == Passive::kEpsv) {
    if (!Command("EPSV", reply)) return false;
    uint16_t port = 0;
    if (reply.code == 229 && ParseEpsvPort(reply.text, port)) return ConnectData(port, data);
    if (reply.code / 100 != 5 && reply.code != 229) return FailWithReply(reply);
    passive_ = Passive::kPasv;
  }
  if (passive_ == Passive::kPasv && peer_.ss_family == AF_INET) {
    if (!Command("PASV", reply)) return false;
    uint16_t port = 0;
    if (reply.code == 227 && ParsePasvPort(reply.text, port)) return ConnectData(port, data);
    if (reply.code / 100 != 5 && reply.code != 227) return FailWithReply(reply);
  }
  // Active only when the server refuses passive.
  passive_ = Passive::kNone;
  return Listen(listener);
}

bool Connection::StartTransfer(const std::string& command, Socket& data, FtpReply& reply) {
  Socket listener;
  if (!OpenDataChannel(data, listener)) return false;
  if (!Command(command, reply)) return false;
  if (reply.code / 100 != 1) {
    data.Close();
    return FailWithReply(reply);
  }
  if (listener.open()) {
    const int ready = WaitFor(listener.get(), false, waitMs);
    if (ready == 0) return Abort(ERROR_INTERNET_TIMEOUT);
    if (ready < 0) return Abort(ERROR_INTERNET_CANNOT_CONNECT);
    data.Reset(accept(listener.get(), nullptr, nullptr));
    if (!data.open()) return Abort(ERROR_INTERNET_CANNOT_CONNECT);
  }
  return true;
}

bool Connection::FinishTransfer() {
  FtpReply reply;
  if (!ReadReply(reply)) return false;
  if (reply.code != 226 && reply.code != 250) return FailWithReply(reply);
  return true;
}

int Connection::ReceiveData(Socket& data, char* buffer, int size) {
  const int ready = WaitFor(data.get(), false, waitMs);
  if (ready == 0) {
    Abort(ERROR_INTERNET_TIMEOUT);
    return -1;
  }
  const int n = ready < 0 ? -1 : recv(data.get(), buffer, size, 0);
  if (n < 0) Abort(ERROR_INTERNET_CONNECTION_ABORTED);
  return n;
}

bool Connection::List(const std::string& folder, const std::string& wildcard,
                      std::vector<ListingEntry>& out) {
  DiscardStale();
  const std::string serverFolder = ToServer(folder);
  const std::string argument = serverFolder.empty() ? std::string() : " " + serverFolder;
  Socket data;
  FtpReply reply;
  bool mlsd = features_.mlsd;
  if (mlsd && !StartTransfer("MLSD" + argument, data, reply)) {
    // A server that offers MLST but not MLSD says so with 500/502; LIST still works.
    if (dead() || (reply.code != 500 && reply.code != 502 && reply.code != 504)) return false;
    mlsd = false;
  }
  if (!mlsd && !StartTransfer("LIST" + argument, data, reply)) return false;

  std::vector<char> buffer(kDataBufferSize);
  ListingLineReader lines;
  bool tooMany = false;
  auto take = [&](std::string_view line) {
    ListingEntry entry;
    if (!(mlsd ? ParseMlsdLine(line, entry) : ParseListLine(line, entry))) return;
    if (out.size() >= kMostEntries) {
      tooMany = true;
      return;
    }
    if (listedSizes_.size() < kMostEntries && !entry.folder) {
      std::string path = serverFolder;
      if (!path.empty() && path.back() != '/') path += '/';
      listedSizes_[path + entry.name] = entry.size;
    }
    entry.name = FromServer(entry.name);
    if (entry.name.size() > kMostEntryName || !MatchesPattern(entry.name, wildcard)) return;
    out.push_back(std::move(entry));
  };
  for (;;) {
    const int n = ReceiveData(data, buffer.data(), static_cast<int>(buffer.size()));
    if (n < 0) return false;
    if (n == 0) break;
    lines.Feed(buffer.data(), static_cast<size_t>(n), take);
  }
  lines.Finish(take);
  data.Close();
  if (!FinishTransfer()) return false;
  if (tooMany) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  return true;
}

bool Connection::Get(const std::string& remote, const char* local, bool failIfExists,
                     DWORD attributes) {
  DiscardStale();
  if (dead()) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
  // The local file first: an existing file with fail-if-exists costs no traffic, and is never
  // opened for writing.
  HANDLE file = CreateFileA(local, GENERIC_WRITE, 0, nullptr,
                            failIfExists ? CREATE_NEW : CREATE_ALWAYS, attributes, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  const bool created = failIfExists || GetLastError() != ERROR_ALREADY_EXISTS;
  const std::string path = ToServer(remote);
  bool ok = false;
  uint64_t received = 0;
  bool sizeKnown = false;
  uint64_t expected = 0;
  [&] {
    FtpReply reply;
    if (features_.size) {
      if (!Command("SIZE " + path, reply)) return;
      std::string digits = reply.text.substr(reply.text.size() >= 4 ? 4 : 0);
      while (!digits.empty() && (digits.back() == '\n' || digits.back() == '\r')) {
        digits.pop_back();
      }
      if (reply.code == 213 && !digits.empty() &&
          digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 20) {
        expected = std::stoull(digits);
        sizeKnown = true;
      }
    }
    if (!sizeKnown) {
      const auto listed = listedSizes_.find(path);
      if (listed != listedSizes_.end()) {
        expected = listed->second;
        sizeKnown = true;
      }
    }
    Socket data;
    if (!StartTransfer("RETR " + path, data, reply)) return;
    std::vector<char> buffer(kDataBufferSize);
    for (;;) {
      // Fill the whole buffer before writing: every WriteFile has its fixed cost.
      size_t filled = 0;
      bool end = false;
      while (filled < buffer.size()) {
        const int n =
            ReceiveData(data, buffer.data() + filled, static_cast<int>(buffer.size() - filled));
        if (n < 0) return;
        if (n == 0) {
          end = true;
          break;
        }
        filled += static_cast<size_t>(n);
      }
      if (filled > 0) {
        DWORD written = 0;
        if (!WriteFile(file, buffer.data(), static_cast<DWORD>(filled), &written, nullptr) ||
            written != filled) {
          Abort(GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT);
          return;
        }
        received += filled;
      }
      if (end) break;
    }
    data.Close();
    if (!FinishTransfer()) return;
    // A server that ends the data early and still says 226 must not leave a cut file behind
    // as a success.
    if (sizeKnown && received != expected) {
      Fail(ERROR_INTERNET_CONNECTION_ABORTED);
      return;
    }
    ok = true;
  }();
  CloseHandle(file);
  if (!ok && created) DeleteFileA(local);
  return ok;
}

bool Connection::Put(const char* local, const std::string& remote) {
  DiscardStale();
  if (dead()) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
  HANDLE file = CreateFileA(local, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(GetLastError());
  bool ok = false;
  [&] {
    Socket data;
    FtpReply reply;
    if (!StartTransfer("STOR " + ToServer(remote), data, reply)) return;
    std::vector<char> buffer(kDataBufferSize);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
        Abort(GetLastError());
        return;
      }
      if (got == 0) break;
      DWORD sent = 0;
      while (sent < got) {
        const int n = send(data.get(), buffer.data() + sent, static_cast<int>(got - sent), 0);
        if (n <= 0) {
          Abort(WSAGetLastError() == WSAETIMEDOUT ? ERROR_INTERNET_TIMEOUT
                                                  : ERROR_INTERNET_CONNECTION_ABORTED);
          return;
        }
        sent += static_cast<DWORD>(n);
      }
    }
    // The end of the file is the end of the data connection (stream mode).
    shutdown(data.get(), SD_SEND);
    data.Close();
    ok = FinishTransfer();
  }();
  CloseHandle(file);
  return ok;
}

bool Connection::Simple(const std::string& verb, const std::string& path, int success) {
  DiscardStale();
  FtpReply reply;
  if (!Command(verb + " " + ToServer(path), reply)) return false;
  if (reply.code != success) return FailWithReply(reply);
  return true;
}

void Connection::Quit() {
  if (!dead()) {
    FtpReply reply;
    DiscardStale();
    if (Send("QUIT")) ReadReply(reply, kQuitWaitMs < waitMs ? kQuitWaitMs : waitMs);
  }
  Report(INTERNET_STATUS_CLOSING_CONNECTION, nullptr, 0);
  control_.Close();
  Report(INTERNET_STATUS_CONNECTION_CLOSED, nullptr, 0);
}

// The handles handed out: numbers never used twice, so a stale or made-up handle is found
// missing instead of pointing at freed memory.
class Handles {
 public:
  HINTERNET Add(std::unique_ptr<Object> object) {
    next_ += 4;
    objects_[next_] = std::move(object);
    return reinterpret_cast<HINTERNET>(next_);
  }
  HINTERNET Reserve() { return reinterpret_cast<HINTERNET>(next_ + 4); }
  template <typename T>
  T* Get(HINTERNET handle, Object::Kind kind) {
    const auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
    if (found == objects_.end() || found->second->kind != kind) return nullptr;
    return static_cast<T*>(found->second.get());
  }
  Object* Any(HINTERNET handle) {
    const auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
    return found == objects_.end() ? nullptr : found->second.get();
  }
  void Remove(HINTERNET handle) { objects_.erase(reinterpret_cast<uintptr_t>(handle)); }
  std::vector<HINTERNET> Children(HINTERNET parent) const {
    std::vector<HINTERNET> children;
    for (const auto& entry : objects_) {
      if (entry.second->parent == reinterpret_cast<uintptr_t>(parent)) {
        children.push_back(reinterpret_cast<HINTERNET>(entry.first));
      }
    }
    return children;
  }

 private:
  uintptr_t next_ = 0x10000;
  std::map<uintptr_t, std::unique_ptr<Object>> objects_;
};

WIN32_FIND_DATAA FindRecordOf(const ListingEntry& entry) {
  WIN32_FIND_DATAA record{};
  record.dwFileAttributes = entry.folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  record.nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  record.nFileSizeLow = static_cast<DWORD>(entry.size & 0xFFFFFFFFu);
  record.ftLastWriteTime.dwLowDateTime = static_cast<DWORD>(entry.modified & 0xFFFFFFFFu);
  record.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(entry.modified >> 32);
  const size_t length =
      entry.name.size() < sizeof record.cFileName ? entry.name.size() : sizeof record.cFileName - 1;
  std::memcpy(record.cFileName, entry.name.data(), length);
  return record;
}

class OwnClient : public FtpClient {
 public:
  HINTERNET OpenSession(const char*) override {
    if (!WinsockReady()) return Failed<HINTERNET>(ERROR_INTERNET_INTERNAL_ERROR, nullptr);
    return handles_.Add(std::make_unique<Session>());
  }

  void SetStatusCallback(HINTERNET handle, INTERNET_STATUS_CALLBACK callback) override {
    Session* session = handles_.Get<Session>(handle, Object::kSession);
    if (session != nullptr) session->callback = callback;
  }

  HINTERNET Connect(HINTERNET handle, const char* host, INTERNET_PORT port, const char* user,
                    const char* password, DWORD_PTR context) override {
    Session* session = handles_.Get<Session>(handle, Object::kSession);
    if (session == nullptr) return Failed<HINTERNET>(ERROR_INVALID_HANDLE, nullptr);
    // A line break would end the command early and start one of the text's choosing.
    if (host == nullptr || HoldsLineBreak(host) || HoldsLineBreak(user) ||
        HoldsLineBreak(password) || (user == nullptr && password != nullptr)) {
      return Failed<HINTERNET>(ERROR_INVALID_PARAMETER, nullptr);
    }
    const HINTERNET self = handles_.Reserve();
    auto owned = std::make_unique<Connection>(self, session->callback, context);
    Connection* connection = owned.get();
    connection->parent = reinterpret_cast<uintptr_t>(handle);
    handles_.Add(std::move(owned));
    const INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(self), 0};
    connection->Report(INTERNET_STATUS_HANDLE_CREATED, &created, sizeof created);
    if (!connection->Open(host, port, user, password)) {
      const DWORD error = connection->error();
      handles_.Remove(self);
      return Failed<HINTERNET>(error, nullptr);
    }
    return self;
  }

  HINTERNET FindFirst(HINTERNET handle, const char* pattern, WIN32_FIND_DATAA* entry, DWORD,
                      DWORD_PTR context) override {
    Connection* connection = Ready(handle);
    if (connection == nullptr) return nullptr;
    if (entry == nullptr) return Failed<HINTERNET>(ERROR_INVALID_PARAMETER, nullptr);
    const std::string text = pattern != nullptr ? pattern : "*.*";
    if (HoldsLineBreak(text.c_str())) return Failed<HINTERNET>(ERROR_INVALID_NAME, nullptr);
    const size_t slash = text.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    const std::string wildcard = slash == std::string::npos ? text : text.substr(slash + 1);
    std::vector<ListingEntry> listed;
    if (!connection->List(folder, wildcard, listed)) {
      return Failed<HINTERNET>(connection->error(), nullptr);
    }
    auto find = std::make_unique<Find>();
    find->parent = reinterpret_cast<uintptr_t>(handle);
    // Servers in use send no "..": every folder but the root (and the login folder, the empty
    // path) gets one, so the pane can always go up.
    if (!folder.empty() && folder != "/" && MatchesPattern("..", wildcard)) {
      ListingEntry up;
      up.name = "..";
      up.folder = true;
      find->entries.push_back(FindRecordOf(up));
    }
    for (const ListingEntry& item : listed) find->entries.push_back(FindRecordOf(item));
    if (find->entries.empty()) return Failed<HINTERNET>(ERROR_NO_MORE_FILES, nullptr);
    *entry = find->entries[0];
    find->next = 1;
    const HINTERNET self = handles_.Add(std::move(find));
    connection->openFind = reinterpret_cast<uintptr_t>(self);
    const INTERNET_ASYNC_RESULT created = {reinterpret_cast<DWORD_PTR>(self), 0};
    if (context != 0) connection->Report(INTERNET_STATUS_HANDLE_CREATED, &created, sizeof created);
    SetLastError(ERROR_SUCCESS);
    return self;
  }

  bool FindNext(HINTERNET handle, WIN32_FIND_DATAA* entry) override {
    Find* find = handles_.Get<Find>(handle, Object::kFind);
    if (find == nullptr) return Failed(ERROR_INVALID_HANDLE, false);
    if (entry == nullptr) return Failed(ERROR_INVALID_PARAMETER, false);
    if (find->next >= find->entries.size()) return Failed(ERROR_NO_MORE_FILES, false);
    *entry = find->entries[find->next++];
    return true;
  }

  bool GetFile(HINTERNET handle, const char* remote, const char* local, bool failIfExists,
               DWORD attributes, DWORD, DWORD_PTR) override {
    Connection* connection = Ready(handle);
    if (connection == nullptr) return false;
    if (remote == nullptr || local == nullptr) return Failed(ERROR_INVALID_PARAMETER, false);
    if (HoldsLineBreak(remote)) return Failed(ERROR_INVALID_NAME, false);
    return Finish(connection, connection->Get(remote, local, failIfExists, attributes));
  }

  bool PutFile(HINTERNET handle, const char* local, const char* remote, DWORD, DWORD_PTR) override {
    Connection* connection = Ready(handle);
    if (connection == nullptr) return false;
    if (remote == nullptr || local == nullptr) return Failed(ERROR_INVALID_PARAMETER, false);
    if (HoldsLineBreak(remote)) return Failed(ERROR_INVALID_NAME, false);
    return Finish(connection, connection->Put(local, remote));
  }

  bool RemoveFile(HINTERNET handle, const char* remote) override {
    return SimpleCommand(handle, "DELE", remote, 250);
  }

  bool MakeFolder(HINTERNET handle, const char* remote) override {
    return SimpleCommand(handle, "MKD", remote, 257);
  }

  void Close(HINTERNET handle) override {
    Object* object = handles_.Any(handle);
    if (object == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return;
    }
    // Closing a handle closes what was opened under it, as WinInet does.
    for (HINTERNET child : handles_.Children(handle)) Close(child);
    if (object->kind == Object::kFind) {
      Connection* connection = handles_.Get<Connection>(reinterpret_cast<HINTERNET>(object->parent),
                                                        Object::kConnection);
      if (connection != nullptr) {
        if (connection->openFind == reinterpret_cast<uintptr_t>(handle)) connection->openFind = 0;
        const HINTERNET closing = handle;
        connection->Report(INTERNET_STATUS_HANDLE_CLOSING, &closing, sizeof closing);
      }
    } else if (object->kind == Object::kConnection) {
      auto* connection = static_cast<Connection*>(object);
      connection->Quit();
      const HINTERNET closing = handle;
      connection->Report(INTERNET_STATUS_HANDLE_CLOSING, &closing, sizeof closing);
    }
    handles_.Remove(handle);
    SetLastError(ERROR_SUCCESS);
  }

  std::string LastResponse() override { return lastResponse; }

 private:
  template <typename T>
  static T Failed(DWORD error, T value) {
    SetLastError(error);
    return value;
  }

  // The connection for an operation: a live one with no find open on it.
  Connection* Ready(HINTERNET handle) {
    Connection* connection = handles_.Get<Connection>(handle, Object::kConnection);
    if (connection == nullptr) return Failed<Connection*>(ERROR_INVALID_HANDLE, nullptr);
    if (connection->openFind != 0) {
      return Failed<Connection*>(ERROR_FTP_TRANSFER_IN_PROGRESS, nullptr);
    }
    if (connection->dead()) return Failed<Connection*>(ERROR_INTERNET_CONNECTION_ABORTED, nullptr);
    return connection;
  }

  static bool Finish(Connection* connection, bool ok) {
    SetLastError(ok ? ERROR_SUCCESS : connection->error());
    return ok;
  }

  bool SimpleCommand(HINTERNET handle, const char* verb, const char* remote, int success) {
    Connection* connection = Ready(handle);
    if (connection == nullptr) return false;
    if (remote == nullptr) return Failed(ERROR_INVALID_PARAMETER, false);
    if (HoldsLineBreak(remote)) return Failed(ERROR_INVALID_NAME, false);
    return Finish(connection, connection->Simple(verb, remote, success));
  }

  Handles handles_;
};

}  // namespace

void SetOwnClientTimeout(DWORD milliseconds) { waitMs = milliseconds; }
DWORD OwnClientTimeout() { return waitMs; }

FtpClient& OwnFtpClient() {
  static OwnClient client;
  return client;
}
