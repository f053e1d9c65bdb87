// The two small machines of weapon use, one step at a time: the state the
// agent is in and what its upper body plays, the keys it holds, and the state
// and action the step leaves behind. The action channel is moved by hand, so
// each row is one transition.
#include "mission/weapons/use_weapon.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/resource/mesh.h"
#include "mission/agent/agent_queries.h"
#include "mission/anim/agent_actions.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/support/animated_agents.h"
#include "mission/support/combat_fixtures.h"
#include "mission/weapons/held_item_look.h"
#include "module/records/action_table.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"

namespace hm {
namespace {

struct request {
  int action;
  std::uint32_t flags;
  bool operator==(const request&) const = default;
};

constexpr float dt = 0.1f;
constexpr int ready = 170;
constexpr int release = 171;

class weapon_use_machine : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_combat_globals();
    hooks().set_channel_action = [this](agent&, int channel, int action, std::uint32_t flags, float) {
      if (channel == 1) requests.push_back({action, flags});
    };
    hooks().add_message = [this](const std::string& text, std::uint32_t) { messages.push_back(text); };
    hooks().play_voice = [this](mission&, agent&, int voice) { voices.push_back(voice); };
    hooks().play_sound = [this](mission&, agent&, const std::string& sound, float) { sounds.push_back(sound); };
  }
  void TearDown() override { reset_combat_globals(); }
  static combat_hooks& hooks() { return g_combat_hooks(); }

  // A man holding an item of the type in hand 0 (none for -1), the player's
  // agent or not.
  agent& holding(int type, bool player = false) {
    agent& a = f.add_agent(m, agent_kind_human);
    if (player) m.player_agent = a.index;
    if (type >= 0) {
      a.equipment[0] = item{add_item_kind(type), 0};
      a.wielded_slots = {0, -1};
    }
    return a;
  }
  void playing(agent& a, int action, float progress) {
    a.channels[1].action = action;
    a.channels[1].flags = 10;
    a.channels[1].progress = progress;
  }
  void step(agent& a, std::uint32_t keys) {
    a.input.action_flags = keys;
    requests.clear();
    agent_use_weapon(m, a, dt, random);
  }

  mission m;
  animated_agents f;
  scripted_combat_random random{{0}};
  std::vector<request> requests;
  std::vector<std::string> messages;
  std::vector<std::string> sounds;
  std::vector<int> voices;
};

TEST_F(weapon_use_machine, ReadyingASwing) {
  struct row {
    const char* what;
    int item_type;
    std::uint32_t keys;
    int channel_action;
    float progress;
    int release_action;
    float power;
    int state;
    std::vector<request> asked;
    float power_after;
  };
  const std::uint32_t attack = input_attack_held;
  const std::uint32_t defend = input_defend_held;
  const row rows[] = {
      // Let go before the ready action is through: the swing waits for it.
      {"early release", item_type::one_handed, 0, ready, 0.5f, release, 0.5f, attack_readying, {}, 0.5f},
      // ... and is released once it is.
      {"release", item_type::one_handed, 0, ready, 1.0f, release, 0.5f, attack_releasing, {{release, 0x140000Au}}, 0.64f},
      // Held fully readied: +0.8 dt, +0.6 dt more below 1, never past 1.3.
      {"held, low", item_type::one_handed, attack, ready, 1.0f, release, 0.5f, attack_readying, {}, 0.64f},
      {"held, high", item_type::one_handed, attack, ready, 1.0f, release, 1.25f, attack_readying, {}, 1.3f},
      {"no release action", item_type::one_handed, 0, ready, 1.0f, -1, 0.5f, attack_idle, {}, 0.64f},
      // Defending or losing the ready action cancels, with the cancel of the
      // weapon's kind (these kinds offer no guard to raise instead).
      {"defend", item_type::one_handed, attack | defend, ready, 0.5f, release, 0.5f, attack_cancelled,
       {{114, 0x140000Cu}}, 0.5f},
      {"defend, two-handed", item_type::two_handed, defend, ready, 0.5f, release, 0.5f, attack_cancelled,
       {{115, 0x140000Cu}}, 0.5f},
      {"defend, polearm", item_type::polearm, defend, ready, 0.5f, release, 0.5f, attack_cancelled,
       {{116, 0x140000Cu}}, 0.5f},
      {"ready action lost", item_type::one_handed, attack, 30, 0.5f, release, 0.5f, attack_cancelled,
       {{114, 0x140000Cu}}, 0.5f},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    agent& a = holding(r.item_type);
    a.attack_state = attack_readying;
    a.ready_action = ready;
    a.release_action = r.release_action;
    a.attack_power = r.power;
    a.readiness = 0.3f;
    playing(a, r.channel_action, r.progress);
    step(a, r.keys);
    EXPECT_EQ(a.attack_state, r.state);
    EXPECT_EQ(requests, r.asked);
    EXPECT_NEAR(a.attack_power, r.power_after, 1e-6f);
    EXPECT_FLOAT_EQ(a.readiness, r.state == attack_cancelled ? 0.8f : 0.3f);
  }
}

