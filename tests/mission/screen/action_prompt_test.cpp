// The action prompt: what lies along the player's look ray, whether it is in
// reach, the lines it shows, and a target that went away before the key.
#include "mission/screen/action_prompt.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/collision/capsule.h"
#include "engine/collision/face.h"
#include "engine/collision/sphere.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_screen_window.h"
#include "mission/support/combat_fixtures.h"
#include "mission/support/recording_services.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {
namespace {

enum : int { sword, horse_kind, kind_count };

class prompt_host final : public mission_screen_host {
 public:
  void show_overlay(const std::vector<overlay_line>& l, float, float) override { lines = l; }
  std::string text(const char* key) override { return key; }
  std::string item_name(int kind, std::uint32_t) override { return "item" + std::to_string(kind); }
  std::string troop_name(int troop) override { return "troop" + std::to_string(troop); }
  int riding_skill(int) override { return riding; }
  std::int32_t passage_target(mission&, int passage) override { return passage == 0 ? 1 : passage == 1 ? 9 : 3; }
  int scene_count() override { return 3; }
  std::string scene_name(int scene) override { return " scene" + std::to_string(scene); }
  void add_message(const std::string&, std::uint32_t) override {}

  std::vector<overlay_line> lines;
  int riding = 3;
};

class ActionPrompt : public ::testing::Test {
 protected:
  void SetUp() override {
    g_item_kinds.assign(kind_count, item_kind());
    g_item_kinds[sword].flags = 2;
    g_item_kinds[horse_kind].flags = 1;
    g_item_kinds[horse_kind].difficulty = 2;
    m->set_services(&services);
    m->scene = std::make_unique<scene_world>(vec3(-50.0f, -50.0f, 0.0f), vec3(50.0f, 50.0f, 0.0f), 2, 2, 0);
    m->scene_min_x = m->scene_min_y = -50.0f;
    m->scene_max_x = m->scene_max_y = 50.0f;
    agent& p = spawn_standing_agent(*m, agent_kind_human, 0, vec3(0.0f, 0.0f, 0.0f));
    p.input.set_direction(vec3(0.0f, 1.0f, 0.0f));
    m->player_agent = p.index;
  }
  void TearDown() override {
    m->set_services(nullptr);
    g_item_kinds.clear();
  }

  agent& player() { return *m->get_agent(m->player_agent); }

  // A body standing at (0, y): a capsule from the ground to above the eye.
  entity* standing_body(float y) {
    entity* e = m->scene->create_entity(mesh_entity_type);
    e->frame.origin = vec3(0.0f, y, 0.0f);
    e->body = std::make_unique<capsule>(vec3(0.0f, y, 0.2f), vec3(0.0f, y, 2.0f), 0.4f);
    return e;
  }
  int loose_horse(float y) {
    agent& h = spawn_standing_agent(*m, agent_kind_horse, 0, vec3(0.0f, y, 0.0f));
    h.horse_item = horse_kind;
    h.rider_died_state = horse_rider_loose;
    entity* e = m->scene->create_entity(skeleton_entity_type);
    e->body = std::make_unique<capsule>(vec3(0.0f, y, 0.5f), vec3(0.0f, y, 2.0f), 0.4f);
    h.agent_entity = static_cast<skeleton_entity*>(e);
    return h.index;
  }
  int item_on_ground(float y) {
    frame at = frame::identity();
    at.origin = vec3(0.0f, y, 1.5f);
    const int index = m->add_scene_prop_instance(prop_kind_spawned_item, sword, 0, at);
    entity* e = m->scene->create_entity(mesh_entity_type);
    e->body = std::make_unique<sphere>(vec3(0.0f, y, 1.5f), 0.3f);
    e->owner_word = prop_entity_owner_kind;
    e->owner_word_2 = index;
    m->scene_prop_instances[static_cast<std::size_t>(index)].entity = e;
    return index;
  }
  void wall(float y) {
    auto f = std::make_unique<face>(std::initializer_list<vec3>{
        vec3(-3.0f, y, 0.0f), vec3(3.0f, y, 0.0f), vec3(3.0f, y, 4.0f), vec3(-3.0f, y, 4.0f)});
    f->transform_to_frame(frame::identity());
    m->scene->add_body(std::move(f));
  }

  action_prompt update() {
    action_prompt_context c;
    c.riding_skill = host.riding;
    return update_action_prompt(*m, player(), host, c);
  }

  void fresh() {
    TearDown();
    m = std::make_unique<mission>();
    SetUp();
  }

  recording_services services;
  std::unique_ptr<mission> m = std::make_unique<mission>();
  prompt_host host;
};

TEST_F(ActionPrompt, WhatTheLookRayFinds) {
  struct row {
    const char* what;
    float at;
    std::int32_t kind;
    std::int32_t in_range;
  };
  const row rows[] = {
      // A horse 1.2 away may be mounted (below 1.3); at 2.0 it is only named.
      {"horse", 1.2f, prompt_kind::mount, 1},
      {"horse", 2.0f, prompt_kind::mount, 0},
      // Items are reached below 2.7.
      {"item", 2.5f, prompt_kind::equip, 1},
      {"item", 3.0f, prompt_kind::equip, 0},
      // Beyond the ray's 10.5 nothing is found.
      {"item", 12.0f, prompt_kind::none, 0},
      {"nothing", 0.0f, prompt_kind::none, 0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.what) + " at " + std::to_string(r.at));
    fresh();
    int target = -1;
    if (std::string(r.what) == "horse") target = loose_horse(r.at);
    if (std::string(r.what) == "item") target = item_on_ground(r.at);
    const action_prompt p = update();
    EXPECT_EQ(p.kind, r.kind);
    EXPECT_EQ(p.in_range, r.in_range);
    if (r.kind != prompt_kind::none) {
      EXPECT_EQ(p.target, target);
    }
  }
}

