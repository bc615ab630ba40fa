// The texts the program shows about TLS: a certificate fingerprint and a certificate time as the
// user reads them, the question asked about a certificate the system does not trust, and what a
// failed TLS data connection means. Plain text from plain data, no windows.
#pragma once

#include <cstddef>
#include <string>

#include "app/ftp/server_certificate.h"

// Upper-case hex pairs joined by ":" (the form of `openssl x509 -fingerprint`).
std::string FingerprintText(const unsigned char* bytes, size_t size);

// "2026-12-09 11:19:18 UTC".
std::string UtcTimeText(int year, int month, int day, int hour, int minute, int second);

// The text of the Yes/No box after a connect stopped on the certificate: each reason it failed,
// subject, issuer, validity and fingerprint, then whether to connect anyway.
std::string CertificateQuestion(const ServerCertificate& certificate);

// The text for a failed TLS connection (ERROR_INTERNET_SECURITY_CHANNEL_ERROR), given the
// server's last reply: its 522 refuses a data connection that did not resume the control
// connection's TLS session.
std::string TlsFailureText(const std::string& lastReply);
