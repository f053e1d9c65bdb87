#include "shell/windows/conversation_scene.h"

#include "mission/records/agent.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/mission.h"
#include "mission/setup/module_mission_setup.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"
#include "module/text/translation_table.h"
#include "script/dialog/conversation.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "ui/meeting/meeting_window.h"
#include "ui/widget/container.h"
#include "ui/windows/window_manager.h"

namespace hm {

namespace {

// An agent's eyes stand this high over its feet at the normal height.
constexpr float eye_height = 1.6f;
constexpr int attack_kind = 7;
constexpr int leave_kind = 0;

int last_agent_of(const mission& m, std::int32_t troop) {
  int found = -1;
  for (int i = m.first_live_agent(); i >= 0 && i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_live_agent(i);
    if (a && a->troop == troop) found = i;
  }
  return found;
}

}  // namespace

void mission_conversation_scene::step_scene(float seconds) {
  mission* m = current_ ? current_() : nullptr;
  if (!m || !m->scene) return;
  if (agent* partner = m->get_live_agent(g_conversation.partner_agent)) {
    // The partner keeps its weapons away and faces the player.
    set_ai_weapon_mode(*m, *partner, 0);
    if (const agent* player = m->get_live_agent(m->player_agent)) {
      vec3 towards = player->position() - partner->position();
      towards.z = 0.0f;
      if (towards.length_squared() > 1e-6f) {
        partner->body_frame.rot.f = get_normalized(towards);
        partner->body_frame.rot.u = vec3(0.0f, 0.0f, 1.0f);
        partner->body_frame.rot.s = cross_product(partner->body_frame.rot.f, partner->body_frame.rot.u);
      }
    }
  }
  // Nobody fights while the talk goes on.
  const std::uint8_t no_fighting = m->no_fighting;
  m->no_fighting = 1;
  m->frame(seconds, false);
  m->no_fighting = no_fighting;
}

int mission_conversation_scene::partner_agent() {
  mission* m = current_ ? current_() : nullptr;
  return m && m->get_live_agent(g_conversation.partner_agent) ? g_conversation.partner_agent : -1;
}

int mission_conversation_scene::player_agent() {
  mission* m = current_ ? current_() : nullptr;
  return m && m->get_live_agent(m->player_agent) ? m->player_agent : -1;
}

int mission_conversation_scene::last_agent_of_troop(std::int32_t troop) {
  mission* m = current_ ? current_() : nullptr;
  return m ? last_agent_of(*m, troop) : -1;
}

bool mission_conversation_scene::agent_view(int index, vec3& position, vec3& eye, vec3& forward) {
  mission* m = current_ ? current_() : nullptr;
  const agent* a = m ? m->get_live_agent(index) : nullptr;
  if (!a) return false;
  position = a->position();
  eye = position + vec3(0.0f, 0.0f, eye_height * a->height_factor);
  forward = a->forward();
  return true;
}

void mission_conversation_scene::rebuild_troop_visuals(std::int32_t troop_index) {
  mission* m = current_ ? current_() : nullptr;
  const troop* t = g_game ? g_game->find_troop(troop_index) : nullptr;
  if (!m || !t) return;
  for (int i = m->first_live_agent(); i >= 0 && i < m->agents.count(); i = m->next_live_agent(i))
    if (agent* a = m->get_live_agent(i); a && a->troop == troop_index) equip_from_troop(*a, *t);
}

void mission_conversation_scene::queue_scene(const camera& eye, const widget& area, std::uint32_t width,
                                             std::uint32_t height) {
  mission* m = current_ ? current_() : nullptr;
  if (!m) return;
  const view_rectangle pixels = interface_area_pixels(area.absolute_position.x, area.absolute_position.y,
                                                      area.size.x, area.size.y, width, height);
  camera fitted = eye;
  fit_view_window(fitted, pixels);
  drawing.queue(*m, fitted, pixels);
}

void start_conversation_in_scene(mission* m, std::int32_t troop, std::int32_t party) {
  const int agent_index = m ? last_agent_of(*m, troop) : -1;
  g_conversation.start(troop, agent_index, party, 0, false);
}

void release_encounter_party(std::int32_t party) {
  if (party < 0) return;
  if (g_game)
    for (std::int32_t& id : g_game->encounter_parties)
      if (id == party) id = -1;
  encounter_record& e = g_meta_mission.encounter;
  if (e.first_party == party) e.first_party = -1;
  if (e.second_party == party) e.second_party = -1;
  script_campaign_host* campaign = current_script_host().campaign;
  if (campaign && campaign->game_words().encountered_party == party) campaign->game_words().encountered_party = -1;
  // Nobody is left to meet: the encounter is over.
  if (e.first_party < 0 && e.second_party < 0) {
    g_meta_mission.encounter_finished = 1;
    g_meta_mission.finish_posted = 1;
    g_meta_mission.apply_pending = 1;
    g_meta_mission.request_mask |= 0x200;
  }
}

void fill_plain_meeting_choices(meeting_window& w) {
  // A battle of the kind the module fights most with: the type of the
  // template with the most spawn records.
  std::size_t most = 0;
  for (const mission_template& t : g_mission_templates) {
    if (t.spawn_records.size() > most) {
      most = t.spawn_records.size();
      g_meta_mission.mission_type = t.mission_type;
    }
  }
  const encounter_record& e = g_meta_mission.encounter;
  const std::int32_t met = e.side == 1 ? e.first_party : e.second_party;
  meeting_outcome_record& attack = g_meta_mission.meeting_outcomes[attack_kind];
  attack.party = met;
  attack.entries.clear();
  meeting_outcome_record& leave = g_meta_mission.meeting_outcomes[leave_kind];
  leave.party = met;
  leave.entries.clear();
  w.add_choice(g_translation_table.get_string_by_id("ui_meeting_attack"), {attack_kind, 0});
  w.add_choice(g_translation_table.get_string_by_id("ui_meeting_leave"), {leave_kind, 0});
}

void install_conversation_windows(window_manager& windows, conversation_scene_host& scene) {
  if (auto* talk = dynamic_cast<conversation_window*>(windows.window(window_id::conversation))) talk->scene = &scene;
  if (auto* meeting = dynamic_cast<meeting_window*>(windows.window(window_id::meeting))) {
    meeting->release_encounter_party = release_encounter_party;
    meeting->fill_choices = fill_plain_meeting_choices;
  }
}

}  // namespace hm
