#include "mission/anim/agent_skeleton_update.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/log.h"
#include "mission/agent/agent_queries.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/action_table.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

const action_sequence* playing_sequence(const agent& a, const action_channel& ch) {
  const action_record* record = agent_action(a, ch.action);
  if (record == nullptr || ch.variant < 0 || ch.variant >= static_cast<int>(record->sequences.size())) return nullptr;
  return &record->sequences[static_cast<std::size_t>(ch.variant)];
}

// Bone indices come from the engine's own tables and from the agent's
// channels; a skeleton with fewer bones skips them (reported once each).
bool bone_in_skeleton(const skeleton_instance& s, int bone) {
  if (bone >= 0 && bone < s.bone_count) return true;
  static bool reported[64] = {};
  const int key = std::clamp(bone, 0, 63);
  if (!reported[key]) {
    reported[key] = true;
    log_line("WARNING: bone " + std::to_string(bone) + " is beyond the agent's skeleton\n");
  }
  return false;
}

void set_override(skeleton_instance& s, anim_channel& k, int bone, const quaternion& q) {
  if (!bone_in_skeleton(s, bone) || bone >= 64) return;
  auto& overrides = k.bone_values[2];
  if (overrides.size() <= static_cast<std::size_t>(bone)) overrides.resize(static_cast<std::size_t>(bone) + 1);
  overrides[static_cast<std::size_t>(bone)] = q;
  k.override_mask |= std::uint64_t{1} << bone;
}

void change_sequences(mission& m, agent& a, skeleton_instance& s, int i) {
  action_channel& ch = a.channels[static_cast<std::size_t>(i)];
  const anim_channel& k = s.channels[static_cast<std::size_t>(i)];
  int v = -1;
  bool chosen = false;
  if (ch.requested_action != -1 && ch.requested_action != ch.action) {
    v = choose_action_variant(m, a, i, *a.actions);
    chosen = true;
  } else if (ch.action != -1 && ch.variant != -1 && ch.requested_action != -1 && anim_channel_has_completed(k)) {
    const action_sequence* playing = playing_sequence(a, ch);
    if (playing != nullptr && (playing->flags & sequence_flag_looping) != 0) {
      v = choose_action_variant(m, a, i, *a.actions);
      chosen = v != ch.variant;
    }
  }
  if (chosen && v != -1 && ch.requested_action != -1) {
    unsigned previous_flags = 0;
    float previous_phase = 0.0f;
    if (const action_sequence* old = playing_sequence(a, ch)) {
      previous_flags = old->flags;
      previous_phase = old->phase;
    }
    const action_record* next = agent_action(a, ch.requested_action);
    start_channel_sequence(a, i, next->sequences[static_cast<std::size_t>(v)], previous_flags, previous_phase);
    ch.variant = v;
    ch.pitch_frames = next->pitch_frames;
    if (i == 0) a.footstep_mark = 1.0f;
  }
  ch.action = ch.requested_action;
}

void assign_bone_masks(agent& a, skeleton_instance& s) {
  const bool has0 = a.channels[0].action != -1 && a.channels[0].variant != -1;
  const bool has1 = a.channels[1].action != -1 && a.channels[1].variant != -1;
  std::uint32_t m0 = 0;
  if (has0) {
    const action_record* record = agent_action(a, a.channels[0].action);
    const std::uint32_t f = record != nullptr ? record->flags : 0u;
    const hm::skeleton* sk = s.skeleton;
    if (sk != nullptr) {
      if ((f & action_flag_bone_group_1) != 0) {
        m0 = sk->bone_set_1;
      } else if ((f & action_flag_bone_group_2) != 0) {
        m0 = sk->bone_set_2;
      } else if ((f & action_flag_bone_group_3) != 0) {
        m0 = sk->bone_set_3;
      }
    }
  }
  std::uint32_t masks[2] = {0u, 0u};
  if (has0 && has1) {
    masks[0] = m0;
    masks[1] = ~m0;
  } else if (has0) {
    masks[0] = 0xFFFFFFFFu;
  } else if (has1) {
    masks[1] = 0xFFFFFFFFu;
  }
  for (int i = 0; i < 2; ++i) {
    action_channel& ch = a.channels[static_cast<std::size_t>(i)];
    anim_channel& k = s.channels[static_cast<std::size_t>(i)];
    const std::uint32_t changed = ch.bone_mask ^ masks[i];
    // The masks hold 32 bones; bones above them keep their blend.
    const int bones = std::min(s.bone_count, 32);
    for (int b = 0; b < bones; ++b) {
      if ((changed >> b) & 1u) s.bones[static_cast<std::size_t>(b)].blend_progress = 0.0f;
    }
    k.bone_mask = masks[i];
    ch.bone_mask = masks[i];
    if (ch.bone_parameter != -1 && bone_in_skeleton(s, ch.bone_parameter)) k.anchor_bone = ch.bone_parameter;
  }
}

