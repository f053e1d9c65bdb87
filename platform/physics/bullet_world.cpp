// The simulating backend of the physics worlds, over Bullet.
//
// Each world owns its whole Bullet pipeline (collision configuration with
// small pools, dispatcher, broadphase, solver), so worlds share nothing and a
// world's result depends only on what it was given. Gravity comes only from
// the bodies' force callbacks, and every update is exactly one step of the
// given length.
#include <BulletCollision/CollisionDispatch/btSimulationIslandManager.h>
#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "platform/physics/physics.h"

namespace hm::platform::physics {

namespace {

// Collision groups: bones of a ragdoll do not collide with each other (their
// joints hold them apart), everything else collides with everything.
constexpr int group_static = 1;
constexpr int group_bone = 2;
constexpr int group_free = 4;

btVector3 to_bt(const vector3& v) { return btVector3(v.x, v.y, v.z); }
vector3 from_bt(const btVector3& v) {
  return vector3{static_cast<float>(v.x()), static_cast<float>(v.y()), static_cast<float>(v.z())};
}

// The engine's frame (axes as columns s, f, u) as a Bullet transform.
btTransform to_bt(const matrix& m) {
  const btMatrix3x3 basis(m.side.x, m.forward.x, m.up.x, m.side.y, m.forward.y, m.up.y, m.side.z, m.forward.z,
                          m.up.z);
  return btTransform(basis, to_bt(m.origin));
}

matrix from_bt(const btTransform& t) {
  const btMatrix3x3& b = t.getBasis();
  matrix m;
  m.side = from_bt(b.getColumn(0));
  m.forward = from_bt(b.getColumn(1));
  m.up = from_bt(b.getColumn(2));
  m.origin = from_bt(t.getOrigin());
  return m;
}

// A capsule along the y axis from end0 to end1, as a child of a compound shape
// whose origin is `centre_of_mass`.
btTransform capsule_placement(const capsule& c, const btVector3& centre_of_mass, btScalar& height) {
  const btVector3 a = to_bt(c.end0);
  const btVector3 b = to_bt(c.end1);
  btVector3 axis = b - a;
  height = axis.length();
  btQuaternion turn = btQuaternion::getIdentity();
  if (height > btScalar(1e-6)) {
    axis /= height;
    btVector3 along_y(0, 1, 0);
    turn = shortestArcQuatNormalize2(along_y, axis);
  } else {
    height = 0;
  }
  return btTransform(turn, (a + b) * btScalar(0.5) - centre_of_mass);
}

btScalar capsule_volume(const capsule& c, btScalar height) {
  const btScalar r = c.radius;
  return SIMD_PI * r * r * (height + btScalar(4.0 / 3.0) * r);
}

struct body_record {
  std::unique_ptr<btCollisionShape> shape;
  std::vector<std::unique_ptr<btCollisionShape>> parts;
  std::unique_ptr<btRigidBody> body;
  std::unique_ptr<btTypedConstraint> joint;
  // Where the centre of mass lies in the body's own frame.
  btVector3 centre_of_mass{0, 0, 0};
  force_callback callback;
  sleep_thresholds sleep;
  int slow_frames = 0;
  bool bone = false;
  float mass = 0.0f;
};

class bullet_world;

// Bullet's dynamics world with the sleeping rule of our worlds: a body counts
// the updates it spent below its thresholds; islands whose every body has
// counted enough fall asleep together (Bullet's islands join bodies that touch
// or are jointed). Bodies that leave the world's box stop.
class dynamics_world : public btDiscreteDynamicsWorld {
 public:
  dynamics_world(btDispatcher* dispatcher, btBroadphaseInterface* broadphase, btConstraintSolver* solver,
                 btCollisionConfiguration* configuration)
      : btDiscreteDynamicsWorld(dispatcher, broadphase, solver, configuration) {}

  // Islands whose bodies all want to sleep fall asleep at the end of the
  // update that made them want to, not one update later.
  void settle_islands() {
    calculateSimulationIslands();
    getSimulationIslandManager()->buildIslands(getDispatcher(), this);
  }

  btVector3 box_minimum{-1e30f, -1e30f, -1e30f};
  btVector3 box_maximum{1e30f, 1e30f, 1e30f};

