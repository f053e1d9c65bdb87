#include "script/ops/encounter.h"

#include "script/ops/battle_advantage.h"
#include "script/script_host.h"

namespace hm {

meta_mission_words g_meta_mission;
std::int32_t g_script_scene_index = -1;

void encounter_record::set_side(std::int32_t s) {
  if (state != encounter_state_joined_battle) side = s;
  const std::int32_t enemy = s == 1 ? first_party : second_party;
  if (enemy < 0) return;
  const std::int32_t ally = s == 1 ? second_party : first_party;
  flags &= ~encounter_flag::side_open;
  opposite_side = 1 - s;
  changed = 1;
  if (state == encounter_state_joined_battle && 1 - s == 1) flags |= encounter_flag::side_chosen_for_battle;
  const encounter_strength strength =
      update_size_class(enemy, current_script_host().campaign->player_party(), enemy, ally);
  size_class = strength.size_class;
  advantage = strength.advantage;
}

}  // namespace hm
