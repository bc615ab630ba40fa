// A certificate's names: arbitrary DER for its subjectAltName and its subject must not crash,
// an address is named only by an entry of its very bytes, and a host name only by a name read
// whole from well-formed DER.
#include <algorithm>

#include "app/ftp/own/certificate_names.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint32_t split = in.Word();
  const std::string_view rest = in.Rest();
  const std::string_view alt = rest.substr(0, split % (rest.size() + 1));
  CertificateNames names;
  ReadAltNames(alt, names);
  ReadCommonNames(rest.substr(alt.size()), names);
  const std::string loopback("\x7f\x00\x00\x01", 4);
  if (NamesHost(names, "127.0.0.1", loopback)) {
    FUZZ_CHECK(std::find(names.addresses.begin(), names.addresses.end(), loopback) !=
               names.addresses.end());
  }
  // A one-label host: no wildcard reaches it, only its own name in any case.
  if (NamesHost(names, "localhost", "")) {
    bool named = false;
    for (const std::vector<std::string>* list : {&names.dnsNames, &names.commonNames}) {
      for (std::string name : *list) {
        for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        named = named || name == "localhost" || name == "localhost.";
      }
    }
    FUZZ_CHECK(named);
  }
  return 0;
}
