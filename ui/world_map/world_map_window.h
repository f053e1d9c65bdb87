#pragma once
// The world map window (7): the campaign map in a 3D view under a bar of
// buttons (camp, reports, quests, inventory, character, party; the terrain
// editor's in edit mode), with the time and date lines at the bar's right
// end and the paused and waiting notices. Each frame it advances the
// campaign through its host, moves the camera, draws the parties' icons
// where they stand, and sends the player's party where the player clicks.
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "render/entity/render_view.h"
#include "ui/windows/game_window.h"
#include "ui/world_map/map_camera.h"

namespace hm {

class campaign_game;
class mesh;
class mesh_view_widget;
class widget;
struct mesh_light;

// What the window needs of the layers above it.
class world_map_host {
 public:
  virtual ~world_map_host() = default;
  // The running campaign; null when none runs.
  virtual campaign_game* campaign() = 0;
  // Advances the campaign by a frame of real time (its clock and the parties'
  // movement).
  virtual void advance(float seconds) = 0;
};

class world_map_window final : public top_level_window {
 public:
  world_map_window();
  ~world_map_window() override;

  void build() override;
  void frame(float seconds) override;
  void leave() override;
  void queue_scene(std::uint32_t width, std::uint32_t height) override;

  void set_host(world_map_host* h) { host = h; }
  world_map_host* host = nullptr;

  // A click at a ground point: the player's party goes there when the point's
  // ground is linked to the party's own; a click on another party makes the
  // player's party go for it. False when nothing was ordered.
  bool order_player_to_point(float x, float y, int face);
  bool order_player_to_party(std::int32_t party_id);
  // The context menu of a party (-1 closes it): the party's name in its
  // label colour over the rows module code gave it, the highlighted row red.
  // A new menu opens over the party; a refresh keeps its place.
  void show_party_context_menu(std::int32_t party_id);
  // Opens the menu for the party when module code gives it any row.
  bool open_party_context_menu(std::int32_t party_id);
  // Serves the open menu for a mouse at `mouse` with `released` set on a
  // release over the map: only a row the mouse is over acts.
  void serve_context_menu(const ui_vec2& mouse, bool released);
  bool context_menu_open = false;
  std::int32_t context_party = -1;
  std::int32_t highlighted_item = -1;
  // The menu's lower-left corner in interface space and its size.
  ui_vec2 menu_corner;
  ui_vec2 menu_size;

  // The party under the mouse (-1 none) and the ground point under it.
  std::int32_t party_under_mouse(vec3* ground, int* face) const;

  container* bar = nullptr;
  widget* terrain_button = nullptr;
  widget* camp_button = nullptr;
  widget* reports_button = nullptr;
  widget* quests_button = nullptr;
  widget* inventory_button = nullptr;
  widget* character_button = nullptr;
  widget* party_button = nullptr;
  widget* time_line = nullptr;
  widget* date_line = nullptr;
  mesh_view_widget* map_view = nullptr;
  widget* paused_notice = nullptr;
  widget* wait_notice = nullptr;
  map_camera camera;
  // The camera follows the followed party (the player's unless told).
  bool camera_follow = true;
  std::int32_t followed_party = -1;
  float icon_scale = 1.0f;

 private:
  void sync_party_icons();
  void read_camera_keys(float seconds);
  void serve_buttons();
  map_camera::inputs camera_inputs() const;

  struct party_icon {
    std::int32_t icon = -1;
    std::unique_ptr<mesh> figure;
    hm::frame placement = hm::frame::identity();
  };
  std::unordered_map<std::int32_t, party_icon> icons_;
  std::int32_t shown_menu_party_ = -1;
  render_view view_;
  std::vector<std::unique_ptr<mesh_light>> lights_;
};

}  // namespace hm
