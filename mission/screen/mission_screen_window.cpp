#include "mission/screen/mission_screen_window.h"

#include <algorithm>
#include <optional>

#include "engine/core/text_format.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "mission/control/wielding.h"
#include "mission/physics/physics_worker.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/screen/action_prompt.h"
#include "mission/screen/edit_mode_entities.h"
#include "mission/screen/item_pickup.h"
#include "mission/screen/mission_camera.h"
#include "mission/screen/scene_saving.h"
#include "mission/screen/view_effects.h"
#include "mission/setup/spawning.h"
#include "mission/text/group_names.h"
#include "module/base/module_paths.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"
#include "module/records/world_records.h"
#include "module/text/translation_table.h"
#include "render/scene/scene_objects.h"
#include "render/view/scene_view.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/triggers.h"
#include "ui/manager/ui_manager.h"
#include "ui/presentation/presentation.h"
#include "ui/widget/container.h"
#include "ui/widget/mesh_builders.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// What the view's effects read of this frame besides the camera.
view_effects_inputs view_effects_now(const screen_input& in, float frame_time) {
  view_effects_inputs v;
  v.screen_width = static_cast<float>(g_ui_manager.screen_width);
  v.screen_height = static_cast<float>(g_ui_manager.screen_height);
  v.detail_option = g_game_options.character_detail;
  v.application_frame_time = frame_time;
  v.full_detail_keys = in.state && in.ctrl() && in.key_down(platform::key::equals);
  v.pixel_shaders = g_scene_view.pixel_shaders;
  return v;
}

constexpr std::uint32_t group_message_colour = 0xFFDDEE88u;
constexpr std::uint32_t refusal_colour = 0xFFFF3344u;
constexpr float order_list_seconds = 8.0f;
constexpr float prompt_period = 0.1f;
constexpr float enemies_too_near = 8.0f;
constexpr std::int32_t event_leave_request = -21;
constexpr std::int32_t event_inventory_request = -22;
constexpr std::int32_t event_leave_confirmed = -30;
constexpr std::int32_t event_trigger_parameter = -8;

bool is_group_everyone(const team& t) {
  return t.groups[0].selected && t.groups[1].selected && t.groups[2].selected;
}

void select_groups(mission& m, mission_screen_state& st, const screen_input& in, const agent& player,
                   mission_screen_host& host) {
  int pressed = -1;
  for (int c = control::group_everyone; c <= control::group_others; ++c)
    if (in.clicked(c)) {
      pressed = c;
      break;
    }
  if (pressed < 0) return;
  const bool modifier = in.ctrl() || in.shift();
  st.game.group_modifier = modifier ? 1 : 0;
  team& t = m.team_of(player.team);
  if (pressed == control::group_others) {
    for (team_group& g : t.groups) g.selected = g.selected ? 0 : 1;
    if (!t.groups[0].selected && !t.groups[1].selected && !t.groups[2].selected)
      for (team_group& g : t.groups) g.selected = 1;
  } else if (pressed == control::group_everyone) {
    for (team_group& g : t.groups) g.selected = 1;
  } else {
    if (!modifier)
      for (team_group& g : t.groups) g.selected = 0;
    t.groups[static_cast<std::size_t>(pressed - control::group_everyone - 1)].selected = 1;
  }
  if (is_group_everyone(t)) {
    host.add_message(host.text("ui_everyone_hear_me"), group_message_colour);
  } else {
    std::string names;
    make_order_classes_text(t, names);
    host.add_message(format_text(host.text("ui_str_hear_me"), {names}), group_message_colour);
  }
}

// The order a key gives, -1 for none.
int order_of_keys(mission& m, const screen_input& in) {
  static constexpr int fixed[][2] = {{21, 0}, {22, 1}, {23, 2}, {26, 5}, {27, 6}, {28, 7}, {29, 8}};
  for (const auto& f : fixed)
    if (in.clicked(f[0])) return f[1];
  const auto toggle = [&](int word, int first, int second) {
    std::int32_t& w = m.order_toggles[static_cast<std::size_t>(word)];
    const int code = w == 0 ? first : second;
    w = w == 0 ? 1 : 0;
    return code;
  };
  if (in.clicked(24)) return toggle(0, 4, 3);
  if (in.clicked(30)) return toggle(1, 9, 10);
  if (in.clicked(25)) return toggle(2, 12, 13);
  return -1;
}

