// TLS for the own client through the system's Schannel (SSPI): credentials shared by a control
// connection and its data connections, and a TlsStream that wraps another ByteStream (the TCP
// one), makes the client handshake over it and then encrypts what is sent and decrypts what
// arrives. It checks no certificate itself (see certificate.h): it hands the peer's out.
#pragma once

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>

#include <memory>
#include <string>
#include <vector>

#include "app/ftp/own/transport.h"

// A certificate context, freed when the holder goes.
struct CertificateFree {
  void operator()(PCCERT_CONTEXT certificate) const { CertFreeCertificateContext(certificate); }
};
using CertificatePtr = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;

// One Schannel credentials handle for outgoing connections, validation left to the program.
// On Windows, a data connection made with the control connection's handle and target name
// resumes its TLS session (servers may require that); Wine's Schannel never resumes.
class TlsCredentials {
 public:
  // Null when Schannel cannot give one.
  static std::shared_ptr<TlsCredentials> Acquire();
  ~TlsCredentials();
  TlsCredentials(const TlsCredentials&) = delete;
  TlsCredentials& operator=(const TlsCredentials&) = delete;
  CredHandle* Handle() { return &handle_; }

 private:
  TlsCredentials() = default;
  CredHandle handle_{};
};

class TlsStream : public ByteStream {
 public:
  // `target`: the server's name as the user gave it (for SNI and the session cache).
  TlsStream(std::unique_ptr<ByteStream> inner, std::shared_ptr<TlsCredentials> credentials,
            const std::string& target);
  ~TlsStream() override;
  TlsStream(const TlsStream&) = delete;
  TlsStream& operator=(const TlsStream&) = delete;

  // The client's handshake within the deadline: ERROR_SUCCESS, ERROR_INTERNET_TIMEOUT, the
  // inner stream's failure, or ERROR_INTERNET_SECURITY_CHANNEL_ERROR when TLS itself fails.
  DWORD Handshake(Deadline deadline);
  // The certificate the server presented (after a handshake), or null.
  CertificatePtr PeerCertificate() const;

  DWORD Send(const char* data, size_t size, Deadline deadline) override;
  DWORD Receive(char* buffer, size_t size, size_t& got, Deadline deadline) override;
  DWORD ReceiveData(char* buffer, size_t size, size_t& got) override;
  // close_notify, then the inner stream's end: a server waits for it after an upload (vsftpd
  // answers 426 without it).
  DWORD Finish(Deadline deadline) override;
  void Close() override;
  bool IsOpen() const override { return inner_ != nullptr && inner_->IsOpen() && !failed_; }

 private:
  // kWait: the control connection's read within a deadline; kData: a transfer's.
  enum class Read { kWait, kData };
  // Reads more behind the encrypted bytes kept (the plaintext must be used up).
  DWORD Fill(Read how, Deadline deadline);
  DWORD SendToken(SecBuffer& token, Deadline deadline);
  DWORD Continue(Deadline deadline);
  // Decrypts the next record of `incoming_`; `more` when it holds no whole record.
  DWORD DecryptNext(bool& more);
  DWORD ReceiveWith(Read how, char* buffer, size_t size, size_t& got, Deadline deadline);
  DWORD Fail(DWORD error);
  void KeepUnused(size_t unused);

  std::unique_ptr<ByteStream> inner_;
  std::shared_ptr<TlsCredentials> credentials_;
  std::string target_;
  CtxtHandle context_{};
  bool haveContext_ = false;
  bool established_ = false;
  bool ended_ = false;     // the peer's close_notify (or the end of TCP) came
  bool finished_ = false;  // ours was sent
  bool failed_ = false;    // the stream cannot be trusted any more
  SecPkgContext_StreamSizes sizes_{};
  // Received bytes: [0, plainStart_) used up, then the decrypted record's plaintext
  // [plainStart_, plainStart_ + plainSize_), then encrypted bytes [encryptedStart_, filled_).
  std::vector<char> incoming_;
  size_t filled_ = 0;
  size_t plainStart_ = 0;
  size_t plainSize_ = 0;
  size_t encryptedStart_ = 0;
  std::vector<char> outgoing_;
};
