#include "mission/text/group_names.h"

#include <gtest/gtest.h>

#include "mission/records/team.h"
#include "module/text/translation_table.h"

namespace hm {
namespace {

class GroupNames : public ::testing::Test {
 protected:
  void SetUp() override {
    g_translation_table.clear();
    g_translation_table.set_translation("ui_infantry", "Infantry");
    g_translation_table.set_translation("ui_archers", "Archers");
    g_translation_table.set_translation("ui_cavalry", "Cavalry");
    g_translation_table.set_translation("ui_everyone", "Everyone");
    g_translation_table.set_translation("ui_str_and_str", "%s and %s");
    g_translation_table.set_translation("ui_str_comma_str", "%s, %s");
  }
  void TearDown() override { g_translation_table.clear(); }

  static team with_selection(bool foot, bool middle, bool riders) {
    team t;
    t.groups[0].selected = foot ? 1 : 0;
    t.groups[1].selected = middle ? 1 : 0;
    t.groups[2].selected = riders ? 1 : 0;
    return t;
  }
};

TEST_F(GroupNames, EverySelectionOfTheThreeGroups) {
  struct selection_case {
    bool foot, middle, riders;
    const char* expected;
  };
  const selection_case cases[] = {
      {false, false, false, "caller's text"},
      {true, false, false, "Infantry"},
      {false, true, false, "Archers"},
      {false, false, true, "Cavalry"},
      {true, true, false, "Infantry and Archers"},
      {true, false, true, "Infantry and Cavalry"},
      {false, true, true, "Archers and Cavalry"},
      {true, true, true, "Everyone"},
  };
  for (const selection_case& c : cases) {
    std::string text = "caller's text";
    make_order_classes_text(with_selection(c.foot, c.middle, c.riders), text);
    EXPECT_EQ(text, c.expected) << c.foot << c.middle << c.riders;
  }
}

TEST_F(GroupNames, AllThreeNeverUseTheJoiningTexts) {
  g_translation_table.set_translation("ui_str_and_str", "AND");
  g_translation_table.set_translation("ui_str_comma_str", "COMMA");
  std::string text;
  make_order_classes_text(with_selection(true, true, true), text);
  EXPECT_EQ(text, "Everyone");
}

TEST_F(GroupNames, ATranslationWithWrongPlaceholdersIsFilledSafely) {
  struct join_case {
    const char* join;
    const char* expected;
  };
  const join_case cases[] = {
      {"%s %s %s %d", "Infantry Cavalry %s %d"},  // too many, and of the wrong kind
      {"%s", "Infantry"},                        // too few
      {"both", "both"},                          // none
      {"%n%p%s", "%n%pInfantry"},                // conversions a format would act on
  };
  for (const join_case& c : cases) {
    g_translation_table.set_translation("ui_str_and_str", c.join);
    std::string text;
    make_order_classes_text(with_selection(true, false, true), text);
    EXPECT_EQ(text, c.expected) << c.join;
  }
}

TEST_F(GroupNames, GroupNumbersOutsideTheThreeNameEveryone) {
  for (auto [group, expected] : {std::pair{0, "Infantry"}, {1, "Archers"}, {2, "Cavalry"}, {3, "Everyone"},
                                 {-1, "Everyone"}}) {
    std::string text;
    make_troop_class_list_text(group, text);
    EXPECT_EQ(text, expected) << group;
  }
}

}  // namespace
}  // namespace hm
