#pragma once
// What parties other than the player's decide on the world map: follow the
// behaviour module code gave them, or react to the parties they see by
// attacking the weak and fleeing the strong; and the steering that turns a
// behaviour into movement targets.
#include <cstdint>

#include "campaign/movement/party_travel.h"

namespace hm {

// Behaviour codes (current and scripted).
namespace behaviour {
inline constexpr std::int32_t hold = 0;
inline constexpr std::int32_t go_to_party = 1;
inline constexpr std::int32_t patrol_point = 2;
inline constexpr std::int32_t patrol_party = 3;
inline constexpr std::int32_t attack = 4;
inline constexpr std::int32_t flee = 5;
inline constexpr std::int32_t go_to_point = 6;
inline constexpr std::int32_t in_battle = 7;
inline constexpr std::int32_t arrived = 8;
inline constexpr std::int32_t board_ship = 9;
inline constexpr std::int32_t accompany = 10;
inline constexpr std::int32_t flee_urgent = 11;
}  // namespace behaviour

inline constexpr int max_seen_parties = 32;

// The relation of two parties' factions, -1 to 1; 1.0 for the same party.
float get_party_relation(const campaign_state& game, const party& a, const party& b);
// (1 + 0.1 x spotting skill) x the module's seeing range, halved at night.
float get_seeing_range(const travel_context& travel, const party& p);
// The parties p sees, in slot order, at most max; their count.
int find_seen_parties(const travel_context& travel, const party& p, std::int32_t* ids, int max);

// The scores of one seen party, as the decision weighed them.
struct ai_choice {
  std::int32_t code = -1;  // 4 attack, 5 flee, -1 none
  std::int32_t target = -1;
  float score = 0.0f;
  float threshold = 0.0f;
};

// The decision (update_party_movement): sets the current behaviour, target
// and position and applies them. Returns what the reaction weighed.
ai_choice decide_party_behaviour(travel_context& travel, party& p);
// The movement targets of the current behaviour; steering runs next step.
void apply_behaviour(travel_context& travel, party& p);
// Steering on its timer: patrol points, following, fleeing, accompanying.
void steer_party(travel_context& travel, party& p);

}  // namespace hm
