// The weapon hit test on plain agents: who a sweep may strike and in which
// order, the relations that stop a blade, a shield that blocks, and a horse
// cut through on the way to its rider.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/collision/face.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/records/scene_prop_instance.h"
#include "mission/support/animated_agents.h"
#include "mission/support/combat_fixtures.h"
#include "mission/weapons/weapon_hit.h"
#include "module/base/module_settings.h"
#include "module/data/skeleton_bodies.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "render/entity/skeleton_instance.h"
#include "render/entity/strategic_entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

struct weapon_hit : ::testing::Test {
  void SetUp() override {
    reset_combat_globals();
    g_combat_hooks().play_sound = [this](mission&, agent& a, const std::string& s, float) {
      sounds.push_back(s + " " + std::to_string(a.index));
    };
    set_relations(m);
  }
  static void set_relations(mission& mm) {
    mm.set_team_relation(0, 1, team_relation_enemy);
    mm.set_team_relation(0, 2, team_relation_ally);
    // Team 3 is neutral to team 0.
    mm.set_team_relation(0, 3, 0);
  }
  void TearDown() override {
    reset_combat_hooks();
    g_item_kinds.clear();
  }

  // An attacker at the origin facing +y, with a blade of the length held at
  // the chest and not moving (one sample, no sweep).
  agent& attacker_with_blade(int length_cm) { return attacker_with_blade(m, length_cm); }
  agent& attacker_with_blade(mission& mm, int length_cm) {
    const int blade = add_item_kind(item_type::one_handed, 0, 0x4);
    item_kind& k = g_item_kinds[static_cast<std::size_t>(blade)];
    k.swing_damage = 30;
    k.weapon_length = length_cm;
    agent& a = spawn_standing_agent(mm, agent_kind_human, 0, vec3());
    a.equipment[0] = item{blade, 0};
    a.wielded_slots = {0, -1};
    a.attack_direction = 1;
    a.channels[1].progress = 0.5f;
    frame f = a.body_frame;
    f.origin.z += 1.2f;
    a.weapon_frame = f;
    a.previous_weapon_frame = f;
    return a;
  }

  agent& standing(int team, float y) { return standing(m, team, y); }
  agent& standing(mission& mm, int team, float y) {
    agent& a = spawn_standing_agent(mm, agent_kind_human, team, vec3(0.0f, y, 0.0f));
    a.body_frame.rot.f = vec3(0.0f, -1.0f, 0.0f);
    a.body_frame.rot.s = vec3(-1.0f, 0.0f, 0.0f);
    return a;
  }

  // Scene-prop instance 0 of prop kind 0, with the hit points, and its
  // entity: a face across the line y = `y` from x -1 to 1, 3 high (a plain
  // entity of the scene, no prop's, when `is_prop` is false).
  static strategic_entity& prop_wall(mission& mm, float y, float hit_points, bool is_prop = true) {
    if (!mm.scene) mm.scene = std::make_unique<scene_world>();
    scene_prop_instance p;
    p.kind = prop_kind_object;
    p.id = 0;
    p.hit_points = hit_points;
    mm.scene_prop_instances.push_back(p);
    auto* e = static_cast<strategic_entity*>(mm.scene->create_entity(strategic_entity_type));
    e->owner_word = is_prop ? 12 : -1;
    e->owner_word_2 = 0;
    e->attach_body(std::make_unique<face>(std::initializer_list<vec3>{
        vec3(-1.0f, y, 0.0f), vec3(1.0f, y, 0.0f), vec3(1.0f, y, 3.0f), vec3(-1.0f, y, 3.0f)}));
    return *e;
  }

  int swing(agent& a) { return swing(m, a); }
  int swing(mission& mm, agent& a) {
    blow b;
    float strength = 1.0f;
    return agent_process_weapon_hit(mm, a, 0, nullptr, b, strength, random);
  }

  mission m;
  scripted_combat_random random{{0}};
  std::vector<std::string> sounds;
};

TEST_F(weapon_hit, CandidatesKeepIndexOrderWithTheNearestFirst) {
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
  standing(1, 5.0f);                                   // 1
  standing(1, 2.0f);                                   // 2: nearest
  standing(1, 7.2f);                                   // 3: 51.84 is out of reach
  agent& fallen = standing(2, 3.0f);                   // 4: an ally down
  fallen.presence = agent_presence_lying;
  fallen.presence_timer.reset();
  agent& gone = standing(1, 3.0f);                     // 5: an enemy down
  gone.presence = agent_presence_lying;
  standing(1, 4.0f);                                   // 6
  EXPECT_EQ(gather_hit_candidates(m, a, vec3(), 0.0f), (std::vector<int>{2, 1, 4, 6}));
  // Two seconds after it fell the ally is out of the test.
  advance_clock(clock_mission, 2.5f);
  EXPECT_EQ(gather_hit_candidates(m, a, vec3(), 0.0f), (std::vector<int>{2, 1, 6}));
}

