#include "module/support/module_test_support.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <random>

#include "engine/resource/body.h"
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "platform/fs.h"
#include "platform/message_box.h"

namespace hm::test {

log_capture::log_capture() : start_(engine_log().contents().size()) {}

std::string log_capture::text() const {
  const std::string_view all = engine_log().contents();
  return std::string(start_ < all.size() ? all.substr(start_) : std::string_view());
}

std::vector<std::string> log_capture::lines_starting_with(std::string_view prefix) const {
  std::vector<std::string> lines;
  const std::string all = text();
  std::size_t pos = 0;
  while (pos < all.size()) {
    std::size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    const std::string line = all.substr(pos, end - pos);
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

namespace {

std::vector<std::string>& captured_boxes() {
  static std::vector<std::string> boxes;
  return boxes;
}

platform::message_box_result capture_box(std::string_view, std::string_view text, platform::message_box_icon,
                                         platform::message_box_buttons) {
  captured_boxes().emplace_back(text);
  return platform::message_box_result::ok;
}

}  // namespace

warning_capture::warning_capture() {
  captured_boxes().clear();
  platform::set_message_box_backend(capture_box);
}

warning_capture::~warning_capture() { platform::set_message_box_backend(nullptr); }

const std::vector<std::string>& warning_capture::texts() const { return captured_boxes(); }

temp_folder::temp_folder() {
  static std::atomic<int> counter{0};
  std::random_device seed;
  path_ = std::filesystem::temp_directory_path() /
          ("hoofmarch_module_" + std::to_string(seed()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

temp_folder::~temp_folder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  platform::invalidate_path_cache();
}

void temp_folder::write(const std::string& relative, std::string_view text) const {
  const std::filesystem::path file = path_ / relative;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  platform::invalidate_path_cache();
}

scoped_working_folder::scoped_working_folder(const std::filesystem::path& folder)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
  platform::invalidate_path_cache();
}

scoped_working_folder::~scoped_working_folder() {
  std::filesystem::current_path(previous_);
  platform::invalidate_path_cache();
}

namespace {

template <class T>
void adopt(const char* name) {
  auto r = std::make_unique<T>();
  r->name = ruv_string(name);
  g_resource_manager.adopt_resource(std::move(r));
}

void adopt_skeleton(const char* name, int bones) {
  auto s = std::make_unique<skeleton>();
  s->name = ruv_string(name);
  s->bone_count = bones;
  s->bones.resize(static_cast<std::size_t>(bones));
  for (int i = 0; i < bones; ++i) {
    s->bones[static_cast<std::size_t>(i)].name = ruv_string("bone_" + std::to_string(i));
    s->bones[static_cast<std::size_t>(i)].parent = i - 1;
  }
  g_resource_manager.adopt_resource(std::move(s));
}

}  // namespace

void register_test_resources() {
  static bool done = false;
  if (done) return;
  done = true;
  adopt_skeleton("skel_human", 5);
  adopt_skeleton("skel_horse", 3);
  adopt_skeleton("skel_small", 2);
  adopt<skeleton_anim>("anim_human");
  adopt<skeleton_anim>("anim_horse");
  for (const char* m : {"default", "stone", "stone_brown", "grass", "grass_detail", "steppe", "snow", "earth", "desert",
                        "forest_floor", "pebbles", "village_ground", "path"}) {
    adopt<material>(m);
  }
  for (const char* m : {"bush_a", "bush_b", "tree_pine_a", "grass_a"}) adopt<mesh>(m);
  // bush_b has two points, for the variant box.
  mesh* bush_b = g_resource_manager.get_mesh<mesh>(ruv_string("bush_b"));
  bush_b->points.resize(2);
  bush_b->points[0].position = vec3(-1.0f, 2.0f, 0.0f);
  bush_b->points[1].position = vec3(3.0f, -4.0f, 1.5f);
  adopt<body>("bo_tree_pine_a");
  // The sample's scene props: barrel_a with a box, chest_a and bo_barrel without.
  for (const char* m : {"barrel_a", "chest_a"}) adopt<mesh>(m);
  mesh* barrel = g_resource_manager.get_mesh<mesh>(ruv_string("barrel_a"));
  barrel->bbox.reset();
  barrel->bbox.add_point(vec3(-0.35f, -0.35f, 0.0f));
  barrel->bbox.add_point(vec3(0.35f, 0.35f, 1.0f));
  adopt<body>("bo_barrel");
}

scoped_generated_folder::scoped_generated_folder(const std::filesystem::path& folder) {
  platform::set_generated_data_folder(folder);
  platform::invalidate_path_cache();
}

scoped_generated_folder::~scoped_generated_folder() {
  platform::set_generated_data_folder({});
  platform::invalidate_path_cache();
}

}  // namespace hm::test
