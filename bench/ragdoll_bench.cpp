// The physics step of a battle's dead: 50, 100 and 200 ragdolls, each in its
// own world with its own local ground, falling and settling. One benchmark
// iteration is one mission frame of 1/60 s through step_physics on this
// thread. Every 120 frames (two seconds, by when most have come to rest) the
// ragdolls are made again, so the figure is the mean over a fall and the
// settling after it (the frames in which a world's bodies all sleep cost
// next to nothing).
#include <benchmark/benchmark.h>

#include <vector>

#include "mission/physics/physics_worlds.h"
#include "mission/physics/ragdoll.h"

namespace {

using namespace hm;

// A flat ground of 1 m squares, 10 m across, as the scene's faces around a
// body would give it.
std::vector<physics::vector3> ground_around(float x, float y) {
  std::vector<physics::vector3> points;
  for (int i = -5; i < 5; ++i)
    for (int j = -5; j < 5; ++j) {
      const float x0 = x + static_cast<float>(i), y0 = y + static_cast<float>(j);
      const physics::vector3 a{x0, y0, 0}, b{x0 + 1, y0, 0}, c{x0 + 1, y0 + 1, 0}, d{x0, y0 + 1, 0};
      points.insert(points.end(), {a, b, c, a, c, d});
    }
  return points;
}

// Eleven bones: hips, spine, head, two arms and two legs of two bones each.
void add_body(physics_world_record& record, float x, float y, int seed) {
  struct bone {
    int parent;
    vec3 at;
    vec3 along;
    float length;
    float radius;
    float mass;
  };
  const bone bones[] = {
      {-1, vec3(0, 0, 1.0f), vec3(0, 0, 1), 0.2f, 0.15f, 10},  // hips
      {0, vec3(0, 0, 1.2f), vec3(0, 0, 1), 0.3f, 0.15f, 12},   // spine
      {1, vec3(0, 0, 1.55f), vec3(0, 0, 1), 0.15f, 0.11f, 4},  // head
      {1, vec3(0.2f, 0, 1.45f), vec3(1, 0, 0), 0.25f, 0.05f, 2},
      {3, vec3(0.5f, 0, 1.45f), vec3(1, 0, 0), 0.25f, 0.045f, 1.5f},
      {1, vec3(-0.2f, 0, 1.45f), vec3(-1, 0, 0), 0.25f, 0.05f, 2},
      {5, vec3(-0.5f, 0, 1.45f), vec3(-1, 0, 0), 0.25f, 0.045f, 1.5f},
      {0, vec3(0.1f, 0, 0.95f), vec3(0, 0, -1), 0.4f, 0.07f, 6},
      {7, vec3(0.1f, 0, 0.5f), vec3(0, 0, -1), 0.4f, 0.06f, 4},
      {0, vec3(-0.1f, 0, 0.95f), vec3(0, 0, -1), 0.4f, 0.07f, 6},
      {9, vec3(-0.1f, 0, 0.5f), vec3(0, 0, -1), 0.4f, 0.06f, 4},
  };
  std::vector<physics::body_id> ids;
  for (const bone& b : bones) {
    frame f = frame::identity();
    f.rot.f = b.along;
    f.rot.s = get_normalized(cross_product(b.along, std::abs(b.along.z) > 0.5f ? vec3(0, 1, 0) : vec3(0, 0, 1)));
    f.rot.u = cross_product(f.rot.s, f.rot.f);
    f.origin = b.at + vec3(x, y, 0.3f);
    const std::vector<physics::capsule> capsules{
        physics::capsule{{0, b.radius, 0}, {0, b.length - b.radius, 0}, b.radius}};
    ids.push_back(add_ragdoll_bone(record, b.parent < 0 ? physics::no_body : ids[static_cast<std::size_t>(b.parent)],
                                   b.mass, f, capsules, -0.01f, 0.8f, 0.5f));
  }
  // Each falls its own way: a push and a turn of the hips.
  const float k = static_cast<float>(seed % 7) - 3.0f;
  record.world->set_velocity(ids[0], physics::vector3{k, 2.0f - 0.5f * k, 0});
  record.world->set_omega(ids[1], physics::vector3{0.5f * k, 1.0f, 0});
  record.world->set_ground(ground_around(x, y));
}

void make_ragdolls(physics_world_list& list, int count) {
  clear_physics_worlds(list);
  for (int i = 0; i < count; ++i) {
    const int index = list.create_physics_world();
    add_body(*list.record(index), static_cast<float>(i % 20) * 3.0f, static_cast<float>(i / 20) * 3.0f, i);
  }
}

void ragdolls_settling(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  physics_world_list list;
  make_ragdolls(list, count);
  int frame = 0;
  for (auto _ : state) {
    if (frame == 120) {
      state.PauseTiming();
      make_ragdolls(list, count);
      frame = 0;
      state.ResumeTiming();
    }
    step_physics(list, 1.0f / 60.0f);
    ++frame;
  }
  state.counters["per_ragdoll"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * count,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Two whole falls for every count, so that each figure covers the same frames;
// the time is the thread's own, which a busy machine disturbs least.
BENCHMARK(ragdolls_settling)->Arg(50)->Arg(100)->Arg(200)->Iterations(240)->Repetitions(3)->Unit(benchmark::kMillisecond);

}  // namespace
