// The terrain generator screen: its sliders' conversions at their ends, the
// code's text round trip with the seeds the preview uses (negative typed
// seeds cut to their bits), shade occluded read from the pixel shaders, one
// control handled a frame, copy and paste through the clipboard, and the
// preview generated from the code.
#include <gtest/gtest.h>

#include <string>

#include "engine/app/input_state.h"
#include "platform/window.h"
#include "render/terrain/terrain_generator.h"
#include "ui/support/ui_test_support.h"
#include "ui/terrain/terrain_gen_window.h"
#include "ui/widget/container.h"
#include "ui/widget/widget_kinds.h"
#include "ui/windows/window_manager.h"

namespace hm {
namespace {

TEST(TerrainFields, SlidersGiveTheirFieldsAtBothEnds) {
  EXPECT_FLOAT_EQ(size_from_slider(0.0f), 140.0f);
  EXPECT_FLOAT_EQ(size_from_slider(1.0f), 840.0f);
  EXPECT_FLOAT_EQ(size_from_slider(2.0f), 840.0f);
  EXPECT_FLOAT_EQ(hill_from_slider(0.0f), 10.0f);
  EXPECT_FLOAT_EQ(hill_from_slider(1.0f), 110.0f);
  EXPECT_EQ(ruggedness_from_slider(0.3f), 30);
  EXPECT_NEAR(slider_from_size(840.0f), 1.0f, 1e-5f);
  EXPECT_NEAR(slider_from_hill(110.0f), 1.0f, 1e-5f);

  terrain_fields f;
  f.size_x = size_from_slider(1.0f);  // 840 fits the ten bits
  f.size_y = size_from_slider(0.0f);
  f.hill_height = hill_from_slider(1.0f);
  f.ruggedness = 200;                 // past seven bits: the low seven
  f.valley = 0.995f;                  // 99.5 rounds down, and 99 is the top
  f.vegetation = 0.125f;              // 12.5 rounds down
  terrain_code code;
  write_terrain_fields(f, code);
  EXPECT_EQ(code.size_x(), 840u);
  EXPECT_EQ(code.size_y(), 140u);
  EXPECT_EQ(code.hill_height(), 110u);
  EXPECT_EQ(code.ruggedness(), 200u & 127u);
  EXPECT_EQ(code.valley(), 99u);
  EXPECT_EQ(code.vegetation(), 12u);
}

TEST(TerrainFields, TheCodesTextCarriesEveryFieldAndSeedBack) {
  struct seeds {
    std::int64_t terrain, river, flora;
    std::uint32_t terrain_bits, river_bits, flora_bits;
  };
  const seeds table[] = {
      {0, 0, 0, 0, 0, 0},
      {terrain_seed_range - 1, 1, 77, terrain_seed_range - 1, 1, 77},
      {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
      // Typed negative: cut to 31 bits, never into deep water (bit 63) or
      // the flora seed's neighbour (bit 95).
      {-1, -1, -2, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFE},
  };
  for (const seeds& s : table) {
    terrain_fields f;
    f.terrain_seed = static_cast<std::int32_t>(s.terrain);
    f.river_seed = static_cast<std::int32_t>(s.river);
    f.flora_seed = static_cast<std::int32_t>(s.flora);
    f.place_river = 1;
    f.region_type = 12;
    f.region_detail = 3;
    f.disable_grass = 1;
    terrain_code code;
    write_terrain_fields(f, code);
    EXPECT_EQ(code.terrain_seed(), s.terrain_bits);
    EXPECT_EQ(code.river_seed(), s.river_bits);
    EXPECT_EQ(code.flora_seed(), s.flora_bits);
    EXPECT_FALSE(code.deep_water());
    EXPECT_EQ(code.get_bits(95, 95), 0u);
    const std::string text = code.to_string();
    EXPECT_EQ(text.size(), 50u);
    terrain_code back;
    back.parse(text);
    EXPECT_EQ(back, code);
    terrain_fields read;
    read_terrain_fields(back, true, read);
    EXPECT_EQ(static_cast<std::uint32_t>(read.terrain_seed), s.terrain_bits);
    EXPECT_EQ(static_cast<std::uint32_t>(read.river_seed), s.river_bits);
    EXPECT_EQ(static_cast<std::uint32_t>(read.flora_seed), s.flora_bits);
    EXPECT_EQ(read.place_river, 1);
    EXPECT_EQ(read.region_type, 12);
    EXPECT_EQ(read.region_detail, 3);
    EXPECT_EQ(read.disable_grass, 1);
    EXPECT_FLOAT_EQ(read.size_x, 150.0f);
    EXPECT_FLOAT_EQ(read.valley, 0.5f);
    EXPECT_FLOAT_EQ(read.vegetation, 0.8f);
    EXPECT_FLOAT_EQ(read.hill_height, 100.0f);
    EXPECT_EQ(read.ruggedness, 30);
  }
  // Shade occluded is never read from its bit.
  terrain_code code;
  code.set_shade_occluded(true);
  terrain_fields f;
  read_terrain_fields(code, true, f);
  EXPECT_EQ(f.shade_occluded, 0);
  code.set_shade_occluded(false);
  read_terrain_fields(code, false, f);
  EXPECT_EQ(f.shade_occluded, 1);
}

TEST(TerrainFields, SeedTextReadsASignedNumberOrNothing) {
  struct row {
    const char* text;
    bool read;
    std::int64_t value;
  };
  const row rows[] = {{"123", true, 123},   {"  -45x", true, -45}, {"+7", true, 7},
                      {"", false, 0},       {"abc", false, 0},     {"-", false, 0},
                      {"99999999999999999999", true, 999999999999}};
  for (const row& r : rows) {
    std::int64_t v = 0;
    EXPECT_EQ(parse_seed_text(r.text, v), r.read) << r.text;
    if (r.read) {
      EXPECT_EQ(v, r.value) << r.text;
    }
  }
  EXPECT_EQ(terrain_list_index(13), 7);
  EXPECT_EQ(terrain_list_index(1), -1);
  EXPECT_STREQ(terrain_list_region_name(13), "Desert Forest");
}

class TerrainGen : public test::ui_test {
 protected:
  void SetUp() override {
    test::ui_test::SetUp();
    g_window_manager.create_game_windows();
    g_window_manager.set_window(window_id::game_menu);
    ASSERT_TRUE(open_terrain_generator(window_id::game_menu));
    w = dynamic_cast<terrain_gen_window*>(g_window_manager.window(window_id::terrain_generator));
    ASSERT_NE(w, nullptr);
  }
  void TearDown() override {
    g_window_manager.destroy_game_windows();
    g_input_state = input_state{};
    test::ui_test::TearDown();
  }
  std::string shown() const {
    ruv_string t;
    w->code_text->get_text(t);
    return std::string(t.view());
  }
  terrain_gen_window* w = nullptr;
};

TEST_F(TerrainGen, OneControlAFrameAndTheSeedsBoxesEveryFrame) {
  EXPECT_EQ(shown(), g_terrain_generator.code.to_string());
  EXPECT_LT(w->fields.terrain_seed, terrain_seed_range);
  w->place_river_box->raise_event(ui_event::clicked);
  w->deep_water_box->raise_event(ui_event::clicked);
  // A negative seed typed into the river box: its bits, not deep water.
  w->seed_boxes[1]->set_text(ruv_string("-1"));
  w->seed_boxes[1]->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_TRUE(g_terrain_generator.code.place_river());
  EXPECT_FALSE(g_terrain_generator.code.deep_water());
  EXPECT_EQ(g_terrain_generator.code.river_seed(), 0x7FFFFFFFu);
  EXPECT_EQ(w->fields.river_seed, 0x7FFFFFFF);
  g_window_manager.frame(0.016f);
  EXPECT_TRUE(g_terrain_generator.code.deep_water());
  EXPECT_EQ(shown(), g_terrain_generator.code.to_string());
  ruv_string caption;
  w->deep_water_box->get_text(caption);
  EXPECT_EQ(std::string(caption.view()), "Enabled");
}

TEST_F(TerrainGen, CopyAndPasteGoThroughTheClipboard) {
  w->copy->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  std::string copied;
  ASSERT_TRUE(platform::get_clipboard_text(copied));
  EXPECT_EQ(copied, shown());

  // Text that is no code stays shown as pasted; the fields follow the parse.
  ASSERT_TRUE(platform::set_clipboard_text("not a code"));
  w->paste->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(shown(), "not a code");
  terrain_code parsed;
  parsed.parse("not a code");
  EXPECT_EQ(static_cast<std::uint32_t>(w->fields.terrain_seed), parsed.terrain_seed());

  const std::string code = "0x0000000030c8c9a64b2a963200000064000300ab0001e240";
  ASSERT_TRUE(platform::set_clipboard_text(code));
  w->paste->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_terrain_generator.code.to_string(), code);
  EXPECT_EQ(w->fields.terrain_seed, 0x1e240);
  EXPECT_EQ(w->fields.river_seed, 0x300ab);
}

TEST_F(TerrainGen, GenerateBuildsThePreviewAndCloseGoesBack) {
  w->size_x_slider->set_float_value(0.0f);
  w->size_x_slider->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  w->size_y_slider->set_float_value(0.0f);
  w->size_y_slider->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  w->generate->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_TRUE(w->generated);
  EXPECT_FLOAT_EQ(w->target_x, 70.0f);
  EXPECT_FLOAT_EQ(w->target_y, 70.0f);
  EXPECT_EQ(g_terrain_generator.scene, w->preview.scene.get());
  EXPECT_GT(g_terrain_generator.size_x, 0.0f);
  w->close->raise_event(ui_event::clicked);
  g_window_manager.frame(0.016f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::game_menu);
  // The generator no longer points into the preview's scene.
  EXPECT_EQ(g_terrain_generator.scene, nullptr);
}

}  // namespace
}  // namespace hm
