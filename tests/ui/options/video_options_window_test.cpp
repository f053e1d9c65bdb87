// The video options screen: the performance estimate as the rule computes it
// by hand, the gamma text, the resolution list and its choice, the notice on
// Done for the options that take effect later, ruv_config.txt written on Done
// (and a settings folder that cannot take it reported, the settings kept).
#include "ui/options/video_options_window.h"

#include "options_fixture.h"
#include "ui/widget/widget_kinds.h"

namespace hm {
namespace {

// A graphics device that records what the screen asks of it.
class recording_video final : public video_options_host {
 public:
  std::vector<std::string> display_modes() override { return modes; }
  void reset_graphics_device() override {
    ++resets;
    reset_size = {g_ruv_config.display_width, g_ruv_config.display_height};
  }
  bool pixel_shaders_on() override { return pixel; }
  bool device_flag() override { return flag; }
  void apply_gamma(float g) override { gammas.push_back(g); }
  void reload_file_textures() override { ++reloads; }

  std::vector<std::string> modes;
  bool pixel = true;
  bool flag = false;
  int resets = 0;
  std::pair<int, int> reset_size{-1, -1};
  std::vector<float> gammas;
  int reloads = 0;
};

class VideoOptionsWindow : public test::options_screens {
 protected:
  void SetUp() override {
    test::options_screens::SetUp();
    previous_ = set_video_options_host(&device);
  }
  void TearDown() override {
    set_video_options_host(previous_);
    test::options_screens::TearDown();
  }
  video_options_window& open_screen() {
    return open<video_options_window>(window_id::video_options, window_id::options);
  }
  recording_video device;
  video_options_host* previous_ = nullptr;
};

TEST(VideoOptionsRules, PerformanceEstimateFollowsTheRule) {
  struct row {
    const char* what;
    bool pixel, flag;
    void (*set)(game_options&, ruv_config&);
    std::int32_t figure;
  };
  // Worked by hand: a = 100 + 5 x 0.5 (character shadows) + 5 (blood) + 6
  // (particles) + 0.2 x 20 (corpses) + 5 (ragdolls) + 0.1 x 50 (grass) + 10 x 0.5
  // = 132.5 for the defaults, then the shadow, plant, water, filtering and
  // texture factors, and the cost of the 1280 x 1024 desktop.
  const row rows[] = {
      // +4 (shadows without pixel shaders), x 1.03, x 0.9: 126.5355; cost x 2.152856 = 272.41: 110.
      {"defaults, fixed function", false, false, [](game_options&, ruv_config&) {}, 110},
      // x 1.25 (shadows), x 1.2 (plants), x 1.03, x 0.9: 184.241; cost 396.64: 75.
      {"defaults, pixel shaders", true, false, [](game_options&, ruv_config&) {}, 75},
      // +3 (ultra high), x 1.1, x 1.1, x 1.65 (real reflections), x 1.03, x 1.0, 800 x 600 costs x 1: 278.64: 107.
      {"heavy at 800 x 600, device flag", true, true,
       [](game_options&, ruv_config& c) {
         c.active_shadowmap_quality = 2;
         c.fake_reflections = 0;
         c.texture_detail = 100;
         c.display_width = 800;
         c.display_height = 600;
       },
       107},
      // a = 100, x 0.82 (texture 10), 640 x 480: 82 x 940 / 1100 x 730 / 850 = 60.18: 498.
      {"lightest at 640 x 480", false, false,
       [](game_options& o, ruv_config& c) {
         o.character_shadows = 0;
         o.blood_stains = 0;
         o.particle_systems = 0;
         o.set_corpses_level(0);
         o.set_ragdolls_level(0);
         o.grass_density = 0;
         o.character_detail = 0.0f;
         o.environment_shadows = 0;
         o.plant_shadows = 0;
         o.anisotropic_filtering = 0;
         c.texture_detail = 10;
         c.display_width = 640;
         c.display_height = 480;
       },
       498},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    game_options o;
    ruv_config c;
    r.set(o, c);
    EXPECT_EQ(estimate_performance(o, c, r.pixel, r.flag), r.figure);
  }
}

TEST(VideoOptionsRules, GammaTextAndResolutionItems) {
  EXPECT_EQ(gamma_text(2.2f), "");  // shown as "ui_default"
  EXPECT_EQ(gamma_text(1.5f), "1.50");
  EXPECT_EQ(gamma_text(2.5f), "2.50");
  const struct {
    const char* item;
    std::int32_t w, h;
  } rows[] = {{"1024x768 32 bits", 1024, 768},
              {"800x600 16 bits", 800, 600},
              {"Desktop resolution", 0, 0},
              {"x768 32 bits", 0, 768},
              {"99999999999x5", 65535, 5},
              {"", 0, 0}};
  for (const auto& r : rows) {
    std::int32_t w = -1, h = -1;
    parse_resolution(r.item, w, h);
    EXPECT_EQ(w, r.w) << r.item;
    EXPECT_EQ(h, r.h) << r.item;
  }
}

TEST_F(VideoOptionsWindow, ResolutionListKeepsTheDepthAndChoosingResetsTheDevice) {
  device.modes = {"640x480 16 bits", "640x480 32 bits", "1024x768 16 bits", "1024x768 32 bits"};
  g_ruv_config.display_width = 1024;
  g_ruv_config.display_height = 768;
  auto& w = open_screen();
  // Last to first, 32 bits only, then the desktop.
  ASSERT_EQ(w.resolution_box->items.size(), 3u);
  EXPECT_EQ(std::string(w.resolution_box->items[0].view()), "1024x768 32 bits");
  EXPECT_EQ(std::string(w.resolution_box->items[1].view()), "640x480 32 bits");
  EXPECT_EQ(w.resolution_box->get_value(), 0);

  choose(w.resolution_box, 2);  // the desktop
  run_frame();
  EXPECT_EQ(g_ruv_config.display_width, 0);
  EXPECT_EQ(g_ruv_config.display_height, 0);
  EXPECT_EQ(device.resets, 1);
  EXPECT_EQ(device.reset_size, std::make_pair(0, 0));

  g_ruv_config.display_bits = 16;
  auto& again = open_screen();
  EXPECT_EQ(again.resolution_box->items.size(), 5u);
  EXPECT_EQ(again.resolution_box->get_value(), 4);  // width 0: the desktop
}

TEST_F(VideoOptionsWindow, ChoicesStoreTheirSettingsAndDoneWritesTheConfigurationFile) {
  auto& w = open_screen();
  EXPECT_FALSE(w.gamma_slider->is_hidden());
  choose(w.corpses_box, 0);  // "unlimited": level 5
  choose(w.ragdolls_box, 5);  // "0": level 0
  choose(w.blood_box, 2);
  choose(w.shadow_quality_box, 0);  // ultra high
  slide(w.texture_detail_slider, 80.0f);
  slide(w.gamma_slider, 1.8f);
  flip(w.water_reflection_toggle);
  flip(w.dynamic_lighting_toggle);
  run_frame();
  EXPECT_EQ(g_game_options.corpses_level, 5);
  EXPECT_EQ(g_game_options.corpse_limit, game_options::unlimited);
  EXPECT_EQ(g_game_options.ragdolls_level, 0);
  EXPECT_EQ(g_game_options.ragdoll_limit, 0);
  EXPECT_EQ(g_game_options.blood_stains, 2);
  EXPECT_EQ(g_ruv_config.active_shadowmap_quality, 2);
  EXPECT_EQ(g_ruv_config.texture_detail, 80);
  EXPECT_EQ(g_ruv_config.fake_reflections, 0);
  EXPECT_EQ(g_game_options.dynamic_lighting, 0);
  EXPECT_FLOAT_EQ(g_game_options.gamma, 1.8f);
  ASSERT_EQ(device.gammas.size(), 1u);
  EXPECT_EQ(std::string(w.gamma_value_text->text.view()), "1.80");

  click(w.done_button);
  run_frame();
  // Water reflection and shadow quality take effect later: the notice shows
  // first, and the screen waits for it.
  EXPECT_EQ(device.reloads, 1);
  EXPECT_EQ(g_window_manager.top_id(), window_id::message_box);
  g_window_manager.pop_window();
  run_frame();
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);

