#pragma once
// The application's answers to what the menu windows and the mission screen
// ask of the layers above them: the game's words, the launch, quitting, the
// mission's set-up and results, and the way from a finished mission through
// the debrief back to the game's menus.
#include <cstdint>

#include "mission/screen/mission_screen_window.h"
#include "ui/menus/menu_window_host.h"
#include "ui/party/party_window.h"

namespace hm {

class game_application;

class application_menu_host final : public menu_window_host {
 public:
  explicit application_menu_host(game_application& app) : app_(app) {}

  // The dispatcher's menu-result word; null while no game runs.
  std::int32_t* menu_result_word() override;
  // A finished encounter's result, when one waits to be applied.
  void apply_encounter_results() override;
  void prepare_launch(std::int32_t mode, std::int32_t argument) override;
  void request_quit() override;
  void module_loaded() override;
  void set_up_mission(std::int32_t serial) override;
  // The game's quick-save block flag, and its save-mode word (the slots are
  // offered when it is not 0).
  bool saving_blocked() const override;
  std::int32_t save_slot_word() const override;
  // The newest slot file of the module.
  std::int32_t latest_save_slot() const override;
  int save_game(std::int32_t slot, const ruv_string* name) override;
  void end_game() override;
  ruv_string player_name() const override;
  void update_difficulty() override;

 private:
  game_application& app_;
};

class application_screen_host final : public mission_screen_host {
 public:
  explicit application_screen_host(game_application& app) : app_(app) {}

  // The mission's outcome reaches the campaign's troops and parties, and the
  // log gets each team's count of agents standing, wounded and killed; the
  // debrief follows.
  void apply_mission_results(mission& m) override;
  // The screen hands over every frame: only a request other than the game
  // menu's (which waits for the mission's end) is served, so that the
  // mission runs on until it ends or asks for another screen.
  void dispatch_requests() override;
  // The mission set-up of the scene the player moves to; no debrief between.
  void request_mission_setup(int scene, int entry) override;
  // The back buffer's height over its width.
  float screen_aspect() override;
  // Saves the running game into its current slot.
  void quick_save() override;
  // The scene editor the program handed to the application, when there is
  // one; without it the edit mode shows the markers only and the save writes
  // the mission's props back.
  void enter_edit_mode(mission& m, edit_mode_view& view) override;
  void edit_mode_frame(mission& m, edit_mode_view& view) override;
  void leave_edit_mode(mission& m, edit_mode_view& view) override;
  void save_scene(mission& m) override;
  // The talk with the agent's troop starts in this mission's scene; the
  // game's conversation troop is that troop.
  void start_conversation(mission& m, int agent_index) override;

 private:
  game_application& app_;
  // Set by the results of a mission that ended; its debrief is asked for
  // when the screen hands over.
  bool ended_ = false;
};

// The party screen's campaign and its conversations with the player's troops.
class application_party_host final : public party_window_host {
 public:
  explicit application_party_host(game_application& app) : app_(app) {}
  campaign_state* campaign() override;
  // Through the state dispatcher's conversation set-up, as a talk with a
  // troop of the player's party.
  void set_up_troop_conversation(std::int32_t troop, std::int32_t party, std::int32_t kind) override;

 private:
  game_application& app_;
};

// The line the log gets for a mission's end: per team that fielded agents,
// "team <t>: <n> standing, <n> wounded, <n> killed", joined by "; ".
std::string mission_casualty_line(const mission& m);

}  // namespace hm
