#include "render/scene/scene_world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

#include "engine/collision/face.h"
#include "engine/collision/sphere.h"
#include "engine/resource/particle_system.h"
#include "engine/support/resource_test_helpers.h"
#include "render/entity/dynamic_entity.h"
#include "render/entity/entity.h"
#include "render/entity/strategic_entity.h"
#include "render/support/scene_fixtures.h"
#include "render/terrain/ai_mesh.h"

namespace hm {
namespace {

// Every link of every cell, counted; each must name a live entity of the scene.
int count_links(const scene_world& scene) {
  int links = 0;
  for (const scene_cell& c : scene.cells) {
    for (const scene_cell_link* l = c.entity_links; l; l = l->next_in_cell) {
      EXPECT_EQ(l->cell, &c);
      EXPECT_NE(scene.find_entity(l->owner->id), nullptr);
      ++links;
    }
  }
  return links;
}

TEST(scene_world_test, cell_rule_on_boundaries_and_edges) {
  // Eight cells on x over 0..60: six inner cells of 10.
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 0, 0);
  EXPECT_EQ(scene.cells_x, 8);
  EXPECT_EQ(scene.cells_y, 1);
  EXPECT_FLOAT_EQ(scene.cell_size[0], 10.0f);
  const struct {
    float p;
    int cell;
  } xs[] = {{-1e9f, 0}, {-0.001f, 0}, {0.0f, 1},  {0.001f, 1}, {9.999f, 1}, {10.0f, 2},
            {59.99f, 6}, {60.0f, 7},  {1e9f, 7},  {std::numeric_limits<float>::quiet_NaN(), 0}};
  for (const auto& k : xs) EXPECT_EQ(scene.cell_of(k.p, 0), k.cell) << k.p;
  // One cell on y: everything in cell 0.
  EXPECT_EQ(scene.cell_of(-1e9f, 1), 0);
  EXPECT_EQ(scene.cell_of(1e9f, 1), 0);

