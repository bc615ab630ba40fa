#include "app/ftp/own/tls.h"

#include <wininet.h>

#include <cstring>

namespace {

constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_USE_SUPPLIED_CREDS | ISC_REQ_MANUAL_CRED_VALIDATION;

// A transfer reads at least this much at a time: with 16 KiB reads (one record each) Wine moves
// about half as many bytes a second. The room beyond it holds the record a read cut in two.
constexpr size_t kReadSize = 256 * 1024;
constexpr size_t kRecordRoom = 32 * 1024;
// A handshake whose messages do not fit in this is not a server's.
constexpr size_t kMostBuffered = 1024 * 1024;
// Records encrypted into one send: each send is a round trip to Wine's server process.
constexpr size_t kRecordsPerSend = 16;
// The first byte of a TLS alert record: Wine's Schannel decrypts the peer's close_notify to an
// empty SEC_E_OK (Windows says SEC_I_CONTEXT_EXPIRED).
constexpr char kAlertRecord = 0x15;
constexpr char kChangeCipherSpecRecord = 0x14;
constexpr char kHandshakeRecord = 0x16;

SECURITY_STATUS Initialize(CredHandle* credentials, CtxtHandle* context, const std::string& target,
                           SecBufferDesc* input, CtxtHandle* newContext, SecBufferDesc* output) {
  ULONG attributes = 0;
  TimeStamp expiry{};
  return InitializeSecurityContextA(credentials, context, const_cast<SEC_CHAR*>(target.c_str()),
                                    kContextFlags, 0, 0, input, 0, newContext, output, &attributes,
                                    &expiry);
}

}  // namespace

std::shared_ptr<TlsCredentials> TlsCredentials::Acquire() {
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  // The program checks the certificate itself (Wine's automatic check accepts any), and offers
  // no client certificate of the user's.
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  std::shared_ptr<TlsCredentials> credentials(new TlsCredentials());
  TimeStamp expiry{};
  if (AcquireCredentialsHandleA(nullptr, const_cast<SEC_CHAR*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                nullptr, &settings, nullptr, nullptr, &credentials->handle_,
                                &expiry) != SEC_E_OK) {
    return nullptr;
  }
  return credentials;
}

TlsCredentials::~TlsCredentials() { FreeCredentialsHandle(&handle_); }

TlsStream::TlsStream(std::unique_ptr<ByteStream> inner, std::shared_ptr<TlsCredentials> credentials,
                     const std::string& target)
    : inner_(std::move(inner)),
      credentials_(std::move(credentials)),
      target_(target),
      incoming_(kReadSize + kRecordRoom) {}

TlsStream::~TlsStream() {
  if (haveContext_) DeleteSecurityContext(&context_);
}

DWORD TlsStream::Fail(DWORD error) {
  failed_ = true;
  return error;
}

void TlsStream::KeepUnused(size_t unused) { encryptedStart_ = filled_ - unused; }

// Reads more after the encrypted bytes not yet used (the plaintext must be used up).
DWORD TlsStream::Fill(Read how, Deadline deadline) {
  const size_t kept = filled_ - encryptedStart_;
  if (encryptedStart_ > 0) {
    std::memmove(incoming_.data(), incoming_.data() + encryptedStart_, kept);
    filled_ = kept;
    encryptedStart_ = 0;
  }
  plainStart_ = 0;
  if (filled_ == incoming_.size()) {
    if (incoming_.size() * 2 > kMostBuffered) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
    incoming_.resize(incoming_.size() * 2);
  }
  size_t got = 0;
  char* at = incoming_.data() + filled_;
  const size_t room = incoming_.size() - filled_;
  const DWORD error = how == Read::kData ? inner_->ReceiveData(at, room, got)
                                         : inner_->Receive(at, room, got, deadline);
  if (error == ERROR_INTERNET_TIMEOUT && how == Read::kWait) return error;
  if (error != ERROR_SUCCESS) return Fail(error);
  if (got == 0) {
    // The end of TCP without close_notify. What came before it is kept: many FTP servers never
    // send one, and the reply on the (protected) control connection says whether all arrived.
    if (filled_ != 0) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    ended_ = true;
    return ERROR_SUCCESS;
  }
  filled_ += got;
  return ERROR_SUCCESS;
}

