#include "app/ftp/own/connection.h"

#include "app/ftp/ftp_listing.h"
#include "app/ftp/ftp_text.h"
#include "app/ftp/own/certificate.h"
#include "app/ftp/site_address.h"
#include "winobj/scoped.h"

namespace {

constexpr INTERNET_PORT kDefaultFtpPort = 21;
// A server that does not answer QUIT must not hold up a disconnect.
constexpr DWORD kQuitWaitMs = 2000;

}  // namespace

DWORD OwnConnection::Connect(const char* host, INTERNET_PORT port) {
  const std::string hostText = host;
  progress_.ReportText(INTERNET_STATUS_RESOLVING_NAME, hostText);
  AddressList addresses;
  if (!addresses.Resolve(hostText, port == 0 ? kDefaultFtpPort : port)) {
    return ERROR_INTERNET_NAME_NOT_RESOLVED;
  }
  const addrinfo* first = addresses.First();
  progress_.ReportText(
      INTERNET_STATUS_NAME_RESOLVED,
      SocketAddress::Of(first->ai_addr, static_cast<int>(first->ai_addrlen)).Text());
  bool timedOut = false;
  for (const addrinfo* a = first; a != nullptr; a = a->ai_next) {
    const SocketAddress address = SocketAddress::Of(a->ai_addr, static_cast<int>(a->ai_addrlen));
    const std::string text = address.Text();
    progress_.ReportText(INTERNET_STATUS_CONNECTING_TO_SERVER, text);
    auto tcp = std::make_unique<TcpStream>();
    const DWORD error = tcp->Connect(address, Within(waitMs_), waitMs_);
    if (error == ERROR_SUCCESS) {
      peer_ = address;
      local_ = tcp->Local();
      tcp->SendPromptly();
      progress_.ReportText(INTERNET_STATUS_CONNECTED_TO_SERVER, text);
      control_.Attach(std::move(tcp));
      return ERROR_SUCCESS;
    }
    timedOut = timedOut || error == ERROR_INTERNET_TIMEOUT;
  }
  return timedOut ? ERROR_INTERNET_TIMEOUT : ERROR_INTERNET_CANNOT_CONNECT;
}

DWORD OwnConnection::Open(const char* host, INTERNET_PORT port, const char* user,
                          const char* password) {
  rejected_ = ServerCertificate();
  const SiteAddress address = ParseSiteAddress(host);
  if (!address.valid) return ERROR_INTERNET_INVALID_URL;
  const uint64_t connectMs = uint64_t{kConnectWaits} * waitMs_;
  AutoReset<Deadline> bounded(
      bound_,
      Deadline::After(connectMs < 0xFFFFFFFFu ? static_cast<DWORD>(connectMs) : 0xFFFFFFFFu));
  DWORD error = ERROR_SUCCESS;
  if (address.security == FtpSecurity::kPlain) {
    error = Connect(host, port);
  } else {
    credentials_ = TlsCredentials::Acquire();
    if (credentials_ == nullptr) return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    tlsHost_ = address.host;
    error = Connect(address.host.c_str(), TlsSitePort(address, port));
    // Implicit TLS: the server's first byte is already its handshake.
    if (error == ERROR_SUCCESS && address.security == FtpSecurity::kImplicitTls) {
      error = StartControlTls();
    }
  }
  if (error != ERROR_SUCCESS) return error;
  std::string secret = password != nullptr ? password : "";
  error = Run(conversation_.Login(user == nullptr, user != nullptr ? user : "", secret,
                                  peer_.family() == AF_INET6, address.security),
              nullptr);
  // However the login ended (a time-out or a dropped connection included), no copy of the
  // password stays behind.
  WipeSecret(secret);
  conversation_.ForgetPassword();
  return error;
}

DWORD OwnConnection::StartControlTls() {
  DWORD error = control_.HasUnread() ? ERROR_INTERNET_SECURITY_CHANNEL_ERROR : ERROR_SUCCESS;
  auto tls = std::make_unique<TlsStream>(control_.Detach(), credentials_, tlsHost_);
  TlsStream& stream = *tls;
  control_.Attach(std::move(tls));
  if (error == ERROR_SUCCESS) error = stream.Handshake(Within(waitMs_));
  if (error == ERROR_SUCCESS) {
    const CertificatePtr certificate = stream.PeerCertificate();
    ServerCertificate report;
    error = CheckServerCertificate(certificate.get(), tlsHost_, report);
    if (error != ERROR_SUCCESS) rejected_ = report;
    controlCertificate_ = EncodedCertificate(certificate.get());
  }
  if (error != ERROR_SUCCESS) control_.Close();
  return error;
}

DWORD OwnConnection::StartDataTls() {
  auto tls = std::make_unique<TlsStream>(data_.Unwrap(), credentials_, tlsHost_);
  DWORD error = tls->Handshake(Deadline::After(waitMs_));
  if (error == ERROR_SUCCESS) {
    const CertificatePtr certificate = tls->PeerCertificate();
    // Another certificate than the control connection's must pass on its own; the user is not
    // asked in the middle of a transfer.
    ServerCertificate report;
    if (EncodedCertificate(certificate.get()) != controlCertificate_ &&
        CheckServerCertificate(certificate.get(), tlsHost_, report) != ERROR_SUCCESS) {
      error = ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    }
  }
  data_.Wrap(std::move(tls));
  return error;
}