  scene_world halves(vec3(-10, 0, 0), vec3(30, 0, 0), 1, 1, 0);
  EXPECT_EQ(halves.cell_of(9.99f, 0), 0);
  EXPECT_EQ(halves.cell_of(10.0f, 0), 1);
}

TEST(scene_world_test, grid_size_from_data_is_bounded) {
  scene_world huge(vec3(0, 0, 0), vec3(1e30f, 1e30f, 0), 40, 64, 0);
  EXPECT_EQ(huge.grid_shift_x, scene_world::max_grid_shift);
  EXPECT_EQ(huge.cells.size(), 1024u * 1024u);
  const float inf = std::numeric_limits<float>::infinity();
  scene_world broken(vec3(-inf, 0, 0), vec3(std::nanf(""), 5, 0), 5, 5, 0);
  EXPECT_EQ(broken.cells.size(), 1u);
  EXPECT_EQ(broken.cell_of(123.0f, 0), 0);
  EXPECT_EQ(grid_shift_for_span(6.0f), 1);
  EXPECT_EQ(grid_shift_for_span(2000.0f), 9);
  EXPECT_EQ(grid_shift_for_span(0.0f), 0);
  EXPECT_EQ(grid_shift_for_span(-5.0f), 0);
}

TEST(scene_world_test, ids_pending_and_active) {
  scene_world scene;
  entity* a = scene.create_entity(mesh_entity_type);
  entity* b = scene.create_entity(strategic_entity_type);
  EXPECT_EQ(a->id, 1);
  EXPECT_EQ(b->id, 2);
  EXPECT_EQ(a->owner, &scene);
  EXPECT_EQ(scene.pending_entities.size(), 2u);
  scene.update_entities(0.1f);
  EXPECT_EQ(scene.active_entities.size(), 2u);
  EXPECT_TRUE(scene.pending_entities.empty());
  EXPECT_EQ(scene.adopt_entity(nullptr), nullptr);
  scene.delete_entities();
  EXPECT_EQ(scene.create_entity(entity_type)->id, 1);
}

// An entity whose step creates another: the new one waits for the next step.
class spawning_entity : public entity {
 public:
  void advance(float time) override {
    entity::advance(time);
    ++steps;
    if (steps == 1) child = owner->create_entity(mesh_entity_type);
  }
  int steps = 0;
  entity* child = nullptr;
};

TEST(scene_world_test, an_entity_created_during_a_step_waits_for_the_next) {
  scene_world scene;
  auto* spawner = static_cast<spawning_entity*>(scene.adopt_entity(std::make_unique<spawning_entity>()));
  scene.update_entities(0.1f);
  EXPECT_EQ(spawner->steps, 1);
  ASSERT_NE(spawner->child, nullptr);
  EXPECT_EQ(scene.pending_entities.size(), 1u);
  scene.update_entities(0.1f);
  EXPECT_EQ(scene.active_entities.size(), 2u);
}

TEST(scene_world_test, an_entity_moved_across_many_cells_then_deleted_leaves_no_link) {
  scene_world scene(vec3(0, 0, 0), vec3(100, 100, 0), 4, 4, 0);
  auto* walker = static_cast<strategic_entity*>(scene.create_entity(strategic_entity_type));
  walker->body = std::make_unique<sphere>(vec3(0, 0, 0), 4.0f);
  auto* other = static_cast<strategic_entity*>(scene.create_entity(strategic_entity_type));
  other->frame.origin = vec3(50, 50, 0);
  for (int step = 0; step < 20; ++step) {
    frame f = frame::identity();
    f.origin = vec3(step * 6.0f, step * 5.0f, 0);
    walker->move_to(f);
    scene.update_entities(0.05f);
    // The 8-unit box covers at most three cells of 7.1 per axis.
    int links = 0;
    for (const scene_cell_link* l = walker->cell_links; l; l = l->next_of_entity) ++links;
    EXPECT_GE(links, 1);
    EXPECT_LE(links, 9);
    EXPECT_EQ(count_links(scene), links + 1);
  }
  std::vector<entity*> found;
  scene.collect_entities_in_box(vec3(49, 49, -1), vec3(51, 51, 1), found);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], other);
  EXPECT_TRUE(scene.remove_entity(walker->id));
  EXPECT_EQ(count_links(scene), 1);
  scene.delete_entities();
  EXPECT_EQ(count_links(scene), 0);
  for (const scene_cell& c : scene.cells) EXPECT_EQ(c.entity_links, nullptr);
}

TEST(scene_world_test, removing_a_pending_entity_and_unknown_ids) {
  scene_world scene;
  entity* e = scene.create_entity(strategic_entity_type);
  EXPECT_TRUE(scene.remove_entity(e->id));
  EXPECT_TRUE(scene.pending_entities.empty());
  EXPECT_EQ(test::fatal_message([&] { scene.remove_entity(99); }), "unable to remove entity 99 \n");
  EXPECT_EQ(test::fatal_message([&] { scene.create_entity(3); }), "Unable to create entity of type id 3.");
  // A removal queued for the end of the step.
  entity* f = scene.create_entity(mesh_entity_type);
  scene.removed_entities = {f->id};
  scene.update_entities(0.0f);
  EXPECT_EQ(scene.find_entity(f->id), nullptr);
}

TEST(scene_world_test, submission_slices_by_id_and_culls_by_sphere) {
  test::register_entity_resources();
  scene_world scene;
  std::map<const mesh*, int> owner_of;
  for (int i = 1; i <= 12; ++i) {
    entity* e = scene.create_entity(mesh_entity_type);
    e->add_mesh(g_resource_manager.get_mesh(ruv_string("ent_box"))->create_copy());
    e->compute_local_bounds();
    e->frame.origin = vec3(0, 0, i == 12 ? 50.0f : -20.0f);  // 12 stands behind the camera
    owner_of[e->meshes[0].get()] = e->id;
  }
  scene.ambient_colour = color{0.2f, 0.3f, 0.4f, 1.0f};
  const struct {
    int slice;
    std::vector<int> ids;
  } cases[] = {{0, {4, 8}}, {1, {1, 5, 9}}, {3, {3, 7, 11}}};
  for (const auto& k : cases) {
    render_view view;
    scene.submit_visible_entities(view, k.slice, 4);
    std::vector<int> ids;
    for (const render_list_entry& r : view.render_list) ids.push_back(owner_of[r.m]);
    EXPECT_EQ(ids, k.ids) << k.slice;
    EXPECT_EQ(view.scene, &scene);
    EXPECT_EQ(view.scene_colour.g, 0.3f);
    EXPECT_EQ(view.queued, 1);
  }
}

