#include "winobj/text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const StringList& list) {
  std::vector<std::string> lines;
  for (int i = 0; i < list.Count(); ++i) lines.push_back(list.ItemText(i));
  return lines;
}

std::vector<std::string> LinesOfText(const std::string& text) {
  StringList list;
  list.SetText(text, false);
  return LinesOf(list);
}

using Lines = std::vector<std::string>;

// A literal's bytes, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

}  // namespace

// ---- Conversions ----

TEST(TextConversions, IntToTextCoversSignAndExtremes) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(-42), "-42");
  EXPECT_EQ(IntToText(100), "100");
  EXPECT_EQ(IntToText(INT_MIN), "-2147483648");
  EXPECT_EQ(IntToText(INT_MAX), "2147483647");
  EXPECT_EQ(UInt64ToText(0), "0");
  EXPECT_EQ(UInt64ToText(UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(UInt64ToText(5000000000ULL), "5000000000");
  EXPECT_EQ(Int64ToText(INT64_MIN), "-9223372036854775808");
}

TEST(TextConversions, TextToIntReadsOnlyLeadingDigits) {
  EXPECT_EQ(TextToInt("-"), 0);
  EXPECT_EQ(TextToInt("-12"), -12);
  EXPECT_EQ(TextToInt("abc"), 0);
  EXPECT_EQ(TextToInt("21x"), 21);
  EXPECT_EQ(TextToInt(" 5"), 0);  // blanks are not skipped
  EXPECT_EQ(TextToInt("2121x"), 2121);
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("0021"), 21);
  EXPECT_EQ(TextToInt("--5"), 0);
  // Past 32 bits the value saturates instead of wrapping into range.
  EXPECT_EQ(TextToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToInt("4295014396"), INT32_MAX);
  EXPECT_EQ(TextToInt("-4294920196"), INT32_MIN);
  EXPECT_EQ(TextToInt("18446744073709598716"), INT32_MAX);
  EXPECT_EQ(TextToInt("5-3"), 5);
  EXPECT_EQ(TextToInt("-2147483648"), INT_MIN);
  EXPECT_EQ(TextToInt("2147483647"), INT_MAX);
}

// ---- Counted texts ----

TEST(TextRoutines, PositionsAreOneBased) {
  EXPECT_EQ(CharPosition("abc", 'a'), 1);
  EXPECT_EQ(CharPosition("abcb", 'b'), 2);
  EXPECT_EQ(CharPosition("abc", 'x'), -1);
  EXPECT_EQ(CharPosition("", 'x'), -1);
  EXPECT_EQ(FirstSeparatorPos("ab:c\\d", "\\:"), 3);
  EXPECT_EQ(FirstSeparatorPos("abc", ";,"), -1);
  EXPECT_EQ(FirstSeparatorPos("abc", ""), -1);
}

TEST(TextRoutines, CutFieldSplitsAtFirstSeparator) {
  std::string text = "a;b;c";
  std::string field;
  CutField(text, ";", field);
  EXPECT_EQ(field, "a");
  EXPECT_EQ(text, "b;c");

  text = "abc";
  CutField(text, ";", field);
  EXPECT_EQ(field, "abc");
  EXPECT_EQ(text, "");

  text = ";x";
  CutField(text, ";", field);
  EXPECT_EQ(field, "");
  EXPECT_EQ(text, "x");

  text = "";
  field = "stale";
  CutField(text, ";", field);
  EXPECT_EQ(field, "");
  EXPECT_EQ(text, "");

  // A site line with an empty password: the empty field between two separators survives.
  text = "Archive;files;anonymous;;1;21";
  std::vector<std::string> fields;
  for (int i = 0; i < 5; ++i) {
    CutField(text, ";", field);
    fields.push_back(field);
  }
  EXPECT_EQ(fields, (Lines{"Archive", "files", "anonymous", "", "1"}));
  EXPECT_EQ(text, "21");
}

