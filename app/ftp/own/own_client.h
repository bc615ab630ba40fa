// The program's own FTP client over Winsock (OwnFtpClient() in ftp_client.h), for platforms whose
// WinInet cannot be relied on: what it offers beyond the FtpClient interface.
#pragma once

#include <windows.h>

#include <string>

#include "app/ftp/server_certificate.h"

// Servers in use send no "..": a listing of `folder` gets one first, so the pane can always go
// up, in every folder but the login folder (the empty path) and the root. At the root it gets
// one where the login put the connection in another folder (`loginFolder`, as PWD said, empty
// when unknown): ".." from "/" leads there. Where none is put first, a server's own ".." is kept
// where it came.
bool ListsParentFirst(const std::string& folder, const std::string& loginFolder);

// The wait of the own client, 30 s unless changed: a connect, the first byte of a reply and the
// whole reply from there, and every stretch of a transfer that moves less than 32 KiB end after
// it with ERROR_INTERNET_TIMEOUT. The bounds made of waits follow it: a whole connect (two waits)
// and the probes of a listing's links. Tests shorten it; the program never calls it.
void SetOwnClientTimeout(DWORD milliseconds);

// The certificate the last connect on this thread stopped on (ERROR_INTERNET_INVALID_CA,
// ERROR_INTERNET_SEC_CERT_CN_INVALID or ERROR_INTERNET_SEC_CERT_DATE_INVALID); `error` 0 when the
// last connect stopped on none.
ServerCertificate LastCertificate();
// The certificate with this SHA-256 fingerprint passes from now on, for the rest of the run.
void TrustCertificate(const std::string& sha256);
