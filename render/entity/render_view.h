#pragma once
// The per-view record that the renderer fills each frame: a camera, the list of
// meshes submitted for this frame, the targets it draws into, an owned render
// target and an optional nested view. Meshes and entities queue themselves into
// it through the mesh_render_view interface; the renderer that sorts and draws
// the views is reached through view_renderer.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/mesh_render_view.h"
#include "render/entity/camera.h"

namespace hm {

class material;
class mesh;
class render_view;
class scene_world;
class texture;
struct mesh_light;
struct scene_environment;

// What a view needs of the renderer that draws it.
class view_renderer {
 public:
  virtual ~view_renderer() = default;
  // Puts the view into the queue of the next full render once (its `queued`
  // byte guards it): at the end when its flags have 0x1000, else at the front.
  virtual void queue_object(render_view& view) = 0;
  // The renderer's shared particle mesh for a material.
  virtual mesh& particle_mesh(material& m) = 0;
};

// The renderer that views queue into; null until the renderer installs itself.
// Without one, a view only marks itself queued and keeps its particle meshes.
view_renderer* get_view_renderer();
void set_view_renderer(view_renderer* renderer);

// x, y, width, height, then the depth range.
struct view_rectangle {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  float min_depth = 0.0f;
  float max_depth = 1.0f;
};

// One entry of a view's render list.
struct render_list_entry {
  mesh* m = nullptr;
  std::int32_t word = 0;
};

// render_view flags bits.
constexpr std::uint32_t view_flag_no_sort = 0x1;
constexpr std::uint32_t view_flag_clear_colour = 0x100;
constexpr std::uint32_t view_flag_clear_depth = 0x200;
constexpr std::uint32_t view_flag_queue_last = 0x1000;

class render_view : public mesh_render_view {
 public:
  // The values listed with the fields, the camera constructed, then clear_meshes.
  render_view();
  // destroy.
  ~render_view() override;
  render_view(const render_view&) = delete;
  render_view& operator=(const render_view&) = delete;

  // Forgets this frame's targets, leaves the queue state and empties the
  // view's own meshes (they stay allocated with their capacity).
  void clear_meshes();
  // Releases the render target (marks it free), destroys the nested view and
  // the view's own meshes.
  void destroy();

  // --- mesh_render_view ---
  std::uint32_t visibility_mask() const override { return view_mask; }
  std::uint32_t view_flags() const override { return flags; }
  bool is_queued() const override { return queued != 0; }
  void enqueue(bool at_end) override;
  void add_mesh(mesh& m) override { render_list.push_back({&m, 0}); }
  void add_light(mesh_light& light) override { lights.push_back(&light); }
  // The view's batch mesh of a material, made on first use and kept among the
  // view's own meshes.
  mesh& batch_mesh(material& m) override;
  mesh& particle_mesh(material& m) override;
  hm::frame camera_frame() const override { return camera.frame; }

  view_rectangle viewport;
  view_rectangle clear_viewport;
  hm::camera camera;
  texture* target = nullptr;
  texture* render_target = nullptr;
  std::unique_ptr<render_view> sub_view;
  texture* depth_target = nullptr;
  std::uint8_t lights_enabled = 0;
  std::uint8_t clip_plane_enabled = 0;
  std::uint8_t shadow_pass = 0;
  std::int32_t character_shadow = 0;
  std::uint8_t reverse_culling = 0;
  std::uint8_t fog_invert = 0;
  std::uint8_t multisample = 0;
  float clip_plane[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  color scene_colour{1.0f, 1.0f, 1.0f, 1.0f};
  std::uint32_t flags = 0;
  std::uint32_t clear_colour = 0;
  std::vector<mesh_light*> lights;
  std::uint8_t queued = 0;
  std::uint8_t use_clear_viewport = 0;
  std::uint32_t view_mask = 1;
  std::uint32_t keep_queued = 1;
  scene_environment* fog = nullptr;
  std::vector<render_list_entry> render_list;
  scene_world* scene = nullptr;
  // Meshes the view's owner builds for it (text, overlays, per-frame geometry).
  std::vector<std::unique_ptr<mesh>> meshes;

 private:
  std::map<material*, mesh*> batches_;
  std::map<material*, std::unique_ptr<mesh>> particle_meshes_;
};

}  // namespace hm
