#include "ui/windows/game_window.h"

#include <new>

#include "engine/app/input_state.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "module/text/translation_table.h"
#include "script/script_state.h"
#include "ui/conversation/conversation_window.h"
#include "ui/face/face_gen_window.h"
#include "ui/inventory/inventory_window.h"
#include "ui/layout/layout_variables.h"
#include "ui/terrain/terrain_gen_window.h"
#include "ui/manager/ui_manager.h"
#include "ui/character/character_export_window.h"
#include "ui/character/character_window.h"
#include "ui/meeting/meeting_window.h"
#include "ui/menus/briefing_windows.h"
#include "ui/menus/front_menus.h"
#include "ui/menus/game_menu_window.h"
#include "ui/menus/load_window.h"
#include "ui/party/party_window.h"
#include "ui/options/controls_window.h"
#include "ui/options/options_window.h"
#include "ui/options/video_options_window.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/save_load_window.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// The key code of Enter.
constexpr int key_enter = 28;
// The return id that hands the timed windows' end to the meta mission.
constexpr std::int32_t return_to_meta_mission = 100;
// The music situation of the front end.
constexpr std::int32_t front_end_music = 0x400000;
// The pending screen change code that restarts window 27.
constexpr std::int32_t restart_presentation_window = 15;

// A window class that builds nothing yet: its screen comes with later work.
#define HM_TOP_LEVEL_WINDOW(name, base)        \
  class name final : public base {             \
  };
HM_TOP_LEVEL_WINDOW(quests_window, top_level_window)
HM_TOP_LEVEL_WINDOW(game_log_window, top_level_window)
HM_TOP_LEVEL_WINDOW(note_window, top_level_window)
#undef HM_TOP_LEVEL_WINDOW

// The windows that show the on-screen message log move the waiting messages
// into it at the start of each frame.
template <class Base>
class message_log_window : public Base {
 public:
  void frame(float /*seconds*/) override { g_ui_manager.flush_pending_messages(); }
};


// The world map keeps its view's values in saved games through the state hooks
// (their fields come with the world map itself).
class world_map_window final : public message_log_window<top_level_window> {};


// The mission screen: the mission layer installs its own object over this one.
class mission_screen_window final : public message_log_window<top_level_window> {
 public:
  bool shows_cursor() const override { return false; }
};

class presentation_window final : public timed_window {};
class loading_presentation_window final : public timed_window {};

template <class W>
std::unique_ptr<game_window> make_window(const char* class_name) {
  std::unique_ptr<game_window> w(new (std::nothrow) W());
  if (w) w->name = ruv_string(class_name);
  return w;
}

struct window_entry {
  const char* class_name;
  std::unique_ptr<game_window> (*make)(const char*);
};

// By id.
const window_entry window_table[game_window_count] = {
    {"message_box_window", make_window<message_box_window>},
    {"choice_window", make_window<choice_window>},
    {"load_window", make_window<load_window>},
    {"launch_window", make_window<launch_window>},
    {"main_menu_window", make_window<main_menu_window>},
    {"in_game_menu_window", make_window<in_game_menu_window>},
    {"meeting_window", make_window<meeting_window>},
    {"world_map_window", make_window<world_map_window>},
    {"inventory_window", make_window<inventory_window>},
    {"party_name_window", make_window<party_name_window>},
    {"mission_window", make_window<mission_window>},
    {"debrief_window", make_window<debrief_window>},
    {"party_window", make_window<party_window>},
    {"quests_window", make_window<quests_window>},
    {"mission_screen_window", make_window<mission_screen_window>},
    {"character_window", make_window<character_window>},
    {"conversation_window", make_window<conversation_window>},
    {"factions_window", make_window<factions_window>},
    {"options_window", make_window<options_window>},
    {"video_options_window", make_window<video_options_window>},
    {"controls_window", make_window<controls_window>},
    {"save_load_window", make_window<save_load_window>},
    {"terrain_generator_window", make_window<terrain_gen_window>},
    {"game_menu_window", make_window<game_menu_window>},
    {"character_export_window", make_window<character_export_window>},
    {"game_log_window", make_window<game_log_window>},
    {"note_window", make_window<note_window>},
    {"presentation_window", make_window<presentation_window>},
    {"loading_presentation_window", make_window<loading_presentation_window>},
    {"face_gen_window", make_window<face_gen_window>},
};

