#include "engine/resource/particle_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/core/noise.h"
#include "engine/core/random.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/timer.h"
#include "engine/support/mesh_test_support.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

void expect_vec(const vec3& a, const vec3& b, float tolerance = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(particle_keys, plain_and_alpha_interpolation) {
  const float keys[4] = {0.2f, 10.0f, 0.6f, 30.0f};
  struct row {
    float age, plain, alpha;
  };
  for (const row& r : {row{0.0f, 10, 0}, row{0.1f, 10, 5}, row{0.2f, 10, 10}, row{0.4f, 20, 20},
                       row{0.6f, 30, 30}, row{0.8f, 30, 15}, row{1.0f, 30, 0}}) {
    EXPECT_NEAR(key_value(keys, r.age), r.plain, 1e-4f) << r.age;
    EXPECT_NEAR(alpha_key_value(keys, r.age), r.alpha, 1e-4f) << r.age;
  }
  // A last key at age 1 fades nothing in between and never divides by zero.
  const float to_the_end[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  EXPECT_FLOAT_EQ(alpha_key_value(to_the_end, 0.5f), 1.0f);
  EXPECT_EQ(alpha_key_value(to_the_end, 1.0f), 0.0f);
}

particle_system_instance make_emitter() {
  particle_system_instance ps;
  ps.life = 1.0f;
  ps.emission_rate = 20.0f;
  ps.emit_box = vec3(1, 2, 0);
  ps.emit_velocity = vec3(0, 0, 3);
  ps.emit_spread = 0.5f;
  return ps;
}

TEST(particle_update, emission_counts_and_lifetimes_over_fixed_steps) {
  random_seed(1234);
  particle_system_instance ps = make_emitter();
  ps.restart(30);
  frame parent = frame::identity();
  parent.origin = vec3(50, 0, 0);
  int born = 0;
  std::size_t peak = 0;
  for (int step = 0; step < 60; ++step) {
    const std::int32_t before = ps.to_emit;
    const std::size_t alive_before = ps.particles.size();
    ps.update(0.1f, parent);
    born += before - ps.to_emit;
    peak = std::max(peak, ps.particles.size());
    for (const particle& p : ps.particles) {
      EXPECT_LT(p.age, 1.0f);
      EXPECT_GE(p.age, 0.0f);
    }
    // Particles live exactly life seconds: ten steps of 0.1 s.
    if (step >= 10 && ps.to_emit == 0) {
      EXPECT_LE(ps.particles.size(), alive_before);
    }
  }
  EXPECT_EQ(born, 30);
  EXPECT_EQ(ps.to_emit, 0);
  EXPECT_TRUE(ps.particles.empty());
  // Emission about 20 a second at first, slowing as the stock runs out.
  EXPECT_GE(peak, 10u);
  EXPECT_LE(peak, 30u);

  // Endless emitters never run out.
  particle_system_instance endless = make_emitter();
  endless.flags = psys_flag_emit_forever;
  endless.set_emission_stock(5);
  EXPECT_EQ(endless.to_emit, particle_system_instance::endless_count);
  for (int step = 0; step < 100; ++step) endless.update(0.1f, frame::identity());
  EXPECT_GT(endless.particles.size(), 5u);
}

// Without a view particles keep only their ages: they are born, age and die
// on the same frames as moving ones, and draw the same random numbers, so
// that nothing else drawing from the shared source can tell whether the
// emitter was watched. Those already moving when the view goes stop where
// they are; a view coming back moves what is born from then on.
TEST(particle_update, unwatched_particles_age_and_draw_as_watched_ones_without_moving) {
  struct run {
    std::vector<int> live;  // frames with a live particle, as 0 or 1
    std::vector<std::int32_t> to_emit;
    float next_draw = 0.0f;
  };
  const auto emit = [](bool watched_at_first, bool watched_later) {
    random_seed(99);
    particle_system_instance ps = make_emitter();
    ps.gravity_strength = 1.0f;
    ps.restart(25);
    run r;
    for (int step = 0; step < 40; ++step) {
      set_particles_move(step < 5 ? watched_at_first : watched_later);
      ps.update(0.1f, frame::identity());
      r.live.push_back(ps.has_live_particles() ? 1 : 0);
      r.to_emit.push_back(ps.to_emit);
    }
    r.next_draw = random_unit_float();
    set_particles_move(true);
    return r;
  };
  const run watched = emit(true, true);
  for (const auto& [first, later] : {std::pair{false, false}, std::pair{true, false}, std::pair{false, true}}) {
    const run other = emit(first, later);
    EXPECT_EQ(other.live, watched.live) << first << later;
    EXPECT_EQ(other.to_emit, watched.to_emit) << first << later;
    EXPECT_EQ(other.next_draw, watched.next_draw) << first << later;
  }
  // The stock runs out and every particle dies within the run.
  EXPECT_EQ(watched.to_emit.back(), 0);
  EXPECT_EQ(watched.live.back(), 0);

  // Unwatched births are not moving particles; particles moving when the view
  // goes stay put.
  random_seed(5);
  particle_system_instance ps = make_emitter();
  ps.gravity_strength = 1.0f;
  ps.restart(10);
  while (ps.particles.empty()) ps.update(0.1f, frame::identity());
  set_particles_move(false);
  const vec3 stays = ps.particles[0].position;
  const std::size_t seen = ps.particles.size();
  ps.update(0.05f, frame::identity());
  ps.update(0.05f, frame::identity());
  set_particles_move(true);
  ASSERT_FALSE(ps.particles.empty());
  EXPECT_LE(ps.particles.size(), seen);
  expect_vec(ps.particles[0].position, stays, 0.0f);
}

TEST(particle_update, emission_edge_cases) {
  random_seed(99);
  // One left in the stock and a large accumulator: one is born, the rest is kept.
  particle_system_instance one = make_emitter();
  one.restart(1);
  one.emission_rate = 0.0f;
  one.emit_accumulator = 100.0f;
  one.update(0.1f, frame::identity());
  EXPECT_EQ(one.particles.size(), 1u);
  EXPECT_EQ(one.to_emit, 0);
  EXPECT_GT(one.emit_accumulator, 98.0f);
  EXPECT_LT(one.emit_accumulator, 100.0f);

  // emit_total 0 with 5 to emit: the factor 15/10 is clamped to 1.
  particle_system_instance stock = make_emitter();
  stock.to_emit = 5;
  stock.emit_total = 0;
  stock.emission_rate = 0.001f;
  stock.update(1.0f, frame::identity());
  EXPECT_TRUE(stock.particles.empty());
  EXPECT_FLOAT_EQ(stock.emit_accumulator, 0.001f);

  // Nothing to emit: no draws, nothing born.
  particle_system_instance idle = make_emitter();
  const std::uint32_t state = random_state();
  idle.update(1.0f, frame::identity());
  EXPECT_EQ(random_state(), state);
}

TEST(particle_update, motion_ageing_removal_and_radius) {
  particle_system_instance ps;
  ps.life = 2.0f;
  ps.gravity_strength = 1.0f;
  ps.damping = 0.5f;
  ps.rotation_damping = 1.0f;
  particle p;
  p.velocity = vec3(1, 0, 0);
  p.angular_velocity = 2.0f;
  p.age = 0.25f;
  ps.particles = {p};
  frame parent = frame::identity();
  parent.origin = vec3(0, 3, 0);
  ps.update(0.1f, parent);
  ASSERT_EQ(ps.particles.size(), 1u);
  const particle& q = ps.particles[0];
  // Gravity first, then damping, then the move.
  expect_vec(q.velocity, vec3(0.95f, 0, -0.98f * 0.95f));
  expect_vec(q.position, vec3(0.095f, 0, -0.0931f));
  EXPECT_FLOAT_EQ(q.angular_velocity, 1.8f);
  EXPECT_FLOAT_EQ(q.angle, 0.18f);
  EXPECT_FLOAT_EQ(q.age, 0.3f);
  EXPECT_NEAR(ps.radius, (q.position - vec3(0, 3, 0)).length(), 1e-6f);
  expect_vec(ps.world_frame.origin, vec3(0, 3, 0));

  // Dead ones are replaced by the last; a particle reaching age 1 exactly dies now.
  particle_system_instance dying;
  dying.life = 1.0f;
  std::vector<particle> list(4);
  const float ages[] = {0.5f, 0.1f, 0.2f, 0.5f};  // 0 and 3 reach 1.0
  for (int i = 0; i < 4; ++i) {
    list[static_cast<std::size_t>(i)].age = ages[i];
    list[static_cast<std::size_t>(i)].size_factor = static_cast<float>(i);
  }
  dying.particles = list;
  dying.update(0.5f, frame::identity());
  ASSERT_EQ(dying.particles.size(), 2u);
  EXPECT_EQ(dying.particles[0].size_factor, 2.0f);
  EXPECT_EQ(dying.particles[1].size_factor, 1.0f);
  dying.particles.clear();
  dying.update(0.1f, frame::identity());
  EXPECT_EQ(dying.radius, 0.0f);
}

TEST(particle_update, turbulence_starts_above_strength_point_zero_one) {
  reset_clocks();
  advance_clock(clock_real_time, 3.0f);
  auto run = [](float strength, std::uint32_t flags) {
    particle_system_instance ps;
    ps.life = 10.0f;
    ps.turbulence_size = 2.0f;
    ps.turbulence_strength = strength;
    ps.flags = flags;
    particle p;
    p.position = vec3(0.3f, 0.6f, 0.2f);
    ps.particles = {p};
    ps.update(0.5f, frame::identity());
    return ps.particles[0].velocity;
  };
  expect_vec(run(0.01f, 0), vec3(0, 0, 0), 0.0f);
  const vec3 moved = run(5.0f, 0);
  EXPECT_GT(moved.length(), 1e-4f);
  // The clock shifts the noise input: z + 3 s x size x 0.2.
  const vec3 n = vector_noise(2.0f, vec3(0.3f, 0.6f, 0.2f + 3.0f * 2.0f * 0.2f));
  expect_vec(moved, n * 2.5f, 1e-6f);
  const vec3 flat = run(5.0f, psys_flag_flat_turbulence);
  EXPECT_EQ(flat.z, 0.0f);
  EXPECT_FLOAT_EQ(flat.x, moved.x);
  reset_clocks();
}

TEST(particle_spawn, placement_velocity_and_random_forms) {
  particle_system_instance ps = make_emitter();
  ps.world_frame = frame::identity();
  ps.world_frame.rotate_z(static_cast<float>(M_PI / 2));  // side axis now +y
  ps.world_frame.origin = vec3(10, 0, 0);
  random_seed(7);
  for (int i = 0; i < 200; ++i) {
    particle p;
    ps.spawn_particle(p);
    // Inside the box turned by the frame: x within +-2 (box y), y within +-1 (box x).
    EXPECT_LE(std::fabs(p.position.x - 10.0f), 2.0f + 1e-5f);
    EXPECT_LE(std::fabs(p.position.y), 1.0f + 1e-5f);
    EXPECT_EQ(p.position.z, 0.0f);
    EXPECT_EQ(p.age, 0.0f);
    EXPECT_EQ(p.size_factor, 1.0f);
    EXPECT_EQ(p.angular_velocity, 0.0f);  // rotation speed 0
  }

  // The same draws give the same particle; velocity in local axes is turned,
  // in world axes it is not.
  random_seed(11);
  particle local;
  ps.spawn_particle(local);
  ps.flags = psys_flag_world_velocity | psys_flag_fixed_height;
  ps.fixed_height = 4.0f;
  random_seed(11);
  particle world;
  ps.spawn_particle(world);
  EXPECT_EQ(world.position.z, 4.0f);
  EXPECT_FLOAT_EQ(local.velocity.x, -world.velocity.y);
  EXPECT_FLOAT_EQ(local.velocity.y, world.velocity.x);
  EXPECT_FLOAT_EQ(local.velocity.z, world.velocity.z);

  ps.flags = psys_flag_random_size | psys_flag_random_orientation;
  ps.rotation_speed = 2.0f;
  float smallest = 10, largest = 0;
  bool turned = false;
  for (int i = 0; i < 2000; ++i) {
    particle p;
    ps.spawn_particle(p);
    smallest = std::min(smallest, p.size_factor);
    largest = std::max(largest, p.size_factor);
    EXPECT_LE(std::fabs(p.angular_velocity), 2.0f);
    EXPECT_GE(p.angle, 0.0f);
    EXPECT_LT(p.angle, 6.2832f);
    turned = turned || std::fabs(p.orientation.u.z - 1.0f) > 1e-3f;
  }
  EXPECT_GE(smallest, 0.6f);
  EXPECT_LT(smallest, 0.62f);
  EXPECT_LE(largest, 1.6f);
  EXPECT_GT(largest, 1.58f);
  EXPECT_TRUE(turned);  // mode 0 turns the orientation itself
}

TEST(particle_quads, one_coloured_scaled_copy_per_particle_facing_the_camera) {
  resource_manager manager;
  material* mat = test::add_material(manager, "smoke");
  mesh quad;
  // The particle quad: in the x-z plane, facing -y.
  quad.add_point(vec3(-0.5f, 0, -0.5f));
  quad.add_point(vec3(0.5f, 0, -0.5f));
  quad.add_point(vec3(0.5f, 0, 0.5f));
  quad.add_point(vec3(-0.5f, 0, 0.5f));
  for (int i = 0; i < 4; ++i) quad.add_vertex(i, 0, 0, 0xFFFFFFFFu, vec3(0, -1, 0));
  quad.add_face(0, 1, 2);
  quad.add_face(0, 2, 3);

  particle_system_instance ps;
  ps.mat = mat;
  ps.psys_mesh = &quad;
  ps.flags = 1u << 8;  // mode 1: faces the camera
  const float scale[4] = {0.0f, 1.0f, 1.0f, 3.0f};
  const float red[4] = {0.0f, 1.0f, 1.0f, 0.0f};
  std::copy(scale, scale + 4, ps.scale_keys);
  std::copy(red, red + 4, ps.red_keys);
  ps.color_factor = 0.5f;
  particle a, b;
  a.position = vec3(0, 10, 0);
  a.age = 0.5f;
  b.position = vec3(10, 10, 0);
  b.age = 0.25f;
  b.size_factor = 2.0f;
  ps.particles = {a, b};

  test::recording_view view;
  view.camera.origin = vec3(0, 0, 0);
  // A camera looking along +y: its third axis points back along -y, its second up.
  view.camera.rot = rotation{vec3(1, 0, 0), vec3(0, 0, 1), vec3(0, -1, 0)};
  ps.build_quads(view);
  ASSERT_NE(ps.quad_mesh, nullptr);
  EXPECT_EQ(ps.quad_mesh, view.particle_meshes.at(mat).get());
  const mesh& out = *ps.quad_mesh;
  ASSERT_EQ(out.points.size(), 8u);
  ASSERT_EQ(out.faces.size(), 4u);
  EXPECT_EQ(out.faces[3].vertex[2], 7);
  EXPECT_EQ(out.vertices[5].point, 5);

  // a: scale 2 (halfway from 1 to 3), upright and facing the camera.
  expect_vec(out.points[0].position, vec3(-1, 10, -1));
  expect_vec(out.points[2].position, vec3(1, 10, 1));
  expect_vec(out.vertices[0].normal, vec3(0, -1, 0));
  // Red 0.5 x 0.5, green and blue 1 x 0.5, alpha 1 (default keys).
  EXPECT_EQ(out.vertices[0].color, 0xFF408080u);
  // b: scale 1.5 x size 2, its normal pointing back at the camera.
  const vec3 to_camera = vec3(0, 0, 0) - b.position;
  EXPECT_GT(dot_product(out.vertices[4].normal, to_camera), 0.0f);
  EXPECT_NEAR((out.points[6].position - out.points[4].position).length(), 3.0f * std::sqrt(2.0f), 1e-4f);

  // Mode 2 keeps the quad upright whatever the camera's roll.
  ps.flags = 2u << 8;
  view.camera.rot = rotation{vec3(0, 0, 1), vec3(-1, 0, 0), vec3(0, -1, 0)};
  const rotation r = ps.particle_rotation(a, view.camera);
  EXPECT_NEAR(r.u.z, 1.0f, 1e-5f);
  expect_vec(r.f, vec3(0, 1, 0));

  // Without particles nothing is appended; without a material the view is
  // asked for the "default" material's mesh.
  particle_system_instance none;
  none.psys_mesh = &quad;
  material* fallback = static_cast<material*>(g_resource_manager.find(material_resource_type_id, "default"));
  if (!fallback) fallback = test::add_material(g_resource_manager, "default");
  none.build_quads(view);
  EXPECT_EQ(none.quad_mesh, view.particle_meshes.at(fallback).get());
  EXPECT_TRUE(none.quad_mesh->points.empty());
}

TEST(particle_owner, meshes_update_their_particle_systems_with_their_frame) {
  mesh owner;
  owner.local_frame.origin = vec3(0, 0, 2);
  owner.particle_systems.push_back(std::make_unique<particle_system_instance>());
  owner.particle_systems[0]->local_frame.origin = vec3(1, 0, 0);
  frame parent = frame::identity();
  parent.origin = vec3(5, 0, 0);
  owner.update_particle_systems(0.1f, parent);
  expect_vec(owner.particle_systems[0]->world_frame.origin, vec3(6, 0, 2));
}

}  // namespace
}  // namespace hm
