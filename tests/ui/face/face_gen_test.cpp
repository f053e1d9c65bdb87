// The face generator: the arrows' steps over none and the meshes, Randomise
// and Reset, the skin a troop shows (held within the skins there are), the
// key sliders sized by the skin, the new game's creation from the tutorial
// notice to the game menu, Done outside it, a module without skins, and the
// face code's text copied and pasted in the developer's mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/input_state.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/game.h"
#include "module/media/face_code_text.h"
#include "module/media/skin.h"
#include "platform/window.h"
#include "script/support/fake_script_host.h"
#include "ui/face/face_gen_window.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

constexpr int key_left_ctrl = 29;
constexpr int key_e = 18;
constexpr int key_v = 47;

skin sized_skin(int keys, int hairs, int beards, int face_textures, int hair_textures) {
  skin s;
  s.face_keys.resize(static_cast<std::size_t>(keys));
  for (int i = 0; i < keys; ++i) s.face_keys[static_cast<std::size_t>(i)].name = ruv_string("key" + std::to_string(i));
  s.hair_meshes.assign(static_cast<std::size_t>(hairs), nullptr);
  s.beards.resize(static_cast<std::size_t>(beards));
  s.face_textures.resize(static_cast<std::size_t>(face_textures));
  s.hair_textures.assign(static_cast<std::size_t>(hair_textures), ruv_string("hair"));
  return s;
}

TEST(FaceGenRules, ArrowsStepOverNoneAndTheMeshesAndWrap) {
  const face_skin_counts c = face_counts_of(sized_skin(3, 3, 2, 4, 2));
  struct step {
    void (*move)(face_selection&, const face_skin_counts&);
    face_selection from;
    face_selection to;
  };
  const step steps[] = {
      {previous_hair, {0, 0, 0, 0}, {0, 3, 0, 0}},  // from none to the last hair
      {previous_hair, {0, 1, 0, 0}, {0, 0, 0, 0}},  // from the first hair to none
      {previous_beard, {0, 0, 0, 0}, {2, 0, 0, 0}},
      {previous_face, {0, 0, 0, 0}, {0, 0, 0, 3}},  // from the first texture to the last
      {previous_face, {0, 0, 0, 2}, {0, 0, 0, 1}},
  };
  for (const step& s : steps) {
    face_selection sel = s.from;
    s.move(sel, c);
    EXPECT_EQ(sel.hair, s.to.hair);
    EXPECT_EQ(sel.beard, s.to.beard);
    EXPECT_EQ(sel.face, s.to.face);
  }
  // Next from the last hair wraps to none once reduced; so do beard and face.
  face_selection sel{2 + 1, 3 + 1, 7, 4};
  reduce_selection(sel, c);
  EXPECT_EQ(sel.beard, 0);
  EXPECT_EQ(sel.hair, 0);
  EXPECT_EQ(sel.variant, 7);  // reduced when the face state is made
  EXPECT_EQ(sel.face, 0);
  EXPECT_EQ(face_state_from_selection(sel, {}, 0.5f, 0.5f, 0, c).hair_material, 1);
}

TEST(FaceGenRules, ASkinWithoutTexturesOrBeardsHasOneChoiceOfEach) {
  const face_skin_counts c = face_counts_of(sized_skin(1, 0, 0, 0, 0));
  EXPECT_EQ(c.face_textures, 1);
  EXPECT_EQ(c.variants, 1);
  face_selection sel{5, 9, 11, 13};
  previous_face(sel, c);
  previous_beard(sel, c);
  reduce_selection(sel, c);
  EXPECT_EQ(sel.face, 0);
  EXPECT_EQ(sel.beard, 0);
  EXPECT_EQ(sel.hair, 0);
  const face_state f = face_state_from_selection(sel, {}, 0.0f, 0.0f, 0, c);
  EXPECT_EQ(f.hair_material, 0);
  EXPECT_EQ(f.beard, -1);
  EXPECT_EQ(f.hair, -1);
}

TEST(FaceGenRules, ATroopsSkinIsHeldWithinTheSkinsThereAre) {
  EXPECT_EQ(face_skin_index(0x15, 2), 1);  // skin 5 of two: the last
  EXPECT_EQ(face_skin_index(0x11, 2), 1);
  EXPECT_EQ(face_skin_index(0x10, 2), 0);
  EXPECT_EQ(face_skin_index(0xF, 16), 15);
  EXPECT_EQ(face_skin_index(0xF, 0), 0);
}

