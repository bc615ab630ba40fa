// The own FTP client's transport: TCP over Winsock and nothing of FTP. A byte stream that sends
// all of a buffer and receives what has come, each within a deadline; the listener of active
// mode that takes its data connection only from the server's address; names to addresses; and
// the one map from Winsock's errors to WinInet's codes. Whatever sits above a ByteStream (the
// conversation, or TLS beneath it) does not know which stream it has.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A point in time a wait may not pass. GetTickCount counts milliseconds and wraps after 49 days:
// only differences are taken, so a deadline stays right across the wrap.
class Deadline {
 public:
  static Deadline After(DWORD milliseconds) { return Deadline(GetTickCount(), milliseconds); }
  // No bound of its own (49 days): what a wait is cut with when nothing bounds it as a whole.
  static Deadline Never() { return After(0xFFFFFFFFu); }
  // The earlier of the two (both count down alike, so the order found now holds).
  static Deadline Sooner(const Deadline& a, const Deadline& b) {
    return a.Remaining() <= b.Remaining() ? a : b;
  }
  // Milliseconds left, 0 once it has passed.
  DWORD Remaining() const {
    const DWORD spent = GetTickCount() - start_;
    return spent >= span_ ? 0 : span_ - spent;
  }
  bool Passed() const { return Remaining() == 0; }

 private:
  Deadline(DWORD start, DWORD span) : start_(start), span_(span) {}
  DWORD start_;
  DWORD span_;
};

// An open connection that moves bytes. Results are ERROR_SUCCESS or a WinInet code:
// ERROR_INTERNET_TIMEOUT when the deadline passed, ERROR_INTERNET_CONNECTION_ABORTED when the
// peer went away or the stream is closed.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Every byte of the buffer, or a failure.
  virtual DWORD Send(const char* data, size_t size, Deadline deadline) = 0;
  // What has arrived, at most `size` bytes, waiting until something has; `got` 0 means the peer
  // ended the stream.
  virtual DWORD Receive(char* buffer, size_t size, size_t& got, Deadline deadline) = 0;
  // The bytes of a transfer: returns once something has arrived, without a wait of its own
  // before each receive (under Wine every wait is a round trip to the server process). A silence
  // longer than the stream's wait fails with ERROR_INTERNET_TIMEOUT.
  virtual DWORD ReceiveData(char* buffer, size_t size, size_t& got) = 0;
  // Ends this side's sending (the peer then sees the end of the data).
  virtual DWORD Finish(Deadline deadline) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Whether Send hands the caller's bytes to the system without reading them itself, so that
  // a fault in reading them (a mapped file cut short by another program) fails the send instead
  // of raising an exception in the caller's thread.
  virtual bool SendsWithoutReading() const { return false; }
};

// The addresses of a host name for TCP, in the order the resolver gives them (IPv6 and IPv4).
class AddressList {
 public:
  // False when the name has no address.
  bool Resolve(const std::string& host, uint16_t port);
  const addrinfo* First() const { return list_.get(); }

 private:
  std::unique_ptr<addrinfo, void(WSAAPI*)(addrinfo*)> list_{nullptr, &freeaddrinfo};
};

// A socket address with its length, as Winsock takes it.
struct SocketAddress {
  sockaddr_storage storage{};
  int length = 0;

  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
  sockaddr* get() { return reinterpret_cast<sockaddr*>(&storage); }
  int family() const { return storage.ss_family; }
  uint16_t Port() const;
  void SetPort(uint16_t port);
  // The numeric text of the address without the port ("127.0.0.1", "::1").
  std::string Text() const;
  // The same host (the port is not compared).
  bool SameHost(const SocketAddress& other) const;
  static SocketAddress Of(const sockaddr* address, int length);
};

// WinSock started once for the process; false when it cannot be.
bool WinsockReady();

// The WinInet code a Winsock error stands for.
DWORD InternetCodeOfSocketError(int error);

// A TCP connection. Created closed; Connect opens it.
class TcpStream : public ByteStream {
 public:
  TcpStream() = default;
  ~TcpStream() override { Close(); }
  TcpStream(const TcpStream&) = delete;
  TcpStream& operator=(const TcpStream&) = delete;

  // Connects within the deadline: ERROR_INTERNET_TIMEOUT when it passes,
  // ERROR_INTERNET_CANNOT_CONNECT when the peer refuses. `waitMs` bounds every later silence.
  DWORD Connect(const SocketAddress& address, Deadline deadline, DWORD waitMs);
  // Takes over a connected socket (from Listener::Accept).
  void Adopt(SOCKET socket, DWORD waitMs);

  DWORD Send(const char* data, size_t size, Deadline deadline) override;
  DWORD Receive(char* buffer, size_t size, size_t& got, Deadline deadline) override;
  DWORD ReceiveData(char* buffer, size_t size, size_t& got) override;
  DWORD Finish(Deadline deadline) override;
  void Close() override;
  bool IsOpen() const override { return socket_ != INVALID_SOCKET; }
  bool SendsWithoutReading() const override { return true; }

  const SocketAddress& Peer() const { return peer_; }
  // The address this side of the connection has.
  SocketAddress Local() const;
  // Small writes (command lines) leave at once instead of waiting for the last one's
  // acknowledgement.
  void SendPromptly();

 private:
  void Configure(DWORD waitMs);
  // Sets the socket's time-out `option` to the wait, once.
  void SetWait(int option, bool& set);
  // > 0 ready, 0 the deadline passed, < 0 a socket error.
  int WaitUntilReady(bool forWriting, Deadline deadline) const;

  SOCKET socket_ = INVALID_SOCKET;
  SocketAddress peer_;
  DWORD waitMs_ = 0;  // the socket's own send and receive time-out
  bool sendWaitSet_ = false;
  bool receiveWaitSet_ = false;
};

// The listening socket of active mode: one data connection, and only from the server's host.
class Listener {
 public:
  Listener() = default;
  ~Listener() { Close(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Listens on the local address of the control connection, on a port the system picks.
  DWORD Open(const SocketAddress& local);
  const SocketAddress& Address() const { return address_; }
  bool IsOpen() const { return socket_ != INVALID_SOCKET; }
  // The first connection from `peer`'s host before the deadline. A connection from any other
  // host is closed unread: whoever is quicker than the server gets nothing in.
  DWORD Accept(const SocketAddress& peer, Deadline deadline, DWORD waitMs, TcpStream& data);
  void Close();

 private:
  SOCKET socket_ = INVALID_SOCKET;
  SocketAddress address_;
};
