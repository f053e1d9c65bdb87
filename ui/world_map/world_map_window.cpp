#include "ui/world_map/world_map_window.h"

#include <algorithm>
#include <cmath>

#include "campaign/ai/party_ai.h"
#include "campaign/game/campaign_game.h"
#include "engine/app/input_state.h"
#include "engine/core/log.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "module/base/module_settings.h"
#include "module/records/map_icon.h"
#include "module/text/translation_table.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"
#include "render/view/interface_view.h"
#include "script/game_hooks.h"
#include "script/script_host.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/front_menus.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"
#include "ui/world_map/map_labels.h"
#include "ui/world_map/map_picking.h"

namespace hm {

namespace {

// Key codes of the camera's keys and the report menu's number.
constexpr int key_up = 200;
constexpr int key_left = 203;
constexpr int key_right = 205;
constexpr int key_down = 208;
constexpr int key_left_control = 29;
constexpr int key_left_shift = 42;
constexpr int key_wheel_up = 238;
constexpr int key_wheel_down = 239;
constexpr std::int32_t reports_menu = 4;
constexpr std::uint32_t map_clear_colour = 0xFF5A7A9Au;

ruv_string ui_text(const char* key) { return g_translation_table.get_string_by_id(key); }

float map_ground_height(void* context, float x, float y) {
  const world_map& map = *static_cast<const world_map*>(context);
  const int face = map.find_face_at(x, y);
  return face >= 0 ? map.height_at(face, x, y) : -1.0e9f;
}

// Opens a window over the map that comes back to it.
void open_from_map(int id, std::int32_t mode) {
  game_window* w = g_window_manager.window(id);
  if (!w) return;
  w->return_window = window_id::world_map;
  w->mode = mode;
  g_window_manager.set_window(id);
}

}  // namespace

world_map_window::world_map_window() = default;
world_map_window::~world_map_window() {
  view_.lights.clear();
  view_.destroy();
}

void world_map_window::build() {
  g_ui_manager.clear();
  camera_follow = true;
  campaign_game* c = host ? host->campaign() : nullptr;
  followed_party = c ? c->state.player_party : -1;

  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  root = r.get();
  g_ui_manager.redraw = 1;

  // The map view goes in first so that the bar and the notices lie over it.
  auto v = std::make_unique<mesh_view_widget>();
  v->set_position({0.0f, 0.04f});
  v->set_size({1.0f, 0.71f});
  map_view = r->add(std::move(v));

  auto b = std::make_unique<container>();
  b->set_position({0.0f, 0.0f});
  b->set_size({1.0f, 0.05f});
  if (auto m = g_ui_manager.resource_mesh_copy("map_bar")) b->set_mesh(slot_background, std::move(m));
  container& bar_ref = *b;
  constexpr float y = 0.006f;
  constexpr float h = 0.03f;
  terrain_button = g_ruv_config.enable_edit_mode ? make_short_button(bar_ref, ui_text("ui_terrain"), 0.002f, y, h)
                                                 : nullptr;
  camp_button = make_medium_button(bar_ref, ui_text("ui_camp"), 0.1f, y, h);
  reports_button = make_medium_button(bar_ref, ui_text("ui_reports"), 0.216f, y, h);
  quests_button = make_medium_button(bar_ref, ui_text("ui_quests"), 0.332f, y, h);
  inventory_button = make_medium_button(bar_ref, ui_text("ui_inventory"), 0.448f, y, h);
  character_button = make_medium_button(bar_ref, ui_text("ui_character"), 0.564f, y, h);
  party_button = make_medium_button(bar_ref, ui_text("ui_party"), 0.68f, y, h);
  time_line = make_text_label(bar_ref, ruv_string(), 0.8f, -0.006f, 0.2f, 0.027f);
  date_line = make_text_label(bar_ref, ruv_string(), 0.8f, 0.015f, 0.2f, 0.027f);
  bar = static_cast<container*>(r->add_child(std::move(b)));

  paused_notice = make_label(*r, ui_text("ui_paused"), 0.445f, 0.06f, 0.09f, 0.04f);
  paused_notice->set_colour(0xFFFFFFFFu);
  paused_notice->set_text_size({0.03f, 0.03f});
  paused_notice->hide();
  wait_notice = make_label(*r, ui_text("ui_click_left_button_to_cancel_wait"), 0.73f, 0.045f, 0.27f, 0.03f);
  wait_notice->set_colour(0xFFFFFFFFu);
  wait_notice->set_text_size({0.018f, 0.018f});
  wait_notice->hide();
  g_ui_manager.push_root_widget(std::move(r));

  // The camera starts over the player's party; heading and distance stay.
  if (c) {
    if (const party* p = c->state.find_party(c->state.player_party))
      camera.target = vec3(p->position.x, p->position.y, p->position.z + 1.0f);
  }
  camera.pan[0] = camera.pan[1] = 0.0f;
  camera.heading_velocity = 0.0f;
  camera.zoom_velocity = 0.0f;
  camera.view.set_perspective(1.0f, 0.71f, 0.2f, 300.0f);
  icon_scale = map_icon_scale(camera.distance);
  camera.update(0.0f, camera_inputs());
  map_view->view_camera = camera.view;
  sync_party_icons();
}

void world_map_window::leave() {
  if (context_menu_open) show_party_context_menu(-1);
  context_menu_open = false;
  top_level_window::leave();
  bar = nullptr;
  terrain_button = camp_button = reports_button = quests_button = inventory_button = character_button =
      party_button = nullptr;
  time_line = date_line = paused_notice = wait_notice = nullptr;
  map_view = nullptr;
  root = nullptr;
}

map_camera::inputs world_map_window::camera_inputs() const {
  map_camera::inputs in;
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c) return in;
  in.min_x = g_map_bounds.min_x;
  in.min_y = g_map_bounds.min_y;
  in.max_x = g_map_bounds.max_x;
  in.max_y = g_map_bounds.max_y;
  const world_map& map = c->map.map;
  if (!map.vertices.empty()) {
    in.ground_height = map_ground_height;
    in.ground_context = const_cast<world_map*>(&map);
  }
  in.follow = camera_follow;
  if (const party* p = c->state.find_party(followed_party)) {
    in.party_active = true;
    in.party_position = p->position;
  }
  in.free_zoom = g_ruv_config.cheat_mode && g_input_state.is_key_down(key_left_control) &&
                 g_input_state.is_key_down(key_left_shift);
  return in;
}

