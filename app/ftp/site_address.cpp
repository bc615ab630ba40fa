#include "app/ftp/site_address.h"

#include "app/ftp/ftp_text.h"

namespace {

constexpr std::string_view kExplicitScheme = "ftpes://";
constexpr std::string_view kImplicitScheme = "ftps://";
constexpr uint32_t kHighestPort = 65535;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// Digits only, 1..65535.
bool ParsePort(std::string_view text, uint16_t& port) {
  if (text.empty() || text.size() > 5) return false;
  uint32_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value == 0 || value > kHighestPort) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

// A name or address as a resolver takes it: no blanks, controls or URL delimiters.
bool UsableHost(std::string_view host, bool bracketed) {
  if (host.empty()) return false;
  for (char c : host) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 0x7F) return false;
    if (c == '/' || c == '@' || c == '[' || c == ']' || c == '?' || c == '#' || c == '\\') {
      return false;
    }
    if (c == ':' && !bracketed) return false;
  }
  // Brackets hold an IPv6 address and nothing else.
  return !bracketed || host.find(':') != std::string_view::npos;
}

}  // namespace

bool IsTlsHostText(std::string_view text) {
  return StartsWithNoCase(text, kExplicitScheme) || StartsWithNoCase(text, kImplicitScheme);
}

SiteAddress ParseSiteAddress(std::string_view text) {
  SiteAddress address;
  std::string_view rest;
  if (StartsWithNoCase(text, kExplicitScheme)) {
    address.security = FtpSecurity::kExplicitTls;
    rest = text.substr(kExplicitScheme.size());
  } else if (StartsWithNoCase(text, kImplicitScheme)) {
    address.security = FtpSecurity::kImplicitTls;
    rest = text.substr(kImplicitScheme.size());
  } else {
    address.host = std::string(text);
    return address;
  }
  address.valid = false;
  // A closing slash is how addresses are often pasted; a path after it is not a site.
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  std::string_view host = rest;
  std::string_view port;
  bool bracketed = false;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) return address;
    host = rest.substr(1, close - 1);
    bracketed = true;
    const std::string_view after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return address;
      port = after.substr(1);
      if (port.empty()) return address;
    }
  } else {
    const size_t colon = rest.find(':');
    if (colon != std::string_view::npos) {
      host = rest.substr(0, colon);
      port = rest.substr(colon + 1);
      if (port.empty()) return address;
    }
  }
  if (!UsableHost(host, bracketed)) return address;
  if (!port.empty() && !ParsePort(port, address.port)) return address;
  address.host = std::string(host);
  address.valid = true;
  return address;
}

uint16_t TlsSitePort(const SiteAddress& address, uint16_t fieldPort) {
  if (fieldPort != 0 && fieldPort != kPlainFtpPort) return fieldPort;
  if (address.port != 0) return address.port;
  return address.security == FtpSecurity::kImplicitTls ? kImplicitTlsPort : kPlainFtpPort;
}