TEST(FaceGenRules, RandomiseKeepsTheHairWhenThereIsAChoiceAndResetKeepsTheChoices) {
  for (int hairs : {1, 2, 5}) {
    const skin s = sized_skin(4, hairs, 1, 1, 1);
    const face_skin_counts c = face_counts_of(s);
    unsigned next = 12345;
    const auto random = [&next] {
      next = next * 1103515245u + 12345u;
      return static_cast<int>((next >> 1) & 0x7FFFFFFF);
    };
    for (int round = 0; round < 50; ++round) {
      face_selection sel;
      float keys[face_morph_slots] = {};
      float colour = -1.0f;
      randomize_face_selection(sel, keys, colour, s, c, random);
      if (hairs == 1) {
        EXPECT_EQ(sel.hair, 1);
      }
      EXPECT_GE(sel.hair, 1);
      EXPECT_LE(sel.hair, hairs);
      EXPECT_GE(colour, 0.0f);
      EXPECT_LT(colour, 1.0f);
      for (float k : keys) {
        EXPECT_GE(k, 0.0f);
        EXPECT_LT(k, 1.0f);
      }
    }
  }
  float keys[face_morph_slots];
  for (float& k : keys) k = 0.9f;
  reset_face_keys(keys, sized_skin(2, 1, 0, 1, 1));
  for (float k : keys) EXPECT_EQ(k, 0.5f);
}

class FaceGen : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_skins.skins.clear();
    g_skins.skins.push_back(sized_skin(1, 1, 0, 1, 1));
    g_skins.skins.push_back(sized_skin(5, 3, 2, 2, 3));
    g_game = std::make_unique<game>();
    g_game->troops.resize(2);
    g_game->troops[0].flags = 0x10 | 1;  // a hero on skin 1
    g_game->troops[1].flags = 0x10 | 9;  // skin 9: held to skin 1
    g_window_manager.create_game_windows();
    g_ruv_config.enable_edit_mode = 0;
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    g_ruv_config.enable_edit_mode = 0;
    g_game.reset();
    g_skins.skins.clear();
    test::ui_test::TearDown();
  }
  face_gen_window& window() { return *dynamic_cast<face_gen_window*>(g_window_manager.window(window_id::face_gen)); }
  static void press(int key) {
    g_input_state.previous_keys[key] = 0;
    g_input_state.keys[key] = 1;
  }
  static void release_all() {
    for (int& k : g_input_state.previous_keys) k = 0;
    for (int& k : g_input_state.keys) k = 0;
  }
  test::fake_script_host host;
};

TEST_F(FaceGen, ANewGamesCreationShowsTheTutorialThenDoneOpensTheGameMenuTowardsTheMap) {
  face_gen_window& w = window();
  w.state_word = face_gen_state::creation_pending;
  ASSERT_TRUE(open_face_generator(0, window_id::character));
  EXPECT_EQ(w.skin_index, 1);
  // One slider per key but the last; the skin has beards, so the row shows.
  EXPECT_EQ(w.key_sliders.size(), 4u);
  EXPECT_FALSE(w.next_beard->is_hidden());

  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::message_box);
  EXPECT_EQ(w.state_word, face_gen_state::creation_running);
  g_window_manager.pop_window();

  w.next_hair->raise_event(ui_event::clicked);
  w.next_hair->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(w.selection.hair, 1);  // two reports in one frame are one click
  w.done->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(w.state_word, face_gen_state::creation_done);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  EXPECT_EQ(g_window_manager.window(window_id::game_menu)->return_window, window_id::world_map);
  EXPECT_EQ(host.campaign.words.current_menu, 1);
  // The troop wears the code: hair 0 packs as 1.
  EXPECT_EQ(g_game->troops[0].face_code_1, w.code);
  EXPECT_EQ(g_game->troops[0].face_code_1[0] & 63u, 1u);
}

