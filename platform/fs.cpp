#include "platform/fs.h"

#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace hm::platform {
namespace fs = std::filesystem;

namespace {

// What the case-insensitive lookup knows about folders: the entry names of each
// folder it has looked into, keyed by the folder's absolute path. Filled on first
// use. A name missing from a cached listing makes that one folder be read again
// before the lookup gives up, as files are created during a run; to keep probes for
// files that do not exist cheap, the folder is read again only when its
// modification time moved since it was read (creating, removing or renaming an
// entry moves it) or was too close to that moment to tell.
class folder_index {
 public:
  // The entry of `folder` whose name is `name`: the exact name when present, else
  // the first name in sorted order equal to it without regard to ASCII case.
  // Empty when the folder has no such entry or cannot be read.
  std::optional<std::string> find(const fs::path& folder, const std::string& key, const std::string& name) {
    std::lock_guard lock(mutex_);
    auto it = listings_.find(key);
    if (it == listings_.end()) {
      auto listing = read_listing(folder);
      if (!listing) return std::nullopt;
      it = listings_.emplace(key, std::move(*listing)).first;
      return it->second.match(name);
    }
    if (auto match = it->second.match(name)) return match;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      listings_.erase(it);
      return std::nullopt;
    }
    if (!it->second.may_be_stale(info)) return std::nullopt;
    auto listing = read_listing(folder);
    if (!listing) {
      listings_.erase(it);
      return std::nullopt;
    }
    it->second = std::move(*listing);
    return it->second.match(name);
  }

  void forget(const std::string& key) {
    std::lock_guard lock(mutex_);
    listings_.erase(key);
  }

  void clear() {
    std::lock_guard lock(mutex_);
    listings_.clear();
  }

 private:
  static std::string folded(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }

  // One folder's names, and for each folded name the first of them in sorted order.
  struct listing {
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> by_folded_name;
    // The folder as it was when read. `recent`: its modification time was within
    // the timestamp resolution of the moment it was read, so a change made right
    // after the read might not have moved it.
    ino_t inode = 0;
    struct timespec modified {};
    bool recent = true;

    bool may_be_stale(const struct stat& now) const {
      return recent || now.st_ino != inode || now.st_mtim.tv_sec != modified.tv_sec ||
             now.st_mtim.tv_nsec != modified.tv_nsec;
    }

    std::optional<std::string> match(const std::string& name) const {
      if (names.count(name)) return name;
      auto it = by_folded_name.find(folded(name));
      if (it == by_folded_name.end()) return std::nullopt;
      return it->second;
    }
  };

  static std::optional<listing> read_listing(const fs::path& folder) {
    // The folder's times come first: a change during the read then shows later.
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return std::nullopt;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      if (ec) break;
      names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    listing result;
    result.inode = info.st_ino;
    result.modified = info.st_mtim;
    // Three seconds covers the coarsest timestamps of common file systems (two).
    result.recent = now.tv_sec - info.st_mtim.tv_sec < 3;
    for (std::string& name : names) {
      result.by_folded_name.try_emplace(folded(name), name);  // keeps the first in order
      result.names.insert(std::move(name));
    }
    return result;
  }

  std::mutex mutex_;
  std::unordered_map<std::string, listing> listings_;
};

folder_index& index() {
  static folder_index instance;
  return instance;
}

fs::path working_folder() {
  std::error_code ec;
  fs::path cwd = fs::current_path(ec);
  return ec ? fs::path(".") : cwd;
}

// The key under which a folder's listing is kept: its absolute path, so a change
// of working folder cannot mix up two folders. An empty folder is the working one.
std::string folder_key(const fs::path& cwd, const fs::path& folder) {
  if (folder.is_absolute()) return folder.string();
  if (folder.empty() || folder == ".") return cwd.string();
  return (cwd / folder).string();
}

// Drops the listing of the folder that holds `host_path`.
void forget_parent(const fs::path& host_path) {
  index().forget(folder_key(working_folder(), host_path.parent_path()));
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// An environment folder that is set and absolute; relative ones are ignored, as
// they would depend on the working folder.
std::optional<fs::path> absolute_environment_folder(const char* name) {
  std::string value = environment(name);
  if (value.empty()) return std::nullopt;
  fs::path path(value);
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

fs::path home_folder() {
  std::string home = environment("HOME");
  if (!home.empty()) return fs::path(home);
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return fs::path(found->pw_dir);
  }
  return working_folder();
}

// The value of XDG_DOCUMENTS_DIR in a user-dirs.dirs file: shell assignments like
// XDG_DOCUMENTS_DIR="$HOME/Documents". A relative value is taken under the home
// folder. The last assignment wins, as it would in the shell.
std::optional<fs::path> documents_from_user_dirs(const fs::path& file, const fs::path& home) {
  auto text = read_whole_file(file.string(), true);
  if (!text) return std::nullopt;
  static constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR";
  std::optional<fs::path> result;
  std::size_t start = 0;
  while (start <= text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    std::string_view line(text->data() + start, end - start);
    start = end + 1;
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    if (line.empty() || line.front() != '=') continue;
    line.remove_prefix(1);
    std::string value;
    if (!line.empty() && line.front() == '"') {
      line.remove_prefix(1);
      bool closed = false;
      for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
          value.push_back(line[++i]);
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          value.push_back(c);
        }
      }
      if (!closed) continue;
    } else {
      std::size_t stop = line.find_first_of(" \t#");
      value = std::string(line.substr(0, stop));
    }
    for (std::string_view variable : {std::string_view("${HOME}"), std::string_view("$HOME")}) {
      if (value.compare(0, variable.size(), variable) == 0) {
        value = home.string() + value.substr(variable.size());
        break;
      }
    }
    if (value.empty()) continue;
    fs::path path(value);
    result = path.is_absolute() ? path : home / path;
  }
  return result;
}

}  // namespace

