#include "engine/audio/sound_manager_agent.h"

#include <algorithm>

#include "engine/core/random.h"
#include "engine/audio/sound_manager.h"

namespace hm {

int contact_sound_slot(const agent_sound_view& agent, const mission_sound_view& mission, int kind) {
  if (agent.is_horse) {
    if (kind == 4) return sound_slot::neigh;
    if (agent.height <= mission.water_level) return kind == 2 || kind == 3 ? sound_slot::footstep_water : -1;
    const bool main_pair = kind == 0 || kind == 2;
    switch (agent.movement_state & 7) {
      case 0:
      case 2: return main_pair ? sound_slot::horse_walk : -1;
      case 3: return main_pair ? sound_slot::horse_trot : -1;
      case 4: return kind == 0 ? sound_slot::horse_canter : -1;
      case 5: return kind == 0 ? sound_slot::horse_gallop : -1;
      default: return -1;
    }
  }
  if (kind == 3) return sound_slot::sword_swing;
  if (kind != 0 && kind != 1) return -1;
  if (agent.height < mission.water_level) return sound_slot::footstep_water;
  return (mission.scene_flags & 1) ? sound_slot::footstep_wood : sound_slot::footstep_grass;
}

int play_agent_contact_sound(const agent_sound_view& agent, const mission_sound_view& mission, int kind) {
  if (mission.suppress_sounds || !agent.has_body) return -1;
  const int slot = contact_sound_slot(agent, mission, kind);
  if (slot < 0) return -1;
  const float factor = 0.8f + static_cast<float>(random_next() % 15817) * 2.5289246e-5f;
  return g_sound_manager.play_sound_in_slot(slot, 0, agent.body_origin, factor);
}

int play_agent_sound_with_variation(const agent_sound_view& agent, const mission_sound_view& mission, int slot,
                                    float variation) {
  if (slot == -1 || !agent.has_body) return -1;
  float factor = 1.0f;
  if (variation > 0.001f) {
    const float d = 2.0f * (static_cast<float>(random_next() % 15817) * 6.322312e-5f - 0.5f) * variation;
    if (d > 0.001f)
      factor = 1.0f + d;
    else if (d < -0.001f)
      factor = 1.0f / (1.0f - d);
  }
  vec3 point = agent.body_origin;
  point.z += agent.rides_horse ? 2.4f - 0.3f : 1.5f - 0.3f;
  const std::uint32_t flags = agent.agent_id == mission.player_agent_id ? sound_flag::flat : 0;
  return g_sound_manager.play_sound_in_slot(slot, flags, point, factor);
}

float voice_pitch_factor(std::uint32_t seed, std::int32_t agent_id, std::int32_t troop) {
  // Unsigned 32-bit arithmetic throughout: the sum wraps the same way on every host.
  const std::uint32_t sum = seed * 148653u + (static_cast<std::uint32_t>(agent_id) + 29u) * 5373u +
                            static_cast<std::uint32_t>(troop) * 30447u;
  const std::uint32_t h = sum % 6977u * 1311u % 871u;
  const float v = (static_cast<float>(h) * 0.0011481056f - 0.5f) * 0.3f;
  if (v > 0.001f) return 1.0f + v;
  if (v < -0.001f) return 1.0f / (1.0f - v);
  return 1.0f;
}

int play_agent_voice(const agent_sound_view& agent, const mission_sound_view& mission, int sound_id) {
  if (sound_id == -1 || !agent.has_body || !agent.voice) return -1;
  agent_voice_state& voice = *agent.voice;
  if (voice.channel >= 0) {
    g_sound_manager.stop_channel(voice.channel);
    voice.channel = -1;
  }
  const bool is_player = agent.agent_id == mission.player_agent_id;
  float factor = 1.0f;
  if (!agent.is_horse && !is_player && (agent.troop_flags & 15) != 1)
    factor = voice_pitch_factor(agent.seed, agent.agent_id, agent.troop);
  float duration = 0.0f;
  const int channel =
      g_sound_manager.play_sound(sound_id, is_player ? sound_flag::flat : 0, agent.body_origin, factor, &duration);
  if (channel >= 0) {
    voice.channel = channel;
    voice.voice_timer.reset();
    voice.duration = duration;
  }
  return channel;
}

int play_agent_splash(const agent_sound_view& agent, float speed) {
  if (!agent.has_body) return -1;
  const float base = std::clamp((1.2f - speed) * 0.3f, 0.0f, 0.5f);
  const float factor = base + 0.95f + static_cast<float>(random_next() % 15817) * 6.3223115e-6f;
  return g_sound_manager.play_sound_in_slot(sound_slot::footstep_water, 0, agent.body_origin, factor);
}

}  // namespace hm