TEST_F(weapon_hit, RelationsDecideWhetherTheBladeStopsPassesOrStrikes) {
  struct row {
    int team;
    float distance;
    int blade_cm;
    int result;
    bool blow;
    bool attacker_mounted = false;
    bool victim_mounted = false;
  };
  const row rows[] = {
      {1, 0.8f, 95, weapon_hit_agent, true},     // an enemy is struck
      {3, 0.8f, 95, weapon_hit_stopped, false},  // a neutral stops the blade
      {2, 1.2f, 200, weapon_hit_stopped, false}, // an ally straight ahead, near
      {2, 1.4f, 200, weapon_hit_nothing, false}, // farther: the blade passes
      // Near, but either of them on a horse: the blade passes.
      {2, 1.2f, 200, weapon_hit_nothing, false, true, false},
      {2, 1.2f, 200, weapon_hit_nothing, false, false, true},
  };
  for (const row& r : rows) {
    mission fresh;
    set_relations(fresh);
    agent& a = attacker_with_blade(fresh, r.blade_cm);
    agent& v = standing(fresh, r.team, r.distance);
    // A horse of nobody's, far off: only the links count.
    if (r.attacker_mounted || r.victim_mounted) {
      agent& horse = spawn_standing_agent(fresh, agent_kind_horse, 5, vec3(50.0f, 50.0f, 0.0f));
      (r.attacker_mounted ? a : v).mount = horse.index;
    }
    EXPECT_EQ(swing(fresh, a), r.result) << r.team << " " << r.distance;
    EXPECT_EQ(v.blow_pending != 0, r.blow) << r.team << " " << r.distance;
    if (r.blow) {
      EXPECT_EQ(v.pending_blow.attacker, a.index);
      EXPECT_EQ(v.pending_blow.bone, 8);
      EXPECT_GT(v.pending_blow.damage, 0.0f);
    }
  }
}

TEST_F(weapon_hit, AShieldHeldUpBlocksAndWears) {
  agent& a = attacker_with_blade(95);
  agent& v = standing(1, 0.8f);
  const int shield = add_item_kind(item_type::shield, 0, 0, 0, 100);
  g_item_kinds[static_cast<std::size_t>(shield)].weapon_length = 60;
  item held{shield, 0};
  held.set_hit_points(100);
  v.equipment[1] = held;
  v.wielded_slots = {-1, 1};
  // Holding the shield's defence.
  v.channels[1].action = 200;
  v.channels[1].progress = 0.5f;

  EXPECT_EQ(swing(a), weapon_hit_stopped);
  EXPECT_EQ(v.blow_pending, 0u);
  EXPECT_LT(v.equipment[1].hit_points(), 100);
  EXPECT_EQ(sounds, std::vector<std::string>{"snd_shield_hit_metal_metal 1"});
}

TEST_F(weapon_hit, ASwingCutsThroughAnEnemyHorseAndStrikesItsRiderWeakened) {
  agent& a = attacker_with_blade(300);
  agent& horse = spawn_standing_agent(m, agent_kind_horse, 1, vec3(0.0f, 1.6f, 0.0f));
  agent& rider = standing(1, 1.6f);
  horse.rider = rider.index;
  rider.mount = horse.index;
  blow b;
  float strength = 1.0f;
  const int result = agent_process_weapon_hit(m, a, 0, nullptr, b, strength, random);
  EXPECT_TRUE(horse.blow_pending != 0);
  EXPECT_EQ(a.agent_hit, 1);
  // The draw of 0 leaves 40 percent of the power.
  EXPECT_FLOAT_EQ(strength, 0.4f);
  // The rider behind the horse's body is struck in the same sweep.
  EXPECT_EQ(result, weapon_hit_agent);
  EXPECT_TRUE(rider.blow_pending != 0);
}

// Records the prop triggers a hit runs.
class prop_trigger_log : public mission_services {
 public:
  void run_prop_triggers(mission&, int instance, int event_code, int damage) override {
    runs.push_back(std::to_string(instance) + " " + std::to_string(event_code) + " " + std::to_string(damage));
  }
  std::vector<std::string> runs;
};

