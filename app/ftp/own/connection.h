// One FTP connection of the own client and the operations on it: log in, list a folder, fetch
// and store a file, delete a file, make a folder, quit. Each runs the conversation to its end over
// the control channel and, for a transfer, one data connection. Results are ERROR_SUCCESS or the
// code WinInet would give; the reply behind a refusal stays on the connection (LastReply).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ftp/ftp_listing.h"

#include "app/ftp/own/control_channel.h"
#include "app/ftp/own/conversation.h"
#include "app/ftp/own/data_channel.h"
#include "app/ftp/own/tls.h"
#include "app/ftp/server_certificate.h"

// One entry of a listing; its name as the server spells it (the window side shows it, and every
// command about it sends these bytes).
struct ListedEntry {
  std::string name;
  bool folder = false;
  uint64_t size = 0;
  uint64_t modified = 0;  // FILETIME units, 0 when unknown
  bool link = false;      // a symbolic link, shown as what it points to
  bool sizeKnown = true;  // false where the server told no size a file can have
};

// The wait of one step (a connect, a reply, a stretch of data) unless a test shortens it; every
// bound below that is a time grows and shrinks with it.
constexpr DWORD kOwnClientWaitMs = 30000;
// A whole connect (the TCP connect, greeting, TLS, login and the questions after it) takes at
// most two waits: replies that each come just inside their wait cannot hold it for minutes. A
// slow honest server needs a dozen round trips and a few seconds of password hashing.
constexpr DWORD kConnectWaits = 2;
// Entries kept of one listing; a server that sends more is cut there (ERROR_MORE_DATA) rather
// than eat the memory.
constexpr size_t kMostListedEntries = 500000;
// Links of one listing asked about, and the time that may take at the full wait (the window
// waits for it); beyond either the rest stay as the listing gave them.
constexpr size_t kMostProbedLinks = 100;
constexpr DWORD kMostProbeMs = 2000;
// Lines read of one listing, entries or not: an endless listing of lines no one can read ends.
constexpr size_t kMostListingLines = 2 * kMostListedEntries;

class OwnConnection {
 public:
  OwnConnection(const ProgressReporter& progress, DWORD waitMs);
  ~OwnConnection();
  OwnConnection(const OwnConnection&) = delete;
  OwnConnection& operator=(const OwnConnection&) = delete;

  // Resolves, connects and logs in; a null user logs in anonymously. `host` is the site's host
  // text: "ftpes://" and "ftps://" ask for TLS (site_address.h), whose certificate must pass
  // before the user's name is sent.
  DWORD Open(const char* host, INTERNET_PORT port, const char* user, const char* password);
  // A listing, read as it arrives, so that no whole listing is ever held: BeginListing runs the
  // conversation until the data comes; NextListed hands out the entries of `folder` (empty: the
  // login folder) whose names match `wildcard` one by one, ERROR_NO_MORE_FILES at the end (links
  // come last, once asked about); EndListing ends it, early or not. With `parentFirst` a ".."
  // comes first and the server's own is dropped; otherwise the server's comes where it stands.
  DWORD BeginListing(const std::string& folder, const std::string& wildcard, bool parentFirst);
  DWORD NextListed(ListedEntry& entry);
  void EndListing();
  // Lines of the listing under way that no family could read surely: left out, not guessed.
  size_t UnreadListingLines() const;
  DWORD Get(const std::string& remote, const char* local, bool failIfExists, DWORD attributes);
  DWORD Put(const char* local, const std::string& remote);
  DWORD Remove(const std::string& remote);
  DWORD MakeFolder(const std::string& remote);
  // QUIT (briefly waited for), then the connection is closed; reported 50 and 51.
  void Quit();

  bool IsOpen() const { return control_.IsOpen(); }
  const std::string& LastReply() const { return control_.LastReply(); }
  // The folder the login put the connection in (PWD), empty when the server did not say.
  const std::string& LoginFolder() const { return conversation_.loginFolder(); }
  const ProgressReporter& Progress() const { return progress_; }
  // The certificate the last Open stopped on (its `error` 0 when it stopped on none).
  const ServerCertificate& RejectedCertificate() const { return rejected_; }

 private:
  // Runs the conversation from `action` to its end; `mover` moves a transfer's bytes. Without a
  // mover it stops where the data is ready and says ERROR_IO_PENDING (a listing reads it).
  DWORD Run(FtpAction action, DataMover* mover);
  struct Listing;
  // Reads one more piece of the listing; at its end (or a cap, or a failure), ends the
  // conversation and asks the links.
  void AdvanceListing();
  void TakeListed(const ListingEntry& entry);
  DWORD Exchange(const FtpAction& action, FtpReply& reply);
  // A wait of `waitMs` from now, cut at the bound of the operation as a whole.
  Deadline Within(DWORD waitMs) const { return Deadline::Sooner(Deadline::After(waitMs), bound_); }
  // The cut listing's data ends on our side: its answer is awaited briefly.
  DWORD EndListingData(DWORD error);
  DWORD Connect(const char* host, INTERNET_PORT port);
  // Turns the links of a listing into what they point to, within the bounds above.
  void ProbeLinks(const std::string& folder, std::vector<ListedEntry>& entries);
  std::unique_ptr<Listing> listing_;
  // TLS on the control connection (after 234, or at once for implicit TLS) and the check of the
  // server's certificate; on a failure the connection is closed.
  DWORD StartControlTls();
  // TLS on the data connection: the control connection's credentials and name (so that Windows'
  // Schannel resumes the session), and the control connection's certificate.
  DWORD StartDataTls();

  ProgressReporter progress_;
  DWORD waitMs_;
  // What is left of the bound of the operation in progress as a whole (a connect, the probes of
  // a listing); no step's wait goes past it.
  Deadline bound_ = Deadline::Never();
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
