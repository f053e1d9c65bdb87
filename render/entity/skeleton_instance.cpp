#include "render/entity/skeleton_instance.h"

#include <algorithm>
#include <cmath>

#include "engine/core/timer.h"
#include "engine/resource/material.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/shader_record.h"

namespace hm {

// --- quaternions -----------------------------------------------------------------------------

quaternion quaternion_multiply(const quaternion& a, const quaternion& b) {
  return quaternion{a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                    a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

quaternion quaternion_conjugate(const quaternion& q) { return quaternion{q.w, -q.x, -q.y, -q.z}; }

quaternion quaternion_normalized(const quaternion& q) {
  const float length = std::sqrt(dot_product(q, q));
  if (!(length >= 1e-7f)) return quaternion{0.0f, 1.0f, 0.0f, 0.0f};
  const float k = 1.0f / length;
  return quaternion{q.w * k, q.x * k, q.y * k, q.z * k};
}

quaternion quaternion_from_rotation(const rotation& r) {
  // Matrix columns are the axes: m[row][column].
  const float m00 = r.s.x, m10 = r.s.y, m20 = r.s.z;
  const float m01 = r.f.x, m11 = r.f.y, m21 = r.f.z;
  const float m02 = r.u.x, m12 = r.u.y, m22 = r.u.z;
  const float trace = m00 + m11 + m22;
  quaternion q;
  if (trace > 0.0f) {
    const float w = std::sqrt(trace + 1.0f) * 0.5f;
    const float k = 0.25f / w;
    q = quaternion{w, (m21 - m12) * k, (m02 - m20) * k, (m10 - m01) * k};
  } else if (m00 >= m11 && m00 >= m22) {
    const float x = std::sqrt(std::max(0.0f, 1.0f + m00 - m11 - m22)) * 0.5f;
    const float k = 0.25f / x;
    q = quaternion{(m21 - m12) * k, x, (m01 + m10) * k, (m02 + m20) * k};
  } else if (m11 >= m22) {
    const float y = std::sqrt(std::max(0.0f, 1.0f + m11 - m00 - m22)) * 0.5f;
    const float k = 0.25f / y;
    q = quaternion{(m02 - m20) * k, (m01 + m10) * k, y, (m12 + m21) * k};
  } else {
    const float z = std::sqrt(std::max(0.0f, 1.0f + m22 - m00 - m11)) * 0.5f;
    const float k = 0.25f / z;
    q = quaternion{(m10 - m01) * k, (m02 + m20) * k, (m12 + m21) * k, z};
  }
  return q;
}

rotation rotation_from_quaternion(const quaternion& q) {
  const float xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
  const float xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
  const float wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
  return rotation{vec3(1.0f - 2.0f * (yy + zz), 2.0f * (xy + wz), 2.0f * (xz - wy)),
                  vec3(2.0f * (xy - wz), 1.0f - 2.0f * (xx + zz), 2.0f * (yz + wx)),
                  vec3(2.0f * (xz + wy), 2.0f * (yz - wx), 1.0f - 2.0f * (xx + yy))};
}

namespace {

quaternion scaled(const quaternion& q, float k) { return quaternion{q.w * k, q.x * k, q.y * k, q.z * k}; }
quaternion added(const quaternion& a, const quaternion& b) {
  return quaternion{a.w + b.w, a.x + b.x, a.y + b.y, a.z + b.z};
}
quaternion negated(const quaternion& q) { return quaternion{-q.w, -q.x, -q.y, -q.z}; }

bool interval_holds(const std::int32_t* times, int count, int i, float f) {
  return i >= 0 && i < count - 1 && static_cast<float>(times[i]) <= f && f <= static_cast<float>(times[i + 1]);
}

}  // namespace

void interpolate_anim_keys(const std::int32_t* times, int count, std::int32_t& cached_index, float frame_number,
                           float& fraction) {
  const float first = static_cast<float>(times[0]);
  const float last = static_cast<float>(times[count - 1]);
  const float f = std::clamp(frame_number, first, last);
  int i = cached_index;
  if (interval_holds(times, count, i, f)) {
    // the cached interval still holds it
  } else if (interval_holds(times, count, i + 1, f)) {
    ++i;
  } else if (interval_holds(times, count, i - 1, f)) {
    --i;
  } else {
    int low = 0;
    int high = count - 1;
    while (low < high - 1) {
      const int mid = (low + high) >> 1;
      if (f < static_cast<float>(times[mid])) {
        high = mid;
      } else {
        low = mid;
      }
    }
    i = low;
  }
  cached_index = i;
  const float span = static_cast<float>(times[i + 1] - times[i]);
  fraction = span > 0.0f ? (f - static_cast<float>(times[i])) / span : 0.0f;
}

// --- channels --------------------------------------------------------------------------------

float anim_channel::elapsed_time() {
  const float t = static_cast<float>(clock_ticks(clock) - start_tick) * 1e-5f;
  // A channel without a positive duration has nothing left to play.
  if (!(duration > 0.0f)) {
    if (play_mode == anim_play_once_and_stop) playing = 0;
    return 1.0f;
  }
  switch (play_mode) {
    case anim_play_loop:
      return std::fmod(t, duration) / duration;
    case anim_play_once:
      return t >= duration ? 1.0f : t / duration;
    case anim_play_once_and_stop:
      if (t >= duration) {
        playing = 0;
        return 1.0f;
      }
      return t / duration;
    default:
      return t / duration;
  }
}

float anim_channel::shape_progress(float p) const {
  switch (progress_curve) {
    case anim_curve_linear:
      return p;
    case anim_curve_sine:
      return std::sin(p * 1.5707964f);
    case anim_curve_square:
      return p * p;
    case anim_curve_square_root:
      return std::sqrt(p);
    default:
      return 0.0f;
  }
}

// --- bones -----------------------------------------------------------------------------------

skeleton_bone::~skeleton_bone() = default;

void skeleton_bone::add_particle_system(std::unique_ptr<particle_system_instance> instance) {
  if (!meshes.empty() && meshes[0]) meshes[0]->particle_systems.push_back(std::move(instance));
}

void skeleton_bone::set_mesh_light(std::unique_ptr<mesh_light> light) {
  if (!meshes.empty() && meshes[0]) meshes[0]->light = std::move(light);
}

void skeleton_instance::add_particle_system_to_bone(int bone, std::unique_ptr<particle_system_instance> instance) {
  if (bone >= 0 && bone < static_cast<int>(bones.size()))
    bones[static_cast<std::size_t>(bone)].add_particle_system(std::move(instance));
}

void skeleton_instance::set_light_of_bone(int bone, std::unique_ptr<mesh_light> light) {
  if (bone >= 0 && bone < static_cast<int>(bones.size()))
    bones[static_cast<std::size_t>(bone)].set_mesh_light(std::move(light));
}

int skeleton_bone::find_particle_system(int id) const {
  if (meshes.empty() || !meshes[0]) return -1;
  return find_last_particle_system(meshes[0]->particle_systems, id);
}

// --- the instance ----------------------------------------------------------------------------

skeleton_instance::skeleton_instance(int clock) : clock_id(clock) {}

skeleton_instance::~skeleton_instance() { clear_attachments(); }

namespace {

void size_key_caches(skeleton_bone& b, int channel_count) {
  const auto entries = static_cast<std::size_t>(2 * channel_count);
  b.key_cache_index.resize(entries, -1000);
  b.key_cache_animation.resize(static_cast<std::size_t>(channel_count), nullptr);
  b.key_cache_from.resize(entries, quaternion{});
  b.key_cache_to.resize(entries, quaternion{});
}

}  // namespace

void skeleton_instance::set_skeleton(const hm::skeleton& resource) {
  skeleton = &resource;
  bone_count = std::min<std::int32_t>(resource.bone_count, static_cast<std::int32_t>(resource.bones.size()));
  bones.clear();
  bones.resize(static_cast<std::size_t>(bone_count));
  for (int i = 0; i < bone_count; ++i) {
    skeleton_bone& b = bones[static_cast<std::size_t>(i)];
    const skeleton_bone_def& def = resource.bones[static_cast<std::size_t>(i)];
    // The resource guarantees parents come first; anything else is a root.
    b.parent = (def.parent >= 0 && def.parent < i) ? def.parent : -1;
    if (b.parent >= 0) ++bones[static_cast<std::size_t>(b.parent)].child_count;
    b.local_frame = def.local_frame;
    b.resource_bone = &def;
    b.rest_frame =
        b.parent < 0 ? b.local_frame
                     : bones[static_cast<std::size_t>(b.parent)].rest_frame.transform_frame_to_global(b.local_frame);
    b.pose_frame = b.rest_frame;
    size_key_caches(b, channel_count);
  }
  for (skeleton_bone& b : bones) {
    b.children.clear();
    b.children.reserve(static_cast<std::size_t>(b.child_count));
    b.child_count = 0;
    b.local_rotation = quaternion_from_rotation(b.local_frame.rot);
  }
  for (int i = 0; i < bone_count; ++i) {
    skeleton_bone& b = bones[static_cast<std::size_t>(i)];
    if (b.parent < 0) {
      b.global_rotation = b.local_rotation;
      continue;
    }
    skeleton_bone& p = bones[static_cast<std::size_t>(b.parent)];
    p.children.push_back(i);
    ++p.child_count;
    b.global_rotation = quaternion_multiply(p.global_rotation, b.local_rotation);
  }
  for (anim_channel& c : channels) allocate_channels(c, bone_count);
}

void skeleton_instance::allocate_channels(anim_channel& channel, int count) {
  for (auto& values : channel.bone_values) values.assign(static_cast<std::size_t>(std::max(count, 0)), quaternion{});
}

void skeleton_instance::add_channels(int count) {
  for (int i = 0; i < count; ++i) {
    anim_channel c;
    c.clock = clock_id;
    allocate_channels(c, bone_count);
    channels.push_back(std::move(c));
    channel_words.push_back(0);
  }
  channel_count = static_cast<std::int32_t>(channels.size());
  for (skeleton_bone& b : bones) size_key_caches(b, channel_count);
}

void skeleton_instance::advance_weights(float dt) {
  float remembered_fade_in = 1.0f;
  for (anim_channel& c : channels) {
    if (c.target_weight < c.weight) {
      c.weight = c.fade_out_time > 0.0f ? std::max(c.weight - dt / c.fade_out_time, c.target_weight) : c.target_weight;
    } else if (c.target_weight > c.weight) {
      c.weight = c.fade_in_time > 0.0f ? std::min(c.weight + dt / c.fade_in_time, c.target_weight) : c.target_weight;
    }
    if (c.target_weight > 0.5f) remembered_fade_in = c.fade_in_time;
  }
  const float k = 1.0f / (remembered_fade_in + 0.5f);
  const float rate = k >= 1.0f ? k : 1.0f;
  for (skeleton_bone& b : bones) {
    b.blend_progress = std::clamp(b.blend_progress + (1.0f - b.blend_progress) * b.blend_rate * rate * dt, 0.0f, 1.0f);
  }
}

void skeleton_instance::update(float dt, const hm::frame& entity_frame) {
  if (frozen) return;
  if (!rest_pose_only) advance_weights(dt);
  time_since_pose += dt;
  pose_valid = 0;
  if (rest_pose_only) {
    compute_rest_pose();
  } else {
    compute_animated_pose();
  }
  for (skeleton_bone& b : bones) {
    for (auto& m : b.meshes) {
      if (m && !m->particle_systems.empty()) {
        m->update_particle_systems(dt, entity_frame.transform_frame_to_global(b.pose_frame));
      }
    }
  }
}

void skeleton_instance::compute_rest_pose() {
  for (skeleton_bone& b : bones) {
    b.pose_frame = b.parent < 0
                       ? b.local_frame
                       : bones[static_cast<std::size_t>(b.parent)].pose_frame.transform_frame_to_global(b.local_frame);
  }
  time_since_pose = 0.0f;
  pose_valid = 1;
}

quaternion skeleton_instance::key_rotation(int c, int s, int b) {
  anim_channel& channel = channels[static_cast<std::size_t>(c)];
  skeleton_bone& bone = bones[static_cast<std::size_t>(b)];
  const skeleton_anim* anim = channel.animation;
  if (!anim) return quaternion{0.0f, 0.0f, 1.0f, 0.0f};
  // An animation made for a smaller skeleton, or a track without keys, has
  // nothing to say about this bone: it holds its rotation.
  if (b >= static_cast<int>(anim->channels.size())) return bone.local_rotation;
  const rotation_track& track = anim->channels[static_cast<std::size_t>(b)];
  const int count = std::min({track.key_count, static_cast<std::int32_t>(track.keys.size()),
                              static_cast<std::int32_t>(track.times.size())});
  if (count <= 0) return bone.local_rotation;
  if (count == 1) {
    const quaternion& k = track.keys[0];
    return dot_product(k, bone.local_rotation) < 0.0f ? negated(k) : k;
  }
  float frame_number = static_cast<float>(channel.frame_range[1] - channel.frame_range[0]) * channel.shaped_progress +
                       static_cast<float>(channel.frame_range[0]);
  if (s == 1) frame_number += static_cast<float>(channel.source_frame_offset);
  const auto entry = static_cast<std::size_t>(2 * c + s);
  std::int32_t index = bone.key_cache_index[entry];
  float fraction = 0.0f;
  interpolate_anim_keys(track.times.data(), count, index, frame_number, fraction);
  if (index != bone.key_cache_index[entry] || anim != bone.key_cache_animation[static_cast<std::size_t>(c)]) {
    bone.key_cache_index[entry] = index;
    bone.key_cache_animation[static_cast<std::size_t>(c)] = anim;
    quaternion from = track.keys[static_cast<std::size_t>(index)];
    quaternion to = track.keys[static_cast<std::size_t>(index + 1)];
    if (dot_product(from, bone.local_rotation) < 0.0f) from = negated(from);
    if (dot_product(to, bone.local_rotation) < 0.0f) to = negated(to);
    bone.key_cache_from[entry] = from;
    bone.key_cache_to[entry] = to;
  }
  const quaternion& from = bone.key_cache_from[entry];
  const quaternion& to = bone.key_cache_to[entry];
  const float f2 = dot_product(from, to) < 0.0f ? -fraction : fraction;
  return added(scaled(from, 1.0f - fraction), scaled(to, f2));
}

quaternion skeleton_instance::channel_model_rotation(int c, int b) {
  quaternion q = key_rotation(c, 0, b);
  const int parent = bones[static_cast<std::size_t>(b)].parent;
  if (parent >= 0) q = quaternion_multiply(channel_model_rotation(c, parent), q);
  return q;
}

vec3 skeleton_instance::channel_displacement(anim_channel& channel) {
  switch (channel.displacement_mode) {
    case anim_displacement_lerp:
      return channel.displacement_from + (channel.displacement_to - channel.displacement_from) * channel.shaped_progress;
    case anim_displacement_track: {
      if (!channel.animation) return vec3();
      const translation_track& track = channel.animation->root_track;
      const int count = std::min({track.key_count, static_cast<std::int32_t>(track.keys.size()),
                                  static_cast<std::int32_t>(track.times.size())});
      if (count <= 0) return vec3();
      if (count == 1) return track.keys[0];
      const float frame_number =
          static_cast<float>(channel.frame_range[1] - channel.frame_range[0]) * channel.shaped_progress +
          static_cast<float>(channel.frame_range[0]);
      float fraction = 0.0f;
      interpolate_anim_keys(track.times.data(), count, root_key_cache_index, frame_number, fraction);
      const vec3& a = track.keys[static_cast<std::size_t>(root_key_cache_index)];
      const vec3& b = track.keys[static_cast<std::size_t>(root_key_cache_index + 1)];
      return a + (b - a) * fraction;
    }
    case anim_displacement_from:
      return channel.displacement_from;
    default:
      return channel.displacement_to;
  }
}

void skeleton_instance::compute_animated_pose() {
  const vec3 remembered = root_displacement;
  for (anim_channel& c : channels) c.shaped_progress = c.shape_progress(c.elapsed_time());
  const vec3 root_origin = (skeleton && !skeleton->bones.empty()) ? skeleton->bones[0].local_frame.origin : vec3();

  for (int b = 0; b < bone_count; ++b) {
    skeleton_bone& bone = bones[static_cast<std::size_t>(b)];
    const quaternion old = bone.local_rotation;
    int chosen = -1;
    if (b < 64) {
      for (int c = channel_count - 1; c >= 0; --c) {
        const anim_channel& ch = channels[static_cast<std::size_t>(c)];
        if (ch.weight > 0.0f && (ch.bone_mask >> b) & 1u) {
          chosen = c;
          break;
        }
      }
    }
    if (chosen < 0) {
      bone.rotation_delta = quaternion{};
    } else {
      anim_channel& ch = channels[static_cast<std::size_t>(chosen)];
      vec3 displacement;
      if (b == 0) displacement = channel_displacement(ch);
      quaternion weighted{0.0f, 0.0f, 0.0f, 0.0f};
      for (int s = 0; s < 2; ++s) {
        if (ch.source_weight[s] > 0.001f) weighted = added(weighted, scaled(key_rotation(chosen, s, b), ch.source_weight[s]));
      }
      quaternion target = weighted;
      if (b == ch.anchor_bone && bone.parent >= 0) {
        const quaternion g = channel_model_rotation(chosen, bone.parent);
        const quaternion n = quaternion_multiply(g, quaternion_normalized(weighted));
        const quaternion u =
            quaternion_multiply(quaternion_conjugate(bones[static_cast<std::size_t>(bone.parent)].global_rotation), n);
        target = added(scaled(weighted, 1.0f - ch.anchor_blend), scaled(u, ch.anchor_blend));
      }
      target = quaternion_normalized(target);
      if ((ch.override_mask >> b) & 1u) {
        const std::vector<quaternion>& overrides = ch.bone_values[2];
        if (static_cast<std::size_t>(b) < overrides.size()) {
          const quaternion turned = quaternion_multiply(overrides[static_cast<std::size_t>(b)], target);
          target = dot_product(turned, target) < 0.0f ? negated(turned) : turned;
        }
        if (b == 0) displacement += ch.root_offset;
      }
      const float w = ch.weight * bone.blend_progress;
      const float blend = std::clamp(w * time_since_pose * 30.0f, 0.0f, 1.0f);
      if (w > 0.99f) {
        bone.local_rotation = target;
        if (b == 0) root_displacement = displacement;
      } else {
        quaternion h = bone.rotation_delta;
        h.w += h.w > 0.0f ? 1.0f : -1.0f;
        h = quaternion_normalized(h);
        quaternion p = quaternion_multiply(old, h);
        if (dot_product(p, target) < 0.0f) p = negated(p);
        bone.local_rotation = quaternion_normalized(added(scaled(p, 1.0f - blend), scaled(target, blend)));
        if (b == 0) root_displacement = remembered * (1.0f - blend) + displacement * blend;
      }
      bone.rotation_delta = quaternion_multiply(quaternion_conjugate(old), bone.local_rotation);
    }
    bone.global_rotation =
        bone.parent < 0 ? bone.local_rotation
                        : quaternion_multiply(bones[static_cast<std::size_t>(bone.parent)].global_rotation,
                                              bone.local_rotation);
    bone.local_frame.rot = rotation_from_quaternion(bone.local_rotation);
    if (b == 0) bone.local_frame.origin = root_displacement + root_origin;
    bone.pose_frame =
        bone.parent < 0 ? bone.local_frame
                        : bones[static_cast<std::size_t>(bone.parent)].pose_frame.transform_frame_to_global(
                              bone.local_frame);
  }

  if (track_velocities && time_since_pose > 0.001f) {
    for (skeleton_bone& bone : bones) {
      const quaternion& d = bone.rotation_delta;
      vec3 axis(d.x, d.y, d.z);
      const float angle = 2.0f * std::atan2(axis.length(), d.w);
      if (!(axis.length() >= 1e-10f)) {
        axis = vec3(0.0f, 1.0f, 0.0f);
      } else {
        axis.normalize();
      }
      bone.angular_velocity = axis * (angle / time_since_pose);
    }
    root_velocity = (root_displacement - remembered) * (1.0f / time_since_pose);
  }
  time_since_pose = 0.0f;
  pose_valid = 1;
}

void skeleton_instance::build_palette(mesh& m) const {
  if (m.bone_palette.size() < static_cast<std::size_t>(mesh_max_bones * 16)) {
    m.bone_palette.assign(static_cast<std::size_t>(mesh_max_bones * 16), 0.0f);
  }
  const int posed = std::min({m.bone_count, bone_count, mesh_max_bones});
  for (int i = 0; i < mesh_max_bones; ++i) {
    float* out = m.bone_palette.data() + i * 16;
    if (i >= posed) {
      for (int k = 0; k < 16; ++k) out[k] = (k % 5 == 0) ? 1.0f : 0.0f;
      continue;
    }
    const skeleton_bone& b = bones[static_cast<std::size_t>(i)];
    const float p[3][3] = {{b.pose_frame.rot.s.x, b.pose_frame.rot.f.x, b.pose_frame.rot.u.x},
                           {b.pose_frame.rot.s.y, b.pose_frame.rot.f.y, b.pose_frame.rot.u.y},
                           {b.pose_frame.rot.s.z, b.pose_frame.rot.f.z, b.pose_frame.rot.u.z}};
    const float r[3][3] = {{b.rest_frame.rot.s.x, b.rest_frame.rot.f.x, b.rest_frame.rot.u.x},
                           {b.rest_frame.rot.s.y, b.rest_frame.rot.f.y, b.rest_frame.rot.u.y},
                           {b.rest_frame.rot.s.z, b.rest_frame.rot.f.z, b.rest_frame.rot.u.z}};
    const float t[3] = {b.pose_frame.origin.x, b.pose_frame.origin.y, b.pose_frame.origin.z};
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        out[row * 4 + col] = p[row][0] * r[col][0] + p[row][1] * r[col][1] + p[row][2] * r[col][2];
      }
      out[row * 4 + 3] = t[row];
    }
    out[12] = 0.0f;
    out[13] = 0.0f;
    out[14] = 0.0f;
    out[15] = 1.0f;
  }
  if (skeleton) {
    m.skeleton_bone_positions = skeleton->bone_positions.data();
    m.skeleton_bone_position_count = skeleton->bone_position_count;
  }
}

void skeleton_instance::skin_mesh(mesh& m, bool bake) const {
  m.ensure_vertex_skinning();
  build_palette(m);
  const shader* sh = m.mat ? m.mat->shader_ptr : nullptr;
  if (sh && (sh->flags & shader::flag_skinned)) return;  // the vertex shader skins it

  m.make_geometry_own();
  const int posed = std::min({m.bone_count, bone_count, mesh_max_bones});
  const float* palette = m.bone_palette.data();
  const std::size_t point_count = m.points.size();
  for (std::size_t v = 0; v < m.vertices.size() && v < m.skinning.size(); ++v) {
    mesh_vertex& vertex = m.vertices[v];
    const vertex_skinning& sk = m.skinning[v];
    if (vertex.point < 0 || static_cast<std::size_t>(vertex.point) >= point_count) continue;
    mesh_point& point = m.points[static_cast<std::size_t>(vertex.point)];
    vec3 position;
    vec3 normal;
    for (int k = 0; k < 4; ++k) {
      const float w = sk.weight[k];
      if (w == 0.0f) continue;
      const int bone = sk.bone[k];
      // A bone this skeleton lacks stands still at the origin of the mesh.
      vec3 rest_origin;
      if (bone >= 0 && bone < posed) rest_origin = bones[static_cast<std::size_t>(bone)].rest_frame.origin;
      const float* mx = (bone >= 0 && bone < mesh_max_bones) ? palette + bone * 16 : nullptr;
      const vec3 d = point.position - rest_origin;
      if (mx) {
        position += w * vec3(mx[0] * d.x + mx[1] * d.y + mx[2] * d.z + mx[3], mx[4] * d.x + mx[5] * d.y + mx[6] * d.z + mx[7],
                             mx[8] * d.x + mx[9] * d.y + mx[10] * d.z + mx[11]);
        const vec3& n = vertex.normal;
        normal += w * vec3(mx[0] * n.x + mx[1] * n.y + mx[2] * n.z, mx[4] * n.x + mx[5] * n.y + mx[6] * n.z,
                           mx[8] * n.x + mx[9] * n.y + mx[10] * n.z);
      } else {
        position += w * point.position;
        normal += w * vertex.normal;
      }
    }
    point.current_position = position;
    vertex.current_normal = normal;
  }
  if (m.mat) m.mat->flags |= 0x800u;
  m.mark_vertices_changed();
  m.buffers[0].second_word = bake ? 0 : 1;
}

void skeleton_instance::skin_lod_slot(lod_mesh_group& group) const {
  if (group.current_lod < 0 || group.current_lod >= lod_mesh_group::max_lods) return;
  for (mesh* m : group.lods[static_cast<std::size_t>(group.current_lod)]) {
    if (m) skin_mesh(*m, false);
  }
}

void skeleton_instance::skin_all_lod_slots(lod_mesh_group& group, bool bake) const {
  for (int l = 0; l < group.lod_count && l < lod_mesh_group::max_lods; ++l) {
    for (mesh* m : group.lods[static_cast<std::size_t>(l)]) {
      if (m) skin_mesh(*m, bake);
    }
  }
}

void skeleton_instance::set_frozen(bool freeze) {
  if (frozen) {
    frozen = freeze ? 1 : 0;
    return;
  }
  if (freeze) {
    if (!pose_valid) {
      if (rest_pose_only) {
        compute_rest_pose();
      } else {
        compute_animated_pose();
      }
    }
    for (auto& m : skinned_meshes) {
      if (m) skin_mesh(*m, true);
    }
    for (lod_mesh_group* g : skinned_lod_groups) {
      if (g) skin_all_lod_slots(*g, true);
    }
  }
  frozen = freeze ? 1 : 0;
}

void skeleton_instance::render(mesh_render_view& view, const hm::frame& f, float lod_factor) {
  if (bone_count == 0) return;
  for (skeleton_bone& b : bones) {
    const hm::frame world = f.transform_frame_to_global(b.pose_frame);
    for (auto& m : b.meshes) {
      if (m) m->render(view, world);
    }
    for (auto& g : b.lod_groups) {
      if (!g) continue;
      g->select_lod(lod_factor);
      g->render(view, world);
    }
  }
  for (auto& m : skinned_meshes) {
    if (!m) continue;
    if (!frozen) skin_mesh(*m, false);
    m->render(view, f);
  }
  for (lod_mesh_group* g : skinned_lod_groups) {
    if (!g) continue;
    g->select_lod(lod_factor);
    if (!frozen) skin_lod_slot(*g);
    g->render(view, f);
  }
}

void skeleton_instance::attach_mesh_to_bone(int bone, std::unique_ptr<mesh> m, const hm::frame& f) {
  if (bone < 0 || bone >= bone_count || !m) return;
  m->local_frame = f;
  bones[static_cast<std::size_t>(bone)].meshes.push_back(std::move(m));
}

void skeleton_instance::attach_to_bone(int bone, std::unique_ptr<lod_mesh_group> group) {
  if (bone < 0 || bone >= bone_count || !group) return;
  skeleton_bone& b = bones[static_cast<std::size_t>(bone)];
  b.lod_groups.push_back(std::move(group));
  ++b.lod_group_count;
}

void skeleton_instance::clear_attachments() {
  for (skeleton_bone& b : bones) {
    b.meshes.clear();
    b.lod_groups.clear();
    b.lod_group_count = 0;
  }
  skinned_meshes.clear();
}

}  // namespace hm