TEST_F(weapon_use_machine, AReleasedSwingStartsAfreshAndShoutsOnlyAbovePowerOne) {
  struct row {
    float power;
    int draw;  // the shout's chance is (power - 1) x 3.5
    bool player;
    std::vector<int> voices;
  };
  const row rows[] = {
      {1.0f, 0, false, {}},
      // 1.3 gives 1.05: any draw shouts; the player's shout is kind 2.
      {1.3f, 15000, true, {2}},
      // 1.1 gives 0.35: a draw of 0.316 shouts; the second draw, 0.316 again,
      // is not below 0.3, so another man's shout is kind 3.
      {1.1f, 5000, false, {3}},
      {1.1f, 5692, false, {}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.power);
    voices.clear();
    agent& a = holding(item_type::one_handed, r.player);
    a.attack_state = attack_readying;
    a.ready_action = ready;
    a.release_action = release;
    a.attack_power = r.power;
    a.agent_hit = a.scene_hit = 1;
    playing(a, ready, 0.995f);
    random = scripted_combat_random{{r.draw}};
    a.attack_power -= dt * 0.8f;  // the step adds it back
    step(a, 0);
    ASSERT_EQ(a.attack_state, attack_releasing);
    EXPECT_EQ(voices, r.voices);
    // The swing's first frame tests nothing; nothing is struck yet.
    EXPECT_LT(a.previous_weapon_frame.origin.x, -1e7f);
    EXPECT_EQ(a.agent_hit, 0);
    EXPECT_EQ(a.scene_hit, 0);
    m.player_agent = -1;
  }
}

TEST_F(weapon_use_machine, LeavingTheLaterStates) {
  struct row {
    const char* what;
    int state;
    int channel_action;
    float progress;
    int state_after;
  };
  const row rows[] = {
      {"bounced, still playing", attack_bounced, 68, 0.5f, attack_bounced},
      {"bounced, channel empty", attack_bounced, -1, 0.0f, attack_idle},
      {"cancelled, channel empty", attack_cancelled, -1, 0.0f, attack_idle},
      {"swing through", attack_follow_through, release, 0.995f, attack_idle},
      {"swing going on", attack_follow_through, release, 0.9f, attack_follow_through},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    agent& a = holding(item_type::one_handed);
    a.attack_state = r.state;
    a.release_action = release;
    playing(a, r.channel_action, r.progress);
    if (r.channel_action < 0) a.channels[1].flags = 0;
    step(a, 0);
    EXPECT_EQ(a.attack_state, r.state_after);
  }
}

