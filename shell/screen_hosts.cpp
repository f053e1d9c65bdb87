#include "shell/screen_hosts.h"

#include <array>
#include <string>

#include "campaign/game/campaign_game.h"
#include "campaign/save/save_slots.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_results.h"
#include "module/base/module_paths.h"
#include "module/loading/game.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "script/shared_routines.h"
#include "shell/game_application.h"
#include "shell/windows/conversation_scene.h"
#include "shell/state/state_dispatcher.h"

namespace hm {

// --- the menus ----------------------------------------------------------------------------------

std::int32_t* application_menu_host::menu_result_word() {
  return g_game && app_.state_hosts ? &app_.state_hosts->words.menu_result : nullptr;
}

void application_menu_host::apply_encounter_results() {
  if (!app_.state_hosts || !g_meta_mission.apply_pending) return;
  g_meta_mission.apply_pending = 0;
  app_.state_hosts->apply_encounter_results(g_meta_mission);
}

void application_menu_host::prepare_launch(std::int32_t mode, std::int32_t argument) {
  app_.prepare_launch(mode, argument);
}

void application_menu_host::request_quit() {
  quit_requested = true;
  app_.exit_requested = true;
}

void application_menu_host::module_loaded() { app_.module_load_finished(); }

void application_menu_host::set_up_mission(std::int32_t serial) {
  if (app_.state_hosts) app_.state_hosts->set_up_mission(serial);
}

bool application_menu_host::saving_blocked() const {
  const campaign_game* c = app_.campaign();
  return c && c->scalars.quick_save_blocked != 0;
}

std::int32_t application_menu_host::save_slot_word() const {
  return g_game && app_.state_hosts ? app_.state_hosts->words.no_autosave : 0;
}

std::int32_t application_menu_host::latest_save_slot() const {
  return hm::latest_save_slot(module_name().view());
}

int application_menu_host::save_game(std::int32_t slot, const ruv_string* name) {
  return app_.state_hosts ? app_.state_hosts->save_game_to(slot, name) : -1;
}

void application_menu_host::end_game() { app_.leave_game(); }

ruv_string application_menu_host::player_name() const {
  if (!g_game) return {};
  const troop* t = g_game->find_troop(g_game->player_troop);
  return t ? t->name : ruv_string();
}

void application_menu_host::update_difficulty() {
  campaign_game* c = app_.campaign();
  if (!c) return;
  update_difficulty_average(c->campaign_host.game_words(),
                            static_cast<float>(static_cast<double>(clock_ticks(clock_real_time)) * 0.00001));
}

// --- the party screen ---------------------------------------------------------------------------

campaign_state* application_party_host::campaign() {
  campaign_game* c = app_.campaign();
  return c ? &c->state : nullptr;
}

void application_party_host::set_up_troop_conversation(std::int32_t troop, std::int32_t party, std::int32_t kind) {
  if (app_.state_hosts) app_.state_hosts->set_up_conversation(troop, -1, party, kind);
}

// --- the mission screen -------------------------------------------------------------------------

std::string mission_casualty_line(const mission& m) {
  struct tally {
    int standing = 0;
    int wounded = 0;
    int killed = 0;
    int fled = 0;
  };
  std::array<tally, team_count> teams{};
  std::array<bool, team_count> fielded{};
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_agent(i);
    if (!a || a->kind != agent_kind_human || a->state == agent_state_none) continue;
    const auto t = static_cast<std::size_t>(agent_team_index(a->team));
    fielded[t] = true;
    if (a->state == agent_state_dead)
      ++teams[t].killed;
    else if (a->state == agent_state_unconscious)
      ++teams[t].wounded;
    else if (a->state == agent_state_left)
      ++teams[t].fled;
    else
      ++teams[t].standing;
  }
  std::string line;
  for (std::size_t t = 0; t < teams.size(); ++t) {
    if (!fielded[t]) continue;
    if (!line.empty()) line += "; ";
    line += "team " + std::to_string(t) + ": " + std::to_string(teams[t].standing) + " standing, " +
            std::to_string(teams[t].wounded) + " wounded, " + std::to_string(teams[t].killed) + " killed, " +
            std::to_string(teams[t].fled) + " fled";
  }
  return line;
}

void application_screen_host::apply_mission_results(mission& m) {
  log_line("Mission over: " + mission_casualty_line(m) + "\n");
  campaign_game* c = app_.campaign();
  mission_results_context context;
  context.game = c ? &c->state : nullptr;
  context.mode = g_meta_mission.mission_kind;
  context.party_ids[0] = g_meta_mission.encounter.first_party;
  context.party_ids[1] = g_meta_mission.encounter.second_party;
  context.new_seed = [] { return static_cast<std::int32_t>(random_next() % 32768); };
  hm::apply_mission_results(m, context);
  ended_ = true;
}

void application_screen_host::dispatch_requests() {
  if (ended_) {
    ended_ = false;
    g_meta_mission.request_mask |= meta_request::debrief;
  }
  const bool menu_result = app_.state_hosts && app_.state_hosts->words.menu_result != 0;
  if ((g_meta_mission.request_mask & ~meta_request::game_menu) == 0 && !menu_result) return;
  mission_screen_host::dispatch_requests();
}

void application_screen_host::request_mission_setup(int scene, int entry) {
  ended_ = false;
  if (!app_.state_hosts) return;
  dispatcher_game_words& w = app_.state_hosts->words;
  w.jump_scene = scene;
  w.jump_entry = entry;
  w.jump_template = current_mission ? current_mission->template_index : 0;
  g_meta_mission.request_mask |= meta_request::menu_mission;
}

void application_screen_host::quick_save() {
  if (app_.state_hosts) app_.state_hosts->save_game(-1);
}

void application_screen_host::start_conversation(mission& m, int agent_index) {
  const agent* a = m.get_live_agent(agent_index);
  if (!a) return;
  if (app_.state_hosts) app_.state_hosts->set_conversation_troop(a->troop);
  g_conversation.start(a->troop, agent_index, -1, 0, false);
}

float application_screen_host::screen_aspect() {
  const gpu::surface_desc& bb = app_.back_buffer_desc;
  if (bb.width == 0 || bb.height == 0) return mission_screen_host::screen_aspect();
  return static_cast<float>(bb.height) / static_cast<float>(bb.width);
}

void application_screen_host::enter_edit_mode(mission& m, edit_mode_view& view) {
  if (app_.scene_editor) app_.scene_editor->enter(m, view);
  else mission_screen_host::enter_edit_mode(m, view);
}

void application_screen_host::edit_mode_frame(mission& m, edit_mode_view& view) {
  if (app_.scene_editor) app_.scene_editor->frame(m, view);
  else mission_screen_host::edit_mode_frame(m, view);
}

void application_screen_host::leave_edit_mode(mission& m, edit_mode_view& view) {
  if (app_.scene_editor) app_.scene_editor->leave(m, view);
  else mission_screen_host::leave_edit_mode(m, view);
}

void application_screen_host::save_scene(mission& m) {
  if (app_.scene_editor) app_.scene_editor->save(m);
  else mission_screen_host::save_scene(m);
}

}  // namespace hm