 protected:
  void updateActivationState(btScalar) override {
    for (int i = 0; i < m_nonStaticRigidBodies.size(); ++i) {
      btRigidBody* body = m_nonStaticRigidBodies[i];
      auto* record = static_cast<body_record*>(body->getUserPointer());
      if (!record || body->isStaticOrKinematicObject()) continue;
      const int state = body->getActivationState();
      if (state == DISABLE_SIMULATION) continue;
      const btVector3& at = body->getWorldTransform().getOrigin();
      const bool inside = at.x() >= box_minimum.x() && at.y() >= box_minimum.y() && at.z() >= box_minimum.z() &&
                          at.x() <= box_maximum.x() && at.y() <= box_maximum.y() && at.z() <= box_maximum.z();
      if (!inside || !std::isfinite(at.x()) || !std::isfinite(at.y()) || !std::isfinite(at.z())) {
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        body->forceActivationState(DISABLE_SIMULATION);
        continue;
      }
      if (state == ISLAND_SLEEPING) {
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        continue;
      }
      const btScalar speed = record->sleep.speed;
      const btScalar turn = record->sleep.turn_rate;
      const bool slow = body->getLinearVelocity().length2() < speed * speed &&
                        body->getAngularVelocity().length2() < turn * turn;
      record->slow_frames = slow ? record->slow_frames + 1 : 0;
      if (record->slow_frames >= record->sleep.frames)
        body->setActivationState(WANTS_DEACTIVATION);
      else
        body->setActivationState(ACTIVE_TAG);
    }
  }
};

class bullet_world final : public world {
 public:
  bullet_world() {
    btDefaultCollisionConstructionInfo info;
    // A ragdoll world holds a few dozen bodies: small pools keep the many
    // worlds of a battle light (Bullet allocates past them when needed).
    info.m_defaultMaxPersistentManifoldPoolSize = 128;
    info.m_defaultMaxCollisionAlgorithmPoolSize = 128;
    configuration_ = std::make_unique<btDefaultCollisionConfiguration>(info);
    // Several contact points from the first touch, so that a capsule landing
    // flat on a triangle is held at both ends and not set spinning.
    configuration_->setConvexConvexMultipointIterations(3, 3);
    dispatcher_ = std::make_unique<btCollisionDispatcher>(configuration_.get());
    broadphase_ = std::make_unique<btDbvtBroadphase>();
    solver_ = std::make_unique<btSequentialImpulseConstraintSolver>();
    world_ = std::make_unique<dynamics_world>(dispatcher_.get(), broadphase_.get(), solver_.get(),
                                              configuration_.get());
    world_->setGravity(btVector3(0, 0, 0));
    world_->getSolverInfo().m_numIterations = 20;
    world_->getSolverInfo().m_erp = 0.5f;
  }

  ~bullet_world() override {
    // Joints first, then bodies, then the shapes they use.
    for (auto& r : bodies_)
      if (r && r->joint) world_->removeConstraint(r->joint.get());
    for (auto& r : bodies_)
      if (r && r->body) world_->removeRigidBody(r->body.get());
    remove_ground();
  }

  void set_world_size(const vector3& minimum, const vector3& maximum) override {
    world_->box_minimum = to_bt(minimum);
    world_->box_maximum = to_bt(maximum);
  }

  void set_default_material(const contact_material& material) override {
    material_ = material;
    for (auto& r : bodies_)
      if (r) apply_material(*r->body);
    if (ground_body_) apply_material(*ground_body_);
  }
  contact_material default_material() const override { return material_; }

  void update(float seconds) override {
    if (!(seconds > 0.0f)) return;
    // A world whose bodies all sleep has nothing to do: settled ragdolls cost
    // nothing until something wakes them.
    bool awake = false;
    for (const auto& r : bodies_) awake = awake || (r && r->mass > 0.0f && r->body->isActive());
    if (!awake) return;
    for (std::size_t i = 0; i < bodies_.size(); ++i) {
      body_record* r = bodies_[i].get();
      if (!r || !r->callback || r->mass <= 0.0f || !r->body->isActive()) continue;
      r->callback(*this, static_cast<body_id>(i));
    }
    // One step of exactly this length; Bullet clears the forces after it.
    world_->stepSimulation(seconds, 0, seconds);
    world_->settle_islands();
  }

  void set_ground(const std::vector<vector3>& points) override {
    remove_ground();
    wake_all();
    const std::size_t triangles = points.size() / 3;
    if (triangles == 0) return;
    ground_mesh_ = std::make_unique<btTriangleMesh>();
    for (std::size_t t = 0; t < triangles; ++t)
      ground_mesh_->addTriangle(to_bt(points[3 * t]), to_bt(points[3 * t + 1]), to_bt(points[3 * t + 2]), false);
    ground_shape_ = std::make_unique<btBvhTriangleMeshShape>(ground_mesh_.get(), true);
    btRigidBody::btRigidBodyConstructionInfo info(0, nullptr, ground_shape_.get());
    ground_body_ = std::make_unique<btRigidBody>(info);
    apply_material(*ground_body_);
    world_->addRigidBody(ground_body_.get(), group_static, group_bone | group_free);
  }

