// A server certificate the program could not trust, as the user is shown it: why it failed and
// which certificate it is; and the text forms its fields are written in. Plain data, without
// windows.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ServerCertificate {
  // The connect's error: ERROR_INTERNET_INVALID_CA (12045), ERROR_INTERNET_SEC_CERT_CN_INVALID
  // (12038) or ERROR_INTERNET_SEC_CERT_DATE_INVALID (12037); 0 for a certificate that passed.
  uint32_t error = 0;
  // Every check it failed (the error names the first of them in this order).
  bool unknownAuthority = false;  // no authority the system trusts issued it (self-signed too)
  bool notTimeValid = false;      // expired, or not valid yet
  bool wrongName = false;         // issued for other names than `host`
  std::string host;               // the name it was checked against
  std::string subject;            // "O=ZevFtp tests, CN=localhost"
  std::string issuer;
  std::string validFrom;  // "2026-12-09 11:19:18 UTC"
  std::string validTo;
  std::string sha256;  // "AB:12:...", as `openssl x509 -fingerprint -sha256` writes it
};

// Upper-case hex pairs joined by ":" (the form of `openssl x509 -fingerprint`).
std::string FingerprintText(const unsigned char* bytes, size_t size);

// "2026-12-09 11:19:18 UTC".
std::string UtcTimeText(int year, int month, int day, int hour, int minute, int second);

// One attribute of a distinguished name: its short type ("CN", "O", or the OID's dotted text)
// and its value as the certificate holds it, NULs and line breaks included.
struct NameAttribute {
  std::string type;
  std::string value;
};

// "O=ZevFtp tests, CN=localhost": the attributes in their encoded order, as CertNameToStr writes
// them (a value holding a separator, a quote or an edge blank goes in quotes, its quotes
// doubled), but whole: what follows a NUL in a value stays.
std::string DistinguishedNameText(const std::vector<NameAttribute>& attributes);
