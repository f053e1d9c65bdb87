// Two agents fight in a headless mission with scripted input until one
// falls: the same seed gives the same blows, damage and end.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/combat/attack_damage.h"
#include "mission/combat/attack_direction.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_hooks.h"
#include "mission/combat/defence.h"
#include "mission/frame/agent_frame.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/support/combat_fixtures.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"

namespace hm {
namespace {

constexpr int sword_kind = 0;
constexpr int mail_kind = 1;
constexpr float swing_seconds = 0.8f;

// A seeded generator of the services, a flat ground at height 0.
class arena_services : public mission_services {
 public:
  explicit arena_services(std::uint32_t seed) : state_(seed) {}
  int random_next() override {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 0x7FFF);
  }
  bool ground_height(mission&, const vec3&, float& out) override {
    out = 0.0f;
    return true;
  }
  // The fighters step through the whole agent frame, blows and bodies
  // included, with the arena's own draws.
  void agent_frame(mission& m, agent& a, float frame_time) override {
    mission_combat_random random(*this);
    hm::agent_frame(m, a, frame_time, random);
  }
  void agent_post_frame(mission& m, agent& a, float frame_time) override {
    mission_combat_random random(*this);
    hm::agent_post_frame(m, a, frame_time, random);
  }

 private:
  std::uint32_t state_;
};

void install_items() {
  g_item_kinds.assign(2, item_kind{});
  item_kind& sword = g_item_kinds[sword_kind];
  sword.flags = item_type::one_handed;
  sword.speed_rating = 100;
  sword.swing_damage = 28;              // cut
  sword.thrust_damage = 22 | (1 << 8);  // pierce
  sword.weapon_length = 95;
  item_kind& mail = g_item_kinds[mail_kind];
  mail.flags = item_type::body_armor;
  mail.body_armor = 12;
  mail.leg_armor = 4;
}

// The weapon use the scripted fighters stand on: an attack held starts a
// swing in a direction drawn from the agent's own draws; in the swing's hit
// window an enemy within reach in front is struck once.
void scripted_weapon_use(mission& m, agent& a, float dt, std::ostringstream& log) {
  if (!a.is_alive()) return;
  mission_combat_random random(m.services());
  action_channel& upper = a.channels[1];
  if (a.attack_state == 0) {
    if ((a.input.action_flags & input_attack_held) == 0) return;
    attack_choice_inputs in;
    const attack_choice c = choose_attack_actions(
        in, [](int, int d) { return attack_action_ids{160 + 3 * d, 161 + 3 * d, 162 + 3 * d}; }, random);
    a.attack_direction = c.direction;
    a.release_action = c.actions[1];
    upper = action_channel{};
    upper.action = c.actions[1];
    upper.flags = 10;
    a.attack_state = 2;
    a.agent_hit = 0;
    return;
  }
  upper.progress += dt / swing_seconds;
  if (upper.progress > 0.2f && upper.progress < 0.85f && a.agent_hit == 0) {
    for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
      agent* t = m.get_agent(i);
      if (t == nullptr || t == &a || !t->is_alive() || !m.teams_are_enemies(a.team, t->team)) continue;
      const vec3 to = t->position() - a.position();
      if (to.length() > 1.6f || dot_product(to, a.forward()) <= 0.0f) continue;
      a.agent_hit = 1;
      if (agent_is_attack_blocked(m, a, *t, 0, false, vec3())) {
        log << "blocked " << a.index << "\n";
        break;
      }
      const attack_damage_result d = agent_compute_attack_damage(m, a, 0, nullptr, t->index, 1.0f);
      blow b;
      b.attacker = a.index;
      b.hit_position = t->position() + vec3(0.0f, 0.0f, 1.2f);
      b.direction = get_normalized(to);
      b.impact_direction = b.direction;
      b.bone = 8;
      b.raw_damage = d.damage;
      b.damage_type = d.is_thrust ? 1 : 0;
      b.item_kind = sword_kind;
      queue_blow(m, *t, b, random);
      log << "blow " << a.index << "->" << t->index << " dir " << a.attack_direction << " raw " << d.damage
          << " dmg " << t->pending_blow.damage << "\n";
      break;
    }
  }
  if (upper.progress > 0.99f) {
    upper = action_channel{};
    a.attack_state = 0;
  }
}