  ruv_config read;
  load_ruv_config(read);
  EXPECT_EQ(read.texture_detail, 80);
  EXPECT_EQ(read.fake_reflections, 0);
  // The configured quality is the launcher's; the screen changes the one in force.
  EXPECT_EQ(read.shadowmap_quality, 1);
}

TEST_F(VideoOptionsWindow, DoneWithoutLaterEffectsLeavesAtOnceAndReloadsNothing) {
  auto& w = open_screen();
  flip(w.dynamic_lighting_toggle);
  run_frame();
  click(w.done_button);
  run_frame();
  EXPECT_EQ(device.reloads, 0);
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);
  EXPECT_TRUE(std::filesystem::exists(settings_file("ruv_config.txt")));
}

TEST_F(VideoOptionsWindow, WithoutPixelShadersTheGammaRowIsHidden) {
  device.pixel = false;
  auto& w = open_screen();
  EXPECT_TRUE(w.gamma_slider->is_hidden());
  EXPECT_TRUE(w.gamma_value_text->is_hidden());
}

TEST_F(VideoOptionsWindow, AConfigurationFileThatCannotBeWrittenIsReportedAndTheSettingsHold) {
  auto& w = open_screen();
  slide(w.texture_detail_slider, 30.0f);
  run_frame();
  block_settings_folder();
  click(w.done_button);
  run_frame();
  EXPECT_EQ(g_window_manager.top_id(), window_id::message_box);
  auto* box = dynamic_cast<message_box_window*>(g_window_manager.window(window_id::message_box));
  ASSERT_NE(box, nullptr);
  EXPECT_NE(std::string(box->text.view()).find("ruv_config.txt"), std::string::npos);
  EXPECT_EQ(g_ruv_config.texture_detail, 30);
  g_window_manager.pop_window();
  run_frame();
  EXPECT_EQ(g_window_manager.top_id(), window_id::options);
}

}  // namespace
}  // namespace hm