bool enemy_within(const mission& m, const agent& player, float distance) {
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& a = *m.get_agent(i);
    if (a.kind != agent_kind_human || !a.is_alive() || !m.teams_are_enemies(player.team, a.team)) continue;
    if ((a.position() - player.position()).length() <= distance) return true;
  }
  return false;
}

void ask_to_leave(mission& m, mission_screen_state& st, const agent* player, mission_screen_host& host) {
  const bool may_leave_at_once = (m.flags & 0x1u) != 0 || !m.template_has_flag_bit1() || m.battle_result > 0;
  if (may_leave_at_once || !player) {
    st.leave_answer = 0;
    return;
  }
  if (enemy_within(m, *player, enemies_too_near)) {
    host.add_message(host.text("ui_cant_retreat_there_are_enemies_nearby"), refusal_colour);
    return;
  }
  st.leave_answer = -1;
  if (auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box))) {
    box->title = ruv_string();
    box->text = ruv_string(host.text("ui_question_leave_area"));
    box->first_answer = ruv_string(host.text("ui_yes"));
    box->second_answer = ruv_string(host.text("ui_no"));
    box->answer_target = &st.leave_answer;
    box->mode = 1;
  }
  host.push_window(window_id::message_box);
}

// The action key on a prompt in range: door, talk, chest or go. Returns
// false when the mission is to end.
bool act_on_prompt(mission& m, mission_screen_state& st, mission_screen_host& host, bool& open_inventory,
                   std::int32_t& chest_troop) {
  switch (st.prompt) {
    case prompt_kind::door: {
      // The index was valid when the prompt was made; it is checked again.
      const std::int32_t target = host.passage_target(m, st.prompt_target);
      if (target < 0) return true;
      if (target == passage_leaves_scene || target >= host.scene_count()) return false;
      st.game.next_scene = target;
      st.game.next_entry = 0;
      return true;
    }
    case prompt_kind::talk:
      if (m.get_live_agent(st.prompt_target)) m.conversation_request = st.prompt_target;
      return true;
    case prompt_kind::chest: {
      const scene_prop_instance* p = m.get_scene_prop_instance(st.prompt_target);
      if (!p || p->removed) return true;
      chest_troop = host.chest_troop(m, p->variation);
      open_inventory = true;
      return true;
    }
    case prompt_kind::go: {
      // The menu may have changed since the prompt was made.
      const scene_prop_instance* p = m.get_scene_prop_instance(st.prompt_target);
      if (!p || p->removed || p->kind != prop_kind_passage) return true;
      if (p->variation < 0 || p->variation >= host.menu_item_count()) return true;
      st.game.next_entry = 0;
      host.run_menu_item(m, p->variation);
      return true;
    }
    case prompt_kind::equip: {
      // The instance was checked when the prompt was made; it is checked
      // again, as another agent may have taken the item since.
      scene_prop_instance* p = m.get_scene_prop_instance(st.prompt_target);
      if (!p || p->removed || p->kind != prop_kind_spawned_item) return true;
      item lying;
      lying.kind = p->id;
      lying.word = static_cast<std::uint32_t>(p->variation);
      pickup_messages msg;
      msg.text = [&host](const char* key) { return host.text(key); };
      msg.add = [&host](const std::string& t, std::uint32_t colour) { host.add_message(t, colour); };
      msg.item_name = [&host](const item& it) { return host.item_name(it.kind, it.word); };
      if (pick_up_or_drop_item(m, m.player_agent, lying, msg)) {
        // A dropped item may have grown the instance vector.
        p = m.get_scene_prop_instance(st.prompt_target);
        if (p->entity) m.services().remove_scene_entity(m, *p->entity);
        p->entity = nullptr;
        p->removed = 1;
        update_player_body_visibility(m);
      }
      return true;
    }
    default:
      return true;
  }
}

void show_order_list(const mission_screen_state& st, mission_screen_host& host) {
  std::vector<overlay_line> lines{{host.text("ui_order_group"), 0.035f, 0xFFF0E0D0u}};
  const char* keys[5] = {"ui_order_hold_position", "ui_order_follow", "ui_order_charge", "ui_order_vidid",
                         "ui_order_dismount"};
  for (int code = 0; code < 5; ++code) {
    std::uint32_t colour = 0xFFD0D0D0u;
    if (code == st.order_code) colour = st.order_state == order_display::armed ? 0xFFFFFFFFu : 0xFF50FF60u;
    lines.push_back({host.text(keys[code]), 0.03f, colour});
  }
  host.show_overlay(lines, 0.5f, 0.4f);
}

