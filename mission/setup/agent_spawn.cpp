#include "mission/setup/agent_spawn.h"

#include <algorithm>

#include "campaign/party/campaign_state.h"
#include "engine/core/log.h"
#include "mission/records/mission.h"
#include "mission/setup/spawning.h"
#include "mission/setup/troop_choice.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

void place_at(agent& a, const frame& at, float lift) {
  a.body_frame = frame::identity();
  a.body_frame.origin = at.origin + vec3(0.0f, 0.0f, lift);
  a.body_frame.rot.f = at.rot.f;
  a.body_frame.rot.s = at.rot.s;
  a.input.set_direction(at.rot.f);
  a.spawn_position = a.body_frame.origin;
}

// A fresh record for a spawn: what a previous agent in the slot left is gone.
agent& take_spawn_record(mission& m) {
  agent& a = m.allocate_agent();
  a.buffer.clear();
  a.mount = -1;
  a.rider = -1;
  a.presence = agent_presence_active;
  for (item& it : a.equipment) it = item{};
  // Humans and horses play the module's actions.
  a.actions = &g_action_table;
  return a;
}

}  // namespace

agent_spawn_hooks::~agent_spawn_hooks() = default;
void agent_spawn_hooks::create_entity(mission&, agent&) {}
int agent_spawn_hooks::choose_horse_item(mission&, const agent&) { return -1; }
float agent_spawn_hooks::horse_hit_points(const item&) { return 100.0f; }
float agent_spawn_hooks::hero_hit_points(int) { return 0.0f; }
float agent_spawn_hooks::player_party_health_factor() { return 0.0f; }
void agent_spawn_hooks::draw_weapons(mission&, agent&) {}
void agent_spawn_hooks::agent_spawned(mission&, int) {}
void agent_spawn_hooks::announce(mission&, const std::string&) {}

int spawn_horse(mission& m, const frame& at, int horse_item, int troop, agent_spawn_hooks& hooks,
                std::uint32_t horse_word) {
  agent& h = take_spawn_record(m);
  h.horse_item = horse_item;
  h.horse_item_word = horse_word;
  h.troop = troop;
  h.team = -1;
  h.kind = agent_kind_horse;
  place_at(h, at, 0.0f);
  h.state = agent_state_alive;
  hooks.create_entity(m, h);
  h.max_hit_points = h.hit_points = hooks.horse_hit_points(h.own_horse_item());
  const int index = h.index;
  hooks.agent_spawned(m, index);
  return index;
}

int spawn_agent(mission& m, campaign_state& game, const spawn_agent_request& r, agent_spawn_hooks& hooks) {
  agent& a = take_spawn_record(m);
  const int index = a.index;
  const bool is_player = r.troop == game.player_troop;
  if (is_player) m.player_agent = index;

  a.party = r.party;
  a.stack = r.stack;
  a.troop = r.troop;
  a.face_seed = r.face_seed;
  a.team = r.team;
  a.item_override_flags = r.item_override_flags;
  a.spawn_items = r.items;
  a.spawn_ai_flags = r.ai_flags;
  a.kept_in_place = (r.ai_flags & spawn_ai_kept_in_place) != 0 ? 1 : 0;
  place_at(a, r.at, spawn_lift);
  if (is_player) m.player_spawn_position = a.position();

  // strength + 2 x the capped hit-point skill + 35; the soldiers of a worn
  // player's party come in weaker, a hero with what he has left.
  float hp = 0.0f;
  if (game.is_valid_troop(r.troop)) {
    const int skill = std::min(game.world.troop_skill_level(r.troop, hit_point_skill),
                               game.world.skill_maximum_level(hit_point_skill));
    hp = static_cast<float>(game.world.troop_strength(r.troop) + 2 * skill + 35);
    if (game.is_hero(r.troop)) {
      hp = hooks.hero_hit_points(r.troop);
    } else if (r.party >= 0 && r.party == game.player_party) {
      const float health = hooks.player_party_health_factor();
      if (health > 0.5f) hp *= 1.5f - health;
    }
  }
  a.max_hit_points = hp;
  a.hit_points = hp;
  a.kind = agent_kind_human;
  a.state = agent_state_alive;
  if (is_player) {
    a.controller = agent_controller_player;
  }

  hooks.create_entity(m, a);
  const int horse_item = hooks.choose_horse_item(m, a);
  if (horse_item >= 0) {
    // The rider's own horse brings its modifier along.
    const item& saddle = m.get_agent(index)->equipment[static_cast<std::size_t>(equipment_slot::horse)];
    const int h = spawn_horse(m, r.at, horse_item, r.troop, hooks, saddle.kind == horse_item ? saddle.word : 0u);
    agent* rider = m.get_agent(index);
    agent* horse = m.get_agent(h);
    rider->mount = h;
    horse->rider = index;
    horse->party = rider->party;
    horse->stack = rider->stack;
    if (is_player) m.player_horse = h;
  }
  agent& spawned = *m.get_agent(index);
  if (is_player && ((m.flags & mission_flag_player_draws_weapons) != 0 || m.template_has_flag_bit1())) {
    hooks.draw_weapons(m, spawned);
  }

  team& t = m.team_of(spawned.team);
  if (t.leader < 0 || is_player) t.leader = index;

  if (const agent* player = m.get_live_agent(m.player_agent); player != nullptr && index != m.player_agent) {
    if (m.announce_new_enemies != 0 && m.teams_are_enemies(player->team, spawned.team)) {
      m.announce_new_enemies = 0;
      hooks.announce(m, "ui_new_enemies_have_arrived");
    } else if (m.announce_reinforcements != 0 && m.teams_are_allies(player->team, spawned.team)) {
      m.announce_reinforcements = 0;
      hooks.announce(m, "ui_reinforcements_have_arrived");
    }
  }

  hooks.agent_spawned(m, index);
  return index;
}

bool spawn_at_entry_point(mission& m, campaign_state& game, placed_troops& placed, int record,
                          agent_spawn_hooks& hooks) {
  const spawn_choice c = choose_spawn_troop(m, game, placed, record);
  if (c.troop < 0) return false;
  const mission_template* t = current_mission_template(m);
  const spawn_record& r = t->spawn_records[static_cast<std::size_t>(record)];
  spawn_agent_request req;
  req.at = m.entry_points[static_cast<std::size_t>(std::clamp(r.entry_point, 0, mission_entry_point_count - 1))]
               .spawn_frame;
  req.troop = c.troop;
  req.party = c.party;
  req.stack = c.stack;
  req.team = c.team;
  req.face_seed = c.face_seed;
  req.item_override_flags = static_cast<std::uint32_t>(r.flags2);
  req.ai_flags = r.ai_flags;
  // A listed item outside the item table would be read past its end when
  // the agent is equipped; it is dropped here, used-up entries (-1) stay.
  const int item_count = std::clamp(r.item_override_count, 0, max_item_overrides);
  for (int i = 0; i < item_count; ++i) {
    const std::int32_t id = r.item_overrides[i];
    if (id >= static_cast<std::int32_t>(g_item_kinds.size())) {
      log_line("Spawn record " + std::to_string(record) + ": item " + std::to_string(id) + " skipped");
      continue;
    }
    req.items.push_back(id < 0 ? -1 : id);
  }
  const int index = spawn_agent(m, game, req, hooks);
  if (agent* a = m.get_agent(index)) a->spawn_record = record;
  return true;
}

}  // namespace hm
