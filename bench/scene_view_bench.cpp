// The scene view's frame on the null device: 2,000 mesh instances of 20 kinds
// (copies sharing their kind's geometry), sorted so that consecutive draws
// share their state, against the same instances interleaved, unsorted, each
// with a material and colour of its own so that every draw changes its
// material states, blend mode and colours. Counters: draw calls and device
// states sent per frame.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/settings/game_options.h"
#include "platform/gpu/null_device.h"
#include "render/scene_view.h"

namespace {

using namespace hm;
namespace gpu = platform::gpu;

constexpr int kinds = 20;
constexpr int instances = 2000;

struct bench_scene {
  gpu::null_system system;
  std::unique_ptr<gpu::device> device;
  std::unique_ptr<gpu::effect> effect;
  std::vector<std::unique_ptr<shader>> shaders;
  std::vector<std::unique_ptr<technique_record>> techniques;
  std::vector<std::unique_ptr<material>> materials;
  std::vector<std::unique_ptr<mesh>> sources;
  std::vector<std::unique_ptr<mesh>> copies;
  game_options options;
  scene_view view;
  render_view scene;

  explicit bench_scene(bool forced) {
    gpu::present_parameters p;
    p.back_buffer_width = 640;
    p.back_buffer_height = 480;
    p.back_buffer_format = gpu::format::x8r8g8b8;
    p.enable_auto_depth_stencil = true;
    p.auto_depth_stencil_format = gpu::format::d24s8;
    system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device);
    std::ifstream in(std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx");
    std::stringstream text;
    text << in.rdbuf();
    std::string errors;
    device->create_effect(text.str(), effect, errors);
    const char* names[2] = {"def_shader", "skin_shader"};
    for (int k = 0; k < 2; ++k) {
      techniques.push_back(std::make_unique<technique_record>());
      techniques.back()->plain = effect->get_technique_by_name(names[k]);
      shaders.push_back(std::make_unique<shader>());
      shaders.back()->flags = shader::flag_effect;
      shaders.back()->technique_rec = techniques.back().get();
      shaders.back()->id = k;
    }
    for (int k = 0; k < kinds; ++k) {
      auto m = std::make_unique<mesh>();
      // A box of 12 triangles with 24 vertices per kind, sized by its kind.
      for (int i = 0; i < 24; ++i) {
        m->add_point(vec3(static_cast<float>(i % 2 + k), static_cast<float>(i / 2 % 2), static_cast<float>(i / 4)));
        m->add_vertex(i, 0.0f, 0.0f, 0xFFFFFFFFu, vec3(0.0f, 0.0f, 1.0f));
      }
      for (int f = 0; f < 12; ++f) m->add_face(f * 2, f * 2 + 1, (f * 2 + 2) % 24);
      sources.push_back(std::move(m));
    }
    for (int i = 0; i < instances; ++i) {
      const int k = i % kinds;
      if (forced || i < kinds) {
        materials.push_back(std::make_unique<material>());
        materials.back()->shader_ptr = shaders[static_cast<std::size_t>(k % 2)].get();
        materials.back()->id = static_cast<std::int32_t>(materials.size());
        materials.back()->flags = forced && i % 2 ? 0x100u : 0u;
      }
      material* mat = forced ? materials.back().get() : materials[static_cast<std::size_t>(k)].get();
      auto copy = sources[static_cast<std::size_t>(k)]->create_copy();
      copy->set_material(mat);
      copy->set_shader_class(1);
      copy->world_frame.origin = vec3(static_cast<float>(i % 50), static_cast<float>(i / 50), 0.0f);
      copy->color = forced ? 0xFF000000u | static_cast<std::uint32_t>(i) : 0xFFFFFFFFu;
      copies.push_back(std::move(copy));
    }
    view.options = &options;
    view.set_up_buffers(15);
    view.set_device(device.get());
    view.set_effect(effect.get());
    view.restore_device_objects();
    scene.viewport = {0, 0, 640, 480, 0.0f, 1.0f};
    scene.flags = forced ? view_flag_no_sort : 0u;
  }
  ~bench_scene() {
    copies.clear();
    view.set_device(nullptr);
  }

  // Returns the render, sampler and stage states the frame sent to the device.
  std::size_t frame() {
    system.control()->state_changes.clear();
    for (auto& m : copies) scene.add_mesh(*m);
    view.queue_object(scene);
    ++view.frame_counter;
    view.render();
    return system.control()->state_changes.size();
  }
};

void run(benchmark::State& state, bool forced) {
  bench_scene s(forced);
  s.frame();  // the static buffers are written once
  std::size_t states = 0;
  for (auto _ : state) states = s.frame();
  state.counters["draw_calls"] = s.view.draw_calls;
  state.counters["device_states"] = static_cast<double>(states);
  state.counters["meshes"] = instances;
}

void BM_SceneViewCached(benchmark::State& state) { run(state, false); }
void BM_SceneViewStateChangesEveryDraw(benchmark::State& state) { run(state, true); }

BENCHMARK(BM_SceneViewCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneViewStateChangesEveryDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