void issue_player_order(mission& m, mission_screen_state& st, const screen_input& in, const agent& player,
                        mission_screen_host& host, bool cheat_mode) {
  int team = agent_team_index(player.team);
  if (cheat_mode && in.key_down(platform::key::left_shift) && in.key_down(platform::key::left_control)) team = 1;
  host.issue_order(m, team, st.order_code);
  if (st.order_state == order_display::armed) {
    // Shown for half a second: the list hides after eight seconds.
    st.order_timer.set_elapsed(order_list_seconds - 0.5f);
    st.order_state = order_display::shown;
    show_order_list(st, host);
  }
}

// Steps 2 and the ramp: the mission's time step of this frame.
float mission_step(mission& m, mission_screen_state& st, const screen_input& in, float frame_time, bool cheat) {
  if (!cheat) return frame_time;
  if (in.ctrl() && in.key_clicked(function_key(9))) st.slow_motion ^= 1;
  if (in.ctrl() && in.key_clicked(platform::key::f11)) st.paused ^= 1;
  float step = st.paused ? 0.0f : (st.slow_motion ? frame_time * 0.2f : frame_time);
  mission_time_speed& ts = m.time_speed;
  if (ts.duration > 0.0f) {
    const float t = ts.ramp_timer.elapsed() / ts.duration;
    if (t < 1.0f) {
      step *= (1.0f - t) * ts.current + t * ts.target;
    } else {
      ts.current = ts.target;
      step *= ts.current;
      ts.duration = 0.0f;
    }
  } else {
    step *= ts.current;
  }
  return step;
}

// Presentations the module shows over the battle: started on request in the
// window's own slot, stepped each frame, and ended once their time is up.
void run_screen_presentation(mission_screen_state& st, game_window& self, float frame_time) {
  if (st.game.request == 15) {
    st.game.request = 0;
    st.pending_presentation = st.game.requested_presentation;
  }
  presentation& p = self.hosted;
  if (st.pending_presentation >= 0 && g_current_presentation == nullptr && self.root)
    p.create_in_container(*self.root, st.pending_presentation);
  if (g_current_presentation != &p) return;
  p.run_frame(frame_time);
  // Its blocks may have ended it or left the screen.
  if (g_current_presentation != &p) return;
  const double elapsed = static_cast<double>(clock_ticks(p.clock) - p.start) * 0.00001;
  if (elapsed > static_cast<double>(p.duration)) {
    clear_presentation_state(p);
    if (p.root) p.root->delete_children();
    st.pending_presentation = -1;
  }
}

}  // namespace

bool presentation_blocks_input(const game_window& w) {
  return g_current_presentation == &w.hosted && (w.hosted.flags & 0x1) == 0;
}

// --- the default host -----------------------------------------------------------------------------

mission_screen_host::~mission_screen_host() = default;

std::int64_t mission_screen_host::check_template_triggers(mission& m, std::int32_t event_code) {
  g_script_state.trigger_result = 0;
  if (mission_template* t = current_mission_template(m)) check_triggers(t->triggers, event_code);
  return g_script_state.trigger_result;
}

void mission_screen_host::add_message(const std::string& text, std::uint32_t colour) {
  if (script_ui_host* ui = current_script_host().ui) ui->add_message_line(text, colour);
}

void mission_screen_host::show_overlay(const std::vector<overlay_line>& lines, float x, float y) {
  g_ui_manager.reset_overlay_texts(nullptr, true);
  g_ui_manager.set_overlay_position({x, y});
  for (const overlay_line& l : lines) g_ui_manager.add_overlay_text_line(ruv_string(l.text), l.size, l.colour, true);
}

std::string mission_screen_host::text(const char* key) {
  return std::string(g_translation_table.get_string_by_id(key).c_str());
}

void mission_screen_host::issue_order(mission&, int, int) {}
bool mission_screen_host::set_window(int id) { return g_window_manager.set_window(id); }
bool mission_screen_host::push_window(int id) { return g_window_manager.push_window(id); }
void mission_screen_host::dispatch_requests() {
  if (g_window_manager.dispatch_meta_mission_requests) g_window_manager.dispatch_meta_mission_requests();
}
void mission_screen_host::quick_save() {}
void mission_screen_host::apply_mission_results(mission&) {}
void mission_screen_host::start_conversation(mission&, int) {}

