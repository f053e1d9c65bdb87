#include <gtest/gtest.h>

#include <cmath>

#include "campaign/party/campaign_state.h"
#include "campaign/support/fake_campaign.h"
#include "module/records/party_template.h"

namespace hm {
namespace {

using test::campaign_fixture;
using test::fake_troop;
using stacks = std::vector<std::array<int, 3>>;

class PartyLifecycleTest : public ::testing::Test, public campaign_fixture {
 protected:
  // Templates 0..3, template 0 with two fixed entries of the given troops
  // (the second as prisoners); the others empty.
  void add_templates(int members, int prisoners) {
    for (int i = 0; i < 4; ++i) {
      party_template t;
      t.id = ruv_string(("pt_" + std::to_string(i)).c_str());
      t.name = ruv_string(("Template " + std::to_string(i)).c_str());
      g_party_templates.push_back(t);
    }
    party_template& t = g_party_templates[0];
    t.flags = (std::uint64_t{7} << 32) | 0x1005;
    t.party_word = 9;
    t.faction = 4;
    t.personality = 0x23;
    t.stacks[0] = {members, 3, 3, 0};
    t.stacks[1] = {prisoners, 2, 2, 1};
  }
  int active(std::int32_t id) { return game.find_party(id) != nullptr; }
};

TEST_F(PartyLifecycleTest, CreatesPartiesFromTemplates) {
  const int a = world.add_regular();
  const int b = world.add_regular();
  add_templates(a, b);
  const std::int32_t id = game.create_party(5.0f, -3.0f, 0);
  ASSERT_GE(id, 0);
  const party& p = *game.find_party(id);
  // No translation is loaded: the template's own name.
  EXPECT_EQ(p.name.view(), "Template 0");
  EXPECT_EQ(p.custom_name, 1);
  EXPECT_EQ(p.identifier.view(), "pt_0");
  EXPECT_EQ(p.template_index, 0);
  EXPECT_EQ(p.flags, 0x1005u);
  EXPECT_EQ(p.flags2, 7u);
  EXPECT_EQ(p.template_word, 9);
  EXPECT_EQ(p.faction, 4);
  EXPECT_EQ(p.personality, 0x23u);
  EXPECT_EQ(p.scripted_behaviour, 2);
  EXPECT_EQ(p.scripted_position[0], 5.0f);
  EXPECT_EQ(p.position.y, -3.0f);
  EXPECT_NEAR(std::hypot(p.move_direction[0], p.move_direction[1]), 1.0f, 1e-5f);
  EXPECT_EQ(stacks_of(p), (stacks{{a, 3, 0}, {b, 2, 1}}));
  EXPECT_EQ(map.created, (std::vector<std::int32_t>{id}));
  EXPECT_NE(p.map_entity, nullptr);
  game.create_party(0.0f, 0.0f, 0);
  EXPECT_EQ(g_party_templates[0].created_count, 2);

  // The template's prisoner bit flips when members come in as prisoners.
  game.add_template_members_to_party(id, 0, true);
  EXPECT_EQ(stacks_of(p), (stacks{{a, 3, 0}, {b, 2, 0}, {b, 2, 1}, {a, 3, 1}}));

  EXPECT_EQ(game.create_party(0.0f, 0.0f, 4), -1);
  EXPECT_EQ(game.create_party(0.0f, 0.0f, -1), -1);

  fake_troop lord;
  lord.flags = troop_flag_hero;
  lord.name = "Lord Ansel";
  lord.faction = 6;
  const int l = world.add(lord);
  const std::int32_t lone = game.create_party_for_troop(l, 1.0f, 1.0f);
  const party& q = *game.find_party(lone);
  EXPECT_EQ(q.name.view(), "Lord Ansel");
  EXPECT_EQ(q.faction, 6);
  EXPECT_EQ(q.template_index, 3);
  EXPECT_EQ(stacks_of(q), (stacks{{l, 1, 0}}));
  EXPECT_EQ(game.create_party_for_troop(99, 1.0f, 1.0f), -1);
}

TEST_F(PartyLifecycleTest, SpawnsNearAPointOnALinkedFace) {
  add_templates(world.add_regular(), world.add_regular());
  // Close to the border between the regions: every point lands on the east.
  for (int i = 0; i < 50; ++i) {
    const vec3 at = game.random_position_near(0.5f, 0.0f, 2.0f);
    EXPECT_GE(at.x, 0.0f);
    EXPECT_LT(std::hypot(at.x - 0.5f, at.y), 2.0f);
  }
  // Off the map the centre itself is the answer.
  const vec3 off = game.random_position_near(500.0f, 0.0f, 2.0f);
  EXPECT_EQ(off.x, 500.0f);
  // So it is when no point around is reachable from the centre.
  map.stranded_faces = {1};
  const vec3 stuck = game.random_position_near(-50.0f, 3.0f, 10.0f);
  EXPECT_EQ(stuck.x, -50.0f);
  EXPECT_EQ(stuck.y, 3.0f);
  map.stranded_faces.clear();
  const std::int32_t id = game.spawn_party_near(10.0f, 10.0f, 0, 1.0f);
  const party& p = *game.find_party(id);
  EXPECT_LT(std::hypot(p.position.x - 10.0f, p.position.y - 10.0f), 1.0f);
}

TEST_F(PartyLifecycleTest, AttachmentTreeIsWalkedCountedAndTakenApart) {
  const int regular = world.add_regular(8);
  const int hero = world.add_hero(3, 1.0f);
  party& host = new_party();
  party& first = new_party();
  party& child = new_party();
  party& second = new_party();
  host.add_troop_stack(game, regular, 10, 0, 2, true);
  first.add_troop_stack(game, regular, 5, 0, 1, true);
  first.add_troop_stack(game, hero, 1, 0, 0, true);
  child.add_troop_stack(game, regular, 3, stack_flag_prisoners, 0, true);
  second.add_troop_stack(game, regular, 1, 0, 0, true);
  ASSERT_TRUE(game.attach_party_to_party(first.id, host.id));
  ASSERT_TRUE(game.attach_party_to_party(child.id, first.id));
  ASSERT_TRUE(game.attach_party_to_party(second.id, host.id));

  std::int32_t ids[attached_party_limit];
  int count = 0;
  game.collect_attached_party_ids(host.id, ids, count);
  EXPECT_EQ(std::vector<std::int32_t>(ids, ids + count),
            (std::vector<std::int32_t>{host.id, first.id, child.id, second.id}));

  party_troop_totals totals;
  game.count_party_troops_with_attached(host.id, totals);
  EXPECT_EQ(totals.members, 17);
  EXPECT_EQ(totals.wounded, 4);
  EXPECT_EQ(totals.prisoners, 3);
  EXPECT_EQ(totals.heroes, 1);
  // (10 - 2 + 5 - 1 + 1) x 20^2 / 100; the wounded hero adds nothing.
  EXPECT_FLOAT_EQ(game.get_party_strength(host.id), 13 * 4.0f);

  party& gathered = new_party();
  game.add_party_members_to_party(host.id, gathered.id);
  EXPECT_EQ(stacks_of(gathered), (stacks{{regular, 16, 0}, {hero, 1, 0}, {regular, 3, 1}}));
  EXPECT_EQ(gathered.stacks[0].wounded, 3);

  // Removing an attached party takes it out of its host's list.
  game.remove_party(child.id);
  EXPECT_EQ(first.attached_parties.size(), 0u);
  EXPECT_EQ(child.state, party_state_removed);
  // Removing the host frees both of its followers.
  first.joined = 1;
  first.changed = 0;
  second.changed = 0;
  game.remove_party(host.id);
  for (const party* p : {&first, &second}) {
    EXPECT_EQ(p->attached_to, -1);
    EXPECT_EQ(p->joined, 0);
    EXPECT_EQ(p->changed, 1);
  }
  EXPECT_FALSE(active(host.id));
  EXPECT_TRUE(host.attached_parties.empty());
}

TEST_F(PartyLifecycleTest, AttachmentsThatWouldLoopAreRefused) {
  party& a = new_party();
  party& b = new_party();
  party& c = new_party();
  ASSERT_TRUE(game.attach_party_to_party(b.id, a.id));
  ASSERT_TRUE(game.attach_party_to_party(c.id, b.id));
  EXPECT_FALSE(game.attach_party_to_party(a.id, c.id));  // a under its own follower's follower
  EXPECT_FALSE(game.attach_party_to_party(a.id, b.id));
  EXPECT_FALSE(game.attach_party_to_party(a.id, a.id));
  EXPECT_FALSE(game.attach_party_to_party(a.id, 4711));
  party& gone = new_party();
  game.remove_party(gone.id);
  EXPECT_FALSE(game.attach_party_to_party(a.id, gone.id));
  EXPECT_EQ(a.attached_to, -1);
  EXPECT_EQ(a.attached_parties, (std::vector<std::int32_t>{b.id}));

  // Re-attaching moves the party from its old host to the new one.
  ASSERT_TRUE(game.attach_party_to_party(c.id, a.id));
  EXPECT_TRUE(b.attached_parties.empty());
  EXPECT_EQ(a.attached_parties, (std::vector<std::int32_t>{b.id, c.id}));
  game.detach_party(c.id);
  EXPECT_EQ(c.attached_to, -1);
  EXPECT_EQ(a.attached_parties, (std::vector<std::int32_t>{b.id}));
}

TEST_F(PartyLifecycleTest, RemovalClearsOnlyTheBehavioursAimedAtTheParty) {
  add_templates(world.add_regular(), world.add_regular());
  party& target = new_party();
  target.template_index = 0;
  target.map_entity = reinterpret_cast<party_map_entity*>(&target);
  party& hunter = new_party();
  party& sailor = new_party();
  hunter.current_behaviour = 4;
  hunter.current_target = target.id;
  hunter.scripted_behaviour = 1;
  hunter.scripted_target = target.id;
  // Behaviour 9 aims at a map-event slot that happens to share the number.
  sailor.current_behaviour = 9;
  sailor.current_target = target.id;
  game.remove_party(target.id);
  EXPECT_EQ(hunter.current_behaviour, 0);
  EXPECT_EQ(hunter.current_target, -1);
  EXPECT_EQ(hunter.scripted_behaviour, 0);
  EXPECT_EQ(hunter.scripted_target, -1);
  EXPECT_EQ(sailor.current_behaviour, 9);
  EXPECT_EQ(sailor.current_target, target.id);
  EXPECT_EQ(g_party_templates[0].removed_count, 1);
  EXPECT_EQ(map.removed, (std::vector<std::int32_t>{target.id}));
  EXPECT_EQ(target.map_entity, nullptr);
  EXPECT_TRUE(target.flags & party_flag_hidden);

  // A fixed place of template 0 keeps its entity.
  party& town = new_party();
  town.flags = party_flag_fixed_place;
  town.template_index = 0;
  town.map_entity = reinterpret_cast<party_map_entity*>(&town);
  game.remove_party(town.id);
  EXPECT_NE(town.map_entity, nullptr);
  EXPECT_EQ(map.removed.size(), 1u);
}

TEST_F(PartyLifecycleTest, AddTroopsKeepsThirtyTwoStacksOfEachKind) {
  party& p = new_party();
  std::vector<int> regulars;
  for (int i = 0; i < 32; ++i) {
    regulars.push_back(world.add_regular());
    ASSERT_EQ(p.add_troops(game, regulars.back(), 2, 0), i);
  }
  const int prisoner = world.add_regular();
  EXPECT_EQ(p.add_troops(game, prisoner, 4, stack_flag_prisoners), 32);
  // A troop the party has joins its stack.
  EXPECT_EQ(p.add_troops(game, regulars[5], 3, 0), 5);
  EXPECT_EQ(p.stacks[5].count, 5);
  // No room for a 33rd regular member stack ...
  const int late = world.add_regular();
  EXPECT_EQ(p.add_troops(game, late, 1, 0), -1);
  EXPECT_EQ(p.count_member_stacks(), 32);
  // ... but a hero takes the place of the last regular one.
  const int hero = world.add_hero();
  EXPECT_EQ(p.add_troops(game, hero, 1, 0), 31);
  EXPECT_EQ(p.stacks[31].troop, hero);
  EXPECT_EQ(p.stacks[30].troop, regulars[30]);
  EXPECT_EQ(p.count_member_stacks(), 32);
  EXPECT_EQ(p.stacks[32].troop, prisoner);
  EXPECT_EQ(p.add_troops(game, late, 0, 0), 0);
}

}  // namespace
}  // namespace hm
