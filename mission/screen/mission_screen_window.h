#pragma once
// Window 14, the screen on which every battle and scene visit is played. Each
// frame it holds the physics lock, turns the player's keys and mouse into the
// player agent's input, steps the mission, keeps the display and the camera
// current, acts on the screen's own keys (orders, groups, the action key,
// leaving, the other screens) and starts the next screen when the mission
// ends.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mission/screen/battle_drawing.h"
#include "mission/screen/mission_hud.h"
#include "mission/screen/mission_screen_state.h"
#include "mission/screen/player_input.h"
#include "mission/screen/scene_edit_mode.h"
#include "mission/screen/screen_controls.h"
#include "ui/windows/game_window.h"

namespace hm {

class mission;
class window_manager;

// One line of the overlay box of text.
struct overlay_line {
  std::string text;
  float size = 0.03f;
  std::uint32_t colour = 0xFFFFFFFFu;
};

// What the screen reaches beyond the mission: the template's triggers, the
// message log, the order routine, the other screens and the campaign. The
// defaults use the engine's globals; tests record the calls.
class mission_screen_host {
 public:
  virtual ~mission_screen_host();
  // Clears the trigger result, checks every trigger of the current template
  // with the event and returns the result.
  virtual std::int64_t check_template_triggers(mission& m, std::int32_t event_code);
  virtual void add_message(const std::string& text, std::uint32_t colour);
  // Replaces the overlay box's lines (none: the box is emptied) and places
  // the box.
  virtual void show_overlay(const std::vector<overlay_line>& lines, float x, float y);
  // The text of a language key.
  virtual std::string text(const char* key);
  // Gives the order to the team's selected groups.
  virtual void issue_order(mission& m, int team, int order_code);
  virtual bool set_window(int id);
  virtual bool push_window(int id);
  // Serves the meta mission's requests (the next screen).
  virtual void dispatch_requests();
  virtual void quick_save();
  // The outcome applied to the campaign (mission left for another scene or
  // for good).
  virtual void apply_mission_results(mission& m);
  virtual void start_conversation(mission& m, int agent_index);
  // The target scene of a passage of the current scene; -1 for a passage
  // outside the scene's table.
  virtual std::int32_t passage_target(mission& m, int passage);
  // The game's scene count.
  virtual int scene_count();
  // The screen's height / width.
  virtual float screen_aspect();
  // Asks for mission set-up of the scene the game moves to, at that entry.
  virtual void request_mission_setup(int scene, int entry);

  // What the action prompt names and does.
  virtual std::string item_name(int kind, std::uint32_t word);
  virtual std::string troop_name(int troop);
  virtual std::string scene_name(int scene);
  virtual int riding_skill(int troop);
  // The current scene's chest count, and the troop of a chest (-1 none).
  virtual int chest_count(mission& m);
  virtual std::int32_t chest_troop(mission& m, int chest);
  // The current game menu's item count (-1 with no menu current), an item's
  // door name, and running an item's consequences.
  virtual int menu_item_count();
  virtual std::string menu_item_title(int item);
  virtual void run_menu_item(mission& m, int item);
  // The game's rest is pending: the end of the mission goes to the rest
  // window in place of the return window.
  virtual bool rest_pending();
  // With return window 100: the current game menu's flags (0 without one)
  // and the request that the menu be run again.
  virtual std::uint64_t current_menu_flags();
  virtual void request_menu_refresh();
  // The scene editor: entering (its selection cleared, its marker entities
  // made), one frame of it, and leaving it.
  virtual void enter_edit_mode(mission& m, edit_mode_view& view);
  virtual void edit_mode_frame(mission& m, edit_mode_view& view);
  virtual void leave_edit_mode(mission& m, edit_mode_view& view);
  // Writes the edited scene back to its scene-object file.
  virtual void save_scene(mission& m);
};

// Whether the window's presentation runs and takes the player's input (its
// flag bit 0 lets the mission keep the input and the camera).
bool presentation_blocks_input(const game_window& w);

// The target of a passage that leads out of the scene.
inline constexpr std::int32_t passage_leaves_scene = 100000;
// A return window that hands the end to the meta mission's requests.
inline constexpr std::int32_t return_to_game_menu = 100;

class mission_screen_window final : public top_level_window {
 public:
  explicit mission_screen_window(std::function<mission*()> current);
  ~mission_screen_window() override;

  void build() override;
  void frame(float seconds) override;
  void reset_hook() override;
  // The cursor shows while a presentation that takes the mouse runs.
  bool shows_cursor() const override { return presentation_blocks_input(*this); }
  // The battle through the display's 3D view, behind the display.
  void queue_scene(std::uint32_t width, std::uint32_t height) override;

  // Replaces the host (null: the defaults) and the input source.
  void set_host(mission_screen_host* h);
  screen_input input;
  player_input_settings settings;

  mission_screen_state state;
  mission_hud_widgets hud;
  mission_scene_drawing drawing;

 private:
  std::function<mission*()> current_;
  std::unique_ptr<mission_screen_host> default_host_;
  mission_screen_host* host_ = nullptr;
};

// One frame of the screen (the window's frame slot).
void mission_screen_frame(mission& m, mission_screen_state& st, mission_hud_widgets& hud, mission_screen_host& host,
                          const screen_input& in, player_input_settings settings, float frame_time,
                          game_window& self);

// Installs window 14 into the window manager; `current` gives the mission of
// the run. False when the manager refused it.
bool install_mission_screen(window_manager& manager, std::function<mission*()> current);

}  // namespace hm