TEST_F(ActionPrompt, AWallHidesWhatLiesBehindIt) {
  loose_horse(1.2f);
  item_on_ground(4.0f);
  wall(3.0f);
  EXPECT_EQ(update().kind, prompt_kind::mount);
  // A nearer wall hides the horse too: the ray may go one unit past the
  // wall, but the wall's own body does not show, and nothing else does.
  fresh();
  item_on_ground(4.5f);
  wall(2.0f);
  EXPECT_EQ(update().kind, prompt_kind::none);
}

TEST_F(ActionPrompt, AnObjectWithoutAPromptOnlyShortensTheSearch) {
  // Looked at in the order made: the far item is found, the plain body in
  // front of it keeps the find but shortens the ray, so the item behind that
  // body is not taken.
  const int far = item_on_ground(2.5f);
  standing_body(1.0f);
  item_on_ground(1.8f);
  const action_prompt p = update();
  EXPECT_EQ(p.kind, prompt_kind::equip);
  EXPECT_EQ(p.target, far);
  // A nearer item found later replaces the first.
  const int near = item_on_ground(0.8f);
  EXPECT_EQ(update().target, near);
}

TEST_F(ActionPrompt, TooLittleRidingSkillIsSaid) {
  host.riding = 1;
  const int h = loose_horse(1.2f);
  const action_prompt p = update();
  EXPECT_EQ(p.kind, prompt_kind::mount);
  EXPECT_EQ(p.target, h);
  EXPECT_EQ(p.in_range, 0);
  ASSERT_EQ(host.lines.size(), 3u);
  EXPECT_EQ(host.lines[0].text, "item1");
  EXPECT_EQ(host.lines[2].text, "ui_riding_skill_not_adequate_to_vidid");
}

TEST_F(ActionPrompt, AgentsToTalkToAreColouredByTheirSide) {
  struct row {
    int relation;
    bool prompt;
    std::uint32_t colour;
  };
  const row rows[] = {{-1, false, 0}, {1, true, 0xFF60D050u}, {0, true, 0xFFFFFFFFu}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.relation);
    fresh();
    m->set_team_relation(0, 1, r.relation);
    agent& other = spawn_standing_agent(*m, agent_kind_human, 1, vec3(0.0f, 2.0f, 0.0f));
    other.troop = 4;
    other.agent_entity = static_cast<skeleton_entity*>(standing_body(2.0f));
    const action_prompt p = update();
    if (!r.prompt) {
      EXPECT_EQ(p.kind, prompt_kind::none);
      continue;
    }
    EXPECT_EQ(p.kind, prompt_kind::talk);
    EXPECT_EQ(p.in_range, 1);
    ASSERT_EQ(host.lines.size(), 3u);
    EXPECT_EQ(host.lines[0].text, "troop4");
    EXPECT_EQ(host.lines[0].colour, r.colour);
    EXPECT_EQ(host.lines[2].text, "ui_talk");
  }
}

TEST_F(ActionPrompt, RidersLookingDownWhileStandingMayDismount) {
  const int h = loose_horse(30.0f);
  player().mount = h;
  m->get_agent(h)->rider = player().index;
  // About 40 degrees down: below the 31.6 degree limit.
  player().input.set_direction(vec3(0.0f, 0.77f, -0.64f));
  m->get_agent(h)->forward_speed = 0.5f;
  EXPECT_EQ(update().kind, prompt_kind::dismount);
  m->get_agent(h)->forward_speed = 1.0f;
  EXPECT_EQ(update().kind, prompt_kind::none);
}

TEST_F(ActionPrompt, LookingOutAtTheSceneEdgeOffersToLeave) {
  player().body_frame.origin = vec3(0.0f, 49.7f, 0.0f);
  EXPECT_EQ(update().kind, prompt_kind::leave);
  ASSERT_FALSE(host.lines.empty());
  EXPECT_EQ(host.lines[0].text, "ui_leave_area");
  player().input.set_direction(vec3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(update().kind, prompt_kind::none);
}

TEST_F(ActionPrompt, DoorsNameTheirTargetOrAnExit) {
  action_prompt p;
  p.kind = prompt_kind::door;
  p.target = 0;
  p.in_range = 1;
  auto lines = action_prompt_lines(*m, player(), p, host);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].text, "ui_door_to scene1");
  EXPECT_EQ(lines[2].text, "ui_open");
  // A target past the scene count leads out.
  p.target = 1;
  lines = action_prompt_lines(*m, player(), p, host);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "ui_exit");
  // So does a target equal to the count, which names no scene.
  p.target = 2;
  lines = action_prompt_lines(*m, player(), p, host);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, "ui_exit");
}

TEST_F(ActionPrompt, AnItemTakenBeforeTheKeyIsLeftAlone) {
  const int lying = item_on_ground(2.0f);
  mission_screen_state st;
  const action_prompt p = update();
  ASSERT_EQ(p.kind, prompt_kind::equip);
  st.prompt = p.kind;
  st.prompt_target = p.target;
  st.prompt_in_range = p.in_range;
  // Another agent picks it up first.
  m->scene_prop_instances[static_cast<std::size_t>(lying)].removed = 1;
  player().wielded_slots = {-1, -1};
  input_state input;
  key_bindings bindings;
  screen_input in{&input, &bindings};
  mission_hud_widgets hud;
  struct plain_window final : top_level_window {} self;
  input.keys[bindings.keys[control::action][0]] = 0x80;
  mission_screen_frame(*m, st, hud, host, in, player_input_settings{}, 0.02f, self);
  EXPECT_EQ(player().equipment[0].kind, -1);
}

}  // namespace
}  // namespace hm