// The order the windows are made in.
constexpr int creation_order[game_window_count] = {7,  0,  1,  4,  2,  3,  5,  6,  8,  9,  10, 11, 12, 13, 14,
                                                   15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};

// The boxes' root over the window below: at (0.25, 0.2), 0.5 by 0.44, with
// the "message_window" look; made the top root.
window_container* open_box() {
  auto root = std::make_unique<window_container>();
  root->set_position({0.25f, 0.2f});
  root->set_size({0.5f, 0.44f});
  if (auto m = g_ui_manager.resource_mesh_copy("message_window")) root->set_mesh(slot_background, std::move(m));
  window_container* raw = root.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(root));
  return raw;
}

}  // namespace

game_window::~game_window() = default;

void stacked_window::leave() { g_ui_manager.close_top_root = 1; }

void top_level_window::leave() { g_ui_manager.clear(); }

void forgetful_window::leave() {
  g_ui_manager.clear();
  root = nullptr;
}

void editor_window::leave() {
  g_ui_manager.clear();
  editor.reset();
}

// --- message box ---------------------------------------------------------------------------------

void message_box_window::build() {
  // A question with a text field is the name box, whatever mode it came with.
  const std::int32_t kind = (has_text_field && mode != 0) ? 3 : mode;
  ruv_string first = first_answer;
  if (kind == 0) first = g_translation_table.get_string_by_id("ui_ok");
  root = open_box();
  widget* title_label = make_label(*root, title, 0.05f, 0.34f, 0.4f, 0.05f);
  (void)title_label;
  // The body's text is laid out once its size is set, so that it shows at it.
  widget* body = make_label(*root, ruv_string(), 0.05f, 0.135f, 0.4f, 0.2f);
  body->add_text_flags(ui_text_flag::keep_width);
  body->set_text_size({0.02f, 0.02f});
  body->set_text(text);
  text_field = nullptr;
  buttons[0] = buttons[1] = nullptr;
  constexpr float h = 0.045f;
  switch (kind) {
    case 3:
    case 1:
      buttons[0] = make_medium_button(*root, first, 0.15f, 0.085f, h);
      buttons[1] = make_medium_button(*root, second_answer, 0.15f, 0.03f, h);
      break;
    case 2:
      buttons[0] = make_long_button(*root, first, 0.03f, 0.085f, h);
      buttons[1] = make_long_button(*root, second_answer, 0.03f, 0.03f, h);
      break;
    default:
      buttons[0] = make_medium_button(*root, first, 0.15f, 0.05f, h);
      break;
  }
  if (kind == 3) {
    auto box = std::make_unique<text_box>();
    box->set_position({get_layout_variable_float("yn_tb_name_x"), get_layout_variable_float("yn_tb_name_y")});
    box->set_text_position({0.0f, 0.009f});
    box->set_text_size({0.02f, 0.02f});
    if (auto m = g_ui_manager.resource_mesh_copy("party_button")) {
      m->scale(0.5f, 0.5f, 1.0f);
      box->set_mesh_slot(slot_up, std::move(m));
    }
    if (auto m = g_ui_manager.resource_mesh_copy("party_button_down")) {
      m->scale(0.5f, 0.5f, 1.0f);
      box->set_mesh_slot(slot_down, std::move(m));
    }
    box->set_text(result_text ? *result_text : ruv_string());
    box->focused = 1;
    text_field = root->add_child(std::move(box));
    // Focused and holding the capture, the field takes typing at once.
    g_ui_manager.capturing_widget = text_field;
  }
  saved_cursor = g_ui_manager.cursor_visible;
}

