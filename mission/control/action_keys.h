#pragma once
// The moments inside an animation that make a sound: footsteps and hoof
// beats, a body hitting the ground, a bow drawn or a crossbow spanned, and the
// dust or water that a step throws up. An action marks them with its flags
// (0x100 footstep keys, 0x200 sound keys) and each sequence carries up to four
// key times, one byte each of its second flags word in hundredths of the
// sequence (0 or above 100: no key).
#include <cstdint>

namespace hm {

struct action_sequence;
struct agent;
class combat_random;
class mission;

inline constexpr std::uint32_t action_flag_footstep_keys = 0x100u;
inline constexpr std::uint32_t action_flag_sound_keys = 0x200u;
inline constexpr int action_key_count = 4;

// Key `key` (0..3) of the sequence as a fraction of it, or -1 for none.
float action_key_time(const action_sequence& s, int key);

// Whether a key at `key` lies in (before, now]. A looping sequence that came
// round again in the frame (now below before) passes the keys after `before`
// and those up to `now`.
bool action_key_passed(float key, float before, float now, bool wrapped);

// Remembers the channels' progress of the frame before, so that the keys
// passed in this frame can be told after the new progress is read.
void remember_channel_progress(agent& a);

// The sounds and particles of the keys the agent's actions passed in this
// frame: channel 1's bow and crossbow keys, channel 0's body falls, footsteps,
// splashes and hoof dust.
void play_action_keys(mission& m, agent& a, combat_random& random);

// The particle systems an agent's footsteps burst, from the module's engine
// codes: a horse's hoof dust, and the three water splashes of every agent.
void choose_agent_particle_systems(agent& a);

}  // namespace hm
