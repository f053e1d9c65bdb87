// A small module presentation run by its triggers: the load, run and event
// callbacks with their parameters, widgets made by module code, the mouse
// wheel, script errors, and the timed window that hosts it.
#include <gtest/gtest.h>

#include <string>

#include "engine/core/timer.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "module/media/tableau_material.h"
#include "module/records/presentation_table.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/script_state.h"
#include "script/support/fake_script_host.h"
#include "ui/support/ui_test_support.h"
#include "ui/tableau/tableau_manager.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"
#include "ui/windows/window_ui_host.h"

namespace hm {
namespace {

using test::make_block;
using test::reg;

constexpr std::uint32_t op_assign = 2133;
constexpr std::uint32_t op_store_param_1 = 2071;
constexpr std::uint32_t op_store_param_2 = 2072;

simple_trigger on(std::int32_t event, statement_block block) {
  simple_trigger t;
  t.interval = static_cast<float>(event);
  t.block = std::move(block);
  return t;
}

std::int64_t r(int n) { return g_script_state.registers[static_cast<std::size_t>(n)]; }

class Presentation : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    install_script_operations();
    script_host h = current_script_host();
    h.ui = &ui;
    set_script_host(h);
    fake.module.presentations = 2;
    for (int i = 0; i < 16; ++i) g_script_state.registers[static_cast<std::size_t>(i)] = -7;

    // Record 0: load makes a slider (0..100) and a combobox and marks r10;
    // run stores its age; clicks and hovers store their parameters.
    presentation_record menu;
    menu.name = ruv_string("prsnt_test");
    menu.flags = 3;
    menu.triggers.triggers.push_back(on(-60, make_block({{914, {reg(0), 0, 100}}, {916, {reg(6)}},
                                                         {op_assign, {reg(10), 1}}})));
    menu.triggers.triggers.push_back(on(-61, make_block({{op_store_param_1, {reg(1)}}})));
    menu.triggers.triggers.push_back(
        on(-62, make_block({{op_store_param_1, {reg(2)}}, {op_store_param_2, {reg(3)}}})));
    menu.triggers.triggers.push_back(
        on(-63, make_block({{op_store_param_1, {reg(4)}}, {op_store_param_2, {reg(5)}}})));
    // Record 1: its blocks fail on an operation that does not exist.
    presentation_record broken;
    broken.name = ruv_string("prsnt_broken");
    broken.triggers.triggers.push_back(on(-60, make_block({{9, {}}, {op_assign, {reg(11), 1}}})));
    broken.triggers.triggers.push_back(on(-61, make_block({{9, {}}})));
    g_presentation_table = presentation_table{};
    g_presentation_table.presentations.push_back(std::move(menu));
    g_presentation_table.presentations.push_back(std::move(broken));

    host_root.set_size({1.0f, 0.75f});
    g_ui_manager.messages.resources = &resources;
    g_ui_manager.messages.font = &font;
  }
  // The on-screen lines added since the last call.
  std::vector<std::string> new_lines() {
    std::vector<std::string> out;
    const auto& h = g_ui_manager.messages.log_history;
    for (std::size_t i = seen_; i < h.size(); ++i) out.emplace_back(h[i].view());
    seen_ = h.size();
    return out;
  }
  std::size_t seen_ = 0;
  void TearDown() override {
    end_running_presentation();
    // The widgets' meshes let go of the tableaus before their records go.
    host_root.children.clear();
    g_tableau_manager.purge_unused_instances();
    g_tableau_materials = tableau_material_table{};
    g_window_manager.destroy_game_windows();
    g_presentation_table = presentation_table{};
    g_ui_manager.release_meshes();
    g_ui_manager.messages.resources = nullptr;
    g_ui_manager.messages.font = nullptr;
    test::ui_test::TearDown();
  }
  void age(float seconds) { advance_clock(0, seconds); }

  test::fake_script_host fake;
  window_ui_host ui;
  window_container host_root;
  presentation p;
};

TEST_F(Presentation, NumberMinusOneStartsNothing) {
  p.create_in_container(host_root, -1);
  EXPECT_TRUE(host_root.children.empty());
  EXPECT_EQ(g_current_presentation, nullptr);
  p.activate();
  EXPECT_EQ(g_current_presentation, &p);
  EXPECT_EQ(p.flags, 0);
  p.run_frame(0.1f);
  EXPECT_EQ(r(1), -7);
  // Makers need a root; none exists, so nothing is made.
  EXPECT_EQ(p.create_combobox(), -1);
}

