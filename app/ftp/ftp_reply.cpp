#include "app/ftp/ftp_reply.h"

#include "app/ftp/ftp_text.h"

namespace {

// Three digits, the first 1..5: the reply codes RFC 959 knows.
bool StartsWithCode(std::string_view line) {
  return line.size() >= 3 && line[0] >= '1' && line[0] <= '5' && IsDigit(line[1]) &&
         IsDigit(line[2]);
}

int CodeOf(std::string_view line) {
  return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

// A decimal number of at most `most`, read at `at`; `at` moves past it.
bool ReadNumber(std::string_view text, size_t& at, unsigned most, unsigned& value) {
  const size_t start = at;
  value = 0;
  while (at < text.size() && IsDigit(text[at])) {
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
    if (value > most) return false;
    ++at;
  }
  return at > start;
}

}  // namespace

void ReplyReader::Feed(const char* data, size_t size) {
  // Handed-out replies are dropped before the buffer grows, so it stays near the caps.
  if (start_ > 0 && start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  } else if (start_ > kMostReplyLength) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(data, size);
}

ReplyReader::Result ReplyReader::Next(FtpReply& reply) {
  const std::string_view pending = std::string_view(buffer_).substr(start_);
  size_t lineStart = partEnd_;
  int code = 0;
  bool multiLine = false;
  bool firstLine = lineStart == 0;
  if (!firstLine) {  // the first line was read and checked by an earlier call
    code = CodeOf(pending);
    multiLine = pending.size() > 3 && pending[3] == '-';
  }
  std::string& text = partText_;
  for (;;) {
    const size_t end = pending.find('\n', lineStart);
    const size_t lineLength = (end == std::string_view::npos ? pending.size() : end) - lineStart;
    if (lineLength > kMostReplyLine) return Result::kTooLong;
    if (end == std::string_view::npos) {
      if (lineStart > kMostReplyLength || pending.size() > kMostReplyLength + kMostReplyLine) {
        return Result::kTooLong;
      }
      // A first line that can never become a reply is said at once, not after the caps.
      if (lineStart == 0 && pending.size() >= 4 &&
          !(StartsWithCode(pending) &&
            (pending[3] == ' ' || pending[3] == '-' || pending[3] == '\r'))) {
        return Result::kMalformed;
      }
      partEnd_ = lineStart;
      return Result::kNeedMore;
    }
    const std::string_view line = WithoutLineBreak(pending.substr(lineStart, end + 1 - lineStart));
    if (firstLine) {
      // RFC 959 allows a bare "123" line; anything else before the code is no reply.
      if (!StartsWithCode(line) || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
        return Result::kMalformed;
      }
      code = CodeOf(line);
      multiLine = line.size() > 3 && line[3] == '-';
    }
    text.append(line.data(), line.size());
    text += "\r\n";
    if (text.size() > kMostReplyLength) return Result::kTooLong;
    lineStart = end + 1;
    const bool last = !multiLine || (!firstLine && StartsWithCode(line) && CodeOf(line) == code &&
                                     (line.size() == 3 || line[3] == ' '));
    firstLine = false;
    if (last) {
      reply.code = code;
      reply.text = std::move(text);
      text.clear();
      start_ += lineStart;
      partEnd_ = 0;
      return Result::kReply;
    }
  }
}

FtpFeatures ParseFeatures(const FtpReply& reply) {
  FtpFeatures features;
  if (reply.code != 211) return features;
  std::string_view text(reply.text);
  size_t at = 0;
  bool first = true;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = WithoutLineBreak(text.substr(at, end - at));
    at = end + 1;
    if (first) {  // "211-Features:"
      first = false;
      continue;
    }
    // Feature lines start with a blank (RFC 2389); the closing "211 End" does not.
    if (line.empty() || line[0] != ' ') continue;
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    const std::string_view name = line.substr(0, line.find(' '));
    if (EqualNoCase(name, "MLST")) features.mlsd = true;
    if (EqualNoCase(name, "UTF8")) features.utf8 = true;
    if (EqualNoCase(name, "EPSV")) features.epsv = true;
    if (EqualNoCase(name, "SIZE")) features.size = true;
  }
  return features;
}

bool ParsePasvPort(std::string_view text, uint16_t& port) {
  // The six numbers may stand in brackets or not ("227 =127,0,0,1,4,1" is seen too); the first
  // run of six comma-separated numbers after the code counts.
  for (size_t start = 3; start < text.size(); ++start) {
    if (!IsDigit(text[start]) || IsDigit(text[start - 1])) continue;
    size_t at = start;
    unsigned values[6];
    bool ok = true;
    for (int i = 0; i < 6 && ok; ++i) {
      ok = ReadNumber(text, at, 255, values[i]);
      if (ok && i < 5) ok = at < text.size() && text[at++] == ',';
    }
    if (!ok || (at < text.size() && IsDigit(text[at]))) continue;
    const unsigned value = values[4] * 256 + values[5];
    if (value == 0) return false;
    port = static_cast<uint16_t>(value);
    return true;
  }
  return false;
}

bool ParseEpsvPort(std::string_view text, uint16_t& port) {
  const size_t open = text.find('(');
  if (open == std::string_view::npos || open + 5 > text.size()) return false;
  const char d = text[open + 1];
  // The delimiter is a printable character other than a digit (RFC 2428, usually "|").
  if (d < 33 || d > 126 || IsDigit(d)) return false;
  if (text[open + 2] != d || text[open + 3] != d) return false;
  size_t at = open + 4;
  unsigned value = 0;
  if (!ReadNumber(text, at, 65535, value) || value == 0) return false;
  if (at + 1 >= text.size() || text[at] != d || text[at + 1] != ')') return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool ParseSizeReply(const FtpReply& reply, uint64_t& size) {
  if (reply.code != 213) return false;
  std::string_view line(reply.text);
  line = WithoutLineBreak(line.substr(0, line.find('\n') + 1));
  if (line.size() < 5 || line[3] != ' ') return false;
  return ReadDecimal(line.substr(4), size);
}

bool ParseAnnouncedSize(std::string_view text, uint64_t& size) {
  const std::string_view line = WithoutLineBreak(text.substr(0, text.find('\n') + 1));
  for (size_t close = line.rfind(')'); close != std::string_view::npos && close > 0;
       close = line.rfind(')', close - 1)) {
    const size_t open = line.rfind('(', close);
    if (open == std::string_view::npos) return false;
    const std::string_view inside = line.substr(open + 1, close - open - 1);
    const size_t blank = inside.find(' ');
    if (blank != std::string_view::npos && EqualNoCase(inside.substr(blank), " bytes") &&
        ReadDecimal(inside.substr(0, blank), size)) {
      return true;
    }
  }
  return false;
}

bool ParsePwdReply(const FtpReply& reply, std::string& folder) {
  const std::string_view line =
      WithoutLineBreak(std::string_view(reply.text).substr(0, reply.text.find('\n') + 1));
  const size_t open = line.find('"');
  if (open == std::string_view::npos) return false;
  std::string name;
  for (size_t at = open + 1; at < line.size(); ++at) {
    if (line[at] != '"') {
      name += line[at];
    } else if (at + 1 < line.size() && line[at + 1] == '"') {
      name += '"';
      ++at;
    } else {
      folder = name;
      return true;
    }
  }
  return false;
}
