#include "mission/anim/agent_actions.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/records/agent.h"
#include "module/records/action_table.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

bool action_channel::request(int new_action, std::uint32_t new_flags) {
  const std::uint32_t p = new_flags & 0x1FFFFu;
  if (p < priority() && !is_idle()) return false;
  requested_action = new_action;
  flags = new_action == -1 ? 0u : new_flags;
  return true;
}

skeleton_instance* agent_skeleton(const agent& a) {
  return a.agent_entity != nullptr ? a.agent_entity->animated_skeleton.get() : nullptr;
}

int agent_action_count(const agent& a) { return a.actions != nullptr ? a.actions->count() : 0; }

const action_record* agent_action(const agent& a, int action) {
  if (action < 0 || action >= agent_action_count(a)) return nullptr;
  return &a.actions->actions[static_cast<std::size_t>(action)];
}

namespace {

// A module whose action table lacks an id the engine asks for would flood the
// log every frame: each missing id is reported once.
void report_missing_action(int action) {
  static std::vector<bool> reported;
  const std::size_t key = action < 0 ? 0 : static_cast<std::size_t>(action) + 1;
  if (key < 4096) {
    if (reported.size() <= key) reported.resize(key + 1, false);
    if (reported[key]) return;
    reported[key] = true;
  }
  log_line("WARNING: action " + std::to_string(action) + " is not in the action table\n");
}

float clamp_speed(float speed) {
  if (!(speed >= 0.1f)) return 0.1f;
  return speed >= 10.0f ? 10.0f : speed;
}

}  // namespace

void set_channel_action(agent& a, int channel, int action, std::uint32_t flags, float speed) {
  if (channel < 0 || channel > 1) return;
  if (action < -1 || action >= agent_action_count(a)) {
    report_missing_action(action);
    return;
  }
  action_channel& ch = a.channels[static_cast<std::size_t>(channel)];
  if (!ch.request(action, flags)) return;
  ch.speed = clamp_speed(speed);
  skeleton_instance* s = agent_skeleton(a);
  if ((flags & channel_flag_restart) != 0 && s != nullptr) {
    skeleton_restart_channel(*s, channel);
    skeleton_set_channel_progress(*s, channel, 0.0f);
  }
  const std::uint32_t p = flags & 0x1FFFFu;
  if (channel == 0 && action >= 0) {
    const action_record* record = agent_action(a, action);
    action_channel& upper = a.channels[1];
    if (record != nullptr && (record->flags & action_flag_clears_upper_body) != 0 && upper.action != -1 &&
        p > upper.priority()) {
      upper.request(-1, p);
    }
  }
  if (channel == 1) {
    entity* held = wielded_item_entity(a, 0);
    if (held != nullptr) set_entity_show_word(*held, (flags & channel_flag_hide_item) != 0 ? 0u : 0xFFFFu);
  }
}

void play_weapon_hit_action(agent& a) {
  const int action = a.weapon_hit_action;
  if (action < -1 || action >= agent_action_count(a)) {
    report_missing_action(action);
    return;
  }
  action_channel& upper = a.channels[1];
  if (!upper.request(action, 0x500000Fu)) return;
  upper.speed = 1.0f;
  if (skeleton_instance* s = agent_skeleton(a)) {
    skeleton_restart_channel(*s, 1);
    skeleton_set_channel_progress(*s, 1, 0.0f);
  }
  if (entity* held = wielded_item_entity(a, 0)) set_entity_show_word(*held, 0xFFFFu);
}

quaternion slerp_rotation(const quaternion& a, const quaternion& b_in, float t) {
  quaternion b = b_in;
  float d = dot_product(a, b);
  if (d < 0.0f) {
    b = quaternion{-b.w, -b.x, -b.y, -b.z};
    d = -d;
  }
  float ka = 1.0f - t;
  float kb = t;
  if (d < 0.9995f) {
    const float angle = std::acos(std::min(d, 1.0f));
    const float s = std::sin(angle);
    ka = std::sin((1.0f - t) * angle) / s;
    kb = std::sin(t * angle) / s;
  }
  return quaternion_normalized(
      quaternion{a.w * ka + b.w * kb, a.x * ka + b.x * kb, a.y * ka + b.y * kb, a.z * ka + b.z * kb});
}

namespace {

// Key interval around a frame: index and fraction, the frame held to the
// first and last keys. Count is at least 1.
void find_key(const std::vector<std::int32_t>& times, int count, int frame_number, int& index, float& fraction) {
  index = 0;
  fraction = 0.0f;
  if (count < 2) return;
  std::int32_t cached = 0;
  interpolate_anim_keys(times.data(), count, cached, static_cast<float>(frame_number), fraction);
  index = cached;
}

int usable_keys(const rotation_track& t) {
  return std::max(0, std::min({t.key_count, static_cast<std::int32_t>(t.keys.size()),
                               static_cast<std::int32_t>(t.times.size())}));
}

vec3 root_at(const translation_track& t, int frame_number) {
  const int count = std::max(0, std::min({t.key_count, static_cast<std::int32_t>(t.keys.size()),
                                          static_cast<std::int32_t>(t.times.size())}));
  if (count == 0) return vec3();
  int i = 0;
  float f = 0.0f;
  find_key(t.times, count, frame_number, i, f);
  if (count < 2) return t.keys[0];
  const vec3& k0 = t.keys[static_cast<std::size_t>(i)];
  const vec3& k1 = t.keys[static_cast<std::size_t>(i + 1)];
  return k0 * (1.0f - f) + k1 * f;
}

quaternion rotation_at(const rotation_track& t, int frame_number) {
  const int count = usable_keys(t);
  if (count == 0) return quaternion{};
  if (count == 1) return t.keys[0];
  int i = 0;
  float f = 0.0f;
  find_key(t.times, count, frame_number, i, f);
  return slerp_rotation(t.keys[static_cast<std::size_t>(i)], t.keys[static_cast<std::size_t>(i + 1)], f);
}

}  // namespace

void sample_anim_into_channel(skeleton_instance& s, int channel, const skeleton_anim* animation, int frame_a,
                              int frame_b) {
  if (animation == nullptr || channel < 0 || channel >= static_cast<int>(s.channels.size())) return;
  if (static_cast<int>(animation->channels.size()) < s.bone_count) return;
  anim_channel& c = s.channels[static_cast<std::size_t>(channel)];
  // The pose then follows the animation's root track between the two frames.
  c.displacement_mode = anim_displacement_track;
  c.frame_range[0] = frame_a;
  c.frame_range[1] = frame_b;
  c.animation = animation;
  c.displacement_from = root_at(animation->root_track, frame_a);
  c.displacement_to = root_at(animation->root_track, frame_b);
  const auto bones = static_cast<std::size_t>(std::max(s.bone_count, 0));
  for (int k = 0; k < 2; ++k) {
    if (c.bone_values[k].size() < bones) c.bone_values[k].resize(bones, quaternion{});
  }
  for (std::size_t b = 0; b < bones; ++b) {
    const rotation_track& track = animation->channels[b];
    c.bone_values[0][b] = rotation_at(track, frame_a);
    c.bone_values[1][b] = rotation_at(track, frame_b);
  }
}

}  // namespace hm
