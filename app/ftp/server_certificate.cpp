#include "app/ftp/server_certificate.h"

#include <cstdio>

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// A value that CertNameToStr puts in quotes.
bool NeedsQuotes(const std::string& value) {
  if (value.empty()) return false;
  if (value.front() == ' ' || value.back() == ' ') return true;
  return value.find_first_of(",+=\"<>#;\r\n") != std::string::npos;
}

}  // namespace

std::string FingerprintText(const unsigned char* bytes, size_t size) {
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) text += ':';
    text += kHexDigits[bytes[i] >> 4];
    text += kHexDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::string UtcTimeText(int year, int month, int day, int hour, int minute, int second) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", year, month, day, hour,
                minute, second);
  return text;
}

std::string DistinguishedNameText(const std::vector<NameAttribute>& attributes) {
  std::string text;
  for (const NameAttribute& attribute : attributes) {
    if (!text.empty()) text += ", ";
    text += attribute.type + "=";
    if (!NeedsQuotes(attribute.value)) {
      text += attribute.value;
      continue;
    }
    text += '"';
    for (char c : attribute.value) text += c == '"' ? std::string("\"\"") : std::string(1, c);
    text += '"';
  }
  return text;
}
