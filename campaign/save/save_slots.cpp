#include "campaign/save/save_slots.h"

#include <system_error>

#include "campaign/save/save_format.h"
#include "engine/core/stream.h"
#include "engine/core/text_format.h"

namespace hm {

namespace fs = std::filesystem;

const char* save_slot_problem_text(const save_slot_entry& entry) {
  if (entry.wrong_type) return "Incrct. File Type!";
  if (entry.wrong_version) return "Incomp. File Ver.!";
  if (entry.old_module) return "Incomp. Mod. Ver.!";
  if (entry.unreadable) return "Unreadable file!";
  return nullptr;
}

ruv_string save_date_text(std::string_view pattern, float hours) {
  const double h = hours;
  const int minutes = static_cast<int>(h * 60.0) % 60;
  const int hour = static_cast<int>(h) % 24;
  const int day = 1 - static_cast<int>(h * -0.041666668);
  return ruv_string(format_text(pattern, {day, hour, minutes / 10, minutes % 10}));
}

void read_save_slot_headers(save_slot_entries& entries, std::string_view module, std::int32_t compatible,
                            std::string_view date_pattern) {
  for (int slot = 0; slot < save_slot_count; ++slot) {
    save_slot_entry& e = entries[static_cast<std::size_t>(slot)];
    e = save_slot_entry{};
    const fs::path path = slot_file_path(module, slot);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) continue;
    binary_reader reader;
    if (!reader.open(path.string())) {
      e.unreadable = 1;
      continue;
    }
    save_header header;
    if (!try_read_save_header(header, reader).empty()) {
      // A file of another kind says so even when the rest does not read.
      const std::string_view bytes = reader.contents();
      e.unreadable = 1;
      e.wrong_type = bytes.size() >= 4 && binary_value<std::int32_t>(bytes.data()) != save_file_tag ? 1 : 0;
      continue;
    }
    e.used = 1;
    e.save_name = header.save_name;
    e.file_version = header.file_version;
    e.module_version = header.module_version;
    e.date_text = save_date_text(date_pattern, header.game_hours);
    e.wrong_type = header.tag != save_file_tag ? 1 : 0;
    e.wrong_version =
        header.file_version < oldest_save_file_version || header.file_version > save_file_version ? 1 : 0;
    e.old_module = header.module_version < compatible ? 1 : 0;
  }
}

int latest_save_slot(std::string_view module) {
  int latest = -1;
  fs::file_time_type newest{};
  for (int slot = 0; slot < save_slot_count; ++slot) {
    std::error_code ec;
    const fs::file_time_type t = fs::last_write_time(slot_file_path(module, slot), ec);
    if (ec) continue;
    if (latest < 0 || t > newest) {
      latest = slot;
      newest = t;
    }
  }
  return latest;
}

}  // namespace hm
