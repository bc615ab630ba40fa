// trust_ca: puts a certificate authority into the current user's "ROOT" store, or takes it out
// again, so that FTP servers whose certificates it signed connect without the certificate box.
// Made for the Wine prefix of the build folder (scripts/trust-ca runs it), where Wine's
// `certutil -addstore` adds nothing; on Windows the system asks before it adds.
//   trust_ca [--remove] CERTIFICATE     (PEM or DER)
// Exit status: 0 done, 1 failed (the reason on standard error), 2 wrong arguments.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
// Copies of one certificate deleted at most (a store that keeps what it deletes ends the loop).
constexpr int kMostCopies = 100;
const char kPemStart[] = "-----BEGIN CERTIFICATE-----";

int Fail(const std::string& why) {
  std::fprintf(stderr, "trust_ca: %s\n", why.c_str());
  return kFailed;
}

// The DER bytes of the file's (first) certificate; empty when it holds none.
std::vector<BYTE> CertificateBytes(const std::string& content) {
  const size_t pem = content.find(kPemStart);
  if (pem == std::string::npos) return std::vector<BYTE>(content.begin(), content.end());
  const char* text = content.c_str() + pem;
  const DWORD length = static_cast<DWORD>(content.size() - pem);
  DWORD size = 0;
  if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                            nullptr)) {
    return std::vector<BYTE>();
  }
  std::vector<BYTE> der(size);
  if (!CryptStringToBinaryA(text, length, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                            nullptr)) {
    return std::vector<BYTE>();
  }
  der.resize(size);
  return der;
}

std::string SubjectOf(PCCERT_CONTEXT certificate) {
  char name[512] = {};
  CertNameToStrA(X509_ASN_ENCODING, &certificate->pCertInfo->Subject, CERT_X500_NAME_STR, name,
                 sizeof name);
  return name;
}

bool Add(PCCERT_CONTEXT certificate) {
  HCERTSTORE store = CertOpenSystemStoreA(0, "ROOT");
  if (store == nullptr) return false;
  const BOOL added = CertAddCertificateContextToStore(store, certificate,
                                                      CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}

bool Remove(PCCERT_CONTEXT certificate) {
  // The registry store behind "ROOT": Wine's CertOpenSystemStoreA("ROOT") reports a deletion as
  // done and keeps the certificate.
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                                   CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == nullptr) return false;
  bool removed = true;
  for (int copies = 0;; ++copies) {
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                      CERT_FIND_EXISTING, certificate, nullptr);
    if (found == nullptr) break;
    if (copies == kMostCopies) {
      CertFreeCertificateContext(found);
      removed = false;
      break;
    }
    // Deleting frees the context found, also when it fails.
    if (!CertDeleteCertificateFromStore(found)) {
      removed = false;
      break;
    }
  }
  CertCloseStore(store, 0);
  return removed;
}

}  // namespace

int main(int argc, char** argv) {
  const bool remove = argc == 3 && std::strcmp(argv[1], "--remove") == 0;
  if (argc != 2 && !remove) {
    std::fprintf(stderr, "usage: trust_ca [--remove] CERTIFICATE (PEM or DER)\n");
    return kUsage;
  }
  const std::string path = argv[argc - 1];
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail("cannot read " + path);
  const std::string content((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
  const std::vector<BYTE> der = CertificateBytes(content);
  PCCERT_CONTEXT certificate = der.empty()
                                   ? nullptr
                                   : CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                                  static_cast<DWORD>(der.size()));
  if (certificate == nullptr) return Fail(path + " holds no certificate (PEM or DER)");
  const std::string subject = SubjectOf(certificate);
  const bool done = remove ? Remove(certificate) : Add(certificate);
  CertFreeCertificateContext(certificate);
  if (!done) {
    return Fail(std::string("the current user's ROOT store did not ") +
                (remove ? "let go of " : "take ") + subject);
  }
  std::printf("%s %s\n", remove ? "No longer trusted:" : "Trusted:", subject.c_str());
  return kDone;
}
