#pragma once
// The sounds agents make while they move and handle their weapons: engine
// sounds by name, voices from the troop's skin and contact sounds. They go
// through one replaceable sink so that headless runs and tests can hear them.
#include <cstdint>

namespace hm {

class mission;

// Sounds vary their pitch with the engine's generator but leave its sequence
// where it was while this lives: a fight goes the same way with or without
// its sounds.
class sound_random_scope {
 public:
  sound_random_scope();
  ~sound_random_scope();
  sound_random_scope(const sound_random_scope&) = delete;
  sound_random_scope& operator=(const sound_random_scope&) = delete;

 private:
  std::uint32_t state_;
};
struct agent;

class agent_sound_sink {
 public:
  virtual ~agent_sound_sink();
  // An engine sound slot at the agent; `variation` spreads its pitch
  // (0 plays it at the agent's position as it is).
  virtual void play_slot(mission& m, const agent& a, int slot, float variation);
  // The voice of `kind` from the skin of the agent's troop (none for -1).
  virtual void play_voice(mission& m, agent& a, int kind);
  // A sound of the module's table as the agent's voice: the voice it is
  // saying stops first.
  virtual void play_voice_sound(mission& m, agent& a, int sound);
  // A contact sound of `kind` (4 a horse's neigh).
  virtual void play_contact(mission& m, const agent& a, int kind);
  // An engine sound slot at the agent's position at a given pitch factor.
  virtual void play_slot_at_pitch(mission& m, const agent& a, int slot, float pitch);
  // A step through water `depth` deep: the deeper, the lower the splash.
  virtual void play_movement(mission& m, const agent& a, float depth);
};

// The sink in use; never null (the engine's sound player by default).
agent_sound_sink& agent_sounds();
// Null restores the default.
void set_agent_sound_sink(agent_sound_sink* sink);

// The pitch of a step through water of that depth: 1.1 at the surface,
// falling by 0.3 a unit of depth to 0.7.
float water_step_pitch(float depth);

// The engine slot of a sound name, -1 when the engine knows no such name.
int engine_sound_slot(const char* name);

}  // namespace hm
