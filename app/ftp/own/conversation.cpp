#include "app/ftp/own/conversation.h"

namespace {

constexpr char kAnonymousUser[] = "anonymous";
constexpr char kAnonymousPassword[] = "zevftp@";

int Class(const FtpReply& reply) { return reply.code / 100; }

}  // namespace

FtpAction FtpConversation::Login(bool anonymous, const std::string& user,
                                 const std::string& password, bool ipv6, FtpSecurity security) {
  Begin(std::string());
  ipv6_ = ipv6;
  security_ = security;
  protectedData_ = false;
  // Anonymous: the conventional user with a mail-like password.
  user_ = anonymous ? kAnonymousUser : user;
  password_ = anonymous ? kAnonymousPassword : password;
  return Await(FtpStep::kGreeting);
}

FtpAction FtpConversation::List(const std::string& folder) {
  Begin(AbsolutePath(folder));
  // MLSD where it is offered: exact names and kinds, whatever the server's LIST looks like. Some
  // servers take longer to make it (ProFTPD calls stat ten times an entry for MLSD, four times
  // for LIST: about 12 ms more for 1,000 entries on loopback); a row with a wrong name or a line
  // left out would cost more.
  transfer_ = features_.mlsd ? Transfer::kMlsd : Transfer::kList;
  // Without the login folder a CWD could not be undone: the path form it is.
  if (loginFolder_.empty()) return OpenDataChannel();
  // Already there (a refresh): no second CWD.
  if (!currentFolder_.empty() && currentFolder_ == path_) {
    insideFolder_ = true;
    return OpenDataChannel();
  }
  currentFolder_.clear();
  return Send(FtpStep::kCwd, "CWD " + path_);
}

FtpAction FtpConversation::Get(const std::string& path) {
  Begin(AbsolutePath(path));
  transfer_ = Transfer::kRetr;
  // SIZE asks about the very path RETR fetches: after a CWD the path as given names another file.
  if (features_.size) return Send(FtpStep::kSize, "SIZE " + path_);
  return OpenDataChannel();
}

FtpAction FtpConversation::Put(const std::string& path) {
  Begin(AbsolutePath(path));
  transfer_ = Transfer::kStor;
  return OpenDataChannel();
}

FtpAction FtpConversation::Delete(const std::string& path) {
  Begin(AbsolutePath(path));
  return Send(FtpStep::kDele, "DELE " + path_);
}

FtpAction FtpConversation::MakeFolder(const std::string& path) {
  Begin(AbsolutePath(path));
  return Send(FtpStep::kMkd, "MKD " + path_);
}

FtpAction FtpConversation::Quit() {
  Begin(std::string());
  return Send(FtpStep::kQuit, "QUIT");
}

void FtpConversation::Begin(const std::string& path) {
  path_ = path;
  transfer_ = Transfer::kNone;
  preliminaryReplies_ = 0;
  sizeKnown_ = false;
  size_ = 0;
  pendingError_ = ERROR_SUCCESS;
  insideFolder_ = false;
  pipelined_ = false;
  dataConnectError_ = ERROR_SUCCESS;
}

std::string FtpConversation::AbsolutePath(const std::string& path) const {
  if (loginFolder_.empty() || (!path.empty() && path[0] == '/')) return path;
  if (path.empty()) return loginFolder_;
  return loginFolder_ + (loginFolder_.back() == '/' ? "" : "/") + path;
}

FtpAction FtpConversation::Send(FtpStep step, const std::string& command) {
  step_ = step;
  FtpAction action;
  action.kind = FtpAction::Kind::kSend;
  action.command = command;
  return action;
}

FtpAction FtpConversation::Await(FtpStep step) {
  step_ = step;
  FtpAction action;
  action.kind = FtpAction::Kind::kAwaitReply;
  return action;
}

FtpAction FtpConversation::Done() {
  step_ = FtpStep::kNone;
  FtpAction action;
  action.kind = FtpAction::Kind::kDone;
  action.closeData = true;
  return action;
}

