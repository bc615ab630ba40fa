// A site's host text: the two TLS schemes with their hosts, ports and IPv6 brackets, texts that
// are no usable address, everything else left to the plain client as typed; and which port a
// TLS site connects to when both the host text and the port field name one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ftp/site_address.h"

namespace {

constexpr FtpSecurity kPlain = FtpSecurity::kPlain;
constexpr FtpSecurity kExplicit = FtpSecurity::kExplicitTls;
constexpr FtpSecurity kImplicit = FtpSecurity::kImplicitTls;

TEST(SiteAddress, TlsSchemesHostsAndPorts) {
  struct Case {
    std::string text;
    FtpSecurity security;
    std::string host;
    uint16_t port;
  };
  const std::vector<Case> cases = {
      {"ftpes://localhost", kExplicit, "localhost", 0},
      {"ftps://files.example.org:2990", kImplicit, "files.example.org", 2990},
      {"FTPeS://Host", kExplicit, "Host", 0},
      {"ftpes://127.0.0.1:21/", kExplicit, "127.0.0.1", 21},
      {"ftpes://[::1]:2121", kExplicit, "::1", 2121},
      {"ftps://[2001:db8::1]", kImplicit, "2001:db8::1", 0},
      {"ftpes://host:65535", kExplicit, "host", 65535},
      // Not TLS: passed on as typed, whatever it holds.
      {"files.example.org", kPlain, "files.example.org", 0},
      {"ftp://files.example.org", kPlain, "ftp://files.example.org", 0},
      {"ftps:/files", kPlain, "ftps:/files", 0},
      {" ftpes://host", kPlain, " ftpes://host", 0},
      {"", kPlain, "", 0},
  };
  for (const Case& c : cases) {
    const SiteAddress address = ParseSiteAddress(c.text);
    EXPECT_TRUE(address.valid) << c.text;
    EXPECT_EQ(address.security, c.security) << c.text;
    EXPECT_EQ(address.host, c.host) << c.text;
    EXPECT_EQ(address.port, c.port) << c.text;
    EXPECT_EQ(IsTlsHostText(c.text), c.security != kPlain) << c.text;
  }
}

TEST(SiteAddress, TlsTextsThatNameNoServerAreRefused) {
  for (const char* text : {"ftpes://",          "ftps://:990",        "ftpes://host:",
                           "ftpes://host:0",    "ftpes://host:65536", "ftpes://host:99999999999",
                           "ftpes://host:21x",  "ftpes://host:-21",   "ftpes://a b",
                           "ftpes://user@host", "ftpes://host/pub/",  "ftpes://::1",
                           "ftpes://[::1",      "ftpes://[]",         "ftpes://[host]",
                           "ftpes://[::1]x",    "ftpes://[::1]:",     "ftpes://host\\x",
                           "ftps://host:2:3",   "ftpes://ho\tst"}) {
    const SiteAddress address = ParseSiteAddress(text);
    EXPECT_FALSE(address.valid) << text;
    EXPECT_NE(address.security, kPlain) << text;
  }
}

// The "Port Number:" field wins unless it is empty (0) or 21, which the site file stores for an
// empty field; then the host text's port, then the scheme's.
TEST(SiteAddress, ThePortFieldWinsUnlessItIsTheStoredDefault) {
  struct Case {
    const char* text;
    uint16_t field;
    uint16_t port;
  };
  const std::vector<Case> cases = {
      {"ftpes://host", 0, 21},        {"ftps://host", 0, 990},
      {"ftps://host", 21, 990},       {"ftpes://host:2121", 21, 2121},
      {"ftpes://host:2121", 0, 2121}, {"ftpes://host:2121", 3000, 3000},
      {"ftps://host", 2990, 2990},    {"ftps://host:21", 21, 21},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TlsSitePort(ParseSiteAddress(c.text), c.field), c.port)
        << c.text << " field " << c.field;
  }
}

}  // namespace
