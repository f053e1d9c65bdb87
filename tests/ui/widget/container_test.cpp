// Containers: placing children, routing presses and hovers through nested
// and scrolled containers, cutting the drawing to the container's box, the
// scrollable container's bars and the combo box's drop-down list.
#include <gtest/gtest.h>

#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

using test::ui_recording_view;

class Containers : public test::ui_test {
 protected:
  template <class W>
  static W* place(container& c, std::unique_ptr<W> w, float x, float y, float width, float height) {
    W* raw = c.add(std::move(w));
    raw->set_position({x, y});
    raw->set_size({width, height});
    return raw;
  }
};

TEST_F(Containers, APressOnOverlappingButtonsGoesToTheOneAddedLast) {
  container c;
  c.set_size({1.0f, 0.75f});
  auto* below = place(c, std::make_unique<text_button>(), 0.1f, 0.1f, 0.3f, 0.1f);
  auto* above = place(c, std::make_unique<text_button>(), 0.2f, 0.1f, 0.3f, 0.1f);
  mouse_at(0.25f, 0.15f);
  EXPECT_TRUE(c.handle_event(ui_event::press));
  EXPECT_TRUE(c.handle_event(ui_event::release));
  EXPECT_TRUE(above->has_event(ui_event::clicked));
  EXPECT_EQ(below->pressed, 0u);
  EXPECT_FALSE(below->has_event(ui_event::clicked));
  // Outside both: nothing takes it.
  mouse_at(0.8f, 0.5f);
  EXPECT_FALSE(c.handle_event(ui_event::press));
  // Hidden and disabled children are passed over.
  above->disable();
  mouse_at(0.25f, 0.15f);
  EXPECT_TRUE(c.handle_event(ui_event::press));
  EXPECT_EQ(below->pressed, 1u);
}

TEST_F(Containers, NegativeExtentIsHitAndDrawnFromItsLowerCorner) {
  container c;
  c.set_size({0.5f, 0.5f});
  auto* w = place(c, std::make_unique<text_button>(), 0.52f, 0.2f, 0.1f, 0.1f);
  w->set_extent_min({-0.05f, -0.05f});
  w->set_mesh_slot(slot_background, quad(-0.05f, -0.05f, 0.1f, 0.1f));
  mouse_at(0.48f, 0.16f);
  EXPECT_TRUE(w->contains(g_ui_manager.mouse_position));
  EXPECT_TRUE(c.handle_event(ui_event::press));
  mouse_at(0.46f, 0.2f);
  EXPECT_FALSE(w->contains(g_ui_manager.mouse_position));
  // The box's right edge is x 0.5: the child reaches into it only through its
  // negative extent, and is drawn whole.
  ui_recording_view view;
  float depth = 0.0f;
  c.render(view, depth, {0.0f, 0.0f}, {1.0f, 0.75f});
  EXPECT_NE(view.find(w->get_mesh(slot_background)), nullptr);
}

TEST_F(Containers, ChildrenOutsideTheBoxAreSkippedAndTouchingOnesDrawn) {
  container c;
  c.set_size({0.5f, 0.5f});
  c.set_mesh_slot(slot_background, quad(0.0f, 0.0f, 0.5f, 0.5f));
  auto* inside = place(c, std::make_unique<widget>(), 0.1f, 0.1f, 0.1f, 0.1f);
  auto* outside = place(c, std::make_unique<widget>(), 0.6f, 0.6f, 0.1f, 0.1f);
  auto* touching = place(c, std::make_unique<widget>(), 0.5f, 0.2f, 0.1f, 0.1f);
  for (widget* w : {inside, outside, touching}) w->set_mesh_slot(slot_background, quad(0.0f, 0.0f, 0.1f, 0.1f));
  ui_recording_view view;
  float depth = 0.0f;
  c.render(view, depth, {0.0f, 0.0f}, {1.0f, 0.75f});
  ASSERT_EQ(view.queued.size(), 3u);
  EXPECT_EQ(view.queued[0].origin.z, 1.0f);  // the container's own background
  ASSERT_NE(view.find(inside->get_mesh(0)), nullptr);
  EXPECT_EQ(view.find(outside->get_mesh(0)), nullptr);
  ASSERT_NE(view.find(touching->get_mesh(0)), nullptr);
  // Siblings start from the same depth; the container ends at the deepest.
  EXPECT_EQ(view.find(inside->get_mesh(0))->origin.z, 2.0f);
  EXPECT_EQ(view.find(touching->get_mesh(0))->origin.z, 2.0f);
  EXPECT_EQ(depth, 2.0f);
  // The children are placed from the container's position.
  EXPECT_FLOAT_EQ(view.find(inside->get_mesh(0))->origin.x, 0.1f);
  c.set_position({0.2f, 0.1f});
  EXPECT_FLOAT_EQ(inside->absolute_position.x, 0.3f);
  EXPECT_FLOAT_EQ(inside->absolute_position.y, 0.2f);
}