TEST_F(Presentation, LoadMakesWidgetsAndRunPassesTheAgeInWholeMilliseconds) {
  age(2.0f);
  p.create_in_container(host_root, 0);
  ASSERT_EQ(host_root.children.size(), 1u);
  EXPECT_EQ(p.root, host_root.children[0].get());
  EXPECT_EQ(g_current_presentation, &p);
  EXPECT_EQ(p.flags, 3);
  EXPECT_EQ(r(10), 1);
  EXPECT_EQ(r(0), 0);
  EXPECT_EQ(r(6), 1);
  ASSERT_EQ(p.widgets.size(), 2u);
  EXPECT_EQ(p.widgets[0]->get_type(), widget_type::slider);
  EXPECT_EQ(p.widgets[1]->get_type(), widget_type::combobox);
  EXPECT_EQ(p.root->children.size(), 2u);
  EXPECT_FLOAT_EQ(p.widgets[0]->get_float_value(), 0.0f);

  age(0.2505f);
  p.run_frame(0.016f);
  EXPECT_EQ(r(1), 250);
}

TEST_F(Presentation, ClickComesBeforeHoverAndEachWidgetReportsOneEventAFrame) {
  p.create_in_container(host_root, 0);
  widget* slider = p.widgets[0];
  widget* combo = p.widgets[1];
  slider->set_float_value(42.7f);
  slider->raise_event(ui_event::clicked | ui_event::enter);
  p.run_frame(0.016f);
  EXPECT_EQ(r(2), 0);
  EXPECT_EQ(r(3), 42);
  EXPECT_EQ(r(4), -7);

  p.run_frame(0.016f);
  EXPECT_EQ(r(4), 0);
  EXPECT_EQ(r(5), 0);

  // The combobox reports its selected index; leaving reports 1.
  combo->value = 3;
  combo->raise_event(ui_event::clicked);
  p.run_frame(0.016f);
  EXPECT_EQ(r(2), 1);
  EXPECT_EQ(r(3), 3);
  combo->raise_event(ui_event::leave);
  p.run_frame(0.016f);
  EXPECT_EQ(r(4), 1);
  EXPECT_EQ(r(5), 1);
}

TEST_F(Presentation, WheelScrollsTheNearestContainerAndTheEarlierOnATie) {
  p.create_in_container(host_root, 0);
  const std::int32_t a = p.create_text_overlay(ruv_string("first"), 0x2000);
  const std::int32_t b = p.create_text_overlay(ruv_string("second"), 0x2000);
  ASSERT_EQ(a, 2);
  ASSERT_EQ(b, 3);
  for (std::int32_t id : {a, b}) {
    p.widgets[static_cast<std::size_t>(id)]->set_size({0.2f, 0.2f});
    auto* sc = static_cast<scrollable_container*>(p.widgets[static_cast<std::size_t>(id)]);
    ASSERT_NE(sc->scroll_bars[1], nullptr);
    sc->scroll_bars[1]->set_size({0.01f, 0.2f});
    sc->scroll_bars[1]->set_float_value(0.5f);
    sc->scroll_bars[1]->handle_size = 0.1f;
    sc->scroll_bars[1]->clear_events();
  }
  auto* first = static_cast<scrollable_container*>(p.widgets[2]);
  auto* second = static_cast<scrollable_container*>(p.widgets[3]);
  g_ui_manager.mouse_position = {0.9f, 0.7f};
  g_ui_manager.wheel = 120;
  EXPECT_EQ(nearest_scrollable(p.widgets, g_ui_manager.mouse_position), first);
  p.run_frame(0.016f);
  EXPECT_TRUE(first->scroll_bars[1]->has_event(ui_event::clicked));
  // The handle (0.1 of a 0.2 bar) starts at 0.5 x 0.1 = 0.05 and moves by
  // 120 x 0.0005 x (0.1 / 0.2) = 0.03 to 0.08: value 0.08 / 0.1.
  EXPECT_NEAR(first->scroll_bars[1]->get_float_value(), 0.8f, 1e-5f);
  EXPECT_FLOAT_EQ(second->scroll_bars[1]->get_float_value(), 0.5f);
  EXPECT_FALSE(second->scroll_bars[1]->has_event(ui_event::clicked));

  // Moved nearer the second (placed to the right), the second wins.
  second->set_position({0.6f, 0.0f});
  EXPECT_EQ(nearest_scrollable(p.widgets, g_ui_manager.mouse_position), second);
  g_ui_manager.wheel = 0;
}

