// What a message box is given of a text that came from elsewhere (a server's reply can run to
// thousands of lines): plain text in, plain text out, no windows.
#pragma once

#include <cstddef>
#include <string>

// A box shows at most this many characters of a text, the closing "..." included.
constexpr size_t kMostBoxTextLength = 1000;

// The text itself when it fits; otherwise its first whole lines that fit followed by "...", or,
// when even the first line is too long, as much of it as fits followed by "...".
std::string TextForBox(const std::string& text, size_t most = kMostBoxTextLength);
