#pragma once
// How large the other side of an encounter is (a size class 0 to 3) and how
// strong the player's side is against it (an advantage from -20 to 20).
#include <cstdint>

namespace hm {

inline constexpr int max_battle_advantage = 20;
// The party skill whose level adds to (or takes from) the advantage.
inline constexpr int battle_advantage_skill = 15;

// 0 for at most 3 troops, 1 up to 10, 2 up to 50, 3 above.
std::int32_t encounter_size_class(std::int32_t troop_count);

// The advantage of party p (joined by party r) against party q, -20 to 20.
// Inactive parties count as no troops. A side facing no able troops at all has
// the full advantage; a side of no troops facing some has the full
// disadvantage; two empty sides are even.
std::int32_t compute_battle_advantage(std::int32_t party_p, std::int32_t party_q, std::int32_t party_r);

// What an encounter keeps of the other side's strength.
struct encounter_strength {
  std::int32_t size_class = 0;
  std::int32_t advantage = 0;
};

// The size class of the other party (its troops selected by flags word 16) and
// the advantage of the player's side (p, with r) against the encounter's
// other side (q).
encounter_strength update_size_class(std::int32_t other_party, std::int32_t party_p, std::int32_t party_q,
                                     std::int32_t party_r);

}  // namespace hm