TEST_F(weapon_use_machine, ABusyBodyNeitherAttacksNorDefends) {
  // Channel 0 busy with an action that takes the upper body, above priority
  // 31; or channel 1 above 63.
  f.actions.actions[40].flags |= action_flag_clears_upper_body;
  struct row {
    int lower_action;
    std::uint32_t lower_priority;
    std::uint32_t upper_priority;
    bool busy;
  };
  const row rows[] = {
      {40, 32, 10, true},
      {40, 31, 10, false},
      {41, 40, 10, false},  // an action that leaves the upper body free
      {-1, 0, 64, true},
      {-1, 0, 63, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.lower_action) + " " + std::to_string(r.upper_priority));
    agent& a = holding(item_type::one_handed);
    a.attack_state = attack_readying;
    a.defend_state = 1;
    a.ready_action = ready;
    a.release_action = release;
    a.channels[0].action = r.lower_action;
    a.channels[0].flags = r.lower_priority;
    playing(a, ready, 0.5f);
    a.channels[1].flags = r.upper_priority;
    step(a, input_attack_held | input_defend_held);
    EXPECT_EQ(a.attack_state, attack_idle);
    if (r.busy) {
      EXPECT_EQ(a.defend_state, 0);
      EXPECT_TRUE(requests.empty());
    } else {
      // Defend cancels the attack and the guard stays up.
      EXPECT_EQ(a.defend_state, 1);
      EXPECT_FALSE(requests.empty());
    }
  }
}

// Ranged weapons: a bow with arrows, a crossbow with bolts, a thrown weapon.
class ranged_machine : public weapon_use_machine {
 protected:
  // A kind for `type` with `capabilities`, in hand 0 of a new agent, and
  // `ammo` (its type and pieces, none for a type of -1) in slot 1.
  agent& armed(int type, std::uint64_t capabilities, int ammo_type, int pieces, bool player = true,
               std::uint32_t flags = 0) {
    agent& a = f.add_agent(m, agent_kind_human);
    if (player) m.player_agent = a.index;
    const int weapon = add_item_kind(type, flags, capabilities, type == item_type::thrown ? pieces : 0);
    g_item_kinds[static_cast<std::size_t>(weapon)].missile_speed = 40;
    a.equipment[0] = item{weapon, 0};
    a.wielded_slots = {0, -1};
    if (ammo_type >= 0) a.equipment[1] = item{add_item_kind(ammo_type, 0, 0, pieces), 0};
    return a;
  }
};

TEST_F(ranged_machine, PressingAttackAimsReloadsOrSaysWhyNot) {
  struct row {
    const char* what;
    int type;
    std::uint64_t capabilities;
    std::uint32_t flags;
    int ammo_type;
    int pieces;
    int used;
    bool mounted;
    int state;
    int action;  // the reload asked for; -1 when none
    int wield_mode;
    const char* message;
  };
  constexpr std::uint64_t reload_70 = 0x70ull << 32;
  constexpr std::uint64_t reload_80 = 0x80ull << 32;
  const row rows[] = {
      {"bow with arrows", item_type::bow, 0x1000, 0, item_type::arrows, 10, 0, false, attack_readying, -1, 0,
       nullptr},
      {"bow, arrows used up", item_type::bow, 0, 0, item_type::arrows, 10, 10, false, attack_idle, -1, -1,
       "ui_no_more_arrows"},
      {"bow, no arrows", item_type::bow, 0, 0, -1, 0, 0, false, attack_idle, -1, -1,
       "ui_you_are_not_carrying_any_arrows"},
      {"thrown, none left", item_type::thrown, 0x40000, 0, -1, 2, 2, false, attack_idle, -1, -1, nullptr},
      {"thrown", item_type::thrown, 0x40000, 0, -1, 2, 0, false, attack_readying, -1, 4, nullptr},
      {"crossbow, unloaded, on foot", item_type::crossbow, 0, 0, item_type::bolts, 10, 0, false, attack_releasing,
       123, -1, nullptr},
      {"crossbow, unloaded, mounted", item_type::crossbow, 0, 0, item_type::bolts, 10, 0, true, attack_releasing,
       124, -1, nullptr},
      {"crossbow, kind 0x70", item_type::crossbow, reload_70, 0, item_type::bolts, 10, 0, false, attack_releasing,
       135, -1, nullptr},
      {"crossbow, kind 0x80", item_type::crossbow, reload_80, 0, item_type::bolts, 10, 0, true, attack_releasing,
       138, -1, nullptr},
      {"crossbow, not on horseback", item_type::crossbow, 0, 0x100000, item_type::bolts, 10, 0, true, attack_idle,
       -1, -1, "ui_cant_reload_this_weapon_on_horseback"},
      {"crossbow, bolts used up", item_type::crossbow, 0, 0, item_type::bolts, 10, 10, false, attack_idle, -1, -1,
       "ui_no_more_bolts"},
      {"crossbow, no bolts", item_type::crossbow, 0, 0, -1, 0, 0, false, attack_idle, -1, -1,
       "ui_you_are_not_carrying_any_bolts"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    messages.clear();
    agent& a = armed(r.type, r.capabilities, r.ammo_type, r.pieces, true, r.flags);
    if (r.used > 0) a.equipment[r.ammo_type >= 0 ? 1 : 0].consume_ammo(r.used);
    if (r.mounted) a.mount = 99;
    a.wield_mode = -1;
    a.agent_hit = a.scene_hit = 1;
    step(a, input_attack_held | input_attack_pressed);
    EXPECT_EQ(a.attack_state, r.state);
    if (r.action >= 0) {
      EXPECT_EQ(requests, (std::vector<request>{{r.action, 0x140003Cu}}));
    }
    if (r.state == attack_readying) {
      ASSERT_EQ(requests.size(), 1u);
      EXPECT_EQ(requests[0].flags, 0x2400002u);
      EXPECT_EQ(a.agent_hit, 0);
      EXPECT_EQ(a.scene_hit, 0);
    }
    EXPECT_EQ(a.wield_mode, r.wield_mode);
    if (r.message != nullptr) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_NE(messages[0].find(r.message), std::string::npos);
    } else {
      EXPECT_TRUE(messages.empty());
    }
    m.player_agent = -1;
  }
}

