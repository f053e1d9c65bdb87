#include "mission/screen/mission_hud.h"

#include <cmath>
#include <memory>

#include "engine/resource/mesh.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/item_visibility.h"
#include "mission/control/weapon_choice.h"
#include "mission/control/wielding.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/rider_aim.h"
#include "mission/screen/item_preview.h"
#include "mission/screen/screen_controls.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"

namespace hm {

namespace {

constexpr std::uint32_t all_passes = 0xFFFF;
constexpr std::uint32_t reflection_pass_only = 0x2000;
constexpr float crosshair_turn = 2.2689280f;  // 130 degrees

widget* add_image(container& parent, const char* mesh_name, ui_vec2 position, ui_vec2 size) {
  auto w = std::make_unique<widget>();
  w->set_position(position);
  w->set_size(size);
  if (auto m = g_ui_manager.resource_mesh_copy(mesh_name)) w->set_mesh(slot_background, std::move(m));
  return parent.add_child(std::move(w));
}

widget* add_count_text(container& parent, std::uint32_t colour) {
  widget* t = make_label(parent, ruv_string(), 0.0719f, 0.045f, 0.12f, 0.024f);
  t->set_text_flags(ui_text_flag::align_right);
  t->set_colour(colour);
  return t;
}

bool is_ranged_type(int type) { return type == 8 || type == 9 || type == 10 || type == 16 || type == 17; }
bool is_melee_type(int type) { return type == 2 || type == 3 || type == 4; }

// The ammunition's picture and its shadow, a little larger, offset and
// further back, in the shadow material.
void show_ammo_picture(mission_hud_widgets& w, const item& ammo) {
  if (!w.ammo_picture) return;
  frame turn = frame::identity();
  turn.rotate_z(-1.45f);
  std::unique_ptr<mesh> picture = create_item_preview_mesh(ammo, 0.055f);
  inflate_along_normals(*picture, 0.0005f);
  picture->transform(turn);
  picture->translate(vec3(0.0f, 0.0f, 10.0f));
  std::unique_ptr<mesh> shadow = picture->create_copy();
  shadow->scale_uniform(1.05f);
  shadow->translate(vec3(0.0012f, -0.001f, 10.0f));
  shadow->set_material(g_ui_manager.ui_material("ui_item_shadow"));
  shadow->set_vertex_color(0xFF777777u);
  w.ammo_picture->set_mesh(slot_background, std::move(picture));
  w.ammo_picture->set_mesh(slot_up, std::move(shadow));
}

void set_visible(widget* w, bool shown) {
  if (!w) return;
  if (shown) w->show();
  else w->hide();
}

}  // namespace

int shield_level(int hit_points, int maximum) {
  if (maximum <= 0) return 0;
  return static_cast<int>(5.0f * static_cast<float>(hit_points) / static_cast<float>(maximum) + 0.999f);
}

std::string shield_picture_name(int level) {
  if (level <= 0) return {};
  return "status_shield_" + std::to_string(20 * std::min(level, 5));
}

std::uint32_t ammo_count_colour(int count) { return count < 1 ? 0xFFB02020u : 0xFFFFFFFFu; }

float approach_alpha(float alpha, float target, float rate, float t) {
  if (alpha < target) return std::min(target, alpha + 1.2f * rate * t);
  if (alpha > target) return std::max(target, alpha - rate * t);
  return alpha;
}

int arrow_of_attack_direction(int direction) {
  switch (direction) {
    case 3: return 0;
    case 1: return 1;
    case 0: return 2;
    case 2: return 3;
    default: return -1;
  }
}

void update_player_body_visibility(mission& m) {
  agent* a = m.get_live_agent(m.player_agent);
  if (!a) return;
  const std::uint32_t mask = g_first_person_view ? reflection_pass_only : all_passes;
  if (a->body_entity) set_entity_show_word(*a->body_entity, mask);
  for (int slot = agent_slot_head; slot <= agent_slot_hand; ++slot)
    if (entity* e = a->item_entities[static_cast<std::size_t>(slot)]) set_entity_show_word(*e, mask);
}

void build_mission_hud(mission& m, mission_screen_state& st, mission_hud_widgets& w) {
  st.first_frames = 0;
  g_ui_manager.clear();
  st.prompt_timer.set_elapsed(100.0f);
  st.order_timer.set_elapsed(100.0f);
  st.prompt = prompt_kind::none;
  st.prompt_in_range = 0;
  st.leave_answer = -1;
  st.game.scene_save_answer = -1;
  st.game.edit_mode = 0;
  st.paused = 0;
  st.slow_motion = 0;
  w = mission_hud_widgets{};

  auto root = std::make_unique<window_container>();
  root->set_position({0.0f, 0.0f});
  root->set_size({1.0f, 0.75f});
  const char* crosshair_meshes[3] = {"crosshair_up", "crosshair_left", "crosshair_right"};
  for (int i = 0; i < 3; ++i) w.crosshair[i] = add_image(*root, crosshair_meshes[i], {0.5f, 0.375f}, {0.03f, 0.04f});
  const char* arrow_meshes[4] = {"arrow_up", "arrow_right", "arrow_down", "arrow_left"};
  const ui_vec2 arrow_places[4] = {{0.5f, 0.45f}, {0.65f, 0.35f}, {0.5f, 0.3f}, {0.35f, 0.35f}};
  for (int i = 0; i < 4; ++i) w.arrows[i] = add_image(*root, arrow_meshes[i], arrow_places[i], {0.03f, 0.04f});
  for (widget* x : w.crosshair) set_visible(x, false);
  for (widget* x : w.arrows) set_visible(x, false);

  auto panel = std::make_unique<container>();
  panel->set_position({0.8762f, 0.0244f});
  panel->set_size({0.17f, 0.1175f});
  if (auto bg = g_ui_manager.resource_mesh_copy("status_background")) panel->set_mesh(slot_background, std::move(bg));
  w.health_bar = add_image(*panel, "status_health_bar", {0.0f, 0.0f}, {0.1065f, 0.005f});
  w.ammo_picture = add_image(*panel, "", {0.0725f, 0.0507f}, {0.04f, 0.05f});
  w.shield_picture = add_image(*panel, "", {0.025f, 0.05f}, {0.05f, 0.06f});
  w.ammo_count = add_count_text(*panel, 0xFFFFFFFFu);
  w.ammo_count_shadow = add_count_text(*panel, 0xFF000000u);
  w.status_panel = root->add_child(std::move(panel));

  auto view = std::make_unique<mesh_view_widget>();
  view->set_position({0.0f, 0.0f});
  view->set_size({1.0f, 0.75f});
  w.view = static_cast<mesh_view_widget*>(root->add_child(std::move(view)));

  w.root = root.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(root));
  update_status_bars(m, st, w);