TEST_F(Containers, GrowToFitGrowsAndNeverShrinks) {
  container c;
  c.state |= widget_grow_to_fit;
  c.set_size({0.1f, 0.1f});
  place(c, std::make_unique<widget>(), 0.3f, 0.2f, 0.1f, 0.1f);
  EXPECT_FLOAT_EQ(c.size.x, 0.4f);
  EXPECT_FLOAT_EQ(c.size.y, 0.3f);
  auto* low = place(c, std::make_unique<widget>(), 0.0f, 0.0f, 0.05f, 0.05f);
  low->set_extent_min({-0.02f, -0.01f});
  EXPECT_FLOAT_EQ(c.size.x, 0.4f);
  EXPECT_FLOAT_EQ(c.size.y, 0.3f);
  EXPECT_FLOAT_EQ(c.extent_min.x, -0.02f);
  EXPECT_FLOAT_EQ(c.extent_min.y, -0.01f);
}

TEST_F(Containers, HoverEntersAndLeavesThroughNestedContainers) {
  auto root = std::make_unique<window_container>();
  root->set_size({1.0f, 0.75f});
  auto* inner = place(*root, std::make_unique<container>(), 0.5f, 0.5f, 0.3f, 0.2f);
  auto* b = place(*inner, std::make_unique<text_button>(), 0.1f, 0.1f, 0.1f, 0.05f);
  g_ui_manager.push_root_widget(std::move(root));

  step(0.65f, 0.62f);
  EXPECT_EQ(inner->hovered, 1);
  EXPECT_EQ(b->hovered, 1);
  EXPECT_TRUE(b->has_event(ui_event::enter));
  // Still inside the inner container, off the button.
  step(0.52f, 0.52f);
  EXPECT_EQ(inner->hovered, 1);
  EXPECT_EQ(b->hovered, 0);
  EXPECT_TRUE(b->has_event(ui_event::leave));
  step(0.65f, 0.62f);
  EXPECT_EQ(b->hovered, 1);
  // Leaving the inner container cancels every hover inside it.
  step(0.1f, 0.1f);
  EXPECT_EQ(inner->hovered, 0);
  EXPECT_EQ(b->hovered, 0);
}

TEST_F(Containers, ClickedChildIsReportedToTheLinkedWidget) {
  container list;
  list.set_size({0.3f, 0.3f});
  list.set_event_mask(ui_event::clicked);
  list.set_step_flags(step_report_child);
  widget target;
  list.linked_widget = &target;
  target.value_max = 10;
  for (int i = 0; i < 3; ++i) place(list, std::make_unique<text_button>(), 0.0f, 0.1f * static_cast<float>(i), 0.3f, 0.1f);
  list.children[1]->raise_event(ui_event::clicked);
  list.raise_event(ui_event::clicked);
  list.apply_value_steps();
  EXPECT_EQ(target.get_value(), 1);
  EXPECT_TRUE(target.has_event(ui_event::clicked));
}

// A box at (0.1, 0.1) showing 0.4 x 0.2 of its content.
class ScrollableTest : public Containers {
 protected:
  void SetUp() override {
    Containers::SetUp();
    auto root = std::make_unique<window_container>();
    root->set_size({1.0f, 0.75f});
    sc = root->add(std::make_unique<scrollable_container>());
    sc->set_position({0.1f, 0.1f});
    block = sc->content->add(std::make_unique<widget>());
    sc->set_view_size({0.4f, 0.2f});
    g_ui_manager.push_root_widget(std::move(root));
  }
  void content_height(float h) {
    block->set_size({0.4f, h});
    sc->update_layout();
  }
  scrollable_container* sc = nullptr;
  widget* block = nullptr;
};

