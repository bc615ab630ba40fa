// The own client's conversation without a socket: each case is what the conversation asks for
// and what the server (or the data side) answers, until the operation ends. Logins, the data
// channel's fallbacks, the sizes a download is held to, the bounds on preliminary replies, and the
// failures that keep the server's reply or give the connection up.
#include "app/ftp/own/conversation.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What the conversation asks for, as text:
//   a command ("USER u"), or "await" for one more reply, each answered by a server reply;
//   "connect 5000", answered "ok" or an error code;
//   "listen", answered "ADDRESS PORT" (the listener the caller opened);
//   "move" (no size announced) or "move 100", answered "BYTES" or "ERROR BYTES"; "secure move"
//   when the data connection's TLS handshake comes first;
//   "tls" (the handshake on the control connection), answered "ok" or an error code;
//   and last "done", "fail 12003" or "drop 12002" (failed, the connection given up).
struct Exchange {
  std::string asks;
  std::string answer;
};

struct Case {
  const char* name;
  std::function<FtpAction(FtpConversation&)> start;
  std::vector<Exchange> exchanges;
  std::string end;
};

FtpReply Reply(const std::string& text) {
  ReplyReader reader;
  const std::string bytes = text + "\r\n";
  reader.Feed(bytes.data(), bytes.size());
  FtpReply reply;
  EXPECT_EQ(reader.Next(reply), ReplyReader::Result::kReply) << text;
  return reply;
}

std::string Describe(const FtpAction& action) {
  switch (action.kind) {
    case FtpAction::Kind::kSend:
      return action.command;
    case FtpAction::Kind::kAwaitReply:
      return "await";
    case FtpAction::Kind::kConnectData:
      return "connect " + std::to_string(action.port);
    case FtpAction::Kind::kListen:
      return "listen";
    case FtpAction::Kind::kStartTls:
      return "tls";
    case FtpAction::Kind::kMoveData: {
      const std::string move = action.secureData ? "secure move" : "move";
      return action.sizeAnnounced ? move + " " + std::to_string(action.size) : move;
    }
    case FtpAction::Kind::kDone:
      return "done";
    case FtpAction::Kind::kFail:
      return (action.dropConnection ? "drop " : "fail ") + std::to_string(action.error);
  }
  return "?";
}

FtpAction Answer(FtpConversation& talk, const FtpAction& action, const std::string& answer) {
  std::istringstream in(answer);
  switch (action.kind) {
    case FtpAction::Kind::kConnectData:
    case FtpAction::Kind::kStartTls: {
      DWORD error = ERROR_SUCCESS;
      if (answer != "ok") in >> error;
      return action.kind == FtpAction::Kind::kStartTls ? talk.OnTlsStarted(error)
                                                       : talk.OnDataConnected(error);
    }
    case FtpAction::Kind::kListen: {
      std::string address;
      unsigned port = 0;
      in >> address >> port;
      return talk.OnListening(address.find(':') != std::string::npos, address,
                              static_cast<uint16_t>(port));
    }
    case FtpAction::Kind::kMoveData: {
      uint64_t first = 0;
      uint64_t second = 0;
      in >> first;
      if (in >> second) return talk.OnDataMoved(static_cast<DWORD>(first), second);
      return talk.OnDataMoved(ERROR_SUCCESS, first);
    }
    default:
      return talk.OnReply(Reply(answer));
  }
}

// Runs a case on `talk` (a conversation that may have logged in before).
void Play(FtpConversation& talk, const Case& c) {
  SCOPED_TRACE(c.name);
  FtpAction action = c.start(talk);
  for (size_t i = 0; i < c.exchanges.size(); ++i) {
    ASSERT_EQ(Describe(action), c.exchanges[i].asks) << "exchange " << i;
    action = Answer(talk, action, c.exchanges[i].answer);
  }
  EXPECT_EQ(Describe(action), c.end);
}

const char kFeatures[] =
    "211-Features:\r\n EPSV\r\n MLST type*;size*;modify*;\r\n SIZE\r\n UTF8\r\n211 End";