std::int32_t mission_screen_host::passage_target(mission& m, int passage) {
  if (!g_game || m.scene_index < 0 || m.scene_index >= g_game->scene_count()) return -1;
  const scene& s = *g_game->scenes[static_cast<std::size_t>(m.scene_index)];
  if (passage < 0 || passage >= s.passage_count || passage >= max_scene_passages) return -1;
  return s.passages[static_cast<std::size_t>(passage)];
}

int mission_screen_host::scene_count() { return g_game ? g_game->scene_count() : 0; }
float mission_screen_host::screen_aspect() { return 0.75f; }
void mission_screen_host::request_mission_setup(int, int) {}

std::string mission_screen_host::item_name(int kind, std::uint32_t) {
  item it;
  it.kind = kind;
  const item_kind* k = it.get_kind();
  return k ? std::string(k->name.c_str()) : std::string();
}

std::string mission_screen_host::troop_name(int troop_index) {
  const troop* t = g_game ? g_game->find_troop(troop_index) : nullptr;
  return t ? std::string(t->name.c_str()) : std::string();
}

std::string mission_screen_host::scene_name(int scene_index) {
  if (!g_game || scene_index < 0 || scene_index >= g_game->scene_count()) return std::string();
  return std::string(g_game->scenes[static_cast<std::size_t>(scene_index)]->name.c_str());
}

int mission_screen_host::riding_skill(int troop_index) {
  const script_host& h = current_script_host();
  return troop_index >= 0 && h.module ? h.module->troop_effective_skill_level(troop_index, skill_riding) : 0;
}

namespace {
const scene* current_scene_record(const mission& m) {
  if (!g_game || m.scene_index < 0 || m.scene_index >= g_game->scene_count()) return nullptr;
  return g_game->scenes[static_cast<std::size_t>(m.scene_index)].get();
}
}  // namespace

int mission_screen_host::chest_count(mission& m) {
  const scene* s = current_scene_record(m);
  return s ? std::clamp(s->chest_troop_count, 0, max_scene_chest_troops) : 0;
}

std::int32_t mission_screen_host::chest_troop(mission& m, int chest) {
  const scene* s = current_scene_record(m);
  if (!s || chest < 0 || chest >= chest_count(m)) return -1;
  const std::int32_t t = s->chest_troops[static_cast<std::size_t>(chest)];
  return g_game && t >= g_game->troop_count() ? g_game->troop_count() - 1 : t;
}

int mission_screen_host::menu_item_count() { return -1; }
std::string mission_screen_host::menu_item_title(int) { return std::string(); }
void mission_screen_host::run_menu_item(mission&, int) {}
bool mission_screen_host::rest_pending() { return false; }
std::uint64_t mission_screen_host::current_menu_flags() { return 0; }
void mission_screen_host::request_menu_refresh() {}
void mission_screen_host::enter_edit_mode(mission&, edit_mode_view&) {}
void mission_screen_host::edit_mode_frame(mission&, edit_mode_view&) {}
void mission_screen_host::leave_edit_mode(mission&, edit_mode_view&) {}

scene_edit_mode::~scene_edit_mode() = default;

void mission_screen_host::save_scene(mission& m) {
  const scene* s = current_scene_record(m);
  if (!s) return;
  save_edited_scene(m, module_file_path(get_scene_objects_path(s->id.c_str())), s->id.c_str());
}

// --- the frame ------------------------------------------------------------------------------------