TEST_F(ScrollableTest, SmallContentHidesTheBarsAndSticksToTheTop) {
  content_height(0.1f);
  EXPECT_FLOAT_EQ(sc->size.x, 0.4f);
  EXPECT_FLOAT_EQ(sc->size.y, 0.2f);
  ASSERT_NE(sc->scroll_bars[1], nullptr);
  EXPECT_TRUE(sc->scroll_bars[1]->is_hidden());
  EXPECT_EQ(sc->scroll_bar_enabled[0], 0u);
  EXPECT_EQ(sc->scroll_bar_enabled[1], 0u);
  sc->update(0.0f);
  EXPECT_FLOAT_EQ(block->absolute_position.y + block->size.y, 0.3f);
}

TEST_F(ScrollableTest, ContentTextIsLaidOutInTheViewsWidth) {
  sc->set_content_text(ruv_string("ab cd"));
  EXPECT_EQ(std::string(block->text.view()), "ab cd");
  // The block takes the text's extent, measured in the view's width.
  EXPECT_GT(block->size.x, 0.0f);
  EXPECT_LE(block->size.x, 0.4f + 1e-4f);
  EXPECT_NEAR(block->text_position.y, block->size.y - sc->text_size.y * 0.63f - 0.001f, 1e-6f);
  // One short line: lower than the box, so it sits at the box's top.
  ASSERT_LT(block->size.y, 0.2f);
  sc->update(0.0f);
  EXPECT_NEAR(block->absolute_position.y + block->size.y, 0.3f, 1e-6f);
  EXPECT_TRUE(sc->scroll_bars[1]->is_hidden());
}

TEST_F(ScrollableTest, TallContentScrollsByExactlyItsExtraHeight) {
  content_height(0.4f);
  scrollbar* bar = sc->scroll_bars[1];
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->is_hidden());
  EXPECT_EQ(sc->scroll_bar_enabled[1], 1u);
  EXPECT_FLOAT_EQ(bar->handle_size, 0.5f * 0.2f);  // handle ratio 0.5
  // The bar stands just right of the box.
  EXPECT_FLOAT_EQ(bar->absolute_position.x, 0.1f + 0.4f + 0.01f);
  EXPECT_FLOAT_EQ(bar->absolute_position.y, 0.1f);

  bar->set_float_value(1.0f);
  sc->update(0.0f);
  EXPECT_NEAR(sc->content->absolute_position.y, 0.1f - 0.2f, 1e-6f);
  bar->set_float_value(0.0f);
  sc->update(0.0f);
  EXPECT_NEAR(sc->content->absolute_position.y, 0.1f, 1e-6f);
}

TEST_F(ScrollableTest, ContentScrolledOutOfTheBoxCannotBePressed) {
  content_height(0.4f);
  // A button that, scrolled to the top, straddles the box's lower edge (0.1).
  auto* b = place(*sc->content, std::make_unique<text_button>(), 0.0f, 0.15f, 0.1f, 0.1f);
  sc->scroll_bars[1]->set_float_value(1.0f);
  sc->update(0.0f);
  EXPECT_NEAR(b->absolute_position.y, 0.05f, 1e-6f);
  step(0.15f, 0.07f, {button(0, true), button(0, false)});
  EXPECT_EQ(b->pressed, 0u);
  EXPECT_FALSE(b->has_event(ui_event::clicked));
  step(0.15f, 0.12f, {button(0, true), button(0, false)});
  EXPECT_TRUE(b->has_event(ui_event::clicked));
}

TEST_F(ScrollableTest, ATextBoxInsideScrolledContentKeepsTheFocus) {
  content_height(0.4f);
  auto* box = place(*sc->content, std::make_unique<text_box>(), 0.0f, 0.3f, 0.3f, 0.05f);
  sc->update(0.0f);  // scroll value 1: the box at y 0.2..0.25
  step(0.15f, 0.22f, {button(0, true), button(0, false)});
  ASSERT_EQ(box->focused, 1);
  EXPECT_EQ(g_ui_manager.capturing_widget, box);
  // Typed characters reach it wherever the mouse is.
  g_ui_manager.typed_character = 'a';
  step(0.9f, 0.7f);
  g_ui_manager.typed_character = -1;
  EXPECT_EQ(std::string(box->text.view()), "a");
  // A window change lets go of it before its widgets go.
  g_ui_manager.clear();
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
}

