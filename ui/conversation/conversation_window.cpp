#include "ui/conversation/conversation_window.h"

#include <algorithm>
#include <cmath>

#include "engine/app/input_state.h"
#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/game.h"
#include "module/text/translation_table.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "ui/layout/layout_variables.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// The return id that hands the end to the state dispatcher.
constexpr std::int32_t opened_by_dispatcher = 100;
// Key codes: the left mouse button and Tab.
constexpr int key_left_mouse = 224;
constexpr int key_tab = 15;
constexpr std::uint64_t troop_flag_hero = 0x10;
constexpr std::uint64_t troop_flag_keeps_equipment = 0x1000;
constexpr int equipment_slot_count = 10;
// Request bits of the meta mission the codes that leave through it raise.
constexpr std::uint32_t request_menu_mission = 0x8;
constexpr std::uint32_t request_game_menu = 0x400;
constexpr std::uint32_t request_scene_conversation = 0x800;

game_script_words* words() {
  script_campaign_host* c = current_script_host().campaign;
  return c ? &c->game_words() : nullptr;
}

troop* find_troop(std::int32_t t) { return g_game ? g_game->find_troop(t) : nullptr; }

bool is_hero(std::int32_t t) {
  const troop* tr = find_troop(t);
  return tr && (tr->flags & troop_flag_hero) != 0;
}

ruv_string troop_shown_name(std::int32_t t) {
  const troop* tr = find_troop(t);
  if (!tr) return {};
  if (const ruv_string* s = g_translation_table.find_translation(tr->id.view())) return *s;
  return tr->name;
}

bool left_mouse_released() {
  return g_input_state.keys[key_left_mouse] == 0 && g_input_state.previous_keys[key_left_mouse] != 0;
}

void dispatch() {
  if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
}

void request(std::uint32_t bit) {
  g_meta_mission.request_mask |= bit;
  dispatch();
}

// Opens a window that comes back to the conversation.
game_window* open_from_conversation(int id, std::int32_t mode) {
  game_window* w = g_window_manager.window(id);
  if (!w) return nullptr;
  w->return_window = window_id::conversation;
  w->mode = mode;
  return w;
}

void put_button_meshes(widget& b, float scale_y) {
  if (auto m = g_ui_manager.resource_mesh_copy("dlg_button")) {
    m->scale(1.0f, scale_y, 1.0f);
    b.set_mesh_slot(slot_up, std::move(m));
  }
  if (auto m = g_ui_manager.resource_mesh_copy("dlg_button_down")) {
    m->scale(1.0f, scale_y, 1.0f);
    b.set_mesh_slot(slot_down, std::move(m));
  }
}

}  // namespace

