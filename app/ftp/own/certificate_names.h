// The names a server's certificate is issued for, read from its DER bytes, and whether they name
// the host the user gave (RFC 6125): an address only by an iPAddress entry of subjectAltName; a
// host name by a dNSName entry (a wildcard only as a whole left-most label), by the subject's
// common name only where there is no dNSName. Plain code over bytes, without windows.h, so a
// table of certificates tests it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CertificateNames {
  bool readable = true;                  // every part given was well-formed DER
  std::vector<std::string> dnsNames;     // dNSName entries, their bytes as encoded
  std::vector<std::string> addresses;    // iPAddress entries: 4 or 16 bytes
  std::vector<std::string> commonNames;  // the subject's CN values held as 8-bit strings
};

// The value of the subjectAltName extension (the GeneralNames sequence) into `names`.
void ReadAltNames(std::string_view der, CertificateNames& names);
// The subject (the Name sequence) into `names`: its common names.
void ReadCommonNames(std::string_view der, CertificateNames& names);

// Whether the names are the host's. `address` holds the host's address bytes (4 or 16) when the
// host is an address, and is empty for a host name. Unreadable names name nothing.
bool NamesHost(const CertificateNames& names, std::string_view host, std::string_view address);
