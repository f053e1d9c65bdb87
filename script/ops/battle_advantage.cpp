#include "script/ops/battle_advantage.h"

#include <cmath>

#include "script/script_host.h"
#include "script/shared_routines.h"

namespace hm {
namespace {

int able_members_with_attached(std::int32_t party) {
  int members = 0;
  int wounded = 0;
  current_script_host().campaign->count_party_troops_with_attached(party, members, wounded);
  return members - wounded;
}

}  // namespace

std::int32_t encounter_size_class(std::int32_t troop_count) {
  if (troop_count <= 3) return 0;
  if (troop_count <= 10) return 1;
  if (troop_count <= 50) return 2;
  return 3;
}

std::int32_t compute_battle_advantage(std::int32_t party_p, std::int32_t party_q, std::int32_t party_r) {
  const script_campaign_host& campaign = *current_script_host().campaign;
  const bool p_active = is_party_active(party_p);
  const bool q_active = is_party_active(party_q);
  const float a = q_active ? static_cast<float>(able_members_with_attached(party_q)) : 0.0f;
  float x = p_active ? static_cast<float>(campaign.count_troops_by_flags(party_p, 0x110)) : 0.0f;
  x += static_cast<float>(able_members_with_attached(party_r));

  std::int64_t score;
  if (a <= 0.0f || x <= 0.0f) {
    // The ratio is infinite, zero or undefined: the full advantage, the full
    // disadvantage, or even, before the skills count.
    score = a <= 0.0f && x > 0.0f ? max_battle_advantage : x <= 0.0f && a > 0.0f ? -max_battle_advantage : 0;
  } else {
    const float ratio = x / a;
    const float s = ratio >= 1.0f ? ratio - 1.0f : 1.0f - 1.0f / ratio;
    float f = (x + a) * 0.02f;
    if (f < 0.5f) f = 0.5f;
    if (f > 1.0f) f = 1.0f;
    score = round_half_down(s * f);
  }
  if (p_active) score += campaign.party_skill_level(party_p, battle_advantage_skill) / 2;
  if (q_active) score -= campaign.party_skill_level(party_q, battle_advantage_skill) / 2;
  if (score < -max_battle_advantage) score = -max_battle_advantage;
  if (score > max_battle_advantage) score = max_battle_advantage;
  return static_cast<std::int32_t>(score);
}

encounter_strength update_size_class(std::int32_t other_party, std::int32_t party_p, std::int32_t party_q,
                                     std::int32_t party_r) {
  encounter_strength out;
  out.size_class = encounter_size_class(current_script_host().campaign->count_troops_by_flags(other_party, 16));
  out.advantage = compute_battle_advantage(party_p, party_q, party_r);
  return out;
}

}  // namespace hm