std::unique_ptr<face> floor_quad(float x0, float y0, float x1, float y1) {
  return std::make_unique<face>(std::initializer_list<vec3>{vec3(x0, y0, 0), vec3(x1, y0, 0), vec3(x1, y1, 0), vec3(x0, y1, 0)});
}

TEST(scene_world_test, bodies_enter_move_and_are_found_in_boxes_and_along_segments) {
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 3, 0);
  body_part* ball = scene.add_body(std::make_unique<sphere>(vec3(15, 15, 1), 1.0f));
  EXPECT_EQ(ball->cell_min_x, 2);
  EXPECT_EQ(ball->cell_max_x, 2);
  // A face becomes a ground polygon and is listed in every cell it covers.
  body_part* floor = scene.add_body(floor_quad(5, 5, 35, 6));
  EXPECT_EQ(floor->tag, 0);
  ASSERT_NE(scene.ground_manifold, nullptr);
  EXPECT_EQ(scene.ground_manifold->vertices.size(), 4u);
  EXPECT_EQ(scene.ground_manifold->faces[0].vertices[3], 3);
  EXPECT_FLOAT_EQ(scene.ground_manifold->faces[0].normal.z, 1.0f);
  for (int x = 1; x <= 4; ++x) EXPECT_EQ(scene.cell_at(x, 1).bodies.size(), 1u) << x;
  // Order of entry in a shared cell.
  body_part* second = scene.add_body(std::make_unique<sphere>(vec3(16, 16, 1), 1.0f));
  const auto& shared = scene.cell_at(2, 2).bodies;
  ASSERT_EQ(shared.size(), 2u);
  EXPECT_EQ(shared[0], ball);
  EXPECT_EQ(shared[1], second);

  std::vector<body_part*> found;
  scene.collect_body_parts_in_box(vec3(14, 14, 0), vec3(15, 15, 1), 0, found);
  EXPECT_EQ(found.size(), 2u);
  found.clear();
  second->flags = 0x100;
  scene.collect_body_parts_in_box(vec3(14, 14, 0), vec3(20, 20, 1), 0x100, found);
  EXPECT_EQ(found, std::vector<body_part*>{ball});

  // Moving within the same cell changes no cell; moving away does.
  static_cast<sphere*>(ball)->transform_to_frame(frame{rotation::identity(), vec3(2, 2, 0)});
  scene.move_body(*ball);
  EXPECT_EQ(ball->cell_min_x, 2);
  static_cast<sphere*>(ball)->transform_to_frame(frame{rotation::identity(), vec3(30, 30, 0)});
  scene.move_body(*ball);
  EXPECT_EQ(ball->cell_min_x, 5);
  EXPECT_EQ(scene.cell_at(2, 2).bodies.size(), 1u);
  EXPECT_EQ(scene.cell_at(5, 5).bodies.size(), 1u);

  // A segment through several cells: the floor strip, then the moved ball.
  found.clear();
  scene.collect_body_parts_along_segment(vec3(0, 5.5f, 0.5f), vec3(50, 55.5f, 0.5f), 0, found);
  EXPECT_EQ(found, std::vector<body_part*>{});
  scene.collect_body_parts_along_segment(vec3(0, 5.5f, 0), vec3(50, 5.5f, 0), 0, found);
  EXPECT_EQ(found, std::vector<body_part*>{floor});
  found.clear();
  scene.collect_body_parts_along_segment(vec3(0, 0, 1), vec3(60, 60, 1), 0x100, found);
  EXPECT_EQ(found, std::vector<body_part*>{ball});
}

