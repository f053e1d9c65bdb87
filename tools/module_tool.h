#pragma once
// What the module tools (module_check, play_conversation) share: the module
// argument, given as a name or as a module folder's path, and records named
// for a person: the id beside the number, the display name beside the id.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "module/loading/game.h"
#include "module/loading/module_start.h"
#include "platform/fs.h"

namespace hm::tools {

// Splits the module argument: a path (it holds a '/') names the module folder,
// whose data folder is two above it; a name is a folder of data_dir's Modules.
inline void split_module_argument(const std::string& arg, std::string& data_dir, std::string& module_name) {
  if (arg.find('/') == std::string::npos) {
    module_name = arg;
    return;
  }
  std::error_code ec;
  std::filesystem::path folder = std::filesystem::absolute(arg, ec).lexically_normal();
  if (folder.filename().empty()) folder = folder.parent_path();
  module_name = folder.filename().string();
  data_dir = folder.parent_path().parent_path().string();
}

// Enters the data folder (the generated folder behind it) and checks that the
// module is there. False, with the reason printed after "<tool>: ", when not.
inline bool enter_module(const char* tool, const std::string& data_dir, const std::string& generated_dir,
                         const std::string& module_name) {
  std::error_code ec;
  const std::filesystem::path generated = std::filesystem::absolute(generated_dir, ec);
  std::filesystem::current_path(data_dir, ec);
  if (ec) {
    std::fprintf(stderr, "%s: cannot enter the data folder \"%s\": %s\n", tool, data_dir.c_str(),
                 ec.message().c_str());
    return false;
  }
  platform::set_generated_data_folder(generated);
  // A folder without module.ini is a module that lacks its first file: say so
  // rather than that there is no such module.
  if (is_module_name(module_name) && platform::file_exists("Modules\\" + module_name) &&
      !platform::file_exists("Modules\\" + module_name + "\\module.ini")) {
    std::fprintf(stderr, "%s: the module folder %s/Modules/%s has no module.ini (modules: %s)\n", tool,
                 data_dir.c_str(), module_name.c_str(), module_list_text().c_str());
    return false;
  }
  if (!is_module_name(module_name) || !platform::file_exists("Modules\\" + module_name + "\\module.ini")) {
    std::fprintf(stderr, "%s: no module \"%s\" in %s/Modules (modules: %s)\n", tool, module_name.c_str(),
                 data_dir.c_str(), module_list_text().c_str());
    return false;
  }
  return true;
}

// "trp_merchant \"Merchant\"", or "none" / "troop 9 (not in the troops)".
inline std::string troop_text(const game& g, int id) {
  if (id < 0) return "none";
  const troop* t = g.find_troop(id);
  if (!t) return "troop " + std::to_string(id) + " (not in the troops)";
  return std::string(t->id.c_str()) + " \"" + t->name.c_str() + "\"";
}

// "fac_outlaws (2)", or "none" / "faction 9 (not in the factions)".
inline std::string faction_text(const game& g, int id) {
  if (id < 0) return "none";
  if (id >= g.faction_count()) return "faction " + std::to_string(id) + " (not in the factions)";
  return std::string(g.factions[static_cast<std::size_t>(id)].id.c_str()) + " (" + std::to_string(id) + ")";
}

}  // namespace hm::tools
