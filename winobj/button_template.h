// Toolbar button templates read without any window: short texts whose leading marks give each
// entry's kind ("-" separator, "^" drop-down, "+" / "-" check buttons, "!" group). Plain code
// without windows.h, fuzzed natively; the toolbar turns the records into platform buttons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Button styles and states as the platform's button record carries them (TBSTYLE_SEP,
// TBSTYLE_CHECK, TBSTYLE_GROUP, TBSTYLE_DROPDOWN, TBSTYLE_AUTOSIZE, TBSTATE_CHECKED,
// TBSTATE_ENABLED); the toolbar checks they agree.
constexpr uint8_t kButtonStyleSeparator = 0x01;
constexpr uint8_t kButtonStyleCheck = 0x02;
constexpr uint8_t kButtonStyleGroup = 0x04;
constexpr uint8_t kButtonStyleDropDown = 0x08;
constexpr uint8_t kButtonStyleAutoSize = 0x10;
constexpr uint8_t kButtonStateChecked = 0x01;
constexpr uint8_t kButtonStateEnabled = 0x04;

// One template entry as the platform record will carry it.
struct ButtonRecord {
  bool isSeparator = false;
  uint8_t style = 0;
  uint8_t state = 0;
  std::string text;
  bool hasText = false;
  int image = -1;
  int id = 0;
};

// Reads entries up to the end or the first null; buttons take ids firstId, firstId + 1 ...
std::vector<ButtonRecord> ParseButtonTemplate(const std::vector<const char*>& entries,
                                              const std::vector<int>& imageIndexes, int firstId);
