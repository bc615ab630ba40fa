#include <winsock2.h>
#include <ws2tcpip.h>

#include "app/ftp/own/certificate.h"

#include <wininet.h>

#include <mutex>
#include <set>
#include <string_view>
#include <vector>

#include "app/ftp/server_certificate.h"
#include "app/ftp/own/certificate_names.h"

namespace {

constexpr DWORD kSha256Size = 32;
constexpr char kHexDigits[] = "0123456789ABCDEF";
// CALG_SHA_256 (ALG_SID_SHA_256 is 12), which the headers hide from programs that also run on
// Windows XP before SP3.
constexpr ALG_ID kSha256Sid = 12;
constexpr ALG_ID kSha256 = ALG_CLASS_HASH | ALG_TYPE_ANY | kSha256Sid;
static_assert(kSha256 == 0x800C, "CALG_SHA_256");

std::mutex trustedLock;
std::set<std::string>& Trusted() {
  static std::set<std::string> fingerprints;
  return fingerprints;
}

// CERT_SHA256_HASH_PROP_ID fails under Wine (0x80092004): the encoded certificate is hashed here,
// which is what `openssl x509 -fingerprint -sha256` hashes too.
std::string Sha256Fingerprint(PCCERT_CONTEXT certificate) {
  HCRYPTPROV provider = 0;
  if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    return std::string();
  }
  std::string text;
  HCRYPTHASH hash = 0;
  if (CryptCreateHash(provider, kSha256, 0, 0, &hash)) {
    unsigned char value[kSha256Size];
    DWORD size = sizeof value;
    if (CryptHashData(hash, certificate->pbCertEncoded, certificate->cbCertEncoded, 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0) && size == kSha256Size) {
      text = FingerprintText(value, size);
    }
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return text;
}

// The attribute's type as CertNameToStr names it ("CN", "O" ...), or its OID.
std::string AttributeType(const char* oid) {
  PCCRYPT_OID_INFO info =
      CryptFindOIDInfo(CRYPT_OID_INFO_OID_KEY, const_cast<char*>(oid), CRYPT_RDN_ATTR_OID_GROUP_ID);
  if (info == nullptr || info->pwszName == nullptr) return oid;
  std::string type;
  for (const wchar_t* c = info->pwszName; *c != L'\0'; ++c) {
    type += *c < 0x80 ? static_cast<char>(*c) : '?';
  }
  return type;
}

// Whether the length of a text decoded as X509_UNICODE_NAME counts its terminating NUL: Wine's
// does, and the documentation leaves it open. Measured once on the name "CN=a".
bool DecodedLengthCountsNul() {
  static const bool counts = [] {
    BYTE name[] = {0x30, 0x0C, 0x31, 0x0A, 0x30, 0x08, 0x06,
                   0x03, 0x55, 0x04, 0x03, 0x0C, 0x01, 'a'};
    CERT_NAME_INFO* info = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_UNICODE_NAME, name, sizeof name,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size)) {
      return false;
    }
    const bool withNul = info->cRDN == 1 && info->rgRDN[0].cRDNAttr == 1 &&
                         info->rgRDN[0].rgRDNAttr[0].Value.cbData == 2 * sizeof(wchar_t);
    LocalFree(info);
    return withNul;
  }();
  return counts;
}

// A value decoded as X509_UNICODE_NAME: a text's UTF-16 units (by its length, NULs kept) in the
// program's code page; any other value's bytes as "#" and hex, as CertNameToStr writes them.
std::string AttributeValue(const CERT_RDN_ATTR& attribute) {
  const CERT_RDN_VALUE_BLOB& value = attribute.Value;
  if (attribute.dwValueType == CERT_RDN_ENCODED_BLOB ||
      attribute.dwValueType == CERT_RDN_OCTET_STRING) {
    std::string hex = "#";
    for (DWORD i = 0; i < value.cbData; ++i) {
      hex += kHexDigits[value.pbData[i] >> 4];
      hex += kHexDigits[value.pbData[i] & 0x0F];
    }
    return hex;
  }
  const auto* units = reinterpret_cast<const wchar_t*>(value.pbData);
  int count = static_cast<int>(value.cbData / sizeof(wchar_t));
  if (count > 0 && DecodedLengthCountsNul() && units[count - 1] == L'\0') --count;
  if (count == 0) return std::string();
  const int size = WideCharToMultiByte(CP_ACP, 0, units, count, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, units, count, &text[0], size, nullptr, nullptr);
  return text;
}

std::string TimeText(const FILETIME& time) {
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&time, &utc)) return std::string();
  return UtcTimeText(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
}

std::wstring Wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], size);
  wide.resize(static_cast<size_t>(size - 1));
  return wide;
}

// The address bytes of a numeric host (IPv4 or IPv6); false for a name.
bool NumericAddress(const std::string& host, std::string& bytes) {
  addrinfo hints{};
  hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  if (found->ai_family == AF_INET) {
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    bytes.assign(reinterpret_cast<const char*>(&v4->sin_addr), sizeof v4->sin_addr);
  } else if (found->ai_family == AF_INET6) {
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(found->ai_addr);
    bytes.assign(reinterpret_cast<const char*>(&v6->sin6_addr), sizeof v6->sin6_addr);
  }
  freeaddrinfo(found);
  return !bytes.empty();
}