  body_id add_capsule_body(const matrix& frame, float radius, float height, float mass) override {
    auto r = std::make_unique<body_record>();
    const float h = height > 0.0f ? height : 0.0f;
    r->shape = std::make_unique<btCapsuleShape>(radius > 0.0f ? radius : 0.01f, h);
    const bool dynamic = mass > 0.0f;
    r->mass = dynamic ? mass : 0.0f;
    btVector3 inertia(0, 0, 0);
    if (dynamic) r->shape->calculateLocalInertia(mass, inertia);
    btRigidBody::btRigidBodyConstructionInfo info(r->mass, nullptr, r->shape.get(), inertia);
    info.m_startWorldTransform = to_bt(frame);
    r->body = std::make_unique<btRigidBody>(info);
    r->body->setUserPointer(r.get());
    apply_material(*r->body);
    if (dynamic)
      world_->addRigidBody(r->body.get(), group_free, group_static | group_bone | group_free);
    else
      world_->addRigidBody(r->body.get(), group_static, group_bone | group_free);
    r->body->setGravity(btVector3(0, 0, 0));
    bodies_.push_back(std::move(r));
    return static_cast<body_id>(bodies_.size() - 1);
  }

  void remove_capsule_body(body_id body) override {
    body_record* r = find(body);
    if (!r || r->bone) return;
    world_->removeRigidBody(r->body.get());
    bodies_[static_cast<std::size_t>(body)].reset();
    wake_all();
  }

  body_id add_bone(body_id parent, const bone_desc& bone) override {
    auto r = std::make_unique<body_record>();
    r->bone = true;
    r->mass = bone.mass > 0.0f ? bone.mass : 0.01f;
    r->sleep = bone.sleep;

    // The centre of mass is the volume-weighted centre of the capsules.
    std::vector<btScalar> heights(bone.capsules.size());
    btVector3 weighted(0, 0, 0);
    btScalar volume = 0;
    for (std::size_t i = 0; i < bone.capsules.size(); ++i) {
      capsule_placement(bone.capsules[i], btVector3(0, 0, 0), heights[i]);
      const btScalar v = capsule_volume(bone.capsules[i], heights[i]);
      weighted += (to_bt(bone.capsules[i].end0) + to_bt(bone.capsules[i].end1)) * btScalar(0.5) * v;
      volume += v;
    }
    if (volume > 0) r->centre_of_mass = weighted / volume;

    auto compound = std::make_unique<btCompoundShape>();
    for (std::size_t i = 0; i < bone.capsules.size(); ++i) {
      btScalar height = 0;
      const btTransform at = capsule_placement(bone.capsules[i], r->centre_of_mass, height);
      const btScalar radius = bone.capsules[i].radius > 0.0f ? bone.capsules[i].radius : 0.01f;
      r->parts.push_back(std::make_unique<btCapsuleShape>(radius, height));
      compound->addChildShape(at, r->parts.back().get());
    }
    if (bone.capsules.empty()) {
      // A bone without capsules still needs a shape to have an inertia.
      r->parts.push_back(std::make_unique<btSphereShape>(0.05f));
      compound->addChildShape(btTransform::getIdentity(), r->parts.back().get());
    }
    btVector3 inertia(0, 0, 0);
    compound->calculateLocalInertia(r->mass, inertia);
    r->shape = std::move(compound);

    btRigidBody::btRigidBodyConstructionInfo info(r->mass, nullptr, r->shape.get(), inertia);
    info.m_startWorldTransform = to_bt(bone.frame) * btTransform(btQuaternion::getIdentity(), r->centre_of_mass);
    info.m_angularDamping = clamp_damping(bone.angular_damping);
    r->body = std::make_unique<btRigidBody>(info);
    r->body->setUserPointer(r.get());
    apply_material(*r->body);
    world_->addRigidBody(r->body.get(), group_bone, group_static | group_free);
    r->body->setGravity(btVector3(0, 0, 0));

    if (body_record* p = find(parent)) {
      // The joint frame: x along the bone's forward axis (Bullet's twist axis),
      // y its up axis, z its side axis; the first swing span turns about z.
      const btTransform bone_frame = to_bt(bone.frame);
      const btMatrix3x3& b = bone_frame.getBasis();
      btMatrix3x3 joint_basis;
      for (int row = 0; row < 3; ++row) {
        joint_basis[row][0] = b[row][1];
        joint_basis[row][1] = b[row][2];
        joint_basis[row][2] = b[row][0];
      }
      const btTransform joint_world(joint_basis, bone_frame.getOrigin());
      const btTransform in_parent = p->body->getWorldTransform().inverse() * joint_world;
      const btTransform in_child = r->body->getWorldTransform().inverse() * joint_world;
      auto joint = std::make_unique<btConeTwistConstraint>(*p->body, *r->body, in_parent, in_child);
      const joint_limits& l = bone.limits;
      const float side = std::fmax(std::fabs(l.side_negative), std::fabs(l.side_positive));
      joint->setLimit(std::fmax(l.cone, 0.0f), side, std::fmax(l.twist, 0.0f), 1.0f, 0.6f, 1.0f);
      world_->addConstraint(joint.get(), true);
      r->joint = std::move(joint);
    }
    bodies_.push_back(std::move(r));
    return static_cast<body_id>(bodies_.size() - 1);
  }