void world_map_window::read_camera_keys(float seconds) {
  // The arrow keys pan along the heading and stop following the party.
  float ax = 0.0f;
  float ay = 0.0f;
  if (g_input_state.is_key_down(key_up)) ay += 1.0f;
  if (g_input_state.is_key_down(key_down)) ay -= 1.0f;
  if (g_input_state.is_key_down(key_right)) ax += 1.0f;
  if (g_input_state.is_key_down(key_left)) ax -= 1.0f;
  if (ax != 0.0f || ay != 0.0f) {
    const float step = (camera.distance + 10.0f) * seconds;
    const float c = std::cos(camera.heading);
    const float s = std::sin(camera.heading);
    camera.pan[0] += step * (ax * c - ay * s);
    camera.pan[1] += step * (ax * s + ay * c);
    camera_follow = false;
    campaign_game* g = host ? host->campaign() : nullptr;
    followed_party = g ? g->state.player_party : -1;
  }
  // The wheel zooms by a fifth of the distance a step: up comes closer.
  if (g_input_state.is_key_clicked(key_wheel_up)) camera.zoom_velocity -= 0.2f * camera.distance;
  if (g_input_state.is_key_clicked(key_wheel_down)) camera.zoom_velocity += 0.2f * camera.distance;
}

void world_map_window::serve_buttons() {
  auto take = [](widget* w) { return w && w->take_event(ui_event::clicked); };
  if (take(terrain_button)) {
    open_from_map(window_id::terrain_generator, 0);
    return;
  }
  if (take(reports_button) || take(camp_button)) {
    // The camp and the reports are module menus; the reports have a fixed number.
    script_campaign_host* campaign = current_script_host().campaign;
    if (campaign) campaign->game_words().current_menu = reports_menu;
    open_from_map(window_id::game_menu, 0);
    return;
  }
  if (take(quests_button)) {
    open_from_map(window_id::quests, 0);
    return;
  }
  if (take(inventory_button)) {
    open_from_map(window_id::inventory, 0);
    return;
  }
  if (take(character_button)) {
    open_from_map(window_id::character, 0);
    return;
  }
  if (take(party_button)) open_from_map(window_id::party, 0);
}

std::int32_t world_map_window::party_under_mouse(vec3* ground, int* face) const {
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c || !map_view) return -1;
  vec3 a;
  vec3 b;
  map_view->get_mouse_ray(a, b);
  vec3 point;
  int picked_face = -1;
  const bool hit = pick_map_ground(c->map.map, a, b, point, picked_face);
  const vec3 to = (hit ? point : b) - a;
  const float limit = std::sqrt(to.x * to.x + to.y * to.y + to.z * to.z) + 1.0f;
  if (ground) *ground = hit ? point : vec3();
  if (face) *face = hit ? picked_face : -1;
  std::vector<map_pick_candidate> candidates;
  party_pool& pool = c->state.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    const party* p = pool.find_active(id);
    if (!p) continue;
    map_pick_candidate k;
    k.id = id;
    k.position = p->position;
    k.radius = 0.9f * std::max(1.0f, icon_scale);
    k.is_player = id == c->state.player_party;
    k.excluded = (p->flags & (party_flag_hidden | party_flag_no_troop_count)) != 0;
    candidates.push_back(k);
  }
  return pick_map_party(candidates, a, b, limit);
}

