#include "mission/ai/ai_battle.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/ai/ai_think.h"
#include "mission/combat/combat_hooks.h"
#include "mission/control/locomotion.h"
#include "mission/frame/agent_frame.h"
#include "mission/physics/physics_worker.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/agent_spawn.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "module/troops/troop.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

namespace {

constexpr float default_field_size = 200.0f;
constexpr float file_spacing = 1.5f;
constexpr float rank_spacing = 2.0f;
constexpr float plain_hit_points = 50.0f;

// A troop that carries its gear in its inventory (a regular troop) is
// equipped with the first items of it that fit: up to four weapons, and one
// piece of armour per slot. Slots the troop fills itself stay as they are.
void equip_from_inventory(const troop& t, agent& a) {
  int weapon_slot = 0;
  while (weapon_slot < agent_weapon_slot_count && a.equipment[static_cast<std::size_t>(weapon_slot)].kind >= 0) {
    ++weapon_slot;
  }
  for (const item& it : t.inventory) {
    const item_kind* k = it.get_kind();
    if (k == nullptr) continue;
    const int type = k->type();
    int slot = -1;
    if ((type >= item_type::one_handed && type <= item_type::thrown) || type >= item_type::pistol) {
      if (weapon_slot < agent_weapon_slot_count) slot = weapon_slot++;
    } else if (type >= item_type::head_armor && type <= item_type::hand_armor) {
      slot = agent_slot_head + (type - item_type::head_armor);
      if (a.equipment[static_cast<std::size_t>(slot)].kind >= 0) slot = -1;
    }
    if (slot >= 0) a.equipment[static_cast<std::size_t>(slot)] = it;
  }
}

// The horse the troop rides: its own horse slot, else the first horse of its
// inventory; -1 none.
int first_horse(const troop& t) {
  const item& own = t.equipment[static_cast<std::size_t>(agent_slot_horse)];
  if (own.get_kind() != nullptr && own.get_kind()->type() == item_type::horse) return own.kind;
  for (const item& it : t.inventory) {
    if (it.get_kind() != nullptr && it.get_kind()->type() == item_type::horse) return it.kind;
  }
  return -1;
}

}  // namespace

// The mission's steps for a battle without drawing: the generated ground,
// the agents' whole frame with the AI, and the tallies.
class headless_battle::services : public mission_services {
 public:
  explicit services(battle_counts& counts) : counts_(counts) {}

  bool ground_height(mission&, const vec3& p, float& out) override {
    out = g_terrain_generator.sample_height(p).z;
    return true;
  }
  void agent_frame(mission& m, agent& a, float dt) override {
    if (!a.is_alive() || a.presence >= agent_presence_removed) return;
    count_pending_blow(a, counts_);
    hm::agent_frame(m, a, dt, random_);
    count_kill(true, a, counts_);
  }
  void agent_post_frame(mission& m, agent& a, float dt) override {
    const bool was_alive = a.is_alive();
    if (a.presence < agent_presence_removed) hm::agent_post_frame(m, a, dt, random_);
    count_kill(was_alive, a, counts_);
  }

 private:
  battle_counts& counts_;
  engine_combat_random random_;
};