TEST(TextRoutines, PastLastSeparatorPosTakesLatestOfAnySeparator) {
  EXPECT_EQ(PastLastSeparatorPos("/pub/dir", "/"), 6);
  EXPECT_EQ(PastLastSeparatorPos("c:\\dir", "\\"), 4);
  EXPECT_EQ(PastLastSeparatorPos("dir", "/"), 0);
  EXPECT_EQ(PastLastSeparatorPos("", "/"), 0);
  EXPECT_EQ(PastLastSeparatorPos("/pub/", "/"), 6);
  // Both orders of two different separators side by side, and a set whose first member occurs
  // earlier in the text than its second.
  EXPECT_EQ(PastLastSeparatorPos("a\\:b", "\\:"), 4);
  EXPECT_EQ(PastLastSeparatorPos("a:\\b", "\\:"), 4);
  EXPECT_EQ(PastLastSeparatorPos("c:\\x:y", "\\:"), 6);
}

TEST(TextRoutines, PathNamePartIsAfterLastBackslashOrColon) {
  EXPECT_EQ(PathNamePart("c:\\dir\\file.txt"), "file.txt");
  EXPECT_EQ(PathNamePart("c:file.txt"), "file.txt");
  EXPECT_EQ(PathNamePart("file.txt"), "file.txt");
  EXPECT_EQ(PathNamePart("c:\\dir\\"), "");
  EXPECT_EQ(PathNamePart("/unix/style"), "/unix/style");
}

TEST(TextRoutines, TextFromAndDropLastCharsClampTheirCounts) {
  EXPECT_EQ(TextFrom("abc", 0), "abc");
  EXPECT_EQ(TextFrom("abc", -3), "abc");
  EXPECT_EQ(TextFrom("abc", 1), "abc");
  EXPECT_EQ(TextFrom("abc", 3), "c");
  EXPECT_EQ(TextFrom("abc", 4), "");
  EXPECT_EQ(TextFrom("abc", 1000), "");
  EXPECT_EQ(TextFrom("", 1), "");

  std::string text = "abc";
  DropLastChars(text, 5);
  EXPECT_EQ(text, "");
  text = "abc";
  DropLastChars(text, 0);
  EXPECT_EQ(text, "abc");
  DropLastChars(text, -1);
  EXPECT_EQ(text, "abc");
  DropLastChars(text, 1);
  EXPECT_EQ(text, "ab");
  DropLastChars(text, 2);
  EXPECT_EQ(text, "");
}

TEST(TextRoutines, CompareLocaleTextGivesMinusOneZeroOne) {
  EXPECT_EQ(CompareLocaleText("a", "b"), -1);
  EXPECT_EQ(CompareLocaleText("b", "a"), 1);
  EXPECT_EQ(CompareLocaleText("abc", "abc"), 0);
  EXPECT_EQ(CompareLocaleText("", "a"), -1);
  // A locale order, not byte order: bytes would put "Banana" ('B' 0x42) first.
  EXPECT_EQ(CompareLocaleText("apple", "Banana"), -1);
}

// ---- C texts ----

TEST(TextRoutines, Utf8IsCheckedAndNeverCutInsideASequence) {
  struct Case {
    std::string text;
    bool utf8;
    size_t most;
    size_t cut;
  } cases[] = {
      {"plain", true, 3, 3},
      {"caf\xC3\xA9", true, 4, 3},  // "é" would lose its second byte
      {"caf\xC3\xA9", true, 5, 5},
      {"\xE6\x97\xA5x", true, 2, 0},
      {"\xF0\x9F\x98\x80", true, 3, 0},
      {"caf\xE9 x", false, 4, 4},         // code page 1252: no sequence to keep whole
      {"\xC0\x80", false, 1, 1},          // overlong: no UTF-8
      {"\xED\xA0\x80", false, 2, 2},      // a surrogate: no UTF-8
      {"\xF4\x90\x80\x80", false, 1, 1},  // past U+10FFFF
      {"\xE6\x97", false, 1, 1},          // cut off already
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsUtf8Text(c.text), c.utf8) << c.text;
    EXPECT_EQ(Utf8CutLength(c.text, c.most), c.cut) << c.text << " " << c.most;
  }
}