namespace {

std::mutex g_generated_mutex;
fs::path g_generated_folder;

fs::path generated_folder() {
  std::lock_guard lock(g_generated_mutex);
  return g_generated_folder;
}

fs::path resolve_one(std::string_view engine_path) {
  std::string generic(engine_path);
  std::replace(generic.begin(), generic.end(), '\\', '/');
  if (generic.empty()) return {};

  fs::path given(generic);
  std::error_code ec;
  if (fs::exists(fs::symlink_status(given, ec))) return given;

  const bool absolute = generic.front() == '/';
  const bool trailing_separator = generic.back() == '/';
  fs::path built = absolute ? fs::path("/") : fs::path();
  const fs::path cwd = absolute ? fs::path("/") : working_folder();
  bool resolving = true;  // false once a component matched nothing: the rest cannot exist

  std::size_t start = 0;
  while (start < generic.size()) {
    std::size_t end = generic.find('/', start);
    if (end == std::string::npos) end = generic.size();
    std::string component = generic.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == ".." || !resolving) {
      built /= component;
      continue;
    }
    const fs::path folder = built.empty() ? fs::path(".") : built;
    const std::string key = folder_key(cwd, built);
    if (auto match = index().find(folder, key, component)) {
      built /= *match;
    } else {
      built /= component;
      resolving = false;
    }
  }
  if (trailing_separator && !built.empty()) built /= "";
  return built;
}

}  // namespace

fs::path resolve_path(std::string_view engine_path) {
  fs::path found = resolve_one(engine_path);
  if (found.empty() || found.is_absolute()) return found;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(found, ec))) return found;
  // Files the build makes (converted resources, generated textures) live in a
  // folder of their own that stands behind the data folder.
  const fs::path generated = generated_folder();
  if (generated.empty()) return found;
  std::string beside = generated.generic_string() + "/" + std::string(engine_path);
  fs::path alternative = resolve_one(beside);
  if (fs::exists(fs::symlink_status(alternative, ec))) return alternative;
  return found;
}

void set_generated_data_folder(const fs::path& host_path) {
  std::lock_guard lock(g_generated_mutex);
  g_generated_folder = host_path.empty() ? fs::path() : fs::absolute(host_path);
}

bool file_exists(std::string_view engine_path) {
  std::error_code ec;
  return fs::exists(resolve_path(engine_path), ec);
}

std::FILE* open_file(std::string_view engine_path, const char* mode) {
  const fs::path host = resolve_path(engine_path);
  if (host.empty()) return nullptr;
  return std::fopen(host.c_str(), mode);
}

std::size_t drop_cr_before_lf(char* data, std::size_t length) {
  // Most files hold no CR at all, and those that do hold one per line: the bytes
  // between CRs move as blocks.
  char* cr = length ? static_cast<char*>(std::memchr(data, '\r', length)) : nullptr;
  if (!cr) return length;
  char* const end = data + length;
  char* out = cr;
  char* in = cr;
  while (in < end) {
    // `in` is at a CR.
    if (in + 1 < end && in[1] == '\n') {
      ++in;  // the CR goes, the LF starts the next block
    } else {
      *out++ = *in++;  // a lone CR stays
      continue;
    }
    char* next = static_cast<char*>(std::memchr(in, '\r', static_cast<std::size_t>(end - in)));
    if (!next) next = end;
    const std::size_t block = static_cast<std::size_t>(next - in);
    std::memmove(out, in, block);
    out += block;
    in = next;
  }
  return static_cast<std::size_t>(out - data);
}

