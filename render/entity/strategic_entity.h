#pragma once
// The entity kind of flying missiles and of the world map's parties and sun
// flare: it carries particle systems, an optional skeleton, collision bodies
// that follow it, and two layer weights that fade its detailed and its simple
// character shadow in and out with distance.
#include <memory>
#include <vector>

#include "engine/core/timer.h"
#include "render/entity/entity.h"

namespace hm {

class material;
class particle_system_instance;
class render_view;
class skeleton_instance;

class strategic_entity : public entity {
 public:
  strategic_entity();
  ~strategic_entity() override;

  int get_type_id() const override { return strategic_entity_type; }
  const char* get_type_name() const override { return "strategic_entity"; }
  float get_bounding_radius() const override { return radius; }
  void advance(float time) override;
  // While visible: the skeleton's meshes, the base submission, the character
  // shadows and the particle systems; counts the submission.
  void submit_meshes(mesh_render_view& view, reflection_info& reflection) override;
  bool is_mobile() const override { return true; }

  // Writes the visibility mask into every mesh the entity draws.
  virtual void set_mesh_visibility_mask(std::uint32_t mask);
  virtual void add_particle_system(std::unique_ptr<particle_system_instance> instance);
  virtual void clear_particle_systems();
  // Index of the last particle system with that id, or -1.
  virtual int find_particle_system(int id) const;
  // The body follows the entity from now on; the owner scene keeps it in its
  // grid (the entity must be in a scene).
  virtual body_part* attach_body(std::unique_ptr<body_part> body);

  // visibility = v, and the two shadow layer weights by its band.
  void set_visibility(float v);

  float visibility = 0.0f;
  float layer_weights[2] = {0.5f, 0.5f};
  std::int32_t words[2] = {0, 0};
  std::int32_t render_target_used = 0;
  std::int32_t shadow_faces[64] = {};
  std::int32_t shadow_face_count = 0;
  vec3 shadow_position = vec3(-1e8f, 0.0f, 0.0f);
  // The light's frame when the receivers were gathered: the shadow meshes
  // place their texture in it until the next gathering.
  hm::frame shadow_frame = hm::frame::identity();
  // The detailed shadow's render target and the view that renders it.
  material* render_target = nullptr;
  std::unique_ptr<render_view> own_view;
  float fade = 1.0f;
  std::int32_t linked_entity_id = -1;
  std::int32_t zero_word = 0;
  timer shadow_timer;
  timer shadow_texture_timer;
  std::int32_t track_mark = 0;
  std::int32_t track_enabled = 1;
  vec3 track_origin = vec3(-10000.0f, -10000.0f, -10000.0f);
  float track_step = 2.0f;
  std::unique_ptr<skeleton_instance> animated_skeleton;
  std::vector<std::unique_ptr<particle_system_instance>> particle_instances;
  float radius = 0.0f;
  std::int32_t submit_count = 0;
};

}  // namespace hm
