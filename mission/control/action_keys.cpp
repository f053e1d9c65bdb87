#include "mission/control/action_keys.h"

#include <cmath>

#include "mission/agent/agent_sounds.h"
#include "mission/agent/particle_bursts.h"
#include "mission/anim/agent_actions.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "module/loading/scene_services.h"
#include "module/records/action_table.h"
#include "module/records/particle_system.h"

namespace hm {

namespace {

const action_sequence* playing_sequence(const action_record& record, const action_channel& ch) {
  if (ch.variant < 0 || ch.variant >= static_cast<int>(record.sequences.size())) return nullptr;
  return &record.sequences[static_cast<std::size_t>(ch.variant)];
}

// The keys of the channel's action that its progress passed in this frame, as
// a bit set (bit k: key k). `record` is the action's record.
unsigned passed_keys(const action_channel& ch, const action_record& record) {
  const action_sequence* s = playing_sequence(record, ch);
  if (s == nullptr) return 0u;
  const bool same = ch.previous_action == ch.action && ch.previous_variant == ch.variant;
  // A new action starts from its beginning, whatever the old one had reached.
  const float before = same ? ch.previous_progress : 0.0f;
  const bool wrapped = same && ch.progress < before;
  unsigned keys = 0u;
  for (int k = 0; k < action_key_count; ++k) {
    const float t = action_key_time(*s, k);
    if (t >= 0.0f && action_key_passed(t, before, ch.progress, wrapped)) keys |= 1u << k;
  }
  return keys;
}

bool is_fall_action(int action) {
  return (action >= 282 && action <= 291) || action == 293 || (action >= 418 && action <= 420);
}

void play_channel_1_keys(mission& m, agent& a, combat_random& random) {
  const action_channel& ch = a.channels[1];
  const action_record* record = agent_action(a, ch.action);
  if (record == nullptr || (record->flags & action_flag_sound_keys) == 0) return;
  const unsigned keys = passed_keys(ch, *record);
  const char* first = nullptr;
  const char* second = nullptr;
  if (ch.action == 117 || ch.action == 119) {
    first = "snd_pull_arrow";
    second = "snd_pull_bow";
  } else if (ch.action == 123 || ch.action == 124) {
    first = "snd_reload_crossbow";
    second = "snd_reload_crossbow_continue";
  } else {
    return;
  }
  agent_sound_sink& sounds = agent_sounds();
  if ((keys & 1u) != 0) sounds.play_slot_at_pitch(m, a, engine_sound_slot(first), 0.9f + 0.2f * random.unit());
  if ((keys & 2u) != 0) sounds.play_slot_at_pitch(m, a, engine_sound_slot(second), 0.8f + 0.4f * random.unit());
}

void footstep(mission& m, agent& a, int key, float speed) {
  agent_sound_sink& sounds = agent_sounds();
  const float z = a.position().z;
  const bool in_water = z <= m.water_level;
  if (!in_water) {
    sounds.play_contact(m, a, key);
  } else if (!a.is_horse() || key >= 3) {
    sounds.play_movement(m, a, m.water_level - z);
  }
  if (!(speed > 0.0f)) return;
  if (!in_water) {
    if (a.is_horse()) burst_particles_at(m, a.dust_system, a.position(), static_cast<int>(speed * 1.5f) + 2);
    return;
  }
  const int count = a.is_horse() ? static_cast<int>(speed * 10.0f + 20.0f) : static_cast<int>(speed * 3.0f + 5.0f);
  // The splash rises from the water's surface where the agent wades.
  const vec3 at(a.position().x, a.position().y, m.water_level);
  for (const std::int32_t system : a.splash_systems) burst_particles_at(m, system, at, count);
}

void play_channel_0_keys(mission& m, agent& a, combat_random& random) {
  const action_channel& ch = a.channels[0];
  const action_record* record = agent_action(a, ch.action);
  if (record == nullptr || a.ragdoll != nullptr) return;
  const std::uint32_t flags = record->flags;
  if ((flags & (action_flag_footstep_keys | action_flag_sound_keys)) == 0) return;
  const unsigned keys = passed_keys(ch, *record);
  if (keys == 0u) return;
  const float speed = std::sqrt(a.forward_speed * a.forward_speed + a.side_speed * a.side_speed);
  for (int k = 0; k < action_key_count; ++k) {
    if ((keys & (1u << k)) == 0) continue;
    if ((flags & action_flag_sound_keys) != 0 && k == 0 && is_fall_action(ch.action)) {
      agent_sounds().play_slot_at_pitch(m, a, engine_sound_slot("snd_body_fall_small"), 0.8f + 0.4f * random.unit());
    }
    if ((flags & action_flag_footstep_keys) != 0) footstep(m, a, k, speed);
  }
}

}  // namespace

float action_key_time(const action_sequence& s, int key) {
  if (key < 0 || key >= action_key_count) return -1.0f;
  const unsigned hundredths = (s.flags2 >> (8 * key)) & 0xFFu;
  if (hundredths == 0u || hundredths > 100u) return -1.0f;
  return static_cast<float>(hundredths) * 0.01f;
}

bool action_key_passed(float key, float before, float now, bool wrapped) {
  if (wrapped) return key > before || key <= now;
  return key > before && key <= now;
}

void remember_channel_progress(agent& a) {
  for (action_channel& ch : a.channels) {
    ch.previous_progress = ch.progress;
    ch.previous_action = ch.action;
    ch.previous_variant = ch.variant;
  }
}

void play_action_keys(mission& m, agent& a, combat_random& random) {
  const sound_random_scope kept;
  play_channel_1_keys(m, a, random);
  play_channel_0_keys(m, a, random);
}

void choose_agent_particle_systems(agent& a) {
  // The plain's dust: the ground under a horse is not told apart here.
  horse_particle_setup slots;
  set_horse_particle_slots(g_particle_systems, slots);
  a.dust_system = a.is_horse() ? slots.trail[0] : -1;
  for (int i = 0; i < 3; ++i) a.splash_systems[static_cast<std::size_t>(i)] = slots.water[i];
}

}  // namespace hm