TEST(CTextRoutines, LengthAndCopiesStopAtTheirLimits) {
  EXPECT_EQ(CTextLength(""), 0u);
  EXPECT_EQ(CTextLength("abc"), 3u);
  EXPECT_EQ(CTextLength(nullptr), 0u);

  char buffer[8];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_EQ(CopyCTextMax(buffer, "abcdef", 3), buffer);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(buffer[4], 'x');  // nothing written past the NUL

  CopyCTextMax(buffer, "ab", 5);
  EXPECT_STREQ(buffer, "ab");
  CopyCText(buffer, "1234567");
  EXPECT_STREQ(buffer, "1234567");

  char small[4];
  std::memset(small, 'x', sizeof(small));
  TextToCBuffer(small, "abcdef");
  EXPECT_STREQ(small, "abc");
  TextToCBuffer(small, "ab");
  EXPECT_STREQ(small, "ab");
  TextToCBuffer(small, "");
  EXPECT_STREQ(small, "");
  small[0] = 'q';
  TextToCBuffer(small, 0, "abc");
  EXPECT_EQ(small[0], 'q');
}

TEST(CTextRoutines, FindAndCompare) {
  const char* text = "a/b/c";
  EXPECT_EQ(FindCharForward(text, '/'), text + 1);
  EXPECT_EQ(FindCharBackward(text, '/'), text + 3);
  EXPECT_EQ(FindCharForward(text, '\0'), text + 5);
  EXPECT_EQ(FindCharBackward(text, '\0'), text + 5);
  EXPECT_EQ(FindCharForward(text, 'z'), nullptr);
  EXPECT_EQ(FindCharBackward(text, 'z'), nullptr);

  EXPECT_EQ(CompareCText("abc", "abc"), 0);
  EXPECT_EQ(CompareCText("abc", "abd"), 'c' - 'd');
  EXPECT_EQ(CompareCText("ab", "abc"), -'c');
  EXPECT_GT(CompareCText("\xE9", "a"), 0);  // bytes compare unsigned

  EXPECT_TRUE(BytesEqual("a\0b", "a\0c", 2));
  EXPECT_FALSE(BytesEqual("a\0b", "a\0c", 3));
  EXPECT_TRUE(BytesEqual("x", "y", 0));
}

// ---- StringList ----