FtpAction FtpConversation::Fail(DWORD error, bool dropConnection) {
  ForgetPassword();
  step_ = FtpStep::kNone;
  FtpAction action;
  action.kind = FtpAction::Kind::kFail;
  action.error = error;
  action.dropConnection = dropConnection;
  action.closeData = true;
  return action;
}

// The server said no: the caller keeps its reply for LastResponse.
FtpAction FtpConversation::FailWithReply(const FtpReply&, bool dropConnection) {
  return Fail(ERROR_INTERNET_EXTENDED_ERROR, dropConnection);
}

FtpAction FtpConversation::OnReply(const FtpReply& reply) {
  // A preliminary reply while a final one is awaited ("120 ready soon"): wait for the next, a
  // few times only. The start of a transfer is the one step a 1xx ends.
  if (Class(reply) == 1 && step_ != FtpStep::kTransferStart) {
    if (++preliminaryReplies_ > kMostPreliminaryReplies) {
      return Fail(ERROR_INTERNET_TIMEOUT, true);
    }
    return Await(step_);
  }
  // 421: the server is closing the control connection (an idle time-out, a shutdown). Whatever
  // was asked, the connection is gone; the greeting's 421 is its refusal of the connect.
  if (reply.code == 421 && step_ != FtpStep::kGreeting && step_ != FtpStep::kQuit) {
    return Fail(ERROR_INTERNET_CONNECTION_ABORTED, true);
  }
  switch (step_) {
    case FtpStep::kGreeting:
      return OnGreeting(reply);
    case FtpStep::kAuthTls:
      return OnAuthTls(reply);
    case FtpStep::kUser:
      return OnUser(reply);
    case FtpStep::kPass:
      return OnPass(reply);
    case FtpStep::kPbsz:
      return OnPbsz(reply);
    case FtpStep::kProt:
      return OnProt(reply);
    case FtpStep::kFeat:
      return OnFeat(reply);
    case FtpStep::kOptsUtf8:
      return OnOptsUtf8(reply);
    case FtpStep::kType:
      return OnType(reply);
    case FtpStep::kPwd:
      return OnPwd(reply);
    case FtpStep::kCwd:
      return OnCwd(reply);
    case FtpStep::kEpsv:
      return OnEpsv(reply);
    case FtpStep::kPasv:
      return OnPasv(reply);
    case FtpStep::kEprt:
      return OnEprt(reply);
    case FtpStep::kPort:
      return OnPort(reply);
    case FtpStep::kSize:
      return OnSize(reply);
    case FtpStep::kTransferStart:
      return OnTransferStart(reply);
    case FtpStep::kTransferEnd:
      return OnTransferEnd(reply);
    case FtpStep::kDele:
      return OnDele(reply);
    case FtpStep::kMkd:
      return OnMkd(reply);
    case FtpStep::kQuit:
      return OnQuit(reply);
    case FtpStep::kProbeCwd:
      return OnProbeCwd(reply);
    case FtpStep::kProbeSize:
      return OnProbeSize(reply);
    case FtpStep::kSkipListing:
      return OnSkipListing(reply);
    case FtpStep::kNone:
      break;
  }
  // A reply nobody asked for: the conversation is out of step with the server.
  return Fail(ERROR_INTERNET_CONNECTION_ABORTED, true);
}

FtpAction FtpConversation::OnGreeting(const FtpReply& reply) {
  if (reply.code != 220) return FailWithReply(reply);
  if (security_ == FtpSecurity::kExplicitTls) return Send(FtpStep::kAuthTls, "AUTH TLS");
  return Send(FtpStep::kUser, "USER " + user_);
}

FtpAction FtpConversation::OnAuthTls(const FtpReply& reply) {
  // Only 234 starts TLS (RFC 4217); whatever else the server says, the user's name and password
  // are not sent in clear text.
  if (reply.code != 234) return FailWithReply(reply, true);
  FtpAction action;
  action.kind = FtpAction::Kind::kStartTls;
  return action;
}

FtpAction FtpConversation::OnTlsStarted(DWORD error) {
  if (error != ERROR_SUCCESS) return Fail(error, true);
  return Send(FtpStep::kUser, "USER " + user_);
}

