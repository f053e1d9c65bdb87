#pragma once
// The nine save slots of a module as the save and load window lists them:
// each slot file's header alone, with the reasons a slot cannot be loaded.
// A file that cannot be read is marked unreadable; it never stops the list.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "campaign/save/save_game.h"
#include "engine/core/ruv_string.h"

namespace hm {

struct save_slot_entry {
  ruv_string save_name;
  ruv_string date_text;
  // 1 when the file exists and its header was read.
  std::int32_t used = 0;
  std::int32_t file_version = 0;
  std::int32_t module_version = 0;
  std::uint8_t wrong_type = 0;
  std::uint8_t wrong_version = 0;
  std::uint8_t old_module = 0;
  // The file exists but its header could not be read (too short, broken).
  std::uint8_t unreadable = 0;

  bool exists() const { return used != 0 || unreadable != 0; }
  bool loadable() const { return used != 0 && !wrong_type && !wrong_version && !old_module && !unreadable; }
};

using save_slot_entries = std::array<save_slot_entry, save_slot_count>;

// The first of the untranslated problem texts that applies, null for none.
const char* save_slot_problem_text(const save_slot_entry& entry);

// The slot's date line: with h the game hours, day 1 + whole days, the hour
// of the day and the minutes in two digits, put into the pattern (the
// translation of "ui_day_datedisplay") by the safe formatter.
ruv_string save_date_text(std::string_view pattern, float hours);

// Reads the header of each slot file of the module; compatible is the
// module's oldest module version still loadable.
void read_save_slot_headers(save_slot_entries& entries, std::string_view module, std::int32_t compatible,
                            std::string_view date_pattern);

// The slot of the newest file that exists (by modification time), -1 for none.
int latest_save_slot(std::string_view module);

}  // namespace hm