  const agent* player = m.get_live_agent(m.player_agent);
  const bool mounted = player && player->mount >= 0;
  st.cam.low_offset = mounted ? 0.1f : 0.0f;
  st.cam.height = mounted ? 2.4f : 1.65f;
  st.cam.yaw_speed = 0.0f;
  st.cam.pitch_speed = 0.0f;
  st.cam.yaw = player ? std::atan2(-player->forward().x, player->forward().y) : 0.0f;
}

void update_status_bars(mission& m, const mission_screen_state& st, mission_hud_widgets& w) {
  agent* a = m.get_live_agent(m.player_agent);
  if (!a || !w.status_panel) return;
  set_visible(w.status_panel, st.game.hide_panel == 0);

  const int h = static_cast<int>(a->hit_points);
  if (h != w.shown_hit_points && w.health_bar) {
    w.shown_hit_points = h;
    if (auto bar = g_ui_manager.resource_mesh_copy("status_health_bar")) {
      const float ratio = a->max_hit_points > 0.0f ? std::max(0.0f, static_cast<float>(h)) / a->max_hit_points : 0.0f;
      bar->scale(ratio, 1.0f, 1.0f);
      w.health_bar->set_mesh(slot_background, std::move(bar));
    }
  }

  const item weapon = get_wielded_item(*a, 0);
  const item_kind* wk = weapon.get_kind();
  const bool uses_ammo = wk && is_ranged_type(wk->type());
  const ammunition_info ammo = uses_ammo ? get_ammunition(*a, -1) : ammunition_info{};
  const int count = uses_ammo ? get_ammunition(*a) : -1;
  const int ammo_item = uses_ammo ? ammo.item_kind : -1;
  if (count != w.shown_ammo || ammo_item != w.shown_ammo_item) {
    w.shown_ammo = count;
    if (ammo_item != w.shown_ammo_item && ammo_item >= 0) {
      item shown;
      shown.kind = ammo_item;
      if (ammo.slot >= 0) shown = a->equipment[static_cast<std::size_t>(ammo.slot)];
      show_ammo_picture(w, shown);
    }
    w.shown_ammo_item = ammo_item;
    const ruv_string text(std::to_string(count));
    for (widget* t : {w.ammo_count, w.ammo_count_shadow}) {
      if (!t) continue;
      t->set_text(text);
      set_visible(t, count >= 0);
    }
    if (w.ammo_count) w.ammo_count->set_colour(ammo_count_colour(count));
    set_visible(w.ammo_picture, count >= 0);
  }

  const int shield_slot = a->wielded_slots[1];
  int hp = -1;
  int max_hp = -1;
  if (shield_slot >= 0) get_shield_hit_points(*a, shield_slot, hp, max_hp);
  if (shield_slot < 0 || max_hp <= 0) {
    set_visible(w.shield_picture, false);
    w.shown_shield_slot = shield_slot;
    return;
  }
  const int level = shield_level(hp, max_hp);
  if (level == w.shown_shield_level && shield_slot == w.shown_shield_slot) return;
  w.shown_shield_level = level;
  w.shown_shield_slot = shield_slot;
  if (!w.shield_picture) return;
  const std::string name = shield_picture_name(level);
  if (name.empty()) {
    w.shield_picture->hide();
    return;
  }
  if (auto pic = g_ui_manager.resource_mesh_copy(name.c_str())) w.shield_picture->set_mesh(slot_background, std::move(pic));
  w.shield_picture->show();
}

