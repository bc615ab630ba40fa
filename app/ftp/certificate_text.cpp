#include "app/ftp/certificate_text.h"

#include <cstdio>

namespace {

const char* const kReuseRefusal = "522";

// The reply's code is `code` (a reply line is the code, then a blank or "-").
bool ReplyCodeIs(const std::string& reply, const char* code) {
  return reply.compare(0, 3, code) == 0 &&
         (reply.size() == 3 || reply[3] == ' ' || reply[3] == '-');
}

}  // namespace

std::string FingerprintText(const unsigned char* bytes, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) text += ':';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string UtcTimeText(int year, int month, int day, int hour, int minute, int second) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", year, month, day, hour,
                minute, second);
  return text;
}

std::string CertificateQuestion(const ServerCertificate& c) {
  std::string text = "The server's certificate cannot be trusted:\r\n";
  if (c.unknownAuthority) {
    text +=
        "- It was not issued by an authority this computer trusts (a self-signed certificate "
        "is not).\r\n";
  }
  if (c.notTimeValid) text += "- It has expired or is not valid yet.\r\n";
  if (c.wrongName) text += "- It was issued for another name than \"" + c.host + "\".\r\n";
  text += "\r\nSubject: " + c.subject + "\r\nIssuer: " + c.issuer + "\r\nValid from " +
          c.validFrom + " to " + c.validTo + "\r\nSHA-256 fingerprint:\r\n" + c.sha256 +
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
