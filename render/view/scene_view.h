#pragma once
// The scene view: the one object that draws everything 3D a frame shows. Views
// are queued into it while the game submits its scenes; render() then takes
// one given view or the whole queue, puts every mesh of every view into the
// shared vertex and index buffer pools, sorts each view's meshes by their sort
// key and draws the views in queue order, each into its own target, through
// the effect path (pixel shaders) or the fixed-function path.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "render/view/render_buffer.h"
#include "render/view/render_state_cache.h"
#include "render/entity/render_view.h"

namespace hm {

class material;
class mesh;
class shader;
struct game_options;
struct mesh_light;

// The largest render_buffer_size the renderer takes: its static index buffer
// then holds about 23.7 million 16-bit indices (47 MB), far more than a scene
// fills, while larger values would ask the device for gigabytes or overflow a
// 32-bit byte count.
inline constexpr std::int32_t render_buffer_size_limit = 256;

// Where a mesh is drawn for an eye at `eye`: its world frame, except that a sky
// mesh (material flag 0x20000) stands at the eye with the height scaled by
// 0.75, a mesh in billboard mode 1 turns about its own up axis so that its
// forward axis points away from the eye, and any other billboard mode takes
// the eye's axes (each axis keeps the mesh's scale).
matrix4 mesh_world_matrix(const mesh& m, const frame& eye);

class scene_view final : public view_renderer {
 public:
  static constexpr int buffer_count = 12;
  static constexpr int bone_matrix_count = 32;

  scene_view();
  ~scene_view() override;
  scene_view(const scene_view&) = delete;
  scene_view& operator=(const scene_view&) = delete;

  // The application's set-up: formats, strides and names of the vertex
  // buffers, the index buffers' kinds and capacities from render_buffer_size.
  // Sizes above render_buffer_size_limit are cut to it, with a log line.
  void set_up_buffers(std::int32_t render_buffer_size);
  // The application's size of one vertex pool (format 0 to 4, static or
  // dynamic), in vertices; the device buffer is made at that size on the next
  // restore. A pool left unsized starts empty and grows on first use.
  void set_vertex_pool_capacity(int format, bool dynamic, std::int32_t vertices);

  // The device (null: none), the effect of the effect path (null: none) and
  // whether pixel shaders are in use.
  void set_device(platform::gpu::device* device);
  void set_effect(platform::gpu::effect* effect) { cache.set_effect(effect); }
  // Device-object hooks: the vertex declarations and device buffers are made
  // on restore and released on invalidation (device loss); every static buffer
  // is written again after a restore.
  void restore_device_objects();
  void invalidate_device_objects();

  // --- view_renderer ---
  void queue_object(render_view& view) override;
  mesh& particle_mesh(material& m) override;

  // Renders the given view, or every queued view when null. Returns true.
  bool render(render_view* view = nullptr);

  render_buffer& buffer(int k) { return pairs[k / 2].buffers[k % 2]; }
  const render_buffer& buffer(int k) const { return pairs[k / 2].buffers[k % 2]; }

  // --- fields ---
  std::array<std::unique_ptr<platform::gpu::vertex_layout>, vertex_format_count> vertex_declarations;
  render_buffer_pair pairs[6];
  std::vector<render_view*> queue;
  std::int32_t last_vertex_pool = -1;
  std::int32_t last_index_pool = -1;
  std::int32_t last_vertex_format = -1;
  std::vector<std::uint8_t> staging;
  std::int32_t frame_counter = 0;
  const shader* last_shader = nullptr;
  platform::gpu::effect_handle last_technique = nullptr;
  const material* last_material = nullptr;
  std::vector<float> bone_matrices;  // 32 matrices of 16 floats
  render_view own_view;
  std::uint32_t device_generation = 0;
  // Set when a pool grew: the device buffers are made again at their new
  // capacity before the restarted fill.
  bool device_objects_stale = false;
  render_state_cache cache;

  // What the drawing reads besides the views.
  bool pixel_shaders = true;
  const game_options* options = nullptr;  // the global options when null
  // The mission clock in ticks (1e-5 s): flicker and "time_var".
  std::int64_t clock_ticks = 0;
  // The fixed shaders of shadow-pass and character-shadow views.
  shader* render_to_depth_shader = nullptr;
  shader* render_to_depth_skin_shader = nullptr;
  shader* render_character_shadow = nullptr;
  shader* render_character_shadow_with_skin = nullptr;
  // How the pools wait between lock tries.
  std::function<void(unsigned)> sleep;

  // Draw statistics of the last render (benchmarks and the program's checks).
  std::uint32_t draw_calls = 0;
  std::uint32_t views_drawn = 0;

 private:
  void fill_buffers(const std::vector<render_view*>& views);
  void sort_view(render_view& view);
  void set_view_state(render_view& view);
  void draw_effect_path(render_view& view);
  void draw_fixed_function_path(render_view& view);
  void bind_mesh_buffers(const mesh& m);
  void draw_mesh(const mesh& m);
  // The view's cull mode, turned the other way for a mesh wound the other way.
  platform::gpu::cull mesh_cull_mode(const mesh& m) const;
  const game_options& game_opts() const;

  platform::gpu::device* device_ = nullptr;
  std::map<material*, std::unique_ptr<mesh>> particle_meshes_;
};

// The game's scene view.
extern scene_view g_scene_view;

}  // namespace hm
