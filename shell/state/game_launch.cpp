#include "shell/state/game_launch.h"

#include "engine/core/log.h"

namespace hm {

std::int32_t g_save_header_value = 0;

namespace {

inline constexpr int character_window = 15;
inline constexpr int world_map_window = 7;
inline constexpr int game_menu_window = 23;

}  // namespace

bool launch_game_step(game_launch_host& host, game_launch& launch, meta_mission_words& meta) {
  if (launch.step >= launch_step_count) return true;
  const bool loading = launch.launch_mode == launch_mode_value::load_game;
  const bool on_map = launch.launch_mode == launch_mode_value::new_game || loading;
  launch.message.clear();
  const char* next = "";
  switch (launch.step) {
    case 0:
      if (loading) {
        if (!host.open_saved_game(launch.save_path, launch.save_header)) ruv_error("Unable to open found savegame!!!");
        launch.reader_open = true;
        g_save_header_value = launch.save_header.value;
      }
      next = "ui_creating_game";
      break;
    case 1:
      host.create_game(launch.start_value, launch.without_map());
      next = "ui_loading_setting_data";
      break;
    case 2:
      host.load_world_data();
      if (loading) host.set_player_names(launch.save_header.player_name, launch.save_header.save_name);
      next = "ui_loading_savegame_file";
      break;
    case 3:
      if (loading && launch.reader_open) {
        host.read_saved_game();
        launch.reader_open = false;
      }
      next = "ui_loading_map_file";
      break;
    case 4:
      if (!loading) host.read_module_parties();
      if (launch.without_map()) host.set_player_name(host.translate("ui_player"));
      if (on_map) {
        host.load_map_data();
        log_line("load_map_data complete.\n");
      }
      next = "ui_initializing_map";
      break;
    case 5:
      if (on_map) {
        host.init_map();
        log_line("Init_map complete.\n");
      }
      next = "ui_launching_game";
      break;
    case 6:
      init_meta_mission(meta);
      if (on_map) host.build_map_scene();
      log_line("launch complete.\n");
      next = "ui_finished";
      break;
    default:
      break;
  }
  ++launch.step;
  launch.message = host.translate(next);
  return false;
}

void load_window_frame(game_launch_host& host, dispatcher_host& dispatch, game_launch& launch,
                       meta_mission_words& meta, window_switch_dispatcher& state) {
  const bool done = launch_game_step(host, launch, meta);
  host.show_progress(std::to_string(launch.step), launch.message);
  if (!done) return;
  if (launch.launch_mode != launch_mode_value::load_game) host.run_game_start();
  switch (launch.launch_mode) {
    case launch_mode_value::new_game:
      // The game menu of the new game returns to the character window, where
      // the player makes the new character.
      log_line("Switching to menu window...\n");
      host.set_game_launch_mode(0);
      host.reset_character_window();
      host.reset_face_generator_window();
      dispatch.set_return_window(game_menu_window, character_window);
      dispatch.set_window(game_menu_window);
      return;
    case launch_mode_value::load_game:
      dispatch.set_window(world_map_window);
      return;
    default: {
      host.set_game_launch_mode(launch.launch_mode);
      state.launch_mode = launch.launch_mode;
      state.entering = 1;
      state.menu_opened = 0;
      state.in_conversation = 0;
      state.launch_party = -1;
      std::uint8_t switched = 0;
      dispatch_meta_mission_requests(dispatch, meta, state, switched);
      return;
    }
  }
}

}  // namespace hm