TEST_F(weapon_hit, OnlyTheFirst1024AgentsInReachAreCandidates) {
  agent& a = spawn_standing_agent(m, agent_kind_human, 0, vec3());
  for (int i = 0; i < 1025; ++i) standing(1, 3.0f);
  // The 1026th, the nearest of all, comes too late to be moved to the front.
  standing(1, 1.0f);
  const std::vector<int> c = gather_hit_candidates(m, a, vec3(), 0.0f);
  ASSERT_EQ(c.size(), 1024u);
  EXPECT_EQ(c.front(), 1);
  EXPECT_EQ(c.back(), 1024);
}

// An arrow through the chest of an ally 4.5 ahead: the player's strikes him
// and is told so; anyone else's is stopped by him.
TEST_F(weapon_hit, AnAllysBodyStopsOtherMensArrowsButNotThePlayers) {
  std::vector<std::string> lines;
  g_combat_hooks().add_message = [&lines](const std::string& text, std::uint32_t colour) {
    lines.push_back(text + " " + std::to_string(colour));
  };
  for (const bool player : {true, false}) {
    SCOPED_TRACE(player);
    lines.clear();
    mission fresh;
    set_relations(fresh);
    agent& archer = spawn_standing_agent(fresh, agent_kind_human, 0, vec3());
    if (player) fresh.player_agent = archer.index;
    agent& ally = standing(fresh, 2, 4.5f);
    missile mi;
    mi.shooter = archer.index;
    mi.previous_position = vec3(0.0f, 3.0f, 1.2f);
    mi.position = vec3(0.0f, 4.0f, 1.2f);
    mi.direction = vec3(0.0f, 1.0f, 0.0f);
    mi.damage = 20.0f;
    mi.speed = mi.launch_speed = 40.0f;
    blow b;
    float strength = 1.0f;
    const int result = agent_process_weapon_hit(fresh, archer, 0, &mi, b, strength, random);
    EXPECT_EQ(result, player ? weapon_hit_agent : weapon_hit_stopped);
    EXPECT_EQ(ally.blow_pending != 0, player);
    if (player) {
      EXPECT_EQ(ally.pending_blow.striking_missile, &mi);
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_NE(lines[0].find("ui_you_hit_a_friendly_troop"), std::string::npos);
      EXPECT_NE(lines[0].find(std::to_string(0xFFFF0000u)), std::string::npos);
    } else {
      EXPECT_TRUE(lines.empty());
    }
  }
}

// A wall 0.6 ahead and an enemy at 0.8, both within the swing: the wall
// takes the blade, so the enemy is not struck; a wall that is a prop hears
// the hit.
TEST_F(weapon_hit, AWallInTheSwingSparesTheEnemyBehindIt) {
  g_scene_prop_kinds.assign(1, scene_prop{});
  for (const bool prop : {false, true}) {
    SCOPED_TRACE(prop);
    prop_trigger_log log;
    mission fresh;
    set_relations(fresh);
    fresh.set_services(&log);
    prop_wall(fresh, 0.6f, 0.0f, prop);
    agent& a = attacker_with_blade(fresh, 95);
    agent& enemy = standing(fresh, 1, 0.8f);
    EXPECT_EQ(swing(fresh, a), weapon_hit_nothing);
    EXPECT_EQ(enemy.blow_pending, 0u);
    EXPECT_EQ(a.scene_hit, prop ? 1 : 0);
    EXPECT_EQ(log.runs, prop ? std::vector<std::string>{"0 -42 0"} : std::vector<std::string>{});
    fresh.set_services(nullptr);
  }
  g_scene_prop_kinds.clear();
}

TEST_F(weapon_hit, ASwingAtAPropWithHitPointsDestroysItOnce) {
  g_scene_prop_kinds.assign(1, scene_prop{});
  g_scene_prop_kinds[0].flags = prop_flag_destructible;
  prop_trigger_log log;
  m.set_services(&log);
  // The door's face stands 0.6 ahead of the attacker, facing it.
  prop_wall(m, 0.6f, 30.0f);

  agent& a = attacker_with_blade(95);
  // Full timing, no troop: 30 x 0.85 = 25.5 a blow.
  EXPECT_EQ(swing(a), weapon_hit_nothing);
  EXPECT_EQ(a.scene_hit, 1);
  EXPECT_FLOAT_EQ(m.scene_prop_instances[0].hit_points, 30.0f - 25.5f);
  EXPECT_EQ(log.runs, std::vector<std::string>{"0 -42 25"});
  // The scene is struck once an attack.
  EXPECT_EQ(swing(a), weapon_hit_nothing);
  EXPECT_EQ(log.runs.size(), 1u);
  a.scene_hit = 0;
  EXPECT_EQ(swing(a), weapon_hit_nothing);
  EXPECT_EQ(log.runs, (std::vector<std::string>{"0 -42 25", "0 -42 25", "0 -43 25"}));
  // Destroyed: no more damage and no more triggers.
  a.scene_hit = 0;
  swing(a);
  EXPECT_EQ(log.runs.size(), 3u);
  EXPECT_FLOAT_EQ(m.scene_prop_instances[0].hit_points, 30.0f - 51.0f);
  m.set_services(nullptr);
  g_scene_prop_kinds.clear();
}

