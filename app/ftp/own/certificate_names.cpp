#include "app/ftp/own/certificate_names.h"

#include "app/ftp/ftp_text.h"

namespace {

constexpr unsigned char kSequence = 0x30;
constexpr unsigned char kSet = 0x31;
constexpr unsigned char kObjectId = 0x06;
// GeneralName's [2] dNSName and [7] iPAddress, implicitly tagged (primitive).
constexpr unsigned char kDnsName = 0x82;
constexpr unsigned char kIpAddress = 0x87;
// id-at-commonName, 2.5.4.3.
constexpr std::string_view kCommonName("\x55\x04\x03", 3);

// One DER element: its tag and its contents.
struct Element {
  unsigned char tag = 0;
  std::string_view contents;
};

// Takes the next element off the front of `der`; false when it is not well-formed DER (a tag of
// the long form, an indefinite length, a length past the bytes).
bool Next(std::string_view& der, Element& element) {
  if (der.size() < 2) return false;
  const unsigned char tag = static_cast<unsigned char>(der[0]);
  if ((tag & 0x1F) == 0x1F) return false;
  size_t length = static_cast<unsigned char>(der[1]);
  size_t at = 2;
  if ((length & 0x80) != 0) {
    const size_t count = length & 0x7F;
    if (count == 0 || count > 3 || der.size() < at + count) return false;
    length = 0;
    for (size_t i = 0; i < count; ++i) length = length << 8 | static_cast<unsigned char>(der[at++]);
  }
  if (length > der.size() - at) return false;
  element.tag = tag;
  element.contents = der.substr(at, length);
  der.remove_prefix(at + length);
  return true;
}

// The one element `der` holds, of the given tag.
bool Only(std::string_view der, unsigned char tag, Element& element) {
  return Next(der, element) && element.tag == tag && der.empty();
}

// UTF8String, PrintableString, T61String, IA5String: a common name as bytes. (A name in UCS-2 or
// UCS-4 names no host this program can connect to.)
bool IsByteString(unsigned char tag) {
  return tag == 0x0C || tag == 0x13 || tag == 0x14 || tag == 0x16;
}

std::string_view WithoutRootDot(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return name;
}

// Labels of visible ASCII, none empty, the last not all digits (that would be an address
// written otherwise, as "127.1" is). A NUL or any other control byte never names a host.
bool IsDnsName(std::string_view name) {
  if (name.empty() || name.front() == '.' || name.back() == '.') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c < 0x21 || c > 0x7E || c == '*' || c == ':' || (c == '.' && name[i + 1] == '.')) {
      return false;
    }
  }
  const std::string_view last = name.substr(name.rfind('.') + 1);
  for (char c : last) {
    if (!IsDigit(c)) return true;
  }
  return false;
}

// "co.uk", "com.au", "ac.jp": second levels under a country's domain that registries hand out
// names below. Without a public suffix list, the usual ones: "*.co.uk" would be all of them.
bool LooksLikePublicSuffix(std::string_view base) {
  const size_t dot = base.find('.');
  if (base.size() - dot != 3 || base.find('.', dot + 1) != std::string_view::npos) return false;
  for (const char* second : {"ac", "co", "com", "edu", "go", "gov", "ltd", "mil", "ne", "net", "or",
                             "org", "plc", "sch"}) {
    if (EqualNoCase(base.substr(0, dot), second)) return true;
  }
  return false;
}

// A presented name against the host name. A wildcard stands for exactly one whole label, the
// left-most, above a base of two labels or more that is no public suffix.
bool Matches(std::string_view presented, std::string_view host) {
  presented = WithoutRootDot(presented);
  if (presented.size() > 2 && presented[0] == '*' && presented[1] == '.') {
    const std::string_view base = presented.substr(2);
    if (!IsDnsName(base) || base.find('.') == std::string_view::npos ||
        LooksLikePublicSuffix(base)) {
      return false;
    }
    const size_t dot = host.find('.');
    return dot != std::string_view::npos && dot > 0 && EqualNoCase(host.substr(dot + 1), base);
  }
  return IsDnsName(presented) && EqualNoCase(presented, host);
}

}  // namespace

void ReadAltNames(std::string_view der, CertificateNames& names) {
  Element sequence;
  if (!Only(der, kSequence, sequence)) {
    names.readable = false;
    return;
  }
  while (!sequence.contents.empty()) {
    Element name;
    if (!Next(sequence.contents, name)) {
      names.readable = false;
      return;
    }
    if (name.tag == kDnsName) names.dnsNames.emplace_back(name.contents);
    if (name.tag == kIpAddress) names.addresses.emplace_back(name.contents);
  }
}

void ReadCommonNames(std::string_view der, CertificateNames& names) {
  Element name;
  if (!Only(der, kSequence, name)) {
    names.readable = false;
    return;
  }
  // Name: a sequence of sets of (type, value) pairs.
  while (!name.contents.empty()) {
    Element set;
    if (!Next(name.contents, set) || set.tag != kSet) {
      names.readable = false;
      return;
    }
    while (!set.contents.empty()) {
      Element pair;
      Element type;
      Element value;
      if (!Next(set.contents, pair) || pair.tag != kSequence || !Next(pair.contents, type) ||
          type.tag != kObjectId || !Next(pair.contents, value) || !pair.contents.empty()) {
        names.readable = false;
        return;
      }
      if (type.contents == kCommonName && IsByteString(value.tag)) {
        names.commonNames.emplace_back(value.contents);
      }
    }
  }
}

bool NamesHost(const CertificateNames& names, std::string_view host, std::string_view address) {
  if (!names.readable) return false;
  if (!address.empty()) {
    for (const std::string& presented : names.addresses) {
      if (presented == address) return true;
    }
    return false;
  }
  host = WithoutRootDot(host);
  if (!IsDnsName(host)) return false;
  // The common name counts only where no dNSName is presented (RFC 6125, 6.4.4).
  const std::vector<std::string>& presented =
      names.dnsNames.empty() ? names.commonNames : names.dnsNames;
  for (const std::string& name : presented) {
    if (Matches(name, host)) return true;
  }
  return false;
}
