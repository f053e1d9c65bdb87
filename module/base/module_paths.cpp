#include "module/base/module_paths.h"

#include "engine/core/log.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"

namespace hm {
namespace {

ruv_string& name_storage() {
  static ruv_string name;
  return name;
}

ruv_string& folder_storage() {
  static ruv_string folder;
  return folder;
}

}  // namespace

void set_module_name(std::string_view name) {
  name_storage() = ruv_string(name);
  std::string folder = "Modules\\";
  folder.append(name);
  folder.push_back('\\');
  folder_storage() = ruv_string(folder);
  g_resource_manager.module_folder = ruv_string(folder);
}

const ruv_string& module_name() { return name_storage(); }

const ruv_string& module_folder_path() { return folder_storage(); }

std::string module_file_path(std::string_view file_name) {
  std::string path(module_folder_path().view());
  path.append(file_name);
  return path;
}

void open_text_file(text_reader& reader, const std::string& path) {
  if (!reader.open(path)) ruv_error("Unable to open %s", path.c_str());
}

}  // namespace hm
