// The UI manager: mouse records turned into widget events, the edge push,
// the root stack and the capture, the overlay box's placement and lines, the
// message log's fading and the UTF-8 decoding the widgets count with.
#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "render/view/message_log.h"
#include "ui/support/ui_test_support.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

// A root that writes down every event it is handed.
class event_recorder : public widget {
 public:
  explicit event_recorder(std::vector<std::uint32_t>& log) : log_(log) {}
  bool handle_event(std::uint32_t bits) override {
    if (bits != ui_event::hover) log_.push_back(bits);
    return widget::handle_event(bits);
  }

 private:
  std::vector<std::uint32_t>& log_;
};

class UiManager : public test::ui_test {
 protected:
  std::vector<std::uint32_t> events;
  void push_recorder() { g_ui_manager.push_root_widget(std::make_unique<event_recorder>(events)); }
};

TEST_F(UiManager, ButtonRecordsBecomePressesDoublePressesAndReleases) {
  push_recorder();
  step(0.5f, 0.3f, {button(0, true), button(0, false), button(0, true), button(0, false)});
  EXPECT_EQ(events, (std::vector<std::uint32_t>{ui_event::press, ui_event::release, ui_event::press,
                                                ui_event::double_press, ui_event::release}));
  events.clear();
  // The right and middle buttons have bits and timers of their own.
  step(0.5f, 0.3f, {button(1, true), button(1, false), button(2, true), button(2, false), button(1, true)});
  EXPECT_EQ(events, (std::vector<std::uint32_t>{ui_event::right_press, ui_event::right_release, ui_event::middle_press,
                                                ui_event::middle_release, ui_event::right_press,
                                                ui_event::right_double_press}));
  events.clear();
  // 0.4 s after the last press is no longer a double press.
  advance_clock(clock_real_time, 0.4f);
  step(0.5f, 0.3f, {button(0, true)});
  EXPECT_EQ(events, (std::vector<std::uint32_t>{ui_event::press}));
}

TEST_F(UiManager, MovementIsSentAsOneHoverBeforeEachButtonAndAtTheEnd) {
  int hovers = 0;
  class hover_counter : public widget {
   public:
    explicit hover_counter(int& n) : n_(n) {}
    bool handle_event(std::uint32_t bits) override {
      if (bits == ui_event::hover) ++n_;
      return false;
    }
    int& n_;
  };
  g_ui_manager.push_root_widget(std::make_unique<hover_counter>(hovers));
  step(0.5f, 0.3f, {move_x(3), move_x(2), {mouse_record::kind::wheel, 120, 0, false}, button(0, true), move_x(1)});
  // The frame's own hover, the flush before the button, the rest at the end.
  EXPECT_EQ(hovers, 3);
  EXPECT_EQ(g_ui_manager.wheel, 120);
}

TEST_F(UiManager, AWindowChangeStopsTheRecordWalk) {
  // A root whose press clears the manager (as a window switch does) and
  // pushes a new window.
  class switcher : public widget {
   public:
    explicit switcher(std::vector<std::uint32_t>& log) : log_(log) {}
    bool handle_event(std::uint32_t bits) override {
      if (bits == ui_event::press) {
        std::vector<std::uint32_t>& log = log_;
        g_ui_manager.clear();  // deletes this widget
        g_ui_manager.redraw = 1;
        g_ui_manager.push_root_widget(std::make_unique<event_recorder>(log));
        return true;
      }
      return false;
    }
    std::vector<std::uint32_t>& log_;
  };
  g_ui_manager.push_root_widget(std::make_unique<switcher>(events));
  step(0.5f, 0.3f, {button(0, true), button(0, false), button(1, true)});
  // The new window saw none of the old frame's records.
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(g_ui_manager.roots.size(), 1u);
}

