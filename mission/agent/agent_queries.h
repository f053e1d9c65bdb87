#pragma once
// Small questions about one agent that movement, combat, the AI and the
// screen share: team relations between agents, reach, the wielded items and
// what the agent carries, its collision capsule, its speed factors, its
// weapon's attack actions, and a few helpers on numbers and directions.
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"
#include "mission/records/agent.h"
#include "mission/records/deadline_timer.h"

namespace hm {

class mission;

// --- random draws -------------------------------------------------------------------

// (draw mod 15817) x 6.322312e-5 from the mission's random source: 0 to just
// below 1.
float mission_random_unit(mission& m);
// draw mod n; 0 without a draw for n below 2.
int random_int_below(mission& m, int n);

// A direction within a cone about the frame's forward axis: tilted by twice
// (draw - 0.5) x spread, the tilt turned about the axis by a second draw.
vec3 random_direction_in_cone(mission& m, const frame& direction_frame, float spread);

// --- numbers, angles and the hour ---------------------------------------------------

// The nearest whole number, exact halves going down: 2.5 gives 2, -0.5 gives -1.
int round_to_int(float value);
// The engine's one string hash (that of the translation keys): h = (h x 59 + c)
// mod 3571 over the signed bytes.
std::uint32_t hash_string(std::string_view s);
// Of the angles b and c, the one nearer to a round the circle; c on a tie.
float closer_angle(float a, float b, float c);
// With k = max(0, -(v . n)): v += k n and, when k > 0, v is scaled by
// (1 - 0.4 k). Returns the part taken off v (the old v less the new one).
vec3 reflect_velocity_on_plane(vec3& velocity, const vec3& normal);
bool box_contains_point(const vec3& box_min, const vec3& box_max, const vec3& p);
// The campaign clock's hours, modulo 24.
float get_hour_of_day();
bool is_daytime();  // 4 <= hour < 20
bool is_night();

// --- teams and reach ----------------------------------------------------------------

// Relations of a's team towards b's team; teams outside 0..7 have none.
bool teams_are_enemies(const mission& m, const agent& a, const agent& b);
bool teams_are_allies(const mission& m, const agent& a, const agent& b);
// Not enemies and not allies: neutral, or a team outside 0..7.
bool teams_not_enemies(const mission& m, const agent& a, const agent& b);
// The leader of the agent's team (team 7 for a team outside 0..7).
int get_team_leader(const mission& m, const agent& a);
// In a template whose flags have bit 1, an agent whose team faces an enemy
// team with agents still to spawn seeks them out (AI mode 12) and leaves its
// formation.
void apply_template_team_mode(mission& m, agent& a);
// How far the agent reaches to use something: 1.5, or 2.4 for a rider.
float get_use_distance(const agent& a);

// --- equipment ----------------------------------------------------------------------

// The item in the slot a hand wields (kind -1 for none; always none for hand
// 1 while it is unavailable).
item get_wielded_item(const agent& a, int hand);
// The weight of the four weapons and four armour pieces: ammunition by the
// share left, a broken shield nothing.
float get_equipment_weight(const agent& a);
// Shots left in the weapon slots' ammunition.
int get_ammunition(const agent& a);
// Every ammunition item of the weapon slots made full.
void refill_ammo(agent& a);
// The shield carried on the back: the highest weapon slot's shield with more
// than 10 hit points, not the one in hand 1 unless the weapon takes both
// hands; kind -1 when none.
item find_shield_slot(const agent& a);
// A shield's hit points and full hit points, by weapon slot (or -1 for hand
// 1's slot); -1 and -1 for anything else.
void get_shield_hit_points(const agent& a, int slot, int& hit_points, int& maximum);

// --- body and movement --------------------------------------------------------------

struct agent_capsule {
  vec3 a;
  vec3 b;
  float radius = 0.0f;
};
// The body's capsule in the agent's frame; a lifted, fallen or dead body's is
// moved out of reach.
agent_capsule get_collision_capsule(const agent& a);
// Turns the facing towards the input direction, faster for the player and
// when the two already agree.
void limit_turn(agent& a, bool is_player, float dt);
// 1 for a horse; for a human less the heavier its equipment against its
// strength, never below 0.
float get_weight_speed_factor(const agent& a);
// How fast the agent handles what the hand holds: the weapon's speed rating
// with proficiency, stance and the combat-speed option; 1 for nothing (or a
// weapon without a positive speed rating). The troop's shield skill comes
// from the module through the script host.
float get_weapon_speed_factor(const mission& m, const agent& a, int hand, int combat_speed);
// A horse on a ground face leans towards the slope along its forward axis.
void update_lean_angle(agent& horse, float dt);

// The upper-body channel holds action 72 and is past a tenth of it (the
// strong state of an attack).
bool is_starting_action_72(const agent& a);
// The five AI order words back to 0.
void clear_ai_order_words(agent& a);

// --- aiming and attacks -------------------------------------------------------------

// The upward aim for a missile of speed v over a horizontal distance q and
// a height difference h, at most 1 (at least 0 for h <= 0); 0 for a speed that
// is not positive.
float compute_aim_elevation(float v, float q, float h);
// d's horizontal part turned by the angle, normalised and scaled to w's
// horizontal length; w's height.
vec3 vec2_rotate(const vec3& d, float angle, const vec3& w);
// Normalises (x, y) and returns the length it had; a length of 0 or less
// gives (0, 1).
float vec2_normalize(vec3& v);

struct weapon_action_set {
  std::int32_t ready = -1;
  std::int32_t release = -1;
  std::int32_t parry = -1;
  // 1 overhead from horseback, 2 a couched or mounted thrust.
  std::int32_t mode = 0;
};
// The ready, release and parry actions of an attack direction (0 thrust, 1
// from the right, 2 from the left, 3 overhead) for what the hand holds.
weapon_action_set get_weapon_action_set(const agent& a, int hand, int direction);

// --- action variants ----------------------------------------------------------------

struct action_table;

// Weights of an action's variants for the agent: the variants whose wishes
// (bit 24: the agent's variant flag bit 2; bit 25: its bit 3 while riding)
// score highest get 1, the others 0. Empty for an action outside the table.
std::vector<float> get_variant_weights(const agent& a, const action_table& actions, int action);
// A variant of the action on the channel (the requested one, else the one
// playing), drawn by weight; -1 when the action has none (or lies outside the
// table).
int choose_action_variant(mission& m, const agent& a, int channel, const action_table& actions);

}  // namespace hm
