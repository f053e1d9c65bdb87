// The edit-mode dialog's rules: typed numbers, colour channels, the scene
// list's selection and the help text.
#include "editor/dialog/edit_mode_dialog.h"

#include <gtest/gtest.h>

namespace hm {
namespace {

TEST(EditModeDialog, InstanceNumbersAreWholeNumbersFrom0To63) {
  struct row {
    const char* text;
    bool accepted;
    std::int32_t value;
  };
  for (const row r : {row{"0", true, 0}, row{"63", true, 63}, row{" 12 ", true, 12}, row{"64", false, 0},
                      row{"-1", false, 0}, row{"", false, 0}, row{"7x", false, 0}, row{"abc", false, 0}}) {
    std::int32_t v = 99;
    EXPECT_EQ(read_instance_number(r.text, v), r.accepted) << r.text;
    if (r.accepted) {
      EXPECT_EQ(v, r.value) << r.text;
    }
  }
}

TEST(EditModeDialog, ColourChannelsAreHeldTo0To255AndTheTextRewritten) {
  struct row {
    const char* typed;
    int value;
    const char* shown;
  };
  for (const row r : {row{"300", 255, "255"}, row{"", 0, "0"}, row{"-5", 0, "0"}, row{"17", 17, "17"}}) {
    std::string text = r.typed;
    EXPECT_EQ(read_colour_channel(text), r.value) << r.typed;
    EXPECT_EQ(text, r.shown) << r.typed;
  }
}

TEST(EditModeDialog, TheSceneListSelectionFollowsTheList) {
  edit_mode_state s;
  s.selection = {1};
  s.selected_instance = 1;
  // 3 joins: it is new, so it becomes the primary.
  apply_scene_list_selection(s, {0, 1, 0, 1});
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(s.selected_instance, 3);
  // 3 leaves: nothing new, the last remaining is the primary.
  apply_scene_list_selection(s, {0, 1, 0, 0});
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(s.selected_instance, 1);
  // A double click with several selected keeps only the primary.
  apply_scene_list_selection(s, {1, 1, 1, 0});
  keep_only_primary(s);
  EXPECT_EQ(s.selection, (std::vector<std::uint32_t>{static_cast<std::uint32_t>(s.selected_instance)}));
  EXPECT_EQ(scene_list_flags(s, 4), (std::vector<std::uint8_t>{0, 0, 1, 0}));
}

TEST(EditModeDialog, TheHelpTextStartsAndEndsAsWrittenWithCrLfLines) {
  const std::string& help = edit_mode_help_text();
  EXPECT_EQ(help.rfind("Common Keys\r\n-----------------\r\n", 0), 0u);
  EXPECT_NE(help.find("object(s) with respect to the \"Up\" axis of the world.\r\n"), std::string::npos);
  const std::string last = "- Create AI Mesh button works only on outdoor scenes.";
  EXPECT_EQ(help.substr(help.size() - last.size()), last);
}

}  // namespace
}  // namespace hm