// The password is held only until PASS is written, or until the login ends without it.
FtpAction FtpConversation::OnUser(const FtpReply& reply) {
  if (reply.code == 331) {
    FtpAction pass = Send(FtpStep::kPass, "PASS " + password_);
    ForgetPassword();
    return pass;
  }
  ForgetPassword();
  if (reply.code == 230) return LoggedIn();
  // 332 asks for an account (ACCT), which the program has none of; the password is not one.
  if (reply.code == 332) return FailWithReply(reply);
  return Fail(ERROR_INTERNET_LOGIN_FAILURE);
}

FtpAction FtpConversation::OnPass(const FtpReply& reply) {
  if (reply.code == 332) return FailWithReply(reply);
  if (reply.code != 230 && reply.code != 202) return Fail(ERROR_INTERNET_LOGIN_FAILURE);
  return LoggedIn();
}

void FtpConversation::ForgetPassword() {
  WipeSecret(password_);
  password_.clear();
}

void WipeSecret(std::string& text) {
  if (!text.empty()) SecureZeroMemory(&text[0], text.size());
}

FtpAction FtpConversation::LoggedIn() {
  if (security_ != FtpSecurity::kPlain) return Send(FtpStep::kPbsz, "PBSZ 0");
  return Send(FtpStep::kFeat, "FEAT");
}

FtpAction FtpConversation::OnPbsz(const FtpReply& reply) {
  if (reply.code != 200) return FailWithReply(reply, true);
  return Send(FtpStep::kProt, "PROT P");
}

// Files and listings go encrypted or not at all: a server that keeps its data connections clear
// is not used.
FtpAction FtpConversation::OnProt(const FtpReply& reply) {
  if (reply.code != 200) return FailWithReply(reply, true);
  protectedData_ = true;
  return Send(FtpStep::kFeat, "FEAT");
}

FtpAction FtpConversation::OnFeat(const FtpReply& reply) {
  features_ = ParseFeatures(reply);
  // Servers that list UTF8 speak it whether or not they take the option (RFC 2640).
  utf8_ = features_.utf8;
  if (features_.utf8) return Send(FtpStep::kOptsUtf8, "OPTS UTF8 ON");
  return Send(FtpStep::kType, "TYPE I");
}

FtpAction FtpConversation::OnOptsUtf8(const FtpReply&) { return Send(FtpStep::kType, "TYPE I"); }

FtpAction FtpConversation::OnType(const FtpReply& reply) {
  if (reply.code != 200) return FailWithReply(reply);
  return Send(FtpStep::kPwd, "PWD");
}

FtpAction FtpConversation::OnPwd(const FtpReply& reply) {
  // Only an absolute folder is one the connection can be taken back to.
  std::string folder;
  if (reply.code == 257 && ParsePwdReply(reply, folder) && !folder.empty() && folder[0] == '/') {
    loginFolder_ = folder;
  }
  return Done();
}

FtpAction FtpConversation::OnCwd(const FtpReply& reply) {
  insideFolder_ = reply.code == 250 || reply.code == 200;
  if (insideFolder_) currentFolder_ = path_;
  // A server that does not know CWD is asked by path; any other refusal (550: missing, no
  // permission) says the folder cannot be listed, and listing it by path could only look empty.
  if (!insideFolder_ && reply.code != 500 && reply.code != 502 && reply.code != 504) {
    return FailWithReply(reply);
  }
  return OpenDataChannel();
}

// Passive first (EPSV, then PASV over IPv4), always to the control connection's peer; active
// mode only when the server refuses passive.
FtpAction FtpConversation::OpenDataChannel() {
  FtpAction action;
  pipelined_ = false;
  if (passive_ == Passive::kEpsv) {
    // Servers take a transfer command before its data connection and wait for it; the few that
    // refuse it (425) are asked again one command at a time, and never again so.
    pipelined_ =
        pipelineListings_ && (transfer_ == Transfer::kList || transfer_ == Transfer::kMlsd);
    action = Send(FtpStep::kEpsv, pipelined_ ? "EPSV\r\n" + TransferCommand() : "EPSV");
  } else if (passive_ == Passive::kPasv && !ipv6_) {
    action = Send(FtpStep::kPasv, "PASV");
  } else {
    step_ = FtpStep::kEprt;
    action.kind = FtpAction::Kind::kListen;
  }
  action.closeData = true;
  return action;
}