float mount_progress(mission& m, const agent& a) {
  const agent* horse = m.get_agent(a.mount);
  if (horse == nullptr) return 0.0f;
  if (const skeleton_instance* hs = agent_skeleton(*horse); hs != nullptr && !hs->channels.empty()) {
    return anim_channel_curve_value(hs->channels[0]);
  }
  return horse->channels[0].progress;
}

void apply_action_flags(mission& m, agent& a, skeleton_instance& s, int i) {
  action_channel& ch = a.channels[static_cast<std::size_t>(i)];
  anim_channel& k = s.channels[static_cast<std::size_t>(i)];
  // Overrides are worked out afresh every frame from the playing action, so
  // a twist or tilt ends with the action (or the ride) that asked for it.
  k.override_mask = 0;
  k.root_offset = vec3();
  if (ch.action == -1 || ch.variant == -1) return;
  const action_record* record = agent_action(a, ch.action);
  const std::uint32_t f = record != nullptr ? record->flags : 0u;
  const bool rides = a.mount >= 0;
  if ((f & action_flag_follow_mount) != 0 && rides) skeleton_set_channel_progress(s, i, mount_progress(m, a));
  if ((f & action_flag_pitch_blend) != 0) {
    const float p = std::asin(std::clamp(a.input.direction[2], -1.0f, 1.0f));
    float w = 0.0f;
    if (p > 0.0f) {
      w = p * 1.0504225f;
      k.source_frame_offset = ch.pitch_frames;
    } else {
      w = p * -1.0504225f;
      k.source_frame_offset = -ch.pitch_frames;
    }
    w = std::clamp(w, 0.0f, 1.0f);
    k.source_weight[1] = w;
    k.source_weight[0] = 1.0f - w;
  } else {
    k.source_weight[1] = 0.0f;
    k.source_weight[0] = 1.0f;
  }
  if ((f & action_flag_rider_twist) != 0 && rides) {
    const float h = 0.25f * a.aim_angle;
    const quaternion twist{std::cos(h), 0.0f, std::sin(h), 0.0f};
    set_override(s, k, 7, twist);
    set_override(s, k, 8, twist);
  }
  if (a.kind != agent_kind_human && (f & action_flag_no_slope_tilt) == 0) {
    const float lean = a.lean;
    const float t = -0.5f * lean;
    set_override(s, k, 0, quaternion{std::cos(t), std::sin(t), 0.0f, 0.0f});
    for (int bone : {8, 13, 18, 22}) set_override(s, k, bone, quaternion{std::cos(t), -std::sin(t), 0.0f, 0.0f});
    if (lean < 0.0f) {
      k.root_offset = vec3(0.0f, (1.0f - std::cos(lean)) * 1.59f, 0.79f * std::sin(lean));
    } else {
      k.root_offset = vec3(0.0f, (1.0f - std::cos(lean)) * -0.99f, 0.89f * std::sin(lean));
    }
  }
}

void apply_requests(agent& a, skeleton_instance& s, int i) {
  action_channel& ch = a.channels[static_cast<std::size_t>(i)];
  anim_channel& k = s.channels[static_cast<std::size_t>(i)];
  if ((ch.flags & channel_flag_apply_duration) != 0) anim_channel_set_duration(k, ch.duration_request);
  if ((ch.flags & (channel_flag_keep | channel_flag_keep_until_done)) == 0) {
    ch.flags = 0;
  } else if ((ch.flags & channel_flag_keep_until_done) == 0 && anim_channel_has_completed(k)) {
    ch.flags = 0;
  }
  if (ch.progress_request >= 0.0f) {
    skeleton_set_channel_progress(s, i, ch.progress_request);
    ch.progress_request = -1.0f;
  }
}

