// The text routines over arbitrary bytes: decimal text in and out, cutting fields, positions
// and C-text copies, each checked against what it promises.
#include <cstring>
#include <limits>

#include "tests/fuzz/fuzz_input.h"
#include "winobj/text_core.h"

namespace {

// What TextToInt must give: the leading number, held at the 32-bit bounds when it is longer.
int64_t ExpectedNumber(const std::string& text) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) i = 1;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > (int64_t{1} << 32)) value = int64_t{1} << 32;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return value;
}

void CheckNumbers(const std::string& text, int32_t value) {
  FUZZ_CHECK(TextToInt(text) == ExpectedNumber(text));
  const std::string written = IntToText(value);
  FUZZ_CHECK(TextToInt(written) == value);
  FUZZ_CHECK(Int64ToText(value) == written);
}

void CheckCutField(const std::string& text, const std::string& separators) {
  std::string rest = text;
  std::string field;
  CutField(rest, separators.c_str(), field);
  const int pos = FirstSeparatorPos(text, separators.c_str());
  if (pos < 0) {
    FUZZ_CHECK(field == text && rest.empty());
    return;
  }
  FUZZ_CHECK(static_cast<size_t>(pos) == field.size() + 1);
  FUZZ_CHECK(field.find_first_of(separators) == std::string::npos);
  FUZZ_CHECK(field + text[field.size()] + rest == text);
  FUZZ_CHECK(separators.find(text[field.size()]) != std::string::npos);
}

void CheckPositions(const std::string& text, const std::string& separators, int n) {
  const int past = PastLastSeparatorPos(text, separators.c_str());
  FUZZ_CHECK(past >= 0 && past <= static_cast<int>(text.size()) + 1);
  if (past > 0) FUZZ_CHECK(separators.find(text[past - 2]) != std::string::npos);
  const std::string tail = TextFrom(text, past);
  FUZZ_CHECK(tail.find_first_of(separators) == std::string::npos);
  FUZZ_CHECK(TextFrom(text, n).size() <= text.size());
  const std::string name = PathNamePart(text);
  FUZZ_CHECK(name.find_first_of("\\:") == std::string::npos);

  std::string shorter = text;
  DropLastChars(shorter, n);
  const size_t dropped = n <= 0 ? 0 : static_cast<size_t>(n);
  FUZZ_CHECK(shorter.size() == (dropped >= text.size() ? 0 : text.size() - dropped));
  FUZZ_CHECK(text.compare(0, shorter.size(), shorter) == 0);

  const char c = separators.empty() ? 'x' : separators[0];
  const int at = CharPosition(text, c);
  if (at > 0) FUZZ_CHECK(text[at - 1] == c && text.find(c) + 1 == static_cast<size_t>(at));
}

void CheckCTexts(const std::string& text, size_t capacity) {
  std::vector<char> buffer(capacity + 1, '#');
  TextToCBuffer(buffer.data(), capacity, text);
  if (capacity > 0) {
    const size_t kept = CTextLength(buffer.data());
    FUZZ_CHECK(kept < capacity);
    FUZZ_CHECK(BytesEqual(buffer.data(), text.c_str(), kept));
  }
  FUZZ_CHECK(buffer[capacity] == '#');  // never a byte past the capacity

  std::vector<char> copy(text.size() + 1);
  CopyCText(copy.data(), text.c_str());
  FUZZ_CHECK(CompareCText(copy.data(), text.c_str()) == 0);
  const char* last = FindCharBackward(copy.data(), '\0');
  FUZZ_CHECK(last == copy.data() + CTextLength(copy.data()));
}

// A cut keeps within its bound, and keeps UTF-8 whole: both parts of UTF-8 are UTF-8.
void CheckUtf8Cut(const std::string& text, size_t most) {
  const size_t cut = Utf8CutLength(text, most);
  FUZZ_CHECK(cut <= most && cut <= text.size());
  if (most <= text.size()) FUZZ_CHECK(cut + 3 >= most);
  if (IsUtf8Text(text)) {
    FUZZ_CHECK(IsUtf8Text(text.substr(0, cut)));
    FUZZ_CHECK(IsUtf8Text(text.substr(cut)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const int32_t value = static_cast<int32_t>(in.Word());
  const size_t capacity = in.Byte();
  const std::vector<std::string> parts = CutAt(in.Rest(), '\x01');
  const std::string text = parts[0];
  // A separator set is a C text: what follows a NUL in it is not part of the set.
  std::string separators = parts.size() > 1 ? parts[1] : std::string(";");
  separators = separators.substr(0, separators.find('\0'));

  CheckNumbers(text, value);
  CheckCutField(text, separators);
  CheckPositions(text, separators, value);
  CheckCTexts(text, capacity);
  CheckUtf8Cut(text, capacity);
  return 0;
}