void conversation_window::build() {
  g_ui_manager.clear();
  auto r = std::make_unique<window_container>();
  r->set_position({0.0f, 0.0f});
  r->set_size({1.0f, 0.75f});
  if (auto m = g_ui_manager.resource_mesh_copy("conversation_window")) {
    r->fit_mesh(*m);
    r->set_mesh(slot_background, std::move(m));
  }
  root = r.get();
  g_ui_manager.redraw = 1;
  g_ui_manager.push_root_widget(std::move(r));

  layout = read_conversation_layout();

  auto b = std::make_unique<container>();
  read_widget_layout(*b, "conv_bo_board");
  board = root->add(std::move(b));
  auto partner_text = std::make_unique<widget>();
  read_widget_layout(*partner_text, "conv_t_partner");
  partner_label = board->add_child(std::move(partner_text));
  auto name = std::make_unique<widget>();
  read_widget_layout(*name, "conv_t_utterer_name");
  utterer_name_label = board->add_child(std::move(name));

  auto panel = std::make_unique<scrollable_container>();
  read_widget_layout(*panel, "conv_sc_choices");
  if (scrollbar* bar = panel->scroll_bars[1]) read_widget_layout(*bar, "conv_s_choices");
  read_widget_layout(*panel->content, "conv_bo_choices");
  choice_list = panel->content;
  choice_list->set_extent_min({0.0f, -layout.choices_min_y});
  panel->set_view_size(panel->size);
  panel->update_layout();
  choice_panel = root->add(std::move(panel));
  choice_buttons.clear();

  auto hint = std::make_unique<widget>();
  read_widget_layout(*hint, "conv_t_press_mouse");
  hint->set_text(g_translation_table.get_string_by_id("ui_press_left_mouse_button_to_continue"));
  press_mouse_label = root->add_child(std::move(hint));

  auto box = std::make_unique<container>();
  box->set_position({0.03f, 0.3f});
  box->set_size({0.25f, 0.21f});
  if (auto m = g_ui_manager.resource_mesh_copy("message_window")) {
    box->fit_mesh(*m);
    box->set_mesh(slot_background, std::move(m));
  }
  box->hide();
  relation_box = box.get();
  auto bar = std::make_unique<widget>();
  bar->set_position({0.01f, 0.02f});
  bar->set_size({0.23f, 0.02f});
  if (auto m = g_ui_manager.resource_mesh_copy("talk_relation_bar")) {
    bar->fit_mesh(*m);
    bar->set_mesh(slot_background, std::move(m));
  }
  relation_bar = box->add_child(std::move(bar));
  auto pointer = std::make_unique<widget>();
  pointer->set_position({0.1f, 0.02f});
  pointer->set_size({0.03f, 0.03f});
  if (auto m = g_ui_manager.resource_mesh_copy("talk_reln_pointer")) pointer->set_mesh(slot_background, std::move(m));
  relation_pointer = box->add_child(std::move(pointer));
  for (int i = 0; i < 5; ++i) {
    auto label = std::make_unique<widget>();
    label->set_position({0.01f, 0.17f - 0.03f * static_cast<float>(i)});
    label->set_size({0.23f, 0.03f});
    label->set_text_flags(ui_text_flag::align_left);
    label->set_text_size({0.021f, 0.021f});
    info_labels[static_cast<std::size_t>(i)] = box->add_child(std::move(label));
  }
  root->add_child(std::move(box));

  auto view = std::make_unique<mesh_view_widget>();
  view->set_position({0.002f, 0.29f});
  view->set_size({0.289f, 0.453f});
  view_camera.construct();
  const float half_width = 0.1f * std::tan(3.14159265f / 8.0f);
  const float half_height = view->size.x > 0.0f ? half_width * view->size.y / view->size.x : half_width;
  view_camera.view_left = -half_width;
  view_camera.view_right = half_width;
  view_camera.view_top = half_height;
  view_camera.view_bottom = -half_height;
  view_camera.near = 0.1f;
  view_camera.far = 500.0f;
  view_camera.update_frustum_planes();
  view->view_camera = view_camera;
  camera_ease = {};
  partner_view = root->add(std::move(view));

  choice_count = 0;
  std::int32_t result = 0;
  choose(-1, result);

  // Back from a trade: the partner's agents wear what they have now.
  if (inventory_partner >= 0) {
    if (scene) scene->rebuild_troop_visuals(inventory_partner);
    inventory_partner = -1;
  }
}

widget* conversation_window::answer_button(int i) {
  while (static_cast<int>(choice_buttons.size()) <= i && choice_list) {
    auto b = std::make_unique<text_button>();
    b->hide();
    choice_buttons.push_back(choice_list->add_child(std::move(b)));
  }
  return i < static_cast<int>(choice_buttons.size()) ? choice_buttons[static_cast<std::size_t>(i)] : nullptr;
}

void conversation_window::choose(int index, std::int32_t& result) {
  result = 0;
  conversation& talk = g_conversation;
  if (choice_count >= 2 && index >= 0 && index < choice_count) {
    talk.select_option(index);
    result = talk.should_close() ? (talk.state == conversation_close_state ? 1 : words()->screen_change_code) : 0;
    talk.advance_automatic_lines();
  } else if (choice_count == 1 && index != -1) {
    talk.select_option(0);
  } else if (choice_count == 0 && index == -2) {
    result = talk.should_close() ? (talk.state == conversation_close_state ? 1 : words()->screen_change_code) : 0;
    talk.advance_automatic_lines();
  }
  refresh();
}

void conversation_window::refresh() {
  conversation& talk = g_conversation;
  speaker_troop = talk.get_line_speaker_troop();
  if (utterer_name_label) utterer_name_label->set_text(troop_shown_name(speaker_troop));
  if (partner_label) partner_label->set_text(talk.current_text);

  for (widget* b : choice_buttons)
    if (b) b->hide();
  choice_count = talk.advance_automatic_lines_for();

  if (choice_count < 2) {
    if (press_mouse_label) press_mouse_label->show();
    return;
  }
  if (press_mouse_label) press_mouse_label->hide();
  float running_y = 0.0f;
  for (int i = 0; i < choice_count; ++i) {
    widget* b = answer_button(i);
    if (!b) break;
    const ruv_string text = talk.get_option_text(i);
    const answer_layout a = lay_out_answer(layout, text.view(), talk.get_option_line(i), running_y);
    b->show();
    b->set_text_flags(a.text_flags);
    b->set_text_position(a.text_position);
    b->set_size(a.size);
    b->text_position.x += a.text_offset.x;
    b->set_text_size(a.text_size);
    b->set_position(a.position);
    b->set_text(text);
    put_button_meshes(*b, a.mesh_scale_y);
  }
  const float height = conversation_list_height(layout, running_y);
  if (choice_list) choice_list->set_extent_min({0.0f, -height});
  if (choice_panel) {
    choice_panel->update_scrollbars();
    if (scrollbar* bar = choice_panel->scroll_bars[1]) {
      bar->set_float_value(bar->float_max);
      bar->raise_event(ui_event::clicked);
    }
  }
}

