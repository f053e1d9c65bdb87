#pragma once
// Blows: queued on the struck agent (the stronger of a frame's blows stays)
// and received once a frame, with the hit's consequences: difficulty,
// reports, sounds, horses bracing and falling, knock-out or death,
// experience and proficiency, and the reactions of a standing human.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

struct agent;
struct blow;
class combat_random;
class mission;

// --- the rules, on plain values -------------------------------------------------------

// Whether a new blow replaces the pending one: always when none is pending;
// a blow whose damage is not a number never replaces one, and a pending
// blow whose damage is not a number is always replaced; otherwise the new one
// wins at equal or larger damage.
bool blow_replaces_pending(bool pending, float pending_damage, float new_damage);

// The factor of the game's difficulty options on a blow's damage.
struct difficulty_inputs {
  // The victim is the player's agent or the horse under it.
  bool player_or_players_horse = false;
  // The victim belongs to the player's party (a horse by its rider).
  bool players_party = false;
  int damage_to_player = 2;
  int damage_to_friends = 2;
};
float difficulty_factor(const difficulty_inputs& in);

// The chance that a fallen ally of the player is only knocked out.
float knockout_chance(bool allied_to_player, int party_surgery_level);

enum class fall_outcome { knocked_out, killed };
struct fall_inputs {
  bool no_deaths_mission = false;
  // Troop flag 0x80: always dies.
  bool troop_always_dies = false;
  int damage_type = 0;
  // No troop, or a hero.
  bool no_troop_or_hero = false;
  float chance = 0.0f;
};
// One draw only when the chance decides.
fall_outcome decide_fall(const fall_inputs& in, combat_random& random);

// Whether a blow interrupts a standing human (who has a troop); draws only
// for damage below 1.
bool blow_interrupts(float damage, float raw_damage, float threshold, int strength, combat_random& random);

// The chance that a horse rears before a braced polearm.
float horse_brace_chance(int horse_charge, float forward_speed);
// What a horse that does not rear keeps of its forward speed.
float horse_brace_slowdown(int horse_charge);

// A rider killed in the saddle stays there (its horse carries the body)
// unless a no-deaths mission or the player throwing him decides otherwise.
struct rider_fate_inputs {
  bool no_deaths_mission = false;
  bool player_exists = true;
  bool player_mounted = false;
  bool attacker_is_player = false;
  int riders_thrown_by_player = 0;
};
bool rider_stays_in_saddle(const rider_fate_inputs& in);

// Experience of felling a victim of a level; a tenth in a no-deaths mission.
int fall_experience(int victim_level, bool no_deaths_mission);

// The death animation of a human (channel 0).
struct death_animation_inputs {
  bool mounted = false;
  bool attacker_behind = false;
  bool head = false;
  bool by_missile = false;
  int bone = -1;
  // Dot of the impact direction with the agent's side axis.
  float impact_side = 0.0f;
};
int choose_death_animation(const death_animation_inputs& in, combat_random& random);

// --- on agents ------------------------------------------------------------------------------

// Offers a blow to an agent: its armour fills the damage first, then it
// replaces the pending blow by the rule above.
void queue_blow(mission& m, agent& a, const blow& b, combat_random& random);
// Places a blow whose damage is already filled.
void queue_armored_blow(agent& a, const blow& b);
// Applies the pending blow, if any.
void receive_blow(mission& m, agent& a, combat_random& random);

// Mission flags of the current template this reads.
inline constexpr std::uint32_t mission_no_deaths = 0x1;
inline constexpr std::uint32_t mission_no_blood = 0x100;

}  // namespace hm
