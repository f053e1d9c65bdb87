#include "shell/game_application.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "campaign/save/save_game.h"
#include "campaign/game/campaign_game.h"
#include "engine/app/input_state.h"
#include "engine/app/recorded_input.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "engine/core/user_files.h"
#include "engine/device/device_resources.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "mission/physics/physics_worker.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_screen_window.h"
#include "module/base/ini_table.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/media/music_player.h"
#include "module/records/script_table.h"
#include "module/text/translation_table.h"
#include "platform/clock.h"
#include "platform/fs.h"
#include "shell/windows/video_options_host.h"
#include "platform/input/input_keymap.h"
#include "platform/png_file.h"
#include "platform/quit_signal.h"
#include "render/shadow/reflection.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/interface_view.h"
#include "render/view/scene_view.h"
#include "script/debugger/debugger_window.h"
#include "script/debugger/script_debugger.h"
#include "script/ops/end_game.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/triggers.h"
#include "shell/screen_hosts.h"
#include "shell/vertex_pools.h"
#include "shell/windows/conversation_scene.h"
#include "shell/windows/start_up_window.h"
#include "ui/menus/menu_window_host.h"
#include "ui/terrain/terrain_gen_window.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"
#include "ui/windows/window_ui_host.h"

namespace hm {

game_application* g_game_application = nullptr;
font_details g_ui_font;

namespace {

}  // namespace

game_application::game_application() {
  caption = "Hoofmarch";
  enumeration.uses_depth_buffer = true;
  show_cursor_when_fullscreen = true;
  key_down_table.fill(0);
  messages.font = &g_ui_font;
  g_ui_manager.default_font = &g_ui_font;
  script_ui_ = std::make_unique<window_ui_host>();
  script_host host = current_script_host();
  previous_script_host_ = host;
  host.ui = script_ui_.get();
  set_script_host(host);
  set_render_debug_text(&debug_text);
  debugger_ = std::make_unique<script_debugger>();
  debugger_window_ = std::make_unique<debugger_window>(*debugger_);
  state_hosts = std::make_unique<application_hosts>([this] { create_game_objects(); },
                                                    [this] { return campaign_.get(); }, g_window_manager);
  state_hosts->end_game = [this] { end_game(); };
  menu_host_ = std::make_unique<application_menu_host>(*this);
  previous_menu_host_ = set_menu_window_host(menu_host_.get());
  screen_host_ = std::make_unique<application_screen_host>(*this);
  party_host_ = std::make_unique<application_party_host>(*this);
  conversation_scene_ = std::make_unique<mission_conversation_scene>([] { return current_mission; });
  // A conversation the dispatcher sets up starts in the mission it prepared.
  state_hosts->start_conversation = [](std::int32_t partner, std::int32_t party, std::int32_t) {
    start_conversation_in_scene(current_mission, partner, party);
  };
  video_host_ = std::make_unique<application_video_host>(*this);
  previous_video_host_ = set_video_options_host(video_host_.get());
  // The one mission of the run; without it the game runs on and no mission
  // is set up.
  if (!current_mission) current_mission = new (std::nothrow) mission();
  g_game_application = this;
}

game_application::~game_application() {
  if (recorded_) use_recorded_input(nullptr);
  end_game();
  state_hosts.reset();
  delete current_mission;
  current_mission = nullptr;
  if (current_script_host().ui == script_ui_.get()) set_script_host(previous_script_host_);
  if (&current_menu_host() == menu_host_.get()) set_menu_window_host(previous_menu_host_);
  if (auto* party = dynamic_cast<party_window*>(g_window_manager.window(window_id::party)))
    if (party->host == party_host_.get()) party->set_host(nullptr);
  if (current_video_options_host() == video_host_.get()) set_video_options_host(previous_video_host_);
  // The widgets', the log's and the overlay's meshes hold materials of the
  // resource manager.
  g_window_manager.destroy_game_windows();
  g_window_manager.show_cursor = nullptr;
  g_window_manager.dispatch_meta_mission_requests = nullptr;
  g_ui_manager.clear();
  g_ui_manager.release_meshes();
  if (g_ui_manager.default_font == &g_ui_font) g_ui_manager.default_font = nullptr;
  overlay_texts.clear();
  if (render_debug_text() == &debug_text) set_render_debug_text(nullptr);
  if (g_game_application == this) g_game_application = nullptr;
}

void game_application::init_ui_text() {
  read_font_details(g_ui_font, "Data\\font_data.xml");
  if (g_ruv_config.show_framerate || g_ruv_config.debug_mode) add_message_line_default(messages, started_line);
}

hresult game_application::one_time_init() {
  // A run given a seed replays exactly; any other draws differ run to run.
  random_seed(random_seed_value ? *random_seed_value : static_cast<std::uint32_t>(platform::milliseconds_now()));
  // A data folder that cannot take the log (read-only, or a folder in the
  // file's place) is told once; the game goes on without a log file.
  if (!open_engine_log("ruv_log.txt"))
    ruv_warning("Unable to write the log file %s. The game goes on without it.",
                std::filesystem::absolute(platform::resolve_path("ruv_log.txt")).string().c_str());
  // After the log opens, so that a missing audio device is written to it.
  if (sound_output) start_sound_output();
  install_mesh_hooks(g_resource_manager);
  load_core_resource_files();
  // The engine's own translations; the module's follow when it loads.
  load_translations("");
  g_ui_manager.reset_timers();
  init_ui_text();
  g_window_manager.create_game_windows();
  install_windows();
  g_window_manager.show_cursor = [this](bool shown) {
    if (window) window->show_cursor(shown);
  };
  g_window_manager.dispatch_meta_mission_requests = [this] { dispatch_requests(); };
  install_module_script_host();
  install_tableau_scene_host();
  // The module's data loads one step a frame, in the loading window's frame,
  // from the first frame on.
  start_module(module_name);
  module_loaded = false;
  g_window_manager.set_window(window_id::load);
  return frame_code::ok;
}

void game_application::install_windows() {
  // The loading window (2) loads the module itself and tells the menu host
  // when it is done; the launch runs in the launch window's frame.
  install_start_up_window(g_window_manager, window_id::launch,
                          [this](start_up_window& w, float) { step_game_launch(w); });
  install_mission_screen(g_window_manager, [] { return current_mission; });
  if (auto* screen = dynamic_cast<mission_screen_window*>(g_window_manager.window(window_id::mission_screen)))
    screen->set_host(screen_host_.get());
  if (auto* party = dynamic_cast<party_window*>(g_window_manager.window(window_id::party)))
    party->set_host(party_host_.get());
  install_conversation_windows(g_window_manager, *conversation_scene_);
}

void game_application::module_load_finished() {
  // Resources that the module's files brought after the device was made get
  // their render-target surfaces and technique lookups.
  if (device) g_resource_manager.restore_device_textures(g_device_resources.effect.get());
  module_loaded = true;
}

void game_application::prepare_launch(std::int32_t mode, std::int32_t start_value) {
  if (game_window* w = g_window_manager.window(window_id::launch)) w->mode = mode;
  next_start_value = start_value;
  launching = false;
}

void game_application::start_new_game() {
  prepare_launch(launch_mode_value::new_game, 0);
  g_window_manager.set_window(window_id::launch);
}

void game_application::step_game_launch(game_window& launch_window) {
  // Whoever opened the launch window chose the launch in its mode word.
  if (!launching) {
    launch_state = {};
    launch_state.launch_mode = launch_window.mode;
    launch_state.start_value = next_start_value;
    // A load hands on the slot whose file it reads.
    if (launch_state.launch_mode == launch_mode_value::load_game) {
      state_hosts->loading_slot = next_start_value;
      launch_state.save_path = slot_file_path(module_name, next_start_value).string();
      launch_state.start_value = 0;
    }
    next_start_value = 0;
    launching = true;
  }
  // The call after the last step opens the game's first screen.
  const bool steps_done = launch_state.step >= launch_step_count;
  load_window_frame(*state_hosts, *state_hosts, launch_state, g_meta_mission, g_window_switch_state);
  if (steps_done) {
    launching = false;
    return;
  }
  launch_window_widgets& w = launch();
  if (w.status_label && w.status_label->text.view() != state_hosts->progress_message.view())
    w.status_label->set_text(state_hosts->progress_message);
}

void game_application::create_game_objects() {
  end_game();
  g_game = std::make_unique<game>();
  campaign_ = std::make_unique<campaign_game>(*g_game);
  // Module code that ends the game only asks for it; the frame carries the
  // request out where no block runs, and the game ends here.
  campaign_->campaign_host.on_destroy_game = [this] { game_ended = true; };
  campaign_->install_script_host();
  game_started = true;
  debugger_requested_ = g_ruv_config.debug_mode != 0;
  log_line("New game started.\n");
}

void game_application::dispatch_requests() {
  // Two screens may finish in one frame (a window's frame and a box over it):
  // each request gets a frame of its own screen before the next is served.
  if (dispatched_ && dispatch_frame_ == frame_counter) {
    dispatch_waiting_ = true;
    return;
  }
  dispatched_ = true;
  dispatch_frame_ = frame_counter;
  dispatch_waiting_ = false;
  // Until the world map runs, the new game's first menu stands where the map
  // would: a battle it asks for comes back to the game's current menu, the
  // way the battle of an encounter on the map comes back to the encounter's
  // menu.
  if (const game_window* top = g_window_manager.top();
      top && g_window_manager.top_id() == window_id::game_menu && top->return_window != return_through_dispatcher &&
      campaign_) {
    const game_script_words& w = campaign_->campaign_host.game_words();
    g_window_switch_state.launch_mode = w.current_menu > 0 ? w.current_menu : -1;
    // The party module code met there is the other side of the battle.
    if (w.encountered_party >= 0) {
      g_meta_mission.encounter.side = 0;
      g_meta_mission.encounter.first_party = -1;
      g_meta_mission.encounter.second_party = w.encountered_party;
    }
  }
  std::uint8_t switched = 0;
  dispatch_meta_mission_requests(*state_hosts, g_meta_mission, g_window_switch_state, switched);
  // Module code sees a mission while one of its screens is open (the
  // mission, its briefing, a conversation in its scene, the debrief over it).
  const auto& open = g_window_manager.stack;
  const bool mission_screen_open = std::any_of(open.begin(), open.end(), [](std::int32_t id) {
    return id == window_id::mission_screen || id == window_id::mission || id == window_id::conversation;
  });
  if (!mission_screen_open) state_hosts->end_mission();
}

void game_application::end_game() {
  // The break point and the loaded source are the game's: the debugger lets
  // go of them while the game's words still exist.
  if (debugger_window_) debugger_window_->close();
  if (scene_editor) scene_editor->close_dialog();
  if (debugger_) debugger_->disarm();
  debugger_requested_ = false;
  // The campaign reads the game's tables, and the game's tables hold
  // statement blocks and timers of this run.
  campaign_.reset();
  g_game.reset();
  game_started = false;
}

// The device's objects: textures, shaders and technique records of the
// resource manager, render targets, and the effect.
hresult game_application::init_device_objects() {
  if (!device) return frame_code::ok;
  g_scene_view.set_up_buffers(g_ruv_config.render_buffer_size);
  g_scene_view.set_device(device.get());
  set_view_renderer(&g_scene_view);
  const hresult r = init_device_resources(g_device_resources, *device);
  // The vertex pools are sized up front, from the settings and the module's
  // layout variables, so that the first frames do not have to grow them.
  load_game_variables();
  size_vertex_pools(g_scene_view, g_ruv_config.render_buffer_size, g_game_variables_table,
                    g_device_resources.hooks.pixel_shaders_in_use());
  return r;
}

// The scene view draws with the effect and the shaders the device resources
// make, and keeps its own buffers and vertex declarations.
hresult game_application::restore_device_objects() {
  const hresult r = restore_device_resources(g_device_resources);
  device_resources& d = g_device_resources;
  g_scene_view.pixel_shaders = d.hooks.pixel_shaders_in_use();
  g_scene_view.set_effect(d.effect ? &d.effect->get() : nullptr);
  g_scene_view.render_to_depth_shader = d.render_to_depth_shader;
  g_scene_view.render_to_depth_skin_shader = d.render_to_depth_skin_shader;
  g_scene_view.render_character_shadow = d.render_character_shadow;
  g_scene_view.render_character_shadow_with_skin = d.render_character_shadow_with_skin;
  g_scene_view.restore_device_objects();
  // The tableaus' render targets came back empty: each draws itself again
  // when next shown.
  g_tableau_manager.invalidate_instances();
  return r;
}

hresult game_application::invalidate_device_objects() {
  g_scene_view.invalidate_device_objects();
  g_scene_view.set_effect(nullptr);
  return invalidate_device_resources(g_device_resources);
}

hresult game_application::delete_device_objects() {
  // The shadow passes' targets go back to the pools with the device.
  g_render_pass_state.release_targets();
  g_scene_view.set_device(nullptr);
  if (get_view_renderer() == &g_scene_view) set_view_renderer(nullptr);
  return delete_device_resources(g_device_resources);
}

hresult game_application::frame_move() {
  ++frame_counter;
  increment_frame_counter();
  frame_time = fixed_frame_time > 0.0f ? fixed_frame_time : std::min(elapsed_time, max_frame_time);
  advance_clock(clock_real_time, frame_time);
  typed_char = pending_char;
  pending_char = -1;
  run_ui_input();
  if (recorded_) recorded_->advance_to(frame_counter);
  update_input(frame_time);
  check_developer_keys();
  update_music_volume(g_music_tracks, g_script_state, g_game_options.music_volume);
  update_sound();
  // A run without a person goes from the main menu into a new game, once
  // the menu was up for a frame; so does a main menu that shows no buttons
  // to leave it by.
  if (module_loaded && !game_started && g_window_manager.top_id() == window_id::main_menu) {
    const game_window* menu = g_window_manager.top();
    if (skip_main_menu || !menu || !menu->root) start_new_game();
  }
  if (piloted && game_started && pilot.frame()) exit_requested = true;
  // The top window's frame: the loading window loads the module, the launch
  // window starts the game, and the screens hand their requests to the
  // dispatcher. While a box is open over a window, only the box's runs.
  g_window_manager.frame(frame_time);
  // A game ended by module code ends here, where no block is running.
  carry_out_end_game_request();
  if (game_ended) {
    game_ended = false;
    end_game();
  }
  if (game_started && g_game && !launching && g_window_manager.top_id() != window_id::mission_screen) {
    // Until the world map runs them, the world's triggers are checked every
    // frame on the campaign clock.
    check_triggers(g_game->triggers, 0);
    run_simple_triggers(g_game->simple_triggers, 0);
  }
  update_debugger_window();
  if (scene_editor) scene_editor->update_dialog();
  // A request that came second in the frame before.
  if (dispatch_waiting_ && !(dispatched_ && dispatch_frame_ == frame_counter)) dispatch_requests();
  // A quit signal from outside ends the run as a closed window does.
  if (platform::quit_signal_received()) exit_requested = true;
  if (exit_requested) quit_request = 1;
  return frame_code::ok;
}

void game_application::check_developer_keys() {
  if (!g_ruv_config.enable_edit_mode || !game_started || launching) return;
  constexpr int key_t = 20;
  const bool ctrl = g_input_state.is_key_down(29) || g_input_state.is_key_down(157);
  // Ctrl+T: the terrain generator, from the screens that stand between
  // battles (the world map and the game menus), which Close returns to.
  const int top = g_window_manager.top_id();
  if (ctrl && g_input_state.is_key_clicked(key_t) && (top == window_id::world_map || top == window_id::game_menu) &&
      open_terrain_generator(top))
    log_line("Terrain generator opened over window " + std::to_string(top) + ".\n");
}

void game_application::update_debugger_window() {
  if (!g_game || !debugger_requested_) {
    if (debugger_window_->is_open()) debugger_window_->close();
    return;
  }
  // A run without a display cannot show it; a window the user closed stays
  // closed for this game.
  if (!debugger_window_->is_open()) {
    if (!debugger_window_->open()) debugger_requested_ = false;
  } else if (!debugger_window_->frame()) {
    debugger_requested_ = false;
  }
}

hresult game_application::render() {
  if (!device) return frame_code::ok;
  ++render_counter;
  const gpu::surface_desc& bb = back_buffer_desc;
  device->set_viewport({0, 0, bb.width, bb.height, 0.0f, 1.0f});
  // Screens without a scene behind their widgets show the clear colour.
  device->clear(gpu::clear_target | gpu::clear_zbuffer | gpu::clear_stencil, clear_color, 1.0f, 0);
  ++g_scene_view.frame_counter;
  g_window_manager.queue_scenes(bb.width, bb.height);
  queue_interface();
  g_scene_view.render();
  // The drawn frame's depth where the sun stands, for the next frame's flare.
  g_render_pass_state.read_view_depth(*device);
  debug_text.clear();
  if (g_window_manager.top_id() == window_id::mission_screen) ++battle_frames_drawn;
  if (screenshot_battle_frame != 0) {
    if (battle_frames_drawn == screenshot_battle_frame && !screenshot_path.empty()) {
      write_screenshot();
      quit_request = 1;
    }
  } else if (frame_limit != 0 && render_counter >= frame_limit) {
    if (!screenshot_path.empty()) write_screenshot();
    quit_request = 1;
  }
  if (frame_limit != 0 && render_counter >= frame_limit) quit_request = 1;
  return frame_code::ok;
}

void game_application::write_screenshot() {
  const gpu::surface_desc& bb = back_buffer_desc;
  std::vector<std::uint32_t> argb;
  screenshot_written =
      device->read_back_buffer(0, 0, bb.width, bb.height, argb) == gpu::result::ok &&
      platform::write_argb_png(screenshot_path, static_cast<int>(bb.width), static_cast<int>(bb.height), argb);
  log_line((screenshot_written ? "Screenshot written to " : "Unable to write the screenshot ") + screenshot_path +
           "\n");
}

void game_application::run_ui_input() {
  mouse_input input;
  input.records = mouse_records_from_input(g_input_state);
  input.move_x = g_input_state.mouse_dx;
  input.move_y = g_input_state.mouse_dy;
  if (window) {
    window->cursor_position(input.cursor_x, input.cursor_y);
    window->client_size(input.client_width, input.client_height);
  }
  g_ui_manager.typed_character = typed_char;
  g_ui_manager.process_input(frame_time, input);
}

launch_window_widgets& game_application::launch() {
  if (auto* w = dynamic_cast<launch_window*>(shown_window(g_window_manager, window_id::launch))) return w->widgets;
  static launch_window_widgets none;
  none = {};
  return none;
}

void game_application::queue_interface() {
  const gpu::surface_desc& bb = back_buffer_desc;
  set_up_interface_view(interface_view, bb.width, bb.height);
  g_ui_manager.screen_width = bb.width;
  g_ui_manager.screen_height = bb.height;
  g_ui_manager.draw(interface_view);
  log_meshes_drawn = g_ui_manager.log_meshes_drawn;
  queue_overlay_texts();
}

void game_application::queue_overlay_texts() {
  overlay_texts_drawn = 0;
  overlay_texts.begin_frame();
  if (!g_ruv_config.show_framerate) return;
  const gpu::surface_desc& bb = back_buffer_desc;
  auto add = [&](std::string_view text, float y, std::uint32_t colour) {
    if (overlay_texts.add(interface_view, g_ui_font, text, frame_stats_x, y, colour, overlay_line_pixels, bb.width,
                          bb.height))
      ++overlay_texts_drawn;
  };
  add(frame_stats, frame_stats_y, frame_stats_colour);
  if (g_ruv_config.debug_mode || g_ruv_config.enable_edit_mode) {
    // One piece a line, going down from the first.
    float y = debug_text_y;
    std::string_view rest = debug_text;
    while (!rest.empty()) {
      const std::size_t end = std::min(rest.find(';'), rest.size());
      const std::string_view piece = rest.substr(0, end);
      rest.remove_prefix(std::min(end + 1, rest.size()));
      if (piece.empty()) continue;
      add(piece, y, debug_text_colour);
      y += overlay_line_pixels;
    }
  }
}

void game_application::use_recorded_input(std::unique_ptr<recorded_input> input) {
  recorded_ = std::move(input);
  g_input_state.keyboard = recorded_ ? &recorded_->keyboard() : nullptr;
  g_input_state.mouse = recorded_ ? &recorded_->mouse() : nullptr;
}

hresult game_application::final_cleanup() {
  // The sound goes first: nothing plays while the game and the mission go.
  stop_music_track(g_music_tracks, 0);
  stop_music_track(g_music_tracks, 1);
  stop_sound_output();
  log_line("Saving options...\n");
  if (!save_options(g_game_options)) {
    // The options of this run would be lost without a word otherwise.
    const std::string path = get_user_file_path("options.dat");
    log_line("Unable to save options to " + path + "\n");
    ruv_warning("Unable to save options to %s. The settings folder must be a folder you can write to.",
                path.c_str());
  }
  // The ragdoll worker steps the mission's physics worlds: it stops before
  // they go, also when the window closes in the middle of a battle.
  physics_worlds_worker.stop();
  // The game goes before the mission, and module code no longer sees the
  // mission once it is gone.
  end_game();
  state_hosts->end_mission();
  delete current_mission;
  current_mission = nullptr;
  // The windows' frames hold the start-up steps and the screens' state; none
  // runs again.
  g_window_manager.destroy_game_windows();
  engine_log().close();
  return frame_code::ok;
}

std::int64_t game_application::window_procedure(const frame_message& message) {
  switch (message.kind) {
    case frame_message_kind::set_cursor:
      if (device && windowed) {
        device->show_cursor(true);
        return 1;
      }
      break;
    case frame_message_kind::key_down:
    case frame_message_kind::key_up: {
      const int code = platform::key_code_from_sdl_scancode(message.event.scancode);
      if (code >= 0 && code < static_cast<int>(key_down_table.size()))
        key_down_table[static_cast<std::size_t>(code)] = message.kind == frame_message_kind::key_down ? 1 : 0;
      // The host sends no characters for these keys; the text boxes take
      // them as characters 8 and 13.
      if (message.kind == frame_message_kind::key_down) {
        if (code == platform::key::backspace) pending_char = 8;
        if (code == platform::key::enter || code == platform::key::keypad_enter) pending_char = 13;
      }
      break;
    }
    case frame_message_kind::character:
      pending_char = static_cast<std::int32_t>(message.event.character);
      break;
    default:
      break;
  }
  return application_frame::window_procedure(message);
}

}  // namespace hm
