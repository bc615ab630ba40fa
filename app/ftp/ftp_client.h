// The FTP client library the program talks to, as one small interface in WinInet's own shapes:
// handles or none, true/false results, the error code of a failure left in the thread's last
// error (GetLastError), progress through one status callback. Two implementations stand beside
// it: WinInet itself (wininet_client.cpp) and the program's own client over Winsock
// (own_client.cpp). The session, the remote pane and the transfers call nothing else.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, no proxy, no bypass, flags 0).
  virtual HINTERNET OpenSession(const char* agent) = 0;
  // InternetSetStatusCallback: every later report about the session and the handles made under
  // it goes to this one callback, on the calling thread, inside the call in progress.
  virtual void SetStatusCallback(HINTERNET session, INTERNET_STATUS_CALLBACK callback) = 0;
  // InternetConnectA(session, host, port, user, password, INTERNET_SERVICE_FTP, flags 0,
  // context). Port 0 is the default port (21); a null user and password log in anonymously.
  virtual HINTERNET Connect(HINTERNET session, const char* host, INTERNET_PORT port,
                            const char* user, const char* password, DWORD_PTR context) = 0;
  // FtpFindFirstFileA(connection, pattern, entry, flags, context): a find handle and the first
  // entry, or none. How a listing ends, told by GetLastError() once FindFirst gives none or
  // FindNext gives false:
  // - FindFirst none with ERROR_NO_MORE_FILES: the folder is empty (WinInet's shape; Wine's
  //   WinInet leaves 0 there, which means the same);
  // - FindFirst none with any other code: the listing failed and nothing was listed;
  // - FindNext false with ERROR_NO_MORE_FILES: the normal end, every entry was delivered;
  // - ERROR_MORE_DATA (from either): the listing was cut at the client's cap (500,000 entries):
  //   the entries delivered are the only ones, the folder holds more;
  // - FindNext false with any other code: the listing failed after the entries delivered so far.
  // With ERROR_INTERNET_EXTENDED_ERROR the server's refusal is in LastResponse().
  virtual HINTERNET FindFirst(HINTERNET connection, const char* pattern, WIN32_FIND_DATAA* entry,
                              DWORD flags, DWORD_PTR context) = 0;
  // InternetFindNextFileA: the next entry, or false at the end or on a failure (see FindFirst).
  virtual bool FindNext(HINTERNET find, WIN32_FIND_DATAA* entry) = 0;
  // The whole name, as the server spells it, of the entry FindFirst or FindNext last put into
  // `entry` through `find`. The record holds at most 259 bytes of it, and a name of 255
  // characters takes up to 765 bytes in UTF-8. WinInet's is the record's own name.
  virtual std::string FoundName(HINTERNET find, const WIN32_FIND_DATAA& entry) = 0;
  // Lines of the listing behind `find` that could not be read surely and gave no entry (asked
  // once its entries have ended, before the handle is closed). WinInet tells none.
  virtual size_t UnreadLines(HINTERNET find) = 0;
  // FtpGetFileA: true when the whole file arrived.
  virtual bool GetFile(HINTERNET connection, const char* remote, const char* local,
                       bool failIfExists, DWORD attributes, DWORD flags, DWORD_PTR context) = 0;
  // FtpPutFileA: true when the whole file was stored.
  virtual bool PutFile(HINTERNET connection, const char* local, const char* remote, DWORD flags,
                       DWORD_PTR context) = 0;
  // FtpDeleteFileA and FtpCreateDirectoryA (they take no context: the connection's is used).
  virtual bool RemoveFile(HINTERNET connection, const char* remote) = 0;
  virtual bool MakeFolder(HINTERNET connection, const char* remote) = 0;
  // InternetCloseHandle of a find, connection or session handle; none is ignored.
  virtual void Close(HINTERNET handle) = 0;
  // The server's last reply on this thread (InternetGetLastResponseInfoA), what a failure with
  // ERROR_INTERNET_EXTENDED_ERROR (12003) shows; without its closing line break.
  virtual std::string LastResponse() = 0;
};

enum class FtpClientKind {
  kPlatform,  // WinInet on Windows, the own client under Wine
  kWinInet,
  kOwn,
};

// The two implementations (one instance each for the whole run).
FtpClient& WinInetFtpClient();
FtpClient& OwnFtpClient();

// True when the program runs under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// The kind a connect made now uses; kPlatform resolves to one of the other two.
FtpClientKind ChosenFtpClientKind();
// Tests pick a client with this; the program itself never calls it (kPlatform is the default).
void SelectFtpClient(FtpClientKind kind);

// The client of that kind (kPlatform: the one for this platform).
FtpClient& FtpClientOf(FtpClientKind kind);
// The client whose handles the connection holds: the one the last connect chose (until then
// the chosen kind's).
FtpClient& CurrentFtpClient();
// Called by the connect before it opens a session: the chosen client becomes the current one.
FtpClient& UseChosenFtpClient();
// As UseChosenFtpClient for a site's host text: a TLS site ("ftpes://", "ftps://") always uses
// the own client (WinInet has no FTP over TLS); any other the chosen one.
FtpClient& UseFtpClientFor(const std::string& hostText);