TEST_F(ScrollableTest, TheBarsHandleCanBeDraggedThroughTheBox) {
  content_height(0.4f);
  scrollbar* bar = sc->scroll_bars[1];
  bar->set_float_value(1.0f);
  sc->update(0.0f);
  // The handle covers the bar's upper half (y 0.2..0.3): drag it down.
  step(0.515f, 0.25f, {button(0, true)});
  ASSERT_EQ(g_ui_manager.capturing_widget, bar);
  step(0.515f, 0.15f, {move_x(1)});
  step(0.515f, 0.15f, {button(0, false)});
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
  EXPECT_NEAR(bar->get_float_value(), 0.0f, 1e-5f);
}

TEST_F(Containers, ComboListHangsBelowTheBoxAndReportsTheChoice) {
  auto root = std::make_unique<window_container>();
  root->set_size({1.0f, 0.75f});
  auto* box = place(*root, std::make_unique<combobox>(), 0.3f, 0.4f, 0.25f, 0.03f);
  for (const char* item : {"a", "b", "c", "d", "w"}) box->add_item(ruv_string(item));
  window_container* page = root.get();
  g_ui_manager.push_root_widget(std::move(root));

  step(0.35f, 0.41f, {button(0, true), button(0, false)});
  ASSERT_EQ(g_ui_manager.roots.size(), 2u);
  auto* list = static_cast<window_container*>(g_ui_manager.top_root());
  EXPECT_EQ(box->open, 1);
  EXPECT_NEAR(list->size.x, 0.2265f, 1e-6f);
  EXPECT_NEAR(list->size.y, 0.145f, 1e-6f);
  EXPECT_NEAR(list->absolute_position.x, 0.3135f, 1e-6f);
  EXPECT_NEAR(list->absolute_position.y + list->size.y, 0.4f, 1e-6f);  // meets the box's lower edge
  ASSERT_EQ(list->children.size(), 5u);
  EXPECT_NEAR(list->children[0]->absolute_position.y, list->absolute_position.y, 1e-6f);  // item 0 lowest

  // A click on item 2 picks it and the list goes at the end of the frame.
  const float y2 = list->children[2]->absolute_position.y + 0.01f;
  step(0.35f, y2, {button(0, true), button(0, false)});
  ASSERT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(g_ui_manager.top_root(), page);
  EXPECT_EQ(box->get_value(), 2);
  EXPECT_EQ(std::string(box->text.view()), "c");
  EXPECT_EQ(box->open, 0);

  // A press outside the open list closes it without a choice.
  step(0.35f, 0.41f, {button(0, true), button(0, false)});
  ASSERT_EQ(g_ui_manager.roots.size(), 2u);
  step(0.9f, 0.7f, {button(0, true)});
  EXPECT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(box->get_value(), 2);
  EXPECT_EQ(box->open, 0);
}

TEST_F(Containers, ComboBoxGoneWhileItsListIsOpen) {
  auto root = std::make_unique<window_container>();
  root->set_size({1.0f, 0.75f});
  auto* box = place(*root, std::make_unique<combobox>(), 0.3f, 0.4f, 0.25f, 0.03f);
  box->add_item(ruv_string("a"));
  window_container* page = root.get();
  g_ui_manager.push_root_widget(std::move(root));
  step(0.35f, 0.41f, {button(0, true)});
  ASSERT_EQ(g_ui_manager.roots.size(), 2u);
  page->delete_children();
  // Closing the list afterwards reports to no one.
  step(0.9f, 0.7f, {button(0, true)});
  EXPECT_EQ(g_ui_manager.roots.size(), 1u);
}

TEST_F(Containers, LabelsAndTextLines) {
  container c;
  c.set_position({0.1f, 0.1f});
  c.set_size({0.5f, 0.3f});
  widget* label = make_label(c, ruv_string("ab"), 0.05f, 0.1f, 0.2f, 0.04f);
  EXPECT_FLOAT_EQ(label->absolute_position.x, 0.15f);
  EXPECT_FLOAT_EQ(label->size.x, 0.2f);
  EXPECT_EQ(std::string(label->text.view()), "ab");
  widget* line = add_text_line(c, ruv_string("cd"), 0.0f, 0.2f);
  EXPECT_EQ(line->get_type(), widget_type::text_widget);
  ASSERT_NE(line->get_mesh(slot_background), nullptr);
  EXPECT_FALSE(line->get_mesh(slot_background)->get_faces().empty());
}

}  // namespace
}  // namespace hm
