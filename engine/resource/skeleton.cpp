#include "engine/resource/skeleton.h"

#include "engine/core/log.h"
#include "engine/resource/resource_file.h"
#include "engine/core/stream.h"

namespace hm {

namespace {

void read_vec3(stream& s, vec3& v) { s.read_float(v.x).read_float(v.y).read_float(v.z); }
void write_vec3(stream& s, const vec3& v) { s.write_float(v.x).write_float(v.y).write_float(v.z); }

// Values per stored item, for the count checks.
constexpr int values_per_bone = 15;
constexpr int values_per_rotation_key = 5;
constexpr int values_per_translation_key = 4;
constexpr int values_per_track = 1;

}  // namespace

skeleton::skeleton() : bone_positions(max_bones, vec3(0.0f, 0.0f, 0.0f)) {}

void skeleton::read(stream& s) {
  s.read_string(name);
  s.read_int(bone_count);
  if (bone_count > max_bones) ruv_error("Too many bones in skeleton %s", name.c_str());
  check_record_count(s, bone_count, values_per_bone, "bones", name);
  bones.assign(static_cast<std::size_t>(bone_count), skeleton_bone_def{});
  for (int i = 0; i < bone_count; ++i) {
    skeleton_bone_def& bone = bones[i];
    s.read_int(bone.parent);
    s.read_string(bone.name);
    s.read_u32(bone.flags);
    read_rotation(s, bone.local_frame.rot);
    read_vec3(s, bone.local_frame.origin);
    // The derivation needs every parent's world frame before its children's.
    if (bone.parent >= i) {
      ruv_error("Bone %d of skeleton %s has parent %d, which does not come before it", i, name.c_str(),
                bone.parent);
    }
  }
  derive();
}

void skeleton::write(stream& s) const {
  s.write_string(name);
  s.write_int(bone_count);
  for (int i = 0; i < bone_count; ++i) {
    const skeleton_bone_def& bone = bones[i];
    s.write_int(bone.parent);
    s.write_string(bone.name);
    s.write_u32(bone.flags);
    write_rotation(s, bone.local_frame.rot);
    write_vec3(s, bone.local_frame.origin);
  }
}

void skeleton::derive() {
  for (int i = 0; i < bone_count; ++i) {
    skeleton_bone_def& bone = bones[i];
    if (bone.parent < 0) {
      bone.world_frame = bone.local_frame;
    } else {
      bones[bone.parent].world_frame.transform_frame_to_global(bone.world_frame, bone.local_frame);
    }
    vec3 position = bone.world_frame.origin;
    position.w = 0.0f;
    bone_positions[i] = position;
  }
  bone_position_count = bone_count;
  if (name.equals_cstr("skel_horse")) {
    bone_set_1 = 0x0FFFFF0F;
    bone_set_2 = 0x0FFFFFFF;
    bone_set_3 = 0x0FFFFFFF;
  } else {
    bone_set_1 = 0x7F;
    bone_set_2 = 0xF83FF;
    bone_set_3 = 0xFBFFF;
  }
}

void rotation_track::read(stream& s) {
  s.read_int(key_count);
  check_record_count(s, key_count, values_per_rotation_key, "rotation keys", ruv_string());
  keys.clear();
  times.clear();
  if (key_count <= 0) return;
  keys.resize(static_cast<std::size_t>(key_count));
  times.resize(static_cast<std::size_t>(key_count));
  for (int i = 0; i < key_count; ++i) {
    quaternion& q = keys[i];
    s.read_int(times[i]);
    s.read_float(q.x).read_float(q.y).read_float(q.z).read_float(q.w);
    // Keep neighbours on one side of the double cover so interpolation takes
    // the short way.
    if (i > 0 && dot_product(q, keys[i - 1]) < 0.0f) {
      q.w = -q.w;
      q.x = -q.x;
      q.y = -q.y;
      q.z = -q.z;
    }
  }
}

void rotation_track::write(stream& s) const {
  s.write_int(key_count);
  for (int i = 0; i < key_count; ++i) {
    const quaternion& q = keys[i];
    s.write_int(times[i]);
    s.write_float(q.x).write_float(q.y).write_float(q.z).write_float(q.w);
  }
}

void translation_track::read(stream& s) {
  s.read_int(key_count);
  check_record_count(s, key_count, values_per_translation_key, "translation keys", ruv_string());
  keys.clear();
  times.clear();
  if (key_count <= 0) return;
  keys.resize(static_cast<std::size_t>(key_count), vec3(0.0f, 0.0f, 0.0f));
  times.resize(static_cast<std::size_t>(key_count));
  for (int i = 0; i < key_count; ++i) {
    s.read_int(times[i]);
    read_vec3(s, keys[i]);
  }
}

void translation_track::write(stream& s) const {
  s.write_int(key_count);
  for (int i = 0; i < key_count; ++i) {
    s.write_int(times[i]);
    write_vec3(s, keys[i]);
  }
}

void skeleton_anim::read(stream& s) {
  s.read_string(name);
  std::int32_t channel_count = 0;
  s.read_int(channel_count);
  check_record_count(s, channel_count, values_per_track, "channels", name);
  channels.assign(static_cast<std::size_t>(channel_count), rotation_track{});
  for (rotation_track& channel : channels) channel.read(s);
  root_track.read(s);
}

void skeleton_anim::write(stream& s) const {
  s.write_string(name);
  s.write_u32(static_cast<std::uint32_t>(channels.size()));
  for (const rotation_track& channel : channels) channel.write(s);
  root_track.write(s);
}

}  // namespace hm