TEST_F(UiManager, MouseToUiSpaceAndTheEdgePush) {
  step(0.25f, 0.6f);
  EXPECT_NEAR(g_ui_manager.mouse_position.x, 0.25f, 1e-6f);
  EXPECT_NEAR(g_ui_manager.mouse_position.y, 0.6f, 1e-6f);
  EXPECT_EQ(g_ui_manager.cursor[0], 250);

  auto frame = [](float x, float y, float move_x, float move_y) {
    mouse_input in;
    in.client_width = 1000;
    in.client_height = 750;
    in.cursor_x = static_cast<std::int32_t>(x * 1000.0f);
    in.cursor_y = static_cast<std::int32_t>((1.0f - y / 0.75f) * 750.0f);
    in.move_x = move_x;
    in.move_y = move_y;
    g_ui_manager.process_input(0.016f, in);
  };
  frame(0.0f, 0.3f, -3.0f, 0.0f);  // the push is judged at the previous position (0.25)
  EXPECT_EQ(g_ui_manager.edge_push.x, 0.0f);
  frame(0.0f, 0.3f, -3.0f, 0.0f);
  EXPECT_EQ(g_ui_manager.edge_push.x, -3.0f);
  frame(0.0f, 0.3f, -2.0f, 0.0f);
  EXPECT_EQ(g_ui_manager.edge_push.x, -2.0f);
  EXPECT_EQ(g_ui_manager.accumulated_edge_push.x, -5.0f);
  // Moving away from the edge: no push; the total stays while still at the edge.
  frame(0.5f, 0.3f, 4.0f, 0.0f);
  EXPECT_EQ(g_ui_manager.edge_push.x, 0.0f);
  EXPECT_EQ(g_ui_manager.accumulated_edge_push.x, -5.0f);
  frame(0.5f, 0.3f, 0.0f, 0.0f);
  EXPECT_EQ(g_ui_manager.accumulated_edge_push.x, 0.0f);
  // At the top, moving up the screen (rows falling) pushes upwards.
  frame(0.5f, 0.745f, 0.0f, 0.0f);
  frame(0.5f, 0.745f, 0.0f, -4.0f);
  EXPECT_EQ(g_ui_manager.edge_push.y, 4.0f);
}

TEST_F(UiManager, PoppingARootWithTheCaptureInsideLetsItGo) {
  auto root = std::make_unique<window_container>();
  root->set_size({1.0f, 0.75f});
  auto* s = root->add(std::make_unique<slider>());
  s->set_size({0.5f, 0.04f});
  s->handle_size = 0.05f;
  s->set_float_value(0.5f);  // the handle's centre at x 0.25
  g_ui_manager.push_root_widget(std::make_unique<window_container>());
  g_ui_manager.push_root_widget(std::move(root));
  mouse_at(0.25f, 0.02f);
  g_ui_manager.dispatch_event(ui_event::press);
  ASSERT_EQ(g_ui_manager.capturing_widget, s);
  g_ui_manager.pop_root_widget();
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
  EXPECT_EQ(g_ui_manager.roots.size(), 1u);
  EXPECT_EQ(g_ui_manager.redraw, 1);
  // The next frame goes to the root below, without a dangling capture.
  step(0.5f, 0.3f, {button(0, true)});

  // Popping an empty stack, or dispatching to one, does nothing.
  g_ui_manager.pop_root_widget();
  g_ui_manager.pop_root_widget();
  EXPECT_TRUE(g_ui_manager.roots.empty());
  g_ui_manager.dispatch_event(ui_event::press);
}

TEST_F(UiManager, TheTopRootHearsItIsClosingBeforeItGoes) {
  push_recorder();
  g_ui_manager.close_top_root = 1;
  step(0.5f, 0.3f);
  EXPECT_EQ(events, (std::vector<std::uint32_t>{ui_event::closing}));
  EXPECT_TRUE(g_ui_manager.roots.empty());
  EXPECT_EQ(g_ui_manager.close_top_root, 0);
}

TEST_F(UiManager, ClearLeavesNoRootsNoCaptureAndNoOverlayLines) {
  push_recorder();
  g_ui_manager.add_overlay_text_line(ruv_string("ab"), 0.02f, 0xFFFFFFFFu, false);
  g_ui_manager.capturing_widget = g_ui_manager.top_root();
  g_ui_manager.close_top_root = 1;
  g_ui_manager.clear();
  EXPECT_TRUE(g_ui_manager.roots.empty());
  EXPECT_EQ(g_ui_manager.capturing_widget, nullptr);
  EXPECT_EQ(g_ui_manager.overlay_count, 0);
  EXPECT_TRUE(g_ui_manager.overlay_texts[0].empty());
  EXPECT_EQ(g_ui_manager.overlay_mesh, nullptr);
  EXPECT_EQ(g_ui_manager.overlay_anchor, -1);
  EXPECT_EQ(g_ui_manager.overlay_colour, 0xFF101010u);
  EXPECT_EQ(g_ui_manager.close_top_root, 0);
}

