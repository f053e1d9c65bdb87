// Mesh and particle throughput: reading a large binary resource file of meshes
// (100 meshes of 5,000 vertices each, the tangent pass and bounds included) and
// one update of 10,000 live particles, with and without turbulence.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/particle_system.h"
#include "engine/core/random.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"

namespace {

using hm::vec3;

constexpr int mesh_count = 100;
constexpr int vertices_per_mesh = 5000;

void add_default_material(hm::resource_manager& m) {
  auto mat = std::make_unique<hm::material>();
  mat->name = "default";
  m.adopt_resource(std::move(mat));
}


const std::string& large_file() {
  static const std::string bytes = [] {
    hm::resource_manager m;
    add_default_material(m);
    m.begin_resource_file();
    for (int i = 0; i < mesh_count; ++i) m.adopt_resource(hm::bench::strip_mesh(i, vertices_per_mesh));
    hm::binary_writer w;
    m.write_resource_file(w);
    return std::string(w.contents());
  }();
  return bytes;
}

void BM_read_mesh_file(benchmark::State& state) {
  const std::string& bytes = large_file();
  for (auto _ : state) {
    hm::resource_manager m;
    add_default_material(m);
    hm::binary_reader r;
    r.open_memory("large.brf", bytes.data(), bytes.size());
    m.read_resource_file(r);
    benchmark::DoNotOptimize(m.meshes.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
  state.counters["meshes/s"] =
      benchmark::Counter(static_cast<double>(mesh_count), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_read_mesh_file)->Unit(benchmark::kMillisecond);

void BM_update_particles(benchmark::State& state) {
  hm::random_seed(5);
  hm::particle_system_instance ps;
  ps.life = 1e9f;  // nobody dies during the run
  ps.gravity_strength = 1.0f;
  ps.damping = 0.2f;
  ps.rotation_damping = 0.1f;
  ps.turbulence_size = 3.0f;
  ps.turbulence_strength = state.range(0) ? 2.0f : 0.0f;
  ps.emit_box = vec3(5, 5, 1);
  ps.emit_velocity = vec3(0, 0, 2);
  ps.particles.resize(10000);
  for (hm::particle& p : ps.particles) ps.spawn_particle(p);
  for (auto _ : state) {
    ps.update(0.016f, hm::frame::identity());
    benchmark::DoNotOptimize(ps.radius);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 10000);
}
BENCHMARK(BM_update_particles)->Arg(0)->Arg(1)->ArgName("turbulence")->Unit(benchmark::kMicrosecond);

}  // namespace
