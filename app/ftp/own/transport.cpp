#include "app/ftp/own/transport.h"

#include <wininet.h>

#include <cstring>

namespace {

// > 0 ready, 0 the time ran out, < 0 a socket error.
int Select(SOCKET s, bool forWriting, DWORD ms) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(s, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(s, &failed);
  timeval limit;
  limit.tv_sec = static_cast<long>(ms / 1000);
  limit.tv_usec = static_cast<long>((ms % 1000) * 1000);
  const int result =
      select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &failed, &limit);
  if (result > 0 && FD_ISSET(s, &failed)) return -1;
  return result;
}

void SetBlocking(SOCKET s, bool blocking) {
  u_long mode = blocking ? 0 : 1;
  ioctlsocket(s, FIONBIO, &mode);
}

// The largest piece one send or recv is given (the call takes an int).
constexpr size_t kMostPerCall = 1u << 30;

int Clamp(size_t size) { return static_cast<int>(size < kMostPerCall ? size : kMostPerCall); }

}  // namespace

bool WinsockReady() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

DWORD InternetCodeOfSocketError(int error) {
  switch (error) {
    case WSAETIMEDOUT:
      return ERROR_INTERNET_TIMEOUT;
    case WSAECONNREFUSED:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
    case WSAEADDRNOTAVAIL:
    case WSAEAFNOSUPPORT:
      return ERROR_INTERNET_CANNOT_CONNECT;
    default:
      return ERROR_INTERNET_CONNECTION_ABORTED;
  }
}

bool AddressList::Resolve(const std::string& host, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (host.empty() || getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
    return false;
  }
  list_.reset(found);
  return found != nullptr;
}

uint16_t SocketAddress::Port() const {
  if (storage.ss_family == AF_INET6) {
    return ntohs(reinterpret_cast<const sockaddr_in6&>(storage).sin6_port);
  }
  return ntohs(reinterpret_cast<const sockaddr_in&>(storage).sin_port);
}

void SocketAddress::SetPort(uint16_t port) {
  if (storage.ss_family == AF_INET6) {
    reinterpret_cast<sockaddr_in6&>(storage).sin6_port = htons(port);
  } else {
    reinterpret_cast<sockaddr_in&>(storage).sin_port = htons(port);
  }
}

std::string SocketAddress::Text() const {
  char text[NI_MAXHOST] = {};
  if (length <= 0 ||
      getnameinfo(get(), length, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0) {
    return std::string();
  }
  return text;
}

bool SocketAddress::SameHost(const SocketAddress& other) const {
  if (family() != other.family()) return false;
  if (family() == AF_INET6) {
    const auto& a = reinterpret_cast<const sockaddr_in6&>(storage);
    const auto& b = reinterpret_cast<const sockaddr_in6&>(other.storage);
    return std::memcmp(&a.sin6_addr, &b.sin6_addr, sizeof a.sin6_addr) == 0 &&
           a.sin6_scope_id == b.sin6_scope_id;
  }
  const auto& a = reinterpret_cast<const sockaddr_in&>(storage);
  const auto& b = reinterpret_cast<const sockaddr_in&>(other.storage);
  return a.sin_addr.s_addr == b.sin_addr.s_addr;
}

SocketAddress SocketAddress::Of(const sockaddr* address, int length) {
  SocketAddress result;
  if (length > 0 && static_cast<size_t>(length) <= sizeof result.storage) {
    std::memcpy(&result.storage, address, static_cast<size_t>(length));
    result.length = length;
  }
  return result;
}

DWORD TcpStream::Connect(const SocketAddress& address, Deadline deadline, DWORD waitMs) {
  Close();
  socket_ = ::socket(address.family(), SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) return InternetCodeOfSocketError(WSAGetLastError());
  SetBlocking(socket_, false);
  if (connect(socket_, address.get(), address.length) != 0 && WSAGetLastError() != WSAEWOULDBLOCK) {
    const int error = WSAGetLastError();
    Close();
    return error == WSAECONNREFUSED ? ERROR_INTERNET_CANNOT_CONNECT
                                    : InternetCodeOfSocketError(error);
  }
  // A failed connect is reported as an exception, so no separate question about the error.
  const int ready = WaitUntilReady(true, deadline);
  if (ready <= 0) {
    Close();
    if (ready == 0) return ERROR_INTERNET_TIMEOUT;
    // A refused or unreachable peer: WinInet says it could not connect.
    return ERROR_INTERNET_CANNOT_CONNECT;
  }
  SetBlocking(socket_, true);
  peer_ = address;
  Configure(waitMs);
  return ERROR_SUCCESS;
}

void TcpStream::Adopt(SOCKET socket, DWORD waitMs) {
  Close();
  socket_ = socket;
  SetBlocking(socket_, true);
  peer_.length = sizeof peer_.storage;
  if (getpeername(socket_, peer_.get(), &peer_.length) != 0) peer_.length = 0;
  Configure(waitMs);
}

void TcpStream::Configure(DWORD waitMs) {
  // A stalled peer blocks no send or recv for longer than the wait: each time-out is set before
  // the first call that needs it, and only then. Under Wine every socket call is a round trip
  // to the server process, and a listing's data connection, opened for every folder shown,
  // never sends. The buffer sizes are left alone: setting them would stop Linux from growing
  // them while data streams in.
  waitMs_ = waitMs;
  sendWaitSet_ = receiveWaitSet_ = false;
}

void TcpStream::SetWait(int option, bool& set) {
  if (set) return;
  set = true;
  setsockopt(socket_, SOL_SOCKET, option, reinterpret_cast<const char*>(&waitMs_), sizeof waitMs_);
}

void TcpStream::SendPromptly() {
  const BOOL noDelay = TRUE;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof noDelay);
}

