#pragma once
// Entities: things placed in a scene. Every kind has a coordinate frame (whose
// axes carry the scale), an optional collision body, the meshes and LOD groups
// that draw it and a bounding sphere that culling and the scene grid use. Kinds
// are created by their numeric type id through new_entity_of_type and live in a
// scene_world, which gives them running ids.
//
// The type ids follow the class tree bit by bit (see entity_is_of_kind).
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/resource/mesh_bounding_box.h"

namespace hm {

class body_part;
class mesh_render_view;
class particle_system_instance;
class scene_world;
class skeleton_instance;
class stream;
struct scene_cell_link;

enum entity_type_id : int {
  entity_type = 0,
  mesh_entity_type = 1,
  collision_entity_type = 3,
  static_entity_type = 5,
  dynamic_entity_type = 7,
  strategic_entity_type = 9,
  skeleton_entity_type = 11,
};

// True when type id t is of kind w: t equals w, or, once the low bits in which
// t and w agree are dropped, nothing of w is left. So 7 and 11 are of kind 3,
// 9 is not, and every id is of kind 0.
bool entity_is_of_kind(int t, int w);

// What a submission reports about water: a mesh whose material has flag 0x100
// sets the flag and the height of its first point in the world.
struct reflection_info {
  std::uint8_t found = 0;
  float height = 0.0f;
};

// Material flag bit of a reflecting (water) surface.
constexpr std::uint32_t material_flag_reflective = 0x100;

class entity {
 public:
  entity();
  virtual ~entity();
  entity(const entity&) = delete;
  entity& operator=(const entity&) = delete;

  virtual int get_type_id() const { return entity_type; }
  virtual const char* get_type_name() const { return "entity"; }
  // previous_frame = frame; the world box from the placed body, or the origin
  // twice without one.
  virtual void refresh_world_bounds();
  // Recomputes bounds, bounding_centre and bounding_radius from the meshes;
  // returns bounding_centre.
  virtual vec3 compute_local_bounds();
  virtual float get_bounding_radius() const { return bounding_radius; }
  virtual void set_bounding_radius(float r) { bounding_radius = r; }
  // One step: previous_frame = frame; moved_last_step = moved; moved = 0.
  virtual void advance(float time);
  virtual void set_lod_factor(float f) { lod_factor = f; }
  // Queues the meshes and the chosen level of each LOD group while visible.
  virtual void submit_meshes(mesh_render_view& view, reflection_info& reflection);
  // When true the scene re-enters the entity in its grid after every step.
  virtual bool is_mobile() const { return false; }
  virtual bool is_static() const { return false; }
  virtual const vec3& get_position() const { return frame.origin; }
  virtual const vec3& get_world_box_max() const { return world_box_max; }
  virtual const vec3& get_world_box_min() const { return world_box_min; }
  virtual bool has_moved() const { return moved || moved_last_step; }
  // Body name ("none" for none), frame, mesh count, one mesh name per slot
  // ("none" leaves the slot empty). Missing resources are fatal.
  virtual void read(stream& s);
  // Entities are not written back: every kind leaves the stream as it is.
  virtual void write(stream& s) const;
  // Replaces the low two bits of render_flags.
  virtual void set_render_flags(std::uint32_t bits) { render_flags = (render_flags & ~3u) | bits; }
  // Destroys every mesh and LOD group.
  virtual void clear_meshes();
  virtual void set_frame(const hm::frame& f) { frame = f; }
  virtual void move_to(const hm::frame& f) {
    frame = f;
    moved = 1;
  }
  // frame = f with its axes multiplied by the scale's components, then the
  // local bounds.
  virtual void set_frame_and_scale(const hm::frame& f, const vec3& s);
  virtual void move_to_with_scale(const hm::frame& f, const vec3& s) {
    set_frame_and_scale(f, s);
    moved = 1;
  }

  // The entity owns the mesh from now on.
  void add_mesh(std::unique_ptr<mesh> m) { meshes.push_back(std::move(m)); }
  // The world position of the bounding sphere's centre.
  vec3 world_bounding_centre() const { return frame.transform_point_to_global(bounding_centre); }

