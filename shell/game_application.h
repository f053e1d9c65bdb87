#pragma once
// The one application object of the run: the application frame with the
// game's hooks. Frame move counts the frame, advances the real-time clock,
// takes the typed character, runs the UI manager's input step, the input
// state, music and sound, then the top window's frame (the start-up screens
// load the module and launch the game there; the screens hand their requests
// to the state dispatcher), and last a dispatch that had to wait for this
// frame. Render clears the frame and has the scene view draw the interface's
// view: the UI manager's widgets and message log and, while show_framerate is
// on, the frame rate and debug lines; the clean-up saves the options.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/app/application_frame.h"
#include "engine/text/font_details.h"
#include "render/view/interface_view.h"
#include "render/view/message_log.h"
#include "render/entity/render_view.h"
#include "script/script_host.h"
#include "shell/state/application_hosts.h"
#include "shell/windows/headless_pilot.h"
#include "ui/manager/ui_manager.h"
#include "ui/windows/launch_window_build.h"

namespace hm {
class menu_window_host;
}

namespace hm {

class campaign_game;
class game_window;
class recorded_input;
class debugger_window;
class script_debugger;
class script_ui_host;
class application_menu_host;
class application_screen_host;
class scene_edit_mode;
class application_party_host;
class mission_conversation_scene;
class video_options_host;

class game_application : public application_frame {
 public:
  game_application();
  ~game_application() override;

  hresult one_time_init() override;
  hresult init_device_objects() override;
  hresult restore_device_objects() override;
  hresult invalidate_device_objects() override;
  hresult delete_device_objects() override;
  hresult frame_move() override;
  hresult render() override;
  hresult final_cleanup() override;
  std::int64_t window_procedure(const frame_message& message) override;

  // Rendered frames after which the window closes (0: no limit); runs without a
  // person use it.
  std::uint32_t frame_limit = 0;
  // When set, the last frame of frame_limit is written there as a PNG picture
  // before the window closes, and screenshot_written tells whether it was.
  std::string screenshot_path;
  bool screenshot_written = false;
  // When above 0, the picture is of the battle instead: the frame-th frame
  // drawn while the mission screen is the top window, after which the window
  // closes (a run without a display shows what the battle looks like).
  std::uint32_t screenshot_battle_frame = 0;
  // Whether the one-time initialisation opens the real audio output (runs
  // without a person stay silent).
  bool sound_output = false;
  // When set, the frame's quit flag is raised at the end of the frame move.
  bool exit_requested = false;
  // The module the one-time initialisation chooses (chosen at program start);
  // its data loads one step a frame behind the loading window (window 2).
  std::string module_name = "Sample";
  // Set once every loading step ran; the main menu opens in the same frame.
  bool module_loaded = false;
  // Runs without a person (headless, or a recorded input that starts in the
  // game) leave the main menu for a new game as soon as it is up.
  bool skip_main_menu = false;
  // A run without a person and without recorded input is played by the
  // pilot: into the first game menu's battle, through the debrief to the
  // battle's result, which ends the run.
  bool piloted = false;
  headless_pilot pilot;
  // When above 0, every frame moves by this time step whatever the machine's
  // speed, so that a run's log depends on its frames alone.
  float fixed_frame_time = 0.0f;
  // The time step of a run without a window: sixty frames a second of game
  // time, however fast the machine runs them.
  static constexpr float headless_frame_time = 1.0f / 60.0f;
  // A recorded keyboard and mouse that replace the window's devices (runs
  // without a person); null for the window's own.
  void use_recorded_input(std::unique_ptr<recorded_input> input);
  recorded_input* recorded() const { return recorded_.get(); }
  // The random source's seed; without one the one-time initialisation seeds
  // it from the clock.
  std::optional<std::uint32_t> random_seed_value;
  // Set when a new game is set up (the world's triggers then run each frame).
  bool game_started = false;
  // The game's start-up, one step a frame in the launch window's frame, while
  // `launching` is set; then the game's first screen.
  game_launch launch_state;
  bool launching = false;
  std::int32_t next_start_value = 0;
  // Starts a new game: the launch window opens in new-game mode (what the
  // main menu's new-game button does).
  void start_new_game();
  // The next launch's start value (the launch window's mode word chooses
  // the launch; whoever opens it may hand a value on first).
  void prepare_launch(std::int32_t mode, std::int32_t start_value);
  // The module's loading steps are done (the loading window's frame ran the
  // last): the device objects of what the files brought, then the main menu.
  void module_load_finished();
  // The game, the mission and the window switches as the state dispatcher
  // and the start-up see them.
  std::unique_ptr<application_hosts> state_hosts;
  // The scene editor the program made (it sits above the shell); null runs
  // without one. Its dialog is kept in step once a frame.
  scene_edit_mode* scene_editor = nullptr;
  // The running game's campaign (null while no game runs).
  campaign_game* campaign() const { return campaign_.get(); }
  // Ends the running game (leaving it for the main menu).
  void leave_game() { end_game(); }
  // Serves the meta mission's next request (the screens call it when their
  // work for the moment is done). One request a frame: a second call in the
  // same frame waits for the end of the next frame move.
  void dispatch_requests();
  bool dispatch_waiting() const { return dispatch_waiting_; }
  // The launch window's widgets (window 3 of the window manager; all null
  // before it is built or without the window table); its status label
  // follows the launch's progress text.
  launch_window_widgets& launch();

