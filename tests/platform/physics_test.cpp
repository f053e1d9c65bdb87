#include "platform/physics/physics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace hm::platform::physics {
namespace {

constexpr float step = 1.0f / 60.0f;

vector3 sub(const vector3& a, const vector3& b) { return vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(const vector3& a, const vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const vector3& v) { return std::sqrt(dot(v, v)); }
float angle_between(const vector3& a, const vector3& b) {
  const float c = dot(a, b) / (length(a) * length(b));
  return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
}

// A flat square of ground at height 0, two triangles, 40 m across.
std::vector<vector3> flat_ground() {
  const vector3 a{-20, -20, 0}, b{20, -20, 0}, c{20, 20, 0}, d{-20, 20, 0};
  return {a, b, c, a, c, d};
}

void gravity(world& w, body_id b) { w.add_force(b, vector3{0, 0, -9.8f * w.mass(b)}); }

matrix lying_along_y(const vector3& origin) {
  matrix m;
  m.origin = origin;
  return m;
}

TEST(physics_world, a_capsule_dropped_on_the_ground_comes_to_rest_on_it_and_sleeps) {
  auto w = create_world(backend::bullet);
  w->set_ground(flat_ground());
  // Lying flat, 2 m above the ground.
  const body_id capsule = w->add_capsule_body(lying_along_y({1, 2, 2}), 0.2f, 1.0f, 5.0f);
  w->set_force_callback(capsule, gravity);

  int updates = 0;
  while (!w->is_sleeping(capsule) && updates < 600) {
    w->update(step);
    ++updates;
  }
  ASSERT_TRUE(w->is_sleeping(capsule)) << "still awake after 10 s";
  // It fell for about 0.6 s before it could rest.
  EXPECT_GT(updates, 30);
  const matrix at = w->get_matrix(capsule);
  EXPECT_NEAR(at.origin.z, 0.2f, 0.03f);  // its radius above the ground
  EXPECT_NEAR(at.origin.x, 1.0f, 0.2f);
  EXPECT_NEAR(at.origin.y, 2.0f, 0.2f);
  // A sleeping body stays where it is.
  for (int i = 0; i < 30; ++i) w->update(step);
  EXPECT_EQ(w->get_matrix(capsule).origin.z, at.origin.z);
  // Given a speed again, it wakes and moves.
  w->set_velocity(capsule, vector3{3, 0, 0});
  EXPECT_FALSE(w->is_sleeping(capsule));
  w->update(step);
  EXPECT_GT(w->get_matrix(capsule).origin.x, at.origin.x);
}

TEST(physics_world, a_body_sleeps_after_five_updates_below_both_thresholds) {
  // Free bodies in empty space keep their speed: which of them sleep shows the
  // thresholds (0.25 m/s, 0.7 rad/s) and the count of updates.
  struct row {
    vector3 velocity;
    vector3 omega;
    bool sleeps;
  };
  const row rows[] = {
      {{0.2f, 0, 0}, {0, 0, 0}, true},     {{0, 0.3f, 0}, {0, 0, 0}, false},
      {{0, 0, 0}, {0, 0, 0.6f}, true},     {{0, 0, 0}, {0.8f, 0, 0}, false},
      {{0.2f, 0, 0}, {0, 0.6f, 0}, true},  {{0.2f, 0, 0}, {0, 0.75f, 0}, false},
  };
  for (const row& r : rows) {
    auto w = create_world(backend::bullet);
    const body_id b = w->add_capsule_body(matrix{}, 0.1f, 0.5f, 1.0f);
    w->set_velocity(b, r.velocity);
    w->set_omega(b, r.omega);
    for (int i = 0; i < 4; ++i) w->update(step);
    EXPECT_FALSE(w->is_sleeping(b)) << "asleep after four updates";
    w->update(step);
    EXPECT_EQ(w->is_sleeping(b), r.sleeps) << "speed " << r.velocity.x + r.velocity.y << " turn "
                                           << r.omega.x + r.omega.y + r.omega.z;
    for (int i = 0; i < 20; ++i) w->update(step);
    EXPECT_EQ(w->is_sleeping(b), r.sleeps);
  }
}

// Three bones in a row along +y, each 0.5 m long with one capsule.
struct chain {
  std::unique_ptr<world> w;
  body_id bones[3] = {no_body, no_body, no_body};
  joint_limits limits;

  explicit chain(float height, backend which = backend::bullet) : w(create_world(which)) {
    w->set_ground(flat_ground());
    limits.cone = 0.6f;
    limits.twist = 0.3f;
    body_id parent = no_body;
    for (int i = 0; i < 3; ++i) {
      bone_desc d;
      d.frame = lying_along_y({0, 0.5f * static_cast<float>(i), height});
      d.mass = 4.0f - static_cast<float>(i);
      d.capsules.push_back(capsule{{0, 0.08f, 0}, {0, 0.42f, 0}, 0.07f});
      d.limits = limits;
      bones[i] = w->add_bone(parent, d);
      w->set_force_callback(bones[i], gravity);
      parent = bones[i];
    }
  }

  float widest_bend() const {
    float widest = 0.0f;
    for (int i = 1; i < 3; ++i) {
      const float a = angle_between(w->get_matrix(bones[i - 1]).forward, w->get_matrix(bones[i]).forward);
      widest = std::fmax(widest, a);
    }
    return widest;
  }

  // How far a child's joint has drifted from the end of its parent.
  float widest_gap() const {
    float widest = 0.0f;
    for (int i = 1; i < 3; ++i) {
      const matrix p = w->get_matrix(bones[i - 1]);
      const vector3 end{p.origin.x + 0.5f * p.forward.x, p.origin.y + 0.5f * p.forward.y,
                        p.origin.z + 0.5f * p.forward.z};
      widest = std::fmax(widest, length(sub(w->get_matrix(bones[i]).origin, end)));
    }
    return widest;
  }

  bool all_sleeping() const {
    for (body_id b : bones)
      if (!w->is_sleeping(b)) return false;
    return true;
  }
};

TEST(physics_world, a_three_bone_ragdoll_settles_on_the_ground_inside_its_limits) {
  chain c(1.5f);
  // A kick so that the chain lands bent.
  c.w->set_omega(c.bones[2], vector3{2, 0, 3});
  float widest = 0.0f;
  int updates = 0;
  while (!c.all_sleeping() && updates < 1200) {
    c.w->update(step);
    widest = std::fmax(widest, c.widest_bend());
    ++updates;
  }
  ASSERT_TRUE(c.all_sleeping()) << "still awake after 20 s";
  // The widest limit is the cone of 0.6 rad; a little give is allowed.
  EXPECT_LT(widest, 0.6f + 0.1f);
  EXPECT_LT(c.widest_gap(), 0.05f);
  for (body_id b : c.bones) {
    const float z = c.w->get_matrix(b).origin.z;
    EXPECT_GT(z, 0.0f);
    EXPECT_LT(z, 0.2f);  // lying on the ground
  }
}

// Limits a bone's speeds as the engine does before every step.
void clamp_speeds(world& w, body_id b) {
  const auto limit = [](vector3 v, float most) {
    const float l = length(v);
    return l > most ? vector3{v.x * most / l, v.y * most / l, v.z * most / l} : v;
  };
  w.set_velocity(b, limit(w.get_velocity(b), 30.0f));
  w.set_omega(b, limit(w.get_omega(b), 9.0f));
}

TEST(physics_world, joint_limits_hold_under_a_hard_push) {
  chain c(3.0f);
  float widest = 0.0f;
  float widest_gap = 0.0f;
  // Every tenth update the end bone is struck sideways and spun at the
  // largest speeds the engine lets a bone have (30 m/s, 9 rad/s).
  for (int i = 0; i < 90; ++i) {
    if (i % 10 == 0) {
      c.w->set_velocity(c.bones[2], vector3{30, 0, 10 - static_cast<float>(i) / 3});
      c.w->set_omega(c.bones[2], vector3{0, 9, 0});
    }
    for (body_id b : c.bones) clamp_speeds(*c.w, b);
    c.w->update(step);
    widest = std::fmax(widest, c.widest_bend());
    widest_gap = std::fmax(widest_gap, c.widest_gap());
  }
  EXPECT_LT(widest, 0.6f + 0.15f);
  // A strike opens a joint a little for a step or two; it closes again.
  EXPECT_LT(widest_gap, 0.15f);
  for (int i = 0; i < 60; ++i) c.w->update(step);
  EXPECT_LT(c.widest_gap(), 0.02f);
  EXPECT_LT(c.widest_bend(), 0.6f + 0.05f);
}

TEST(physics_world, the_same_inputs_give_the_same_result_on_every_run) {
  auto run = [] {
    chain c(1.5f);
    c.w->set_omega(c.bones[2], vector3{2, 0, 3});
    std::vector<matrix> poses;
    for (int i = 0; i < 240; ++i) {
      c.w->update(i % 3 == 0 ? 0.018f : 0.014f);
      if (i % 40 == 0)
        for (body_id b : c.bones) poses.push_back(c.w->get_matrix(b));
    }
    return poses;
  };
  const std::vector<matrix> first = run();
  const std::vector<matrix> second = run();
  ASSERT_EQ(first.size(), second.size());
  EXPECT_EQ(0, std::memcmp(first.data(), second.data(), first.size() * sizeof(matrix)));
}

TEST(physics_world, a_body_that_leaves_the_world_box_stops) {
  auto w = create_world(backend::bullet);
  w->set_world_size(vector3{-10, -10, -10}, vector3{10, 10, 10});
  const body_id b = w->add_capsule_body(matrix{}, 0.1f, 0.5f, 1.0f);
  w->set_velocity(b, vector3{0, 0, -100});
  for (int i = 0; i < 20; ++i) w->update(step);
  EXPECT_TRUE(w->is_sleeping(b));
  EXPECT_GT(w->get_matrix(b).origin.z, -12.0f);
  EXPECT_EQ(w->get_velocity(b), (vector3{0, 0, 0}));
}

TEST(physics_world, matrices_and_speeds_read_back_as_set_and_bones_keep_their_joint_frame) {
  for (backend which : {backend::bullet, backend::null}) {
    chain c(1.0f, which);
    // A bone's matrix is its joint frame, not the centre of its capsule.
    const matrix m = c.w->get_matrix(c.bones[1]);
    EXPECT_NEAR(m.origin.y, 0.5f, 1e-5f);
    EXPECT_NEAR(m.origin.z, 1.0f, 1e-5f);
    matrix turned;
    turned.side = vector3{0, 1, 0};
    turned.forward = vector3{-1, 0, 0};
    turned.origin = vector3{2, 3, 4};
    c.w->set_matrix(c.bones[2], turned);
    const matrix back = c.w->get_matrix(c.bones[2]);
    EXPECT_NEAR(back.origin.x, 2.0f, 1e-5f);
    EXPECT_NEAR(back.origin.y, 3.0f, 1e-5f);
    EXPECT_NEAR(back.origin.z, 4.0f, 1e-5f);
    EXPECT_NEAR(back.forward.x, -1.0f, 1e-5f);
    EXPECT_NEAR(back.side.y, 1.0f, 1e-5f);
    c.w->set_velocity(c.bones[0], vector3{1, 2, 3});
    c.w->set_omega(c.bones[0], vector3{-1, 0, 0.5f});
    EXPECT_EQ(c.w->get_velocity(c.bones[0]), (vector3{1, 2, 3}));
    EXPECT_EQ(c.w->get_omega(c.bones[0]), (vector3{-1, 0, 0.5f}));
    EXPECT_FLOAT_EQ(c.w->mass(c.bones[1]), 3.0f);
    // Unknown bodies read as nothing and take nothing.
    EXPECT_EQ(c.w->get_velocity(99), (vector3{}));
    c.w->set_velocity(-1, vector3{1, 1, 1});
    EXPECT_FALSE(c.w->is_sleeping(99));
  }
}

TEST(physics_world, static_capsules_hold_what_falls_on_them_and_can_be_removed) {
  auto w = create_world(backend::bullet);
  // A static log lying along x at height 0.5; a ball-like capsule dropped on it.
  matrix log;
  log.side = vector3{0, -1, 0};
  log.forward = vector3{1, 0, 0};
  log.origin = vector3{0, 0, 0.5f};
  const body_id stay = w->add_capsule_body(log, 0.3f, 4.0f, 0.0f);
  const body_id drop = w->add_capsule_body(lying_along_y({0, 0, 2}), 0.2f, 0.4f, 2.0f);
  w->set_force_callback(drop, gravity);
  for (int i = 0; i < 60; ++i) w->update(step);
  EXPECT_EQ(w->get_matrix(stay).origin.z, 0.5f);  // static: it does not fall
  EXPECT_NEAR(w->get_matrix(drop).origin.z, 0.5f + 0.3f + 0.2f, 0.05f);
  w->remove_capsule_body(stay);
  EXPECT_EQ(w->get_matrix(stay).origin, (vector3{}));
  for (int i = 0; i < 60; ++i) w->update(step);
  EXPECT_LT(w->get_matrix(drop).origin.z, -2.0f);  // nothing holds it now
  w->remove_capsule_body(drop);
  EXPECT_EQ(w->mass(drop), 0.0f);
}

TEST(physics_world, the_null_world_records_its_updates_and_runs_the_force_callbacks) {
  null_world w;
  const body_id b = w.add_capsule_body(matrix{}, 0.1f, 0.5f, 2.0f);
  w.set_force_callback(b, gravity);
  w.update(0.018f);
  w.update(0.014f);
  EXPECT_EQ(w.steps, (std::vector<float>{0.018f, 0.014f}));
  EXPECT_FLOAT_EQ(w.bodies[0].force.z, -19.6f);
  EXPECT_EQ(w.get_matrix(b).origin, (vector3{}));  // nothing moves
}

}  // namespace
}  // namespace hm::platform::physics
