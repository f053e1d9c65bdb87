#pragma once
// What the launcher shows and decides, apart from how it is drawn: the modules
// of the data folder with the one chosen last, the settings-store values it
// keeps ("last_module", the version-check address), and the version check.
#include <cstdint>
#include <string>
#include <vector>

namespace hm {

// The program's version as the version file writes it (1.000 is 1000).
inline constexpr std::int32_t program_version = 1000;
// A version file at or above this names a newer program.
inline constexpr std::int32_t newer_version_threshold = 1001;
// At most this many modules are listed.
inline constexpr std::size_t max_listed_modules = 32;

// The modules of the working (data) folder's "Modules\" that hold a
// module.ini, at most 32, by name.
std::vector<std::string> launcher_modules();

// The index of the module to select: last_module while it is in the list (a
// module removed since is passed over), else the first; -1 for no modules.
int launcher_selection(const std::vector<std::string>& modules, const std::string& last_module);

// The settings-store values the launcher reads: the last module played and
// the address of the version file (empty: the check is off).
std::string read_last_module();
std::string read_version_address();
// Stores the module played; false when the settings store cannot be written
// (Play still goes on).
bool write_last_module(const std::string& name);

// What a version check found.
enum class version_check_result { unable_to_retrieve, up_to_date, new_version };

// The version number the version file at the address holds: the decimal
// number at the start of a 200 answer's body; -1 when the request fails, the
// answer is not 200, or the body does not start with a number (an error page
// is no version).
std::int32_t get_latest_version(const std::string& address, int timeout_ms);
// The launcher's verdict on a version number (-1: unable to retrieve).
version_check_result judge_version(std::int32_t latest);

}  // namespace hm