  std::uint32_t frame_counter = 0;   // frames moved
  std::uint32_t render_counter = 0;  // frames rendered
  std::uint32_t battle_frames_drawn = 0;  // of them with the mission screen on top
  // 1 while the key (by engine key code) is down.
  std::array<std::uint8_t, 256> key_down_table{};
  // The last character typed (-1: none), taken by the next frame move.
  std::int32_t pending_char = -1;
  std::int32_t typed_char = -1;  // the character typed this frame (-1: none)
  float frame_time = 0.0f;       // this frame's time step

  // The on-screen message log (the UI manager's, laid out with g_ui_font) and
  // the interface's view that the scene view draws the widgets and the log
  // in, over the scene, with the frame rate and the debug lines.
  message_log& messages = g_ui_manager.messages;
  render_view interface_view;
  interface_texts overlay_texts;
  // The engine's debug text: pieces separated by ';', drawn under the frame
  // rate while debug_mode or enable_edit_mode is on; collected anew each frame.
  std::string debug_text;
  // What the last render drew: overlay texts and message-log meshes.
  int overlay_texts_drawn = 0;
  int log_meshes_drawn = 0;

  // Where the overlay texts are drawn, in pixels from the top left, their
  // line height in pixels and their colours.
  static constexpr float frame_stats_x = 2.0f;
  static constexpr float frame_stats_y = 0.0f;
  static constexpr float debug_text_y = 40.0f;
  static constexpr float overlay_line_pixels = 14.0f;
  static constexpr std::uint32_t frame_stats_colour = 0xFFFFFF00;
  static constexpr std::uint32_t debug_text_colour = 0xFF64FF64;
  // The developer line the log starts with while show_framerate or debug_mode is on.
  static constexpr const char* started_line = "Hoofmarch started.";

  // The colour the frame is cleared to.
  static constexpr std::uint32_t clear_color = 0xFF302010;
  // A frame step never exceeds this, however long the frame took.
  static constexpr float max_frame_time = 0.1f;

 private:
  // Reads the UI font's data and starts the message log.
  void init_ui_text();
  // The UI manager's input step with this frame's mouse and character.
  void run_ui_input();
  // Queues the widgets, the message log and the overlay texts into the interface's view.
  void queue_interface();
  // The frame rate and the debug lines, while show_framerate is on.
  void queue_overlay_texts();
  // One step of the game's launch (the launch window's frame).
  void step_game_launch(game_window& launch_window);
  // Puts the game's launch into the launch window's frame, and the
  // application's hosts behind the menu windows and the mission screen.
  void install_windows();
  // The game object and its campaign, a running game ended first.
  void create_game_objects();
  // The back buffer into screenshot_path.
  void write_screenshot();

  // Routes the script engine's message lines into the log and its module
  // questions to the module's tables.
  std::unique_ptr<script_ui_host> script_ui_;
  script_host previous_script_host_;
  // Destroys the running game's campaign and then the game object.
  void end_game();

  // The running game's campaign: its parties and the script engine's campaign
  // neighbour; null while no game runs.
  std::unique_ptr<campaign_game> campaign_;
  // Set when module code ended the game; the frame then destroys it.
  bool game_ended = false;
  std::unique_ptr<recorded_input> recorded_;
  // What the menu windows and the mission screen reach beyond the interface.
  std::unique_ptr<application_menu_host> menu_host_;
  menu_window_host* previous_menu_host_ = nullptr;
  std::unique_ptr<application_screen_host> screen_host_;
  std::unique_ptr<application_party_host> party_host_;
  // The conversation window's scene: the running mission.
  std::unique_ptr<mission_conversation_scene> conversation_scene_;
  std::unique_ptr<video_options_host> video_host_;
  video_options_host* previous_video_host_ = nullptr;
  // The frame of the last dispatch, and a request that waits for the next.
  std::uint32_t dispatch_frame_ = 0;
  bool dispatched_ = false;
  bool dispatch_waiting_ = false;

  // The script debugger and its window beside the game's. With debug_mode on,
  // every game asks for it (until the user closes it); it closes with the
  // game.
  std::unique_ptr<script_debugger> debugger_;
  std::unique_ptr<debugger_window> debugger_window_;
  bool debugger_requested_ = false;
  // The developer keys (while "enable_edit_mode" is on).
  void check_developer_keys();
  // Opens, draws or closes the debugger's window as the game asks.
  void update_debugger_window();
};

// The UI font: the game's bitmap font that text meshes are laid out with, read
// from "Data\\font_data.xml" at the one-time initialisation.
extern font_details g_ui_font;

extern game_application* g_game_application;

}  // namespace hm
