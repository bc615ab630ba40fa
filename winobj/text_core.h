// The text routines that need no platform: integer <-> decimal text, routines on counted texts
// (std::string, ANSI bytes, 1-based positions) and on NUL-terminated C texts, and the cutting of
// a whole text into lines. Plain code without windows.h: it reads what files and servers hold,
// and is fuzzed natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// ---- Integers and decimal text ----

std::string IntToText(int32_t value);
std::string Int64ToText(int64_t value);
std::string UInt64ToText(uint64_t value);
// Optional "-" as the very first byte, then digits up to the first non-digit; blanks are not
// skipped; no digits give 0. Too many digits saturate at INT32_MAX / INT32_MIN instead of
// wrapping, so an over-long number never comes out as a small one.
int32_t TextToInt(const std::string& text);

// ---- Counted texts (positions 1-based) ----

// Position of the first `c`, -1 if none.
int CharPosition(const std::string& text, char c);
// Smallest position of any byte of `separators`, -1 if none occurs.
int FirstSeparatorPos(const std::string& text, const char* separators);
// field := text before the first separator (all of it when none); text := the rest after it.
void CutField(std::string& text, const char* separators, std::string& field);
// From `position` to the end; a position below 1 counts as 1, past the end gives "".
std::string TextFrom(const std::string& text, int position);
// Removes the last n bytes (all when n exceeds the length); n <= 0 changes nothing.
void DropLastChars(std::string& text, int n);
// Position just after the last byte of `separators` anywhere in `text`, 0 if none occurs.
int PastLastSeparatorPos(const std::string& text, const char* separators);
// The part after the last "\" or ":", the whole text when neither occurs.
std::string PathNamePart(const std::string& text);

// ---- C texts (a null pointer reads as the empty C text) ----

size_t CTextLength(const char* text);
// Copies including the NUL; `dest` must hold CTextLength(src) + 1 bytes.
char* CopyCText(char* dest, const char* src);
// Copies at most n bytes before the NUL, then a NUL: `dest` must hold n + 1 bytes.
char* CopyCTextMax(char* dest, const char* src, size_t n);
// Copies the text into a buffer of `capacity` bytes, cut to capacity - 1 bytes and always
// NUL-terminated; a capacity of 0 writes nothing.
void TextToCBuffer(char* dest, size_t capacity, const std::string& text);
template <size_t N>
void TextToCBuffer(char (&dest)[N], const std::string& text) {
  TextToCBuffer(dest, N, text);
}
// First / last occurrence of c; searching for '\0' finds the terminator. Null when absent.
const char* FindCharForward(const char* text, char c);
const char* FindCharBackward(const char* text, char c);
// Difference of the first differing bytes (as unsigned bytes), 0 when equal.
int CompareCText(const char* a, const char* b);
bool BytesEqual(const void* a, const void* b, size_t n);

// ---- UTF-8 ----

// Well-formed UTF-8, plain ASCII included: no overlong form, no surrogate, nothing past U+10FFFF.
bool IsUtf8Text(std::string_view text);
// The longest length up to `most` at which `text` may be cut without ending inside a UTF-8
// sequence (a well-formed sequence that `most` would cut goes whole to the part after the cut).
size_t Utf8CutLength(std::string_view text, size_t most);

// ---- Lines ----

// The lines of a whole text: a break is CR or CR LF (a lone LF stays in its line); the first NUL
// ends the text; a final break adds no empty line, an empty line between two breaks stays.
std::vector<std::string> SplitTextLines(const std::string& text);
