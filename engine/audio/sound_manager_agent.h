#pragma once
// The sound events of agents (footsteps, hoof beats, swings, voices, splashes),
// written against a narrow view of the agent and the mission so that they do
// not depend on the agent record itself. The agent code fills the views.
#include <cstdint>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

// The agent's voice fields, written by play_agent_voice.
struct agent_voice_state {
  std::int32_t channel = -1;  // -1: none
  timer voice_timer;          // restarted when a voice starts
  float duration = 0.0f;      // seconds of the voice last started
};

struct agent_sound_view {
  bool is_horse = false;
  std::uint32_t movement_state = 0;  // a horse's low three bits are its gait 0..5
  float height = 0.0f;               // the position's z
  bool has_body = false;
  vec3 body_origin;                  // where the agent's sounds come from
  bool rides_horse = false;          // a human on a horse
  std::int32_t agent_id = 0;
  std::int32_t troop = 0;
  std::uint32_t troop_flags = 0;     // low four bits: the troop's type
  std::uint32_t seed = 0;            // the agent's seed word
  agent_voice_state* voice = nullptr;  // required by play_agent_voice
};

struct mission_sound_view {
  bool suppress_sounds = false;  // no contact sounds while set
  float water_level = 0.0f;
  std::int32_t player_agent_id = -1;
  std::uint32_t scene_flags = 0;  // bit 0: wooden floors (footsteps on wood)
};

// The engine slot that a contact of `kind` (as the agent's animation reports
// it) plays, -1 for none: for a horse kind 4 neighs and kinds 0 to 3 are hoof
// beats by gait (or splashes in water); for a human kinds 0 and 1 are
// footsteps and kind 3 a swing.
int contact_sound_slot(const agent_sound_view& agent, const mission_sound_view& mission, int kind);

// Plays the contact sound of `kind` at the body with a pitch from 0.8 to 1.2.
int play_agent_contact_sound(const agent_sound_view& agent, const mission_sound_view& mission, int kind);
// Plays an engine slot with a random pitch spread of `variation`, at head
// height (flat for the player's agent).
int play_agent_sound_with_variation(const agent_sound_view& agent, const mission_sound_view& mission, int slot,
                                    float variation);
// Plays a voice, replacing the agent's previous voice, at the agent's own pitch.
int play_agent_voice(const agent_sound_view& agent, const mission_sound_view& mission, int sound_id);
// Plays a splash whose pitch falls as the speed rises.
int play_agent_splash(const agent_sound_view& agent, float speed);

// The fixed pitch factor of an agent's voice, from its seed, id and troop: the
// same agent always speaks at the same pitch (within 0.85 .. 1.15).
float voice_pitch_factor(std::uint32_t seed, std::int32_t agent_id, std::int32_t troop);

}  // namespace hm
