#include "campaign/save/save_game.h"

#include <system_error>

#include "campaign/game/campaign_game.h"
#include "campaign/save/save_format.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "module/loading/game.h"
#include "platform/fs.h"

namespace hm {

namespace fs = std::filesystem;

fs::path savegame_folder() { return platform::documents_folder() / "Hoofmarch Savegames"; }

fs::path module_save_folder(std::string_view module) { return savegame_folder() / fs::path(std::string(module)); }

fs::path slot_file_path(std::string_view module, int slot) {
  const std::string name = "sg" + std::to_string(slot / 10) + std::to_string(slot % 10) + ".sav";
  return module_save_folder(module) / name;
}

fs::path temporary_save_path(std::string_view module) { return module_save_folder(module) / "new_game.sav"; }

fs::path backup_save_path(std::string_view module) {
  return module_save_folder(module) / "last_savegame_backup.sav";
}

// --- the disk's steps ------------------------------------------------------------------------------

struct save_file_ops::open_file {
  platform::synced_file file;
};

bool save_file_ops::make_folders(const fs::path& folder) { return platform::create_folders(folder); }

bool save_file_ops::open(const fs::path& path) {
  file_ = std::make_shared<open_file>();
  return file_->file.open_new(path);
}

bool save_file_ops::write(const char* data, std::size_t size) { return file_ && file_->file.write(data, size); }

bool save_file_ops::sync() { return file_ && file_->file.sync(); }

bool save_file_ops::close() {
  if (!file_) return false;
  const bool ok = file_->file.close();
  file_.reset();
  return ok;
}

bool save_file_ops::remove(const fs::path& path) {
  std::error_code ec;
  return fs::remove(path, ec);
}

bool save_file_ops::link(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::create_hard_link(from, to, ec);
  if (!ec) return true;
  // A file system without links keeps a copy instead.
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) && !ec;
}

bool save_file_ops::rename(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  return !ec;
}

bool save_file_ops::sync_folder(const fs::path& folder) { return platform::sync_folder(folder); }

// --- saving -----------------------------------------------------------------------------------------

std::string save_game_bytes(game& g, campaign_game& campaign, const ruv_string* name) {
  binary_writer bytes;
  save_header header;
  fill_save_header(g, campaign, header);
  if (name) header.save_name = *name;
  write_save_header(header, bytes);
  save_game_state(g, campaign, bytes);
  return std::string(bytes.contents());
}

namespace {

void log_step(const char* text) { log_line(std::string(text) + "\n"); }

// Writes the bytes to the temporary file and makes sure they are on the disk;
// the file is closed whatever happens.
bool write_temporary(save_file_ops& ops, const fs::path& path, std::string_view bytes) {
  if (!ops.open(path)) {
    ops.close();
    return false;
  }
  bool ok = true;
  for (std::size_t at = 0; ok && at < bytes.size(); at += save_write_piece) {
    const std::size_t n = std::min(save_write_piece, bytes.size() - at);
    ok = ops.write(bytes.data() + at, n);
  }
  if (ok) ok = ops.sync();
  const bool closed = ops.close();
  return ok && closed;
}

}  // namespace

int save_game(game& g, campaign_game& campaign, int slot, const ruv_string* name, const save_target& target,
              save_file_ops& ops) {
  if (slot >= 0) campaign.scalars.current_slot = slot;
  const int current = campaign.scalars.current_slot;
  log_step("Saving Game...");
  int result = 0;
  const fs::path folder = module_save_folder(target.module);
  const fs::path slot_path = slot_file_path(target.module, current);
  const fs::path temporary = temporary_save_path(target.module);
  if (current < 0 || current >= save_slot_count) {
    result = 1;
  } else if (!ops.make_folders(folder)) {
    result = 2;
  }
  std::string bytes;
  if (result == 0) {
    log_step("Creating new savegame file...");
    log_step("Saving header...");
    log_step("Saving game state...");
    bytes = save_game_bytes(g, campaign, name);
    log_step("Closing new save game file...");
    if (!write_temporary(ops, temporary, bytes)) result = 3;
  }
  if (result == 0) {
    log_step("Backing up old file name...");
    const fs::path backup = backup_save_path(target.module);
    log_step("Removing old backup file.");
    ops.remove(backup);
    // The backup is a second name of the slot's file, so the slot keeps its
    // save until the new one takes its name in a single rename.
    log_step("Renaming old savegame to backup file.");
    ops.link(slot_path, backup);
    log_step("Renaming new savegame file.");
    if (!ops.rename(temporary, slot_path)) result = 4;
  }
  if (result == 0 && !ops.sync_folder(folder)) result = 5;
  if (result == 0) {
    log_step("Savegame succeded...");
    if (target.show) {
      const ruv_string text =
          target.translate ? target.translate("ui_game_saved_successfully") : ruv_string("ui_game_saved_successfully");
      target.show(text.view(), save_message_colour);
    }
    if (name) campaign.scalars.save_name = *name;
    return 0;
  }
  // A temporary file left behind holds nothing the slot needs.
  if (result >= 3 && result <= 4) ops.remove(temporary);
  log_step("Savegame failed...");
  if (target.show) target.show(save_error_message, save_error_colour);
  return result;
}

int save_game(game& g, campaign_game& campaign, int slot, const ruv_string* name, const save_target& target) {
  save_file_ops disk;
  return save_game(g, campaign, slot, name, target, disk);
}

}  // namespace hm
