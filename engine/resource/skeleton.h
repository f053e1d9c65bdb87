#pragma once
// Skeletons (the named bone hierarchy of a model with each bone's rest frame) and
// skeleton animations (key-framed tracks: one rotation track per bone and one
// translation track for the root). Both come from resource files; the run-time
// pose of a skeleton in a scene reads them.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/resource.h"

namespace hm {

class stream;

// A rotation quaternion; w is the component kept first in memory. Files store
// the components in the order x, y, z, w.
struct quaternion {
  float w = 1.0f;
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline float dot_product(const quaternion& a, const quaternion& b) {
  return a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
}

struct skeleton_bone_def {
  std::int32_t word0 = 0;
  // Index of the parent bone; negative for a root. A parent always comes
  // before its children.
  std::int32_t parent = -1;
  std::uint32_t flags = 0;
  // Rest frame relative to the parent, and in skeleton space (derived).
  frame local_frame = frame::identity();
  frame world_frame = frame::identity();
  ruv_string name;
  // Fields the resource file does not carry, with their starting values.
  float scale_word = 2.0f;
  std::int32_t zero_words[6] = {0, 0, 0, 0, 0, 0};
  std::int32_t unset_word1 = 0;
  std::int32_t zero_word = 0;
  float weight_word = 1.0f;
  std::int32_t zero_word2 = 0;
  std::int32_t unset_word2 = 0;
  std::vector<std::int32_t> extra;
};

class skeleton : public resource {
 public:
  // A skeleton holds at most this many bones: the position array has that many
  // entries and the bone masks as many bits.
  static constexpr int max_bones = 32;

  skeleton();

  int get_type_id() const override { return skeleton_resource_type_id; }
  const char* get_type_name() const override { return "skeleton"; }

  // Record: name, bone count, then per bone: parent, name, flags, the nine
  // rotation floats of the local frame and its origin x, y, z. More than
  // max_bones bones is fatal ("Too many bones in skeleton %s"), and so is a
  // parent index that is not below the bone's own index. Runs the derivation.
  void read(stream& s);
  // The same fields in the same order; derived fields are not written.
  void write(stream& s) const;

  // World frames and positions from the local frames (parents first), then the
  // bone masks chosen by the name ("skel_horse" or any other).
  void derive();

  std::int32_t bone_count = 0;
  std::vector<skeleton_bone_def> bones;
  // Rest position of each bone in skeleton space (fourth word 0); 32 zeroed
  // entries until a record is read.
  std::vector<vec3> bone_positions;
  std::int32_t bone_position_count = max_bones;
  std::uint32_t bone_set_1 = 0;
  std::uint32_t bone_set_2 = 0;
  std::uint32_t bone_set_3 = 0;
};

// A rotation track: key times and quaternions, key_count of each.
struct rotation_track {
  std::vector<quaternion> keys;
  std::vector<std::int32_t> times;
  std::int32_t key_count = 0;

  // Key count, then per key the time and x, y, z, w. Neighbouring keys are made
  // to lie on the same side of the quaternion double cover (a key whose dot
  // product with the one before it is negative is negated).
  void read(stream& s);
  void write(stream& s) const;
};

// A translation track: key times and positions, key_count of each.
struct translation_track {
  std::vector<vec3> keys;
  std::vector<std::int32_t> times;
  std::int32_t key_count = 0;

  // Key count, then per key the time and x, y, z.
  void read(stream& s);
  void write(stream& s) const;
};

class skeleton_anim : public resource {
 public:
  int get_type_id() const override { return skeleton_anim_resource_type_id; }
  const char* get_type_name() const override { return "skeleton_anim"; }

  // Record: name, channel count, one rotation track per channel, the root's
  // translation track.
  void read(stream& s);
  void write(stream& s) const;

  std::int32_t word = 0;
  std::vector<rotation_track> channels;
  translation_track root_track;
};

}  // namespace hm
