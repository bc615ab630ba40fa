#include "app/ftp/own/data_channel.h"

#include <wininet.h>

#include <algorithm>
#include <vector>

#include "winobj/scoped.h"

namespace {

// Under Wine every send, receive, ReadFile and WriteFile has a fixed cost of about 0.1 to
// 0.2 ms, a round trip to the server process among it: few, large ones. A file moves a
// progress step at a time (pieces of 64 KiB took three times as long as 1 MiB to send, 4 MiB
// gained nothing more), so each piece is one report of a whole step. A listing, opened for
// every folder shown and mostly small, keeps a smaller buffer.
constexpr size_t kFileBufferSize = kProgressStep;
constexpr size_t kListingBufferSize = 256 * 1024;
// An upload's view of its file: 16 MiB of the 32-bit address space at a time.
constexpr uint64_t kViewBytes = 16 * 1024 * 1024;

}  // namespace

DWORD DataChannel::Connect(const SocketAddress& peer, uint16_t port, DWORD waitMs) {
  Close();
  SocketAddress target = peer;
  target.SetPort(port);
  auto tcp = std::make_unique<TcpStream>();
  const std::string text = target.Text();
  progress_.ReportText(INTERNET_STATUS_CONNECTING_TO_SERVER, text);
  const DWORD error = tcp->Connect(target, Deadline::After(waitMs), waitMs);
  if (error != ERROR_SUCCESS) return error;
  progress_.ReportText(INTERNET_STATUS_CONNECTED_TO_SERVER, text);
  stream_ = std::move(tcp);
  return ERROR_SUCCESS;
}

DWORD DataChannel::Listen(const SocketAddress& local) {
  Close();
  return listener_.Open(local);
}

