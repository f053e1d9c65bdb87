#pragma once
// What a finished (or left) mission does to the campaign: heroes keep the hit
// points they ended with (the player's troop heals a little by its party's
// first-aid skill), regular troops bring their experience to their stacks,
// killed troops leave their stacks and wounded ones join the wounded.
#include <cstdint>
#include <functional>

namespace hm {

class mission;
struct campaign_state;

// The party skill that heals heroes after a battle.
inline constexpr int first_aid_skill = 9;
// The template flag that lets a mission's outcome reach the troops.
inline constexpr std::int32_t template_flag_applies_results = 0x10;

struct mission_results_context {
  campaign_state* game = nullptr;
  // Apply even when the template does not ask for it.
  bool apply_always = false;
  // The meta mission's mode: 1, 3 and 4 end heroes' negative hit points.
  std::int32_t mode = 0;
  // The encounter's two parties (-1 none).
  std::int32_t party_ids[2] = {-1, -1};
  // Refreshes every troop record first (may be empty).
  std::function<void()> refresh_all_troops;
  // A new member seed for a killed troop's place (0..32767).
  std::function<std::int32_t()> new_seed;
};

// Applies the mission's outcome to the troops and parties.
void apply_mission_results(mission& m, const mission_results_context& c);

}  // namespace hm
