// The texts about TLS: fingerprints and times as the user compares them with openssl's, names
// read whole, a certificate's texts as the box shows them (escaped, cut), the question about an
// untrusted certificate (every reason, every detail, nothing of another reason), and what a
// refused TLS data connection means.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "app/remote/certificate_text.h"
#include "app/ftp/own/certificate.h"

namespace {

TEST(CertificateText, FingerprintsAndTimesInTheFormsUsersCompare) {
  const unsigned char bytes[] = {0x00, 0x0F, 0xA0, 0xFF, 0x5C};
  EXPECT_EQ(FingerprintText(bytes, sizeof bytes), "00:0F:A0:FF:5C");
  EXPECT_EQ(FingerprintText(bytes, 1), "00");
  EXPECT_EQ(FingerprintText(bytes, 0), "");
  EXPECT_EQ(UtcTimeText(2026, 12, 9, 7, 5, 3), "2026-12-09 07:05:03 UTC");
  EXPECT_EQ(UtcTimeText(10000, 1, 1, 0, 0, 0), "10000-01-01 00:00:00 UTC");
}

TEST(CertificateText, TheQuestionNamesEachReasonAndTheCertificate) {
  ServerCertificate c;
  c.host = "localhost";
  c.subject = "O=ZevFtp tests, CN=localhost";
  c.issuer = "O=ZevFtp tests, CN=ZevFtp Test Authority";
  c.validFrom = "2020-01-01 00:00:00 UTC";
  c.validTo = "2021-01-01 00:00:00 UTC";
  c.sha256 = "AB:CD";
  const char* authority = "not issued by an authority this computer trusts";
  const char* time = "expired or is not valid yet";
  const char* name = "issued for another name than \"localhost\"";
  struct Case {
    bool unknownAuthority, notTimeValid, wrongName;
  };
  for (const Case& k : std::vector<Case>{
           {true, false, false}, {false, true, false}, {false, false, true}, {true, true, true}}) {
    c.unknownAuthority = k.unknownAuthority;
    c.notTimeValid = k.notTimeValid;
    c.wrongName = k.wrongName;
    const std::string text = CertificateQuestion(c, false);
    EXPECT_EQ(text.find(authority) != std::string::npos, k.unknownAuthority) << text;
    EXPECT_EQ(text.find(time) != std::string::npos, k.notTimeValid) << text;
    EXPECT_EQ(text.find(name) != std::string::npos, k.wrongName) << text;
    for (const std::string& part :
         std::vector<std::string>{"Subject: " + c.subject, "Issuer: " + c.issuer,
                                  "Valid from " + c.validFrom + " to " + c.validTo,
                                  "SHA-256 fingerprint:\r\nAB:CD\r\n"}) {
      EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    }
    EXPECT_EQ(text.substr(text.size() - 1), "?");
  }
}

TEST(CertificateText, CertificateTextsAreShownEscapedAndCutBetweenWholeCharacters) {
  struct Case {
    const char* what;
    std::string text;
    bool utf8;
    std::string shown;
  };
  const size_t most = kMostCertificateFieldLength;
  std::string words;  // short words, four bytes less than the most
  while (words.size() < most - 4) words += "abc ";
  ASSERT_EQ(words.size(), most - 4);
  const std::string a40(40, 'a');
  std::string wide5;  // five characters of three bytes and double width
  for (int i = 0; i < 5; ++i) wide5 += "\xE6\x97\xA5";
  const std::string wide20 = wide5 + wide5 + wide5 + wide5;
  const std::vector<Case> cases = {
      {"a NUL", std::string("localhost\0.evil.example", 23), false, "localhost\\x00.evil.example"},
      {"line breaks", "x\r\nIssuer: y\n", false, "x\\r\\nIssuer: y\\n"},
      {"tab, DEL, other controls", "a\tb\x7f\x1b", false, "a\\tb\\x7F\\x1B"},
      {"the escape character itself", "a\\x00", false, "a\\\\x00"},
      {"UTF-8 letters", "caf\xC3\xA9 \xE6\x97\xA5", true, "caf\xC3\xA9 \xE6\x97\xA5"},
      {"UTF-8 direction override", u8"moc.\u202Eevil", true, "moc.\\u202Eevil"},
      {"UTF-8 next line (C1)", u8"a\u0085b", true, "a\\u0085b"},
      {"UTF-8 line separator", u8"a\u2028b", true, "a\\u2028b"},
      {"no UTF-8 character", "a\xFF\xC3", true, "a\\xFF\\xC3"},
      {"single-byte code page", "a\xFF\xC2\x85", false, "a\xFF\xC2\x85"},
      {"exactly the length", words + "abcd", false, words + "abcd"},
      {"too long", words + words, false, (words + words).substr(0, most - 3) + "..."},
      {"never half an escape", words + "a\n\n", false, words + "a..."},
      {"never half a character", words + "\xC3\xA9\xC3\xA9\xC3\xA9", true, words + "..."},
      {"a long run without a blank", std::string(90, 'a'), false,
       a40 + "\r\n  " + a40 + "\r\n  " + std::string(10, 'a')},
      {"a run of wide characters", wide20 + wide5, true, wide20 + "\r\n  " + wide5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownCertificateText(c.text, c.utf8), c.shown) << c.what;
  }
}

std::string Der(unsigned char tag, const std::string& content) {  // shorter than 128 bytes
  return std::string(1, static_cast<char>(tag)) + static_cast<char>(content.size()) + content;
}
// A name's RDN of one attribute, a UTF8String.
std::string Rdn(const char* oid, const std::string& value) {
  return Der(0x31, Der(0x30, Der(0x06, oid) + Der(0x0C, value)));
}

TEST(CertificateText, ACertificateNameIsReadWithEveryValueWholeAndQuotedWhereItWouldMislead) {
  const char* cn = "\x55\x04\x03";  // 2.5.4.3
  // The name's RDNs, and its text.
  const std::pair<std::string, std::string> cases[] = {
      {Rdn("\x55\x04\x0A", "ZevFtp tests") + Rdn(cn, "localhost"), "O=ZevFtp tests, CN=localhost"},
      // CertNameToStr stops at the NUL: "CN=localhost".
      {Rdn(cn, std::string("localhost\0.evil.example", 23)),
       std::string("CN=localhost\0.evil.example", 26)},
      // A value holding a separator or a quote is quoted, its quotes doubled.
      {Rdn(cn, "x\r\nIssuer: \"Trusted\", O=CA"), "CN=\"x\r\nIssuer: \"\"Trusted\"\", O=CA\""},
      {Rdn(cn, std::string("end\0", 4)), std::string("CN=end\0", 7)},
  };
  for (const auto& [rdns, text] : cases) {
    std::string der = Der(0x30, rdns);
    CERT_NAME_BLOB blob{static_cast<DWORD>(der.size()), reinterpret_cast<BYTE*>(&der[0])};
    EXPECT_EQ(CertificateNameText(blob), text);
  }
}

TEST(CertificateText, A522SaysTheServerRequiresSessionReuse) {
  const char* reuse = "The server requires TLS session reuse";
  struct Case {
    std::string reply;
    bool reuse;
  };
  for (const Case& c :
       std::vector<Case>{{"522 SSL connection failed: session reuse required", true},
                         {"522-Multi\r\n522 line", true},
                         {"5221 odd", false},
                         {"425 Can't open data connection.", false},
                         {"", false}}) {
    const std::string text = TlsFailureText(c.reply);
    EXPECT_EQ(text.find(reuse) != std::string::npos, c.reuse) << text;
    EXPECT_NE(text.find("TLS"), std::string::npos);
    // The server's own words follow, when it said any.
    EXPECT_EQ(text.find("The server's last reply: " + c.reply) != std::string::npos,
              !c.reply.empty())
        << text;
  }
}

}  // namespace