// A conversation logged in to a server with `features` (a FEAT reply), over IPv6 or not, whose
// PWD gives `pwd` (by default it is refused: paths go as they are given).
FtpConversation LoggedIn(const std::string& features = kFeatures, bool ipv6 = false,
                         const std::string& pwd = "500 no") {
  FtpConversation talk;
  FtpAction action = talk.Login(false, "u", "p", ipv6);
  for (const char* reply : {"220 hi", "331 pw", "230 in"}) action = talk.OnReply(Reply(reply));
  action = talk.OnReply(Reply(features));
  if (action.kind == FtpAction::Kind::kSend && action.command == "OPTS UTF8 ON") {
    action = talk.OnReply(Reply("200 ok"));
  }
  action = talk.OnReply(Reply("200 binary"));
  action = talk.OnReply(Reply(pwd));
  EXPECT_EQ(action.kind, FtpAction::Kind::kDone);
  return talk;
}

auto Login(bool anonymous = false, FtpSecurity security = FtpSecurity::kPlain) {
  return [anonymous, security](FtpConversation& t) {
    return t.Login(anonymous, "u", "p", false, security);
  };
}
auto Get(const char* path) {
  return [path](FtpConversation& t) { return t.Get(path); };
}
auto List(const char* folder) {
  return [folder](FtpConversation& t) { return t.List(folder); };
}

TEST(OwnConversation, Logins) {
  std::vector<Exchange> flood;
  for (int i = 0; i <= kMostPreliminaryReplies; ++i) flood.push_back({"await", "120 soon"});
  const std::vector<Case> table = {
      {"user and password, features, UTF-8",
       Login(),
       {{"await", "220 hi"},
        {"USER u", "331 pw"},
        {"PASS p", "230 in"},
        {"FEAT", kFeatures},
        {"OPTS UTF8 ON", "500 no"},
        {"TYPE I", "200 ok"},
        {"PWD", "257 \"/home/u\" is the current directory"}},
       "done"},
      {"anonymous, logged in without a password, no FEAT",
       Login(true),
       {{"await", "120 soon"},
        {"await", "220 hi"},
        {"USER anonymous", "230 in"},
        {"FEAT", "500 what"},
        {"TYPE I", "200 ok"},
        {"PWD", "500 what"}},
       "done"},
      {"the password of anonymous",
       Login(true),
       {{"await", "220 hi"}, {"USER anonymous", "331 pw"}, {"PASS zevftp@", "530 no"}},
       "fail 12015"},
      {"an unknown user", Login(), {{"await", "220 hi"}, {"USER u", "530 no"}}, "fail 12015"},
      {"a greeting that turns us away", Login(), {{"await", "421 too many"}}, "fail 12003"},
      {"binary refused",
       Login(),
       {{"await", "220 hi"}, {"USER u", "230 in"}, {"FEAT", "211 none"}, {"TYPE I", "504 no"}},
       "fail 12003"},
      {"preliminary replies for ever", Login(), flood, "drop 12002"},
      {"an account wanted (332): the password is no answer to it",
       Login(),
       {{"await", "220 hi"}, {"USER u", "332 Need account for login."}},
       "fail 12003"},
      {"an account wanted after the password",
       Login(),
       {{"await", "220 hi"}, {"USER u", "331 pw"}, {"PASS p", "332 Need account"}},
       "fail 12003"},
  };
  for (const Case& c : table) {
    FtpConversation talk;
    Play(talk, c);
    // However the login ended, the password is not kept.
    EXPECT_FALSE(talk.holdsPassword()) << c.name;
  }
}