TEST_F(UiManager, OverlayBoxIsKeptOnScreen) {
  struct row {
    const char* name;
    float x0, y0, x1, y1;  // the overlay mesh's box
    ui_vec2 requested;
    ui_vec2 expected;
    float scale;
  };
  const row rows[] = {
      // 0.99 is first clamped to 0.95, then pulled left to a right edge of 0.989.
      {"right edge", 0.0f, -0.1f, 0.2f, 0.0f, {0.99f, 0.5f}, {0.789f, 0.5f}, 1.0f},
      {"left edge", -0.1f, -0.1f, 0.1f, 0.0f, {0.0f, 0.5f}, {0.111f, 0.5f}, 1.0f},
      {"top", 0.0f, 0.0f, 0.1f, 0.1f, {0.5f, 0.7f}, {0.5f, 0.639f}, 1.0f},
      {"bottom", 0.0f, -0.1f, 0.1f, 0.0f, {0.5f, 0.05f}, {0.5f, 0.111f}, 1.0f},
      // 0.9 high: scaled to 0.728 / 0.9, the bottom on 0.011.
      {"too tall", 0.0f, -0.9f, 0.1f, 0.0f, {0.5f, 0.5f}, {0.5f, 0.011f + 0.728f}, 0.728f / 0.9f},
  };
  for (const row& r : rows) {
    g_ui_manager.reset_overlay_texts(quad(r.x0, r.y0, r.x1, r.y1), true);
    g_ui_manager.set_overlay_position(r.requested);
    EXPECT_NEAR(g_ui_manager.overlay_position.x, r.expected.x, 1e-6f) << r.name;
    EXPECT_NEAR(g_ui_manager.overlay_position.y, r.expected.y, 1e-6f) << r.name;
    EXPECT_NEAR(g_ui_manager.overlay_scale, r.scale, 1e-6f) << r.name;
  }
  EXPECT_NEAR(g_ui_manager.overlay_position.y + g_ui_manager.overlay_scale * -0.9f, 0.011f, 1e-6f);
}

TEST_F(UiManager, OverlayHoldsEightyLinesAndDrawsThemOverTheirBox) {
  for (int i = 0; i < 80; ++i)
    EXPECT_TRUE(g_ui_manager.add_overlay_text_line(ruv_string("ab"), 0.02f, 0xFF00FF00u, i % 2 == 0));
  EXPECT_FALSE(g_ui_manager.add_overlay_text_line(ruv_string("dropped"), 0.02f, 0xFF00FF00u, false));
  EXPECT_EQ(g_ui_manager.overlay_count, 80);
  ASSERT_NE(g_ui_manager.overlay_mesh, nullptr);
  // Lines go downwards, each in its own colour.
  EXPECT_NEAR(g_ui_manager.next_line_y, -80 * 0.02f, 1e-4f);
  for (const mesh_vertex& v : g_ui_manager.overlay_mesh->get_vertices()) EXPECT_EQ(v.color, 0xFF00FF00u);
  // The box fits on screen: 1.6 high, scaled down.
  EXPECT_LT(g_ui_manager.overlay_scale, 1.0f);

  render_view view;
  g_ui_manager.draw(view);
  ASSERT_GE(view.render_list.size(), 2u);
  EXPECT_EQ(view.render_list[0].m, g_ui_manager.overlay_box_mesh.get());
  EXPECT_EQ(view.render_list[1].m, g_ui_manager.overlay_mesh.get());

  // Built again from the stored lines, the overlay is the same.
  const std::size_t faces = g_ui_manager.overlay_mesh->get_faces().size();
  g_ui_manager.rebuild_overlay();
  EXPECT_EQ(g_ui_manager.overlay_count, 80);
  EXPECT_EQ(g_ui_manager.overlay_mesh->get_faces().size(), faces);
}

TEST_F(UiManager, TheTooltipIsDrawnAfterTheOverlayAndTheLog) {
  ASSERT_TRUE(g_ui_manager.add_overlay_text_line(ruv_string("ab"), 0.02f, 0xFF00FF00u, false));
  ASSERT_NE(g_ui_manager.overlay_mesh, nullptr);
  g_ui_manager.set_tooltip_mesh(g_ui_manager.overlay_mesh->create_copy());
  const mesh* tooltip = g_ui_manager.tooltip_mesh.get();
  render_view view;
  g_ui_manager.draw(view);
  ASSERT_FALSE(view.render_list.empty());
  EXPECT_EQ(view.render_list.back().m, tooltip);
  bool overlay_before = false;
  for (const render_list_entry& e : view.render_list) overlay_before = overlay_before || e.m == g_ui_manager.overlay_mesh.get();
  EXPECT_TRUE(overlay_before);
  g_ui_manager.set_tooltip_mesh(nullptr);
}

