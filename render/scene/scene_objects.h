#pragma once
// The scene-object file (".sco"): what a designer placed in one scene by hand,
// the scene-prop instances, the navigation-graph blob and the ground paint.
// One file per scene, named after the scene's id, in the module's "SceneObj"
// folder. Little-endian binary through the engine's binary streams.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class stream;
struct ground_paint;
struct message_log;

inline constexpr std::uint32_t scene_objects_magic = 0xfffffd33u;
inline constexpr std::int32_t scene_objects_version = 4;
inline constexpr std::uint32_t ground_paint_saved_magic = 0xff4ad1a6u;

// The fields of a scene-prop instance the file carries.
struct stored_scene_object {
  std::int32_t object_class = 0;  // 0 scene prop, 1 entry point, 2 item kind, 4 plant, 5 passage
  std::int32_t kind_id = 0;
  frame placement = frame::identity();
  frame initial_frame = frame::identity();
  ruv_string name;
  std::int32_t variation_id = 0;
  std::int32_t variation_id_2 = 0;
  vec3 scale{1.0f, 1.0f, 1.0f};
  float max_hit_points = 100.0f;
  std::int32_t source = 0;
};

// What the reader needs of the module's scene-prop kinds.
struct scene_prop_kind_ref {
  ruv_string id;
  std::int32_t hit_points = 0;
};

// The part of a scene record the file fills.
struct scene_objects {
  std::vector<stored_scene_object> prop_instances;
  std::string ai_mesh_data;       // the navigation-graph blob's bytes
  std::string ground_paint_data;  // the ground-paint blob's bytes
  bool objects_loaded = false;
};

// "SceneObj\" + the scene id + ".sco".
std::string get_scene_objects_path(const char* scene_id);

// Reads a whole file from a binary stream (a file or bytes in memory): appends
// the instances (each given `source`), replaces the navigation-graph blob and
// the ground paint (a file without ground paint leaves none). Every count and
// length is checked against the bytes left; a cut or corrupt file ends in the
// fatal error naming the stream. `display_name` names the scene in the
// warning about a missing ground-paint magic.
void read_scene_objects(stream& s, scene_objects& scene, std::int32_t source,
                        const std::vector<scene_prop_kind_ref>& kinds, const char* display_name = "");
void read_scene_object(stream& s, stored_scene_object& instance, std::int32_t version,
                       const std::vector<scene_prop_kind_ref>& kinds);
// Writes the instances of `source`, the navigation-graph blob and the ground
// paint (when there is any).
void write_scene_objects(stream& s, const scene_objects& scene, std::int32_t source);

// Opens and reads a file; when it cannot be opened "Unable to load scene
// objects!" and the scene id go to the message log in red and false comes back.
bool load_scene_objects(const std::string& path, const char* scene_id, scene_objects& scene,
                        const std::vector<scene_prop_kind_ref>& kinds, message_log* log,
                        const char* display_name = "");

// The ground-paint blob. Layer names that match a ground kind take its index
// as their id (the last match wins). Sizes of 421 or more are fatal.
void read_ground_paint(stream& s, ground_paint& paint, const std::vector<ruv_string>& ground_kind_names);
void write_ground_paint(stream& s, const ground_paint& paint);

}  // namespace hm
