#pragma once
// Named text values kept between runs, per user: the launcher's "last_module" and
// "module_system_folder". They live in "settings.txt" in the user's configuration
// folder ($XDG_CONFIG_HOME/Hoofmarch, else ~/.config/Hoofmarch), one "key = value"
// line each. Line breaks and backslashes in values are written as \n, \r and \\,
// so a value can never break the file apart.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace hm::platform {

class settings_store {
 public:
  // The file the game uses: config_folder()/"Hoofmarch"/"settings.txt".
  static std::filesystem::path default_file();

  // A store kept in `file` (nothing is read until load).
  explicit settings_store(std::filesystem::path file = default_file());

  // Reads the file, replacing what the store held. A missing file gives an empty
  // store and true; false when the file exists but cannot be read (the store is
  // then empty too). Lines without "=" are skipped; the last line of a key wins.
  bool load();
  // Writes every value to the file, replacing it whole: the text goes to a
  // temporary file beside it, which is then renamed over it, so a crash leaves the
  // old file or the new one, never half of one. Creates the folder when missing.
  bool save() const;

  std::optional<std::string> get(std::string_view key) const;
  void set(std::string_view key, std::string_view value);
  void erase(std::string_view key);
  const std::map<std::string, std::string, std::less<>>& values() const { return values_; }
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
  std::map<std::string, std::string, std::less<>> values_;
};

// One value from the default file; empty when the file or the key is missing.
std::optional<std::string> read_setting(std::string_view key);
// Sets one value in the default file (read, changed and saved at once, like a
// registry value). False when the file could not be written.
bool write_setting(std::string_view key, std::string_view value);

}  // namespace hm::platform
