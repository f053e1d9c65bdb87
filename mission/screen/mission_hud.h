#pragma once
// The head-up display of the mission screen: the 3D view, the crosshair, the
// four attack-direction arrows and the status panel (health bar, ammunition
// and shield), and what each frame keeps current in them.
#include <array>
#include <cstdint>
#include <string>

#include "mission/screen/mission_screen_state.h"

namespace hm {

class mission;
class mesh_view_widget;
class widget;
class window_container;
struct agent;
struct screen_input;

struct mission_hud_widgets {
  window_container* root = nullptr;
  std::array<widget*, 3> crosshair{};
  std::array<widget*, 4> arrows{};
  widget* status_panel = nullptr;
  widget* health_bar = nullptr;
  widget* ammo_picture = nullptr;
  widget* shield_picture = nullptr;
  widget* ammo_count = nullptr;
  widget* ammo_count_shadow = nullptr;
  mesh_view_widget* view = nullptr;
  // What the panel shows now (rebuilt only on a change).
  std::int32_t shown_hit_points = -1;
  std::int32_t shown_ammo = -2;
  std::int32_t shown_ammo_item = -1;
  std::int32_t shown_shield_slot = -2;
  std::int32_t shown_shield_level = -1;
  // Crosshair pieces 0..2, arrows 3..6.
  std::array<float, 7> aim_alpha{};
};

// The status panel's shield picture for a shield's hit points: level
// floor(5 x hp / max + 0.999); 0 or less none (""), else
// "status_shield_20" .. "status_shield_100".
int shield_level(int hit_points, int maximum);
std::string shield_picture_name(int level);
// The ammunition count's colour: white, or 0xFFB02020 below 1.
std::uint32_t ammo_count_colour(int count);
// One alpha moved towards its target without overshooting: up by 1.2 x rate
// x t, down by rate x t.
float approach_alpha(float alpha, float target, float rate, float t);
// The arrow (0 up, 1 right, 2 down, 3 left) that lights for an attack
// direction (3 up, 1 right, 0 down, 2 left); -1 for none.
int arrow_of_attack_direction(int direction);

// Builds the screen's widgets and resets its per-visit state (the builder of
// the mission screen).
void build_mission_hud(mission& m, mission_screen_state& st, mission_hud_widgets& w);
void update_status_bars(mission& m, const mission_screen_state& st, mission_hud_widgets& w);
// The signed turn from the body's forward axis to the look direction
// (positive to the left), in the ground plane: what a rider's aiming window
// (by its wield mode) narrows.
float look_turn(const agent& a);
void update_aim_indicators(mission& m, const mission_screen_state& st, const screen_input& in,
                           mission_hud_widgets& w, float application_frame_time);
// Hides the player's body from every pass but the reflection's in
// first-person view, and shows it otherwise.
void update_player_body_visibility(mission& m);

}  // namespace hm