TEST_F(UiManager, MessageLogFadesOverTenSeconds) {
  struct row {
    float age;
    std::uint32_t alpha;
    std::uint32_t grey;
  };
  const row rows[] = {{0.0f, 254, 0}, {5.0f, 128, 84}, {9.9f, 2, 168}, {10.0f, 0, 170}};
  for (const row& r : rows) {
    const message_fade f = message_log_fade(r.age);
    EXPECT_EQ(f.alpha, r.alpha) << r.age;
    EXPECT_EQ(f.grey, r.grey) << r.age;
  }

  message_log& log = g_ui_manager.messages;
  log.font = &font;
  log.resources = &resources;
  add_message_line(log, ruv_string("ab"), 0xFF123456u);
  age_message_log(log, 9.9f);
  test::ui_recording_view view;
  EXPECT_EQ(g_ui_manager.draw_message_log(view, 3.0f), 2);
  ASSERT_EQ(view.queued.size(), 2u);
  EXPECT_EQ(view.queued[0].colour, 0x02123456u);
  EXPECT_EQ(view.queued[1].colour, 0xFFA8A8A8u);
  EXPECT_FLOAT_EQ(view.queued[0].origin.x, 0.002f);
  EXPECT_FLOAT_EQ(view.queued[0].origin.y, 0.2f + log.log_line_height[static_cast<std::size_t>(log.log_slot)]);
  EXPECT_EQ(view.queued[0].origin.z, 3.0f);

  age_message_log(log, 0.2f);
  test::ui_recording_view later;
  EXPECT_EQ(g_ui_manager.draw_message_log(later, 3.0f), 0);
  log.font = nullptr;
  log.resources = nullptr;
}

TEST_F(UiManager, MessageLogGrowsUpwardsFromTheOldestLine) {
  message_log& log = g_ui_manager.messages;
  log.font = &font;
  log.resources = &resources;
  add_message_line(log, ruv_string("ab"), 0xFF000001u);
  add_message_line(log, ruv_string("cd"), 0xFF000002u);
  test::ui_recording_view view;
  ASSERT_EQ(g_ui_manager.draw_message_log(view, 0.0f), 4);
  EXPECT_EQ(view.queued[0].colour & 0xFFu, 1u);
  EXPECT_EQ(view.queued[2].colour & 0xFFu, 2u);
  EXPECT_GT(view.queued[2].origin.y, view.queued[0].origin.y);
  log.font = nullptr;
  log.resources = nullptr;
}

TEST(DecodeUtf8, SkipsBytesThatBeginNothingAndStopsAtACutSequence) {
  struct row {
    std::string bytes;
    std::vector<std::int32_t> codes;
  };
  const row rows[] = {
      {"\x41\xC3\xA9\x80", {0x41, 0xE9}},
      {"\xF0\x9F\x98\x80z", {0x1F600, 'z'}},
      {"\xE2\x98\xBA", {0x263A}},
      {"\xC0\xC1\xF5\xFF" "a", {'a'}},
      {"a\xE2\x98", {'a'}},  // the lead byte announces more than is left
      {"", {}},
  };
  for (const row& r : rows) {
    std::int32_t out[8] = {};
    const int n = decode_utf8(r.bytes, out, 8);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + n), r.codes);
  }
  std::int32_t two[2] = {};
  EXPECT_EQ(decode_utf8("abcdef", two, 2), 2);
  EXPECT_EQ(count_utf8(std::string(3000, 'a')), 2048);
}

TEST_F(UiManager, LargeMessageShowsAndHides) {
  g_ui_manager.set_message_text(ruv_string("ab"));
  EXPECT_TRUE(g_ui_manager.message_visible);
  EXPECT_FALSE(g_ui_manager.message_text.get_faces().empty());
  render_view view;
  g_ui_manager.draw(view);
  bool drawn = false;
  for (const render_list_entry& e : view.render_list) drawn = drawn || e.m == &g_ui_manager.message_text;
  EXPECT_TRUE(drawn);
  g_ui_manager.set_message_text(ruv_string());
  EXPECT_FALSE(g_ui_manager.message_visible);
}

}  // namespace
}  // namespace hm