TEST(OwnConversation, DownloadsAreHeldToTheSizeTheServerAnnouncesOnly) {
  const std::vector<Case> table = {
      {"SIZE, then exactly that many bytes",
       Get("/a b.bin"),
       {{"SIZE /a b.bin", "213 100"},
        {"EPSV", "229 Entering Extended Passive Mode (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /a b.bin", "150 Here it comes."},
        {"move 100", "100"},
        {"await", "226 Done"}},
       "done"},
      {"fewer bytes than SIZE said, and a lying 226",
       Get("/x"),
       {{"SIZE /x", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"move 100", "50"},
        {"await", "226 Done"}},
       "fail 12030"},
      {"more bytes than SIZE said: stopped on our side, the server's answer read",
       Get("/x"),
       {{"SIZE /x", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"move 100", "12030 100"},
        {"await", "426 Aborted"}},
       "fail 12030"},
      {"a 150 reply cannot raise the size SIZE said",
       Get("/log"),
       {{"SIZE /log", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /log", "150 Opening BINARY mode data connection for log (99999999999 bytes)."},
        {"move 100", "100"},
        {"await", "226 Done"}},
       "done"},
      {"no SIZE: what arrives is the file",
       Get("/x"),
       {{"SIZE /x", "550 no"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "125 go"},
        {"move", "300000"},
        {"await", "250 Done"}},
       "done"},
      {"a silent data connection gives the connection up",
       Get("/x"),
       {{"SIZE /x", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"move 100", "12002 10"}},
       "drop 12002"},
      {"a local disk that fills waits for the server's word and fails with its code",
       Get("/x"),
       {{"SIZE /x", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"move 100", "112 40"},
        {"await", "426 Aborted"}},
       "fail 112"},
      {"refused: the server's reply is the error",
       Get("/x"),
       {{"SIZE /x", "550 no"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "550 No such file"}},
       "fail 12003"},
      {"the data connection cannot be made",
       Get("/x"),
       {{"SIZE /x", "213 1"}, {"EPSV", "229 (|||5000|)"}, {"connect 5000", "12029"}},
       "fail 12029"},
      {"a transfer that ends badly",
       Get("/x"),
       {{"SIZE /x", "550 no"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"move", "3"},
        {"await", "451 Local error"}},
       "fail 12003"},
  };
  for (const Case& c : table) {
    FtpConversation talk = LoggedIn();
    Play(talk, c);
  }
  // Without SIZE among the features none is asked.
  FtpConversation plain = LoggedIn("211 no features");
  Play(plain, {"no SIZE offered",
               Get("/x"),
               {{"EPSV", "229 (|||5000|)"},
                {"connect 5000", "ok"},
                {"RETR /x", "150 go"},
                {"move", "7"},
                {"await", "226 Done"}},
               "done"});
}

TEST(OwnConversation, PassiveFirstThenActiveAndEachRefusalRemembered) {
  const char* noFeatures = "211 none";
  FtpConversation v4 = LoggedIn(noFeatures);
  Play(v4, {"EPSV refused, PASV refused, EPRT refused: PORT",
            Get("/x"),
            {{"EPSV", "500 no"},
             {"PASV", "502 no"},
             {"listen", "127.0.0.1 1027"},
             {"EPRT |1|127.0.0.1|1027|", "500 no"},
             {"PORT 127,0,0,1,4,3", "200 ok"},
             {"RETR /x", "150 go"},
             {"move", "1"},
             {"await", "226 Done"}},
            "done"});
  // The refusals hold for the connection: the next transfer goes straight to active mode.
  Play(v4, {"active from now on",
            List(""),
            {{"listen", "127.0.0.1 2000"},
             {"EPRT |1|127.0.0.1|2000|", "200 ok"},
             {"LIST", "150 go"},
             {"move", "0"},
             {"await", "226 Done"}},
            "done"});

  FtpConversation pasv = LoggedIn(noFeatures);
  Play(pasv, {"PASV's address is not taken, only its port",
              Get("/x"),
              {{"EPSV", "500 no"},
               {"PASV", "227 Entering Passive Mode (10,255,255,1,4,1)"},
               {"connect 1025", "ok"},
               {"RETR /x", "150 go"},
               {"move", "1"},
               {"await", "226 Done"}},
              "done"});
  Play(pasv, {"and PASV it stays",
              Get("/y"),
              {{"PASV", "227 (127,0,0,1,0,80)"}, {"connect 80", "ok"}, {"RETR /y", "550 no"}},
              "fail 12003"});

  FtpConversation v6 = LoggedIn(noFeatures, true);
  Play(v6, {"IPv6 has no PASV and no PORT",
            Get("/x"),
            {{"EPSV", "500 no"}, {"listen", "::1 3000"}, {"EPRT |2|::1|3000|", "500 no"}},
            "fail 12003"});

  FtpConversation odd = LoggedIn(noFeatures);
  Play(odd, {"an EPSV reply without a port", Get("/x"), {{"EPSV", "229 whatever"}}, "fail 12003"});
}

TEST(OwnConversation, ListingsTakeMlsdWhereOfferedAndFallBackToList) {
  FtpConversation mlsd = LoggedIn();
  Play(mlsd, {"MLSD of a folder",
              List("/pub/"),
              {{"EPSV", "229 (|||5000|)"}, {"connect 5000", "ok"}, {"MLSD /pub/", "150 go"}},
              "move"});
  EXPECT_TRUE(mlsd.listingIsMlsd());

  FtpConversation refusing = LoggedIn();
  Play(refusing, {"MLST offered, MLSD not: LIST on a new data connection",
                  List("/pub/"),
                  {{"EPSV", "229 (|||5000|)"},
                   {"connect 5000", "ok"},
                   {"MLSD /pub/", "502 not implemented"},
                   {"EPSV\r\nLIST /pub/", "229 (|||5001|)"},
                   {"connect 5001", "ok"},
                   {"await", "150 go"},
                   {"move", "400"},
                   {"await", "226 Done"}},
                  "done"});
  EXPECT_FALSE(refusing.listingIsMlsd());

  FtpConversation list = LoggedIn("211 none");
  Play(list, {"the login folder: LIST without an argument; a listing past its cap",
              List(""),
              {{"EPSV", "229 (|||5000|)"},
               {"connect 5000", "ok"},
               {"LIST", "150 go"},
               {"move", "12030 900000"},
               {"await", "426 Closed"}},
              "fail 12030"});
  Play(list,
       {"a folder that cannot be listed",
        List("/no/"),
        {{"EPSV\r\nLIST /no/", "229 (|||5000|)"}, {"connect 5000", "ok"}, {"await", "550 No"}},
        "fail 12003"});
}

// Once EPSV and its data connection have worked, a listing sends EPSV and its command together:
// the server waits for the data connection. Whatever goes wrong, the listing command's own reply
// is read before anything else is sent.
TEST(OwnConversation, ListingsSendTheirCommandWithEpsvOnceEpsvWorks) {
  const auto proven = [] {
    FtpConversation talk = LoggedIn("211 none");
    Play(talk, {"EPSV works",
                List("/a/"),
                {{"EPSV", "229 (|||5000|)"},
                 {"connect 5000", "ok"},
                 {"LIST /a/", "150 go"},
                 {"move", "0"},
                 {"await", "226 Done"}},
                "done"});
    return talk;
  };
  const std::vector<Case> table = {
      {"425 to the early command: once more one at a time, and so from then on",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "229 (|||5001|)"},
        {"connect 5001", "ok"},
        {"await", "425 Use PORT or PASV first"},
        {"EPSV", "229 (|||5002|)"},
        {"connect 5002", "ok"},
        {"LIST /a/", "150 go"}},
       "move"},
      {"EPSV refused: the listing's reply is let go before PASV",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "500 no"},
        {"await", "150 trying the default port"},
        {"await", "425 no"},
        {"PASV", "227 (127,0,0,1,0,80)"},
        {"connect 80", "ok"},
        {"LIST /a/", "150 go"}},
       "move"},
      {"no data connection: the reply is read, then the failure",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "229 (|||5001|)"}, {"connect 5001", "12029"}, {"await", "426 gone"}},
       "fail 12029"},
      {"no data connection, yet the server starts: the connection is given up",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "229 (|||5001|)"}, {"connect 5001", "12029"}, {"await", "150 go"}},
       "drop 12029"},
      {"the server closes the connection (421): aborted, not refused",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "421 Timeout: closing control connection."}},
       "drop 12030"},
      {"an EPSV reply without a port: out of step",
       List("/a/"),
       {{"EPSV\r\nLIST /a/", "229 whatever"}},
       "drop 12003"},
      {"downloads keep one command at a time",
       Get("/x"),
       {{"EPSV", "229 (|||5001|)"}, {"connect 5001", "ok"}, {"RETR /x", "550 no"}},
       "fail 12003"},
  };
  for (const Case& c : table) {
    FtpConversation talk = proven();
    Play(talk, c);
  }
}

