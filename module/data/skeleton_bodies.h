#pragma once
// Skeleton bodies: for every bone of a skeleton, the mass, joint limits, joint
// axes and capsule parts that its ragdoll needs, read from
// "Data\skeleton_bodies.xml" and attached to the skeleton resources.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class skeleton;

// A capsule of a bone's collision body: two end points and a radius.
struct skeleton_body_part {
  vec3 pos;
  vec3 pos2;
  float radius = 0.05f;
  std::uint8_t flag = 0;
  std::int32_t words[2] = {0, 0};
};

struct skeleton_body_bone {
  ruv_string name;
  float bone_mass = 2.0f;
  float cone_min = -0.01f;
  float cone_max = 1.0f;
  float twist_limit = 1.0f;
  // Rotation axis weights: side (x), forward (y), up (z).
  vec3 rotation_weights;
  // Unit length once read; (0, 1, 0) when the file gives a shorter one.
  vec3 socket_dir;
  std::vector<skeleton_body_part> body_parts;
};

struct skeleton_body {
  ruv_string skeleton_name;
  std::vector<skeleton_body_bone> bones;
};

// The skeleton-body table.
extern std::vector<skeleton_body> g_skeleton_bodies;

// Reads the XML file (through the engine's path resolution) into the table,
// replacing what it held. The document's "Skeletons" element holds one child
// per skeleton (any element name; attribute "name"), each with a "Bones"
// element of bones, each with a "Bodies" element of body parts. Fatal "Unable To
// Load Skeleton Body File! <path>" when the file is missing or is not such a
// document.
void load_skeleton_bodies(const char* path);
// The same from XML text already in memory; `path` (when given) is the file
// the message names.
void load_skeleton_bodies_from_text(const char* xml, const char* path = nullptr);

// Attaches each table entry to the skeleton resource of that exact name (fatal
// "get_object failed for: %s" when none is loaded): for bone i below both bone
// counts, the skeleton's bone takes the name and the bone description. Bones
// beyond either count are left as they are.
void fix_skeletons();

// The description attached to bone `bone` of a skeleton by fix_skeletons; null
// when none was.
const skeleton_body_bone* find_skeleton_bone_body(const skeleton& s, int bone);
// Forgets every attachment (the skeletons are being destroyed).
void clear_skeleton_bone_bodies();

}  // namespace hm
