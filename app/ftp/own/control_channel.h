// The control connection of the own client: it sends a command line and reads the reply to it,
// each within its wait, and reports both to the status callback as WinInet does (30/31 for a
// command, 40/41 for a reply). It knows nothing of what the commands mean.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "app/ftp/ftp_reply.h"
#include "app/ftp/own/transport.h"

// The status callback of one handle, with its context.
class ProgressReporter {
 public:
  ProgressReporter(HINTERNET handle, INTERNET_STATUS_CALLBACK callback, DWORD_PTR context)
      : handle_(handle), callback_(callback), context_(context) {}
  void Report(DWORD status, const void* info, DWORD length) const;
  // The info is the text, NUL included (10, 11, 20, 21).
  void ReportText(DWORD status, const std::string& text) const;
  // The info is a 32-bit count (31, 41).
  void ReportCount(DWORD status, DWORD count) const;
  HINTERNET handle() const { return handle_; }

 private:
  HINTERNET handle_;
  INTERNET_STATUS_CALLBACK callback_;
  DWORD_PTR context_;
};

class ControlChannel {
 public:
  explicit ControlChannel(const ProgressReporter& progress) : progress_(progress) {}

  // The stream the commands go over: the TCP connection, or later what wraps it.
  void Attach(std::unique_ptr<ByteStream> stream) { stream_ = std::move(stream); }
  ByteStream* Stream() const { return stream_.get(); }
  std::unique_ptr<ByteStream> Detach() { return std::move(stream_); }
  bool IsOpen() const { return stream_ != nullptr && stream_->IsOpen(); }
  // Bytes read past the last reply: nothing may wait there when the stream is swapped for TLS,
  // or the server would have slipped clear text in among the encrypted replies.
  bool HasUnread() const { return reader_.Buffered() > 0; }
  void Close();

  // The command and its CR LF, within the wait. The copy sent is wiped (PASS holds a password).
  DWORD SendCommand(const std::string& command, DWORD waitMs, Deadline bound = Deadline::Never());
  // The next whole reply. Its first byte must come within the wait, and the whole reply within
  // the wait from that byte on: a server that trickles or never ends a reply is not waited for.
  // No wait goes past `bound` (what is left of an operation's bound as a whole). A reply beyond
  // the reader's caps, or no reply at all, closes the connection.
  DWORD ReadReply(FtpReply& reply, DWORD waitMs, Deadline bound = Deadline::Never());
  // Replies nobody waited for (a late answer to a transfer that failed on our side) are read
  // and dropped before the next command, so that no command takes another's reply. After an
  // operation that ended as planned (Settle) only what was read with its replies is looked at.
  void DiscardStale();
  // Every reply the commands sent so far asked for has been read.
  void Settle() { settled_ = true; }

  // The last reply read on this connection, without its closing line break.
  const std::string& LastReply() const { return lastReply_; }

 private:
  DWORD Fail(DWORD error);

  ProgressReporter progress_;
  std::unique_ptr<ByteStream> stream_;
  ReplyReader reader_;
  std::string lastReply_;
  bool settled_ = false;
};