headless_battle::headless_battle(const battle_setup& setup) : mission_(std::make_unique<mission>()) {
  frame_time_ = setup.frame_time > 0.0f ? setup.frame_time : 1.0f / 60.0f;
  gap_ = std::max(setup.gap_between_sides, 0.0f);
  men_per_rank_ = std::max(setup.men_per_rank, 1);
  // The ragdolls of an earlier battle in the process would go on stepping
  // (and drawing from the shared sources) in this one.
  clear_mission_physics();
  reset_clocks();
  reset_combat_hooks();
  random_seed(setup.seed);
  g_module_settings.set_defaults();

  terrain_generator& gen = g_terrain_generator;
  gen.module_data = terrain_module_data{};
  for (int i = 0; i < 11; ++i) gen.module_data.ground_kinds.push_back(terrain_ground_kind{});
  gen.code = terrain_code{};
  gen.code.parse(setup.terrain_code);
  if (gen.code.size_x() == 0) gen.code.set_size_x(static_cast<std::uint32_t>(default_field_size));
  if (gen.code.size_y() == 0) gen.code.set_size_y(static_cast<std::uint32_t>(default_field_size));
  gen.code.set_place_river(false);
  gen.generate_terrain();
  size_x_ = static_cast<float>(gen.code.size_x());
  size_y_ = static_cast<float>(gen.code.size_y());

  mission& m = *mission_;
  services_ = std::make_unique<services>(counts_);
  m.set_services(services_.get());
  m.scene_min_x = 0.0f;
  m.scene_min_y = 0.0f;
  m.scene_max_x = size_x_;
  m.scene_max_y = size_y_;
  m.water_level = -1000.0f;
  m.set_team_relation(0, 1, -1);
  build_nav_graph(setup);
  m.nav_mesh = &nav_;
  ai_agent_buckets(m).forget();
  ai_target_buckets(m).forget();

  combat_hooks& hooks = g_combat_hooks();
  hooks.ai_think = [](mission& mm, agent& a) {
    agent_ai_think(mm, a, clock_increment_seconds(clock_mission));
    agent_get_ai_input(a, a.input);
  };
  hooks.update_actions = [](mission& mm, agent& a, float dt) { update_actions(mm, a, dt); };
}

headless_battle::~headless_battle() {
  mission_->set_services(nullptr);
  mission_->nav_mesh = nullptr;
  reset_combat_hooks();
  clear_mission_physics();
}

void headless_battle::build_nav_graph(const battle_setup& setup) {
  const float cell = std::max(setup.cell_size, 1.0f);
  const int columns = std::max(1, static_cast<int>(size_x_ / cell));
  const int rows = std::max(1, static_cast<int>(size_y_ / cell));
  const float wall_y = size_y_ * 0.5f;
  const auto vertex = [&](int x, int y) { return y * (columns + 1) + x; };
  for (int y = 0; y <= rows; ++y) {
    for (int x = 0; x <= columns; ++x) {
      const vec3 p(static_cast<float>(x) * cell, static_cast<float>(y) * cell, 0.0f);
      add_ai_mesh_vertex(nav_, g_terrain_generator.sample_height(p));
    }
  }
  std::map<std::pair<int, int>, std::int32_t> edges;
  const auto edge = [&](std::int32_t a, std::int32_t b) {
    const auto key = std::minmax(a, b);
    const auto it = edges.find(key);
    if (it != edges.end()) return it->second;
    const std::int32_t e = add_ai_mesh_edge(nav_, a, b);
    edges[key] = e;
    return e;
  };
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < columns; ++x) {
      const float cx = (static_cast<float>(x) + 0.5f) * cell;
      const float cy = (static_cast<float>(y) + 0.5f) * cell;
      // The wall: two cells across the middle of the western half, and a
      // column down the whole field between west and east, so that the
      // western agents of either side reach no enemy at all.
      if (setup.half_wall && ((cx < size_x_ * 0.5f && std::fabs(cy - wall_y) < cell) ||
                              std::fabs(cx - size_x_ * 0.5f) < cell * 0.75f)) {
        continue;
      }
      const std::int32_t corners[4] = {vertex(x, y), vertex(x + 1, y), vertex(x + 1, y + 1), vertex(x, y + 1)};
      std::int32_t sides[4];
      for (int k = 0; k < 4; ++k) sides[k] = edge(corners[k], corners[(k + 1) % 4]);
      add_ai_mesh_face(nav_, 4, corners, sides);
    }
  }
  nav_.compute_face_normals();
  nav_.update_faces();
}

