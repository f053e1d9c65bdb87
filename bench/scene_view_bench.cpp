// The scene view's frame on the null device and on OpenGL offscreen (SDL's
// offscreen video driver; skipped where no OpenGL 3.3 context can be made):
// 2,000 mesh instances of 20 kinds (copies sharing their kind's geometry),
// sorted so that consecutive draws share their state, against the same
// instances interleaved, unsorted, each with a material and colour of its own
// so that every draw changes its material states, blend mode and colours. An
// OpenGL frame ends with a read-back of one pixel, which waits for the frame's
// drawing, and its CPU time is the whole process's (the driver's threads
// included). Counters: draw calls and device states taken per frame.
#include <benchmark/benchmark.h>

#include <SDL2/SDL.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "render/view/scene_view.h"

namespace {

using namespace hm;
namespace gpu = platform::gpu;

constexpr int kinds = 20;
constexpr int instances = 2000;
constexpr std::uint32_t width = 640;
constexpr std::uint32_t height = 480;

// The name of the OpenGL renderer of the current context ("" when unknown).
std::string gl_renderer_name() {
  using get_string = const unsigned char* (*)(unsigned);
  const auto f = reinterpret_cast<get_string>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = f ? f(0x1F01) : nullptr;  // GL_RENDERER
  return name ? reinterpret_cast<const char*>(name) : "";
}

struct bench_scene {
  gpu::null_system null_system;
  std::unique_ptr<platform::window> window;
  std::unique_ptr<gpu::gpu_system> gl_system;
  std::unique_ptr<gpu::device> device;
  std::unique_ptr<gpu::effect> effect;
  std::unique_ptr<gpu::texture> white_device;
  texture white;
  mesh_light sun;
  std::vector<std::unique_ptr<shader>> shaders;
  std::vector<std::unique_ptr<technique_record>> techniques;
  std::vector<std::unique_ptr<material>> materials;
  std::vector<std::unique_ptr<mesh>> sources;
  std::vector<std::unique_ptr<mesh>> copies;
  game_options options;
  scene_view view;
  render_view scene;
  std::string error;  // why the scene could not be made

  bench_scene(bool opengl, bool forced) {
    gpu::present_parameters p;
    p.back_buffer_width = width;
    p.back_buffer_height = height;
    p.back_buffer_format = gpu::format::x8r8g8b8;
    p.enable_auto_depth_stencil = true;
    p.auto_depth_stencil_format = gpu::format::d24s8;
    if (opengl) {
      setenv("SDL_VIDEODRIVER", "offscreen", 1);
      window = platform::make_sdl_window();
      if (!platform::init_video() ||
          !window->create({"scene view bench", static_cast<int>(width), static_cast<int>(height), false})) {
        error = "no offscreen window";
        return;
      }
      gl_system = gpu::make_gl_system();
      p.device_window = window.get();
      p.interval = gpu::present_interval::immediate;
      if (gl_system->create_device(0, gpu::device_type::hal, window.get(), gpu::vertex_processing::hardware, p,
                                   device) != gpu::result::ok) {
        error = "no OpenGL 3.3 context";
        return;
      }
    } else {
      null_system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device);
    }
    std::ifstream in(std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx");
    std::stringstream text;
    text << in.rdbuf();
    std::string errors;
    if (device->create_effect(text.str(), effect, errors) != gpu::result::ok) {
      error = "the effect: " + errors;
      return;
    }
    // Every material draws a white texture of one pixel.
    if (device->create_texture(1, 1, 1, gpu::usage_none, gpu::format::a8r8g8b8, white_device) != gpu::result::ok) {
      error = "no texture";
      return;
    }
    const std::uint32_t texel = 0xFFFFFFFFu;
    white_device->update_level(0, &texel, 4);
    white.frames.push_back(white_device.get());
    white.loaded = true;
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
        materials.back()->textures[0] = &white;
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
    scene.viewport = {0, 0, width, height, 0.0f, 1.0f};
    scene.flags = view_flag_clear_colour | view_flag_clear_depth | (forced ? view_flag_no_sort : 0u);
    scene.clear_colour = 0xFF302010u;
    scene.scene_colour = {0.3f, 0.3f, 0.3f, 1.0f};
    sun.type = mesh_light::directional;
    sun.diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    sun.direction = vec3(0.3f, 0.2f, -1.0f);
    scene.lights = {&sun};
    // Looking straight down from 80 above the middle of the instances, which
    // then fill most of the view.
    camera& c = scene.camera;
    c.frame.origin = vec3(35.0f, 20.0f, 80.0f);
    c.frame.rot.s = vec3(1, 0, 0);
    c.frame.rot.f = vec3(0, 1, 0);
    c.frame.rot.u = vec3(0, 0, 1);
    c.view_left = -0.5f;
    c.view_right = 0.5f;
    c.view_bottom = -0.375f;
    c.view_top = 0.375f;
    c.near = 1.0f;
    c.far = 200.0f;
  }
  ~bench_scene() {
    copies.clear();
    view.set_device(nullptr);
    white.frames.clear();
    white.loaded = false;
  }

  // Returns the render, sampler and stage states the frame sent to the device.
  std::uint64_t frame() {
    null_system.control()->state_changes.clear();
    const std::uint64_t before = device->state_sets();
    for (auto& m : copies) scene.add_mesh(*m);
    view.queue_object(scene);
    ++view.frame_counter;
    view.render();
    const std::uint64_t states = device->state_sets() - before;
    // One pixel read back: the frame's drawing is done before this returns.
    if (gl_system) device->read_back_buffer(0, 0, 1, 1, pixel);
    return states;
  }
  std::vector<std::uint32_t> pixel;
};

void run(benchmark::State& state, bool opengl, bool forced) {
  bench_scene s(opengl, forced);
  if (!s.error.empty()) {
    state.SkipWithError(s.error.c_str());
    return;
  }
  if (opengl) state.SetLabel(gl_renderer_name());
  s.frame();  // the static buffers are written once
  std::uint64_t states = 0;
  for (auto _ : state) states = s.frame();
  state.counters["draw_calls"] = s.view.draw_calls;
  state.counters["device_states"] = static_cast<double>(states);
  state.counters["meshes"] = instances;
}

void BM_SceneViewCached(benchmark::State& state) { run(state, false, false); }
void BM_SceneViewStateChangesEveryDraw(benchmark::State& state) { run(state, false, true); }
void BM_SceneViewGlCached(benchmark::State& state) { run(state, true, false); }
void BM_SceneViewGlStateChangesEveryDraw(benchmark::State& state) { run(state, true, true); }

BENCHMARK(BM_SceneViewCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneViewStateChangesEveryDraw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneViewGlCached)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
BENCHMARK(BM_SceneViewGlStateChangesEveryDraw)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

}  // namespace