FtpAction FtpConversation::OnEpsv(const FtpReply& reply) {
  uint16_t port = 0;
  const bool open = reply.code == 229 && ParseEpsvPort(reply.text, port);
  return OnPassiveReply(reply, open, port, Passive::kPasv);
}

FtpAction FtpConversation::OnPasv(const FtpReply& reply) {
  // The address in the reply is the server's word for where to go: it may name another host
  // (FTP bounce) or a private address. The data goes to the peer already talked to.
  uint16_t port = 0;
  const bool open = reply.code == 227 && ParsePasvPort(reply.text, port);
  return OnPassiveReply(reply, open, port, Passive::kNone);
}

// A passive mode's answer: the port to connect to, or on a refusal the next way to a data
// connection (remembered for the connection); any other reply fails.
FtpAction FtpConversation::OnPassiveReply(const FtpReply& reply, bool open, uint16_t port,
                                          Passive fallback) {
  if (open) {
    FtpAction action;
    action.kind = FtpAction::Kind::kConnectData;
    action.port = port;
    return action;
  }
  // With the listing command already sent, the server owes its reply too: out of step (an odd
  // EPSV reply) the connection cannot go on; refused, that reply is read first.
  if (Class(reply) != 5) return FailWithReply(reply, pipelined_);
  passive_ = fallback;
  if (pipelined_) return Await(FtpStep::kSkipListing);
  return OpenDataChannel();
}

FtpAction FtpConversation::OnSkipListing(const FtpReply&) { return OpenDataChannel(); }

FtpAction FtpConversation::OnDataConnected(DWORD error) {
  if (pipelined_) {
    // The command is out: its reply comes whether or not the data connection was made.
    dataConnectError_ = error;
    return Await(FtpStep::kTransferStart);
  }
  if (error != ERROR_SUCCESS) return Fail(error);
  if (passive_ == Passive::kEpsv) pipelineListings_ = true;
  return StartTransfer();
}

FtpAction FtpConversation::OnListening(bool ipv6, const std::string& address, uint16_t port) {
  ipv6_ = ipv6;
  listenAddress_ = address;
  listenPort_ = port;
  const std::string family = ipv6 ? "2" : "1";
  return Send(FtpStep::kEprt, "EPRT |" + family + "|" + address + "|" + std::to_string(port) + "|");
}

FtpAction FtpConversation::OnEprt(const FtpReply& reply) {
  if (reply.code == 200) return StartTransfer();
  // PORT has no form for IPv6 addresses.
  if (ipv6_ || Class(reply) != 5) return FailWithReply(reply);
  std::string numbers = listenAddress_;
  for (char& c : numbers) {
    if (c == '.') c = ',';
  }
  return Send(FtpStep::kPort, "PORT " + numbers + "," + std::to_string(listenPort_ / 256) + "," +
                                  std::to_string(listenPort_ % 256));
}

FtpAction FtpConversation::OnPort(const FtpReply& reply) {
  if (reply.code != 200) return FailWithReply(reply);
  return StartTransfer();
}

FtpAction FtpConversation::OnSize(const FtpReply& reply) {
  sizeKnown_ = ParseSizeReply(reply, size_);
  return OpenDataChannel();
}

std::string FtpConversation::TransferCommand() const {
  const bool bare = path_.empty() || insideFolder_;
  const std::string argument = bare ? std::string() : " " + path_;
  switch (transfer_) {
    case Transfer::kRetr:
      return "RETR" + argument;
    case Transfer::kStor:
      return "STOR" + argument;
    case Transfer::kMlsd:
      return "MLSD" + argument;
    case Transfer::kList:
    case Transfer::kNone:
      break;
  }
  return "LIST" + argument;
}

FtpAction FtpConversation::StartTransfer() {
  return Send(FtpStep::kTransferStart, TransferCommand());
}