// The scripted legs: turn to the nearest enemy and close in to reach.
void scripted_approach(mission& m, agent& a) {
  if (!a.is_alive()) return;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* t = m.get_agent(i);
    if (t == nullptr || t == &a || !t->is_alive() || !m.teams_are_enemies(a.team, t->team)) continue;
    vec3 to = t->position() - a.position();
    to.z = 0.0f;
    const float distance = to.length();
    if (distance > 1e-4f) {
      a.body_frame.rot.f = to * (1.0f / distance);
      a.body_frame.rot.s = cross_product(a.body_frame.rot.f, vec3(0.0f, 0.0f, 1.0f));
    }
    a.forward_speed = distance > 1.2f ? 1.5f : 0.0f;
    return;
  }
}

struct fight_end {
  std::string log;
  int frames = 0;
  int loser = -1;
  int loser_state = 0;
};

fight_end fight(std::uint32_t seed) {
  reset_clocks();
  reset_combat_hooks();
  install_items();
  g_module_settings.set_defaults();
  g_game_options = game_options{};
  arena_services services(seed);
  mission m;
  m.set_services(&services);
  m.scene_min_x = -20.0f;
  m.scene_min_y = -20.0f;
  m.scene_max_x = 20.0f;
  m.scene_max_y = 20.0f;
  m.set_team_relation(0, 1, team_relation_enemy);

  for (int i = 0; i < 2; ++i) {
    agent& a = spawn_standing_agent(m, agent_kind_human, i, vec3(0.0f, i == 0 ? 0.0f : 1.2f, 0.0f), 45.0f);
    if (i == 1) {
      a.body_frame.rot.f = vec3(0.0f, -1.0f, 0.0f);
      a.body_frame.rot.s = vec3(-1.0f, 0.0f, 0.0f);
    }
    a.equipment[0] = item{sword_kind, 0};
    a.equipment[agent_slot_body] = item{mail_kind, 0};
    a.wielded_slots = {0, -1};
    // Scripted input: the AI does not drive these two.
    a.controller = agent_controller_player;
    a.input.action_flags = input_attack_held;
  }

  std::ostringstream log;
  g_combat_hooks().update_actions = [](mission& mm, agent& a, float) { scripted_approach(mm, a); };
  g_combat_hooks().use_weapon = [&log](mission& mm, agent& a, float dt) { scripted_weapon_use(mm, a, dt, log); };

  fight_end end;
  for (end.frames = 0; end.frames < 10000; ++end.frames) {
    m.frame(0.02f, false);
    for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
      const agent* a = m.get_agent(i);
      if (a->state != agent_state_alive && end.loser < 0) {
        end.loser = a->index;
        end.loser_state = a->state;
      }
    }
    if (end.loser >= 0) break;
  }
  log << "end " << end.frames << " loser " << end.loser << " state " << end.loser_state;
  end.log = log.str();
  m.set_services(nullptr);
  reset_combat_hooks();
  return end;
}

TEST(HeadlessFight, SameSeedSameFight) {
  const fight_end first = fight(1234);
  const fight_end again = fight(1234);
  ASSERT_GE(first.loser, 0) << first.log;
  // Without troops a fallen man is knocked out.
  EXPECT_EQ(first.loser_state, agent_state_unconscious);
  EXPECT_EQ(first.log, again.log);
  EXPECT_NE(first.log.find("blow"), std::string::npos);

  const fight_end other = fight(99);
  ASSERT_GE(other.loser, 0);
  EXPECT_NE(first.log, other.log);
}

}  // namespace
}  // namespace hm
