#pragma once
// Rigid-body physics for ragdolls: worlds that hold capsule bodies, static
// triangle-mesh ground and static capsules, articulated bones joined parent to
// child with cone and twist limits, a force callback each step, contact
// friction and elasticity, and sleeping.
//
// Matrices use the engine's frame layout: side (local x), forward (local y) and
// up (local z) axes, then the origin, in a right-handed world with z up. A
// capsule lies along its frame's forward axis.
//
// A world is used by one thread at a time; several worlds are independent and
// may live side by side. Two backends: the real one simulates, the null one
// only keeps the state it is given and records the updates it was asked for.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace hm::platform::physics {

struct vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  bool operator==(const vector3&) const = default;
};

struct matrix {
  vector3 side{1.0f, 0.0f, 0.0f};
  vector3 forward{0.0f, 1.0f, 0.0f};
  vector3 up{0.0f, 0.0f, 1.0f};
  vector3 origin;
};

// A body in its world: 0 or more; negative means none.
using body_id = std::int32_t;
inline constexpr body_id no_body = -1;

// A capsule given by the centres of its two end caps in some frame.
struct capsule {
  vector3 end0;
  vector3 end1;
  float radius = 0.05f;
};

// How every pair of bodies of a world meets: softness of the contact (0..1,
// higher gives softer contacts), elasticity (restitution) and friction.
struct contact_material {
  float softness = 0.1f;
  float elasticity = 0.5f;
  float static_friction = 1.1f;
  float kinetic_friction = 0.9f;
};

// A body falls asleep once both its speed and its turn rate have stayed below
// these for `frames` updates in a row; bodies joined together sleep together.
struct sleep_thresholds {
  float speed = 0.25f;
  float turn_rate = 0.7f;
  std::int32_t frames = 5;
};

// Limits of the joint between a bone and its parent, in radians, about the
// bone's joint frame: the forward axis may swing away from the parent's by up
// to `cone` (its minimum `cone_min` is kept for the caller's records), turn
// about itself by up to `twist` either way, and lean sideways within
// `side_negative` .. `side_positive`.
struct joint_limits {
  float cone_min = -0.01f;
  float cone = 1.0f;
  float twist = 1.0f;
  float side_negative = 0.2f;
  float side_positive = 0.2f;
};

// One bone of a ragdoll: its frame in the world, which is also the joint with
// its parent (the pivot is the origin), its mass and the capsules of its body
// in the bone's frame.
struct bone_desc {
  matrix frame;
  float mass = 1.0f;
  std::vector<capsule> capsules;
  joint_limits limits;
  float angular_damping = 0.7f;
  sleep_thresholds sleep;
};

class world;
// Called for every awake dynamic body before each update; it adds the forces
// that act on the body this step (world::add_force, world::add_torque).
using force_callback = std::function<void(world&, body_id)>;

class world {
 public:
  virtual ~world() = default;

  // Bodies whose centre leaves this box stop moving.
  virtual void set_world_size(const vector3& minimum, const vector3& maximum) = 0;
  virtual void set_default_material(const contact_material& material) = 0;
  virtual contact_material default_material() const = 0;

  // Advances the world by `seconds` in one step.
  virtual void update(float seconds) = 0;

  // --- static geometry
  // Replaces the world's static ground by these triangles (three points
  // each, world coordinates); no triangles removes it.
  virtual void set_ground(const std::vector<vector3>& triangle_points) = 0;
  // A capsule body placed by `frame` (lying along its forward axis, `height`
  // between the centres of its end caps). A mass of 0 or less makes it
  // static; otherwise it falls under its force callback like a bone.
  virtual body_id add_capsule_body(const matrix& frame, float radius, float height, float mass) = 0;
  // Removes a capsule body (bones stay); its id is not given out again.
  // Bodies that rested on it wake, as they do when the ground is replaced.
  virtual void remove_capsule_body(body_id body) = 0;

  // --- ragdoll bones
  // Adds a bone joined to `parent` (no_body for the root). The bone's body
  // takes the mass with the inertia of its capsules about their centre.
  virtual body_id add_bone(body_id parent, const bone_desc& bone) = 0;
  virtual int body_count() const = 0;

  // --- bodies
  virtual void set_force_callback(body_id body, force_callback callback) = 0;
  virtual float mass(body_id body) const = 0;
  virtual void add_force(body_id body, const vector3& force) = 0;
  virtual void add_torque(body_id body, const vector3& torque) = 0;
  // The body's frame (for a bone: its joint frame, not its centre of mass).
  virtual matrix get_matrix(body_id body) const = 0;
  virtual void set_matrix(body_id body, const matrix& frame) = 0;
  virtual vector3 get_velocity(body_id body) const = 0;
  virtual void set_velocity(body_id body, const vector3& velocity) = 0;
  virtual vector3 get_omega(body_id body) const = 0;
  virtual void set_omega(body_id body, const vector3& omega) = 0;
  virtual bool is_sleeping(body_id body) const = 0;
};

enum class backend { bullet, null };

std::unique_ptr<world> create_world(backend which);

// The null backend's world, for tests that watch what the engine asks of a
// world: it keeps bodies, matrices and velocities as they are set, and an
// update only records its step length.
class null_world : public world {
 public:
  struct body_state {
    matrix frame;
    vector3 velocity;
    vector3 omega;
    vector3 force;
    vector3 torque;
    float mass = 0.0f;
    body_id parent = no_body;
    bool bone = false;
    bool removed = false;
    bool sleeping = false;
    force_callback callback;
  };

  void set_world_size(const vector3& minimum, const vector3& maximum) override;
  void set_default_material(const contact_material& material) override { material_ = material; }
  contact_material default_material() const override { return material_; }
  void update(float seconds) override;
  void set_ground(const std::vector<vector3>& triangle_points) override { ground = triangle_points; }
  body_id add_capsule_body(const matrix& frame, float radius, float height, float mass) override;
  void remove_capsule_body(body_id body) override;
  body_id add_bone(body_id parent, const bone_desc& bone) override;
  int body_count() const override { return static_cast<int>(bodies.size()); }
  void set_force_callback(body_id body, force_callback callback) override;
  float mass(body_id body) const override;
  void add_force(body_id body, const vector3& force) override;
  void add_torque(body_id body, const vector3& torque) override;
  matrix get_matrix(body_id body) const override;
  void set_matrix(body_id body, const matrix& frame) override;
  vector3 get_velocity(body_id body) const override;
  void set_velocity(body_id body, const vector3& velocity) override;
  vector3 get_omega(body_id body) const override;
  void set_omega(body_id body, const vector3& omega) override;
  bool is_sleeping(body_id body) const override;

  // What the world was given and asked.
  std::vector<body_state> bodies;
  std::vector<vector3> ground;
  vector3 world_minimum;
  vector3 world_maximum;
  std::vector<float> steps;

 private:
  body_state* find(body_id body);
  const body_state* find(body_id body) const;
  // A field of a known body; its zero value for an unknown one.
  template <class T>
  T read(body_id body, T body_state::*field) const {
    const body_state* b = find(body);
    return b ? b->*field : T{};
  }
  template <class T>
  void write(body_id body, T body_state::*field, const T& value) {
    if (body_state* b = find(body)) b->*field = value;
  }
  contact_material material_;
};

}  // namespace hm::platform::physics
