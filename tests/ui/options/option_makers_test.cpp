// The slider and drop-down makers: sizes by scale, the list placed right of
// the x it is given, and a module without the list's layout variables getting
// lists of size 0 without failing.
#include "ui/options/option_makers.h"

#include "module/base/ini_table.h"
#include "ui/layout/layout_variables.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

class OptionMakers : public test::ui_test {};

TEST_F(OptionMakers, SlidersTakeTheirSizeFromTheScale) {
  window_container parent;
  const struct {
    float scale, w, h;
  } rows[] = {{1.0f, 0.25f, 0.03f}, {0.5f, 0.125f, 0.015f}};
  for (const auto& r : rows) {
    slider* s = make_slider(parent, 0.1f, 0.2f, r.scale);
    EXPECT_FLOAT_EQ(s->size.x, r.w);
    EXPECT_FLOAT_EQ(s->size.y, r.h);
    EXPECT_FLOAT_EQ(s->local_position.x, 0.1f);
    EXPECT_EQ(s->float_min, 0.0f);
    EXPECT_EQ(s->float_max, 1.0f);
  }
}

TEST_F(OptionMakers, ListsAreSizedByTheLayoutVariablesOrNothing) {
  window_container parent;
  ini_table none;
  set_layout_variable_table(&none);
  combobox* empty = make_combobox(parent, ruv_string("Name"), 0.5f, 0.3f);
  EXPECT_FLOAT_EQ(empty->local_position.x, 0.5176f);
  EXPECT_EQ(empty->size.x, 0.0f);
  EXPECT_EQ(empty->text_size.x, 0.0f);
  EXPECT_EQ(std::string(empty->text.view()), "Name");

  ini_table sized;
  for (const auto& [key, value] : {std::pair{"combobox_button_size_x", "0.22"}, std::pair{"combobox_button_size_y", "0.03"},
                                   std::pair{"combobox_text_size", "0.02"},
                                   std::pair{"combobox_child_button_size_y", "0.025"}})
    sized.pairs.push_back({ruv_string(key), ruv_string(value)});
  set_layout_variable_table(&sized);
  combobox* box = make_combobox(parent, ruv_string(""), 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(box->size.x, 0.22f);
  EXPECT_FLOAT_EQ(box->size.y, 0.03f);
  EXPECT_FLOAT_EQ(box->text_size.x, 0.02f);
  EXPECT_FLOAT_EQ(box->layout[1], 0.025f);
  set_layout_variable_table(nullptr);
  reset_layout_variable_log();
}

}  // namespace
}  // namespace hm
