// The data connection of one transfer, and what moves over it: the file of a download or an
// upload, or the lines of a listing. Every byte count the server announced is held to; a data
// connection that moves less than a floor in any wait fails; progress goes to the status
// callback once per MiB and once at the end.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/ftp/ftp_listing.h"
#include "app/ftp/own/control_channel.h"
#include "app/ftp/own/transport.h"

// The least a data connection moves in every wait (30 s) before it is given up: about 1 KiB/s.
// The slowest links still in use (GPRS, a modem at 9,600 bit/s) move that in a few seconds; a
// server that drips a little less than a floor per wait (1,100 bytes every 25 s passed one of
// 1 KiB) would hold the program for hours over a file of a few MB.
constexpr uint64_t kDataFloorBytes = 32 * 1024;
// Progress is reported once per this many bytes moved.
constexpr uint64_t kProgressStep = 1024 * 1024;

class DataChannel {
 public:
  explicit DataChannel(const ProgressReporter& progress) : progress_(progress) {}
  // Passive: connects to the control connection's peer at `port`.
  DWORD Connect(const SocketAddress& peer, uint16_t port, DWORD waitMs);
  // Active: a listener beside the control connection's local address.
  DWORD Listen(const SocketAddress& local);
  const SocketAddress& ListenAddress() const { return listener_.Address(); }
  // The stream, once the server has connected (active mode: from the peer's host only).
  DWORD Ready(const SocketAddress& peer, DWORD waitMs);
  ByteStream& Stream() { return *stream_; }
  // A wrapping stream (TLS) takes the place of the TCP one.
  void Wrap(std::unique_ptr<ByteStream> stream) { stream_ = std::move(stream); }
  std::unique_ptr<ByteStream> Unwrap() { return std::move(stream_); }
  void Close();

 private:
  void ReportConnected(const SocketAddress& address) const;

  ProgressReporter progress_;
  Listener listener_;
  std::unique_ptr<ByteStream> stream_;
};

// Counts the bytes moved and reports them: 40/41 (received) or 30/31 (sent) once per MiB and
// once at the end, so the totals count the file's bytes without a log line per piece.
class TransferProgress {
 public:
  TransferProgress(const ProgressReporter& progress, bool sending)
      : progress_(progress), sending_(sending) {}
  void Add(uint64_t bytes);
  void End();
  uint64_t Total() const { return total_; }

 private:
  void Flush();

  ProgressReporter progress_;
  bool sending_;
  uint64_t total_ = 0;
  uint64_t unreported_ = 0;
};

// Receives the bytes of a transfer and holds the floor: less than kDataFloorBytes in a wait
// fails with ERROR_INTERNET_TIMEOUT.
class FlooredReceiver {
 public:
  FlooredReceiver(ByteStream& stream, DWORD waitMs)
      : stream_(stream), waitMs_(waitMs), window_(Deadline::After(waitMs)) {}
  // `got` 0: the end of the data.
  DWORD Receive(char* buffer, size_t size, size_t& got);

 private:
  ByteStream& stream_;
  DWORD waitMs_;
  Deadline window_;
  uint64_t windowBytes_ = 0;
};

// What one file transfer does with its data connection: the file is open (its owner closes
// it), `bytes` is what moved, also on a failure.
class DataMover {
 public:
  DataMover(HANDLE file, const ProgressReporter& progress, DWORD waitMs)
      : file_(file), progress_(progress), waitMs_(waitMs) {}
  virtual ~DataMover() = default;
  // `announced`: the server said the file has `size` bytes; more is refused as it arrives.
  virtual DWORD Move(ByteStream& data, bool announced, uint64_t size, uint64_t& bytes) = 0;

 protected:
  HANDLE file_;
  ProgressReporter progress_;
  DWORD waitMs_;
};

// Writes what arrives into the file.
class DownloadMover : public DataMover {
 public:
  using DataMover::DataMover;
  DWORD Move(ByteStream& data, bool announced, uint64_t size, uint64_t& bytes) override;
};

// Whether the next send from a view of the file may take four progress steps instead of one:
// when the last send (`sent` bytes in `elapsedUs` microseconds) moved a step in under a 32nd of
// the wait, so that four still leave within an eighth of the socket's time-out.
bool SendsFourSteps(uint64_t sent, uint64_t elapsedUs, DWORD waitMs);

// Sends the file whole, then ends the data. Over a stream that sends without reading, the file
// goes from views of it as far as it reached when the transfer began, then by reading.
class UploadMover : public DataMover {
 public:
  using DataMover::DataMover;
  DWORD Move(ByteStream& data, bool announced, uint64_t size, uint64_t& bytes) override;

 private:
  DWORD SendFromViews(ByteStream& data, TransferProgress& progress, uint64_t& bytes);
  DWORD SendByReading(ByteStream& data, TransferProgress& progress, uint64_t& bytes);
};

// The data of a listing, read as the caller asks for more: each Pull receives what has arrived and
// hands its complete lines on.
class ListingPuller {
 public:
  ListingPuller(ByteStream& data, const ProgressReporter& progress, DWORD waitMs);
  // sink(std::string_view line) gets each complete line; `end` is set at the end of the data.
  template <typename Sink>
  DWORD Pull(Sink&& sink, bool& end);
  uint64_t Bytes() const { return progress_.Total(); }
  size_t DroppedLines() const { return lines_.Dropped(); }

 private:
  FlooredReceiver receiver_;
  TransferProgress progress_;
  ListingLineReader lines_;
  std::vector<char> buffer_;
};

template <typename Sink>
DWORD ListingPuller::Pull(Sink&& sink, bool& end) {
  end = false;
  size_t got = 0;
  const DWORD error = receiver_.Receive(buffer_.data(), buffer_.size(), got);
  if (error != ERROR_SUCCESS) return error;
  if (got == 0) {
    lines_.Finish(sink);
    progress_.End();
    end = true;
    return ERROR_SUCCESS;
  }
  progress_.Add(got);
  lines_.Feed(buffer_.data(), got, sink);
  return ERROR_SUCCESS;
}
