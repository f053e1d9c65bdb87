#pragma once
// The think loop of a computer-driven agent. Three passes run on their own
// timers: the behaviour choice every few seconds, the movement pass about
// once a second and the combat pass several times a second. They write only
// the agent's AI input; the combat pass's presses reach the agent after a
// reaction delay that shrinks with the troop's level and grows with the
// combat_ai option, which is what makes raw recruits slow and veterans quick.
#include <cstdint>

namespace hm {

class mission;
struct agent;
struct agent_input;

// Words the combat pass shares with the think loop during one agent's turn.
struct ai_combat_words {
  // Presses that take effect at once, without the reaction delay.
  std::uint32_t extra_flags = 0;
  // The agent's previous presses, as they stood before this pass.
  std::uint32_t previous_action_flags = 0;
};

// The passes the think loop drives.
class ai_passes {
 public:
  virtual ~ai_passes();
  // The engine's passes by default; tests override them to record or fix
  // what a pass does.
  // The behaviour choice (flags 0 from the think loop; not read).
  virtual void select_target(mission& m, agent& a, int flags);
  // Sets the behaviour mode, wields its weapon class and sets the time to
  // the next choice.
  virtual void set_weapon_mode(mission& m, agent& a, int mode);
  virtual void decide_movement(mission& m, agent& a);
  // Sets delayed presses in the agent's action_flags and immediate ones in
  // words.extra_flags.
  virtual void decide_combat(mission& m, agent& a, ai_combat_words& words);
  // Raises the agent's alarm when it has cause (before each combat pass).
  virtual void check_alarm(mission& m, agent& a);
};

// The passes of the engine: the behaviour choice (ai_behaviour.h), the
// movement pass (ai_movement.h) and the combat pass (ai_steering.h).
ai_passes& default_ai_passes();

// Seconds until the next combat pass: 0.05 + 0.2 / (level + 10) +
// 0.02 combat_ai + 0.03 u.
float ai_combat_period(int combat_ai, int level, float u);
// Seconds before a press takes effect: (0.1 combat_ai + 0.1 (1 + u)),
// scaled by 40 / (level + 30) for an agent with a troop (level < 0: none).
float ai_reaction_delay(int combat_ai, int level, float u);

// Runs whichever passes are due; called once a frame for every agent with no
// rider that the player does not control.
void agent_ai_think(mission& m, agent& a, float frame_time, ai_passes& passes = default_ai_passes());

// This frame's input from the AI: the current AI input, plus every delayed
// press now due (strictly before the current tick), plus the presses held
// since the last delivery. `block` holds last frame's input on entry; an
// attack press that first shows sets the newly-pressed bit.
void agent_get_ai_input(agent& a, agent_input& block);

}  // namespace hm