bool world_map_window::order_player_to_point(float x, float y, int face) {
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c || !c->map.travel) return false;
  party* p = c->state.find_party(c->state.player_party);
  if (!p) return false;
  // Ground the party cannot walk to (across water) leaves its orders.
  if (!c->map.map.faces_are_linked(face, p->map_face)) return false;
  p->current_behaviour = behaviour::go_to_point;
  p->current_position_target[0] = x;
  p->current_position_target[1] = y;
  apply_behaviour(*c->map.travel, *p);
  return true;
}

bool world_map_window::order_player_to_party(std::int32_t party_id) {
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c || !c->map.travel || party_id == c->state.player_party) return false;
  party* p = c->state.find_party(c->state.player_party);
  if (!p || !c->state.find_party(party_id)) return false;
  p->current_behaviour = behaviour::attack;
  p->current_target = party_id;
  apply_behaviour(*c->map.travel, *p);
  return true;
}

void world_map_window::show_party_context_menu(std::int32_t party_id) {
  g_ui_manager.reset_overlay_texts(nullptr, true);
  campaign_game* c = host ? host->campaign() : nullptr;
  const party* p = c && party_id >= 0 ? c->state.find_party(party_id) : nullptr;
  script_campaign_host* campaign = current_script_host().campaign;
  if (!p || !campaign) {
    shown_menu_party_ = -1;
    return;
  }
  const game_script_words& words = campaign->game_words();
  const party* player = c->state.find_party(c->state.player_party);
  const float relation = player ? c->state.world.faction_relation(p->faction, player->faction) : 0.0f;
  g_ui_manager.add_overlay_text_line(p->name, 1.0f, relation_to_label_colour(relation, true), false);
  const int n = std::clamp(words.context_menu_count, 0, game_script_words::context_menu_size);
  for (int i = 0; i < n; ++i)
    g_ui_manager.add_overlay_text_line(words.context_menu[static_cast<std::size_t>(i)].text, 1.0f,
                                       i == highlighted_item ? 0xFFFF0000u : 0xFFFFFFFFu, false);
  menu_size = {0.2f, static_cast<float>(n + 1) * 0.015f};
  if (party_id != shown_menu_party_ && map_view) {
    // A new menu opens over the party.
    float sx = 0.5f;
    float sy = 0.5f;
    camera.view.world_to_screen(p->position, sx, sy);
    menu_corner = {std::clamp(map_view->absolute_position.x + sx * map_view->size.x, 0.05f, 0.95f),
                   map_view->absolute_position.y + (1.0f - sy) * map_view->size.y};
  }
  g_ui_manager.set_overlay_position(menu_corner);
  shown_menu_party_ = party_id;
}

bool world_map_window::open_party_context_menu(std::int32_t party_id) {
  script_campaign_host* campaign = current_script_host().campaign;
  if (!campaign) return false;
  game_script_words& words = campaign->game_words();
  words.context_menu_count = 0;
  highlighted_item = -1;
  context_party = party_id;
  call_game_script(game_hook_code::game_context_menu_get_buttons, party_id, 0);
  if (words.context_menu_count <= 0) return false;
  context_menu_open = true;
  shown_menu_party_ = -1;
  show_party_context_menu(party_id);
  return true;
}

void world_map_window::serve_context_menu(const ui_vec2& mouse, bool released) {
  script_campaign_host* campaign = current_script_host().campaign;
  if (!campaign) {
    context_menu_open = false;
    return;
  }
  const game_script_words& words = campaign->game_words();
  const int n = std::clamp(words.context_menu_count, 0, game_script_words::context_menu_size);
  const float rx = mouse.x - menu_corner.x;
  const float ry = mouse.y - menu_corner.y;
  const float w = menu_size.x;
  const float h = menu_size.y;
  highlighted_item = context_menu_item_at(n, rx, ry, w, h);
  const bool inside = rx >= -0.01f && rx <= w + 0.01f && ry >= -0.01f && ry <= h + 0.01f;
  const bool far_out = rx < -0.2f || rx > w + 0.2f || ry < -0.2f || ry > h + 0.2f;
  if (far_out || (released && !inside) || (released && inside)) {
    const std::int32_t item = released && inside ? highlighted_item : -1;
    context_menu_open = false;
    show_party_context_menu(-1);
    // Only a row of the menu acts: the header and the margins do nothing.
    if (item >= 0 && item < n) {
      const std::int32_t code = words.context_menu[static_cast<std::size_t>(item)].value;
      campaign_game* c = host ? host->campaign() : nullptr;
      if (code == -7) {
        if (c && context_party != c->state.player_party) {
          camera_follow = true;
          followed_party = c->state.player_party;
          order_player_to_party(context_party);
        }
      } else {
        call_game_script(game_hook_code::game_event_context_menu_button_clicked, context_party, code);
      }
    }
    return;
  }
  show_party_context_menu(context_party);
}

