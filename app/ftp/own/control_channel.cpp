#include "app/ftp/own/control_channel.h"

#include "app/ftp/ftp_text.h"

namespace {

constexpr size_t kControlChunk = 4096;

}  // namespace

void ProgressReporter::Report(DWORD status, const void* info, DWORD length) const {
  if (callback_ != nullptr && callback_ != INTERNET_INVALID_STATUS_CALLBACK) {
    callback_(handle_, context_, status, const_cast<void*>(info), length);
  }
}

void ProgressReporter::ReportText(DWORD status, const std::string& text) const {
  Report(status, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void ProgressReporter::ReportCount(DWORD status, DWORD count) const {
  Report(status, &count, sizeof count);
}

void ControlChannel::Close() {
  if (stream_ != nullptr) stream_->Close();
}

DWORD ControlChannel::Fail(DWORD error) {
  Close();
  return error;
}

DWORD ControlChannel::SendCommand(const std::string& command, DWORD waitMs, Deadline bound) {
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  settled_ = false;
  std::string line = command + "\r\n";
  progress_.Report(INTERNET_STATUS_SENDING_REQUEST, nullptr, 0);
  const DWORD error =
      stream_->Send(line.data(), line.size(), Deadline::Sooner(Deadline::After(waitMs), bound));
  SecureZeroMemory(&line[0], line.size());
  if (error != ERROR_SUCCESS) return Fail(error);
  progress_.ReportCount(INTERNET_STATUS_REQUEST_SENT, static_cast<DWORD>(line.size()));
  return ERROR_SUCCESS;
}

DWORD ControlChannel::ReadReply(FtpReply& reply, DWORD waitMs, Deadline bound) {
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  progress_.Report(INTERNET_STATUS_RECEIVING_RESPONSE, nullptr, 0);
  // Until a byte of the reply is here, the wait counts from now; from its first byte on, the
  // whole reply has one more wait, however the server spaces its bytes.
  Deadline deadline = Deadline::Sooner(Deadline::After(waitMs), bound);
  bool started = reader_.Buffered() > 0;
  char chunk[kControlChunk];
  for (;;) {
    switch (reader_.Next(reply)) {
      case ReplyReader::Result::kReply:
        lastReply_ = std::string(WithoutLineBreak(reply.text));
        progress_.ReportCount(INTERNET_STATUS_RESPONSE_RECEIVED,
                              static_cast<DWORD>(reply.text.size()));
        return ERROR_SUCCESS;
      case ReplyReader::Result::kTooLong:
      case ReplyReader::Result::kMalformed:
        lastReply_.clear();
        return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
      case ReplyReader::Result::kNeedMore:
        break;
    }
    size_t got = 0;
    const DWORD error = stream_->Receive(chunk, sizeof chunk, got, deadline);
    if (error != ERROR_SUCCESS) return Fail(error);
    if (got == 0) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    if (!started) {
      started = true;
      deadline = Deadline::Sooner(Deadline::After(waitMs), bound);
    }
    reader_.Feed(chunk, got);
  }
}

void ControlChannel::DiscardStale() {
  char chunk[kControlChunk];
  while (IsOpen() && !settled_) {
    size_t got = 0;
    const DWORD error = stream_->Receive(chunk, sizeof chunk, got, Deadline::After(0));
    if (error == ERROR_INTERNET_TIMEOUT) break;  // nothing waiting
    if (error != ERROR_SUCCESS || got == 0) {
      Close();
      return;
    }
    reader_.Feed(chunk, got);
  }
  FtpReply stale;
  while (IsOpen()) {
    const ReplyReader::Result result = reader_.Next(stale);
    if (result == ReplyReader::Result::kNeedMore) break;
    if (result != ReplyReader::Result::kReply) Close();
  }
}
