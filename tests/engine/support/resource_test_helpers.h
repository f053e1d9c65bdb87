#pragma once
// Small helpers shared by the resource tests: catching fatal errors, building
// resources quickly, and a temporary working folder.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/core/stream.h"
#include "engine/resource/texture_record.h"
#include "platform/fs.h"

namespace hm::test {

// Runs f with fatal errors turned into exceptions; returns the fatal message, or
// "" when f finished normally.
template <class F>
std::string fatal_message(F&& f) {
  scoped_fatal_throw guard;
  try {
    f();
  } catch (const fatal_error& e) {
    return e.what();
  }
  return "";
}

inline texture* add_texture(resource_manager& m, const char* name, std::uint32_t flags = 0) {
  auto t = std::make_unique<texture>();
  t->name = name;
  t->flags = flags;
  return static_cast<texture*>(m.adopt_resource(std::move(t)));
}

inline shader* add_shader(resource_manager& m, const char* name, std::uint32_t flags = 0,
                          std::initializer_list<const char*> alternatives = {}, const char* technique = "") {
  auto s = std::make_unique<shader>();
  s->name = name;
  s->flags = flags;
  s->technique = technique;
  for (const char* a : alternatives) s->alternatives[s->alternative_count++] = a;
  return static_cast<shader*>(m.adopt_resource(std::move(s)));
}

inline material* add_material(resource_manager& m, const char* name, const char* shader_name = "def_shader_ffp") {
  auto mat = std::make_unique<material>();
  mat->name = name;
  mat->shader_name = shader_name;
  return static_cast<material*>(m.adopt_resource(std::move(mat)));
}

// The bytes a stream holds, as a string.
inline std::string bytes_of(const stream& s) { return std::string(s.contents()); }

// A fresh folder under the system's temporary folder, made the working folder
// while the object lives (resource files are found relative to it).
class scoped_work_folder {
 public:
  scoped_work_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "hm_resources_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
    platform::invalidate_path_cache();
  }
  ~scoped_work_folder() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
    platform::invalidate_path_cache();
  }
  scoped_work_folder(const scoped_work_folder&) = delete;
  scoped_work_folder& operator=(const scoped_work_folder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes a file below the folder, creating its folders.
  void write(const std::string& relative, const std::string& contents) const {
    std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << contents;
    platform::invalidate_path_cache();
  }
  std::string read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool exists(const std::string& relative) const { return std::filesystem::exists(path_ / relative); }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

}  // namespace hm::test