TEST_F(Presentation, ModuleCodeMakesAndChangesWidgetsOnlyWhileOnePresentationRuns) {
  // Without a running presentation the operations do nothing and succeed.
  statement_block make = make_block({{917, {reg(7)}}, {921, {reg(7), 0x123456}}, {902, {250}}});
  EXPECT_TRUE(run_statement_block(make, 0));
  EXPECT_EQ(r(7), -7);

  p.create_in_container(host_root, 0);
  EXPECT_TRUE(run_statement_block(make, 0));
  EXPECT_EQ(r(7), 2);
  widget* box = p.widgets[2];
  EXPECT_EQ(box->get_type(), widget_type::game_button);
  EXPECT_EQ(box->colour, (0xFF000000u | 0x123456u));
  EXPECT_FLOAT_EQ(p.duration, 2.5f);

  // 933 animates the alpha over 500 ms on the presentation's clock.
  statement_block fade = make_block({{933, {reg(7), 500, 0x40}}});
  EXPECT_TRUE(run_statement_block(fade, 0));
  EXPECT_FLOAT_EQ(box->durations[channel_alpha], 0.5f);
  EXPECT_EQ(box->alpha_target >> 24, 0x40u);
}

TEST_F(Presentation, ScriptErrorsAreReportedAndTheHostWindowStays) {
  g_window_manager.create_game_windows();
  auto* w = dynamic_cast<timed_window*>(g_window_manager.window(window_id::presentation));
  ASSERT_NE(w, nullptr);
  w->presentation_number = 1;
  w->return_window = window_id::main_menu;
  ASSERT_TRUE(g_window_manager.set_window(window_id::presentation));
  EXPECT_EQ(g_current_presentation, &w->hosted);
  // The failing operation is reported.
  const auto load_lines = new_lines();
  ASSERT_FALSE(load_lines.empty());
  EXPECT_NE(load_lines[0].find("invalid opcode 9"), std::string::npos) << load_lines[0];
  EXPECT_EQ(r(11), -7);  // the failed block went no further
  g_window_manager.frame(0.016f);
  EXPECT_FALSE(new_lines().empty());
  EXPECT_EQ(g_window_manager.top_id(), window_id::presentation);
  EXPECT_EQ(g_current_presentation, &w->hosted);
}

TEST_F(Presentation, TimedWindowMovesOnInTheFirstFrameAfterItsDuration) {
  g_window_manager.create_game_windows();
  auto* w = dynamic_cast<timed_window*>(g_window_manager.window(window_id::loading_presentation));
  ASSERT_NE(w, nullptr);
  w->presentation_number = 0;
  w->return_window = window_id::main_menu;
  g_window_manager.set_window(window_id::loading_presentation);
  EXPECT_FLOAT_EQ(w->hosted.duration, 1.0f);
  age(1.0f);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::loading_presentation);
  age(0.01f);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::main_menu);
  EXPECT_EQ(g_current_presentation, nullptr);

  // Return id 100 hands the end to the meta mission's requests.
  int dispatched = 0;
  g_window_manager.dispatch_meta_mission_requests = [&] { ++dispatched; };
  w->return_window = 100;
  g_window_manager.set_window(window_id::loading_presentation);
  age(1.5f);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(dispatched, 1);
  g_window_manager.dispatch_meta_mission_requests = nullptr;
}

TEST_F(Presentation, PresentationWindowRestartsOnScreenChange15WhileItWaits) {
  g_window_manager.create_game_windows();
  auto* w = dynamic_cast<timed_window*>(g_window_manager.window(window_id::presentation));
  std::int32_t change = 15;
  g_window_manager.pending_screen_change = &change;
  w->presentation_number = 0;
  w->return_window = window_id::main_menu;
  g_window_manager.set_window(window_id::presentation);
  age(0.5f);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(change, 0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::presentation);
  // Restarted: its age counts from the restart.
  age(0.6f);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::presentation);
  g_window_manager.pending_screen_change = nullptr;
}

