// Certificates for the tests' TLS servers, made with openssl by scripts/make-certificates once per
// build folder: a test authority and server certificates (signed by it for "localhost",
// 127.0.0.1 and ::1; self-signed; for another name; expired; 127.0.0.1 by DNS names only),
// what openssl says of each, and putting the authority into (and out of) the Wine prefix's
// CurrentUser "ROOT" store.
#pragma once

#include <string>

enum class TestCertificate {
  kSigned,      // by the test authority, for localhost, 127.0.0.1 and ::1, valid now
  kSelfSigned,  // for the same names, issued by itself
  kWrongName,   // by the test authority, for wrong.zevftp.test only
  kExpired,     // by the test authority, for the same names, valid in 2020 only
  kAuthority,   // the test authority itself
  // By the test authority, valid now, naming 127.0.0.1 as DNS names only (no address entry):
  kAddressAsDnsName,  // DNS 127.0.0.1 (CN 127.0.0.1)
  kWildcardAddress,   // DNS *.0.0.1 (CN *.0.0.1)
};

struct CertificateFiles {
  // Windows paths; the Linux paths are UnixPathOf(...) of them.
  std::string pem;
  std::string der;
  std::string key;  // its private key (PEM); the server certificates share one
  // What `openssl x509 -noout -fingerprint -sha256 -subject -issuer -dates` prints, each the
  // text after the first "=": "AB:12:...", "O = ZevFtp tests, CN = localhost",
  // "Dec  9 11:19:18 2026 GMT".
  std::string sha256;
  std::string subject;
  std::string issuer;
  std::string notBefore;
  std::string notAfter;
};

// The files of one certificate, made on first use. Empty paths when openssl could not make them
// (TestCertificatesError says why).
const CertificateFiles& TestCertificateFiles(TestCertificate which);
const std::string& TestCertificatesError();

// Adds the test authority to this Wine prefix's (or Windows user's) CurrentUser "ROOT" store,
// after removing any copy an earlier run left there; certificates it signed are trusted at once.
bool TrustTestAuthority();
// Removes every certificate named like the test authority from that store again.
bool DistrustTestAuthority();

// The authority trusted for one scope.
class TrustedTestAuthority {
 public:
  TrustedTestAuthority() : trusted_(TrustTestAuthority()) {}
  ~TrustedTestAuthority() { DistrustTestAuthority(); }
  TrustedTestAuthority(const TrustedTestAuthority&) = delete;
  TrustedTestAuthority& operator=(const TrustedTestAuthority&) = delete;
  bool Trusted() const { return trusted_; }

 private:
  bool trusted_;
};