void conversation_window::scroll(float wheel) {
  scrollbar* bar = choice_panel ? choice_panel->scroll_bars[1] : nullptr;
  if (!bar) return;
  const float length = bar->length();
  if (length <= 0.0f) return;
  const float range = bar->float_max - bar->float_min;
  const float fraction = range != 0.0f ? (bar->float_value - bar->float_min) / range : 0.0f;
  const float handle = bar->handle_size;
  bar->set_value_from_point(fraction * (length - handle) + (wheel / length) * handle * 0.0005f);
  bar->raise_event(ui_event::clicked);
}

void conversation_window::update_relation_box() {
  if (!relation_box) return;
  const game_script_words* w = words();
  const script_campaign_host* campaign = current_script_host().campaign;
  const ui_vec2 mouse = g_ui_manager.mouse_position;
  const bool shown = w && campaign && partner_view && speaker_troop != campaign->player_troop() &&
                     w->game_word_2 != 0 && mouse.x < partner_view->size.x &&
                     mouse.y > partner_view->local_position.y + 0.1f;
  if (!shown) {
    relation_box->hide();
    return;
  }
  relation_box->show();
  // Module code sets the value shown (-100..100) with the first game word.
  float x = 0.0f;
  if (relation_pointer_x(w->game_word_1, x)) {
    relation_pointer->set_position({x, 0.02f});
    relation_pointer->show();
    relation_bar->show();
  } else {
    relation_pointer->hide();
    relation_bar->hide();
  }
  game_script_words* writable = words();
  for (std::size_t i = 0; i < info_labels.size(); ++i) {
    if (!writable->script_text_changed[i]) continue;
    info_labels[i]->set_text(writable->script_texts[i]);
    writable->script_text_changed[i] = 0;
  }
}

void conversation_window::update_camera(float seconds) {
  if (!scene || !partner_view) return;
  const conversation& talk = g_conversation;
  const int partner = scene->partner_agent();
  auto agent_of = [&](std::int32_t troop) {
    if (is_hero(troop) || partner < 0) {
      const int a = scene->last_agent_of_troop(troop);
      if (a >= 0) return a;
    }
    return partner;
  };
  // A partner who stands nowhere in the scene: the camera shows the player.
  int speaker = agent_of(speaker_troop);
  if (speaker < 0) speaker = scene->player_agent();
  const std::int32_t listener_troop = talk.get_line_listener_troop();
  const int listener = (!is_hero(listener_troop) && partner >= 0) ? -1 : scene->last_agent_of_troop(listener_troop);
  vec3 position, eye, forward;
  if (speaker < 0 || !scene->agent_view(speaker, position, eye, forward)) return;
  vec3 camera_position;
  vec3 look;
  vec3 player_position, player_eye, player_forward;
  if (speaker == partner && scene->agent_view(scene->player_agent(), player_position, player_eye, player_forward)) {
    const vec3 d = player_position - position;
    const float distance = d.length();
    const vec3 along = get_normalized(d);
    camera_position = eye + along * std::min(distance, 1.0f);
    look = -along;
  } else {
    camera_position = eye + forward;
    look = -forward;
    vec3 lp, le, lf;
    if (listener >= 0 && scene->agent_view(listener, lp, le, lf)) {
      const vec3 target = le + vec3(0.01f, 0.01f, -0.1f);
      const vec3 offset = target - camera_position;
      if (offset.length() < 1.4f) {
        camera_position = camera_position + offset * 0.5f;
        look = target - camera_position;
        // Looking at the listener from halfway: the speaker stays in view.
        look = get_normalized(look);
      }
    }
  }
  const hm::frame target = conversation_look_frame(camera_position, look);
  view_camera.frame = ease_conversation_camera(camera_ease, target, seconds);
  view_camera.update_frustum_planes();
  partner_view->view_camera = view_camera;
}

void conversation_window::queue_scene(std::uint32_t width, std::uint32_t height) {
  if (scene && partner_view) scene->queue_scene(partner_view->view_camera, *partner_view, width, height);
}