float look_turn(const agent& a) {
  const vec3 f = a.forward();
  const vec3 l = a.input.direction_vec3();
  return std::atan2(f.x * l.y - f.y * l.x, f.x * l.x + f.y * l.y);
}

void update_aim_indicators(mission& m, const mission_screen_state& st, const screen_input& in,
                           mission_hud_widgets& w, float application_frame_time) {
  agent* a = m.get_live_agent(m.player_agent);
  if (!a) return;
  const float half_fov = st.cam.field_of_view * 0.5f * 3.14159265f / 180.0f;
  const float spread = std::tan(a->aim_deviation) * 0.5f / std::tan(half_fov);
  if (w.crosshair[0]) w.crosshair[0]->set_position({0.5f, 0.375f + spread});
  for (int side = 1; side <= 2; ++side) {
    const float turn = side == 1 ? crosshair_turn : -crosshair_turn;
    const ui_vec2 p{0.5f - spread * std::sin(turn), 0.375f + spread * std::cos(turn)};
    if (w.crosshair[static_cast<std::size_t>(side)]) w.crosshair[static_cast<std::size_t>(side)]->set_position(p);
  }

  std::array<float, 7> target{};
  const item weapon = get_wielded_item(*a, 0);
  const item_kind* wk = weapon.get_kind();
  if (wk && !in.held(control::view_outfit)) {
    const int type = wk->type();
    if (is_ranged_type(type) && g_game_options.show_targeting_reticule) {
      const bool releasing = a->channels[1].action == 72 && a->channels[1].progress >= 0.1f;
      const bool in_window = a->mount < 0 || in_rider_aim_window(a->wield_mode, look_turn(*a));
      if (!releasing && in_window) target[0] = target[1] = target[2] = 0.9f;
    } else if (is_melee_type(type) &&
               (g_game_options.show_attack_direction || g_game_options.control_attack_direction == 0)) {
      const int arrow = arrow_of_attack_direction(a->attack_direction);
      if (arrow >= 0) target[static_cast<std::size_t>(3 + arrow)] = 0.7f;
    }
  }
  for (std::size_t i = 0; i < 7; ++i) {
    const float rate = i < 3 ? 0.5f : 2.5f;
    w.aim_alpha[i] = approach_alpha(w.aim_alpha[i], target[i], rate, application_frame_time);
    widget* x = i < 3 ? w.crosshair[i] : w.arrows[i - 3];
    if (!x) continue;
    const std::uint32_t alpha = static_cast<std::uint32_t>(w.aim_alpha[i] * 255.0f);
    x->set_colour((alpha << 24) | (i < 3 ? 0xFFFFFFu : 0xFFBB11u));
    set_visible(x, alpha != 0);
  }
}

}  // namespace hm
