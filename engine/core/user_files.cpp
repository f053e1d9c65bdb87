#include "engine/core/user_files.h"

#include "engine/core/stream.h"
#include "platform/fs.h"

namespace hm {

std::FILE* open_user_file(std::string_view file_name, const char* mode) {
  return platform::open_file(get_user_file_path(file_name), mode);
}

std::string get_user_file_path(std::string_view file_name) {
  return (platform::settings_folder() / std::string(file_name)).string();
}

bool file_exists(std::string_view path) { return platform::file_exists(path); }

bool replace_user_file(std::string_view file_name, const char* mode,
                       const std::function<bool(std::FILE*)>& write) {
  return replace_file(get_user_file_path(file_name), mode, write);
}

bool replace_file(std::string_view engine_path, const char* mode, const std::function<bool(std::FILE*)>& write) {
  const std::string final_path(engine_path);
  const std::string temporary_path = final_path + ".tmp";
  std::FILE* file = platform::open_file(temporary_path, mode);
  if (!file) return false;
  bool ok = write(file);
  ok = std::fflush(file) == 0 && ok;
  ok = std::ferror(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok) ok = platform::rename_file(temporary_path, final_path);
  if (!ok) platform::remove_file(temporary_path);
  return ok;
}

bool replace_text_file(std::string_view engine_path, std::string_view contents) {
  const std::string final_path(engine_path);
  const std::string temporary_path = final_path + ".tmp";
  bool ok = false;
  {
    text_file_writer writer;
    if (writer.open(temporary_path, "w") == 0) {
      writer.append_raw(contents);
      ok = writer.close() == 0;
    }
  }
  if (ok) ok = platform::rename_file(temporary_path, final_path);
  if (!ok) platform::remove_file(temporary_path);
  return ok;
}

}  // namespace hm