  int body_count() const override { return static_cast<int>(bodies_.size()); }

  void set_force_callback(body_id body, force_callback callback) override {
    if (body_record* r = find(body)) r->callback = std::move(callback);
  }
  float mass(body_id body) const override {
    const body_record* r = find(body);
    return r ? r->mass : 0.0f;
  }
  void add_force(body_id body, const vector3& force) override {
    if (body_record* r = find(body)) r->body->applyCentralForce(to_bt(force));
  }
  void add_torque(body_id body, const vector3& torque) override {
    if (body_record* r = find(body)) r->body->applyTorque(to_bt(torque));
  }

  matrix get_matrix(body_id body) const override {
    const body_record* r = find(body);
    if (!r) return matrix{};
    return from_bt(r->body->getWorldTransform() * btTransform(btQuaternion::getIdentity(), -r->centre_of_mass));
  }
  void set_matrix(body_id body, const matrix& frame) override {
    body_record* r = find(body);
    if (!r) return;
    const btTransform t = to_bt(frame) * btTransform(btQuaternion::getIdentity(), r->centre_of_mass);
    r->body->setWorldTransform(t);
    r->body->setInterpolationWorldTransform(t);
    world_->updateSingleAabb(r->body.get());
    wake(*r);
  }
  vector3 get_velocity(body_id body) const override {
    const body_record* r = find(body);
    return r ? from_bt(r->body->getLinearVelocity()) : vector3{};
  }
  void set_velocity(body_id body, const vector3& velocity) override {
    body_record* r = find(body);
    if (!r || r->mass <= 0.0f) return;
    r->body->setLinearVelocity(to_bt(velocity));
    wake(*r);
  }
  vector3 get_omega(body_id body) const override {
    const body_record* r = find(body);
    return r ? from_bt(r->body->getAngularVelocity()) : vector3{};
  }
  void set_omega(body_id body, const vector3& omega) override {
    body_record* r = find(body);
    if (!r || r->mass <= 0.0f) return;
    r->body->setAngularVelocity(to_bt(omega));
    wake(*r);
  }
  bool is_sleeping(body_id body) const override {
    const body_record* r = find(body);
    if (!r || r->mass <= 0.0f) return false;
    const int state = r->body->getActivationState();
    return state == ISLAND_SLEEPING || state == DISABLE_SIMULATION;
  }

 private:
  static float clamp_damping(float d) { return d < 0.0f ? 0.0f : (d > 1.0f ? 1.0f : d); }

  body_record* find(body_id body) const {
    if (body < 0 || body >= static_cast<body_id>(bodies_.size())) return nullptr;
    return bodies_[static_cast<std::size_t>(body)].get();
  }

  // Bullet multiplies the two bodies' coefficients: each body carries the
  // square root, so that a pair meets with the world's values. Bullet has one
  // friction coefficient; it takes the static one, which decides whether a
  // resting body stays put.
  void apply_material(btRigidBody& body) const {
    body.setFriction(std::sqrt(std::fmax(material_.static_friction, 0.0f)));
    body.setRestitution(std::sqrt(std::fmax(material_.elasticity, 0.0f)));
  }

  void wake(body_record& r) {
    if (r.body->getActivationState() == DISABLE_SIMULATION) return;
    r.slow_frames = 0;
    r.body->activate(true);
  }

  // What rested on something that went away has to find out.
  void wake_all() {
    for (auto& r : bodies_)
      if (r && r->mass > 0.0f) wake(*r);
  }

  void remove_ground() {
    if (ground_body_) world_->removeRigidBody(ground_body_.get());
    ground_body_.reset();
    ground_shape_.reset();
    ground_mesh_.reset();
  }

  std::unique_ptr<btDefaultCollisionConfiguration> configuration_;
  std::unique_ptr<btCollisionDispatcher> dispatcher_;
  std::unique_ptr<btDbvtBroadphase> broadphase_;
  std::unique_ptr<btSequentialImpulseConstraintSolver> solver_;
  std::unique_ptr<dynamics_world> world_;
  std::vector<std::unique_ptr<body_record>> bodies_;
  std::unique_ptr<btTriangleMesh> ground_mesh_;
  std::unique_ptr<btBvhTriangleMeshShape> ground_shape_;
  std::unique_ptr<btRigidBody> ground_body_;
  contact_material material_;
};

}  // namespace

std::unique_ptr<world> create_world(backend which) {
  if (which == backend::null) return std::make_unique<null_world>();
  return std::make_unique<bullet_world>();
}

}  // namespace hm::platform::physics
