#include "mission/ai/ai_troop.h"

#include "mission/records/agent.h"
#include "module/loading/game.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

const troop* troop_of(const agent& a) {
  return a.troop >= 0 && g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
}

}  // namespace

int ai_troop_level(const agent& a) {
  const troop* t = troop_of(a);
  return t != nullptr ? t->level : 0;
}

int ai_troop_skill(const agent& a, int skill) {
  const troop* t = troop_of(a);
  return t != nullptr ? t->get_skill_level(skill) : 0;
}

float ai_troop_proficiency(const agent& a, int item_kind) {
  const troop* t = troop_of(a);
  return t != nullptr ? static_cast<float>(t->get_proficiency(item::get_weapon_class(item_kind, 0))) : 50.0f;
}

}  // namespace hm
