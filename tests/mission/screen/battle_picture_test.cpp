// The battle drawn in the mission screen: the sample module's field battle
// set up from a new game, drawn offscreen on OpenGL through window 14's 3D
// view with its display over it, and the picture held against what a player
// must see: ground below the horizon, the soldiers, the status panel in the
// lower right corner.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../../module/support/module_test_support.h"
#include "../../render/support/gl_test_device.h"
#include "../support/sample_parties.h"
#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/device/device_resources.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/game_options.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/screen/battle_drawing.h"
#include "mission/screen/mission_screen_window.h"
#include "mission/setup/module_mission_setup.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/records/mission_template.h"
#include "platform/png_file.h"
#include "render/entity/entity.h"
#include "render/entity/render_view.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/interface_view.h"
#include "render/view/scene_view.h"
#include "ui/manager/ui_manager.h"

namespace hm {
namespace {

namespace gpu = platform::gpu;

constexpr std::uint32_t width = 320;
constexpr std::uint32_t height = 240;

class quiet_services : public mission_services {
 public:
  void refresh_shadow_passes(mission&) override {}
};

int index_of_template(const char* id) {
  for (std::size_t i = 0; i < g_mission_templates.size(); ++i)
    if (g_mission_templates[i].id.equals_cstr(id)) return static_cast<int>(i);
  return -1;
}

int index_of_scene(const game& g, const char* id) {
  for (int i = 0; i < g.scene_count(); ++i)
    if (g.scenes[static_cast<std::size_t>(i)]->id.equals_cstr(id)) return i;
  return -1;
}

int index_of_troop(const game& g, const char* id) {
  for (int i = 0; i < g.troop_count(); ++i)
    if (g.troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
  return -1;
}

// An OpenGL device with the engine's resources and the sample module's new
// game on it, and the field battle set up between two small armies.
class BattlePicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    state_ = std::make_unique<suite_state>();
    if (test::open_offscreen_gl("battle picture", width, height, state_->window, state_->system, state_->device) !=
        test::offscreen_gl::ready)
      return;
    state_->gl = true;
    random_seed(5);
    install_mesh_hooks(g_resource_manager);
    install_module_script_host();
    load_core_resource_files();
    // The device's resources come first: loading the module makes the
    // device objects of its textures.
    gpu::device& device = *state_->device;
    init_device_resources(g_device_resources, device);
    restore_device_resources(g_device_resources);
    load_whole_module("Sample");
    g_game = std::make_unique<game>();
    state_->campaign = std::make_unique<campaign_game>(*g_game);
    state_->campaign->install_script_host();
    set_up_new_game(*g_game, state_->campaign.get());
    state_->campaign->run_game_start();

    test::attach_game_scene_view(device, 15);
  }

  static void TearDownTestSuite() {
    if (state_->gl) {
      g_ui_manager.clear();
      g_ui_manager.release_meshes();
      g_render_pass_state.release_targets();
      set_view_renderer(nullptr);
      g_scene_view.set_device(nullptr);
      delete_device_resources(g_device_resources);
    }
    state_.reset();
  }

  void SetUp() override {
    if (!state_->gl) GTEST_SKIP() << "no OpenGL 3.3 context on this machine";
  }

  // The player among a few swordsmen, against as many looters.
  static void start_battle(mission& m, mission_start& start) {
    game& g = *g_game;
    campaign_state& cs = state_->campaign->state;
    const int battle = index_of_template("field_battle");
    const int field = index_of_scene(g, "scn_field_battle");
    ASSERT_GE(battle, 0);
    ASSERT_GE(field, 0);
    party* player_party = cs.find_party(cs.player_party);
    ASSERT_NE(player_party, nullptr);
    player_party->stack_count = 1;
    player_party->stacks[0].count = 1;
    cs.add_troops_to_party(cs.player_party, index_of_troop(g, "trp_swordsman"), 6, false);
    m.side_value = 1;
    m.side_lists[0].count = 1;
    m.side_lists[0].parties[0] = test::add_party_of(cs, index_of_troop(g, "trp_swordsman"), 4);
    m.side_lists[1].count = 1;
    m.side_lists[1].parties[0] = test::add_party_of(cs, index_of_troop(g, "trp_looter"), 10);
    reset_clocks();
    ASSERT_TRUE(start_mission(m, g, cs, battle, field, start));
  }

  // One frame as the application draws it: the cleared buffer, the screens'
  // scenes, then the interface over them.
  static std::vector<std::uint32_t> picture(mission_screen_window& screen, bool display) {
    gpu::device& device = *state_->device;
    device.set_viewport({0, 0, width, height, 0.0f, 1.0f});
    device.clear(gpu::clear_target | gpu::clear_zbuffer | gpu::clear_stencil, 0xFF00FF00u, 1.0f, 0);
    if (device.begin_scene() == gpu::result::ok) device.end_scene();
    ++g_scene_view.frame_counter;
    screen.queue_scene(width, height);
    render_view interface_view;
    if (display) {
      set_up_interface_view(interface_view, width, height);
      g_ui_manager.screen_width = width;
      g_ui_manager.screen_height = height;
      g_ui_manager.draw(interface_view);
    }
    g_scene_view.render();
    std::vector<std::uint32_t> argb;
    EXPECT_EQ(device.read_back_buffer(0, 0, width, height, argb), gpu::result::ok);
    interface_view.destroy();
    return argb;
  }