DWORD TlsStream::SendToken(SecBuffer& token, Deadline deadline) {
  DWORD error = ERROR_SUCCESS;
  if (token.pvBuffer != nullptr) {
    if (token.cbBuffer > 0)
      error = inner_->Send(static_cast<const char*>(token.pvBuffer), token.cbBuffer, deadline);
    FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
  }
  return error;
}

DWORD TlsStream::Handshake(Deadline deadline) {
  if (credentials_ == nullptr || inner_ == nullptr) {
    return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  }
  SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
  const SECURITY_STATUS status =
      Initialize(credentials_->Handle(), nullptr, target_, nullptr, &context_, &outDesc);
  if (status != SEC_I_CONTINUE_NEEDED) {
    SendToken(out, deadline);
    return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  }
  haveContext_ = true;
  const DWORD error = SendToken(out, deadline);
  if (error != ERROR_SUCCESS) return Fail(error);
  return Continue(deadline);
}

DWORD TlsStream::Continue(Deadline deadline) {
  bool read = encryptedStart_ == filled_;
  for (;;) {
    if (read) {
      const DWORD error = Fill(Read::kWait, deadline);
      if (error != ERROR_SUCCESS) return Fail(error);
      if (ended_) return Fail(ERROR_INTERNET_CONNECTION_ABORTED);
    }
    // Every record of a server's handshake is a handshake, ChangeCipherSpec or alert record: a
    // server that answers in clear text (a listing after PROT P) is told apart at once, rather
    // than read on until it stops.
    if (filled_ > encryptedStart_ && (incoming_[encryptedStart_] < kChangeCipherSpecRecord ||
                                      incoming_[encryptedStart_] > kHandshakeRecord)) {
      return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
    }
    SecBuffer in[2] = {{static_cast<ULONG>(filled_ - encryptedStart_), SECBUFFER_TOKEN,
                        incoming_.data() + encryptedStart_},
                       {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
    SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
    const SECURITY_STATUS status =
        Initialize(credentials_->Handle(), &context_, target_, &inDesc, nullptr, &outDesc);
    if (status == SEC_E_INCOMPLETE_MESSAGE) {
      read = true;
      continue;
    }
    // Sent on a failure too: it is the alert that tells the server why.
    const DWORD sent = SendToken(out, deadline);
    if (FAILED(status)) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
    if (sent != ERROR_SUCCESS) return Fail(sent);
    // What follows the handshake's last message may already be the first record.
    KeepUnused(in[1].BufferType == SECBUFFER_EXTRA ? in[1].cbBuffer : 0);
    if (status == SEC_E_OK) break;
    // The server asked for a client certificate: go on without one.
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
      read = false;
      continue;
    }
    if (status != SEC_I_CONTINUE_NEEDED) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
    read = encryptedStart_ == filled_;
  }
  if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
      sizes_.cbMaximumMessage == 0) {
    return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  }
  outgoing_.resize((sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer) *
                   kRecordsPerSend);
  established_ = true;
  return ERROR_SUCCESS;
}

CertificatePtr TlsStream::PeerCertificate() const {
  PCCERT_CONTEXT certificate = nullptr;
  if (!haveContext_ ||
      QueryContextAttributesA(const_cast<CtxtHandle*>(&context_), SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                              &certificate) != SEC_E_OK) {
    return nullptr;
  }
  return CertificatePtr(certificate);
}

