// One FTP connection of the own client and the operations on it: log in, list a folder, fetch
// and store a file, delete a file, make a folder, quit. Each runs the conversation to its end over
// the control channel and, for a transfer, one data connection. Results are ERROR_SUCCESS or the
// code WinInet would give; the reply behind a refusal stays on the connection (LastReply).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ftp/own/control_channel.h"
#include "app/ftp/own/conversation.h"
#include "app/ftp/own/data_channel.h"
#include "app/ftp/own/tls.h"
#include "app/ftp/server_certificate.h"

// One entry of a listing, in the program's code page.
struct ListedEntry {
  std::string name;
  bool folder = false;
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME units, 0 when unknown
};

// Entries kept of one listing; a server that sends more is refused rather than eat the memory.
constexpr size_t kMostListedEntries = 500000;
// Lines read of one listing, entries or not: an endless listing of lines no one can read ends.
constexpr size_t kMostListingLines = 2 * kMostListedEntries;

class OwnConnection {
 public:
  OwnConnection(const ProgressReporter& progress, DWORD waitMs)
      : progress_(progress), waitMs_(waitMs), control_(progress), data_(progress) {}

  // Resolves, connects and logs in; a null user logs in anonymously. `host` is the site's host
  // text: "ftpes://" and "ftps://" ask for TLS (site_address.h), whose certificate must pass
  // before the user's name is sent.
  DWORD Open(const char* host, INTERNET_PORT port, const char* user, const char* password);
  // The entries of `folder` (empty: the server's current folder) whose names match `wildcard`;
  // `parentListed` tells whether the server sent its own "..", which comes in its place.
  DWORD List(const std::string& folder, const std::string& wildcard,
             std::vector<ListedEntry>& entries, bool& parentListed);
  DWORD Get(const std::string& remote, const char* local, bool failIfExists, DWORD attributes);
  DWORD Put(const char* local, const std::string& remote);
  DWORD Remove(const std::string& remote);
  DWORD MakeFolder(const std::string& remote);
  // QUIT (briefly waited for), then the connection is closed; reported 50 and 51.
  void Quit();

  bool IsOpen() const { return control_.IsOpen(); }
  const std::string& LastReply() const { return control_.LastReply(); }
  const ProgressReporter& Progress() const { return progress_; }
  // The certificate the last Open stopped on (its `error` 0 when it stopped on none).
  const ServerCertificate& RejectedCertificate() const { return rejected_; }

 private:
  // Runs the conversation from `action` to its end; `mover` moves a transfer's bytes.
  DWORD Run(FtpAction action, DataMover* mover);
  DWORD Exchange(const FtpAction& action, FtpReply& reply);
  DWORD Connect(const char* host, INTERNET_PORT port);
  // TLS on the control connection (after 234, or at once for implicit TLS) and the check of the
  // server's certificate; on a failure the connection is closed.
  DWORD StartControlTls();
  // TLS on the data connection: the control connection's credentials and name (so that Windows'
  // Schannel resumes the session), and the control connection's certificate.
  DWORD StartDataTls();

  ProgressReporter progress_;
  DWORD waitMs_;
  ControlChannel control_;
  DataChannel data_;
  FtpConversation conversation_;
  SocketAddress peer_;
  SocketAddress local_;
  std::shared_ptr<TlsCredentials> credentials_;
  std::string tlsHost_;
  std::string controlCertificate_;  // DER
  ServerCertificate rejected_;
};
