// The trust tool of the development machine: a PEM or DER authority goes into the current user's
// "ROOT" store and out again; a file that holds no certificate changes nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "tests/app/temp_folder.h"
#include "tests/support/test_certificates.h"

namespace {

constexpr DWORD kRunMs = 60000;

// trust_ca.exe (beside the test) with `arguments`; its exit status, or -1 when it did not run.
int RunTrustCa(const std::string& arguments) {
  std::string line = "trust_ca.exe " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, kRunMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

// Whether the store the program's trust checks read holds the certificate of `der`.
bool InRootStore(const std::string& der) {
  PCCERT_CONTEXT certificate = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
  if (certificate == nullptr) return false;
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  PCCERT_CONTEXT found = store == nullptr
                             ? nullptr
                             : CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                          CERT_FIND_EXISTING, certificate, nullptr);
  const bool held = found != nullptr;
  if (found != nullptr) CertFreeCertificateContext(found);
  if (store != nullptr) CertCloseStore(store, 0);
  CertFreeCertificateContext(certificate);
  return held;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

TEST(TrustCa, AnAuthorityGoesIntoTheRootStoreAndOutAgain) {
  const CertificateFiles& authority = TestCertificateFiles(TestCertificate::kAuthority);
  ASSERT_FALSE(authority.pem.empty()) << TestCertificatesError();
  const std::string der = ReadWholeFile(authority.der);
  ASSERT_FALSE(der.empty());
  ASSERT_TRUE(DistrustTestAuthority());
  ASSERT_FALSE(InRootStore(der));
  for (const std::string& file : {authority.pem, authority.der}) {
    EXPECT_EQ(RunTrustCa(Quoted(file)), 0) << file;
    EXPECT_TRUE(InRootStore(der)) << file;
    EXPECT_EQ(RunTrustCa("--remove " + Quoted(file)), 0) << file;
    EXPECT_FALSE(InRootStore(der)) << file;
  }
  DistrustTestAuthority();
}

TEST(TrustCa, AFileWithoutACertificateOrWrongArgumentsChangeNothing) {
  const CertificateFiles& authority = TestCertificateFiles(TestCertificate::kAuthority);
  ASSERT_FALSE(authority.pem.empty()) << TestCertificatesError();
  const std::string der = ReadWholeFile(authority.der);
  ASSERT_TRUE(DistrustTestAuthority());
  TempFolder folder;
  const std::string text = folder.Path() + "not-a-certificate.pem";
  ASSERT_TRUE(WriteWholeFile(text, "-----BEGIN CERTIFICATE-----\nxx"));
  struct Case {
    std::string arguments;
    int status;
  };
  const std::vector<Case> cases = {
      {Quoted(text), 1},
      {Quoted(folder.Path() + "missing.pem"), 1},
      {"", 2},
      {"--add " + Quoted(authority.pem), 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunTrustCa(c.arguments), c.status) << c.arguments;
    EXPECT_FALSE(InRootStore(der)) << c.arguments;
  }
}

}  // namespace
