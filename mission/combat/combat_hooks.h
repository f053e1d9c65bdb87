#pragma once
// The steps the combat rules and the agent frame ask of the other parts of the
// agent code. The defaults are the engine's own: the animation's action gate,
// action update and skeleton update, the AI's thinking with its input
// delivered into the agent's block, weapon use, the physics worlds' ragdolls,
// the AI code's rider turn and hit reactions, sounds and voices through the
// agents' sound sink, missiles stuck in bodies, blood stains and the blood
// particles of a hit. Labels and messages do nothing until the mission screen
// installs its own. Tests swap single hooks to script a fight.
#include <cstdint>
#include <functional>
#include <string>

namespace hm {

struct agent;
struct agent_label;
struct blow;
struct vec3;
class mission;

// Voices of an agent (the voice kinds of its skin).
inline constexpr int agent_voice_death = 0;
inline constexpr int agent_voice_hit = 1;

struct combat_hooks {
  // Asks for an action on channel 0 or 1 with request flags (priority in the
  // low 17 bits).
  std::function<void(agent&, int channel, int action, std::uint32_t flags, float speed)> set_channel_action;
  // An engine sound at the agent with a random pitch within `variation`.
  std::function<void(mission&, agent&, const std::string& sound, float variation)> play_sound;
  // A contact sound of a kind (3 swing, 4 heavy, 5 landing).
  std::function<void(mission&, agent&, int kind)> play_contact_sound;
  // The agent's hit-reaction action of a class (0 upper body, 1 lower body,
  // 2 heavy), -1 none.
  std::function<int(const mission&, const agent&, int reaction_class)> hit_reaction_action;
  // A voice of the agent (unless it is silent).
  std::function<void(mission&, agent&, int voice)> play_voice;
  // A copy of the striking missile's mesh left in the struck bone.
  std::function<void(mission&, agent&, const blow&)> stick_missile;
  // A blood stain on the ground, and the blood particles of a hit.
  std::function<void(mission&, const vec3& at, float size)> add_blood_stain;
  std::function<void(mission&, agent&, const blow&, int count)> emit_blood;
  // Rebuilds the text mesh of the agent's name label.
  std::function<void(mission&, agent&, const agent_label&)> update_label;
  // A line for the message log, with its colour.
  std::function<void(const std::string& text, std::uint32_t colour)> add_message;
  // A ragdoll for a body; false when none was made.
  std::function<bool(mission&, agent&)> create_ragdoll;
  // Whether a ragdoll's bones still move.
  std::function<bool(const agent&)> ragdoll_moving;
  // Ends a ragdoll (the body freezes as it lies).
  std::function<void(mission&, agent&)> release_ragdoll;
  // The frame's steps of the AI, aiming and the agent's look: the rider's
  // turn towards its look direction, the AI's thinking and its input
  // delivered into the agent's block, the equipment and visual refresh, and
  // the aiming error.
  std::function<void(mission&, agent&, float dt)> update_rider_turn_angle;
  std::function<void(mission&, agent&)> ai_think;
  std::function<void(mission&, agent&)> visual_update;
  std::function<void(mission&, agent&, float dt)> update_aim_deviation;
  // The agent's action update and weapon use of the frame.
  std::function<void(mission&, agent&, float dt)> update_actions;
  std::function<void(mission&, agent&, float dt)> use_weapon;
  // The skeleton follows the action channels.
  std::function<void(mission&, agent&, float dt)> update_skeleton;
};

// The hooks in force; reset_combat_hooks() restores the defaults. The defaults
// call into every part of the agent code, so they are made above it all, in
// mission/defaults/.
combat_hooks& g_combat_hooks();
void reset_combat_hooks();

// A plain action request for agents without an action table: taken when
// the channel is empty or its priority is not above the new one's.
void write_channel_action(agent& a, int channel, int action, std::uint32_t flags, float speed);

}  // namespace hm