void apply_root_motion(agent& a, skeleton_instance& s) {
  const action_channel& ch = a.channels[0];
  if (a.kind != agent_kind_human || ch.action < 0) return;
  const action_record* record = agent_action(a, ch.action);
  if (record == nullptr || (record->flags & action_flag_root_motion) == 0) return;
  const action_sequence* seq = playing_sequence(a, ch);
  if (seq == nullptr) return;
  anim_channel& k = s.channels[0];
  k.root_offset = seq->root_motion * -ch.progress;
  k.root_offset.w = seq->root_motion.w;
  k.override_mask |= 1u;
  if (k.bone_values[2].empty()) k.bone_values[2].resize(1);
  k.bone_values[2][0] = quaternion{};
}

}  // namespace

void start_channel_sequence(agent& a, int i, const action_sequence& s, unsigned previous_flags, float previous_phase) {
  skeleton_instance* sk = agent_skeleton(a);
  if (sk == nullptr || i < 0 || i > 1 || i >= static_cast<int>(sk->channels.size())) return;
  action_channel& ch = a.channels[static_cast<std::size_t>(i)];
  anim_channel& k = sk->channels[static_cast<std::size_t>(i)];
  const float q = anim_channel_curve_value(k);
  float d = s.duration;
  const unsigned blend_byte = s.flags & 0xFFu;
  float blend = blend_byte == 0 ? 1.5f : static_cast<float>(blend_byte - 1) * 0.1f;
  if ((ch.flags & channel_flag_scale_by_speed) != 0 && ch.speed > 0.0f) {
    d /= ch.speed;
    blend /= ch.speed;
  }
  if (!(d > 0.0f)) {
    // Such a channel counts as finished at once instead of dividing by zero.
    log_line("WARNING: animation sequence " + std::string(s.animation_name.c_str()) + " has no duration\n");
    d = 0.0f;
  }
  k.duration = d;
  sample_anim_into_channel(*sk, i, s.animation, s.first_frame, s.last_frame);
  k.fade_in_time = blend + 0.01f;
  skeleton_restart_channel(*sk, i);
  k.play_mode = (s.flags & sequence_flag_looping) != 0 ? anim_play_loop : anim_play_once;
  if ((s.flags & (sequence_flag_continue_phase | sequence_flag_mirrored_phase)) != 0) {
    float x = 0.0f;
    if ((previous_flags & sequence_flag_start_at_phase) != 0) {
      x = -previous_phase;
    } else if ((previous_flags & sequence_flag_continue_phase) != 0) {
      x = q - previous_phase;
    } else if ((previous_flags & sequence_flag_mirrored_phase) != 0) {
      x = -q - previous_phase;
    }
    const float p = (s.flags & sequence_flag_continue_phase) != 0 ? x + s.phase : s.phase - x;
    skeleton_set_channel_progress(*sk, i, p);
  } else if ((s.flags & sequence_flag_start_at_phase) != 0) {
    skeleton_set_channel_progress(*sk, i, s.phase);
  }
}

void agent_skeleton_update(mission& m, agent& a, float frame_seconds) {
  (void)frame_seconds;
  if (a.ragdoll != nullptr) return;
  skeleton_instance* s = agent_skeleton(a);
  if (s == nullptr || s->channels.size() < 2) {
    for (action_channel& ch : a.channels) ch.action = ch.requested_action;
    return;
  }
  if (a.actions == nullptr) {
    for (action_channel& ch : a.channels) ch.action = ch.requested_action;
    return;
  }
  for (int i = 0; i < 2; ++i) change_sequences(m, a, *s, i);
  assign_bone_masks(a, *s);
  for (int i = 0; i < 2; ++i) apply_action_flags(m, a, *s, i);
  for (int i = 0; i < 2; ++i) apply_requests(a, *s, i);
  apply_root_motion(a, *s);
}

void read_channel_progress(agent& a) {
  const skeleton_instance* s = agent_skeleton(a);
  if (s == nullptr) return;
  for (std::size_t i = 0; i < 2 && i < s->channels.size(); ++i) {
    a.channels[i].progress = anim_channel_curve_value(s->channels[i]);
  }
}

}  // namespace hm