// A rotated and doubled prop whose face stands across the line y = 5; what
// an arrow flying along +y at height 1.5 does to it, by the prop kind's
// flags.
class arrow_into_prop : public mission_services {
 public:
  int random_next() override { return 0; }
  void run_prop_triggers(mission&, int instance, int event_code, int damage) override {
    runs.push_back(std::to_string(instance) + " " + std::to_string(event_code) + " " + std::to_string(damage));
  }
  std::vector<std::string> runs;
};

TEST_F(weapon_hit, AnArrowSticksInAPropWhereItStruckAndMovesWithIt) {
  static const bool registered = [] {
    auto arrow_mesh = std::make_unique<mesh>();
    arrow_mesh->name = ruv_string("prop_test_arrow");
    g_resource_manager.adopt_resource(std::move(arrow_mesh));
    return true;
  }();
  (void)registered;
  const int bow = add_item_kind(item_type::bow);
  const int arrows = add_item_kind(item_type::arrows);
  g_item_kinds[static_cast<std::size_t>(arrows)].id = ruv_string("prop_test_arrow");
  g_item_kinds[static_cast<std::size_t>(arrows)].weapon_length = 100;

  struct row {
    std::int32_t prop_flags;
    int result;
    bool sticks;
    bool loses_hit_points;
  };
  const row rows[] = {
      {prop_flag_destructible, weapon_hit_stopped, true, true},
      {0x10000, weapon_hit_stopped, true, false},
      {0, weapon_hit_scene, false, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.prop_flags);
    g_scene_prop_kinds.assign(1, scene_prop{});
    g_scene_prop_kinds[0].flags = r.prop_flags;
    arrow_into_prop log;
    mission fresh;
    fresh.set_services(&log);
    strategic_entity* e = &prop_wall(fresh, 5.0f, 30.0f);
    // A quarter turn to the left, twice the size.
    frame placed{rotation{vec3(0.0f, 1.0f, 0.0f), vec3(-1.0f, 0.0f, 0.0f), vec3(0.0f, 0.0f, 1.0f)},
                 vec3(3.0f, 6.0f, 0.0f)};
    e->set_frame_and_scale(placed, vec3(2.0f, 2.0f, 2.0f));
    fresh.scene_prop_instances[0].entity = e;

    agent& archer = spawn_standing_agent(fresh, agent_kind_human, 0, vec3());
    missile mi;
    mi.shooter = archer.index;
    mi.launcher = item{bow, 0};
    mi.ammunition = item{arrows, 0};
    mi.previous_position = vec3(0.0f, 3.0f, 1.5f);
    mi.position = vec3(0.0f, 4.5f, 1.5f);
    mi.direction = vec3(0.0f, 1.0f, 0.0f);
    mi.damage = 20.0f;
    mi.speed = mi.launch_speed = 40.0f;
    blow b;
    float strength = 1.0f;
    // The tip runs a metre ahead: the probe reaches from y 3 to 5.5.
    EXPECT_EQ(agent_process_weapon_hit(fresh, archer, 0, &mi, b, strength, random), r.result);
    EXPECT_EQ(log.runs.size(), 1u);
    EXPECT_EQ(fresh.scene_prop_instances[0].hit_points < 30.0f, r.loses_hit_points);
    ASSERT_EQ(e->meshes.size(), r.sticks ? 1u : 0u);
    if (!r.sticks) {
      fresh.set_services(nullptr);
      continue;
    }
    // The arrow stands 0.2 behind where it struck (the face, less the
    // missile's thickness and the centimetre the contact is found to),
    // pointing along its flight at its own size, upright.
    const frame world = e->frame.transform_frame_to_global(e->meshes[0]->local_frame);
    EXPECT_NEAR(world.origin.x, 0.0f, 1e-4f);
    EXPECT_NEAR(world.origin.y, 5.0f - 0.2f, 0.015f);
    EXPECT_NEAR(world.origin.z, 1.5f, 1e-4f);
    EXPECT_NEAR(world.rot.f.y, 1.0f, 1e-5f);
    EXPECT_NEAR(world.rot.f.length(), 1.0f, 1e-5f);
    EXPECT_NEAR(world.rot.u.z, 1.0f, 1e-5f);
    // The prop turns back a quarter: the arrow turns and moves with it.
    const vec3 offset = world.origin - placed.origin;
    frame turned{rotation::identity(), placed.origin};
    e->set_frame_and_scale(turned, vec3(2.0f, 2.0f, 2.0f));
    const frame after = e->frame.transform_frame_to_global(e->meshes[0]->local_frame);
    EXPECT_NEAR(after.rot.f.x, 1.0f, 1e-5f);
    EXPECT_NEAR((after.origin - placed.origin).x, offset.y, 1e-4f);
    EXPECT_NEAR((after.origin - placed.origin).y, -offset.x, 1e-4f);
    fresh.set_services(nullptr);
  }
  g_scene_prop_kinds.clear();
}

