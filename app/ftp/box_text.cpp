#include "app/ftp/box_text.h"

namespace {

const char* const kCutMark = "...";
constexpr size_t kCutMarkLength = 3;

}  // namespace

std::string TextForBox(const std::string& text, size_t most) {
  if (text.size() <= most) return text;
  if (most <= kCutMarkLength) return std::string(kCutMark, most);
  const size_t room = most - kCutMarkLength;
  // The last line end that leaves the lines before it whole within the room; a CR LF pair stays
  // together so that the mark starts a line of its own.
  size_t cut = std::string::npos;
  const size_t lineEnd = text.find_last_of('\n', room - 1);
  if (lineEnd != std::string::npos && lineEnd > 0) cut = lineEnd + 1;
  if (cut == std::string::npos) {
    cut = room;
    // Never leave half a line break behind.
    if (text[cut - 1] == '\r') --cut;
  }
  return text.substr(0, cut) + kCutMark;
}