// With the login folder known, a folder is listed from inside it (a server that hands LIST's
// argument to ls splits a name at its blanks), and every path the program gives relative to the
// login folder (the empty path, "pub/") is made absolute, since the connection moves.
TEST(OwnConversation, FoldersAreListedFromInsideAndPathsMadeAbsolute) {
  const std::string pwd = "257 \"/home/u \"\"q\"\"\" is the current directory";
  FtpConversation talk = LoggedIn("211 none", false, pwd);
  EXPECT_EQ(talk.loginFolder(), "/home/u \"q\"");
  Play(talk, {"a folder with a blank",
              List("/my dir/"),
              {{"CWD /my dir/", "250 ok"},
               {"EPSV", "229 (|||5000|)"},
               {"connect 5000", "ok"},
               {"LIST", "150 go"},
               {"move", "10"},
               {"await", "226 Done"}},
              "done"});
  Play(talk, {"a refresh of the folder the connection is in: no second CWD",
              List("/my dir/"),
              {{"EPSV\r\nLIST", "229 (|||5000|)"}, {"connect 5000", "ok"}, {"await", "150 go"}},
              "move"});
  Play(talk, {"the empty path is the login folder",
              List(""),
              {{"CWD /home/u \"q\"", "250 ok"},
               {"EPSV\r\nLIST", "229 (|||5000|)"},
               {"connect 5000", "ok"},
               {"await", "150 go"}},
              "move"});
  FtpConversation again = LoggedIn("211 none", false, "257 \"/\"");
  Play(again, {"a relative folder lies below the login folder; a server without CWD: the path",
               List("pub/"),
               {{"CWD /pub/", "502 not implemented"},
                {"EPSV", "229 (|||5000|)"},
                {"connect 5000", "ok"},
                {"LIST /pub/", "150 go"}},
               "move"});
  Play(again, {"a folder that cannot be entered is not listed by path (it would look empty)",
               List("/gone/"),
               {{"CWD /gone/", "550 No such directory"}},
               "fail 12003"});
  Play(again, {"downloads go by absolute path",
               Get("pub/a.txt"),
               {{"EPSV", "229 (|||5000|)"}, {"connect 5000", "ok"}, {"RETR /pub/a.txt", "550 no"}},
               "fail 12003"});
  Play(again, {"and deletes",
               [](FtpConversation& t) { return t.Delete("x"); },
               {{"DELE /x", "250 ok"}},
               "done"});
  FtpConversation sized = LoggedIn(kFeatures, false, "257 \"/home/u\"");
  Play(sized, {"SIZE asks about the file RETR fetches",
               Get("a.txt"),
               {{"SIZE /home/u/a.txt", "213 5"},
                {"EPSV", "229 (|||5000|)"},
                {"connect 5000", "ok"},
                {"RETR /home/u/a.txt", "550 no"}},
               "fail 12003"});
  // A PWD that names no absolute folder leaves paths as they are.
  FtpConversation odd = LoggedIn("211 none", false, "257 \"C:\\data\"");
  EXPECT_EQ(odd.loginFolder(), "");
  Play(odd, {"no CWD without the login folder",
             List(""),
             {{"EPSV", "229 (|||5000|)"}, {"connect 5000", "ok"}, {"LIST", "150 go"}},
             "move"});
}

