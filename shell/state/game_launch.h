#pragma once
// Starting a new game or loading a saved one, cut into seven steps run one a
// frame behind the launch window, which shows a progress text between them.
// When the last step is done the launch window opens the game's first screen.
//
// The loaders (the module's world files, parties.txt, the map, the saved
// game) and the window switches belong to other layers; game_launch_host
// and dispatcher_host reach them.
#include <cstdint>
#include <string>

#include "engine/core/ruv_string.h"
#include "shell/state/state_dispatcher.h"

namespace hm {

// What the saved game's header gives the launch.
struct launch_save_header {
  ruv_string player_name;
  ruv_string save_name;
  std::int32_t value = 0;
};

class game_launch_host {
 public:
  virtual ~game_launch_host() = default;
  // Opens the saved game and reads its header; false when it cannot be opened.
  virtual bool open_saved_game(const std::string& path, launch_save_header& header) = 0;
  // Reads the game state from the open saved game, then closes it.
  virtual void read_saved_game() = 0;
  // A new game object in its new-game state, started with the module's name,
  // the start value and whether it runs without the world map; its launching
  // byte set.
  virtual void create_game(std::int32_t start_value, bool without_map) = 0;
  // The module's world files into the game.
  virtual void load_world_data() = 0;
  virtual void set_player_names(const ruv_string& player_name, const ruv_string& save_name) = 0;
  virtual void set_player_name(const ruv_string& name) = 0;
  virtual void read_module_parties() = 0;
  virtual void load_map_data() = 0;
  virtual void init_map() = 0;
  virtual void build_map_scene() = 0;
  // The module's game_start script of a new game.
  virtual void run_game_start() = 0;
  // The game's launch-mode word.
  virtual void set_game_launch_mode(std::int32_t mode) = 0;
  // The character window's state word (the new character's screen starts over).
  virtual void reset_character_window() = 0;
  // The face generator's state word: the new character's face comes after
  // the character window, and its Done leads into the game.
  virtual void reset_face_generator_window() = 0;
  // The launch window's display: the step number and the progress text.
  virtual void show_progress(const std::string& step_text, const ruv_string& message) = 0;
  virtual ruv_string translate(const char* ui_key) = 0;
};

namespace launch_mode_value {
inline constexpr std::int32_t new_game = 0;
inline constexpr std::int32_t load_game = 1;
// 2 and 3 start without the world map.
}  // namespace launch_mode_value

inline constexpr int launch_step_count = 7;

// The launch window's state.
struct game_launch {
  std::int32_t launch_mode = 0;
  std::int32_t step = 0;
  ruv_string message;
  // Set between steps 0 and 3 of a loaded game.
  bool reader_open = false;
  launch_save_header save_header;
  std::string save_path;
  std::int32_t start_value = 0;

  bool without_map() const { return launch_mode == 2 || launch_mode == 3; }
};

// The saved game's header value of the last load.
extern std::int32_t g_save_header_value;

// Runs the next step, moves on and sets the message after it; returns false.
// Once every step ran it does nothing and returns true.
bool launch_game_step(game_launch_host& host, game_launch& launch, meta_mission_words& meta);

// The launch window's frame: one step, the progress shown, and once the
// steps are done the game's first screen.
void load_window_frame(game_launch_host& host, dispatcher_host& dispatch, game_launch& launch,
                       meta_mission_words& meta, window_switch_dispatcher& state);

}  // namespace hm
