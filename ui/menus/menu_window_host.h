#pragma once
// What the menu windows need of the layers above the user interface (the
// application shell, the mission, the campaign's saves): starting a game,
// quitting, setting a mission up, the encounter's result and the module's
// loading end. The shell installs its own host; until then (and in tests)
// a stand-in answers: nothing happens and no saved game exists.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

class menu_window_host {
 public:
  virtual ~menu_window_host() = default;

  // --- the game ---
  // The game's menu-result word that the state dispatcher applies to the
  // encounter (bit 0: the encounter is over). Null while no game runs.
  virtual std::int32_t* menu_result_word() { return &menu_result_; }
  // The campaign's part of a finished encounter (wounds, the battle, the
  // player's party) before the window goes on.
  virtual void apply_encounter_results() {}
  // The no-save flag of the running game (save entries disabled) and its
  // save-slot word (0: the game offers no slots of its own).
  virtual bool saving_blocked() const { return false; }
  virtual std::int32_t save_slot_word() const { return 0; }
  // The slot of the current module's latest saved game, -1 for none.
  virtual std::int32_t latest_save_slot() const { return -1; }
  // Saves the running game into the slot (-1: its current slot) under the
  // name (null: the game's save name); 0 when saved. The player is told the
  // outcome. The stand-in saves nothing and says so with its result.
  virtual int save_game(std::int32_t /*slot*/, const ruv_string* /*name*/) { return -1; }
  // Ends the running game (the main menu opens next).
  virtual void end_game() {}
  // The player troop's name (the default name of a new save).
  virtual ruv_string player_name() const { return {}; }
  // Brings the game's average difficulty up to date before it is left.
  virtual void update_difficulty() {}

  // --- the front end ---
  // The launch window (3) started in mode 0 new game, 2 custom battle or 3
  // tutorial, with the argument the launch hands on; the window is switched
  // to by the caller.
  virtual void prepare_launch(std::int32_t /*mode*/, std::int32_t /*argument*/) {}
  // The application's quit flag.
  virtual void request_quit() { quit_requested = true; }
  // The module's loading steps are done: device objects of what the files
  // brought are made; the main menu opens next.
  virtual void module_loaded() {}

  // --- the mission ---
  // Sets the mission up with the serial number (the mission window's frame).
  virtual void set_up_mission(std::int32_t /*serial*/) {}

  bool quit_requested = false;

 private:
  std::int32_t menu_result_ = 0;
};

// The host in force (never null: the stand-in when none is installed).
menu_window_host& current_menu_host();
// Installs a host (null: the stand-in again); returns the previous one.
menu_window_host* set_menu_window_host(menu_window_host* host);

// Installs a host for its lifetime and puts the previous one back.
class scoped_menu_window_host {
 public:
  explicit scoped_menu_window_host(menu_window_host& host) : previous_(set_menu_window_host(&host)) {}
  ~scoped_menu_window_host() { set_menu_window_host(previous_); }
  scoped_menu_window_host(const scoped_menu_window_host&) = delete;
  scoped_menu_window_host& operator=(const scoped_menu_window_host&) = delete;

 private:
  menu_window_host* previous_;
};

}  // namespace hm