agent& headless_battle::place_agent(int team, int troop_id, const vec3& at, const vec3& facing) {
  mission& m = *mission_;
  agent& a = m.allocate_agent();
  a.kind = agent_kind_human;
  a.state = agent_state_alive;
  a.presence = agent_presence_active;
  a.team = team;
  a.movement_flags = agent_movement_on_ground;
  a.position() = g_terrain_generator.sample_height(at);
  a.body_frame.rot.f = facing;
  a.body_frame.rot.s = cross_product(facing, vec3(0.0f, 0.0f, 1.0f));
  a.position_valid = 1;
  a.ai.aim_direction = facing;
  a.ai.flags = 1;  // a battle begins alarmed
  a.hit_points = a.max_hit_points = plain_hit_points;
  const troop* t = troop_id >= 0 && g_game != nullptr ? g_game->find_troop(troop_id) : nullptr;
  if (t != nullptr) {
    a.troop = troop_id;
    // A module's troops fight with the module's actions.
    a.actions = &g_action_table;
    a.hit_points = a.max_hit_points = static_cast<float>(t->get_max_hit_points());
    for (int s = 0; s < agent_equipment_slot_count && s < troop_equipment_slots; ++s) {
      if (s == agent_slot_horse) continue;
      a.equipment[static_cast<std::size_t>(s)] = t->equipment[static_cast<std::size_t>(s)];
    }
    equip_from_inventory(*t, a);
    const int horse_item = first_horse(*t);
    if (horse_item >= 0) {
      const hm::frame at = a.body_frame;
      agent_spawn_hooks hooks;
      const int h = spawn_horse(m, at, horse_item, troop_id, hooks);
      agent* horse = m.get_agent(h);
      agent* rider = m.get_agent(a.index);
      horse->presence = agent_presence_active;
      horse->movement_flags = agent_movement_on_ground;
      horse->position_valid = 1;
      horse->rider = rider->index;
      rider->mount = h;
      return *rider;
    }
  }
  return a;
}

void headless_battle::add_team(int team, const std::vector<battle_troops>& troops) {
  const float centre_x = size_x_ * 0.5f;
  const float front = size_y_ * 0.5f + (team == 0 ? -0.5f : 0.5f) * gap_;
  const float back = team == 0 ? -1.0f : 1.0f;
  const vec3 facing(0.0f, -back, 0.0f);
  int& placed = rows_placed_[static_cast<std::size_t>(team & 1)];
  for (const battle_troops& group : troops) {
    for (int i = 0; i < group.count; ++i, ++placed) {
      const int rank = placed / men_per_rank_;
      const int file = placed % men_per_rank_;
      const float x = centre_x + (static_cast<float>(file) - static_cast<float>(men_per_rank_ - 1) * 0.5f) * file_spacing;
      const float y = front + back * static_cast<float>(rank) * rank_spacing;
      place_agent(team, group.troop,
                  vec3(std::clamp(x, 1.0f, size_x_ - 1.0f), std::clamp(y, 1.0f, size_y_ - 1.0f), 0.0f), facing);
    }
  }
}

void headless_battle::frame() {
  mission_->frame(frame_time_, false);
  seconds_ += static_cast<double>(frame_time_);
  count_battle(*mission_, counts_);
}

void count_battle(const mission& m, battle_counts& counts) {
  counts.missiles = 0;
  for (int slot = m.first_live_missile(); slot < m.missiles.count(); m.next_live_missile(slot)) ++counts.missiles;
  counts.alive = {0, 0};
  std::array<vec3, 2> centre{};
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_live_agent(i);
    if (a == nullptr || !a->is_alive() || a->is_horse() || a->team < 0 || a->team > 1) continue;
    ++counts.alive[static_cast<std::size_t>(a->team)];
    centre[static_cast<std::size_t>(a->team)] += a->position();
  }
  if (counts.alive[0] > 0 && counts.alive[1] > 0) {
    const vec3 c0 = centre[0] * (1.0f / static_cast<float>(counts.alive[0]));
    const vec3 c1 = centre[1] * (1.0f / static_cast<float>(counts.alive[1]));
    counts.gap = std::sqrt((c1.x - c0.x) * (c1.x - c0.x) + (c1.y - c0.y) * (c1.y - c0.y));
  }
}

int battle_winner(const battle_counts& counts) {
  if (counts.alive[0] > 0 && counts.alive[1] == 0) return 0;
  if (counts.alive[1] > 0 && counts.alive[0] == 0) return 1;
  return -1;
}

void count_pending_blow(const agent& a, battle_counts& counts) {
  if (a.blow_pending != 0) ++counts.blows;
}

void count_kill(bool was_alive, const agent& a, battle_counts& counts) {
  if (was_alive && !a.is_alive() && !a.is_horse()) ++counts.kills;
}

}  // namespace hm
