#include "platform/settings_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/fs.h"

namespace hm::platform {
namespace fs = std::filesystem;

namespace {

// Keys also escape "=" and "#", which would end the key or start a comment.
std::string escape(std::string_view text, bool is_key) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\0': out += "\\0"; break;
      case '=':
      case '#':
        if (is_key) out.push_back('\\');
        out.push_back(c);
        break;
      default: out.push_back(c);
    }
  }
  return out;
}

// The inverse of escape. A backslash before any other character is kept as it
// stands, so a hand-written path such as "C:\Games" reads back unchanged.
std::string unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char next = text[i + 1];
    switch (next) {
      case '\\': out.push_back('\\'); break;
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case '0': out.push_back('\0'); break;
      case '=':
      case '#': out.push_back(next); break;
      default:
        out.push_back('\\');
        continue;  // the next character is read on its own
    }
    ++i;
  }
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The position of the first "=" not escaped by a backslash, or npos.
std::size_t find_separator(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

}  // namespace

fs::path settings_store::default_file() { return config_folder() / "Hoofmarch" / "settings.txt"; }

settings_store::settings_store(fs::path file) : file_(std::move(file)) {}

bool settings_store::load() {
  values_.clear();
  std::FILE* in = std::fopen(file_.c_str(), "rb");
  if (!in) return errno == ENOENT;
  std::string text;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return false;

  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited elsewhere
    if (trim(line).empty() || trim(line).front() == '#') continue;
    const std::size_t separator = find_separator(line);
    if (separator == std::string_view::npos) continue;
    const std::string key = unescape(trim(line.substr(0, separator)));
    if (key.empty()) continue;
    std::string_view value = line.substr(separator + 1);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    values_[key] = unescape(value);
  }
  return true;
}

bool settings_store::save() const {
  std::string text;
  for (const auto& [key, value] : values_) {
    text += escape(key, true);
    text += " = ";
    text += escape(value, false);
    text += '\n';
  }

  const fs::path folder = file_.parent_path().empty() ? fs::path(".") : file_.parent_path();
  if (!create_folders(folder)) return false;
  std::string temp_name = (folder / (file_.filename().string() + ".XXXXXX")).string();
  std::vector<char> temp(temp_name.begin(), temp_name.end());
  temp.push_back('\0');
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = write_all(fd, text) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(temp.data(), file_.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.data());
    return false;
  }
  // Make the rename itself last through a crash.
  const int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folder_fd >= 0) {
    ::fsync(folder_fd);
    ::close(folder_fd);
  }
  return true;
}

std::optional<std::string> settings_store::get(std::string_view key) const {
  auto it = values_.find(key);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

void settings_store::set(std::string_view key, std::string_view value) {
  values_.insert_or_assign(std::string(key), std::string(value));
}

void settings_store::erase(std::string_view key) {
  auto it = values_.find(key);
  if (it != values_.end()) values_.erase(it);
}

namespace {
// Reads and writes of the default file from several threads do not interleave.
std::mutex& default_file_mutex() {
  static std::mutex mutex;
  return mutex;
}
}  // namespace

std::optional<std::string> read_setting(std::string_view key) {
  std::lock_guard lock(default_file_mutex());
  settings_store store;
  store.load();
  return store.get(key);
}

bool write_setting(std::string_view key, std::string_view value) {
  std::lock_guard lock(default_file_mutex());
  settings_store store;
  // A file that exists but cannot be read must not be replaced by one value alone.
  if (!store.load()) return false;
  store.set(key, value);
  return store.save();
}

}  // namespace hm::platform
