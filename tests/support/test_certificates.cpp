#include "tests/support/test_certificates.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "tests/support/linux_side.h"
#include "tests/support/poll.h"

namespace {

constexpr DWORD kMakeTimeoutMs = 60000;
// The authority's common name; a substring of nothing else in a certificate store.
constexpr char kAuthorityName[] = "ZevFtp Test Authority";
constexpr int kMostCopies = 100;

constexpr int kCertificateCount = 7;

struct Made {
  CertificateFiles files[kCertificateCount];
  std::string error;
};

const char* BaseName(TestCertificate which) {
  switch (which) {
    case TestCertificate::kSigned:
      return "signed";
    case TestCertificate::kSelfSigned:
      return "self-signed";
    case TestCertificate::kWrongName:
      return "wrong-name";
    case TestCertificate::kExpired:
      return "expired";
    case TestCertificate::kAddressAsDnsName:
      return "dns-address";
    case TestCertificate::kWildcardAddress:
      return "wildcard-address";
    case TestCertificate::kAuthority:
      break;
  }
  return "authority";
}

// The text after "<key>=" on the line that starts with `key`, without the line break.
std::string Field(const std::string& text, const std::string& key) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? end : end - at);
    if (line.compare(0, key.size() + 1, key + "=") == 0) {
      std::string value = line.substr(key.size() + 1);
      if (!value.empty() && value.back() == '\r') value.pop_back();
      return value;
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return std::string();
}

Made MakeAll() {
  Made made;
  const std::string folder = TestBuildFolder() + "certificates\\";
  const std::string script = UnixPathOf(SourceRootFolder() + "scripts\\make-certificates");
  const std::string unixFolder = UnixPathOf(folder);
  if (script.empty() || unixFolder.empty()) {
    made.error = "no Linux path for scripts/make-certificates or the build folder";
    return made;
  }
  RunShellCommand("'" + script + "' '" + unixFolder + "' >'" + unixFolder.substr(0, unixFolder.size() - 1) +
                      ".log' 2>&1",
                  kMakeTimeoutMs);
  const std::string ready = folder + "ready";
  if (!PollUntil([&] { return GetFileAttributesA(ready.c_str()) != INVALID_FILE_ATTRIBUTES; },
                 kMakeTimeoutMs)) {
    made.error = "openssl made no certificates: " +
                 ReadFileText(folder.substr(0, folder.size() - 1) + ".log");
    return made;
  }
  for (int i = 0; i < kCertificateCount; ++i) {
    const std::string base = folder + BaseName(static_cast<TestCertificate>(i));
    CertificateFiles& files = made.files[i];
    const std::string text = ReadFileText(base + ".txt");
    files.pem = base + ".pem";
    files.der = base + ".der";
    files.key = folder + (i == static_cast<int>(TestCertificate::kAuthority) ? "authority.key"
                                                                              : "server.key");
    files.sha256 = Field(text, "sha256 Fingerprint");
    files.subject = Field(text, "subject");
    files.issuer = Field(text, "issuer");
    files.notBefore = Field(text, "notBefore");
    files.notAfter = Field(text, "notAfter");
    if (files.sha256.empty()) made.error = "unreadable " + base + ".txt";
  }
  return made;
}

const Made& Certificates() {
  static const Made made = MakeAll();
  return made;
}

}  // namespace

const CertificateFiles& TestCertificateFiles(TestCertificate which) {
  static const CertificateFiles none;
  const Made& made = Certificates();
  return made.error.empty() ? made.files[static_cast<int>(which)] : none;
}

const std::string& TestCertificatesError() { return Certificates().error; }

bool TrustTestAuthority() {
  if (!DistrustTestAuthority()) return false;
  const std::string der = ReadFileText(TestCertificateFiles(TestCertificate::kAuthority).der);
  if (der.empty()) return false;
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  if (store == nullptr) return false;
  const BOOL added = CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}

bool DistrustTestAuthority() {
  // The CurrentUser registry store behind "ROOT": Wine's CertOpenSystemStoreA("ROOT") reports a
  // deletion as done and keeps the certificate.
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                   CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == nullptr) return false;
  bool ok = true;
  // Deleting frees the context the search would go on from: search from the start each time.
  // Copies from earlier runs (other keys, the same name) go too; a store that keeps what it was
  // told to delete ends the loop.
  for (int copies = 0;; ++copies) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_SUBJECT_STR_A, kAuthorityName,
                                                      nullptr);
    if (found == nullptr) break;
    if (copies == kMostCopies || !CertDeleteCertificateFromStore(found)) {
      if (copies == kMostCopies) CertFreeCertificateContext(found);
      ok = false;
      break;
    }
  }
  CertCloseStore(store, 0);
  return ok;
}