TEST(StringListLines, SetTextBreaksAtCrOrCrLfOnly) {
  EXPECT_EQ(LinesOfText("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOfText("a\nb"), (Lines{"a\nb"}));
  EXPECT_EQ(LinesOfText("a\rb"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOfText("a\r\n"), (Lines{"a"}));
  EXPECT_EQ(LinesOfText("a\r\n\r\n"), (Lines{"a", ""}));
  EXPECT_EQ(LinesOfText("a\n\rb"), (Lines{"a\n", "b"}));
  EXPECT_EQ(LinesOfText("\r\r"), (Lines{"", ""}));
  EXPECT_EQ(LinesOfText("\r\n"), (Lines{""}));
  EXPECT_EQ(LinesOfText("last line unended"), (Lines{"last line unended"}));
  EXPECT_EQ(LinesOfText(""), Lines{});
  EXPECT_EQ(LinesOfText(Bytes("a\r\nb\0c\r\nd")), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOfText(Bytes("\0a")), Lines{});
}

TEST(StringListLines, SetTextReplacesOrAppends) {
  StringList list;
  list.SetText("a\r\nb", false);
  list.SetText("c", false);
  EXPECT_EQ(LinesOf(list), (Lines{"c"}));
  list.SetText("", false);
  EXPECT_EQ(list.Count(), 0);

  // Appended blocks of growing size, mixed with single lines: every earlier line must keep its
  // text however the storage behind it grows.
  Lines expected;
  for (int round = 0; round < 6; ++round) {
    std::string block;
    for (int i = 0; i < 50 * (round + 1); ++i) {
      std::string line = "r" + IntToText(round) + "-" + IntToText(i);
      block += line + "\r\n";
      expected.push_back(line);
    }
    list.SetText(block, true);
    list.Add("single" + IntToText(round));
    expected.push_back("single" + IntToText(round));
    list.SetText("", true);  // appends nothing
  }
  EXPECT_EQ(LinesOf(list), expected);
}

TEST(StringListLines, JoinedTextEndsEveryLine) {
  StringList list;
  EXPECT_EQ(list.JoinedText(), "");
  list.Add("x");
  list.Add("");
  list.Add("y");
  EXPECT_EQ(list.JoinedText(), "x\r\n\r\ny\r\n");

  StringList copy;
  copy.SetText(list.JoinedText(), false);
  EXPECT_EQ(LinesOf(copy), LinesOf(list));
}

TEST(StringListLines, EditingKeepsOrderAndIgnoresBadIndices) {
  StringList list;
  list.Add("b");
  list.Insert(0, "a");
  list.Insert(2, "d");
  list.Insert(2, "c");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "d"}));

  list.Replace(1, "B");
  list.Delete(2);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "B", "d"}));
  list.Delete(2);
  list.Delete(0);
  EXPECT_EQ(LinesOf(list), (Lines{"B"}));

  list.Delete(-1);
  list.Delete(1);
  list.Insert(-1, "bad");
  list.Insert(3, "bad");
  list.Replace(1, "bad");
  list.Replace(-1, "bad");
  EXPECT_EQ(LinesOf(list), (Lines{"B"}));
  EXPECT_EQ(list.ItemText(-1), "");
  EXPECT_EQ(list.ItemText(1), "");
  EXPECT_EQ(list.ItemText(INT_MAX), "");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ItemText(0), "");
  list.Add("again");
  EXPECT_EQ(LinesOf(list), (Lines{"again"}));
}

TEST(StringListLines, LineWithNulKeepsTextBeforeIt) {
  // Written out, the NUL would end the whole text at the next load and lose every later line.
  StringList list;
  list.Add(Bytes("ab\0cd"));
  list.Add("next");
  list.Replace(1, Bytes("n\0x"));
  list.Insert(0, Bytes("\0z"));
  EXPECT_EQ(LinesOf(list), (Lines{"", "ab", "n"}));
  EXPECT_EQ(list.JoinedText(), "\r\nab\r\nn\r\n");
}

// ---- Files ----

namespace {

class TextFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof(temp), temp);
    ASSERT_GT(n, 0u);
    ASSERT_LT(n, sizeof(temp));
    folder_ = std::string(temp) + "zevtext_" + UInt64ToText(GetCurrentProcessId()) + "_" +
              UInt64ToText(GetTickCount()) + "\\";
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr)) << folder_;
  }

  void TearDown() override {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder_ + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          DeleteFileA((folder_ + found.cFileName).c_str());
      } while (FindNextFileA(find, &found));
      FindClose(find);
    }
    RemoveDirectoryA(folder_.c_str());
  }

  std::string PathOf(const char* name) const { return folder_ + name; }

  // Plain Win32 so the checks do not lean on the routines under test.
  static void PutBytes(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    ASSERT_TRUE(WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
    ASSERT_EQ(put, bytes.size());
    CloseHandle(f);
  }

  static std::string GetBytes(const std::string& path) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(f, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    return bytes.substr(0, got);
  }

  std::string folder_;
};

}  // namespace

