// The program's own FTP client over Winsock (OwnFtpClient() in ftp_client.h), for platforms whose
// WinInet cannot be relied on: what it offers beyond the FtpClient interface.
#pragma once

#include <windows.h>

// The wait of the own client, 30 s unless changed: a connect, the first byte of a reply and the
// whole reply from there, and every stretch of a transfer that moves less than 1 KiB end after it
// with ERROR_INTERNET_TIMEOUT. Tests shorten it; the program never calls it.
void SetOwnClientTimeout(DWORD milliseconds);
DWORD OwnClientTimeout();