  struct suite_state {
    std::unique_ptr<platform::window> window;
    std::unique_ptr<gpu::gpu_system> system;
    std::unique_ptr<gpu::device> device;
    bool gl = false;
    test::scoped_working_folder in_data{HOOFMARCH_DATA_DIR};
    test::scoped_generated_folder generated{HOOFMARCH_BINARY_DIR "/data"};
    std::unique_ptr<campaign_game> campaign;
  };
  static std::unique_ptr<suite_state> state_;
};

std::unique_ptr<BattlePicture::suite_state> BattlePicture::state_;

std::uint32_t channel_distance(std::uint32_t a, std::uint32_t b) {
  std::uint32_t most = 0;
  for (int shift : {0, 8, 16}) {
    const int x = static_cast<int>((a >> shift) & 0xFFu);
    const int y = static_cast<int>((b >> shift) & 0xFFu);
    most = std::max<std::uint32_t>(most, static_cast<std::uint32_t>(std::abs(x - y)));
  }
  return most;
}

bool inside(const view_rectangle& r, std::uint32_t x, std::uint32_t y) {
  return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

TEST_F(BattlePicture, GroundSoldiersAndThePanelShowWhereTheyBelong) {
  mission m;
  quiet_services services;
  m.set_services(&services);
  mission_start start;
  start_battle(m, start);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_GE(m.player_agent, 0);

  mission_screen_window screen([&m] { return &m; });
  screen.build();
  ASSERT_NE(screen.hud.view, nullptr);
  ASSERT_NE(screen.hud.status_panel, nullptr);

  const std::vector<std::uint32_t> battle = picture(screen, true);
  const std::vector<std::uint32_t> without_display = picture(screen, false);
  for_each_live_agent(m.agents, [](agent& a) {
    if (a.agent_entity) a.agent_entity->visible = false;
  });
  const std::vector<std::uint32_t> empty_field = picture(screen, false);
  ASSERT_EQ(battle.size(), std::size_t{width} * height);
  ASSERT_EQ(without_display.size(), battle.size());
  ASSERT_EQ(empty_field.size(), battle.size());
  // Kept beside the build for a person to look at.
  platform::write_argb_png(HOOFMARCH_BINARY_DIR "/battle_picture.png", width, height, battle);

  // The panel's rectangle on the screen, from its place in the display.
  const widget& panel = *screen.hud.status_panel;
  const view_rectangle panel_pixels = interface_area_pixels(panel.absolute_position.x, panel.absolute_position.y,
                                                            panel.size.x, panel.size.y, width, height);
  ASSERT_GT(panel_pixels.width, 0u);
  ASSERT_GT(panel_pixels.height, 0u);
  EXPECT_GT(panel_pixels.x, width / 2);
  EXPECT_GT(panel_pixels.y, height / 2);

  std::set<std::uint32_t> colours;
  int lower_sky = 0, lower = 0;
  int soldiers = 0;
  int panel_changed = 0, panel_area = 0, elsewhere_changed = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t i = std::size_t{y} * width + x;
      colours.insert(battle[i] & 0xFFFFFFu);
      if (y >= height / 2 && !inside(panel_pixels, x, y)) {
        ++lower;
        if (channel_distance(without_display[i], default_sky_colour) <= 2) ++lower_sky;
      }
      if (channel_distance(without_display[i], empty_field[i]) > 8) ++soldiers;
      const bool changed = channel_distance(battle[i], without_display[i]) > 8;
      if (inside(panel_pixels, x, y)) {
        ++panel_area;
        panel_changed += changed ? 1 : 0;
      } else {
        elsewhere_changed += changed ? 1 : 0;
      }
    }
  }
  // Lit, textured ground, sky and figures, not a cleared buffer (one colour).
  EXPECT_GT(colours.size(), 100u);
  // Below the horizon the ground covers the view: no sky shows there.
  EXPECT_LT(lower_sky, lower / 50) << lower_sky << " of " << lower;
  // The soldiers in front of the player's camera: more than a few pixels.
  EXPECT_GT(soldiers, static_cast<int>(width * height / 200)) << soldiers;
  // The panel covers its rectangle, and the display adds little elsewhere
  // (the crosshair and the arrows stay hidden until the player aims).
  EXPECT_GT(panel_changed, panel_area * 3 / 5) << panel_changed << " of " << panel_area;
  EXPECT_LT(elsewhere_changed, static_cast<int>(width * height / 100)) << elsewhere_changed;

  g_ui_manager.clear();
  screen.drawing.release();
  m.clear();
}

}  // namespace
}  // namespace hm
