#pragma once
// The running program's side of the state dispatcher and the launch: the
// game and its campaign, the one mission object with its set-up, and the
// switches between game windows, which go to the window manager.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mission/records/mission_services.h"
#include "mission/setup/module_mission_setup.h"
#include "shell/state/game_launch.h"
#include "shell/state/state_dispatcher.h"

namespace hm {

class binary_reader;
class campaign_game;
struct campaign_state;
struct party;
class mission;
class mission_script_host;
class mission_script_scope;
class mission_setup_steps;
class window_manager;

// The running program's mission services: the engine's own steps, with the
// reinforcements of the template's spawn records spawned through the set-up
// of the mission that runs.
class application_mission_services final : public mission_services {
 public:
  void check_reinforcements(mission& m) override;
  // The set-up of the running mission (null: none spawns).
  mission_setup_steps* steps = nullptr;
};

class application_hosts final : public dispatcher_host, public game_launch_host {
 public:
  // new_game makes the game object and its campaign (ending a running game
  // first); campaign reads the running campaign (null without a game).
  // Windows switch on `windows` (the program's g_window_manager).
  application_hosts(std::function<void()> new_game, std::function<campaign_game*()> campaign,
                    window_manager& windows);
  ~application_hosts() override;
  application_hosts(const application_hosts&) = delete;
  application_hosts& operator=(const application_hosts&) = delete;

  // --- windows ---
  // Refused (false, with a log line) for an id outside the table or without
  // a window object.
  bool set_window(int id) override;
  bool push_window(int id) override;
  void set_window_mode(int id, std::int32_t mode) override;
  void set_return_window(int id, std::int32_t value) override;
  // The window's reset hook; the next build starts over.
  void reset_window(int id) override;
  window_manager& windows;

  // --- the game ---
  // The pending jump values module code set for the next mission (its scene,
  // entry point and template) are the dispatcher's.
  dispatcher_game_words& game_words() override;
  const std::vector<mission_template>& mission_templates() override;
  void prepare_mission(const mission_preparation& p) override;
  void set_up_mission(std::int32_t sequence) override;
  void run_mission_frames(int count, float seconds) override;
  void set_up_conversation(std::int32_t troop, std::int32_t seed, std::int32_t party, std::int32_t kind) override;
  void start_scene_conversation(std::int32_t troop, std::int32_t party) override;
  // The game's conversation troop (also its exit troop, the one word module
  // code names it in).
  void set_conversation_troop(std::int32_t troop);
  std::int32_t party_leader(std::int32_t party) override;
  std::int32_t party_leader_seed(std::int32_t party) override;
  void set_encounter_side(meta_mission_words& m, std::int32_t side) override;
  std::int32_t battle_advantage() override;
  bool side_troops_spent(const meta_mission_words&) override;
  void remove_empty_stacks(const meta_mission_words&) override;
  void apply_encounter_results(const meta_mission_words& m) override;
  void add_message(const char* ui_key) override;
  void add_message(const char* ui_key, std::uint32_t colour);
  // Saves the running game into its current slot (-1) or a slot; the
  // player is told the outcome.
  void save_game(int slot) override;
  // The same under a name (null: the game's save name); 0 when saved, else
  // non-zero with the slot's old save whole (also when no game runs).
  int save_game_to(int slot, const ruv_string* name);
  int random() override;

  // --- the launch ---
  bool open_saved_game(const std::string& path, launch_save_header& header) override;
  bool read_saved_game() override;
  // The slot the next load reads (its file is the launch's save path).
  std::int32_t loading_slot = 0;
  // Drops the running game (a load that failed half way); may be empty.
  std::function<void()> end_game;
  void create_game(std::int32_t start_value, bool without_map) override;
  void load_world_data() override;
  void set_player_names(const ruv_string& player_name, const ruv_string& save_name) override;
  void set_player_name(const ruv_string& name) override;
  void read_module_parties() override;
  void load_map_data() override;
  void init_map() override;
  void build_map_scene() override;
  void run_game_start() override;
  void set_game_launch_mode(std::int32_t mode) override { game_launch_mode = mode; }
  void reset_character_window() override;
  void reset_face_generator_window() override;
  void show_progress(const std::string& step_text, const ruv_string& message) override;
  ruv_string translate(const char* ui_key) override;

  dispatcher_game_words words;
  std::int32_t game_launch_mode = 0;
  // The launch window's display.
  std::string progress_step;
  ruv_string progress_message;
  // The steps of a mission's set-up that belong to the renderer, the terrain,
  // physics and the campaign. Null: a running game sets its missions up over
  // the module's scenes and troops, and without a game the mission's own part
  // runs alone.
  mission_setup_steps* setup_steps = nullptr;
  // Who stands in a conversation's scene: entry 0 the player, entry 1 the
  // partner (with its seed), then the heroes of the player's party and of the
  // partner's; -1 for an empty entry.
  struct conversation_entry {
    std::int32_t troop = -1;
    std::int32_t value = -1;
  };
  static constexpr int conversation_entry_count = 64;
  std::array<conversation_entry, conversation_entry_count> conversation_entries{};
  // Starts the conversation with the partner troop once its scene is set up
  // (the conversation's own code, with the meta mission); may be empty.
  std::function<void(std::int32_t partner, std::int32_t party, std::int32_t kind)> start_conversation;
  // Gives the mission's script host the routines of the code that runs the
  // mission (spawning, animation, combat); called before set-up.
  std::function<void(mission_script_host&)> connect_mission_host;
  // Module code sees the running mission from its set-up until the way back
  // to the map (or the end of the game).
  bool mission_running() const { return mission_scope_ != nullptr; }
  mission_script_scope* mission_scope() { return mission_scope_.get(); }
  void end_mission();

 private:
  std::function<void()> new_game_;
  std::function<campaign_game*()> campaign_;
  std::unique_ptr<mission_script_scope> mission_scope_;
  // The saved game being loaded, open between the launch's first and fourth
  // steps, and its header.
  std::unique_ptr<binary_reader> save_reader_;
  ruv_string loading_save_name_;
  // The module's set-up of the last mission and its agent hooks: the mission
  // reaches them (its navigation graph, its reinforcements) until the next
  // one is set up.
  mission_start start_;
  application_mission_services services_;
};

// The ready-to-upgrade troops of a party's member stacks: those before the
// first prisoner stack, heroes excepted.
std::int32_t ready_to_upgrade_count(const campaign_state& st, const party& p);

// The one mission object of the run (null when it could not be made).
extern mission* current_mission;

}  // namespace hm
