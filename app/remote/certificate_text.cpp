#include "app/remote/certificate_text.h"

#include <cstdint>

namespace {

const char* const kReuseRefusal = "522";
const char* const kCut = "...";
constexpr size_t kCutLength = 3;
constexpr size_t kFingerprintPairsPerLine = 16;
// A message box breaks lines at blanks only and grows as wide as the longest word (a subject
// without a blank made a box wider than the screen): a longer run of characters goes on, indented,
// on a line of its own.
constexpr size_t kMostUnbrokenRun = 40;
const char* const kRunBreak = "\r\n  ";
const char kHexDigits[] = "0123456789ABCDEF";

// The reply's code is `code` (a reply line is the code, then a blank or "-").
bool ReplyCodeIs(const std::string& reply, const char* code) {
  return reply.compare(0, 3, code) == 0 &&
         (reply.size() == 3 || reply[3] == ' ' || reply[3] == '-');
}

void AppendHex(std::string& text, const char* prefix, uint32_t value, int digits) {
  text += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    text += kHexDigits[(value >> shift) & 0xF];
}

// Characters that may end a line in a box or reorder what follows them: the C1 controls (U+0085
// is a line end), the marks, embeddings, overrides and isolates of direction, the line and
// paragraph separators.
bool IsHiddenFormatCharacter(uint32_t c) {
  return (c >= 0x80 && c <= 0x9F) || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

// The length of the UTF-8 character starting at `at` and its code point; 0 when none starts there
// (a stray continuation byte, a cut or over-long sequence, a surrogate).
size_t Utf8Character(const std::string& text, size_t at, uint32_t& c) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    least = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  c = lead & (0x7Fu >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(at + i) & 0x3Fu);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// The next character of `text` from `at` as the box shows it; `at` moves past it.
std::string ShownCharacter(const std::string& text, size_t& at, bool utf8) {
  const unsigned char b = static_cast<unsigned char>(text[at]);
  std::string shown;
  if (b < 0x80 || !utf8) {
    ++at;
    switch (b) {
      case '\r':
        return "\\r";
      case '\n':
        return "\\n";
      case '\t':
        return "\\t";
      case '\\':
        return "\\\\";
      default:
        break;
    }
    if (b < 0x20 || b == 0x7F) {
      AppendHex(shown, "\\x", b, 2);
    } else {
      shown += static_cast<char>(b);
    }
    return shown;
  }
  uint32_t c = 0;
  const size_t length = Utf8Character(text, at, c);
  if (length == 0) {
    ++at;
    AppendHex(shown, "\\x", b, 2);
  } else if (IsHiddenFormatCharacter(c)) {
    at += length;
    AppendHex(shown, "\\u", c, 4);
  } else {
    shown = text.substr(at, length);
    at += length;
  }
  return shown;
}

}  // namespace

std::string ShownCertificateText(const std::string& text, bool utf8, size_t most) {
  std::string shown;
  size_t lastFit = 0;  // the length of the whole characters that leave room for the mark
  size_t run = 0;      // the width, in narrow characters, since the last blank or break
  size_t at = 0;
  while (at < text.size()) {
    const std::string c = ShownCharacter(text, at, utf8);
    // A character of more than one byte may be twice as wide as a letter of the alphabet.
    const size_t width = static_cast<unsigned char>(c[0]) >= 0x80 ? 2 : c.size();
    if (c == " ") {
      run = 0;
    } else if (run > 0 && run + width > kMostUnbrokenRun) {
      shown += kRunBreak;
      run = 0;
    }
    run += width;
    shown += c;
    if (shown.size() > most) {
      if (most < kCutLength) return std::string(kCut, most);
      return shown.substr(0, lastFit) + kCut;
    }
    if (shown.size() + kCutLength <= most) lastFit = shown.size();
  }
  return shown;
}

std::string FingerprintLines(const std::string& fingerprint) {
  std::string lines;
  size_t pairs = 0;
  for (char c : fingerprint) {
    if (c == ':' && ++pairs % kFingerprintPairsPerLine == 0) {
      lines += "\r\n";
    } else {
      lines += c;
    }
  }
  return lines;
}

std::string CertificateQuestion(const ServerCertificate& c, bool utf8) {
  std::string text = "The server's certificate cannot be trusted:\r\n";
  if (c.unknownAuthority) {
    text +=
        "- It was not issued by an authority this computer trusts (a self-signed certificate "
        "is not).\r\n";
  }
  if (c.notTimeValid) text += "- It has expired or is not valid yet.\r\n";
  if (c.wrongName) {
    text +=
        "- It was issued for another name than \"" + ShownCertificateText(c.host, utf8) + "\".\r\n";
  }
  text += "\r\nSubject: " + ShownCertificateText(c.subject, utf8) +
          "\r\nIssuer: " + ShownCertificateText(c.issuer, utf8) + "\r\nValid from " + c.validFrom +
          " to " + c.validTo + "\r\nSHA-256 fingerprint:\r\n" + FingerprintLines(c.sha256) +
          "\r\n\r\nAnyone between you and the server could pose as it with such a certificate. "
          "Compare the fingerprint with the one the server's owner gives you.\r\n\r\n"
          "Connect anyway, and trust this certificate until ZevFtp ends?";
  return text;
}

std::string TlsFailureText(const std::string& lastReply) {
  std::string text;
  if (ReplyCodeIs(lastReply, kReuseRefusal)) {
    text =
        "The server requires TLS session reuse: each data connection must resume the TLS session "
        "of the control connection. This system's TLS does not offer session reuse, so the server "
        "refuses every listing and transfer. (The server's administrator can turn the "
        "requirement off; in vsftpd: require_ssl_reuse=NO.)";
  } else {
    text = "The TLS connection to the server failed.";
  }
  if (!lastReply.empty()) text += "\r\n\r\nThe server's last reply: " + lastReply;
  return text;
}