// Whoever walks a cell's parts acts on them in turn (an agent slides along
// walls one after another), so the order must be the same on every run: the
// order the parts entered, not the order of the addresses the heap gave them.
// The part entered first here has the higher address; a copy of it is a new
// part entered last; a part over several cells is found once, where first met.
TEST(scene_world_test, parts_are_listed_and_found_in_the_order_they_entered_whatever_their_addresses) {
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 3, 0);
  auto a = std::make_unique<sphere>(vec3(15, 15, 1), 1.0f);
  auto b = std::make_unique<sphere>(vec3(15.5f, 15, 1), 1.0f);
  if (a.get() < b.get()) std::swap(a, b);
  body_part* first = scene.add_body(std::move(a));
  body_part* then = scene.add_body(std::move(b));
  ASSERT_GT(first, then);
  body_part* copy = scene.add_body(first->clone());
  // Over the border of cells (2, 2) and (3, 2), entered last.
  body_part* wide = scene.add_body(std::make_unique<sphere>(vec3(20, 15, 1), 2.0f));
  ASSERT_EQ(wide->cell_min_x, 2);
  ASSERT_EQ(wide->cell_max_x, 3);
  const std::vector<body_part*> entered{first, then, copy, wide};
  EXPECT_EQ(scene.cell_at(2, 2).bodies, entered);

  std::vector<body_part*> found;
  scene.collect_body_parts_in_box(vec3(13, 13, 0), vec3(23, 17, 2), 0, found);
  EXPECT_EQ(found, entered);
  found.clear();
  scene.collect_body_parts_along_segment(vec3(12, 15, 1), vec3(25, 15, 1), 0, found);
  EXPECT_EQ(found, entered);

  // Moving a part out and back keeps its place among the others.
  first->transform_to_frame(frame{rotation::identity(), vec3(30, 30, 0)});
  scene.move_body(*first);
  EXPECT_EQ(scene.cell_at(2, 2).bodies, (std::vector<body_part*>{then, copy, wide}));
  first->transform_to_frame(frame::identity());
  scene.move_body(*first);
  EXPECT_EQ(scene.cell_at(2, 2).bodies, entered);
}

// The segment test sees parts the segment really touches, in whatever cell it
// meets them, and not parts whose box it only crosses.
TEST(scene_world_test, segments_are_blocked_only_by_parts_they_touch) {
  scene_world scene(vec3(0, 0, 0), vec3(64, 64, 0), 5, 5, 0);  // 30 inner cells of 2.13
  scene.add_body(floor_quad(10, 10, 20, 20));
  body_part* ball = scene.add_body(std::make_unique<sphere>(vec3(50, 50, 3), 1.0f));
  // A far-off source beyond the bounds, as a low sun's, on both sides.
  struct row {
    vec3 a, b;
    bool clear;
    const char* what;
  };
  for (const row& r : {row{vec3(15, 15, 5), vec3(15, 15, -5), false, "down through the floor"},
                       row{vec3(15, 15, 5), vec3(15, 15, 0.5f), true, "down onto the floor, stopping short"},
                       row{vec3(-500, 15, 1), vec3(15, 15, 1), true, "level above the floor"},
                       row{vec3(-950, -950, 3), vec3(60, 60, 3), false, "across the grid into the ball"},
                       row{vec3(-950, -950, 5), vec3(60, 60, 5), true, "across the grid above the ball"},
                       row{vec3(48.6f, 51.4f, 3), vec3(51.4f, 48.6f, 3), false, "a short chord of the ball"},
                       row{vec3(48, 53.8f, 3), vec3(53.8f, 48, 3), true, "past the ball through a corner of its box"}}) {
    EXPECT_EQ(scene.segment_is_clear(r.a, r.b), r.clear) << r.what;
  }
  ball->flags = 0x200;
  EXPECT_TRUE(scene.segment_is_clear(vec3(-950, -950, 3), vec3(60, 60, 3), 0x200));
  // A grid of one cell takes the segment in one go.
  scene_world one;
  one.add_body(std::make_unique<sphere>(vec3(0, 0, 0), 1.0f));
  EXPECT_FALSE(one.segment_is_clear(vec3(-900, 0, 0), vec3(900, 0, 0)));
  EXPECT_TRUE(one.segment_is_clear(vec3(-900, 0, 2), vec3(900, 0, 2)));
}

