#pragma once
// A tumbling rigid body: gravity pulls it, it collides with the body parts of
// its scene's grid and with other collision entities, and it comes to rest when
// it slows down while its contacts carry it. Any impulse wakes it again.
#include "render/entity/entity.h"

namespace hm {

class body_part;

class dynamic_entity : public collision_entity {
 public:
  // Collision-filter bits of the parts a dynamic entity ignores.
  static constexpr std::uint32_t part_exclusion_mask = 0x8106;

  int get_type_id() const override { return dynamic_entity_type; }
  const char* get_type_name() const override { return "dynamic_entity"; }
  // Unless at rest: begin_step, collide, integrate; then the world box from
  // the placed body.
  void advance(float time) override;
  bool is_mobile() const override { return !at_rest; }
  vec3 get_velocity_at(const vec3& point) const override;
  // Wakes the entity and changes its velocities.
  void apply_impulse(const vec3& point, const vec3& impulse) override;
  float get_inverse_mass_along(const vec3& point, const vec3& direction) const override;

  virtual void begin_step(float time);
  // Contacts with the parts and the collision entities of the scene's cells.
  virtual void collide();
  virtual void integrate(float time);
  virtual void solve_contacts();
  virtual void add_torque(const vec3& t) { torque += t; }
  virtual void add_torque_at(const vec3& point, const vec3& force);
  virtual bool collide_with_entity(collision_entity& other);
  virtual bool collide_with_part(const body_part& part);

  float mass = 5.0f;
  float inertia = 2.0f;
  float step_time = 0.0f;
  vec3 force;
  vec3 torque;
  vec3 velocity;
  vec3 angular_velocity;
  float linear_damping = 0.1f;
  float angular_damping = 0.8f;
  vec3 position_correction;
  std::uint8_t supported = 1;
  std::uint8_t at_rest = 0;
};

}  // namespace hm
