#include "mission/agent/agent_sounds.h"

#include <algorithm>
#include <cstring>

#include "engine/audio/sound_manager.h"
#include "engine/audio/sound_manager_agent.h"
#include "engine/core/random.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/loading/game.h"
#include "module/media/skin.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

agent_sound_view sound_view(const agent& a, agent_voice_state* voice) {
  agent_sound_view v;
  v.is_horse = a.kind != agent_kind_human;
  v.movement_state = a.gait_state;
  v.height = a.position().z;
  v.has_body = a.agent_entity != nullptr;
  v.body_origin = a.position();
  v.rides_horse = a.mount >= 0;
  v.agent_id = a.index;
  v.troop = a.troop;
  const troop* t = g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
  v.troop_flags = t != nullptr ? static_cast<std::uint32_t>(t->flags) : 0u;
  v.voice = voice;
  return v;
}

mission_sound_view mission_view(const mission& m) {
  mission_sound_view v;
  v.water_level = m.water_level;
  v.player_agent_id = m.player_agent;
  return v;
}

agent_sound_sink g_default_sink;
agent_sound_sink* g_sink = &g_default_sink;

}  // namespace

sound_random_scope::sound_random_scope() : state_(random_state()) {}
sound_random_scope::~sound_random_scope() { set_random_state(state_); }

agent_sound_sink::~agent_sound_sink() = default;

void agent_sound_sink::play_slot(mission& m, const agent& a, int slot, float variation) {
  if (slot < 0) return;
  if (variation > 0.0f) {
    play_agent_sound_with_variation(sound_view(a, nullptr), mission_view(m), slot, variation);
  } else {
    g_sound_manager.play_sound_in_slot(slot, 0, a.position(), 1.0f);
  }
}

void agent_sound_sink::play_voice(mission& m, agent& a, int kind) {
  const troop* t = g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
  if (t == nullptr || kind < 0 || kind >= skin_voice_count) return;
  const int skin_index = static_cast<int>(t->flags & 15);
  if (skin_index >= g_skins.count()) return;
  const int sound = g_skins.skins[static_cast<std::size_t>(skin_index)].voices[kind];
  if (sound == -1) return;
  play_voice_sound(m, a, sound);
}

void agent_sound_sink::play_voice_sound(mission& m, agent& a, int sound) {
  agent_voice_state voice;
  voice.channel = a.voice_channel;
  voice.voice_timer = a.voice_timer;
  voice.duration = a.voice_duration;
  play_agent_voice(sound_view(a, &voice), mission_view(m), sound);
  a.voice_channel = voice.channel;
  a.voice_timer = voice.voice_timer;
  a.voice_duration = voice.duration;
}

void agent_sound_sink::play_contact(mission& m, const agent& a, int kind) {
  play_agent_contact_sound(sound_view(a, nullptr), mission_view(m), kind);
}

void agent_sound_sink::play_slot_at_pitch(mission&, const agent& a, int slot, float pitch) {
  if (slot < 0 || a.agent_entity == nullptr) return;
  g_sound_manager.play_sound_in_slot(slot, 0, a.position(), pitch);
}

void agent_sound_sink::play_movement(mission& m, const agent& a, float depth) {
  play_slot_at_pitch(m, a, sound_slot::footstep_water, water_step_pitch(depth));
}

float water_step_pitch(float depth) { return std::clamp(1.1f - 0.3f * depth, 0.7f, 1.1f); }

agent_sound_sink& agent_sounds() { return *g_sink; }

void set_agent_sound_sink(agent_sound_sink* sink) { g_sink = sink != nullptr ? sink : &g_default_sink; }

int engine_sound_slot(const char* name) {
  for (int i = 0; i < sound_slot_count; ++i) {
    if (std::strcmp(sound_slot_names[i], name) == 0) return i;
  }
  return -1;
}

}  // namespace hm
