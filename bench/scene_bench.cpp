// A scene per frame on one core: N moving entities (500 to 8,000; 2,000 is the
// reference) and 20,000 static body parts in a 1 km scene. Each frame moves
// every entity, steps the scene (which re-enters the movers in the grid),
// queries each entity's neighbourhood box for entities and body parts, and
// submits the visible set into a view.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/collision/sphere.h"
#include "engine/core/random.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "render/entity/render_view.h"
#include "render/scene/scene_world.h"
#include "render/entity/strategic_entity.h"

namespace {

std::unique_ptr<hm::mesh> box_mesh(hm::material& mat) {
  auto m = std::make_unique<hm::mesh>();
  m->add_point(hm::vec3(-0.5f, -0.5f, 0));
  m->add_point(hm::vec3(0.5f, -0.5f, 0));
  m->add_point(hm::vec3(0, 0.5f, 2));
  for (int i = 0; i < 3; ++i) m->add_vertex(i, 0, 0, 0xFFFFFFFFu, hm::vec3(0, 0, 1));
  m->add_face(0, 1, 2);
  m->compute_bounding_box();
  m->set_material(&mat);
  return m;
}

void BM_scene_frame(benchmark::State& state) {
  const int movers = static_cast<int>(state.range(0));
  hm::random_seed(5);
  hm::material mat;
  auto prototype = box_mesh(mat);
  {
    const hm::vec3 lo(-500, -500, 0), hi(500, 500, 0);
    hm::scene_world scene(lo, hi, hm::grid_shift_for_span(1000.0f), hm::grid_shift_for_span(1000.0f), 2);
    for (int i = 0; i < 20000; ++i) {
      const hm::vec3 c(hm::random_unit_float() * 1000.0f - 500.0f, hm::random_unit_float() * 1000.0f - 500.0f, 0.5f);
      scene.add_body(std::make_unique<hm::sphere>(c, 0.5f + hm::random_unit_float()));
    }
    std::vector<hm::strategic_entity*> entities;
    std::vector<float> phase;
    for (int i = 0; i < movers; ++i) {
      auto* e = static_cast<hm::strategic_entity*>(scene.create_entity(hm::strategic_entity_type));
      e->body = std::make_unique<hm::sphere>(hm::vec3(0, 0, 1), 0.5f);
      e->add_mesh(prototype->create_copy());
      e->compute_local_bounds();
      e->frame.origin = hm::vec3(hm::random_unit_float() * 900.0f - 450.0f, hm::random_unit_float() * 900.0f - 450.0f, 0);
      entities.push_back(e);
      phase.push_back(hm::random_angle());
    }
    hm::render_view view;
    view.camera.set_perspective(1.3f, 0.75f, 0.5f, 300.0f);
    view.camera.frame.rot = hm::rotation{hm::vec3(1, 0, 0), hm::vec3(0, 0, 1), hm::vec3(0, -1, 0)};
    view.camera.frame.origin = hm::vec3(0, -200, 5);
    scene.update_entities(0.0f);
    std::vector<hm::entity*> near;
    std::vector<hm::body_part*> parts;
    std::int64_t found = 0;
    float t = 0.0f;
    for (auto _ : state) {
      t += 1.0f / 60.0f;
      for (std::size_t i = 0; i < entities.size(); ++i) {
        hm::frame f = entities[i]->frame;
        f.origin += hm::vec3(std::cos(phase[i] + t), std::sin(phase[i] + t), 0) * 0.1f;
        entities[i]->move_to(f);
      }
      scene.update_entities(1.0f / 60.0f);
      for (hm::strategic_entity* e : entities) {
        const hm::vec3 p = e->frame.origin;
        near.clear();
        parts.clear();
        scene.collect_entities_in_box(p - hm::vec3(5, 5, 5), p + hm::vec3(5, 5, 5), near);
        scene.collect_body_parts_in_box(p - hm::vec3(5, 5, 5), p + hm::vec3(5, 5, 5), 0, parts);
        found += static_cast<std::int64_t>(near.size() + parts.size());
      }
      view.render_list.clear();
      view.queued = 0;
      scene.submit_visible_entities(view, 0, 1);
      benchmark::DoNotOptimize(view.render_list.data());
    }
    state.counters["visible"] = static_cast<double>(view.render_list.size());
    state.counters["found_per_query"] =
        static_cast<double>(found) / static_cast<double>(state.iterations() * static_cast<std::int64_t>(movers));
  }
}
BENCHMARK(BM_scene_frame)->Arg(500)->Arg(1000)->Arg(2000)->Arg(4000)->Arg(8000)->Unit(benchmark::kMillisecond);

}  // namespace