TEST(scene_world_test, ground_manifold_faces_become_bodies_and_unused_vertices_point_up_the_y_axis) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  auto m = std::make_unique<ground_manifold>();
  for (vec3 p : {vec3(0, 0, 0), vec3(30, 0, 0), vec3(30, 30, 0), vec3(99, 99, 99)}) {
    manifold_vertex v;
    v.position = p;
    m->vertices.push_back(v);
  }
  manifold_face f;
  f.vertex_count = 3;
  f.vertices[0] = 0;
  f.vertices[1] = 1;
  f.vertices[2] = 2;
  f.normal = vec3(0, 0, 1);
  f.flags = 0x10;
  m->faces.push_back(f);
  scene.set_ground_manifold(std::move(m));
  const ground_manifold& g = *scene.ground_manifold;
  ASSERT_NE(g.faces[0].body, nullptr);
  EXPECT_EQ(g.faces[0].body->flags, 0x10u);
  EXPECT_EQ(g.faces[0].body->tag, 0);
  EXPECT_FLOAT_EQ(g.vertices[0].normal.z, 1.0f);
  EXPECT_FLOAT_EQ(g.vertices[3].normal.y, 1.0f);
  EXPECT_EQ(scene.bodies.size(), 1u);
}

TEST(scene_world_test, ai_faces_are_listed_in_every_cell_they_reach) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  scene.add_ai_face_to_cells(7, vec3(-5, 5, 0), vec3(25, 15, 0));
  int listed = 0;
  for (const scene_cell& c : scene.cells) listed += static_cast<int>(c.ai_faces.size());
  EXPECT_EQ(listed, 3);  // cells 0, 1 and 2 on x, cell 1 on y
  EXPECT_EQ(scene.cell_at(0, 1).ai_faces, std::vector<std::uint32_t>{7});
}

TEST(scene_world_test, particle_pool_hands_out_instances_and_keeps_live_ones_first) {
  scene_world scene(vec3(-10, -10, 0), vec3(10, 10, 0), 0, 0, 2);
  particle_system_instance* a = scene.take_particle_system_instance();
  particle_system_instance* b = scene.take_particle_system_instance();
  EXPECT_EQ(scene.particle_pool_used, 2);
  EXPECT_EQ(a->clock, 2);
  EXPECT_EQ(a->damping, 0.5f);
  b->restart(5);  // b still has particles to emit
  scene.update_entities(0.0f);
  EXPECT_EQ(scene.particle_pool_used, 1);
  EXPECT_EQ(scene.particle_pool[0].get(), b);
  // The retired instance is handed out again.
  EXPECT_EQ(scene.take_particle_system_instance(), a);
  scene.delete_entities();
  EXPECT_TRUE(scene.particle_pool.empty());
  EXPECT_EQ(scene.particle_pool_used, 0);
}

