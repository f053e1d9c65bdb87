// The game options screen: every control stores its option at once, every
// option comes back the same through options.dat, the battle-size text
// rounds halves down, the difficulty text needs a game, and of the three
// buttons only the first clicked acts.
#include "ui/options/options_window.h"

#include "options_fixture.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

class OptionsWindow : public test::options_screens {};

TEST(OptionsWindowRules, BattleSizeShowsTroopsWithHalvesRoundingDown) {
  const struct {
    float size;
    std::int32_t troops;
  } rows[] = {{0.0f, 25}, {1.0f, 100}, {0.5f, 62}, {0.3422f, 51}, {0.2f, 40}, {0.8f, 85}};
  for (const auto& r : rows) EXPECT_EQ(battle_size_troops(r.size), r.troops) << r.size;
}

TEST_F(OptionsWindow, EveryControlStoresItsOptionAndTheOptionsComeBackFromTheFile) {
  auto& w = open<options_window>(window_id::options, window_id::main_menu);
  // Every control changed in one frame: all are applied.
  slide(w.music_slider, 0.25f);
  slide(w.sound_slider, 0.75f);
  slide(w.mouse_slider, 0.125f);
  slide(w.battle_size_slider, 1.0f);
  choose(w.damage_to_player_box, 2);
  choose(w.damage_to_friends_box, 1);
  choose(w.combat_ai_box, 0);
  choose(w.combat_speed_box, 2);
  choose(w.block_direction_box, 1);
  choose(w.attack_direction_box, 0);
  for (widget* t : {w.reticule_toggle, w.attack_direction_toggle, w.friendly_names_toggle, w.report_damage_toggle,
                    w.shot_difficulty_toggle, w.casualties_toggle, w.experience_toggle, w.invert_mouse_toggle})
    flip(t);
  run_frame();

  game_options want;
  want.music_volume = 0.25f;
  want.sound_volume = 0.75f;
  want.mouse_sensitivity = 0.125f;
  want.battle_size = 1.0f;
  want.damage_to_player = 2;
  want.damage_to_friends = 1;
  want.combat_ai = 0;
  want.combat_speed = 2;
  want.control_block_direction = 1;
  want.control_attack_direction = 0;
  // The defaults flipped.
  want.show_targeting_reticule = 0;
  want.show_attack_direction = 1;
  want.show_names_of_friendly_troops = 0;
  want.report_damage = 0;
  want.report_shot_difficulty = 0;
  want.report_casualties = 0;
  want.report_experience = 0;
  want.invert_mouse_y = 1;

  auto expect_options = [&](const game_options& got) {
    EXPECT_EQ(got.music_volume, want.music_volume);
    EXPECT_EQ(got.sound_volume, want.sound_volume);
    EXPECT_EQ(got.mouse_sensitivity, want.mouse_sensitivity);
    EXPECT_EQ(got.battle_size, want.battle_size);
    EXPECT_EQ(got.damage_to_player, want.damage_to_player);
    EXPECT_EQ(got.damage_to_friends, want.damage_to_friends);
    EXPECT_EQ(got.combat_ai, want.combat_ai);
    EXPECT_EQ(got.combat_speed, want.combat_speed);
    EXPECT_EQ(got.control_block_direction, want.control_block_direction);
    EXPECT_EQ(got.control_attack_direction, want.control_attack_direction);
    EXPECT_EQ(got.show_targeting_reticule, want.show_targeting_reticule);
    EXPECT_EQ(got.show_attack_direction, want.show_attack_direction);
    EXPECT_EQ(got.show_names_of_friendly_troops, want.show_names_of_friendly_troops);
    EXPECT_EQ(got.report_damage, want.report_damage);
    EXPECT_EQ(got.report_shot_difficulty, want.report_shot_difficulty);
    EXPECT_EQ(got.report_casualties, want.report_casualties);
    EXPECT_EQ(got.report_experience, want.report_experience);
    EXPECT_EQ(got.invert_mouse_y, want.invert_mouse_y);
  };
  expect_options(g_game_options);
  EXPECT_EQ(std::string(w.battle_size_text->text.view()), "100");

  // The game writes the record at its end and reads it at the next start.
  ASSERT_TRUE(save_options(g_game_options));
  game_options next;
  ASSERT_TRUE(read_options(next));
  expect_options(next);

  // The screen opened again shows the stored values.
  g_game_options = next;
  auto& again = open<options_window>(window_id::options, window_id::main_menu);
  EXPECT_EQ(again.damage_to_player_box->get_value(), 2);
  EXPECT_EQ(again.attack_direction_box->get_value(), 0);
  EXPECT_EQ(again.invert_mouse_toggle->get_value(), 1);
  EXPECT_EQ(again.reticule_toggle->get_value(), 0);
  EXPECT_EQ(again.music_slider->get_float_value(), 0.25f);
}

TEST_F(OptionsWindow, TogglesAreLabelledByTheirValue) {
  auto& w = open<options_window>(window_id::options, window_id::main_menu);
  const std::string on(w.reticule_toggle->text.view());        // default 1
  const std::string off(w.attack_direction_toggle->text.view());  // default 0
  EXPECT_NE(on, off);
  flip(w.reticule_toggle);
  flip(w.attack_direction_toggle);
  run_frame();
  EXPECT_EQ(std::string(w.reticule_toggle->text.view()), off);
  EXPECT_EQ(std::string(w.attack_direction_toggle->text.view()), on);
}

TEST_F(OptionsWindow, WithoutAGameTheDifficultyIsHiddenAndTheChoicesStillHold) {
  auto& w = open<options_window>(window_id::options, window_id::main_menu);
  EXPECT_TRUE(w.difficulty_text->is_hidden());
  choose(w.combat_ai_box, 1);
  run_frame();
  EXPECT_EQ(g_game_options.combat_ai, 1);
  EXPECT_TRUE(w.difficulty_text->is_hidden());
}

TEST_F(OptionsWindow, OnlyTheFirstButtonInTheOrderDoneControlsVideoActs) {
  {
    auto& w = open<options_window>(window_id::options, window_id::main_menu);
    click(w.video_options_button);
    click(w.controls_button);
    click(w.done_button);
    run_frame();
    EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);
  }
  {
    auto& w = open<options_window>(window_id::options, window_id::in_game_menu);
    click(w.video_options_button);
    click(w.controls_button);
    run_frame();
    EXPECT_EQ(g_window_manager.top_id(), window_id::controls);
    EXPECT_EQ(g_window_manager.window(window_id::controls)->return_window, window_id::options);
  }
  {
    auto& w = open<options_window>(window_id::options, window_id::in_game_menu);
    click(w.video_options_button);
    run_frame();
    EXPECT_EQ(g_window_manager.top_id(), window_id::video_options);
    EXPECT_EQ(g_window_manager.window(window_id::video_options)->return_window, window_id::options);
  }
}

}  // namespace
}  // namespace hm