TEST_F(FaceGen, OrdinaryEditingReadsTheTroopsFaceAndDoneGoesBack) {
  // Hair 2, beard 1, face texture 1, variant 2 and the first key at 7/7.
  g_game->troops[1].face_code_1 = {3ull | (2ull << 6) | (1ull << 12) | (2ull << 18), 7ull, 0, 0};
  face_gen_window& w = window();
  ASSERT_TRUE(open_face_generator(1, window_id::character));
  EXPECT_EQ(w.skin_index, 1);
  EXPECT_EQ(w.selection.hair, 3);
  EXPECT_EQ(w.selection.beard, 2);
  EXPECT_EQ(w.selection.face, 1);
  EXPECT_FLOAT_EQ(w.key_sliders[0]->get_float_value(), 1.0f);
  EXPECT_EQ(w.code, g_game->troops[1].face_code_1);

  // Previous hair twice: 3 -> 2 -> 1; Reset leaves the choices.
  w.previous_hair_button->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  w.previous_hair_button->raise_event(ui_event::clicked);
  w.reset->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(w.selection.hair, 1);
  EXPECT_EQ(w.selection.beard, 2);
  EXPECT_FLOAT_EQ(w.key_sliders[0]->get_float_value(), 0.5f);
  w.done->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::character);
  EXPECT_EQ(g_game->troops[1].face_code_1[0] & 63u, 1u);
}

TEST_F(FaceGen, DoneWithoutATroopChangesNoTroopAndASkinOfOneKeyHasNoSliderNorBeardRow) {
  g_game->troops[0].flags = 0x10;  // skin 0: one key, no beards
  const auto before = g_game->troops[0].face_code_1;
  face_gen_window& w = window();
  ASSERT_TRUE(open_face_generator(-1, window_id::world_map));
  EXPECT_TRUE(w.key_sliders.empty());
  EXPECT_TRUE(w.next_beard->is_hidden());
  EXPECT_TRUE(w.beard_label->is_hidden());
  w.done->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
  EXPECT_EQ(g_game->troops[0].face_code_1, before);
}

TEST_F(FaceGen, AModuleWithoutSkinsHasNothingToEditButDoneStillLeaves) {
  g_skins.skins.clear();
  face_gen_window& w = window();
  ASSERT_TRUE(open_face_generator(0, window_id::character));
  EXPECT_FALSE(w.editable);
  EXPECT_TRUE(w.key_sliders.empty());
  EXPECT_TRUE(w.randomise->is_hidden());
  w.next_hair->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(w.selection.hair, 0);
  w.done->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::character);
}

TEST_F(FaceGen, TheCodeShowsCopiesAndPastesOnlyInTheDevelopersMode) {
  face_gen_window& w = window();
  ASSERT_TRUE(open_face_generator(0, window_id::character));
  EXPECT_EQ(w.code_text, nullptr);
  press(key_left_ctrl);
  press(key_e);
  g_window_manager.frame(0.016f);
  EXPECT_FALSE(w.code_shown);
  release_all();

  g_ruv_config.enable_edit_mode = 1;
  ASSERT_TRUE(open_face_generator(0, window_id::character));
  ASSERT_NE(w.code_text, nullptr);
  EXPECT_TRUE(w.code_text->is_hidden());
  press(key_left_ctrl);
  press(key_e);
  g_window_manager.frame(0.016f);
  release_all();
  EXPECT_TRUE(w.code_shown);
  EXPECT_FALSE(w.code_text->is_hidden());
  ruv_string shown;
  w.code_text->get_text(shown);
  EXPECT_EQ(std::string(shown.view()), face_code_display_text(w.code));

  w.code_text->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  std::string copied;
  ASSERT_TRUE(platform::get_clipboard_text(copied));
  EXPECT_EQ(copied, face_code_clipboard_text(w.code));

  // A code of the wrong length is refused and changes nothing; a good one
  // (hair 2 and beard 1, shown one up) takes effect.
  const face_code before = w.code;
  ASSERT_TRUE(platform::set_clipboard_text("0x1234"));
  press(key_left_ctrl);
  press(key_v);
  g_window_manager.frame(0.016f);
  release_all();
  EXPECT_EQ(w.code, before);
  ASSERT_TRUE(platform::set_clipboard_text(face_code_clipboard_text({3ull | (2ull << 6), 0, 0, 0})));
  press(key_left_ctrl);
  press(key_v);
  g_window_manager.frame(0.016f);
  release_all();
  EXPECT_EQ(w.selection.hair, 3);
  EXPECT_EQ(w.selection.beard, 2);
  EXPECT_EQ(w.code[0] & 0xFFFu, 3u | (2u << 6));
}

}  // namespace
}  // namespace hm
