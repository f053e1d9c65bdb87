#include "engine/resource/particle_system.h"

#include <algorithm>
#include <cmath>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/mesh_render_view.h"
#include "engine/core/noise.h"
#include "engine/core/random.h"
#include "engine/resource/resource_manager.h"

namespace hm {

float key_value(const float keys[4], float age) {
  const float t0 = keys[0], v0 = keys[1], t1 = keys[2], v1 = keys[3];
  if (age < t0) return v0;
  if (age < t1) return v0 + (age - t0) / (t1 - t0) * (v1 - v0);
  return v1;
}

float alpha_key_value(const float keys[4], float age) {
  const float t0 = keys[0], v0 = keys[1], t1 = keys[2], v1 = keys[3];
  if (age < t0) return age / t0 * v0;
  if (age < t1) return v0 + (age - t0) / (t1 - t0) * (v1 - v0);
  // Faded out at age 1; a last key at 1 or later would divide by zero there.
  if (age >= 1.0f || t1 >= 1.0f) return 0.0f;
  return (1.0f - age) / (1.0f - t1) * v1;
}

void particle_system_instance::restart(std::int32_t n) {
  to_emit = n;
  emit_total = n;
  emit_accumulator = 0.0f;
}

void particle_system_instance::set_emission_stock(std::int32_t n) {
  restart((flags & psys_flag_emit_forever) ? endless_count : n);
}

namespace {

bool g_particles_move = true;

}  // namespace

void set_particles_move(bool move) { g_particles_move = move; }
bool particles_move() { return g_particles_move; }

void particle_system_instance::update(float dt, const frame& parent) {
  world_frame = parent.transform_frame_to_global(local_frame);
  const float ageing = dt / life;
  if (!g_particles_move) {
    float farthest = 0.0f;
    for (particle& p : particles) {
      p.age += ageing;
      farthest = std::max(farthest, (p.position - world_frame.origin).length_squared());
    }
    radius = std::sqrt(farthest);
  } else {
    move_particles(dt);
  }
  for (float& age : unseen_ages_) age += ageing;
  remove_dead_and_emit(dt);
}

void particle_system_instance::move_particles(float dt) {
  const vec3 g = gravity * (gravity_strength * dt);
  const bool turbulent = turbulence_strength > 0.01f;
  const float shift = turbulent ? static_cast<float>(std::fmod(static_cast<double>(clock_ticks(clock)) * 1e-5, 4000.0)) *
                                      turbulence_size * 0.2f
                                : 0.0f;
  const float damp = 1.0f - damping * dt;
  const float spin_damp = 1.0f - rotation_damping * dt;
  const float ageing = dt / life;
  float farthest = 0.0f;
  for (particle& p : particles) {
    p.velocity += g;
    if (turbulent) {
      vec3 n = vector_noise(turbulence_size, vec3(p.position.x, p.position.y, p.position.z + shift));
      if (flags & psys_flag_flat_turbulence) n.z = 0.0f;
      p.velocity += n * (turbulence_strength * dt);
    }
    p.velocity *= damp;
    p.position += p.velocity * dt;
    p.angular_velocity *= spin_damp;
    p.angle += p.angular_velocity * dt;
    p.age += ageing;
    const float d2 = (p.position - world_frame.origin).length_squared();
    if (d2 > farthest) farthest = d2;
  }
  radius = std::sqrt(farthest);
}

void particle_system_instance::remove_dead_and_emit(float dt) {
  // The dead go by swapping in the last particle (order is not kept); the one
  // swapped in is tested in turn.
  std::size_t i = 0;
  while (i < particles.size()) {
    if (particles[i].age >= 1.0f) {
      particles[i] = particles.back();
      particles.pop_back();
    } else {
      ++i;
    }
  }
  unseen_ages_.erase(std::remove_if(unseen_ages_.begin(), unseen_ages_.end(), [](float age) { return age >= 1.0f; }),
                     unseen_ages_.end());

  if (to_emit > 0) {
    // Emission slows as the stock runs out.
    const float denominator = static_cast<float>(emit_total) + 10.0f;
    float f = denominator > 0.0f ? (static_cast<float>(to_emit) + 10.0f) / denominator : 1.0f;
    f = clamp_float(f, 0.0f, 1.0f);
    emit_accumulator += f * emission_rate * dt;
    float u = random_unit_float() + random_unit_float();
    while (u < emit_accumulator && to_emit > 0) {
      emit_accumulator -= u;
      --to_emit;
      particle born;
      spawn_particle(born);
      if (g_particles_move) {
        particles.push_back(born);
      } else {
        unseen_ages_.push_back(born.age);
      }
      u = random_unit_float() + random_unit_float();
    }
  }
}

void particle_system_instance::spawn_particle(particle& out) {
  const float r1 = 2.0f * (random_unit_float() - 0.5f);
  const float r2 = 2.0f * (random_unit_float() - 0.5f);
  const float r3 = 2.0f * (random_unit_float() - 0.5f);
  out = particle{};
  out.orientation = world_frame.rot;
  out.position = world_frame.transform_point_to_global(vec3(r1 * emit_box.x, r2 * emit_box.y, r3 * emit_box.z));
  if (flags & psys_flag_fixed_height) out.position.z = fixed_height;
  vec3 v = vec3(r1, r2, r3) * emit_spread + emit_velocity;
  if (!(flags & psys_flag_world_velocity)) v = world_frame.rotate_vector_to_global(v);
  const float s = random_unit_float() + random_unit_float();
  out.velocity = v * s;
  out.age = 0.0f;
  out.angle = 0.0f;
  if (flags & psys_flag_random_orientation) {
    if (orientation_mode() == 0) {
      frame turned{out.orientation, vec3()};
      turned.rotate_x(random_angle());
      turned.rotate_y(random_angle());
      turned.rotate_z(random_angle());
      out.orientation = turned.rot;
    }
    out.angle = random_angle();
  }
  out.angular_velocity =
      (static_cast<float>(random_next() % 15817) * 0.00012644623f - 1.0f) * rotation_speed;
  out.size_factor = 1.0f;
  if (flags & psys_flag_random_size) {
    if (random_unit_float() > 0.5f) {
      out.size_factor = 1.0f - random_unit_float() * 0.4f;
    } else {
      out.size_factor = 1.0f + random_unit_float() * 0.6f;
    }
  }
}

namespace {

vec3 unit(const vec3& v) {
  vec3 out = v;
  out.normalize();
  return out;
}

// The rotation with forward axis f and the given side direction (up = s x f),
// turned by angle about f.
rotation facing(const vec3& f, const vec3& side, float angle) {
  const vec3 s = unit(side);
  const vec3 u = unit(cross_product(s, f));
  frame r{rotation{s, f, u}, vec3()};
  r.rotate_y(angle);
  return r.rot;
}

}  // namespace

rotation particle_system_instance::particle_rotation(const particle& p, const frame& camera) const {
  const vec3 to_particle = unit(p.position - camera.origin);
  // The camera looks along its negative third axis; its second axis points up
  // on the screen.
  const vec3& camera_up = camera.rot.f;
  const vec3& camera_back = camera.rot.u;
  switch (orientation_mode()) {
    case 0: {
      frame r{p.orientation, vec3()};
      r.rotate_z(p.angle);
      return r.rot;
    }
    case 1:
      return facing(to_particle, cross_product(to_particle, camera_up), p.angle);
    case 2:
      return facing(to_particle, cross_product(to_particle, vec3(0.0f, 0.0f, 1.0f)), p.angle);
    case 3:
      // Faces the camera, stretched along the particle's own motion.
      return facing(to_particle, cross_product(to_particle, p.velocity), p.angle);
    default: {
      const vec3 f = unit(p.orientation.f);
      return facing(f, cross_product(camera_back, f), p.angle);
    }
  }
}

void particle_system_instance::build_quads(mesh_render_view& view) {
  if (!quad_mesh) {
    material* m = mat ? mat : g_resource_manager.get_material(ruv_string("default"));
    quad_mesh = &view.particle_mesh(*m);
  }
  if (!psys_mesh || particles.empty()) return;
  const frame camera = view.camera_frame();
  const std::vector<mesh_point>& source_points = psys_mesh->get_points();
  const std::vector<mesh_vertex>& source_vertices = psys_mesh->get_vertices();
  const std::vector<mesh_face>& source_faces = psys_mesh->get_faces();

  mesh& out = *quad_mesh;
  out.make_geometry_own();
  out.make_faces_own();
  out.points.reserve(out.points.size() + particles.size() * source_points.size());
  out.vertices.reserve(out.vertices.size() + particles.size() * source_vertices.size());
  out.faces.reserve(out.faces.size() + particles.size() * source_faces.size());
  for (const particle& p : particles) {
    const float size = key_value(scale_keys, p.age) * p.size_factor;
    const frame placed{particle_rotation(p, camera), p.position};
    const std::uint32_t argb = color_to_argb(color{key_value(red_keys, p.age) * color_factor,
                                                   key_value(green_keys, p.age) * color_factor,
                                                   key_value(blue_keys, p.age) * color_factor,
                                                   alpha_key_value(alpha_keys, p.age)});
    const auto point_base = static_cast<std::int32_t>(out.points.size());
    const auto vertex_base = static_cast<std::int32_t>(out.vertices.size());
    for (const mesh_point& sp : source_points) {
      const vec3 at = placed.transform_point_to_global(sp.current_position * size);
      out.points.push_back(mesh_point{at, at});
    }
    for (mesh_vertex v : source_vertices) {
      v.point += point_base;
      v.normal = placed.rotate_vector_to_global(v.normal);
      v.current_normal = placed.rotate_vector_to_global(v.current_normal);
      v.color = argb;
      v.current_color = argb;
      out.vertices.push_back(v);
    }
    for (mesh_face f : source_faces) {
      for (std::int32_t& i : f.vertex) i += vertex_base;
      out.faces.push_back(f);
    }
  }
  out.mark_vertices_changed();
  out.mark_faces_changed();
}

void particle_system_instance::set_frame(const frame& f, const vec3& box, const vec3& velocity, float spread) {
  local_frame = f;
  emit_box = box;
  emit_velocity = velocity;
  emit_spread = spread;
  flags &= ~1u;
  if (flags & psys_flag_emit_forever) {
    to_emit = endless_count;
    emit_total = endless_count;
    emit_accumulator = 0.0f;
  }
}

void particle_system_instance::reset() {
  quad_mesh = nullptr;
  mat = nullptr;
  psys_mesh = nullptr;
  particles.clear();
  unseen_ages_.clear();
  turbulence_size = 1.0f;
  turbulence_strength = 0.0f;
  damping = 0.5f;
  const float alpha[4] = {0.0f, 1.0f, 1.0f, 0.0f};
  const float flat[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    alpha_keys[i] = alpha[i];
    red_keys[i] = green_keys[i] = blue_keys[i] = scale_keys[i] = flat[i];
  }
  gravity = vec3(0.0f, 0.0f, -9.8f);
  gravity_strength = 1.0f;
  color_factor = 1.0f;
  flags = 1;
  fixed_height = 0.0f;
  world_frame = frame::identity();
  local_frame = frame::identity();
  emit_box = vec3();
  emit_velocity = vec3(0.0f, 0.0f, 1.0f);
  emit_spread = 1.0f;
  emission_rate = 0.0f;
  to_emit = 0;
  emit_total = 0;
  emit_accumulator = 0.0f;
  psys_index = -1;
  radius = 0.0f;
  rotation_speed = 0.0f;
  rotation_damping = 0.0f;
}

int find_last_particle_system(const std::vector<std::unique_ptr<particle_system_instance>>& list, int id) {
  for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
    if (list[static_cast<std::size_t>(i)] && list[static_cast<std::size_t>(i)]->psys_index == id) return i;
  }
  return -1;
}

}  // namespace hm
