// What a message box is given of a text that came from elsewhere (a server's reply can run to
// thousands of lines): plain text in, plain text out, no windows.
#pragma once

#include <cstddef>
#include <string>

// A box shows at most this many characters of a text, the closing "..." included.
constexpr size_t kMostBoxTextLength = 1000;
// ... and at most this many lines, the line of the closing "..." included: a box of 40 lines
// of the system's message font still fits, title and button included, on a screen 1,024
// pixels high.
constexpr size_t kMostBoxTextLines = 40;

// The text itself when it fits both limits; otherwise its first whole lines that fit followed
// by "..." on a line of its own, or, when even the first line is too long, as much of it as
// fits followed by "...". A line ends at LF, CR LF or a lone CR, as a box breaks it.
std::string TextForBox(const std::string& text, size_t most = kMostBoxTextLength,
                       size_t mostLines = kMostBoxTextLines);