  scene_world* owner = nullptr;
  std::int32_t id = 0;
  // Kept for the game objects that own the entity.
  std::int32_t owner_word = -1;
  std::int32_t owner_word_2 = 0;
  // Head of the chain of this entity's links into its scene's grid cells.
  scene_cell_link* cell_links = nullptr;
  hm::frame previous_frame = hm::frame::identity();
  hm::frame frame = hm::frame::identity();
  std::unique_ptr<body_part> body;
  vec3 world_box_min;
  vec3 world_box_max;
  float bounding_radius = 0.0f;
  float shadow_radius = 0.01f;
  // In unscaled local coordinates.
  vec3 bounding_centre;
  bounding_box bounds{};
  std::vector<std::unique_ptr<lod_mesh_group>> lod_mesh_groups;
  std::vector<std::unique_ptr<mesh>> meshes;
  // Bodies that follow the entity; the scene owns them.
  std::vector<body_part*> attached_bodies;
  std::unique_ptr<mesh> shadow_meshes[2];
  std::uint8_t visible = 1;
  std::uint8_t moved = 0;
  std::uint8_t moved_last_step = 0;
  float lod_factor = 1.0f;
  std::uint32_t render_flags = 0;
  vec3 scale = vec3(1.0f, 1.0f, 1.0f);
};

class mesh_entity : public entity {
 public:
  int get_type_id() const override { return mesh_entity_type; }
  const char* get_type_name() const override { return "mesh_entity"; }
};

class static_entity : public entity {
 public:
  int get_type_id() const override { return static_entity_type; }
  const char* get_type_name() const override { return "static_entity"; }
  bool is_static() const override { return true; }
};

// A contact that the collision step found: a point and the unit normal along
// which the entity must move to leave the surface.
struct entity_contact {
  vec3 point;
  vec3 normal;
};

class collision_entity : public entity {
 public:
  int get_type_id() const override { return collision_entity_type; }
  const char* get_type_name() const override { return "collision_entity"; }
  virtual bool is_collision_entity() const { return true; }
  virtual vec3 get_velocity_at(const vec3& point) const {
    (void)point;
    return vec3();
  }
  virtual void apply_impulse(const vec3& point, const vec3& impulse) {
    (void)point;
    (void)impulse;
  }
  virtual float get_inverse_mass_along(const vec3& point, const vec3& direction) const {
    (void)point;
    (void)direction;
    return 0.0f;
  }

  float restitution = 0.9f;
  std::vector<entity_contact> contacts;
};

class skeleton_entity : public collision_entity {
 public:
  skeleton_entity();
  ~skeleton_entity() override;
  int get_type_id() const override { return skeleton_entity_type; }
  const char* get_type_name() const override { return "skeleton_entity"; }
  // Steps the skeleton with the time and the entity's frame.
  void advance(float time) override;
  // The base record, then the skeleton name ("none" for none) and, with a
  // skeleton, the attachment count and (bone index, mesh name) pairs. A pair
  // whose bone the skeleton lacks is skipped with a warning in the log.
  void read(stream& s) override;
  // While visible: the entity's meshes, then the skeleton's, then the
  // entity's own particle systems.
  virtual void submit_skinned_meshes(mesh_render_view& view);
  // A particle system that moves with the entity itself rather than with a
  // bone (what an item skinned to the whole body gives off).
  void add_particle_system(std::unique_ptr<particle_system_instance> instance);
  // Index of the last of the entity's own particle systems with that id, or -1.
  int find_particle_system(int id) const;

  std::unique_ptr<skeleton_instance> animated_skeleton;
  std::int32_t attachment_count = 0;
  std::vector<std::unique_ptr<particle_system_instance>> particle_instances;
};

// A new entity of the kind with that type id (0, 1, 5, 7, 9 or 11), or null.
std::unique_ptr<entity> new_entity_of_type(int type_id);

}  // namespace hm
