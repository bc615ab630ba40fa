// The FTP conversation of the own client, without a socket: which command comes next, what each
// final reply means, when a data connection is opened and when its bytes move. Every step is
// named once; the reply that ends a step goes to the handler named after it, which decides what
// follows. The caller moves the bytes and feeds back what happened, so a table of server replies
// tests every path in milliseconds.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "app/ftp/ftp_reply.h"
#include "app/ftp/site_address.h"

enum class FtpStep {
  kNone,
  kGreeting,       // the server's welcome: 220, after at most a few 1xx
  kAuthTls,        // AUTH TLS: 234, then the TLS handshake; a refusal ends the connect (it
                   // never goes on in clear text when TLS was asked for)
  kUser,           // USER: 230 logged in, 331 a password is wanted (332, an account, ends it)
  kPass,           // PASS: 230 or 202 logged in
  kPbsz,           // PBSZ 0 (over TLS, after the login): 200
  kProt,           // PROT P: 200, the data connections are encrypted too
  kFeat,           // FEAT: what the server offers (a refusal: nothing)
  kOptsUtf8,       // OPTS UTF8 ON: any answer (a server that lists UTF8 speaks it)
  kType,           // TYPE I: 200, binary from here on
  kPwd,            // PWD: 257 with the login folder (a refusal: paths stay as given)
  kCwd,            // CWD into the folder to list: 250; a server without CWD lists by path
  kEpsv,           // EPSV: 229 with a port; a refusal falls back to PASV
  kPasv,           // PASV: 227 with a port; a refusal falls back to active mode
  kEprt,           // EPRT: 200; refused over IPv4, PORT is tried
  kPort,           // PORT: 200
  kSize,           // SIZE: 213 with the size a download must have
  kTransferStart,  // RETR, STOR, MLSD or LIST: 1xx, then the data moves
  kTransferEnd,    // after the data: 226 or 250
  kDele,           // DELE: 250
  kMkd,            // MKD: 257
  kQuit,           // QUIT: any answer
  kProbeCwd,       // CWD into a listed link, sent together with SIZE: 250 means a folder
  kProbeSize,      // that SIZE: 213 gives the size of the file the link points to
  kSkipListing,    // the listing command sent with a refused EPSV: its reply is read and let go
};

// What the caller does next.
struct FtpAction {
  enum class Kind {
    kSend,         // send `command` (without CR LF), then read its reply (OnReply)
    kStartTls,     // the TLS handshake on the control connection, and the certificate check
                   // (OnTlsStarted)
    kAwaitReply,   // read one more reply (OnReply)
    kConnectData,  // open the data connection to the server's address at `port` (OnDataConnected)
    kListen,       // open a listener for the server to connect to (OnListening)
    kMoveData,     // the data connection is ready (in active mode: accept it first); with
                   // `secureData` the TLS handshake on it first; move the bytes (OnDataMoved)
    kDone,         // the operation succeeded
    kFail,         // it failed with `error`
  };
  Kind kind = Kind::kFail;
  std::string command;
  uint16_t port = 0;
  // kMoveData: the server announced the file's size for this transfer (SIZE, or "(N bytes)" in
  // its 1xx reply); only such a size is checked.
  bool sizeAnnounced = false;
  uint64_t size = 0;
  // kMoveData: the server was told PROT P. The handshake comes after the 1xx reply: a server
  // may drop one that comes before it has answered the transfer command.
  bool secureData = false;
  DWORD error = 0;
  // kFail: the control connection cannot be trusted any more and is closed.
  bool dropConnection = false;
  // The data connection or listener open so far is closed before this action.
  bool closeData = false;
};

// Overwrites the bytes of a text that held a secret (a password, the PASS command) before the
// text is let go or reused.
void WipeSecret(std::string& text);

// At most this many 1xx replies come before a final reply ("120 ready in a minute"); a server
// that sends more is not waited for.
constexpr int kMostPreliminaryReplies = 8;

class FtpConversation {
 public:
  // The operations. Paths are in the server's own bytes (the caller converts names).
  // Anonymous: the user "anonymous" with a mail-like password, whatever the texts hold.
  // Explicit TLS asks for it after the greeting; with implicit TLS the caller has made the
  // handshake before the greeting. Over TLS the data connections are protected after the login.
  FtpAction Login(bool anonymous, const std::string& user, const std::string& password, bool ipv6,
                  FtpSecurity security = FtpSecurity::kPlain);
  // A folder is listed from inside it (CWD, then a listing without an argument: servers that
  // hand the argument to ls split it at blanks), or by its path when CWD is refused. An empty
  // folder is the login folder, a relative one lies below it.
  FtpAction List(const std::string& folder);
  FtpAction Get(const std::string& path);
  FtpAction Put(const std::string& path);
  FtpAction Delete(const std::string& path);
  FtpAction MakeFolder(const std::string& path);
  FtpAction Quit();
  // What a listed symbolic link points to: a folder (CWD into it works) or a file and its size.
  // CWD and SIZE go out together and cost one round trip. The connection's folder changes: call
  // it only with the login folder known (paths are then absolute).
  FtpAction ProbeLink(const std::string& path);
  bool probedFolder() const { return probedFolder_; }
  // The size of the file a link points to, when the server told it.
  bool probedSizeKnown() const { return probedSizeKnown_; }
  uint64_t probedSize() const { return size_; }

