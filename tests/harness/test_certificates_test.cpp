// The tests' certificates as the system's certificate functions see them: the fingerprints and
// names openssl printed belong to the files, each certificate fails the SSL policy for exactly its
// own reason, and the test authority is trusted only while it is in the "ROOT" store.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

#include "tests/support/ftp_server.h"
#include "tests/support/test_certificates.h"

namespace {

// CALG_SHA_256, which wincrypt.h declares only for Windows Server 2003 and later targets.
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;

class Certificate {
 public:
  explicit Certificate(const std::string& derPath) {
    const std::string der = ReadFileText(derPath);
    context_ = CertCreateCertificateContext(X509_ASN_ENCODING,
                                            reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()));
  }
  ~Certificate() {
    if (context_ != nullptr) CertFreeCertificateContext(context_);
  }
  Certificate(const Certificate&) = delete;
  Certificate& operator=(const Certificate&) = delete;
  PCCERT_CONTEXT Context() const { return context_; }

 private:
  PCCERT_CONTEXT context_ = nullptr;
};

// SHA-256 of the encoded certificate through CryptoAPI, as "AB:CD:...".
std::string Sha256Text(PCCERT_CONTEXT certificate) {
  std::string text;
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return text;
  }
  HCRYPTHASH hash = 0;
  BYTE digest[32];
  DWORD size = sizeof digest;
  if (CryptCreateHash(provider, kSha256, 0, 0, &hash) &&
      CryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0) &&
      CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
    for (DWORD i = 0; i < size; ++i) {
      char part[4];
      std::snprintf(part, sizeof part, i ? ":%02X" : "%02X", digest[i]);
      text += part;
    }
  }
  if (hash) CryptDestroyHash(hash);
  CryptReleaseContext(provider, 0);
  return text;
}

// The chain's error bits and the SSL policy's verdict for a server named `host`.
struct Verdict {
  DWORD chainErrors = ~0u;
  DWORD policy = ~0u;
};

// A chain engine of its own sees the "ROOT" store as it is now: Wine's default engine keeps the
// store as it was when the process first built a chain.
Verdict Verify(PCCERT_CONTEXT certificate, const wchar_t* host) {
  Verdict verdict;
  CERT_CHAIN_ENGINE_CONFIG config{};
  config.cbSize = sizeof config;
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine)) return verdict;
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  const BOOL built = CertGetCertificateChain(engine, certificate, nullptr, nullptr, &chainPara, 0,
                                             nullptr, &chain);
  CertFreeCertificateChainEngine(engine);
  if (!built) return verdict;
  verdict.chainErrors = chain->TrustStatus.dwErrorStatus;
  HTTPSPolicyCallbackData https{};
  https.cbStruct = sizeof https;
  https.dwAuthType = AUTHTYPE_SERVER;
  https.pwszServerName = const_cast<wchar_t*>(host);
  CERT_CHAIN_POLICY_PARA policyPara{};
  policyPara.cbSize = sizeof policyPara;
  policyPara.pvExtraPolicyPara = &https;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policyPara, &status)) {
    verdict.policy = status.dwError;
  }
  CertFreeCertificateChain(chain);
  return verdict;
}

TEST(TestCertificates, OpensslsFingerprintsAndNamesBelongToTheFiles) {
  ASSERT_TRUE(TestCertificatesError().empty()) << TestCertificatesError();
  const std::string localhost = "O = ZevFtp tests, CN = localhost";
  const std::string authority = "O = ZevFtp tests, CN = ZevFtp Test Authority";
  const struct {
    TestCertificate which;
    std::string subject;
    std::string issuer;
  } cases[] = {
      {TestCertificate::kSigned, localhost, authority},
      {TestCertificate::kSelfSigned, localhost, localhost},
      {TestCertificate::kWrongName, "O = ZevFtp tests, CN = wrong.zevftp.test", authority},
      {TestCertificate::kExpired, localhost, authority},
      {TestCertificate::kAuthority, authority, authority},
  };
  for (const auto& c : cases) {
    const CertificateFiles& files = TestCertificateFiles(c.which);
    SCOPED_TRACE(files.pem);
    Certificate certificate(files.der);
    ASSERT_NE(certificate.Context(), nullptr);
    EXPECT_EQ(Sha256Text(certificate.Context()), files.sha256);
    EXPECT_EQ(files.subject, c.subject);
    EXPECT_EQ(files.issuer, c.issuer);
    EXPECT_NE(ReadFileText(files.pem).find("-----BEGIN CERTIFICATE-----"), std::string::npos);
    EXPECT_NE(ReadFileText(files.key).find("PRIVATE KEY-----"), std::string::npos);
  }
  EXPECT_EQ(TestCertificateFiles(TestCertificate::kExpired).notAfter, "Jan  1 00:00:00 2021 GMT");
}

TEST(TestCertificates, EachFailsForItsOwnReasonAndTheAuthorityIsTrustedOnlyWhileAdded) {
  ASSERT_TRUE(TestCertificatesError().empty()) << TestCertificatesError();
  Certificate signedOne(TestCertificateFiles(TestCertificate::kSigned).der);
  ASSERT_NE(signedOne.Context(), nullptr);
  ASSERT_TRUE(DistrustTestAuthority());
  const Verdict untrusted = Verify(signedOne.Context(), L"localhost");
  EXPECT_TRUE(untrusted.chainErrors != 0 || untrusted.policy != 0);
  {
    TrustedTestAuthority trust;
    ASSERT_TRUE(trust.Trusted());
    const struct {
      TestCertificate which;
      DWORD policy;
    } cases[] = {
        {TestCertificate::kSigned, 0},
        {TestCertificate::kSelfSigned, static_cast<DWORD>(CERT_E_UNTRUSTEDROOT)},
        {TestCertificate::kWrongName, static_cast<DWORD>(CERT_E_CN_NO_MATCH)},
        {TestCertificate::kExpired, static_cast<DWORD>(CERT_E_EXPIRED)},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(TestCertificateFiles(c.which).pem);
      Certificate certificate(TestCertificateFiles(c.which).der);
      const Verdict verdict = Verify(certificate.Context(), L"localhost");
      EXPECT_EQ(verdict.policy, c.policy) << std::hex << verdict.policy;
      if (c.policy == 0) {
        EXPECT_EQ(verdict.chainErrors, 0u) << std::hex << verdict.chainErrors;
      }
    }
  }
  const Verdict removed = Verify(signedOne.Context(), L"localhost");
  EXPECT_TRUE(removed.chainErrors != 0 || removed.policy != 0);
}

}  // namespace