TEST_F(TextFiles, HandleModesDecodeAccessShareAndDisposition) {
  std::string path = PathOf("handles.bin");
  EXPECT_EQ(OpenFileHandle(path, kFileModeRead), INVALID_HANDLE_VALUE);  // OPEN_EXISTING

  HANDLE w = OpenFileHandle(path, kFileModeWrite);  // OPEN_ALWAYS creates it
  ASSERT_NE(w, INVALID_HANDLE_VALUE);
  // No sharing while it is open for writing.
  EXPECT_EQ(OpenFileHandle(path, kFileModeRead), INVALID_HANDLE_VALUE);
  EXPECT_EQ(WriteToHandle(w, "hello", 5), 5u);
  EXPECT_EQ(ReadFromHandle(w, nullptr, 0), 0u);  // write-only handle
  EXPECT_TRUE(CloseFileHandle(w));

  HANDLE r1 = OpenFileHandle(path, kFileModeRead);
  ASSERT_NE(r1, INVALID_HANDLE_VALUE);
  HANDLE r2 = OpenFileHandle(path, kFileModeRead);  // readers share
  EXPECT_NE(r2, INVALID_HANDLE_VALUE);
  char buffer[16] = {};
  EXPECT_EQ(ReadFromHandle(r1, buffer, sizeof(buffer)), 5u);
  EXPECT_STREQ(buffer, "hello");
  EXPECT_EQ(WriteToHandle(r1, "x", 1), 0u);  // read-only handle
  EXPECT_TRUE(CloseFileHandle(r1));
  if (r2 != INVALID_HANDLE_VALUE) CloseFileHandle(r2);

  // A name with a NUL must not open the file its first part names.
  EXPECT_EQ(OpenFileHandle(path + Bytes("\0.other"), kFileModeRead), INVALID_HANDLE_VALUE);
}

TEST_F(TextFiles, SaveWritesExactBytesAndCutsOldFile) {
  std::string path = PathOf("lines.txt");
  StringList list;
  list.Add("x");
  list.Add("y");
  list.SaveToFile(path);
  EXPECT_EQ(GetBytes(path), "x\r\ny\r\n");

  PutBytes(path, "a much longer old content\r\nwith a second line\r\n");
  StringList shorter;
  shorter.Add("z");
  EXPECT_TRUE(shorter.SaveToFileChecked(path));
  EXPECT_EQ(GetBytes(path), "z\r\n");

  StringList empty;
  EXPECT_TRUE(empty.SaveToFileChecked(path));
  EXPECT_EQ(GetBytes(path), "");
}

TEST_F(TextFiles, FailedSaveWritesNothing) {
  std::string path = PathOf("locked.txt");
  PutBytes(path, "old\r\n");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  StringList list;
  list.Add("new");
  EXPECT_FALSE(list.SaveToFileChecked(path));
  list.SaveToFile(path);
  CloseHandle(holder);
  EXPECT_EQ(GetBytes(path), "old\r\n");

  EXPECT_FALSE(list.SaveToFileChecked(PathOf("no such folder\\lines.txt")));
}

TEST_F(TextFiles, LoadReadsWholeFileUpToFirstNul) {
  std::string path = PathOf("load.txt");
  PutBytes(path, Bytes("one\r\ntwo\nstill two\r\nthree\0four\r\nfive\r\n"));
  StringList list;
  list.Add("old");
  EXPECT_TRUE(list.LoadFromFile(path));
  EXPECT_EQ(LinesOf(list), (Lines{"one", "two\nstill two", "three"}));

  // A round trip keeps lines, empty ones and lone LFs included.
  list.Add("");
  list.Add("a\nb");
  std::string copy = PathOf("copy.txt");
  list.SaveToFile(copy);
  StringList reread;
  EXPECT_TRUE(reread.LoadFromFile(copy));
  EXPECT_EQ(LinesOf(reread), LinesOf(list));

  PutBytes(path, "");
  EXPECT_TRUE(list.LoadFromFile(path));
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(TextFiles, FailedLoadLeavesListUnchanged) {
  StringList list;
  list.SetText("keep\r\nme", false);
  EXPECT_FALSE(list.LoadFromFile(PathOf("missing.txt")));
  EXPECT_EQ(LinesOf(list), (Lines{"keep", "me"}));

  // Open elsewhere without sharing: the read-mode open fails.
  std::string path = PathOf("busy.txt");
  PutBytes(path, "other\r\n");
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(list.LoadFromFile(path));
  CloseHandle(holder);
  EXPECT_EQ(LinesOf(list), (Lines{"keep", "me"}));

  EXPECT_FALSE(list.LoadFromFile(folder_));  // a folder, not a file
  EXPECT_EQ(LinesOf(list), (Lines{"keep", "me"}));
}
