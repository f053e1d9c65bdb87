#pragma once
// A scene's ".sco" file read for set-up: the placed objects as plain records
// and the navigation graph's stored bytes. (The file reader's own record type
// shares its name with the mission's prop instance, so it stays inside
// scene_file.cpp.)
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"

namespace hm {

struct placed_scene_object {
  std::int32_t object_class = 0;
  std::int32_t kind_id = 0;
  std::int32_t variation = 0;
  std::int32_t variation_2 = 0;
  frame placement = frame::identity();
  vec3 scale{1.0f, 1.0f, 1.0f};
};

struct scene_file_contents {
  std::vector<placed_scene_object> objects;
  std::string navigation_data;
};

// The module's "SceneObj\<scene id>.sco", with the scene-prop kinds of the
// loaded module; false (and a log line naming the scene) when the file is
// missing.
bool read_scene_file(const char* scene_id, const char* display_name, scene_file_contents& out);

}  // namespace hm
