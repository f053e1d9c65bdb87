#pragma once
// The one gate through which every part of the agent code asks for an action
// on one of the agent's two action channels (0 the whole body, 1 the upper
// body), the choice among an action's sequences, and the sampling of an
// animation at two frames into a skeleton channel.
#include <cstdint>

#include "engine/resource/skeleton.h"

namespace hm {

struct agent;
struct action_record;
class skeleton_instance;

// Request flag bits of an action channel (the low 17 bits are the priority).
inline constexpr std::uint32_t channel_flag_apply_duration = 1u << 20;
inline constexpr std::uint32_t channel_flag_scale_by_speed = 1u << 22;
inline constexpr std::uint32_t channel_flag_keep = 1u << 24;
inline constexpr std::uint32_t channel_flag_keep_until_done = 1u << 25;
inline constexpr std::uint32_t channel_flag_restart = 1u << 26;
inline constexpr std::uint32_t channel_flag_hide_item = 1u << 28;

// Action flag: a whole-body action that clears the upper-body channel.
inline constexpr std::uint32_t action_flag_clears_upper_body = 0x400;

// The skeleton instance of the agent's entity, null without one.
skeleton_instance* agent_skeleton(const agent& a);
// Actions in the agent's table (0 without a table).
int agent_action_count(const agent& a);
// The record of an action id, null outside the table.
const action_record* agent_action(const agent& a, int action);

// Asks for `action` (-1 clears) on channel 0 or 1. Nothing happens for an
// action outside -1 .. count - 1 (logged once per id) or when the channel
// refuses the request by priority. Otherwise the speed is held to
// [0.1, 10), flag bit 26 restarts the skeleton channel at phase 0, a
// whole-body action (0x400) of higher priority clears channel 1, and on
// channel 1 flag bit 28 hides the wielded item (it is shown otherwise).
void set_channel_action(agent& a, int channel, int action, std::uint32_t flags, float speed);
// The agent's pending weapon-hit action on channel 1 (priority 15, restart).
void play_weapon_hit_action(agent& a);

// Spherical linear interpolation from a to b (b taken on a's side).
quaternion slerp_rotation(const quaternion& a, const quaternion& b, float t);

// Samples `animation` at frames a and b into skeleton channel `channel`: the
// root translation and every bone's rotation at both frames. Nothing when the
// animation has fewer bone tracks than the skeleton has bones.
void sample_anim_into_channel(skeleton_instance& s, int channel, const skeleton_anim* animation, int frame_a,
                              int frame_b);

}  // namespace hm