void world_map_window::frame(float seconds) {
  if (host) host->advance(seconds);
  // The advance may have opened another window (an encounter, a menu).
  if (g_window_manager.top() != this) return;
  serve_buttons();
  if (g_window_manager.top() != this) return;
  read_camera_keys(seconds);
  if (context_menu_open) {
    const bool released = map_view && map_view->take_event(ui_event::release);
    serve_context_menu(g_ui_manager.mouse_position, released);
    if (released || g_window_manager.top() != this) return;
  } else if (map_view && map_view->take_event(ui_event::right_release)) {
    const std::int32_t hovered = party_under_mouse(nullptr, nullptr);
    if (hovered >= 0) open_party_context_menu(hovered);
  }
  if (!context_menu_open && map_view && map_view->take_event(ui_event::release)) {
    camera_follow = true;
    campaign_game* c = host ? host->campaign() : nullptr;
    followed_party = c ? c->state.player_party : -1;
    vec3 ground;
    int face = -1;
    const std::int32_t hovered = party_under_mouse(&ground, &face);
    if (hovered >= 0)
      order_player_to_party(hovered);
    else if (face >= 0)
      order_player_to_point(ground.x, ground.y, face);
  }
  if (camera.update(seconds, camera_inputs())) icon_scale = map_icon_scale(camera.distance);
  if (map_view) map_view->view_camera = camera.view;
  sync_party_icons();
}

void world_map_window::sync_party_icons() {
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c) {
    icons_.clear();
    return;
  }
  party_pool& pool = c->state.parties;
  for (auto it = icons_.begin(); it != icons_.end();)
    it = pool.find_active(it->first) ? std::next(it) : icons_.erase(it);
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    const party* p = pool.find_active(id);
    if (!p) continue;
    const auto icon = static_cast<std::int32_t>(p->flags & party_flag_icon_mask);
    party_icon& shown = icons_[id];
    if (shown.icon != icon || !shown.figure) {
      shown.icon = icon;
      shown.figure.reset();
      if (icon >= 0 && static_cast<std::size_t>(icon) < g_map_icons.size()) {
        const map_icon& record = g_map_icons[static_cast<std::size_t>(icon)];
        if (mesh* source = g_resource_manager.find_mesh(record.mesh_name)) {
          shown.figure = source->create_copy();
          shown.figure->scale_uniform(record.scale);
        }
      }
    }
    // Fixed places keep their size; moving parties grow with the distance so
    // that they stay readable far out.
    const float k = (p->flags & party_flag_fixed_place) ? 1.0f : icon_scale;
    hm::frame f = hm::frame::identity();
    f.rot.s = vec3(k, 0.0f, 0.0f);
    f.rot.f = vec3(0.0f, k, 0.0f);
    f.rot.u = vec3(0.0f, 0.0f, k);
    f.origin = p->position;
    shown.placement = f;
  }
}

void world_map_window::queue_scene(std::uint32_t width, std::uint32_t height) {
  campaign_game* c = host ? host->campaign() : nullptr;
  if (!c || !map_view || !c->scene.scene || map_view->is_hidden()) return;
  scene_world& scene = *c->scene.scene;
  const view_rectangle pixels = interface_area_pixels(map_view->absolute_position.x, map_view->absolute_position.y,
                                                      map_view->size.x, map_view->size.y, width, height);
  if (pixels.width == 0 || pixels.height == 0) return;
  view_.clear_meshes();
  view_.viewport = pixels;
  view_.flags = view_flag_clear_colour | view_flag_clear_depth;
  view_.fog = nullptr;
  view_.clear_colour = map_clear_colour;
  view_.lights_enabled = 1;
  view_.camera = camera.view;
  fit_view_window(view_.camera, pixels);
  put_scene_lights_in_view(scene, view_, lights_, false);
  scene.submit_to_view(view_, false);
  for (auto& [id, shown] : icons_)
    if (shown.figure) shown.figure->render(view_, shown.placement);
}

}  // namespace hm