SocketAddress TcpStream::Local() const {
  SocketAddress local;
  local.length = sizeof local.storage;
  if (getsockname(socket_, local.get(), &local.length) != 0) local.length = 0;
  return local;
}

int TcpStream::WaitUntilReady(bool forWriting, Deadline deadline) const {
  return Select(socket_, forWriting, deadline.Remaining());
}

DWORD TcpStream::Send(const char* data, size_t size, Deadline deadline) {
  size_t sent = 0;
  while (sent < size) {
    if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
    if (deadline.Passed()) return ERROR_INTERNET_TIMEOUT;
    // The socket's own send time-out bounds a peer that stops reading.
    SetWait(SO_SNDTIMEO, sendWaitSet_);
    const int n = send(socket_, data + sent, Clamp(size - sent), 0);
    if (n <= 0) return InternetCodeOfSocketError(WSAGetLastError());
    sent += static_cast<size_t>(n);
  }
  return ERROR_SUCCESS;
}

DWORD TcpStream::Receive(char* buffer, size_t size, size_t& got, Deadline deadline) {
  got = 0;
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  // When the socket's own time-out ends with the deadline (a wait as long as the stream's,
  // starting now), the receive waits by itself: one socket call instead of a wait and a receive.
  if (waitMs_ > 0 && deadline.Remaining() == waitMs_) return ReceiveData(buffer, size, got);
  const int ready = WaitUntilReady(false, deadline);
  if (ready == 0) return ERROR_INTERNET_TIMEOUT;
  if (ready < 0) return ERROR_INTERNET_CONNECTION_ABORTED;
  const int n = recv(socket_, buffer, Clamp(size), 0);
  if (n < 0) return InternetCodeOfSocketError(WSAGetLastError());
  got = static_cast<size_t>(n);
  return ERROR_SUCCESS;
}

DWORD TcpStream::ReceiveData(char* buffer, size_t size, size_t& got) {
  got = 0;
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  SetWait(SO_RCVTIMEO, receiveWaitSet_);
  const int n = recv(socket_, buffer, Clamp(size), 0);
  if (n < 0) return InternetCodeOfSocketError(WSAGetLastError());
  got = static_cast<size_t>(n);
  return ERROR_SUCCESS;
}

DWORD TcpStream::Finish(Deadline) {
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  // In stream mode the end of the connection is the end of the file.
  return shutdown(socket_, SD_SEND) == 0 ? ERROR_SUCCESS
                                         : InternetCodeOfSocketError(WSAGetLastError());
}

void TcpStream::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

DWORD Listener::Open(const SocketAddress& local) {
  Close();
  address_ = local;
  address_.SetPort(0);
  socket_ = ::socket(address_.family(), SOCK_STREAM, IPPROTO_TCP);
  int length = address_.length;
  if (socket_ == INVALID_SOCKET || bind(socket_, address_.get(), length) != 0 ||
      listen(socket_, 4) != 0 || getsockname(socket_, address_.get(), &length) != 0) {
    Close();
    return ERROR_INTERNET_CANNOT_CONNECT;
  }
  address_.length = length;
  return ERROR_SUCCESS;
}

DWORD Listener::Accept(const SocketAddress& peer, Deadline deadline, DWORD waitMs,
                       TcpStream& data) {
  while (IsOpen()) {
    const int ready = Select(socket_, false, deadline.Remaining());
    if (ready == 0) return ERROR_INTERNET_TIMEOUT;
    if (ready < 0) return ERROR_INTERNET_CANNOT_CONNECT;
    SocketAddress from;
    from.length = sizeof from.storage;
    const SOCKET taken = accept(socket_, from.get(), &from.length);
    if (taken == INVALID_SOCKET) return ERROR_INTERNET_CANNOT_CONNECT;
    if (!from.SameHost(peer)) {
      closesocket(taken);
      continue;
    }
    data.Adopt(taken, waitMs);
    Close();
    return ERROR_SUCCESS;
  }
  return ERROR_INTERNET_CANNOT_CONNECT;
}

void Listener::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}