void message_box_window::frame(float /*seconds*/) {
  const bool one_button = buttons[1] == nullptr;
  const bool first = (buttons[0] && buttons[0]->take_event(ui_event::clicked)) ||
                     (one_button && g_input_state.is_key_clicked(key_enter));
  if (first) {
    if (answer_target) *answer_target = 0;
    if (result_text && text_field) *result_text = text_field->text;
  } else if (buttons[1] && buttons[1]->take_event(ui_event::clicked)) {
    if (answer_target) *answer_target = 1;
    if (result_text && text_field) *result_text = ruv_string();
  } else {
    return;
  }
  buttons[0] = buttons[1] = nullptr;
  text_field = nullptr;
  g_window_manager.pop_window();
}

// --- choice box ----------------------------------------------------------------------------------

void choice_window::build() {
  choice_count = static_cast<std::int32_t>(std::min<std::size_t>(choices.size(), max_choices));
  selected = -1;
  root = open_box();
  make_label(*root, text, 0.05f, 0.29f, 0.4f, 0.1f);
  buttons.clear();
  // The list ends at y 0.05 whatever the count.
  for (std::int32_t i = 0; i < choice_count; ++i) {
    const float y = 0.3f - (static_cast<float>(i - choice_count) + 6.0f) * 0.05f;
    buttons.push_back(make_long_button(*root, choices[static_cast<std::size_t>(i)], 0.05f, y, 0.04f));
  }
  saved_cursor = g_ui_manager.cursor_visible;
}

void choice_window::frame(float /*seconds*/) {
  std::int32_t clicked = -1;
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] && buttons[i]->take_event(ui_event::clicked)) clicked = static_cast<std::int32_t>(i);
  if (clicked < 0) return;
  selected = clicked;
  buttons.clear();
  g_window_manager.pop_window();
}

// --- launch window ------------------------------------------------------------------------------

void launch_window::build() {
  build_launch_window(widgets);
  root = widgets.root;
}

void launch_window::leave() {
  top_level_window::leave();
  widgets = {};
  root = nullptr;
}

// --- timed windows ------------------------------------------------------------------------------

void timed_window::build() {
  const bool second = g_window_manager.window(window_id::loading_presentation) == this;
  // The second host plays the front end's music.
  if (second) {
    g_script_state.music_wanted_mask = front_end_music;
    g_script_state.music_wanted_mask_set = true;
  }
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({-0.001f, -0.001f});
  r->set_size({1.002f, 0.752f});
  root = r.get();
  g_ui_manager.push_root_widget(std::move(r));
  hosted.create_in_container(*root, presentation_number);
  if (second && hosted.number < 0) {
    if (auto m = g_ui_manager.resource_mesh_copy("load_window")) root->set_mesh(slot_background, std::move(m));
  }
}

void timed_window::frame(float seconds) {
  hosted.run_frame(seconds);
  // The presentation's blocks may have switched windows already.
  if (g_window_manager.top() != this) return;
  const double elapsed = static_cast<double>(clock_ticks(hosted.clock) - hosted.start) * 0.00001;
  if (elapsed > static_cast<double>(hosted.duration)) {
    if (return_window == return_to_meta_mission) {
      if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
    } else {
      g_window_manager.set_window(return_window);
    }
    return;
  }
  std::int32_t* change = g_window_manager.pending_screen_change;
  if (g_window_manager.window(window_id::presentation) == this && change && *change == restart_presentation_window) {
    *change = 0;
    g_window_manager.set_window(window_id::presentation);
  }
}

// --- the table ------------------------------------------------------------------------------------

void create_game_window_objects(std::unique_ptr<game_window> (&out)[game_window_count]) {
  for (int id : creation_order) out[id] = window_table[id].make(window_table[id].class_name);
}

const char* game_window_class_name(int id) {
  return id >= 0 && id < game_window_count ? window_table[id].class_name : "";
}

}  // namespace hm