DWORD TlsStream::Send(const char* data, size_t size, Deadline deadline) {
  if (!established_ || failed_ || finished_) return ERROR_INTERNET_CONNECTION_ABORTED;
  const size_t recordSpace = sizes_.cbHeader + sizes_.cbMaximumMessage + sizes_.cbTrailer;
  size_t done = 0;
  while (done < size) {
    size_t used = 0;
    while (done < size && used + recordSpace <= outgoing_.size()) {
      const size_t piece =
          size - done < sizes_.cbMaximumMessage ? size - done : sizes_.cbMaximumMessage;
      char* at = outgoing_.data() + used;
      std::memcpy(at + sizes_.cbHeader, data + done, piece);
      SecBuffer parts[4] = {
          {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, at},
          {static_cast<ULONG>(piece), SECBUFFER_DATA, at + sizes_.cbHeader},
          {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, at + sizes_.cbHeader + piece},
          {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc desc = {SECBUFFER_VERSION, 4, parts};
      if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) {
        return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
      }
      used += parts[0].cbBuffer + parts[1].cbBuffer + parts[2].cbBuffer;
      done += piece;
    }
    const DWORD error = inner_->Send(outgoing_.data(), used, deadline);
    if (error != ERROR_SUCCESS) return Fail(error);
  }
  return ERROR_SUCCESS;
}

DWORD TlsStream::DecryptNext(bool& more) {
  more = false;
  if (encryptedStart_ == filled_) {
    more = true;
    return ERROR_SUCCESS;
  }
  char* record = incoming_.data() + encryptedStart_;
  const char kind = record[0];
  SecBuffer parts[4] = {{static_cast<ULONG>(filled_ - encryptedStart_), SECBUFFER_DATA, record},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr},
                        {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc desc = {SECBUFFER_VERSION, 4, parts};
  const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
  if (status == SEC_E_INCOMPLETE_MESSAGE) {
    more = true;
    return ERROR_SUCCESS;
  }
  if (status == SEC_I_CONTEXT_EXPIRED) {
    ended_ = true;
    return ERROR_SUCCESS;
  }
  // SEC_I_RENEGOTIATE among them: a server that renegotiates in the middle of an FTP session
  // is not followed (TLS 1.2 through SCHANNEL_CRED has no post-handshake messages).
  if (status != SEC_E_OK) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  size_t unused = 0;
  for (const SecBuffer& part : parts) {
    if (part.BufferType == SECBUFFER_DATA && part.pvBuffer != nullptr) {
      plainStart_ = static_cast<size_t>(static_cast<char*>(part.pvBuffer) - incoming_.data());
      plainSize_ = part.cbBuffer;
    } else if (part.BufferType == SECBUFFER_EXTRA) {
      unused = part.cbBuffer;
    }
  }
  KeepUnused(unused);
  if (plainSize_ == 0 && kind == kAlertRecord) ended_ = true;
  return ERROR_SUCCESS;
}

DWORD TlsStream::ReceiveWith(Read how, char* buffer, size_t size, size_t& got, Deadline deadline) {
  got = 0;
  if (!established_ || failed_) return ERROR_INTERNET_CONNECTION_ABORTED;
  while (got < size) {
    if (plainSize_ > 0) {
      const size_t n = size - got < plainSize_ ? size - got : plainSize_;
      std::memcpy(buffer + got, incoming_.data() + plainStart_, n);
      plainStart_ += n;
      plainSize_ -= n;
      got += n;
      continue;
    }
    if (ended_) break;
    bool more = false;
    const DWORD error = DecryptNext(more);
    if (error != ERROR_SUCCESS) return error;
    if (!more) continue;
    // Only what has arrived is handed out: a read waits only when nothing is here yet.
    if (got > 0) break;
    const DWORD readError = Fill(how, deadline);
    if (readError != ERROR_SUCCESS) return readError;
  }
  return ERROR_SUCCESS;
}

DWORD TlsStream::Receive(char* buffer, size_t size, size_t& got, Deadline deadline) {
  return ReceiveWith(Read::kWait, buffer, size, got, deadline);
}

DWORD TlsStream::ReceiveData(char* buffer, size_t size, size_t& got) {
  return ReceiveWith(Read::kData, buffer, size, got, Deadline::After(0));
}

DWORD TlsStream::Finish(Deadline deadline) {
  if (!established_ || failed_ || finished_) return ERROR_INTERNET_CONNECTION_ABORTED;
  finished_ = true;
  DWORD kind = SCHANNEL_SHUTDOWN;
  SecBuffer control = {sizeof kind, SECBUFFER_TOKEN, &kind};
  SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, &control};
  if (FAILED(ApplyControlToken(&context_, &controlDesc))) {
    return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  }
  SecBuffer out = {0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, &out};
  const SECURITY_STATUS status =
      Initialize(credentials_->Handle(), &context_, target_, nullptr, nullptr, &outDesc);
  const DWORD sent = SendToken(out, deadline);
  if (FAILED(status)) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  if (sent != ERROR_SUCCESS) return Fail(sent);
  return inner_->Finish(deadline);
}

void TlsStream::Close() {
  if (inner_ != nullptr) inner_->Close();
}