FtpAction FtpConversation::OnTransferStart(const FtpReply& reply) {
  if (pipelined_) {
    pipelined_ = false;
    if (reply.code == 425) {
      // The data connection was not there yet when the command came: one at a time from now.
      pipelineListings_ = false;
      dataConnectError_ = ERROR_SUCCESS;
      return OpenDataChannel();
    }
    if (dataConnectError_ != ERROR_SUCCESS) {
      // A server that starts sending where no data connection could be made is not followed.
      return Fail(dataConnectError_, Class(reply) == 1);
    }
  }
  if (Class(reply) == 1) {
    // Of two sizes announced (SIZE, then "(N bytes)" here) the smaller binds: a reply cannot
    // raise the bound another set, or a server could stream on past what it first said.
    uint64_t announced = 0;
    if (transfer_ == Transfer::kRetr && ParseAnnouncedSize(reply.text, announced) &&
        (!sizeKnown_ || announced < size_)) {
      sizeKnown_ = true;
      size_ = announced;
    }
    step_ = FtpStep::kTransferStart;
    FtpAction action;
    action.kind = FtpAction::Kind::kMoveData;
    action.sizeAnnounced = transfer_ == Transfer::kRetr && sizeKnown_;
    action.size = size_;
    action.secureData = protectedData_;
    return action;
  }
  if (RefusesTlsSession(reply)) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  // A server that offers MLST but not MLSD says so with 500, 502 or 504; LIST still works.
  if (transfer_ == Transfer::kMlsd &&
      (reply.code == 500 || reply.code == 502 || reply.code == 504)) {
    transfer_ = Transfer::kList;
    return OpenDataChannel();
  }
  return FailWithReply(reply);
}

// 522 to a transfer over TLS: the server would not take the data connection's TLS (vsftpd and
// ProFTPD when it does not resume the control connection's session).
bool FtpConversation::RefusesTlsSession(const FtpReply& reply) const {
  return protectedData_ && reply.code == 522;
}

FtpAction FtpConversation::OnDataMoved(DWORD error, uint64_t bytes) {
  // A silent data connection: its server may be as silent on the control connection.
  if (error == ERROR_INTERNET_TIMEOUT) return Fail(error, true);
  pendingError_ = error;
  // Fewer bytes than announced: a cut file, whatever the final reply says.
  if (pendingError_ == ERROR_SUCCESS && sizeKnown_ && transfer_ == Transfer::kRetr &&
      bytes != size_) {
    pendingError_ = ERROR_INTERNET_CONNECTION_ABORTED;
  }
  return Await(FtpStep::kTransferEnd);
}

FtpAction FtpConversation::OnTransferEnd(const FtpReply& reply) {
  // The server's word on the data connection's TLS says more than what the data side saw of it.
  if (RefusesTlsSession(reply)) return Fail(ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  if (pendingError_ != ERROR_SUCCESS) return Fail(pendingError_);
  if (reply.code != 226 && reply.code != 250) return FailWithReply(reply);
  return Done();
}

FtpAction FtpConversation::OnDele(const FtpReply& reply) {
  if (reply.code != 250) return FailWithReply(reply);
  return Done();
}

FtpAction FtpConversation::OnMkd(const FtpReply& reply) {
  if (reply.code != 257) return FailWithReply(reply);
  return Done();
}

FtpAction FtpConversation::OnQuit(const FtpReply&) { return Done(); }

FtpAction FtpConversation::ProbeLink(const std::string& path) {
  Begin(AbsolutePath(path));
  currentFolder_.clear();  // the probe's CWD moves the connection
  probedFolder_ = false;
  probedSizeKnown_ = false;
  return Send(FtpStep::kProbeCwd, "CWD " + path_ + "\r\nSIZE " + path_);
}

FtpAction FtpConversation::OnProbeCwd(const FtpReply& reply) {
  probedFolder_ = reply.code == 250 || reply.code == 200;
  return Await(FtpStep::kProbeSize);
}

FtpAction FtpConversation::OnProbeSize(const FtpReply& reply) {
  probedSizeKnown_ = !probedFolder_ && ParseSizeReply(reply, size_);
  return Done();
}
