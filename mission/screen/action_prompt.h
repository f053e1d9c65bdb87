#pragma once
// What the action key would do with the object the player looks at: the
// search along the look ray (walls shorten it), the range each kind needs,
// and the two overlay lines that name the object and the action.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;
struct overlay_line;
class mission_screen_host;

struct action_prompt {
  std::int32_t kind = -1;
  std::int32_t target = -1;
  std::int32_t in_range = 0;
  // From the ray's start to the object (for a horse: between the two agents).
  float distance = 0.0f;
};

// What the search needs beyond the mission.
struct action_prompt_context {
  // The current game menu's item count, -1 with no menu current.
  int menu_item_count = -1;
  // The player troop's effective riding skill.
  int riding_skill = 0;
  std::uint8_t talk_allowed = 0;
  std::uint8_t talk_blocked = 0;
};

// The entity owner word of scene-prop instances.
inline constexpr std::int32_t prop_entity_owner_kind = 12;
// Pitch below which a rider looking down may dismount.
inline constexpr float dismount_pitch = -0.5519978f;

// The eye point: the position raised by 1.5 on foot, 2.4 mounted.
vec3 agent_eye_point(const agent& a);
// The search along the player's look ray, without the range test.
action_prompt find_action_prompt(mission& m, const agent& player, const action_prompt_context& c);
// Whether the prompt may be acted on from where the player stands.
bool action_prompt_in_range(const mission& m, const agent& player, const action_prompt& p,
                            const action_prompt_context& c);
// The overlay lines of a prompt: the title and, when there is an action, a
// spacer and the action.
std::vector<overlay_line> action_prompt_lines(mission& m, const agent& player, const action_prompt& p,
                                              mission_screen_host& host);
// The whole update: search, range, the lines on the overlay (emptied and
// put back in the middle when there is nothing to show).
action_prompt update_action_prompt(mission& m, const agent& player, mission_screen_host& host,
                                   const action_prompt_context& c);

}  // namespace hm
