// Linked rich text: tags, word wrap with links running over a line end, one
// rectangle per line, and clicks on the widget.
#include <gtest/gtest.h>

#include "engine/resource/mesh.h"
#include "render/support/test_font.h"
#include "ui/support/ui_test_support.h"
#include "ui/text/rich_text.h"
#include "ui/widget/container.h"

namespace hm {
namespace {

// The test font at glyph size 0.1 draws at scale 1: each letter and blank
// advances 0.1, a line steps 0.09 down.
rich_text_style style_of_width(float width) {
  rich_text_style s;
  s.pen = {0.0f, 1.0f};
  s.glyph_size = {0.1f, 0.1f};
  s.box_left = 0.0f;
  s.box_right = width;
  s.flags = 0x700;
  return s;
}

TEST(rich_text, link_tags) {
  struct tag_case {
    const char* tag;
    bool link;
    std::int32_t kind;
    std::int32_t id;
  };
  const tag_case cases[] = {
      {"trp=3", true, link_kind::troop, 3},   {"fac=12", true, link_kind::faction, 12},
      {"p=0", true, link_kind::party, 0},     {"qst=7", true, link_kind::quest, 7},
      {"/", false, 0, 0},                     {"trp=", false, 0, 0},
      {"trp=-1", false, 0, 0},                {"trp=4x", false, 0, 0},
      {"trp=1234567890", false, 0, 0},        {"b", false, 0, 0},
      {"party=1", false, 0, 0},
  };
  for (const tag_case& c : cases) {
    std::int32_t kind = -5;
    std::int32_t id = -5;
    EXPECT_EQ(parse_link_tag(c.tag, kind, id), c.link) << c.tag;
    if (c.link) {
      EXPECT_EQ(kind, c.kind) << c.tag;
      EXPECT_EQ(id, c.id) << c.tag;
    }
  }
}

TEST(rich_text, a_link_at_a_line_end_gets_a_rectangle_on_each_line) {
  const font_details font = test::make_test_font();
  // "aaa bb " fills 0.7 of the 0.75 box; "cc " would not fit, so the link
  // opened before "bb" runs on into the next line.
  mesh m;
  const rich_text_layout l =
      layout_rich_text(font, "aaa <trp=2>bb cc</> <fac=7>d</>", style_of_width(0.75f), &m);
  ASSERT_EQ(l.links.size(), 3u);
  const link_rect& first = l.links[0];
  EXPECT_EQ(first.kind, link_kind::troop);
  EXPECT_EQ(first.id, 2);
  EXPECT_EQ(first.number, 0);
  EXPECT_NEAR(first.lower.x, 0.4f, 1e-5f);
  EXPECT_NEAR(first.upper.x, 0.6f, 1e-5f);  // the blank after "bb" is not part of it
  EXPECT_NEAR(first.lower.y, 1.0f - 0.027f, 1e-5f);
  EXPECT_NEAR(first.upper.y, 1.0f + 0.063f, 1e-5f);

  const link_rect& second = l.links[1];
  EXPECT_EQ(second.kind, link_kind::troop);
  EXPECT_EQ(second.number, 0);
  EXPECT_NEAR(second.lower.x, 0.0f, 1e-5f);
  EXPECT_NEAR(second.upper.x, 0.2f, 1e-5f);
  EXPECT_NEAR(second.lower.y, 0.91f - 0.027f, 1e-5f);

  const link_rect& third = l.links[2];
  EXPECT_EQ(third.kind, link_kind::faction);
  EXPECT_EQ(third.id, 7);
  EXPECT_EQ(third.number, 1);
  EXPECT_NEAR(third.lower.x, 0.3f, 1e-5f);
  EXPECT_NEAR(third.upper.x, 0.4f, 1e-5f);

  // Two lines; the widest ends at 0.7. Eight letters and three
  // blanks, four vertices each (tags draw nothing).
  EXPECT_NEAR(l.extent.x, 0.7001f, 1e-5f);
  EXPECT_NEAR(l.extent.y, 0.181f, 1e-5f);
  EXPECT_EQ(m.vertices.size(), 11u * 4u);
}

TEST(rich_text, plain_text_and_unknown_tags_make_no_links) {
  const font_details font = test::make_test_font();
  EXPECT_TRUE(layout_rich_text(font, "abc dab\ncab", style_of_width(1.0f), nullptr).links.empty());
  // An unknown tag ends a running link; a broken id opens none.
  const rich_text_layout l = layout_rich_text(font, "<qst=1>ab<b>cd <trp=x>aa", style_of_width(1.0f), nullptr);
  ASSERT_EQ(l.links.size(), 1u);
  EXPECT_NEAR(l.links[0].upper.x, 0.2f, 1e-5f);
}

TEST(rich_text, a_tab_moves_to_the_next_quarter_stop) {
  const font_details font = test::make_test_font();
  // "a" ends at 0.1; the tab goes to 0.25, so the link starts there.
  const rich_text_layout l = layout_rich_text(font, "a\t<p=4>b", style_of_width(1.0f), nullptr);
  ASSERT_EQ(l.links.size(), 1u);
  EXPECT_NEAR(l.links[0].lower.x, 0.25f, 1e-5f);
  EXPECT_NEAR(l.links[0].upper.x, 0.35f, 1e-5f);
}

class rich_text_clicks : public test::ui_test {};

TEST_F(rich_text_clicks, release_over_a_link_is_a_click_and_hover_recolours_it) {
  auto root = std::make_unique<window_container>();
  root->set_position({0.0f, 0.0f});
  root->set_size({1.0f, 0.75f});
  auto t = std::make_unique<rich_text_widget>();
  t->set_text_flags(0x700);
  t->set_text_size({0.1f, 0.1f});
  t->set_position({0.1f, 0.2f});
  t->set_size({0.8f, 0.3f});
  t->text = ruv_string("ab <fac=5>cd</> ab");
  t->text_position = {0.0f, 0.1f};
  t->rebuild_text_mesh();
  rich_text_widget* text = root->add(std::move(t));
  g_ui_manager.push_root_widget(std::move(root));
  ASSERT_EQ(text->links.size(), 1u);

  // Over plain text: nothing hovered, a release clicks nothing.
  step(0.15f, 0.3f);
  step(0.15f, 0.3f, {button(0, true)});
  step(0.15f, 0.3f, {button(0, false)});
  EXPECT_EQ(text->hovered_link, -1);
  EXPECT_FALSE(text->take_event(ui_event::clicked));

  // Over "cd" (x 0.3..0.5 of the widget, 0.4..0.6 on screen).
  step(0.45f, 0.3f);
  EXPECT_EQ(text->hovered_link, 0);
  // "ab " draws three glyphs in the text colour, then "cd" in the hover colour.
  const mesh* drawn = text->get_mesh(slot_background);
  ASSERT_NE(drawn, nullptr);
  ASSERT_GE(drawn->vertices.size(), 5u * 4u);
  EXPECT_EQ(drawn->vertices[0].color, 0xFF000000u);
  EXPECT_EQ(drawn->vertices[3 * 4].color, 0xFFFF0000u);
  step(0.45f, 0.3f, {button(0, true)});
  step(0.45f, 0.3f, {button(0, false)});
  EXPECT_TRUE(text->take_event(ui_event::clicked));
  std::int32_t kind = 0, id = 0, index = -1;
  ASSERT_TRUE(text->get_clicked_link(kind, id, index));
  EXPECT_EQ(kind, link_kind::faction);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(index, 0);
}

}  // namespace
}  // namespace hm