TEST_F(ranged_machine, ABowDrawsWithItsAimAndLoosesTheArrowItHeld) {
  agent& a = armed(item_type::bow, 0, item_type::arrows, 10);
  // The bow's mesh has draw keys from slack (0) to drawn (100).
  entity& bow = give_item_entity(f, a, 0);
  bow.meshes[0]->add_vertex_anim_key(0, vertex_anim_key{});
  bow.meshes[0]->add_vertex_anim_key(100, vertex_anim_key{});
  entity nocked;
  nocked.add_mesh(std::make_unique<mesh>());
  a.slot_extra_entities[1][0] = &nocked;
  nocked.meshes[0]->visibility_mask = 0;

  a.attack_state = attack_readying;
  a.release_action = release;
  struct row {
    float progress;
    float draw;
  };
  // Slack up to 0.46, then drawn over the next 0.4.
  const row rows[] = {{0.3f, 0.0f}, {0.46f, 0.0f}, {0.66f, 50.0f}, {0.86f, 100.0f}, {0.99f, 100.0f}};
  for (const row& r : rows) {
    playing(a, ready, r.progress);
    step(a, input_attack_held);
    EXPECT_EQ(a.attack_state, attack_readying);
    EXPECT_NEAR(bow.meshes[0]->anim_time, r.draw, 1e-3f) << r.progress;
    // An arrow is on the string while there are arrows to shoot.
    EXPECT_EQ(nocked.meshes[0]->visibility_mask, 0xFFFFu);
  }
  // Let go past 0.99: the arrow flies and leaves the string; the bow is
  // slack again.
  playing(a, ready, 0.995f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(m.missiles.live_count(), 1);
  EXPECT_EQ(get_ammunition(a), 9);
  EXPECT_EQ(sounds, std::vector<std::string>{"snd_release_bow"});
  EXPECT_EQ(nocked.meshes[0]->visibility_mask, 0u);
  EXPECT_FLOAT_EQ(bow.meshes[0]->anim_time, 0.0f);
  // The next arrow is nocked; after the last one none is.
  step(a, 0);
  EXPECT_EQ(nocked.meshes[0]->visibility_mask, 0xFFFFu);
  a.equipment[1].consume_ammo(9);
  step(a, 0);
  EXPECT_EQ(nocked.meshes[0]->visibility_mask, 0u);
}

TEST_F(ranged_machine, ACrossbowSpansAsItIsReloadedAndLoosesEarly) {
  agent& a = armed(item_type::crossbow, 0, item_type::bolts, 10);
  entity& crossbow = give_item_entity(f, a, 0);
  crossbow.meshes[0]->add_vertex_anim_key(0, vertex_anim_key{});
  crossbow.meshes[0]->add_vertex_anim_key(100, vertex_anim_key{});
  a.attack_state = attack_releasing;
  a.reload_action = 123;
  struct row {
    float progress;
    bool mounted;
    float span;
  };
  const row rows[] = {{0.3f, false, 0.0f},  {0.53f, false, 50.0f}, {0.7f, false, 100.0f},
                      {0.33f, true, 50.0f}, {0.1f, true, 0.0f},    {0.6f, true, 100.0f}};
  for (const row& r : rows) {
    a.mount = r.mounted ? 99 : -1;
    playing(a, 123, r.progress);
    step(a, 0);
    EXPECT_EQ(a.attack_state, attack_releasing);
    EXPECT_NEAR(crossbow.meshes[0]->anim_time, r.span, 1e-3f) << r.progress << " " << r.mounted;
  }
  a.mount = -1;
  // Through: loaded, and it shows spanned.
  playing(a, 123, 0.995f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(a.loaded_shots, 1);
  step(a, 0);
  EXPECT_FLOAT_EQ(crossbow.meshes[0]->anim_time, 100.0f);

  // Aimed and let go already past 0.2: the bolt flies and the crossbow is
  // slack.
  a.attack_state = attack_readying;
  a.release_action = release;
  playing(a, ready, 0.25f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(a.loaded_shots, 0);
  EXPECT_EQ(m.missiles.live_count(), 1);
  step(a, 0);
  EXPECT_FLOAT_EQ(crossbow.meshes[0]->anim_time, 0.0f);
}

TEST_F(ranged_machine, AReloadIsBrokenOffByDefenceMountingOrThePlayerWalking) {
  struct row {
    const char* what;
    std::uint32_t keys;
    bool player;
    float progress;
    int state;
  };
  const row rows[] = {
      {"defend", input_defend_held, false, 0.5f, attack_idle},
      {"mount", 0x10000, false, 0.5f, attack_idle},
      {"the further command", 0x100000, false, 0.5f, attack_idle},
      {"the player walks", 0x1, true, 0.5f, attack_idle},
      {"the player walks late", 0x1, true, 0.85f, attack_releasing},
      {"another man walks", 0x1, false, 0.5f, attack_releasing},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    agent& a = armed(item_type::crossbow, 0, item_type::bolts, 10, r.player);
    a.attack_state = attack_releasing;
    a.reload_action = 123;
    playing(a, 123, r.progress);
    step(a, r.keys);
    EXPECT_EQ(a.attack_state, r.state);
    EXPECT_EQ(a.loaded_shots, 0);
    m.player_agent = -1;
  }
}

TEST_F(ranged_machine, AThrowLeavesTheHandAtAQuarterAndComesBackAtTheEnd) {
  agent& a = armed(item_type::thrown, 0x40000, -1, 3);
  entity& javelin = give_item_entity(f, a, 0);
  a.attack_state = attack_readying;
  a.release_action = 126;
  playing(a, ready, 0.995f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_follow_through);
  EXPECT_EQ(requests, (std::vector<request>{{126, 0x1000002u | 0x40001Bu}}));
  EXPECT_EQ(sounds, std::vector<std::string>{"snd_throw_javelin"});
  EXPECT_EQ(m.missiles.live_count(), 0);

  playing(a, 126, 0.2f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_follow_through);
  playing(a, 126, 0.3f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_thrown);
  EXPECT_EQ(m.missiles.live_count(), 1);
  EXPECT_EQ(get_ammunition(a), 2);
  EXPECT_EQ(show_word(javelin), 0u);
  playing(a, 126, 0.99f);
  step(a, 0);
  EXPECT_EQ(a.attack_state, attack_idle);
  EXPECT_EQ(show_word(javelin), 0xFFFFu);
}

}  // namespace
}  // namespace hm
