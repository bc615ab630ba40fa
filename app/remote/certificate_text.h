// The texts the program shows about TLS: a certificate's texts as a box shows them, the question
// asked about a certificate the system does not trust, and what a failed TLS data connection
// means. Plain text from plain data, no windows.
#pragma once

#include <cstddef>
#include <string>

#include "app/ftp/server_certificate.h"

// The most bytes a certificate's text (subject, issuer, host) takes in the box, "..." included.
constexpr size_t kMostCertificateFieldLength = 128;

// A text of a certificate as the box shows it: control characters, DEL and "\" escaped ("\n",
// "\x00", "\\"), so that no line break in a certificate reaches the box; where the text is UTF-8
// (`utf8`), also the C1 controls and the characters that break or reorder lines (U+2028,
// U+202E ...) as "\u202E" and a byte that starts no character as "\xFF". A run of more than 40
// characters without a blank goes on on an indented line (CR LF and two blanks). Then cut to
// `most` bytes, "..." included, between whole characters and escapes.
std::string ShownCertificateText(const std::string& text, bool utf8,
                                 size_t most = kMostCertificateFieldLength);

// A fingerprint's hex pairs 16 to a line (lines joined by CR LF): a line of all 32 pairs of a
// SHA-256 fingerprint is wider than a message box and was cut at its edge.
std::string FingerprintLines(const std::string& fingerprint);

// The text of the Yes/No box after a connect stopped on the certificate: each reason it failed,
// subject, issuer, validity and fingerprint, then whether to connect anyway. `utf8`: the texts
// are in UTF-8 (the program's code page is).
std::string CertificateQuestion(const ServerCertificate& certificate, bool utf8);

// The text for a failed TLS connection (ERROR_INTERNET_SECURITY_CHANNEL_ERROR), given the
// server's last reply: its 522 refuses a data connection that did not resume the control
// connection's TLS session.
std::string TlsFailureText(const std::string& lastReply);
