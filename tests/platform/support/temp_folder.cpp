#include "platform/support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace hm::platform::testing {
namespace fs = std::filesystem;

temp_folder::temp_folder() {
  std::string pattern = (fs::temp_directory_path() / "hm_platform_XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buffer.data();
}

temp_folder::~temp_folder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path temp_folder::write(std::string_view relative, std::string_view bytes) const {
  fs::path file = path_ / fs::path(relative);
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

fs::path temp_folder::make_folder(std::string_view relative) const {
  fs::path folder = path_ / fs::path(relative);
  fs::create_directories(folder);
  return folder;
}

std::optional<std::string> read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

scoped_env::scoped_env(const char* name, const char* value) : name_(name) {
  if (const char* old = std::getenv(name)) old_ = old;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

scoped_env::~scoped_env() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

}  // namespace hm::platform::testing
