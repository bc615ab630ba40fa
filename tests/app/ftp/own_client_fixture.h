// The own FTP client under test through the FtpClient interface: a session with a recording
// status callback, connects to real servers on 127.0.0.1, and readers for what a find returns.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "app/ftp/ftp_client.h"
#include "app/ftp/own/own_client.h"
#include "tests/app/temp_folder.h"

struct StatusReport {
  HINTERNET handle;
  DWORD_PTR context;
  DWORD status;
  std::string text;  // 10, 11, 20, 21: the info as text
  DWORD count;       // 31, 41: the info as a count
};

inline std::vector<StatusReport>& Reports() {
  static std::vector<StatusReport> reports;
  return reports;
}

inline void CALLBACK RecordStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                                  DWORD length) {
  StatusReport report{handle, context, status, std::string(), 0};
  if (info != nullptr && (status == 10 || status == 11 || status == 20 || status == 21)) {
    report.text.assign(static_cast<const char*>(info),
                       strnlen(static_cast<const char*>(info), length));
  }
  if (info != nullptr && (status == 31 || status == 41) && length >= sizeof(DWORD)) {
    report.count = *static_cast<const DWORD*>(info);
  }
  Reports().push_back(report);
}

struct FoundEntry {
  std::string name;
  bool folder;
  uint64_t size;
  bool operator==(const FoundEntry& other) const {
    return name == other.name && folder == other.folder && size == other.size;
  }
};

inline std::ostream& operator<<(std::ostream& out, const FoundEntry& e) {
  return out << "{" << e.name << (e.folder ? " dir " : " ") << e.size << "}";
}

class OwnClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetOwnClientTimeout(kShortWaitMs);
    Reports().clear();
    session_ = client_.OpenSession("ZEVFTP");
    ASSERT_NE(session_, nullptr);
    client_.SetStatusCallback(session_, &RecordStatus);
  }
  void TearDown() override {
    client_.Close(session_);
    SetOwnClientTimeout(30000);
  }

  HINTERNET Connect(int port, const char* user = "u", const char* password = "p") {
    connection_ = client_.Connect(session_, "127.0.0.1", static_cast<INTERNET_PORT>(port), user,
                                  password, 255);
    return connection_;
  }

  // Every entry of folder + pattern, in the order the find returns them; `error` the code the
  // find ended with (ERROR_NO_MORE_FILES when all went well).
  std::vector<FoundEntry> FindAll(const std::string& pattern, DWORD* error = nullptr,
                                  size_t* unread = nullptr) {
    std::vector<FoundEntry> found;
    WIN32_FIND_DATAA entry{};
    HINTERNET find = client_.FindFirst(connection_, pattern.c_str(), &entry, 0, 255);
    if (find == nullptr) {
      if (error) *error = GetLastError();
      return found;
    }
    do {
      // The whole name; the record holds its start.
      const std::string name = client_.FoundName(find, entry);
      EXPECT_EQ(name.rfind(entry.cFileName, 0), 0u) << name;
      found.push_back({name, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                       (uint64_t{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow});
    } while (client_.FindNext(find, &entry));
    if (error) *error = GetLastError();
    if (unread) *unread = client_.UnreadLines(find);
    client_.Close(find);
    return found;
  }

  static constexpr DWORD kShortWaitMs = 1500;
  FtpClient& client_ = OwnFtpClient();
  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
};
