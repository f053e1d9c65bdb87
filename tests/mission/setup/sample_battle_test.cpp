// The sample module's field battle set up headless from the loaded module and
// its new game: both armies on the generated ground, each agent on a face of
// the scene's navigation graph, drawn by a skeleton with its meshes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>
#include <string>

#include "../support/sample_game.h"
#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "mission/setup/agent_spawn.h"
#include "mission/setup/module_mission_setup.h"
#include "mission/combat/combat_actors.h"
#include "mission/weapons/use_weapon.h"
#include "mission/control/wielding.h"
#include "mission/weapons/weapon_hit.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"
#include "render/terrain/ai_mesh.h"

namespace hm {
namespace {

class quiet_services : public mission_services {
 public:
  void refresh_shadow_passes(mission&) override {}
  void update_scene_entities(mission&, float) override {}
};

int index_of_template(const char* id) {
  for (std::size_t i = 0; i < g_mission_templates.size(); ++i) {
    if (g_mission_templates[i].id.equals_cstr(id)) return static_cast<int>(i);
  }
  return -1;
}

int index_of_scene(const game& g, const char* id) {
  for (int i = 0; i < g.scene_count(); ++i) {
    if (g.scenes[static_cast<std::size_t>(i)]->id.equals_cstr(id)) return i;
  }
  return -1;
}

int index_of_troop(const game& g, const char* id) {
  for (int i = 0; i < g.troop_count(); ++i) {
    if (g.troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
  }
  return -1;
}

using test::sample_game;
using test::the_sample;

// A party of the campaign with stacks of (troop, count); returns its id.
int add_party(campaign_state& state, std::initializer_list<std::pair<int, int>> stacks) {
  const std::int32_t id = state.parties.take_free_party();
  party& p = *state.parties.get_party_by_id(id);
  p.reset();
  p.stack_count = 0;
  for (const auto& [troop, count] : stacks) {
    if (p.stacks.size() <= static_cast<std::size_t>(p.stack_count)) p.stacks.resize(p.stacks.size() + 1);
    troop_stack& s = p.stacks[static_cast<std::size_t>(p.stack_count++)];
    s = troop_stack{};
    s.troop = troop;
    s.count = count;
  }
  return p.id;
}

TEST(SampleBattle, BothArmiesStandOnTheGroundWithTheirMeshes) {
  sample_game& sample = the_sample();
  game& g = *g_game;
  campaign_state& state = sample.campaign->state;
  const int battle = index_of_template("field_battle");
  const int field = index_of_scene(g, "scn_field_battle");
  ASSERT_GE(battle, 0);
  ASSERT_GE(field, 0);
  const int swordsman = index_of_troop(g, "trp_swordsman");
  const int archer = index_of_troop(g, "trp_archer");
  const int horseman = index_of_troop(g, "trp_horseman");
  const int looter = index_of_troop(g, "trp_looter");
  ASSERT_GE(horseman, 0);

  // The player leads swordsmen, archers and horsemen; allies and enemies
  // bring theirs.
  party* player_party = state.find_party(state.player_party);
  ASSERT_NE(player_party, nullptr);
  player_party->stack_count = 1;
  player_party->stacks[0].count = 1;
  state.add_troops_to_party(state.player_party, swordsman, 6, false);
  state.add_troops_to_party(state.player_party, archer, 4, false);
  state.add_troops_to_party(state.player_party, horseman, 3, false);
  const int allies = add_party(state, {{swordsman, 8}, {archer, 6}});
  const int enemies = add_party(state, {{looter, 14}, {swordsman, 6}, {archer, 6}, {horseman, 4}});

  mission m;
  quiet_services services;
  m.set_services(&services);
  m.side_value = 1;
  m.side_lists[0].count = 1;
  m.side_lists[0].parties[0] = allies;
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = enemies;
  reset_clocks();
  mission_start start;
  test::log_capture log;
  ASSERT_TRUE(start_mission(m, g, state, battle, field, start));
  // Every mesh, skeleton and the scene's file were found.
  for (const char* fault : {"no mesh", "no skeleton", "Unable to load scene objects", "skipped", "without a scene"}) {
    EXPECT_EQ(log.text().find(fault), std::string::npos) << fault << " in:\n" << log.text();
  }

  ASSERT_NE(m.scene, nullptr);
  ASSERT_NE(m.nav_mesh, nullptr);
  ASSERT_FALSE(m.nav_mesh->faces.empty());
  // The props of the scene's file, each with its entity.
  int props = 0;
  for (const scene_prop_instance& p : m.scene_prop_instances) {
    if (p.kind != prop_kind_object) continue;
    ++props;
    ASSERT_NE(p.entity, nullptr) << p.name.c_str();
    // Standing on the generated ground where the scene's list put it.
    const face* ground = nullptr;
    const float height = find_ground_face(*m.scene, p.entity->frame.origin, &ground);
    ASSERT_NE(ground, nullptr) << p.name.c_str();
    EXPECT_NEAR(p.entity->frame.origin.z, height, 0.3f) << p.name.c_str();
    EXPECT_GT(p.entity->frame.origin.x, 100.0f);
    EXPECT_LT(p.entity->frame.origin.y, 110.0f);
  }
  EXPECT_EQ(props, 5);

  int humans = 0, horses = 0, riders = 0;
  int team_count[2] = {0, 0};
  for_each_live_agent(m.agents, [&](const agent& a) {
    const face* ground = nullptr;
    const float height = find_ground_face(*m.scene, a.position(), &ground);
    ASSERT_NE(ground, nullptr) << "agent " << a.index;
    EXPECT_NEAR(a.position().z, height, 1.0f) << "agent " << a.index;
    EXPECT_GE(m.nav_mesh->find_face(a.position()), 0) << "agent " << a.index;
    ASSERT_NE(a.agent_entity, nullptr) << "agent " << a.index;
    const skeleton_instance* skel = a.agent_entity->animated_skeleton.get();
    ASSERT_NE(skel, nullptr) << "agent " << a.index;
    int attached = 0;
    for (const skeleton_bone& b : skel->bones) attached += static_cast<int>(b.meshes.size());
    EXPECT_GT(attached + static_cast<int>(skel->skinned_meshes.size()), 0) << "agent " << a.index;
    if (a.kind == agent_kind_horse) {
      ++horses;
      EXPECT_EQ(skel->skeleton->name.c_str(), std::string("skel_horse"));
      return;
    }
    ++humans;
    if (a.team == 0 || a.team == 1) ++team_count[a.team];
    if (a.mount >= 0) ++riders;
    // Body, hands, calves and head on the skeleton, the weapons beside them.
    EXPECT_GE(attached + static_cast<int>(skel->skinned_meshes.size()), 6) << "agent " << a.index;
  });
  // 12 of each record: the player's party and its allies for team 0, two
  // enemy groups for team 1. A stack's random draw may pass over every stack
  // of a walk; what did not come yet is still pending for the next frames.
  const mission_template& t = g_mission_templates[static_cast<std::size_t>(battle)];
  int pending[2] = {0, 0};
  for (int r = 0; r < t.spawn_record_count(); ++r) {
    const spawn_record& rec = t.spawn_records[static_cast<std::size_t>(r)];
    pending[r < 2 ? 0 : 1] += rec.pending;
    EXPECT_EQ(rec.pending + rec.spawned, 12) << "record " << r;
  }
  EXPECT_EQ(team_count[0] + pending[0], 24);
  EXPECT_EQ(team_count[1] + pending[1], 24);
  EXPECT_GE(humans, 40);
  EXPECT_EQ(horses, riders);
  EXPECT_GT(riders, 0);
  ASSERT_GE(m.player_agent, 0);
  EXPECT_EQ(m.get_agent(m.player_agent)->troop, state.player_troop);
  m.clear();
}

int index_of_item(const char* id) {
  for (std::size_t i = 0; i < g_item_kinds.size(); ++i) {
    if (g_item_kinds[i].id.equals_cstr(id)) return static_cast<int>(i);
  }
  return -1;
}

TEST(SampleBattle, OverriddenSlotsTakeTheFirstFittingListedItem) {
  the_sample();
  const game& g = *g_game;
  const troop& archer = g.troops[static_cast<std::size_t>(index_of_troop(g, "trp_archer"))];
  const int sword = index_of_item("itm_sword");
  const int shield = index_of_item("itm_round_shield");
  const int tunic = index_of_item("itm_padded_tunic");
  const int cap = index_of_item("itm_leather_cap");
  ASSERT_GE(std::min({sword, shield, tunic, cap}), 0);
  struct case_t {
    std::uint32_t flags;
    std::vector<std::int32_t> listed;
    // Slots 0, 1, 4 and 5 afterwards (-2: the troop's own item).
    std::array<int, 4> expected;
  };
  const int own = -2;
  const std::vector<case_t> cases = {
      // No bit set: the troop's own equipment throughout, the list unused.
      {0u, {sword, shield}, {own, own, own, own}},
      // Slot 0 skips the tunic (no weapon) for the sword; slot 1 gets the
      // shield; the tunic is left for nobody.
      {0x3u, {tunic, sword, shield}, {sword, shield, own, own}},
      // One sword for two weapon slots: the second stays empty.
      {0x3u, {sword}, {sword, -1, own, own}},
      // Head and body from the list in the order of the slots; -1 entries
      // (used up) and kinds outside the table are passed over.
      {0x30u, {-1, 9999, tunic, cap}, {own, own, cap, tunic}},
  };
  const int slots[4] = {0, 1, 4, 5};
  for (const case_t& c : cases) {
    agent a;
    a.item_override_flags = c.flags;
    a.spawn_items = c.listed;
    equip_from_troop(a, archer);
    for (int k = 0; k < 4; ++k) {
      const int slot = slots[k];
      const item& got = a.equipment[static_cast<std::size_t>(slot)];
      if (c.expected[static_cast<std::size_t>(k)] == own) {
        EXPECT_EQ(got.kind, archer.equipment[static_cast<std::size_t>(slot)].kind) << "flags " << c.flags << " slot " << slot;
        EXPECT_EQ(a.slot_from_troop[static_cast<std::size_t>(slot)], 1);
      } else {
        EXPECT_EQ(got.kind, c.expected[static_cast<std::size_t>(k)]) << "flags " << c.flags << " slot " << slot;
        EXPECT_EQ(a.slot_from_troop[static_cast<std::size_t>(slot)], 0);
      }
    }
  }
}

// The sample's men stand on the skeleton the engine numbers: a blow level
// with the head strikes bone 9 (the head shot), one across the left thigh
// strikes bone 1 (the bone a leg hit reduces), and the sword is held by the
// right hand's grip (bone 19), from which the weapon's frame is taken.
TEST(SampleBattle, BlowsStrikeTheBonesTheEngineNumbers) {
  sample_game& sample = the_sample();
  game& g = *g_game;
  campaign_state& state = sample.campaign->state;
  const int battle = index_of_template("field_battle");
  const int field = index_of_scene(g, "scn_field_battle");
  const int swordsman = index_of_troop(g, "trp_swordsman");
  ASSERT_GE(swordsman, 0);
  const int allies = add_party(state, {{swordsman, 2}});
  const int enemies = add_party(state, {{swordsman, 2}});
  mission m;
  quiet_services services;
  m.set_services(&services);
  m.side_value = 1;
  m.side_lists[0].count = 1;
  m.side_lists[0].parties[0] = allies;
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = enemies;
  reset_clocks();
  mission_start start;
  ASSERT_TRUE(start_mission(m, g, state, battle, field, start));

  agent* man = nullptr;
  for_each_live_agent(m.agents, [&](agent& a) {
    if (man == nullptr && a.kind != agent_kind_horse && a.mount < 0 && a.troop == swordsman) man = &a;
  });
  ASSERT_NE(man, nullptr);
  skeleton_instance* skel = man->agent_entity->animated_skeleton.get();
  ASSERT_NE(skel, nullptr);
  ASSERT_EQ(skel->bone_count, 20);
  skel->compute_rest_pose();

  // Probes of radius 0.05 through the man, in his own frame (x to his right,
  // y forward, z up): across at the head's height (its bone at 1.58, the skull
  // above it), across the thighs half way from the hips (0.95) to the knees
  // (0.52), below the hips (0.78 the lowest of their body), where the left
  // thigh comes first; front to back through the right thigh alone; and over
  // the head, where nothing is struck.
  struct row {
    const char* what;
    vec3 from, to;
    int bone;
  };
  const frame& body = man->agent_entity->frame;
  for (const row& r : {row{"head", {-1.0f, 0.0f, 1.7f}, {1.0f, 0.0f, 1.7f}, agent_head_bone},
                       row{"thighs", {-1.0f, 0.0f, 0.65f}, {1.0f, 0.0f, 0.65f}, 1},
                       row{"right thigh", {0.1f, 1.0f, 0.65f}, {0.1f, -1.0f, 0.65f}, 4},
                       row{"over the head", {-1.0f, 0.0f, 2.2f}, {1.0f, 0.0f, 2.2f}, -1}}) {
    const hit_capsule probe{body.transform_point_to_global(r.from), body.transform_point_to_global(r.to), 0.05f};
    bone_contact contact;
    const bool touched = agent_collide_with_bone_capsules(*man, probe, contact);
    EXPECT_EQ(touched, r.bone >= 0) << r.what;
    if (touched) {
      EXPECT_EQ(contact.bone, r.bone) << r.what;
    }
  }

  // The sword hangs from the grip bone; wielded, the weapon's frame is that
  // bone's.
  int sword_slot = -1;
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    const item_kind* k = man->equipment[static_cast<std::size_t>(slot)].get_kind();
    if (k != nullptr && k->type() == item_type::one_handed) sword_slot = slot;
  }
  ASSERT_GE(sword_slot, 0);
  EXPECT_EQ(man->item_bones[static_cast<std::size_t>(sword_slot)], 19);
  man->wielded_slots[0] = sword_slot;
  attach_item_entities(m, *man);
  const frame weapon = agent_weapon_frame(*man);
  const frame grip = agent_bone_world_frame(*man, 19);
  EXPECT_NEAR((weapon.origin - grip.origin).length(), 0.0f, 1e-4f);
  // At rest the right hand's grip is 0.86 above the ground, beside the hip.
  EXPECT_NEAR(body.transform_point_to_local(grip.origin).z, 0.86f * man->height_factor, 1e-3f);
  m.clear();
}

TEST(SampleBattle, UnknownTemplateOrSceneIsRefusedByNumber) {
  the_sample();
  mission m;
  quiet_services services;
  m.set_services(&services);
  mission_start start;
  EXPECT_FALSE(start_mission(m, *g_game, the_sample().campaign->state, 9999, 0, start));
  EXPECT_FALSE(start_mission(m, *g_game, the_sample().campaign->state, 0, -1, start));
  EXPECT_EQ(m.scene, nullptr);
  EXPECT_EQ(start.steps, nullptr);
}

}  // namespace
}  // namespace hm
