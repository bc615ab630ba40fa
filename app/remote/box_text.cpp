#include "app/remote/box_text.h"

#include "winobj/text_core.h"

namespace {

const char* const kCutMark = "...";
constexpr size_t kCutMarkLength = 3;

// The position just after the `lines`-th line break (a CR LF pair is one break), or npos when
// the text holds fewer breaks.
size_t AfterLineBreak(const std::string& text, size_t lines) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (++seen == lines) return i + 1;
  }
  return std::string::npos;
}

}  // namespace

std::string TextForBox(const std::string& text, size_t most, size_t mostLines) {
  // More lines than the limit: a break ends the last line allowed and text follows it.
  const size_t pastLimit = AfterLineBreak(text, mostLines);
  const bool tooManyLines = pastLimit != std::string::npos && pastLimit < text.size();
  // The mark takes a line of its own: the lines before it are one fewer than the limit.
  const size_t linesCut = mostLines > 0 ? AfterLineBreak(text, mostLines - 1) : 0;
  if (text.size() <= most && !tooManyLines) return text;
  if (most <= kCutMarkLength) return std::string(kCutMark, most);
  const size_t room = most - kCutMarkLength;
  if (tooManyLines && linesCut <= room) return text.substr(0, linesCut) + kCutMark;
  // The last line end that leaves the lines before it whole within the room; a CR LF pair stays
  // together so that the mark starts a line of its own.
  size_t cut = std::string::npos;
  const size_t lineEnd = text.find_last_of('\n', room - 1);
  if (lineEnd != std::string::npos && lineEnd > 0) cut = lineEnd + 1;
  if (cut == std::string::npos) {
    // Never half a UTF-8 character (the program's texts are UTF-8 with its manifest), nor half a
    // line break.
    cut = Utf8CutLength(text, room);
    if (cut > 0 && text[cut - 1] == '\r') --cut;
  }
  return text.substr(0, cut) + kCutMark;
}
