// The trust tool: an authority in PEM or DER goes into the current user's "ROOT" store and out
// again; a file without a certificate or wrong arguments change nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "tests/app/temp_folder.h"
#include "tests/support/test_certificates.h"

namespace {

// trust_ca.exe, beside the test, with `arguments`: its exit status, -1 when it did not end.
int RunTrustCa(std::string arguments) {
  std::string line = "trust_ca.exe " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  DWORD status = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &status);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}

bool InRootStore(const std::string& der) {
  PCCERT_CONTEXT certificate = CertCreateCertificateContext(
      X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), static_cast<DWORD>(der.size()));
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                    certificate, nullptr);
  CertFreeCertificateContext(found);
  CertCloseStore(store, 0);
  CertFreeCertificateContext(certificate);
  return found != nullptr;
}

TEST(TrustCa, AnAuthorityGoesIntoTheRootStoreAndOutAgainAndNothingElseChangesIt) {
  const CertificateFiles& authority = TestCertificateFiles(TestCertificate::kAuthority);
  ASSERT_FALSE(authority.pem.empty()) << TestCertificatesError();
  const std::string der = ReadWholeFile(authority.der);
  ASSERT_TRUE(DistrustTestAuthority());
  TempFolder folder;
  const std::string notOne = folder.Path() + "not-one.pem";
  ASSERT_TRUE(WriteWholeFile(notOne, "-----BEGIN CERTIFICATE-----\nxx"));
  struct Case {
    std::string arguments;
    int status;
    bool trusted;
  };
  const std::vector<Case> cases = {
      {"\"" + authority.pem + "\"", 0, true},
      {"--remove \"" + authority.pem + "\"", 0, false},
      {"\"" + authority.der + "\"", 0, true},
      {"--remove \"" + authority.der + "\"", 0, false},
      {"\"" + notOne + "\"", 1, false},
      {"\"" + folder.Path() + "missing.pem\"", 1, false},
      {"", 2, false},
      {"--add \"" + authority.pem + "\"", 2, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunTrustCa(c.arguments), c.status) << c.arguments;
    EXPECT_EQ(InRootStore(der), c.trusted) << c.arguments;
  }
  DistrustTestAuthority();
}

}  // namespace
