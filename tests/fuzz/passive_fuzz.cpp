// PASV and EPSV replies: arbitrary texts must not crash, and well-formed replies built from
// arbitrary numbers must give exactly their port.
#include "app/ftp/ftp_reply.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t p1 = in.Byte();
  const uint8_t p2 = in.Byte();
  const uint16_t epsv = static_cast<uint16_t>(in.Word());
  const std::string_view text = in.Rest();

  uint16_t port = 0;
  ParsePasvPort(text, port);
  ParseEpsvPort(text, port);

  const std::string pasv =
      "227 Entering Passive Mode (127,0,0,1," + std::to_string(p1) + "," + std::to_string(p2) + ")";
  port = 0;
  const bool pasvTaken = ParsePasvPort(pasv, port);
  // Port 0 names no port, so a parser may refuse it; any other must come out as sent.
  FUZZ_CHECK(pasvTaken || (p1 == 0 && p2 == 0));
  if (pasvTaken) FUZZ_CHECK(port == p1 * 256 + p2);
  const std::string extended =
      "229 Entering Extended Passive Mode (|||" + std::to_string(epsv) + "|)";
  port = 0;
  const bool epsvTaken = ParseEpsvPort(extended, port);
  FUZZ_CHECK(epsvTaken || epsv == 0);
  if (epsvTaken) FUZZ_CHECK(port == epsv);
  return 0;
}