std::optional<std::size_t> read_open_file(std::FILE* file, bool text_mode, const file_room& room) {
  // A regular file says its size: one request of that size reads it whole. A
  // pipe or a device says nothing useful, and a file may grow while it is read,
  // so the read goes on past the expected size until the end of the file.
  std::size_t capacity = 64 * 1024;
  struct stat info;
  if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
    const long at = std::ftell(file);
    const std::uint64_t size = static_cast<std::uint64_t>(info.st_size);
    std::uint64_t left = size;
    if (at > 0) left = static_cast<std::uint64_t>(at) < size ? size - static_cast<std::uint64_t>(at) : 0;
    if (left > SIZE_MAX / 2) return std::nullopt;
    capacity = static_cast<std::size_t>(left);
  }
  std::size_t length = 0;
  char* data = capacity ? room(capacity, 0) : nullptr;
  if (capacity && !data) return std::nullopt;
  for (;;) {
    if (length < capacity) {
      const std::size_t got = std::fread(data + length, 1, capacity - length, file);
      length += got;
      if (length < capacity) break;  // the end of the file, or an error
    }
    // The room is full: a byte more says whether the file goes on.
    char more = 0;
    if (std::fread(&more, 1, 1, file) != 1) break;
    capacity = std::max<std::size_t>(capacity * 2, 64 * 1024);
    data = room(capacity, length);
    if (!data) return std::nullopt;
    data[length++] = more;
  }
  if (std::ferror(file)) return std::nullopt;
  if (text_mode && length) length = drop_cr_before_lf(data, length);
  return length;
}

std::optional<std::string> read_whole_file(std::string_view engine_path, bool text_mode) {
  std::FILE* file = open_file(engine_path, "rb");
  if (!file) return std::nullopt;
  std::string bytes;
  const std::optional<std::size_t> length =
      read_open_file(file, text_mode, [&bytes](std::size_t needed, std::size_t) -> char* {
        bytes.resize(needed);
        return bytes.data();
      });
  std::fclose(file);
  if (!length) return std::nullopt;
  bytes.resize(*length);
  return bytes;
}

bool create_folders(const fs::path& host_path) {
  if (host_path.empty()) return false;
  std::error_code ec;
  const bool created = fs::create_directories(host_path, ec);
  if (created) {
    // Every new folder's parent has a new entry; drop what the lookup knew of them.
    for (fs::path p = host_path; !p.empty() && p != p.root_path(); p = p.parent_path()) forget_parent(p);
  }
  return fs::is_directory(host_path, ec);
}

fs::path app_data_folder() {
  if (auto folder = absolute_environment_folder("XDG_DATA_HOME")) return *folder;
  return home_folder() / ".local" / "share";
}

fs::path config_folder() {
  if (auto folder = absolute_environment_folder("XDG_CONFIG_HOME")) return *folder;
  return home_folder() / ".config";
}

fs::path documents_folder() {
  if (auto folder = absolute_environment_folder("XDG_DOCUMENTS_DIR")) return *folder;
  const fs::path home = home_folder();
  if (auto folder = documents_from_user_dirs(config_folder() / "user-dirs.dirs", home)) return *folder;
  return home / "Documents";
}

fs::path settings_folder() {
  fs::path folder = app_data_folder() / "Hoofmarch";
  create_folders(folder);
  return folder;
}

void invalidate_path_cache() { index().clear(); }

std::vector<folder_entry> list_folder(std::string_view engine_path) {
  std::vector<folder_entry> entries;
  const fs::path folder = resolve_path(engine_path);
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec);
  if (ec) return entries;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    entries.push_back({it->path().filename().string(), it->is_directory(type_ec)});
  }
  std::sort(entries.begin(), entries.end(),
            [](const folder_entry& a, const folder_entry& b) { return a.name < b.name; });
  return entries;
}

std::optional<std::int64_t> file_modification_time(std::string_view engine_path) {
  const fs::path host = resolve_path(engine_path);
  struct stat info {};
  if (host.empty() || ::stat(host.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::int64_t>(info.st_mtime);
}

bool remove_file(std::string_view engine_path) {
  const fs::path host = resolve_path(engine_path);
  std::error_code ec;
  if (host.empty() || fs::is_directory(host, ec)) return false;
  const bool removed = fs::remove(host, ec);
  if (removed) forget_parent(host);
  return removed && !ec;
}

bool rename_file(std::string_view from_engine_path, std::string_view to_engine_path) {
  const fs::path from = resolve_path(from_engine_path);
  const fs::path to = resolve_path(to_engine_path);
  if (from.empty() || to.empty()) return false;
  std::error_code ec;
  fs::rename(from, to, ec);
  forget_parent(from);
  forget_parent(to);
  return !ec;
}

synced_file::~synced_file() {
  if (fd_ >= 0) ::close(fd_);
}

bool synced_file::open_new(const fs::path& host_path) {
  if (fd_ >= 0) close();
  fd_ = ::open(host_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  return fd_ >= 0;
}

bool synced_file::write(const void* data, std::size_t size) {
  if (fd_ < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool synced_file::sync() { return fd_ >= 0 && ::fsync(fd_) == 0; }

bool synced_file::close() {
  if (fd_ < 0) return false;
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

bool sync_folder(const fs::path& host_path) {
  const int fd = ::open(host_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

std::string display_path(std::string_view engine_path) {
  std::string text(engine_path);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return text;
}

}  // namespace hm::platform
