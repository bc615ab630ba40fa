// The texts about TLS: fingerprints and times as the user compares them with openssl's, the
// question about an untrusted certificate (every reason, every detail, nothing of another
// reason), and what a refused TLS data connection means.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ftp/certificate_text.h"

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
    const std::string text = CertificateQuestion(c);
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
