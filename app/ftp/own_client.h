// The program's own FTP client over Winsock (OwnFtpClient() in ftp_client.h), for platforms whose
// WinInet cannot be relied on: what it offers beyond the FtpClient interface.
#pragma once

#include <windows.h>

// Every wait of the own client (connect, a reply, the data of a transfer) ends after this many
// milliseconds with ERROR_INTERNET_TIMEOUT; 30 s unless changed. Tests shorten it; the program
// never calls it.
void SetOwnClientTimeout(DWORD milliseconds);
DWORD OwnClientTimeout();