void conversation_window::frame(float seconds) {
  g_ui_manager.flush_pending_messages();
  if (g_ui_manager.wheel != 0) scroll(static_cast<float>(g_ui_manager.wheel));
  update_relation_box();
  if (scene) scene->step_scene(seconds);

  std::int32_t result = 0;
  if (choice_count < 2) {
    if (left_mouse_released()) choose(-2, result);
  } else {
    int clicked = -1;
    for (int i = 0; i < choice_count && i < static_cast<int>(choice_buttons.size()); ++i) {
      widget* b = choice_buttons[static_cast<std::size_t>(i)];
      if (b && b->take_event(ui_event::clicked)) clicked = i;
    }
    if (clicked >= 0) choose(clicked, result);
  }
  update_camera(seconds);
  if (g_ruv_config.enable_edit_mode != 0 && g_input_state.is_key_clicked(key_tab)) result = conversation_code::leave;
  if (result != 0) act_on_result(result);
}

bool conversation_window::act_on_result(std::int32_t result) {
  game_script_words* w = words();
  const std::int32_t partner = g_conversation.partner_troop;
  auto done = [w] {
    // The code is answered: a later continue click must not answer it again.
    if (w) w->screen_change_code = 0;
  };
  switch (result) {
    case conversation_code::leave:
      done();
      if (return_window == opened_by_dispatcher)
        dispatch();
      else
        g_window_manager.set_window(return_window);
      return true;
    case conversation_code::notes:
      done();
      open_from_conversation(window_id::note, 0);
      g_window_manager.set_window(window_id::note);
      return true;
    case conversation_code::trade: {
      done();
      // A partner that is no hero and keeps nothing of its own trades what
      // it carries, not what it wears.
      if (troop* t = find_troop(partner); t && (t->flags & troop_flag_hero) == 0 &&
                                         (t->flags & troop_flag_keeps_equipment) == 0) {
        for (int slot = 0; slot < equipment_slot_count; ++slot) t->clear_equipment_slot_if(slot);
      }
      if (game_window* inv = open_from_conversation(window_id::inventory, 2)) inv->parameters[0] = partner;
      g_window_manager.set_window(window_id::inventory);
      return true;
    }
    case conversation_code::trade_partner:
    case conversation_code::buy: {
      const std::int32_t target = w && w->exit_troop > 0 ? w->exit_troop : partner;
      done();
      if (result == conversation_code::trade_partner) inventory_partner = partner;
      if (game_window* inv = open_from_conversation(window_id::inventory, result == conversation_code::buy ? 1 : 4))
        inv->parameters[0] = target;
      g_window_manager.set_window(window_id::inventory);
      return true;
    }
    case conversation_code::party_troop_2:
    case conversation_code::party_troop_3:
      done();
      if (game_window* p = open_from_conversation(window_id::party, result == conversation_code::party_troop_2 ? 2 : 3)) {
        p->parameters[0] = -1;
        p->parameters[1] = partner;
      }
      g_window_manager.set_window(window_id::party);
      return true;
    case conversation_code::character_1:
    case conversation_code::character_2:
      done();
      if (game_window* c = open_from_conversation(window_id::character, result == conversation_code::character_1 ? 1 : 2)) {
        c->parameters[0] = partner;
        c->reset_hook();
      }
      g_window_manager.set_window(window_id::character);
      return true;
    // The codes module code sets to leave the talk for a battle, another
    // talk, the map or a game menu go the way the game menu sends them:
    // left unanswered, the talk would stand still with its partner silent.
    case conversation_code::mission:
      done();
      request(request_menu_mission);
      return true;
    case conversation_code::scene_conversation:
      done();
      request(request_scene_conversation);
      return true;
    case conversation_code::world_map:
      done();
      g_window_manager.set_window(window_id::world_map);
      return true;
    case conversation_code::menu:
      done();
      if (return_window == opened_by_dispatcher) {
        request(request_game_menu);
      } else {
        if (game_window* m = g_window_manager.window(window_id::game_menu)) m->return_window = window_id::conversation;
        g_window_manager.set_window(window_id::game_menu);
      }
      return true;
    default:
      if (result >= conversation_code::party_first && result <= conversation_code::party_last) {
        done();
        if (game_window* p = open_from_conversation(window_id::party,
                                                    result == conversation_code::party_first ? 1 : result))
          p->parameters[0] = g_conversation.partner_party;
        g_window_manager.set_window(window_id::party);
        return true;
      }
      return false;
  }
}

}  // namespace hm
