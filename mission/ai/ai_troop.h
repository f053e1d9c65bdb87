#pragma once
// What the AI reads of an agent's troop: its level, a skill and its
// proficiency with a weapon. An agent without a troop (or with one the game
// does not hold) counts as level 0 with no skills and proficiency 50.
namespace hm {

struct agent;

int ai_troop_level(const agent& a);
int ai_troop_skill(const agent& a, int skill);
float ai_troop_proficiency(const agent& a, int item_kind);

}  // namespace hm