// A two-bone skeleton whose bodies come from the skeleton-body file: a trunk
// capsule on bone 0 standing at 1.0 and a head capsule on bone 1 at 1.5. A
// weapon lying across the body along x at a height strikes the first bone,
// in bone order, whose capsules it touches, the agent's size scaling the
// bodies; nothing else of the body can be struck.
TEST(BoneCapsules, TheSkeletonsBodiesPosedAndScaledDecideTheBoneStruck) {
  static skeleton* const skel = [] {
    auto s = std::make_unique<skeleton>();
    s->name = ruv_string("hit_test_skel");
    s->bone_count = 2;
    s->bones.resize(2);
    s->bones[1].parent = 0;
    skeleton* raw = s.get();
    g_resource_manager.adopt_resource(std::move(s));
    return raw;
  }();
  clear_skeleton_bone_bodies();
  load_skeleton_bodies_from_text(
      "<Skeletons><skeleton name=\"hit_test_skel\"><Bones>"
      "<bone name=\"trunk\"><Bodies><capsule radius=\"0.15\" pos_x=\"0\" pos_y=\"0\" pos_z=\"0\""
      " pos2_x=\"0\" pos2_y=\"0\" pos2_z=\"0.4\"/></Bodies></bone>"
      "<bone name=\"head\"><Bodies><capsule radius=\"0.1\" pos_x=\"0\" pos_y=\"0\" pos_z=\"0\""
      " pos2_x=\"0\" pos2_y=\"0\" pos2_z=\"0.2\"/></Bodies></bone>"
      "</Bones></skeleton></Skeletons>");
  fix_skeletons();

  struct row {
    float height_factor;
    float probe_z;
    int bone;
  };
  const row rows[] = {
      {1.0f, 1.2f, 0},
      {1.0f, 1.62f, 1},
      // The legs carry no body in this skeleton.
      {1.0f, 0.5f, -1},
      // Above the head of a man of the common size; the head of one a fifth
      // taller (1.8 to 2.04, radius 0.12).
      {1.0f, 1.95f, -1},
      {1.2f, 1.95f, 1},
      // His trunk reaches 1.68 + 0.18.
      {1.2f, 1.8f, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.height_factor) + " " + std::to_string(r.probe_z));
    // Standing at (5, 5) and facing -x: the probe runs along y there.
    skeleton_entity body;
    body.frame = frame{rotation{vec3(0.0f, 1.0f, 0.0f), vec3(-1.0f, 0.0f, 0.0f), vec3(0.0f, 0.0f, 1.0f)},
                       vec3(5.0f, 5.0f, 0.0f)};
    body.animated_skeleton = std::make_unique<skeleton_instance>(clock_mission);
    body.animated_skeleton->set_skeleton(*skel);
    body.animated_skeleton->bones[0].pose_frame = frame{rotation::identity(), vec3(0.0f, 0.0f, 1.0f)};
    body.animated_skeleton->bones[1].pose_frame = frame{rotation::identity(), vec3(0.0f, 0.0f, 1.5f)};
    agent victim;
    victim.kind = agent_kind_human;
    victim.height_factor = r.height_factor;
    victim.agent_entity = &body;
    const hit_capsule probe{vec3(5.0f, 4.0f, r.probe_z), vec3(5.0f, 6.0f, r.probe_z), 0.05f};
    bone_contact contact;
    EXPECT_EQ(agent_collide_with_bone_capsules(victim, probe, contact), r.bone >= 0);
    if (r.bone >= 0) {
      EXPECT_EQ(contact.bone, r.bone);
      EXPECT_NEAR(contact.point.x, 5.0f, 1e-4f);
    }
  }
  clear_skeleton_bone_bodies();
}

}  // namespace
}  // namespace hm
