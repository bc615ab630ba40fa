// The own client's check of a TLS server's certificate: its chain against the system's trust
// store and its names against the host the user gave (CryptoAPI's SSL policy), mapped to
// WinInet's codes; the certificate described for the user; and the fingerprints the user chose
// to trust for the rest of the run.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "app/ftp/server_certificate.h"

// ERROR_SUCCESS when the certificate passes, or was trusted by the user (its fingerprint);
// otherwise ERROR_INTERNET_INVALID_CA, ERROR_INTERNET_SEC_CERT_DATE_INVALID or
// ERROR_INTERNET_SEC_CERT_CN_INVALID. `report` describes it either way.
DWORD CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host,
                             ServerCertificate& report);

// A distinguished name as the user reads it ("O=ZevFtp tests, CN=localhost"), every value
// whole: NULs and line breaks stay (the box escapes them).
std::string CertificateNameText(const CERT_NAME_BLOB& name);

// The certificate's DER bytes: a data connection's server must show the control connection's.
std::string EncodedCertificate(PCCERT_CONTEXT certificate);

// Trusted for this run by the user (the process, every thread).
void TrustFingerprint(const std::string& sha256);
bool FingerprintTrusted(const std::string& sha256);
