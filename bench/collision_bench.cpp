// Narrow-phase throughput: an agent's capsule against ground geometry (a
// manifold turned into faces, as the collision grid hands it over) and capsule
// against capsule (agents against agents). Items are collide_bodies calls; the
// "pairs" counter counts simple part pairs tested.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/manifold.h"
#include "engine/core/math.h"
#include "engine/core/random.h"

namespace {

using hm::vec3;

float draw(float low, float high) { return low + (high - low) * hm::random_unit_float(); }

float ground_height(float x, float y) { return 0.3f * std::sin(x * 0.7f) * std::cos(y * 0.5f); }

// A rolling ground of side x side quads one metre wide, each split into two
// triangles, cloned into placed faces.
std::unique_ptr<hm::body_part> ground_faces(int side) {
  hm::manifold ground;
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      const float fx = static_cast<float>(x);
      const float fy = static_cast<float>(y);
      ground.add_vertex({fx, fy, ground_height(fx, fy)});
    }
  }
  const int row = side + 1;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int i = y * row + x;
      ground.add_polygon({i, i + 1, i + row + 1});
      ground.add_polygon({i, i + row + 1, i + row});
    }
  }
  ground.transform_to_frame(hm::frame::identity());
  return ground.clone();
}

// Upright capsules (an agent's size) over the ground, some resting in it, some
// just above it.
std::vector<hm::capsule> agent_capsules(int count, float extent) {
  hm::random_seed(77);
  std::vector<hm::capsule> capsules;
  capsules.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const float x = draw(0.5f, extent - 0.5f);
    const float y = draw(0.5f, extent - 0.5f);
    const float bottom = ground_height(x, y) + draw(0.1f, 0.6f);
    capsules.emplace_back(vec3(x, y, bottom), vec3(x + draw(-0.2f, 0.2f), y, bottom + 1.4f), 0.35f);
  }
  return capsules;
}

// Capsule against every face of a ground of side x side quads.
void BM_capsule_against_manifold(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const auto ground = ground_faces(side);
  const auto capsules = agent_capsules(256, static_cast<float>(side));
  const int faces = static_cast<const hm::composite_body&>(*ground).part_count();
  hm::body_contact contacts[16];
  std::size_t next = 0;
  long long touching = 0;
  for (auto _ : state) {
    const int found = hm::collide_bodies(capsules[next], *ground, 16, contacts);
    touching += found;
    benchmark::DoNotOptimize(contacts);
    next = (next + 1) % capsules.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["pairs"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * faces, benchmark::Counter::kIsRate);
  state.counters["contacts_per_test"] = static_cast<double>(touching) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_capsule_against_manifold)->Arg(2)->Arg(8)->Arg(32);

// Capsule against capsule over a mix of touching, crossing, parallel and
// separated pairs.
void BM_capsule_against_capsule(benchmark::State& state) {
  hm::random_seed(99);
  std::vector<hm::capsule> a;
  std::vector<hm::capsule> b;
  for (int i = 0; i < 1024; ++i) {
    const vec3 p(draw(-1, 1), draw(-1, 1), draw(0, 1));
    const vec3 q(draw(-1, 1), draw(-1, 1), draw(1, 2));
    a.emplace_back(p, q, draw(0.2f, 0.5f));
    if (i % 8 == 0) {
      // Parallel partner: the segments' parallel branch.
      const vec3 shift(draw(-1, 1), draw(-1, 1), draw(-1, 1));
      b.emplace_back(p + shift, q + shift, draw(0.2f, 0.5f));
    } else {
      b.emplace_back(vec3(draw(-1, 1), draw(-1, 1), draw(0, 1)), vec3(draw(-1, 1), draw(-1, 1), draw(1, 2)),
                     draw(0.2f, 0.5f));
    }
  }
  hm::body_contact contact;
  std::size_t next = 0;
  long long touching = 0;
  for (auto _ : state) {
    touching += hm::collide_bodies(a[next], b[next], 1, &contact);
    benchmark::DoNotOptimize(contact);
    next = (next + 1) & 1023;
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["touching_share"] = static_cast<double>(touching) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_capsule_against_capsule);

// The touch test (maximum 0) of a capsule against the ground: stops at the
// first touching face.
void BM_capsule_touches_manifold(benchmark::State& state) {
  const auto ground = ground_faces(8);
  const auto capsules = agent_capsules(256, 8.0f);
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(hm::collide_bodies(capsules[next], *ground, 0, nullptr));
    next = (next + 1) % capsules.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_capsule_touches_manifold);

}  // namespace
