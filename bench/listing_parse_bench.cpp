// Reading whole listings: 10,000 Unix LIST lines and 10,000 MLSD lines (and 10,000 lines of two
// other families) through ParseListing, against the floor of cutting the same bytes into lines
// (ListingLineReader alone, which every reading needs). Prints microseconds per line, the ratio
// to the floor, and what 1,000 LIST lines cost against the goal of at most 1 ms.
// Run by hand from the build folder: wine listing_parse_bench.exe
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/ftp/ftp_listing.h"

namespace {

constexpr int64_t kNow = 1718452800;  // 2024-06-15 12:00:00 UTC, as a listing reads it once
constexpr int kLines = 10000;
constexpr double kGoalMs = 1.0;  // 1,000 LIST lines

// ls -l as vsftpd writes it: recent files with a time, older ones with a year, some folders.
std::string UnixListing() {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string text;
  char line[160];
  for (int i = 0; i < kLines; ++i) {
    const char* mode = i % 10 == 0 ? "drwxr-xr-x" : "-rw-r--r--";
    const char* month = kMonths[i % 12];
    if (i % 3 == 0) {
      std::snprintf(line, sizeof line,
                    "%s    1 1000     1000     %10d %s %2d  %d file %05d.txt\r\n", mode, i * 37,
                    month, 1 + i % 28, 2000 + i % 20, i);
    } else {
      std::snprintf(line, sizeof line,
                    "%s    1 1000     1000     %10d %s %2d %02d:%02d file %05d.txt\r\n", mode,
                    i * 37, month, 1 + i % 28, i % 24, i % 60, i);
    }
    text += line;
  }
  return text;
}

std::string MlsdListing() {
  std::string text;
  char line[160];
  for (int i = 0; i < kLines; ++i) {
    std::snprintf(line, sizeof line,
                  "modify=2024%02d%02d%02d%02d00;perm=adfr;size=%d;type=%s;unique=801g%x; file "
                  "%05d.txt\r\n",
                  1 + i % 12, 1 + i % 28, i % 24, i % 60, i * 37, i % 10 == 0 ? "dir" : "file", i,
                  i);
    text += line;
  }
  return text;
}

std::string DosListing() {
  std::string text;
  char line[160];
  for (int i = 0; i < kLines; ++i) {
    const std::string size = i % 10 == 0 ? "<DIR>" : std::to_string(i * 37);
    std::snprintf(line, sizeof line, "%02d-%02d-%02d  %02d:%02d%s  %14s file %05d.txt\r\n",
                  1 + i % 12, 1 + i % 28, i % 100, 1 + i % 12, i % 60, i % 2 ? "AM" : "PM",
                  size.c_str(), i);
    text += line;
  }
  return text;
}

std::string VmsListing() {
  std::string text = "Directory DISK$USER:[JOHN]\r\n\r\n";
  char line[160];
  for (int i = 0; i < kLines; ++i) {
    std::snprintf(line, sizeof line,
                  "FILE%05d.TXT;%d  %d/%d  %d-JAN-2004 10:20:30.12  [STAFF,JOHN]  "
                  "(RWED,RWED,RE,)\r\n",
                  i, 1 + i % 9, i % 500, i % 500 + 3, 1 + i % 28);
    text += line;
  }
  return text;
}

template <typename Work>
double BestMicroseconds(Work work) {
  double best = 1e30;
  for (int round = 0; round < 7; ++round) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    if (took.count() < best) best = took.count();
  }
  return best;
}

}  // namespace

int main() {
  struct Row {
    const char* family;
    std::string bytes;
    bool mlsd;
  };
  const std::vector<Row> rows = {{"Unix LIST", UnixListing(), false},
                                 {"MLSD", MlsdListing(), true},
                                 {"DOS LIST", DosListing(), false},
                                 {"VMS LIST", VmsListing(), false}};
  std::printf("%-10s %7s %16s %16s %6s %18s\n", "listing", "lines", "floor (us/line)",
              "parse (us/line)", "ratio", "1,000 lines (ms)");
  double unixPerLine = 0;
  for (const Row& row : rows) {
    size_t cut = 0;
    const double floor = BestMicroseconds([&] {
      ListingLineReader lines;
      cut = 0;
      auto count = [&](std::string_view line) { cut += line.size() + 1; };
      lines.Feed(row.bytes.data(), row.bytes.size(), count);
      lines.Finish(count);
    });
    size_t read = 0;
    const double parse =
        BestMicroseconds([&] { read = ParseListing(row.bytes, row.mlsd, kNow).size(); });
    if (read != static_cast<size_t>(kLines) || cut == 0) {
      std::printf("%-10s read %zu of %d entries: the benchmark's lines are wrong\n", row.family,
                  read, kLines);
      return 1;
    }
    // Microseconds per line times 1,000 lines is milliseconds per 1,000 lines.
    const double perLine = parse / kLines;
    if (row.family == rows[0].family) unixPerLine = perLine;
    std::printf("%-10s %7d %16.3f %16.3f %6.1f %18.3f\n", row.family, kLines, floor / kLines,
                perLine, floor > 0 ? parse / floor : 0.0, perLine);
  }
  const bool met = unixPerLine <= kGoalMs;
  std::printf("\n1,000 Unix LIST lines: %.3f ms (goal: at most %.1f ms): %s\n", unixPerLine,
              kGoalMs, met ? "met" : "MISSED");
  return met ? 0 : 1;
}
