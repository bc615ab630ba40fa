// What a site's host text asks for: plain FTP to the text as it stands (as WinInet takes it), or
// FTP over TLS, "ftpes://host[:port]" (explicit: AUTH TLS on the plain port) or
// "ftps://host[:port]" (implicit: TLS from the first byte), an IPv6 address in brackets. Plain
// code over bytes, without windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class FtpSecurity { kPlain, kExplicitTls, kImplicitTls };

constexpr uint16_t kPlainFtpPort = 21;
constexpr uint16_t kImplicitTlsPort = 990;

struct SiteAddress {
  FtpSecurity security = FtpSecurity::kPlain;
  // The name or address to connect to: for a plain site the whole text; for a TLS site what
  // stands between the scheme and the port, without brackets. It is also the name the server's
  // certificate must carry.
  std::string host;
  uint16_t port = 0;  // given in the text; 0 when not
  bool valid = true;  // false: a TLS scheme followed by no usable host and port
};

// True when the text begins with one of the TLS schemes (in any case).
bool IsTlsHostText(std::string_view text);

SiteAddress ParseSiteAddress(std::string_view text);

// The port a TLS site connects to. The "Port Number:" field wins when it holds a port other than
// 21; 21 is also what the site file stores for an empty field, so like 0 it leaves the choice to
// the host text: its own port, otherwise the scheme's (21 explicit, 990 implicit).
uint16_t TlsSitePort(const SiteAddress& address, uint16_t fieldPort);