void mission_screen_frame(mission& m, mission_screen_state& st, mission_hud_widgets& hud, mission_screen_host& host,
                          const screen_input& in, player_input_settings settings, float frame_time,
                          game_window& self) {
  std::optional<physics_frame_scope> lock;
  if (physics_worlds_worker.physics_thread_enabled) lock.emplace(physics_worlds_worker);
  const bool cheat = g_ruv_config.cheat_mode != 0;
  settings.cheat_mode = cheat;
  settings.application_frame_time = frame_time;

  const float step = mission_step(m, st, in, frame_time, cheat);
  if (in.key_clicked(platform::key::down)) st.game.point_threshold -= 5;
  if (in.key_clicked(platform::key::up)) st.game.point_threshold += 5;

  update_player_input(m, st, in, settings, step);
  m.frame_begun = 0;
  m.frame(step, true);
  agent* player = m.get_live_agent(m.player_agent);
  if (player) {
    update_status_bars(m, st, hud);
    update_aim_indicators(m, st, in, hud, frame_time);
  }
  // The edit mode's camera flies on the application's time, paused or not.
  update_mission_camera(m, st, in, st.game.edit_mode ? frame_time : step, host.screen_aspect(), hud.view ? &hud.view->view_camera : nullptr);
  update_lens_flare(m, st.cam.camera, max_field_of_view / std::max(st.cam.field_of_view, 1.0f),
                    view_effects_now(in, frame_time));
  g_ui_manager.flush_pending_messages();

  edit_mode_view edit_view{st, in, hud.view, frame_time, &host};
  if (g_ruv_config.enable_edit_mode && in.ctrl() && in.key_clicked(platform::key::e)) {
    if (st.game.edit_mode) {
      st.game.edit_mode = 0;
      host.leave_edit_mode(m, edit_view);
      return;
    }
    st.game.edit_camera.position =
        player ? player->position() + vec3(0.0f, 0.0f, 1.5f) : st.cam.camera.origin;
    g_first_person_view = 0;
    st.game.edit_mode = 1;
    create_edit_mode_entities(m);
    host.enter_edit_mode(m, edit_view);
  }
  if (st.game.edit_mode) {
    host.edit_mode_frame(m, edit_view);
    return;
  }

  bool keep_running = !(m.end_requested && m.end_timer.elapsed() >= 0.0f &&
                        g_window_manager.top_id() != window_id::message_box);
  if (st.game.scene_save_answer != -1) {
    if (st.game.scene_save_answer == 0) host.save_scene(m);
    else keep_running = false;
    st.game.scene_save_answer = -1;
  }

  bool open_inventory = false;
  std::int32_t chest_troop = -1;
  if (player) {
    if (!in.ctrl()) {
      const int code = order_of_keys(m, in);
      if (code >= 0) {
        st.order_code = code;
        issue_player_order(m, st, in, *player, host, cheat);
      }
    }
    if (in.clicked(control::view_orders)) {
      st.order_timer.reset();
      st.order_state = order_display::shown;
      show_order_list(st, host);
    }
    select_groups(m, st, in, *player, host);
    if (st.order_timer.elapsed() > order_list_seconds && st.order_state != order_display::armed) {
      st.order_state = order_display::armed;
      host.show_overlay({}, 0.5f, 0.5f);
    }
    // The order list shares the overlay: the prompt waits until it hides.
    if (st.prompt_timer.elapsed() > prompt_period && st.order_state != order_display::shown) {
      action_prompt_context c;
      c.menu_item_count = host.menu_item_count();
      c.riding_skill = host.riding_skill(player->troop);
      c.talk_allowed = st.game.talk_allowed;
      c.talk_blocked = st.game.talk_blocked;
      const action_prompt p = update_action_prompt(m, *player, host, c);
      st.prompt = p.kind;
      st.prompt_target = p.target;
      st.prompt_in_range = p.in_range;
      st.prompt_timer.reset();
    }

    if (in.clicked(control::action) && st.prompt_in_range)
      keep_running = act_on_prompt(m, st, host, open_inventory, chest_troop) && keep_running;
    if (in.clicked(control::inventory_window) && host.check_template_triggers(m, event_inventory_request) != 0)
      open_inventory = true;
  }

  if (st.leave_answer == 0) {
    host.check_template_triggers(m, event_leave_confirmed);
    keep_running = false;
    st.leave_answer = -1;
  }
  if (in.clicked(control::leave) && !in.alt() && host.check_template_triggers(m, event_leave_request) != 0)
    keep_running = false;
  if (st.game.pending_trigger_parameter >= 0) {
    g_script_state.trigger_param_1 = st.game.pending_trigger_parameter;
    host.check_template_triggers(m, event_trigger_parameter);
    st.game.pending_trigger_parameter = -1;
  }
  if (st.prompt == prompt_kind::leave && in.clicked(control::action)) ask_to_leave(m, st, player, host);
  run_screen_presentation(st, self, frame_time);

  // Ending and switching.
  const bool blocked = st.game.quick_save_blocked != 0;
  const bool battle = m.template_has_flag_bit1();
  const auto open = [&](int id, std::int32_t mode) {
    if (game_window* w = g_window_manager.window(id)) {
      w->return_window = window_id::mission_screen;
      w->mode = mode;
    }
    host.set_window(id);
  };
  if (!keep_running) {
    host.apply_mission_results(m);
    if (self.return_window != return_to_game_menu) {
      host.set_window(host.rest_pending() ? window_id::world_map : self.return_window);
    } else {
      // A menu that asks for it is run again when the mission hands back.
      if ((host.current_menu_flags() & 0x10u) != 0) host.request_menu_refresh();
      host.dispatch_requests();
    }
  } else if (open_inventory && player && !blocked) {
    st.came_back_from_inventory = 1;
    open(window_id::inventory, chest_troop >= 0 ? 3 : 0);
  } else if (in.clicked(control::character_window) && player && !blocked) {
    st.came_back_from_character = 1;
    st.stored_max_hit_points = static_cast<std::int32_t>(player->max_hit_points);
    open(window_id::character, 0);
  } else if (in.clicked(control::party_window) && !blocked && !battle) {
    open(window_id::party, 5);
  } else if (in.clicked(control::quests_window) && !blocked) {
    open(window_id::quests, 0);
  } else if (in.clicked(control::game_log_window) && !blocked) {
    open(window_id::game_log, 0);
  } else if (in.key_clicked(platform::key::escape)) {
    open(battle ? window_id::options : window_id::in_game_menu, 0);
  } else if (in.clicked(control::quick_save)) {
    if (!blocked && !battle) host.quick_save();
    else host.add_message(host.text("ui_cant_quick_save"), 0xFFFFFFFFu);
  } else if (m.conversation_request >= 0) {
    st.came_back_from_inventory = 1;
    const int who = m.conversation_request;
    m.conversation_request = -1;
    if (game_window* w = g_window_manager.window(window_id::conversation)) w->return_window = window_id::mission_screen;
    host.start_conversation(m, who);
    host.set_window(window_id::conversation);
  } else if (st.game.next_scene >= 0) {
    host.apply_mission_results(m);
    host.request_mission_setup(st.game.next_scene, st.game.next_entry);
    st.game.next_scene = -1;
    host.dispatch_requests();
  } else {
    host.dispatch_requests();
  }
}

