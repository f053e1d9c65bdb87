// Entity throughput on one core: posing 1,000 characters of the sample
// module's 15-bone "skel_human" with two blended channels and building each
// one's skinning palette, per frame; and frustum culling of 10,000 entities
// spread over a 1 km square.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "render/entity/camera.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace {

struct character {
  std::unique_ptr<hm::skeleton_instance> pose;
  std::unique_ptr<hm::mesh> body;
};

void BM_pose_and_palette_1000_characters(benchmark::State& state) {
  hm::bench::load_sample_skeletons();
  hm::reset_clocks();
  const hm::skeleton* skel = hm::g_resource_manager.get_skeleton(hm::ruv_string("skel_human"));
  const hm::skeleton_anim* anim = hm::g_resource_manager.get_skeleton_anim(hm::ruv_string("anim_human"));
  std::vector<character> crowd(1000);
  hm::random_seed(7);
  for (character& c : crowd) {
    c.pose = std::make_unique<hm::skeleton_instance>(hm::clock_real_time);
    c.pose->set_skeleton(*skel);
    c.pose->add_channels(2);
    // Channel 0 walks the whole body; channel 1 swings the upper body at half
    // weight, so every upper bone blends.
    hm::anim_channel& walk = c.pose->channels[0];
    walk.animation = anim;
    walk.frame_range[0] = 100;
    walk.frame_range[1] = 130;
    walk.duration = 1.0f;
    walk.weight = walk.target_weight = 1.0f;
    walk.source_weight[0] = 0.7f;
    walk.source_weight[1] = 0.3f;
    walk.source_frame_offset = 5;
    walk.start_tick = -static_cast<std::int64_t>(hm::random_next());
    hm::anim_channel& swing = c.pose->channels[1];
    swing.animation = anim;
    swing.frame_range[0] = 0;
    swing.frame_range[1] = 210;
    swing.duration = 2.0f;
    swing.weight = swing.target_weight = 0.5f;
    swing.bone_mask = 0x7FF8;  // spine and above
    c.body = std::make_unique<hm::mesh>();
    c.body->bone_count = skel->bone_count;
  }
  for (auto _ : state) {
    hm::advance_clock(hm::clock_real_time, 1.0f / 60.0f);
    for (character& c : crowd) {
      c.pose->update(1.0f / 60.0f, hm::frame::identity());
      c.pose->build_palette(*c.body);
    }
    benchmark::DoNotOptimize(crowd[0].body->bone_palette.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(crowd.size()));
}
BENCHMARK(BM_pose_and_palette_1000_characters)->Unit(benchmark::kMicrosecond);

void BM_frustum_cull_10000_entities(benchmark::State& state) {
  hm::random_seed(11);
  std::vector<std::unique_ptr<hm::entity>> entities;
  for (int i = 0; i < 10000; ++i) {
    auto e = std::make_unique<hm::mesh_entity>();
    e->frame.origin = hm::vec3(hm::random_unit_float() * 1000.0f - 500.0f, hm::random_unit_float() * 1000.0f - 500.0f,
                               hm::random_unit_float() * 10.0f);
    e->bounding_centre = hm::vec3(0, 0, 1);
    e->bounding_radius = 0.5f + hm::random_unit_float() * 3.0f;
    entities.push_back(std::move(e));
  }
  hm::camera cam;
  cam.set_perspective(1.2f, 0.75f, 0.5f, 400.0f);
  cam.frame.rot = hm::rotation{hm::vec3(1, 0, 0), hm::vec3(0, 0, 1), hm::vec3(0, -1, 0)};  // looking along +y
  cam.frame.origin = hm::vec3(0, -300, 2);
  cam.update_frustum_planes();
  std::int64_t visible = 0;
  for (auto _ : state) {
    int count = 0;
    for (const auto& e : entities) {
      if (cam.sphere_visible(e->world_bounding_centre(), e->get_bounding_radius())) ++count;
    }
    visible = count;
    benchmark::DoNotOptimize(count);
  }
  state.counters["visible"] = static_cast<double>(visible);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(entities.size()));
}
BENCHMARK(BM_frustum_cull_10000_entities)->Unit(benchmark::kMicrosecond);

}  // namespace