  // What happened since the last action.
  FtpAction OnReply(const FtpReply& reply);
  FtpAction OnTlsStarted(DWORD error);
  FtpAction OnDataConnected(DWORD error);
  FtpAction OnListening(bool ipv6, const std::string& address, uint16_t port);
  // The data moved `bytes` and ended (ERROR_SUCCESS) or failed with `error`.
  FtpAction OnDataMoved(DWORD error, uint64_t bytes);

  // Overwrites the password held for the login; the conversation does so itself once PASS is
  // written or the login fails, the caller when the login ended on the socket's side.
  void ForgetPassword();
  bool holdsPassword() const { return !password_.empty(); }

  bool utf8() const { return utf8_; }
  // PROT P was accepted: every data connection speaks TLS.
  bool dataProtected() const { return protectedData_; }
  // The listing in progress is MLSD's (its lines are read as facts), not LIST's.
  bool listingIsMlsd() const { return transfer_ == Transfer::kMlsd; }
  // The folder the login put the connection in (from PWD); empty when the server did not say.
  const std::string& loginFolder() const { return loginFolder_; }
  // A path as the server must get it once the connection has changed folders: relative paths
  // and the empty path are taken from the login folder.
  std::string AbsolutePath(const std::string& path) const;

 private:
  enum class Transfer { kNone, kRetr, kStor, kMlsd, kList };
  enum class Passive { kEpsv, kPasv, kNone };

  // Every operation starts here: its path, and nothing left of the one before.
  void Begin(const std::string& path);
  FtpAction Send(FtpStep step, const std::string& command);
  FtpAction Await(FtpStep step);
  FtpAction Done();
  FtpAction Fail(DWORD error, bool dropConnection = false);
  FtpAction FailWithReply(const FtpReply& reply, bool dropConnection = false);
  FtpAction LoggedIn();
  FtpAction OpenDataChannel();
  FtpAction StartTransfer();
  std::string TransferCommand() const;
  bool RefusesTlsSession(const FtpReply& reply) const;

  FtpAction OnGreeting(const FtpReply& reply);
  FtpAction OnUser(const FtpReply& reply);
  FtpAction OnAuthTls(const FtpReply& reply);
  FtpAction OnPass(const FtpReply& reply);
  FtpAction OnPbsz(const FtpReply& reply);
  FtpAction OnProt(const FtpReply& reply);
  FtpAction OnFeat(const FtpReply& reply);
  FtpAction OnOptsUtf8(const FtpReply& reply);
  FtpAction OnType(const FtpReply& reply);
  FtpAction OnPwd(const FtpReply& reply);
  FtpAction OnCwd(const FtpReply& reply);
  FtpAction OnEpsv(const FtpReply& reply);
  FtpAction OnPasv(const FtpReply& reply);
  FtpAction OnPassiveReply(const FtpReply& reply, bool open, uint16_t port, Passive fallback);
  FtpAction OnEprt(const FtpReply& reply);
  FtpAction OnPort(const FtpReply& reply);
  FtpAction OnSize(const FtpReply& reply);
  FtpAction OnTransferStart(const FtpReply& reply);
  FtpAction OnTransferEnd(const FtpReply& reply);
  FtpAction OnDele(const FtpReply& reply);
  FtpAction OnMkd(const FtpReply& reply);
  FtpAction OnQuit(const FtpReply& reply);
  FtpAction OnProbeCwd(const FtpReply& reply);
  FtpAction OnProbeSize(const FtpReply& reply);
  FtpAction OnSkipListing(const FtpReply& reply);

  FtpStep step_ = FtpStep::kNone;
  Transfer transfer_ = Transfer::kNone;
  Passive passive_ = Passive::kEpsv;
  bool ipv6_ = false;
  FtpSecurity security_ = FtpSecurity::kPlain;
  bool protectedData_ = false;
  FtpFeatures features_;
  bool utf8_ = false;
  std::string path_;
  std::string loginFolder_;
  bool insideFolder_ = false;  // the listing runs inside its folder: no argument
  std::string currentFolder_;  // where the last CWD took the connection; empty when unknown
  std::string user_;
  std::string password_;
  std::string listenAddress_;
  uint16_t listenPort_ = 0;
  int preliminaryReplies_ = 0;
  bool sizeKnown_ = false;
  uint64_t size_ = 0;
  DWORD pendingError_ = ERROR_SUCCESS;
  bool probedFolder_ = false;
  bool probedSizeKnown_ = false;
  // EPSV and its data connection have worked on this connection, and no server refused a
  // listing command sent before its data connection was there: listings send EPSV and their
  // command together, one round trip less.
  bool pipelineListings_ = false;
  bool pipelined_ = false;              // this attempt's command went out with its EPSV
  DWORD dataConnectError_ = ERROR_SUCCESS;  // a pipelined attempt's data connection failed
};
