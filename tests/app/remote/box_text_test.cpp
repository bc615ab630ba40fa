// What an error box is given of a long text: the text itself when it fits, else whole lines and
// "...", never more than the limit, never half a line break.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/remote/box_text.h"

namespace {

std::string Lines(int count, const std::string& line) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + "\r\n";
  return text;
}

TEST(FtpBoxText, ShortTextsStayAsTheyAre) {
  for (const std::string& text : {std::string(), std::string("550 No such file."),
                                  std::string(kMostBoxTextLength, 'x'), Lines(10, "550-Line")}) {
    EXPECT_EQ(TextForBox(text), text);
  }
}

TEST(FtpBoxText, LongTextsKeepWholeLinesAndEndInDots) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  };
  const std::string line = "550-" + std::string(40, 'r');  // 44 characters and CR LF
  const std::vector<Case> cases = {
      // A 3,000-line reply: as many whole lines as fit before the mark (21 of 46 characters).
      {"many lines", Lines(3000, line), Lines(21, line) + "..."},
      // One line longer than a box: its start, the mark at the limit.
      {"one long line", std::string(5000, 'a'), std::string(kMostBoxTextLength - 3, 'a') + "..."},
      // Only LF between lines.
      {"LF lines", std::string(600, 'a') + "\n" + std::string(600, 'b'),
       std::string(600, 'a') + "\n..."},
      // The room ends between CR and LF of a first line too long: the CR goes too.
      {"CR at the cut", std::string(kMostBoxTextLength - 4, 'a') + "\r\n" + std::string(50, 'b'),
       std::string(kMostBoxTextLength - 4, 'a') + "..."},
  };
  for (const Case& c : cases) {
    const std::string shown = TextForBox(c.text);
    EXPECT_EQ(shown, c.expected) << c.what;
    EXPECT_LE(shown.size(), kMostBoxTextLength) << c.what;
  }
}

// Lines as a box shows them: a final break starts no line.
size_t LineCount(const std::string& text) {
  size_t lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if ((text[i] == '\r' || text[i] == '\n') && i + 1 < text.size()) ++lines;
  }
  return lines;
}

// Short lines: the character limit alone let through 333 lines, a box taller than the screen.
TEST(FtpBoxText, ManyShortLinesAreCutToTheLineLimit) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"3,000 one-letter lines", Lines(3000, "a"), Lines(39, "a") + "..."},
      {"LF only", std::string(3000, '\n'), std::string(39, '\n') + "..."},
      {"lone CR", std::string(100, '\r'), std::string(39, '\r') + "..."},
      {"exactly the limit", Lines(39, "b") + "b", Lines(39, "b") + "b"},
      {"the limit and a final break", Lines(40, "b"), Lines(40, "b")},
      {"one line more", Lines(40, "b") + "c", Lines(39, "b") + "..."},
  };
  for (const Case& c : cases) {
    const std::string shown = TextForBox(c.text);
    EXPECT_EQ(shown, c.expected) << c.what;
    EXPECT_LE(LineCount(shown), kMostBoxTextLines) << c.what;
  }
}

TEST(FtpBoxText, ATinyLimitStillGivesNoMoreThanIt) {
  EXPECT_EQ(TextForBox("abcdef", 2), "..");
  EXPECT_EQ(TextForBox("abcdef", 5), "ab...");
  EXPECT_EQ(TextForBox("a\nbcdef", 5), "a\n...");
}

}  // namespace