TEST(scene_world_test, mission_scene_from_a_body_or_from_the_mission_bounds) {
  test::register_entity_resources();
  scene_world_setup indoor;
  indoor.body_name = "ent_ball";
  auto scene = create_scene_world(indoor);
  EXPECT_EQ(scene->owner_tag, 2u);
  EXPECT_EQ(scene->cells.size(), 1u);  // the ball spans 3: shift 0
  EXPECT_EQ(scene->bodies.size(), 1u);
  ASSERT_NE(scene->ground_manifold, nullptr);

  scene_world_setup outdoor;
  outdoor.scene_flags = scene_flag_generated_terrain;
  outdoor.bounds_min = vec3(0, 0, 0);
  outdoor.bounds_max = vec3(298, 46, 0);
  scene = create_scene_world(outdoor);
  EXPECT_EQ(scene->grid_shift_x, 6);  // log2(300 / 3) = 6.64
  EXPECT_EQ(scene->grid_shift_y, 4);  // log2(48 / 3) = 4
  EXPECT_TRUE(scene->bodies.empty());
  EXPECT_EQ(scene->ground_manifold, nullptr);

  scene_world_setup missing;
  missing.body_name = "bo_nowhere";
  EXPECT_EQ(test::fatal_message([&] { create_scene_world(missing); }), "Unable to find body bo_nowhere");
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

TEST(scene_world_clear_test, clearing_empties_cells_bodies_and_the_manifold_and_numbering_restarts) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  scene.add_body(std::make_unique<face>(std::initializer_list<vec3>{vec3(0, 0, 0), vec3(40, 0, 0), vec3(40, 40, 0)}));
  scene.create_entity(strategic_entity_type);
  scene.create_light();
  scene.update_entities(0.0f);
  scene.add_ai_face_to_cells(0, vec3(0, 0, 0), vec3(1, 1, 0));
  EXPECT_EQ(count_links(scene), 1);
  scene.clear();
  EXPECT_TRUE(scene.bodies.empty());
  EXPECT_TRUE(scene.lights.empty());
  EXPECT_EQ(scene.ground_manifold, nullptr);
  for (const scene_cell& c : scene.cells) {
    EXPECT_TRUE(c.bodies.empty());
    EXPECT_TRUE(c.ai_faces.empty());
    EXPECT_EQ(c.entity_links, nullptr);
  }
  // The pool's links are free again and numbering starts over.
  entity* e = scene.create_entity(strategic_entity_type);
  EXPECT_EQ(e->id, 1);
  scene.update_entities(0.0f);
  EXPECT_EQ(count_links(scene), 1);
  // An entity taken out of the active list leaves its cells with it.
  std::unique_ptr<entity> taken = scene.erase_active_entity(e);
  ASSERT_EQ(taken.get(), e);
  EXPECT_EQ(count_links(scene), 0);
  EXPECT_TRUE(scene.active_entities.empty());
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

TEST(scene_world_ai_test, navigation_faces_are_indexed_in_every_cell_they_span) {
  scene_world scene(vec3(0, 0, 0), vec3(40, 40, 0), 2, 2, 0);
  hm::ai_mesh graph;
  for (vec3 p : {vec3(-5, 5, 0), vec3(25, 5, 0), vec3(25, 15, 0), vec3(30, 30, 0)}) add_ai_mesh_vertex(graph, p);
  add_ai_mesh_face(graph, 3, {0, 1, 2, ai_mesh_no_corner}, {-1, -1, -1, ai_mesh_no_corner});
  hm::ai_mesh_face broken;
  broken.vertex_count = 3;
  broken.vertices[0] = 3;
  broken.vertices[1] = 77;  // no such vertex: left out of the box
  broken.vertices[2] = -4;
  graph.faces.push_back(broken);
  scene.index_ai_mesh(&graph);
  EXPECT_EQ(scene.ai_mesh, &graph);
  EXPECT_EQ(scene.cell_at(0, 1).ai_faces, std::vector<std::uint32_t>{0});
  EXPECT_EQ(scene.cell_at(2, 1).ai_faces, std::vector<std::uint32_t>{0});
  EXPECT_EQ(scene.cell_at(2, 2).ai_faces, std::vector<std::uint32_t>{1});
  int listed = 0;
  for (const scene_cell& c : scene.cells) listed += static_cast<int>(c.ai_faces.size());
  EXPECT_EQ(listed, 4);
  scene.index_ai_mesh(&graph);  // indexing again lists each face once
  listed = 0;
  for (const scene_cell& c : scene.cells) listed += static_cast<int>(c.ai_faces.size());
  EXPECT_EQ(listed, 4);
  scene.index_ai_mesh(nullptr);
  EXPECT_EQ(scene.ai_mesh, nullptr);
}

}  // namespace
}  // namespace hm
