// Whether a certificate's names are the host's (RFC 6125), over DER built here: addresses only by
// iPAddress entries, wildcards only as a whole left-most label above a base that is no public
// suffix, the common name only without a dNSName, and no name holding a NUL or broken DER.
#include "app/ftp/own/certificate_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Der(unsigned char tag, const std::string& contents) {
  return std::string(1, static_cast<char>(tag)) + static_cast<char>(contents.size()) + contents;
}

// A subject "O=ZevFtp tests", with "CN=`commonName`" unless that is empty.
std::string Subject(const std::string& commonName) {
  const std::string org = Der(0x30, Der(0x06, "\x55\x04\x0A") + Der(0x13, "ZevFtp tests"));
  const std::string cn = Der(0x30, Der(0x06, "\x55\x04\x03") + Der(0x0C, commonName));
  return Der(0x30, Der(0x31, org) + (commonName.empty() ? "" : Der(0x31, cn)));
}

const std::string kLoopback("\x7f\x00\x00\x01", 4);
const std::string kLoopback6 = std::string(15, '\0') + '\x01';
const std::string kNulName("localhost\0.evil.example", 23);

struct Case {
  const char* name;
  std::vector<std::string> dns;
  std::vector<std::string> ips;
  std::string commonName;  // empty: none
  const char* host;
  std::string address;  // the host's bytes when it is an address
  bool matches;
};

TEST(CertificateNames, OnlyTheHostsOwnNamesMatch) {
  const std::vector<Case> table = {
      {"the name, any case", {"Files.Example.ORG"}, {}, "", "files.example.org.", "", true},
      {"a wildcard label", {"*.example.org"}, {}, "", "a.example.org", "", true},
      {"one label only", {"*.example.org"}, {}, "", "a.b.example.org", "", false},
      {"a part of a label", {"f*.example.org"}, {}, "", "files.example.org", "", false},
      {"above a top-level domain", {"*.org"}, {}, "", "example.org", "", false},
      {"above a public suffix", {"*.co.uk"}, {}, "", "example.co.uk", "", false},
      {"a NUL inside", {kNulName}, {}, "", "localhost", "", false},
      {"the CN without dNSName", {}, {}, "files.example.org", "files.example.org", "", true},
      {"the CN beside addresses", {}, {kLoopback}, "localhost", "localhost", "", true},
      {"no CN beside a dNSName", {"other.example.org"}, {}, "localhost", "localhost", "", false},
      {"a CN with a NUL", {}, {}, kNulName, "localhost", "", false},
      {"an address by its entry", {}, {kLoopback}, "", "127.0.0.1", kLoopback, true},
      {"IPv6", {}, {kLoopback, kLoopback6}, "", "::1", kLoopback6, true},
      {"an address as a DNS name", {"127.0.0.1"}, {}, "", "127.0.0.1", kLoopback, false},
      {"a wildcard for an address", {"*.0.0.1"}, {}, "", "127.0.0.1", kLoopback, false},
      {"an address as the CN", {}, {}, "127.0.0.1", "127.0.0.1", kLoopback, false},
      {"an address written otherwise", {"127.1"}, {}, "", "127.1", "", false},
  };
  for (const Case& c : table) {
    std::string alt;
    for (const std::string& name : c.dns) alt += Der(0x82, name);
    for (const std::string& ip : c.ips) alt += Der(0x87, ip);
    CertificateNames names;
    if (!alt.empty()) ReadAltNames(Der(0x30, alt), names);
    ReadCommonNames(Subject(c.commonName), names);
    EXPECT_EQ(NamesHost(names, c.host, c.address), c.matches) << c.name;
  }
  // DER naming a length it does not hold names nothing, not even by the common name after it.
  CertificateNames broken;
  ReadAltNames(std::string("\x30\x05\x82\x09localhost", 13), broken);
  ReadCommonNames(Subject("localhost"), broken);
  EXPECT_FALSE(NamesHost(broken, "localhost", ""));
}

}  // namespace
