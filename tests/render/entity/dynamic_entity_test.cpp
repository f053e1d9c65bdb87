#include "render/entity/dynamic_entity.h"

#include <gtest/gtest.h>

#include "engine/collision/face.h"
#include "engine/collision/sphere.h"
#include "engine/resource/particle_system.h"
#include "render/scene/scene_world.h"
#include "render/entity/strategic_entity.h"

namespace hm {
namespace {

std::unique_ptr<face> ground_quad(float half, float z = 0.0f) {
  return std::make_unique<face>(
      std::initializer_list<vec3>{vec3(-half, -half, z), vec3(half, -half, z), vec3(half, half, z), vec3(-half, half, z)});
}

TEST(dynamic_entity_test, falls_freely_without_contacts) {
  dynamic_entity e;
  e.advance(0.1f);
  EXPECT_NEAR(e.velocity.z, -0.98f, 1e-5f);
  EXPECT_EQ(e.supported, 0);
  e.advance(0.1f);
  EXPECT_NEAR(e.velocity.z, -0.98f * 0.99f - 0.98f, 1e-5f);
  EXPECT_TRUE(e.is_mobile());
}

TEST(dynamic_entity_test, tumbling_ball_comes_to_rest_on_a_ground_face_and_an_impulse_wakes_it) {
  scene_world scene(vec3(-20, -20, 0), vec3(20, 20, 0), 3, 3, 0);
  scene.add_body(ground_quad(10.0f));
  auto* ball = static_cast<dynamic_entity*>(scene.create_entity(dynamic_entity_type));
  ball->body = std::make_unique<sphere>(vec3(0, 0, 0), 0.5f);
  ball->restitution = 0.3f;
  ball->frame.origin = vec3(1, 2, 1.5f);
  ball->velocity = vec3(0.5f, 0, 0);
  int steps = 0;
  while (!ball->at_rest && steps < 1000) {
    scene.update_entities(0.02f);
    ++steps;
  }
  ASSERT_TRUE(ball->at_rest) << "still moving after " << steps << " steps";
  EXPECT_NEAR(ball->frame.origin.z, 0.5f, 0.05f);
  EXPECT_GT(ball->frame.origin.x, 1.0f);
  const vec3 resting = ball->frame.origin;
  // At rest it is neither stepped nor re-entered in the cells.
  EXPECT_FALSE(ball->is_mobile());
  scene.update_entities(0.02f);
  EXPECT_EQ(ball->frame.origin.z, resting.z);
  ball->apply_impulse(ball->frame.origin, vec3(0, 0, 10));
  EXPECT_TRUE(ball->is_mobile());
  scene.update_entities(0.02f);
  EXPECT_GT(ball->frame.origin.z, resting.z);
}

// The support verdict for contacts with upward normals under gravity, the
// offsets given around the force line through the origin.
TEST(dynamic_entity_test, support_verdict_table) {
  const float c = std::cos(2.0943951f), s = std::sin(2.0943951f);
  struct {
    const char* name;
    std::vector<vec3> points;
    bool supported;
    vec3 torque;
  } cases[] = {
      {"three at 120 degrees", {vec3(1, 0, -0.5f), vec3(c, s, -0.5f), vec3(c, -s, -0.5f)}, true, vec3()},
      {"two opposite", {vec3(1, 0, -0.5f), vec3(-1, 0.05f, -0.5f)}, true, vec3()},
      {"one off the line", {vec3(1, 0, -0.5f)}, false, vec3(0, -49, 0)},
      {"one on the line", {vec3(0.0005f, 0, -0.5f), vec3(1, 0, -0.5f)}, true, vec3()},
      {"none", {}, false, vec3()},
  };
  for (const auto& k : cases) {
    dynamic_entity e;
    e.begin_step(0.1f);
    for (const vec3& p : k.points) e.contacts.push_back({p, vec3(0, 0, 1)});
    e.solve_contacts();
    SCOPED_TRACE(k.name);
    EXPECT_EQ(e.supported != 0, k.supported);
    EXPECT_NEAR(e.torque.x, k.torque.x, 1e-3f);
    EXPECT_NEAR(e.torque.y, k.torque.y, 1e-3f);
    EXPECT_NEAR(e.torque.z, k.torque.z, 1e-3f);
    // With any pressed contact the surfaces take the whole weight.
    EXPECT_NEAR(e.velocity.z, k.points.empty() ? -0.98f : 0.0f, 1e-4f);
  }
}

TEST(dynamic_entity_test, deep_contacts_undo_half_their_depth) {
  for (float depth : {0.02f, 0.01f}) {
    dynamic_entity e;
    e.body = std::make_unique<sphere>(vec3(0, 0, 0), 0.5f);
    e.frame.origin = vec3(0, 0, 0.5f - depth);
    e.body->transform_to_frame(e.frame);
    auto ground = ground_quad(5.0f);
    ASSERT_TRUE(e.collide_with_part(*ground));
    EXPECT_NEAR(e.position_correction.z, depth > 0.01f ? depth * 0.5f : 0.0f, 1e-5f) << depth;
    const float before = e.frame.origin.z;
    e.step_time = 0.0f;
    e.integrate(0.0f);
    EXPECT_NEAR(e.frame.origin.z - before, depth > 0.01f ? depth * 0.5f : 0.0f, 1e-5f);
  }
}

TEST(dynamic_entity_test, head_on_collision_exchanges_no_sideways_impulse) {
  dynamic_entity a, b;
  a.body = std::make_unique<sphere>(vec3(0, 0, 0), 0.5f);
  b.body = std::make_unique<sphere>(vec3(0, 0, 0), 0.5f);
  b.frame.origin = vec3(0.99f, 0, 0);
  a.velocity = vec3(1, 0, 0);
  b.velocity = vec3(-1, 0, 0);
  a.body->transform_to_frame(a.frame);
  b.body->transform_to_frame(b.frame);
  ASSERT_TRUE(a.collide_with_entity(b));
  EXPECT_LT(a.velocity.x, 0.0f);
  EXPECT_GT(b.velocity.x, 0.0f);
  EXPECT_EQ(a.velocity.y, 0.0f);
  EXPECT_EQ(b.velocity.y, 0.0f);
  EXPECT_EQ(a.velocity.z, 0.0f);
}

TEST(dynamic_entity_test, two_balls_in_a_scene_collide_once_per_pair) {
  scene_world scene(vec3(-20, -20, 0), vec3(20, 20, 0), 2, 2, 0);
  dynamic_entity* balls[2];
  for (int i = 0; i < 2; ++i) {
    balls[i] = static_cast<dynamic_entity*>(scene.create_entity(dynamic_entity_type));
    balls[i]->body = std::make_unique<sphere>(vec3(0, 0, 0), 0.5f);
    balls[i]->frame.origin = vec3(i * 0.95f, 0, 5);
  }
  scene.update_entities(0.0f);  // enter the cells
  balls[0]->velocity = vec3(1, 0, 0);
  balls[1]->velocity = vec3(-1, 0, 0);
  scene.update_entities(0.001f);
  // One exchange with restitution 0.9: speeds swap to about 0.9 apart.
  EXPECT_NEAR(balls[0]->velocity.x, -0.9f, 0.02f);
  EXPECT_NEAR(balls[1]->velocity.x, 0.9f, 0.02f);
}

TEST(strategic_entity_test, visibility_bands) {
  struct {
    float v, detailed, simple;
  } cases[] = {{0.6f, 1, 0}, {0.5f, 0.35f * 2.857143f, 1 - 0.35f * 2.857143f}, {0.1f, 0, 1}, {0.02f, 0, 0.33333f},
               {0.015f, 0, 0}, {0.0f, 0, 0}};
  for (const auto& k : cases) {
    strategic_entity e;
    e.set_visibility(k.v);
    EXPECT_NEAR(e.layer_weights[0], k.detailed, 1e-4f) << k.v;
    EXPECT_NEAR(e.layer_weights[1], k.simple, 1e-4f) << k.v;
  }
}

TEST(strategic_entity_test, particle_systems_found_by_last_match_and_widen_the_radius) {
  strategic_entity e;
  for (int id : {4, 7, 4}) {
    auto p = std::make_unique<particle_system_instance>();
    p->psys_index = id;
    p->gravity_strength = 0.0f;
    p->life = 1000.0f;
    particle one;
    one.position = vec3(static_cast<float>(id), 0, 0);  // the radius follows the farthest particle
    p->particles.push_back(one);
    e.add_particle_system(std::move(p));
  }
  EXPECT_EQ(e.find_particle_system(4), 2);
  EXPECT_EQ(e.find_particle_system(7), 1);
  EXPECT_EQ(e.find_particle_system(5), -1);
  e.bounding_radius = 2.0f;
  e.advance(0.0f);
  EXPECT_EQ(e.get_bounding_radius(), 7.0f);
  e.clear_particle_systems();
  EXPECT_TRUE(e.particle_instances.empty());
}

TEST(strategic_entity_test, attached_bodies_follow_the_entity_through_the_cells) {
  scene_world scene(vec3(0, 0, 0), vec3(60, 60, 0), 3, 3, 0);
  auto* e = static_cast<strategic_entity*>(scene.create_entity(strategic_entity_type));
  body_part* b = e->attach_body(std::make_unique<sphere>(vec3(0, 0, 0), 1.0f));
  EXPECT_EQ(b->owner_id, e->id);
  frame f = frame::identity();
  f.origin = vec3(35, 35, 0);
  e->move_to(f);
  scene.update_entities(0.1f);
  EXPECT_EQ(b->cell_min_x, 4);
  EXPECT_EQ(b->cell_max_x, 4);
  EXPECT_EQ(scene.cell_at(4, 4).bodies.size(), 1u);
  EXPECT_TRUE(scene.cell_at(1, 1).bodies.empty());
  EXPECT_EQ(e->track_origin.x, 35.0f);
}

}  // namespace
}  // namespace hm
