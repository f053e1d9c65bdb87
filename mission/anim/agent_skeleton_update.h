#pragma once
// Once a frame, after an agent's frame has decided its actions: turns the two
// action channels into the state of the matching channels of the agent's
// skeleton instance (new sequences with the phase carried over, the bones
// each channel drives, the aiming pitch blend, a rider's spine twist, a
// horse's slope tilt, duration and progress requests and a human's root
// motion). The skeleton instance computes the pose from them afterwards.
namespace hm {

class mission;
struct agent;
struct action_sequence;

// Action flags read here.
inline constexpr unsigned action_flag_follow_mount = 0x1;
inline constexpr unsigned action_flag_bone_group_1 = 0x100;
inline constexpr unsigned action_flag_bone_group_2 = 0x200;
inline constexpr unsigned action_flag_bone_group_3 = 0x400;
inline constexpr unsigned action_flag_pitch_blend = 0x1000;
inline constexpr unsigned action_flag_rider_twist = 0x2000;
inline constexpr unsigned action_flag_root_motion = 0x4000;
inline constexpr unsigned action_flag_no_slope_tilt = 0x8000;

// Sequence flags read here.
inline constexpr unsigned sequence_flag_looping = 0x10000000u;
inline constexpr unsigned sequence_flag_continue_phase = 0x20000000u;
inline constexpr unsigned sequence_flag_start_at_phase = 0x40000000u;
inline constexpr unsigned sequence_flag_mirrored_phase = 0x80000000u;

// Nothing while the agent is a ragdoll or has no skeleton with two channels
// (its channels then still take their requested actions). The frame time is
// not used.
void agent_skeleton_update(mission& m, agent& a, float frame_seconds);

// Starts sequence `s` on skeleton channel i; `previous_flags` and
// `previous_phase` are those of the sequence that was playing (0 and 0 for
// none).
void start_channel_sequence(agent& a, int i, const action_sequence& s, unsigned previous_flags, float previous_phase);

// Copies each skeleton channel's curve value into its action channel's
// progress, as the agent's frame reads it at its start.
void read_channel_progress(agent& a);

}  // namespace hm
