// The one FTP connection: opening the internet session and connecting to the site chosen in the
// site window, closing both again, the command states that follow being connected, and the
// message box with the text of a failed call's error code.
#pragma once

#include <windows.h>

#include <string>

#include "app/ftp/server_certificate.h"

// Every WinInet call that takes a context gets this one; the status callback only hears of
// handles with a non-zero context.
constexpr DWORD_PTR kInternetContext = 255;
extern const char* const kAgentName;              // "ZEVFTP"
extern const char* const kCertificateBoxCaption;  // "ZevFtp"

// Opens the connection to the site in the site window's fields, once the site window was last
// closed with "&Ok": an existing connection is closed first; on success the status bar says
// "Connected", and a site other than the last one connected to (host, port or user) starts in
// its login folder (remotePath empty). Failure: "Connection Failed" in the status bar and in a
// box (after the certificate box's "No" in the status bar only), false.
// ConnectToSite (commands.h) lists and switches the commands after it.
bool OpenConnection();
// The toolbar, the remote popup and the main menu as they are while connected.
void ShowConnectedCommands();
// Closes the connection, then the session; each handle once, and only one that is set.
void Disconnect();
bool IsConnected();

// The one box about a certificate the system does not trust, owned by the main window; true for
// "Yes".
bool AskToTrustCertificate(const ServerCertificate& certificate);

// The text shown for an error code: the system's text; for WinInet's own codes the server's
// last reply (ERROR_INTERNET_EXTENDED_ERROR) or WinInet's message text; otherwise "Error N".
// Never empty.
std::string ErrorText(DWORD code);
// ErrorText in the plain message box.
void ShowErrorText(DWORD code);