DWORD DataChannel::Ready(const SocketAddress& peer, DWORD waitMs) {
  if (stream_ != nullptr)
    return stream_->IsOpen() ? ERROR_SUCCESS : ERROR_INTERNET_CONNECTION_ABORTED;
  if (!listener_.IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  auto tcp = std::make_unique<TcpStream>();
  const DWORD error = listener_.Accept(peer, Deadline::After(waitMs), waitMs, *tcp);
  if (error != ERROR_SUCCESS) return error;
  const std::string text = tcp->Peer().Text();
  progress_.ReportText(INTERNET_STATUS_CONNECTING_TO_SERVER, text);
  progress_.ReportText(INTERNET_STATUS_CONNECTED_TO_SERVER, text);
  stream_ = std::move(tcp);
  return ERROR_SUCCESS;
}

void DataChannel::Close() {
  if (stream_ != nullptr) stream_->Close();
  stream_.reset();
  listener_.Close();
}

void TransferProgress::Add(uint64_t bytes) {
  total_ += bytes;
  unreported_ += bytes;
  if (unreported_ >= kProgressStep) Flush();
}

void TransferProgress::End() { Flush(); }

void TransferProgress::Flush() {
  progress_.Report(sending_ ? INTERNET_STATUS_SENDING_REQUEST : INTERNET_STATUS_RECEIVING_RESPONSE,
                   nullptr, 0);
  progress_.ReportCount(sending_ ? INTERNET_STATUS_REQUEST_SENT : INTERNET_STATUS_RESPONSE_RECEIVED,
                        static_cast<DWORD>(unreported_));
  unreported_ = 0;
}

DWORD FlooredReceiver::Receive(char* buffer, size_t size, size_t& got) {
  const DWORD error = stream_.ReceiveData(buffer, size, got);
  if (error != ERROR_SUCCESS) return error;
  windowBytes_ += got;
  // The floor is counted in windows of one wait each: a window that ends short of it ends the
  // transfer, one that reaches it starts the next.
  if (windowBytes_ >= kDataFloorBytes) {
    window_ = Deadline::After(waitMs_);
    windowBytes_ = 0;
  } else if (got > 0 && window_.Passed()) {
    return ERROR_INTERNET_TIMEOUT;
  }
  return ERROR_SUCCESS;
}

DWORD DownloadMover::Move(ByteStream& data, bool announced, uint64_t size, uint64_t& bytes) {
  FlooredReceiver receiver(data, waitMs_);
  TransferProgress progress(progress_, false);
  std::vector<char> buffer(kFileBufferSize);
  bytes = 0;
  for (;;) {
    // Fill the buffer before writing: every WriteFile has its fixed cost. With a size announced,
    // at most one byte past it is asked for, so a server that streams on is caught at once and
    // nothing beyond the size reaches the file.
    size_t filled = 0;
    bool end = false;
    DWORD error = ERROR_SUCCESS;
    while (filled < buffer.size()) {
      size_t want = buffer.size() - filled;
      if (announced) {
        const uint64_t allowed = size - (bytes + filled) + 1;
        if (allowed < want) want = static_cast<size_t>(allowed);
      }
      size_t got = 0;
      error = receiver.Receive(buffer.data() + filled, want, got);
      if (error != ERROR_SUCCESS) break;
      if (got == 0) {
        end = true;
        break;
      }
      filled += got;
      if (announced && bytes + filled > size) {
        filled -= 1;  // the byte past the size is never written
        error = ERROR_INTERNET_CONNECTION_ABORTED;
        break;
      }
    }
    if (filled > 0) {
      DWORD written = 0;
      if (!WriteFile(file_, buffer.data(), static_cast<DWORD>(filled), &written, nullptr) ||
          written != filled) {
        const DWORD writeError = GetLastError();
        return writeError != ERROR_SUCCESS ? writeError : ERROR_WRITE_FAULT;
      }
      bytes += filled;
      progress.Add(filled);
    }
    if (error != ERROR_SUCCESS) return error;
    if (end) break;
  }
  progress.End();
  return ERROR_SUCCESS;
}

bool SendsFourSteps(uint64_t sent, uint64_t elapsedUs, DWORD waitMs) {
  // elapsed / sent * step <= wait / 32, in doubles: exact while the products stay below 2^53,
  // and no overflow for any wait.
  return sent > 0 && static_cast<double>(elapsedUs) * kProgressStep * 32 <=
                         static_cast<double>(waitMs) * 1000 * static_cast<double>(sent);
}

DWORD UploadMover::Move(ByteStream& data, bool, uint64_t, uint64_t& bytes) {
  TransferProgress progress(progress_, true);
  bytes = 0;
  DWORD error = data.SendsWithoutReading() ? SendFromViews(data, progress, bytes) : ERROR_SUCCESS;
  if (error == ERROR_SUCCESS) error = SendByReading(data, progress, bytes);
  if (error != ERROR_SUCCESS) return error;
  progress.End();
  return data.Finish(Deadline::After(waitMs_));
}

// The system copies the bytes once, from the file's cache into the socket, where reading them
// into a buffer first copies them twice and the buffer crowds the processor's cache: a 100 MB
// upload under Wine took 7 % less, in sends of 4 MiB (sends of one step gained 2 %). A view
// that cannot be made (an empty file, no address space left) leaves the rest to reading; the
// reports are the same steps reading makes.
DWORD UploadMover::SendFromViews(ByteStream& data, TransferProgress& progress, uint64_t& bytes) {
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file_, &length) || length.QuadPart <= 0) return ERROR_SUCCESS;
  const uint64_t size = static_cast<uint64_t>(length.QuadPart);
  const FileHandle mapping(CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr));
  if (!mapping.valid()) return ERROR_SUCCESS;
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  uint64_t piece = kProgressStep;
  while (bytes < size) {
    const size_t viewBytes = static_cast<size_t>(std::min<uint64_t>(kViewBytes, size - bytes));
    const char* view = static_cast<const char*>(
        MapViewOfFile(mapping.get(), FILE_MAP_READ, static_cast<DWORD>(bytes >> 32),
                      static_cast<DWORD>(bytes), viewBytes));
    if (view == nullptr) break;
    const AtScopeEnd unmap([view] { UnmapViewOfFile(view); });
    for (size_t at = 0; at < viewBytes;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(piece, viewBytes - at));
      LARGE_INTEGER start{}, end{};
      QueryPerformanceCounter(&start);
      // The socket's send time-out bounds a server that stops reading.
      const DWORD error = data.Send(view + at, n, Deadline::After(waitMs_));
      if (error != ERROR_SUCCESS) return error;
      QueryPerformanceCounter(&end);
      const uint64_t elapsedUs = static_cast<uint64_t>(end.QuadPart - start.QuadPart) * 1000000 /
                                 static_cast<uint64_t>(frequency.QuadPart);
      piece = SendsFourSteps(n, elapsedUs, waitMs_) ? 4 * kProgressStep : kProgressStep;
      for (size_t step = 0; step < n; step += kProgressStep) {
        progress.Add(std::min<uint64_t>(kProgressStep, n - step));
      }
      at += n;
      bytes += n;
    }
  }
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(bytes);
  return SetFilePointerEx(file_, position, nullptr, FILE_BEGIN) ? ERROR_SUCCESS : GetLastError();
}

DWORD UploadMover::SendByReading(ByteStream& data, TransferProgress& progress, uint64_t& bytes) {
  std::vector<char> buffer(kFileBufferSize);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file_, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return GetLastError();
    }
    if (got == 0) return ERROR_SUCCESS;
    // The socket's send time-out bounds a server that stops reading.
    const DWORD error = data.Send(buffer.data(), got, Deadline::After(waitMs_));
    if (error != ERROR_SUCCESS) return error;
    bytes += got;
    progress.Add(got);
  }
}

ListingPuller::ListingPuller(ByteStream& data, const ProgressReporter& progress, DWORD waitMs)
    : receiver_(data, waitMs), progress_(progress, false), buffer_(kListingBufferSize) {}