TEST(OwnConversation, SimpleCommandsSucceedOnlyOnTheirOwnReply) {
  const std::vector<Case> table = {
      {"delete",
       [](FtpConversation& t) { return t.Delete("/a"); },
       {{"DELE /a", "250 gone"}},
       "done"},
      {"delete refused",
       [](FtpConversation& t) { return t.Delete("/a"); },
       {{"DELE /a", "550 no"}},
       "fail 12003"},
      {"a preliminary reply first",
       [](FtpConversation& t) { return t.Delete("/a"); },
       {{"DELE /a", "120 soon"}, {"await", "250 gone"}},
       "done"},
      {"make a folder",
       [](FtpConversation& t) { return t.MakeFolder("/n"); },
       {{"MKD /n", "257 \"/n\" created"}},
       "done"},
      {"a folder that exists",
       [](FtpConversation& t) { return t.MakeFolder("/n"); },
       {{"MKD /n", "550 exists"}},
       "fail 12003"},
      {"an upload",
       [](FtpConversation& t) { return t.Put("/up.bin"); },
       {{"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"STOR /up.bin", "150 go"},
        {"move", "3000"},
        {"await", "226 Stored"}},
       "done"},
      {"quit, whatever the answer",
       [](FtpConversation& t) { return t.Quit(); },
       {{"QUIT", "500 what"}},
       "done"},
  };
  for (const Case& c : table) {
    FtpConversation talk = LoggedIn();
    Play(talk, c);
  }
}

// Over TLS: AUTH TLS before anything else (explicit), the handshake and certificate before the
// user's name, PBSZ and PROT after the login; a refusal of any of them ends the connect and the
// connection rather than go on in clear text.
TEST(OwnConversation, TlsLoginsNeverSendTheUserInClearText) {
  const FtpSecurity kExplicit = FtpSecurity::kExplicitTls;
  const std::vector<Case> table = {
      {"explicit: AUTH TLS, handshake, login, PBSZ, PROT",
       Login(false, kExplicit),
       {{"await", "220 hi"},
        {"AUTH TLS", "234 go"},
        {"tls", "ok"},
        {"USER u", "331 pw"},
        {"PASS p", "230 in"},
        {"PBSZ 0", "200 PBSZ=0"},
        {"PROT P", "200 ok"},
        {"FEAT", "211 none"},
        {"TYPE I", "200 ok"},
        {"PWD", "500 no"}},
       "done"},
      {"implicit: the handshake came before the greeting",
       Login(true, FtpSecurity::kImplicitTls),
       {{"await", "220 hi"},
        {"USER anonymous", "230 in"},
        {"PBSZ 0", "200 ok"},
        {"PROT P", "200 ok"},
        {"FEAT", "500 what"},
        {"TYPE I", "200 ok"},
        {"PWD", "500 no"}},
       "done"},
      {"AUTH TLS refused",
       Login(false, kExplicit),
       {{"await", "220 hi"}, {"AUTH TLS", "530 no"}},
       "drop 12003"},
      {"AUTH TLS answered as AUTH SSL would be",
       Login(false, kExplicit),
       {{"await", "220 hi"}, {"AUTH TLS", "334 ADAT"}},
       "drop 12003"},
      {"a certificate the system does not trust",
       Login(false, kExplicit),
       {{"await", "220 hi"}, {"AUTH TLS", "234 go"}, {"tls", "12045"}},
       "drop 12045"},
      {"a handshake that fails",
       Login(false, kExplicit),
       {{"await", "220 hi"}, {"AUTH TLS", "234 go"}, {"tls", "12157"}},
       "drop 12157"},
      {"PBSZ refused",
       Login(false, kExplicit),
       {{"await", "220 hi"},
        {"AUTH TLS", "234 go"},
        {"tls", "ok"},
        {"USER u", "230 in"},
        {"PBSZ 0", "503 no"}},
       "drop 12003"},
      {"clear data connections only",
       Login(false, kExplicit),
       {{"await", "220 hi"},
        {"AUTH TLS", "234 go"},
        {"tls", "ok"},
        {"USER u", "230 in"},
        {"PBSZ 0", "200 ok"},
        {"PROT P", "536 not supported"}},
       "drop 12003"},
  };
  for (const Case& c : table) {
    FtpConversation talk;
    Play(talk, c);
    EXPECT_FALSE(talk.holdsPassword()) << c.name;
  }
}

FtpConversation LoggedInOverTls() {
  FtpConversation talk;
  Play(talk, {"login",
              Login(false, FtpSecurity::kImplicitTls),
              {{"await", "220 hi"},
               {"USER u", "230 in"},
               {"PBSZ 0", "200 ok"},
               {"PROT P", "200 ok"},
               {"FEAT", kFeatures},
               {"OPTS UTF8 ON", "200 ok"},
               {"TYPE I", "200 ok"},
               {"PWD", "500 no"}},
              "done"});
  EXPECT_TRUE(talk.dataProtected());
  return talk;
}

TEST(OwnConversation, ProtectedTransfersHandshakeAfterTheServerAcceptedTheCommand) {
  const std::vector<Case> table = {
      {"a download over TLS",
       Get("/x"),
       {{"SIZE /x", "213 100"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "150 go"},
        {"secure move 100", "100"},
        {"await", "226 Done"}},
       "done"},
      {"session reuse required: the data connection dropped, then 522",
       List("/"),
       {{"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"MLSD /", "150 go"},
        {"secure move", "12030 0"},
        {"await", "522 SSL connection failed: session reuse required"}},
       "fail 12157"},
      {"522 before any data",
       Get("/x"),
       {{"SIZE /x", "213 1"},
        {"EPSV", "229 (|||5000|)"},
        {"connect 5000", "ok"},
        {"RETR /x", "522 Data connections must be encrypted"}},
       "fail 12157"},
  };
  for (const Case& c : table) {
    FtpConversation talk = LoggedInOverTls();
    Play(talk, c);
  }
  // Without TLS a 522 is just a refusal (EPRT's "use another family" among them).
  FtpConversation plain = LoggedIn();
  EXPECT_FALSE(plain.dataProtected());
  Play(plain, {"522 in clear text",
               Get("/x"),
               {{"SIZE /x", "213 1"},
                {"EPSV", "229 (|||5000|)"},
                {"connect 5000", "ok"},
                {"RETR /x", "522 no"}},
               "fail 12003"});
}

}  // namespace