// --- the window -----------------------------------------------------------------------------------

mission_screen_window::mission_screen_window(std::function<mission*()> current)
    : current_(std::move(current)), default_host_(std::make_unique<mission_screen_host>()), host_(default_host_.get()) {
  name = ruv_string("mission_screen_window");
}

mission_screen_window::~mission_screen_window() = default;

void mission_screen_window::set_host(mission_screen_host* h) { host_ = h ? h : default_host_.get(); }

void mission_screen_window::build() {
  mission* m = current_ ? current_() : nullptr;
  if (!m) return;
  build_mission_hud(*m, state, hud);
  root = hud.root;
  update_mission_camera(*m, state, input, 0.001f, host_->screen_aspect(), hud.view ? &hud.view->view_camera : nullptr);
  update_player_body_visibility(*m);
}

void mission_screen_window::reset_hook() {
  state.prompt = prompt_kind::none;
  state.prompt_in_range = 0;
  state.order_state = order_display::hidden;
  state.leave_answer = -1;
}

void mission_screen_window::frame(float seconds) {
  mission* m = current_ ? current_() : nullptr;
  if (!m) return;
  settings.mouse_sensitivity = g_game_options.mouse_sensitivity;
  settings.invert_mouse_y = g_game_options.invert_mouse_y != 0;
  settings.control_attack_direction = g_game_options.control_attack_direction;
  settings.control_block_direction = g_game_options.control_block_direction;
  settings.presentation_blocks = presentation_blocks_input(*this);
  mission_screen_frame(*m, state, hud, *host_, input, settings, seconds, *this);
}

void mission_screen_window::queue_scene(std::uint32_t width, std::uint32_t height) {
  mission* m = current_ ? current_() : nullptr;
  if (!m || !hud.view) return;
  const widget& area = *hud.view;
  const view_rectangle pixels = interface_area_pixels(area.absolute_position.x, area.absolute_position.y,
                                                      area.size.x, area.size.y, width, height);
  camera eye = hud.view->view_camera;
  fit_view_window(eye, pixels);
  drawing.queue(*m, eye, pixels);
}

bool install_mission_screen(window_manager& manager, std::function<mission*()> current) {
  return manager.install(window_id::mission_screen, std::make_unique<mission_screen_window>(std::move(current)));
}

}  // namespace hm