// Module code shows tableaus as pictures and buttons, sets a slider's range,
// turns a picture by a whole frame and gives it a text shown under the mouse.
TEST_F(Presentation, TableauPicturesRangesFramesAndSecondTexts) {
  fake.render.tableaus = 1;
  tableau_material banner;
  banner.name = ruv_string("tab_banner");
  banner.width = banner.height = 64;
  banner.values[2] = banner.values[3] = 0.2f;
  g_tableau_materials.materials.push_back(std::move(banner));
  p.create_in_container(host_root, 0);  // 0 slider, 1 combobox

  statement_block make = make_block({{939, {reg(7), -1, 0, 12}}, {938, {reg(8), -1, 0, 12}}});
  EXPECT_TRUE(run_statement_block(make, 0));
  ASSERT_EQ(r(7), 2);
  ASSERT_EQ(r(8), 3);
  const material* shown = g_tableau_manager.get_or_create_instance(0, 12)->mat.get();
  widget* picture = p.widgets[2];
  widget* button = p.widgets[3];
  EXPECT_EQ(picture->get_type(), widget_type::text_widget);
  EXPECT_EQ(button->get_type(), widget_type::image_button);
  ASSERT_NE(picture->get_mesh(slot_background), nullptr);
  EXPECT_EQ(picture->get_mesh(slot_background)->mat, shown);
  EXPECT_EQ(button->get_mesh(slot_up)->mat, shown);
  EXPECT_EQ(button->get_mesh(slot_down)->mat, shown);
  EXPECT_EQ(shown->use_count, 3);
  new_lines();

  // A tableau or mesh outside the tables makes nothing and leaves p0.
  statement_block bad = make_block({{939, {reg(9), -1, 1, 12}}, {938, {reg(9), 4, 0, 12}}});
  run_statement_block(bad, 0);
  EXPECT_EQ(r(9), -7);
  EXPECT_EQ(p.widgets.size(), 4u);
  const auto lines = new_lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "SCRIPT WARNING ON OPCODE 939: Invalid Tableau ID: 1; LINE NO: 0:");

  // 928 on the slider: its range, the value kept inside it; on the combobox
  // nothing.
  g_script_state.position_registers[4] = frame::identity();
  g_script_state.position_registers[4].origin = vec3(0.1f, 0.2f, 0.0f);
  g_script_state.position_registers[4].rotate_z(1.5707964f);
  g_script_state.string_registers[3] = ruv_string("Banner of the north");
  statement_block change = make_block({{928, {0, 10, 20}}, {928, {1, 10, 20}}, {930, {2, 4}}, {931, {2, 3}},
                                       {931, {3, 3}}});
  EXPECT_TRUE(run_statement_block(change, 0));
  EXPECT_FLOAT_EQ(p.widgets[0]->float_min, 10.0f);
  EXPECT_FLOAT_EQ(p.widgets[0]->float_max, 20.0f);
  EXPECT_FLOAT_EQ(p.widgets[0]->get_float_value(), 10.0f);
  EXPECT_FLOAT_EQ(p.widgets[1]->float_max, 1.0f);
  const frame& turned = picture->get_mesh(slot_background)->local_frame;
  EXPECT_FLOAT_EQ(turned.origin.y, 0.2f);
  EXPECT_NEAR(turned.rot.s.y, 1.0f, 1e-6f);

  // The second text shows in the overlay while the mouse is over the picture;
  // the button (not a text widget) took none.
  picture->set_size({0.2f, 0.2f});
  button->set_position({0.5f, 0.5f});
  button->set_size({0.2f, 0.2f});
  mouse_at(0.55f, 0.55f);
  p.run_frame(0.016f);
  EXPECT_EQ(g_ui_manager.overlay_count, 0);
  mouse_at(0.1f, 0.1f);
  p.run_frame(0.016f);
  ASSERT_EQ(g_ui_manager.overlay_count, 1);
  EXPECT_EQ(g_ui_manager.overlay_texts[0].view(), "Banner of the north");
  mouse_at(0.9f, 0.7f);
  p.run_frame(0.016f);
  EXPECT_EQ(g_ui_manager.overlay_count, 0);
}

}  // namespace
}  // namespace hm
