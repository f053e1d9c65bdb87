#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "script/interpreter_state.h"
#include "script/operand.h"
#include "script/script_errors.h"
#include "script/support/fake_script_host.h"

namespace hm {
namespace {

using test::fake_script_host;

constexpr std::int64_t two_pow_32 = std::int64_t{1} << 32;

struct validator_case {
  const char* kind;
  std::function<bool(std::int64_t)> validate;
  int count;  // the fake's count of this kind (set below)
  const char* message;  // with %d placeholders for the opcode word and the id
};

std::string expected_line(const char* message, std::int32_t word, std::int32_t id) {
  char text[256];
  std::snprintf(text, sizeof text, message, word, id);
  return std::string(text) + "; LINE NO: 7:";
}

TEST(validators, last_valid_first_invalid_and_negative_ids) {
  fake_script_host host;
  host.module.presentations = 2;
  host.module.meshes = 3;
  host.module.menus = 4;
  host.module.troops = 5;
  host.module.quests = 6;
  host.module.factions = 7;
  host.module.item_kinds = 8;
  host.module.scenes = 9;
  host.module.mission_templates = 10;
  host.module.party_templates = 11;
  host.module.map_icons = 12;
  host.module.particle_systems = 13;
  host.module.scene_prop_kinds = 14;
  host.module.sounds = 15;
  host.module.music_tracks = 16;
  host.module.animations = 17;
  host.module.module_strings = 18;
  host.module.quick_strings = 19;
  host.render.tableaus = 20;
  host.mission.prop_instances = 21;

  const std::vector<validator_case> cases = {
      {"script parameter", [](std::int64_t id) { return validate_script_param_id(id, 3); }, 3,
       "SCRIPT ERROR ON OPCODE %d: Invalid Script Parameter ID: %d"},
      {"register", validate_register_id, 128, "SCRIPT ERROR ON OPCODE %d: Invalid Register ID: %d"},
      {"presentation", validate_presentation_id, 2, "SCRIPT ERROR ON OPCODE %d: Invalid Presentation ID: %d"},
      {"module string", [](std::int64_t id) { return validate_string_id(id, operand_tag::module_string); }, 18,
       "SCRIPT ERROR ON OPCODE %d: Invalid String ID: %d"},
      {"quick string", [](std::int64_t id) { return validate_string_id(id, operand_tag::quick_string); }, 19,
       "SCRIPT ERROR ON OPCODE %d: Invalid Quick String ID: %d"},
      {"string register", [](std::int64_t id) { return validate_string_id(id, operand_tag::constant); }, 128,
       "SCRIPT ERROR ON OPCODE %d: Invalid String Register ID: %d"},
      {"mesh", validate_mesh_id, 3, "SCRIPT ERROR ON OPCODE %d: Invalid Mesh ID: %d"},
      {"menu", validate_menu_id, 4, "SCRIPT ERROR ON OPCODE %d: Invalid Menu ID: %d"},
      {"troop", validate_troop_id, 5, "SCRIPT ERROR ON OPCODE %d: Invalid Troop ID: %d"},
      {"quest", validate_quest_id, 6, "SCRIPT ERROR ON OPCODE %d: Invalid Quest ID: %d"},
      {"faction", validate_faction_id, 7, "SCRIPT ERROR ON OPCODE %d: Invalid Faction ID: %d"},
      {"item kind", validate_item_kind_id, 8, "SCRIPT ERROR ON OPCODE %d: Invalid Item Kind ID: %d"},
      {"scene", validate_scene_id, 9, "SCRIPT ERROR ON OPCODE %d: Invalid Scene ID: %d"},
      {"mission template", validate_mission_template_id, 10,
       "SCRIPT ERROR ON OPCODE %d: Invalid Mission Template ID: %d"},
      {"party template", validate_party_template_id, 11, "SCRIPT ERROR ON OPCODE %d: Invalid Party Template ID: %d"},
      {"map icon", validate_map_icon_id, 12, "SCRIPT ERROR ON OPCODE %d: Invalid Map Icon ID: %d"},
      {"particle system", validate_particle_system_id, 13,
       "SCRIPT WARNING ON OPCODE %d: Invalid particle_system ID: %d"},
      {"scene prop", validate_scene_prop_id, 14, "SCRIPT WARNING ON OPCODE %d: Invalid Scene_prop ID: %d"},
      {"scene prop instance", validate_scene_prop_instance_id, 21,
       "SCRIPT WARNING ON OPCODE %d: Invalid Scene_prop Instance ID: %d"},
      {"sound", validate_sound_id, 15, "SCRIPT WARNING ON OPCODE %d: Invalid Sound ID: %d"},
      {"tableau", validate_tableau_id, 20, "SCRIPT WARNING ON OPCODE %d: Invalid Tableau ID: %d"},
      {"track", validate_track_id, 16, "SCRIPT WARNING ON OPCODE %d: Invalid Track ID: %d"},
      {"animation", validate_animation_id, 17, "SCRIPT ERROR ON OPCODE %d: Invalid Animation ID: %d"},
  };
  // A negated opcode word prints as a negative number.
  const std::uint32_t word = 1500u | negate_bit;
  for (const validator_case& c : cases) {
    SCOPED_TRACE(c.kind);
    g_interpreter.current_opcode_word = word;
    g_interpreter.current_statement = 7;
    g_interpreter.error_flag = 0;
    EXPECT_TRUE(c.validate(0));
    EXPECT_TRUE(c.validate(c.count - 1));
    // The id is the low 32 bits of the value.
    EXPECT_TRUE(c.validate(two_pow_32 + c.count - 1));
    EXPECT_EQ(g_interpreter.error_flag, 0);
    EXPECT_TRUE(host.take_messages().empty());

    for (std::int64_t bad : {std::int64_t{c.count}, std::int64_t{-1}}) {
      g_interpreter.error_flag = 0;
      EXPECT_FALSE(c.validate(bad));
      EXPECT_EQ(g_interpreter.error_flag, 1);
      EXPECT_EQ(host.take_messages(), (std::vector<std::string>{expected_line(
                                          c.message, static_cast<std::int32_t>(word), static_cast<std::int32_t>(bad))}));
    }
  }
}

TEST(validators, other_string_tags_are_always_valid) {
  fake_script_host host;
  EXPECT_TRUE(validate_string_id(-5, 4));
  EXPECT_TRUE(validate_string_id(100000, 30));
  EXPECT_TRUE(host.take_messages().empty());
}

TEST(validators, sound_and_track_stay_silent_while_disabled) {
  struct silence_case {
    bool sound_disabled;
    bool music_disabled;
    bool sound_reports;
    bool track_reports;
  };
  const silence_case cases[] = {
      {false, false, true, true},
      {true, false, false, false},
      {false, true, true, false},
  };
  for (const silence_case& c : cases) {
    fake_script_host host;
    host.engine.sound_disabled = c.sound_disabled;
    host.engine.music_disabled = c.music_disabled;
    EXPECT_FALSE(validate_sound_id(3));
    EXPECT_EQ(g_interpreter.error_flag, c.sound_reports ? 1 : 0);
    EXPECT_EQ(host.take_messages().size(), c.sound_reports ? 1u : 0u);
    g_interpreter.error_flag = 0;
    EXPECT_FALSE(validate_track_id(3));
    EXPECT_EQ(g_interpreter.error_flag, c.track_reports ? 1 : 0);
    EXPECT_EQ(host.take_messages().size(), c.track_reports ? 1u : 0u);
  }
}

TEST(validators, party_must_be_known_and_active) {
  fake_script_host host;
  host.campaign.add_party(0);
  host.campaign.add_party(3, 0);  // removed: below the end id but not active
  host.campaign.add_party(12000);
  EXPECT_TRUE(validate_party_id(0));
  EXPECT_TRUE(validate_party_id(12000));
  EXPECT_TRUE(host.take_messages().empty());
  for (std::int64_t bad : {3, 1, 12001, -1}) {
    EXPECT_FALSE(validate_party_id(bad)) << bad;
    const std::vector<std::string> messages = host.take_messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "SCRIPT ERROR ON OPCODE 0: Invalid Party ID: " + std::to_string(bad) + "; LINE NO: 0:");
  }
}

TEST(validators, agents_and_prop_instances_fail_without_a_mission) {
  fake_script_host host;
  EXPECT_FALSE(validate_agent_id(0));
  EXPECT_FALSE(validate_scene_prop_instance_id(0));
  EXPECT_EQ(host.take_messages(),
            (std::vector<std::string>{"SCRIPT WARNING ON OPCODE 0: Invalid Agent ID: 0; LINE NO: 0:",
                                      "SCRIPT WARNING ON OPCODE 0: Invalid Scene_prop Instance ID: 0; LINE NO: 0:"}));
  host.mission.agents = {true, false};
  EXPECT_TRUE(validate_agent_id(0));
  EXPECT_FALSE(validate_agent_id(1));  // slot not in use
  EXPECT_FALSE(validate_agent_id(2));
}

}  // namespace
}  // namespace hm