std::string_view BytesOf(const CRYPT_DATA_BLOB& blob) {
  return std::string_view(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
}

// The names are judged here, the same on Windows and under Wine: Wine's SSL policy matches an
// address host against DNS names (a certificate for DNS "127.0.0.1" or "*.0.0.1" passed for
// ftpes://127.0.0.1), and CryptoAPI's decoded names end at a NUL the certificate holds.
bool NamesTheHost(PCCERT_CONTEXT certificate, const std::string& host) {
  const CERT_INFO* info = certificate->pCertInfo;
  CertificateNames names;
  const PCERT_EXTENSION alt =
      CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  if (alt != nullptr) ReadAltNames(BytesOf(alt->Value), names);
  ReadCommonNames(BytesOf(info->Subject), names);
  std::string address;
  NumericAddress(host, address);
  return NamesHost(names, host, address);
}

// The SSL policy's verdict on the chain (its authority and dates; the names are NamesTheHost's).
DWORD PolicyError(PCCERT_CHAIN_CONTEXT chain, const std::wstring& host) {
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA para{};
  para.cbSize = sizeof para;
  para.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status)) {
    return static_cast<DWORD>(CERT_E_CHAINING);
  }
  return status.dwError;
}

// Fills the reasons from the chain and the policy.
void Judge(PCCERT_CONTEXT certificate, const std::string& host, ServerCertificate& report) {
  report.wrongName = !NamesTheHost(certificate, host);
  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA para{};
  para.cbSize = sizeof para;
  para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
  para.RequestedUsage.Usage.cUsageIdentifier = 1;
  para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  // An engine of its own reads the trust store as it is now: Wine's default engine keeps the
  // stores it read first, so an authority the user added during the run would not count.
  CERT_CHAIN_ENGINE_CONFIG config{};
  config.cbSize = sizeof config;
  HCERTCHAINENGINE engine = nullptr;
  if (!CertCreateCertificateChainEngine(&config, &engine)) engine = nullptr;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  const BOOL built = CertGetCertificateChain(engine, certificate, nullptr, certificate->hCertStore,
                                             &para, 0, nullptr, &chain);
  if (engine != nullptr) CertFreeCertificateChainEngine(engine);
  if (!built) {
    report.unknownAuthority = true;
    return;
  }
  const std::wstring wideHost = Wide(host);
  // Both must be clean: a chain whose authority is unknown can pass the policy with a partial
  // chain (0x10000) under Wine.
  const DWORD chainErrors = chain->TrustStatus.dwErrorStatus;
  const DWORD policy = PolicyError(chain, wideHost);
  constexpr DWORD kTimeErrors = CERT_TRUST_IS_NOT_TIME_VALID | CERT_TRUST_IS_NOT_TIME_NESTED;
  report.notTimeValid = (chainErrors & CERT_TRUST_IS_NOT_TIME_VALID) != 0 ||
                        policy == static_cast<DWORD>(CERT_E_EXPIRED);
  // A policy that judged the names all the same has said nothing about the authority.
  report.unknownAuthority = (chainErrors & ~kTimeErrors) != 0 ||
                            (policy != 0 && policy != static_cast<DWORD>(CERT_E_EXPIRED) &&
                             policy != static_cast<DWORD>(CERT_E_CN_NO_MATCH));
  CertFreeCertificateChain(chain);
}

}  // namespace

DWORD CheckServerCertificate(PCCERT_CONTEXT certificate, const std::string& host,
                             ServerCertificate& report) {
  report = ServerCertificate();
  report.host = host;
  if (certificate == nullptr) {
    report.unknownAuthority = true;
    report.error = ERROR_INTERNET_INVALID_CA;
    return report.error;
  }
  report.subject = CertificateNameText(certificate->pCertInfo->Subject);
  report.issuer = CertificateNameText(certificate->pCertInfo->Issuer);
  report.validFrom = TimeText(certificate->pCertInfo->NotBefore);
  report.validTo = TimeText(certificate->pCertInfo->NotAfter);
  report.sha256 = Sha256Fingerprint(certificate);
  Judge(certificate, host, report);
  if (report.unknownAuthority) {
    report.error = ERROR_INTERNET_INVALID_CA;
  } else if (report.notTimeValid) {
    report.error = ERROR_INTERNET_SEC_CERT_DATE_INVALID;
  } else if (report.wrongName) {
    report.error = ERROR_INTERNET_SEC_CERT_CN_INVALID;
  }
  if (report.error != 0 && !report.sha256.empty() && FingerprintTrusted(report.sha256)) return 0;
  return report.error;
}

// CertNameToStr ends a value at its first NUL: "CN=localhost\0.evil.example" read as
// "CN=localhost". The name is decoded here instead, every value whole.
std::string CertificateNameText(const CERT_NAME_BLOB& name) {
  CERT_NAME_INFO* info = nullptr;
  DWORD size = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_UNICODE_NAME, name.pbData, name.cbData,
                           CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size)) {
    return std::string();
  }
  std::vector<NameAttribute> attributes;
  for (DWORD r = 0; r < info->cRDN; ++r) {
    const CERT_RDN& rdn = info->rgRDN[r];
    for (DWORD a = 0; a < rdn.cRDNAttr; ++a) {
      const CERT_RDN_ATTR& attribute = rdn.rgRDNAttr[a];
      attributes.push_back({AttributeType(attribute.pszObjId), AttributeValue(attribute)});
    }
  }
  LocalFree(info);
  return DistinguishedNameText(attributes);
}

std::string EncodedCertificate(PCCERT_CONTEXT certificate) {
  if (certificate == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded),
                     certificate->cbCertEncoded);
}

void TrustFingerprint(const std::string& sha256) {
  std::lock_guard<std::mutex> hold(trustedLock);
  Trusted().insert(sha256);
}

bool FingerprintTrusted(const std::string& sha256) {
  std::lock_guard<std::mutex> hold(trustedLock);
  return Trusted().count(sha256) != 0;
}