DWORD OwnConnection::Exchange(const FtpAction& action, FtpReply& reply) {
  if (action.kind == FtpAction::Kind::kSend) {
    const DWORD error = control_.SendCommand(action.command, waitMs_, bound_);
    if (error != ERROR_SUCCESS) return error;
  }
  return control_.ReadReply(reply, waitMs_, bound_);
}

DWORD OwnConnection::Run(FtpAction action, DataMover* mover) {
  for (;;) {
    if (action.closeData) data_.Close();
    switch (action.kind) {
      case FtpAction::Kind::kSend:
      case FtpAction::Kind::kAwaitReply: {
        FtpReply reply;
        const DWORD error = Exchange(action, reply);
        WipeSecret(action.command);  // it may have been PASS
        if (error != ERROR_SUCCESS) {
          data_.Close();
          return error;
        }
        action = conversation_.OnReply(reply);
        break;
      }
      case FtpAction::Kind::kStartTls:
        action = conversation_.OnTlsStarted(StartControlTls());
        break;
      case FtpAction::Kind::kConnectData:
        action = conversation_.OnDataConnected(data_.Connect(peer_, action.port, waitMs_));
        break;
      case FtpAction::Kind::kListen: {
        const DWORD error = data_.Listen(local_);
        const SocketAddress& listening = data_.ListenAddress();
        action = error != ERROR_SUCCESS
                     ? conversation_.OnDataConnected(error)
                     : conversation_.OnListening(listening.family() == AF_INET6, listening.Text(),
                                                 listening.Port());
        break;
      }
      case FtpAction::Kind::kMoveData: {
        uint64_t bytes = 0;
        DWORD error = data_.Ready(peer_, waitMs_);
        if (error == ERROR_SUCCESS && action.secureData) error = StartDataTls();
        if (error == ERROR_SUCCESS && mover == nullptr) return ERROR_IO_PENDING;
        if (error == ERROR_SUCCESS && mover != nullptr) {
          error = mover->Move(data_.Stream(), action.sizeAnnounced, action.size, bytes);
        }
        data_.Close();
        action = conversation_.OnDataMoved(error, bytes);
        break;
      }
      case FtpAction::Kind::kDone:
        control_.Settle();
        return ERROR_SUCCESS;
      case FtpAction::Kind::kFail:
        if (action.dropConnection) control_.Close();
        return action.error;
    }
  }
}

DWORD OwnConnection::Get(const std::string& remote, const char* local, bool failIfExists,
                         DWORD attributes) {
  control_.DiscardStale();
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  // The local file first: an existing file with fail-if-exists costs no traffic, and is never
  // opened for writing.
  FileHandle file(CreateFileA(local, GENERIC_WRITE, 0, nullptr,
                              failIfExists ? CREATE_NEW : CREATE_ALWAYS, attributes, nullptr));
  if (!file.valid()) return GetLastError();
  const bool created = failIfExists || GetLastError() != ERROR_ALREADY_EXISTS;
  DownloadMover mover(file.get(), progress_, waitMs_);
  DWORD error = Run(conversation_.Get(remote), &mover);
  // The file's last writes may fail only when it is closed (a full or lost network drive): then
  // the download failed too.
  if (!file.Close() && error == ERROR_SUCCESS) {
    const DWORD closeError = GetLastError();
    error = closeError != ERROR_SUCCESS ? closeError : ERROR_WRITE_FAULT;
  }
  // Only a file this download made is removed: one that was there before is never deleted.
  if (error != ERROR_SUCCESS && created) DeleteFileA(local);
  return error;
}

DWORD OwnConnection::Put(const char* local, const std::string& remote) {
  control_.DiscardStale();
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  FileHandle file(CreateFileA(local, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return GetLastError();
  UploadMover mover(file.get(), progress_, waitMs_);
  return Run(conversation_.Put(remote), &mover);
}

DWORD OwnConnection::Remove(const std::string& remote) {
  control_.DiscardStale();
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  return Run(conversation_.Delete(remote), nullptr);
}

DWORD OwnConnection::MakeFolder(const std::string& remote) {
  control_.DiscardStale();
  if (!IsOpen()) return ERROR_INTERNET_CONNECTION_ABORTED;
  return Run(conversation_.MakeFolder(remote), nullptr);
}

void OwnConnection::Quit() {
  if (IsOpen()) {
    control_.DiscardStale();
    const DWORD wait = waitMs_;
    waitMs_ = kQuitWaitMs < wait ? kQuitWaitMs : wait;
    Run(conversation_.Quit(), nullptr);
    waitMs_ = wait;
  }
  progress_.Report(INTERNET_STATUS_CLOSING_CONNECTION, nullptr, 0);
  data_.Close();
  control_.Close();
  progress_.Report(INTERNET_STATUS_CONNECTION_CLOSED, nullptr, 0);
}
