// The sample module's field battle drawn offscreen on OpenGL through the
// mission screen's 3D view, with about 50, 200 and 500 agents: each timed
// frame steps the mission headless (AI, agents, missiles) and then draws it
// (terrain, props, agents on their skeletons, shadows, the display), waiting
// for the device by reading a pixel back. The counters give the frames per
// second drawn and the headless frame time beside the drawing's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "../tests/mission/support/sample_parties.h"
#include "../tests/render/support/gl_test_device.h"
#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/device/device_resources.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/screen/mission_screen_window.h"
#include "mission/setup/module_mission_setup.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/records/mission_template.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"
#include "render/entity/render_view.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/interface_view.h"
#include "render/view/scene_view.h"
#include "ui/manager/ui_manager.h"

namespace {

using namespace hm;
namespace gpu = platform::gpu;

constexpr std::uint32_t width = 800;
constexpr std::uint32_t height = 600;
constexpr float step = 1.0f / 60.0f;
constexpr int settling_frames = 30;

struct drawing_device {
  std::unique_ptr<platform::window> window;
  std::unique_ptr<gpu::gpu_system> system;
  std::unique_ptr<gpu::device> device;
  std::unique_ptr<campaign_game> campaign;
  bool ready = false;
};

// The device, the engine's resources and the sample module's new game, once.
// Kept to the end of the process: the renderer's globals let their device
// objects go at exit, while the context is still there.
drawing_device& the_device() {
  static drawing_device& d = *[] {
    auto* made = new drawing_device;
    drawing_device& out = *made;
    std::filesystem::current_path(HOOFMARCH_DATA_DIR);
    platform::set_generated_data_folder(HOOFMARCH_BINARY_DIR "/data");
    if (test::open_offscreen_gl("battle render bench", width, height, out.window, out.system, out.device) !=
        test::offscreen_gl::ready)
      return made;
    random_seed(11);
    install_mesh_hooks(g_resource_manager);
    install_module_script_host();
    load_core_resource_files();
    init_device_resources(g_device_resources, *out.device);
    restore_device_resources(g_device_resources);
    load_whole_module("Sample");
    g_game = std::make_unique<game>();
    out.campaign = std::make_unique<campaign_game>(*g_game);
    out.campaign->install_script_host();
    set_up_new_game(*g_game, out.campaign.get());
    out.campaign->run_game_start();
    test::attach_game_scene_view(*out.device, 64);
    out.ready = true;
    return made;
  }();
  return d;
}

int find_id(const game& g, const char* id, bool scene) {
  if (scene) {
    for (int i = 0; i < g.scene_count(); ++i)
      if (g.scenes[static_cast<std::size_t>(i)]->id.equals_cstr(id)) return i;
    return -1;
  }
  for (int i = 0; i < g.troop_count(); ++i)
    if (g.troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
  return -1;
}

int template_index(const char* id) {
  for (std::size_t i = 0; i < g_mission_templates.size(); ++i)
    if (g_mission_templates[i].id.equals_cstr(id)) return static_cast<int>(i);
  return -1;
}

void BM_BattleDrawn(benchmark::State& state) {
  drawing_device& d = the_device();
  if (!d.ready) {
    state.SkipWithError("no OpenGL 3.3 context");
    return;
  }
  game& g = *g_game;
  campaign_state& cs = d.campaign->state;
  const int wanted = static_cast<int>(state.range(0));
  const int per_record = std::max(1, wanted / 4);
  const int battle = template_index("field_battle");
  const int field = find_id(g, "scn_field_battle", true);
  const int swordsman = find_id(g, "trp_swordsman", false);
  const int archer = find_id(g, "trp_archer", false);
  const int looter = find_id(g, "trp_looter", false);
  if (battle < 0 || field < 0) {
    state.SkipWithError("the sample module has no field battle");
    return;
  }
  // Every record of the battle brings a quarter of the agents.
  for (spawn_record& r : g_mission_templates[static_cast<std::size_t>(battle)].spawn_records)
    r.troop_count = per_record;
  party* own = cs.find_party(cs.player_party);
  own->stack_count = 1;
  own->stacks[0].count = 1;
  cs.add_troops_to_party(cs.player_party, swordsman, per_record, false);

  mission m;
  m.side_value = 1;
  m.side_lists[0].count = 1;
  m.side_lists[0].parties[0] = test::add_party_of(cs, archer, per_record);
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = test::add_party_of(cs, looter, 2 * per_record);
  reset_clocks();
  mission_start start;
  if (!start_mission(m, g, cs, battle, field, start)) {
    state.SkipWithError("the battle was not set up");
    return;
  }
  for (int i = 0; i < settling_frames; ++i) m.frame(step, true);
  mission_screen_window screen([&m] { return &m; });
  screen.build();
  render_view interface_view;

  std::vector<double> headless, drawn;
  std::vector<std::uint32_t> pixel;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    m.frame(step, true);
    const auto t1 = std::chrono::steady_clock::now();
    d.device->set_viewport({0, 0, width, height, 0.0f, 1.0f});
    d.device->clear(gpu::clear_target | gpu::clear_zbuffer | gpu::clear_stencil, 0xFF000000u, 1.0f, 0);
    ++g_scene_view.frame_counter;
    screen.queue_scene(width, height);
    set_up_interface_view(interface_view, width, height);
    g_ui_manager.screen_width = width;
    g_ui_manager.screen_height = height;
    g_ui_manager.draw(interface_view);
    g_scene_view.render();
    // The device has finished the frame once a pixel of it is read.
    d.device->read_back_buffer(0, 0, 1, 1, pixel);
    const auto t2 = std::chrono::steady_clock::now();
    headless.push_back(std::chrono::duration<double>(t1 - t0).count());
    drawn.push_back(std::chrono::duration<double>(t2 - t1).count());
    state.SetIterationTime(std::chrono::duration<double>(t2 - t0).count());
  }
  int agents = 0;
  for_each_live_agent(m.agents, [&agents](agent&) { ++agents; });
  auto median = [](std::vector<double>& v) {
    if (v.empty()) return 0.0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
  };
  const double h = median(headless);
  const double r = median(drawn);
  int pending = 0;
  for (const spawn_record& r : g_mission_templates[static_cast<std::size_t>(battle)].spawn_records) pending += r.pending;
  state.counters["agents"] = agents;
  state.counters["pending"] = pending;
  state.counters["agents_drawn"] = screen.drawing.agents_drawn;
  state.counters["headless_ms"] = h * 1e3;
  state.counters["draw_ms"] = r * 1e3;
  state.counters["drawn_fps"] = r + h > 0.0 ? 1.0 / (r + h) : 0.0;
  state.counters["draw_only_fps"] = r > 0.0 ? 1.0 / r : 0.0;

  g_ui_manager.clear();
  interface_view.destroy();
  screen.drawing.release();
  m.clear();
}

BENCHMARK(BM_BattleDrawn)->Arg(50)->Arg(200)->Arg(500)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
