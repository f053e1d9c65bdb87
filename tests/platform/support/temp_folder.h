#pragma once
// Test helpers: a temporary folder removed at the end of the test, and an
// environment variable set for the length of a scope.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hm::platform::testing {

class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Writes a file (creating its folders) under the temporary folder.
  std::filesystem::path write(std::string_view relative, std::string_view bytes) const;
  // Creates a folder (and its parents) under the temporary folder.
  std::filesystem::path make_folder(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file with no translation; empty optional when missing.
std::optional<std::string> read_bytes(const std::filesystem::path& file);

// Sets (or, with a null value, unsets) an environment variable until the end of
// the scope, then puts the old value back.
class scoped_env {
 public:
  scoped_env(const char* name, const char* value);
  ~scoped_env();
  scoped_env(const scoped_env&) = delete;
  scoped_env& operator=(const scoped_env&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace hm::platform::testing
