#pragma once
// Tableaus: textures that module code draws. A tableau material names a block,
// a texture size and a sample material; a mesh that shows the tableau for an
// object value (a banner for a faction, a portrait for a troop) holds the
// material of that pair's instance. The first time such a mesh is drawn the
// instance renders: a small scene is pushed, the block runs with the object
// value and fills the scene through the tableau operations, the scene is
// rendered into the instance's render target, and the scene is popped.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/mesh.h"
#include "render/entity/render_view.h"
#include "render/scene/scene_world.h"
#include "script/script_host.h"

namespace hm {

class entity;
class material;
class mesh;
class scene_view;
class texture;
struct tableau_material;

// The script context the tableau's block runs under.
inline constexpr std::int32_t tableau_script_context = -65;
// Render targets of tableaus carry this value in the resource manager's pool.
inline constexpr std::int32_t tableau_target_value = 0x7AB1EA;
// The depth buffer a tableau renders with is at least this wide and high.
inline constexpr std::int32_t tableau_min_depth_size = 512;
// Tableaus inside tableaus nest at most this deep; deeper ones stay blank.
inline constexpr int tableau_max_nesting = 8;

// One scene being filled by a tableau's block.
struct tableau_scene {
  scene_world scene;
  tableau_scene_values values;
  // The scene's lights as the view reads them.
  std::vector<std::unique_ptr<mesh_light>> view_lights;
  render_view view;
};

// One tableau material drawn for one object value.
struct tableau_instance {
  std::int32_t tableau = -1;
  std::int64_t object = -1;
  texture* target = nullptr;  // owned by the resource manager
  // The material the meshes that show the instance hold; its use count is
  // the number of those meshes. Its first texture stays empty until the
  // instance has rendered, which is what makes a mesh ask for the rendering.
  std::unique_ptr<material> mat;
  bool rendered = false;
  bool rendering = false;
};

class tableau_manager {
 public:
  tableau_manager();
  ~tableau_manager();
  tableau_manager(const tableau_manager&) = delete;
  tableau_manager& operator=(const tableau_manager&) = delete;

  // --- the scene stack ---
  tableau_scene& push_scene();
  // Destroys the top scene; nothing on an empty stack.
  void pop_scene();
  tableau_scene* current_scene() { return scenes.empty() ? nullptr : scenes.back().get(); }

  // --- instances ---
  // The instance of (tableau, object), made on first use; null for a tableau
  // outside the table.
  tableau_instance* get_or_create_instance(int tableau, std::int64_t object);
  // Makes the instance of (tableau, object) the mesh's material (the mesh's
  // old material loses the mesh, the instance gains it). False, with the mesh
  // unchanged, for a tableau outside the table.
  bool attach_to_mesh(int tableau, std::int64_t object, mesh& m);
  // A quad of the tableau's own corner and size showing (tableau, object);
  // null for a tableau outside the table.
  std::unique_ptr<mesh> make_quad_mesh(int tableau, std::int64_t object);
  // Instances no mesh shows any more are destroyed and their targets freed.
  void purge_unused_instances();
  // Every instance renders again when next drawn (the device lost its targets).
  void invalidate_instances();
  // Destroys every instance no mesh shows and forgets the others' targets
  // (the module's tableau table is going away).
  void release();

  // Renders the instance now: push, camera, the block, the scene into the
  // target, pop. Nothing for an instance already rendering (a tableau that
  // shows itself) or past the nesting limit.
  void render_instance(tableau_instance& inst);
  // The instance whose material this is, or null.
  tableau_instance* instance_of(const material& m);

  // --- filling the top scene ---
  // Each adds an entity with the mesh at the placement; a scale within
  // 0.99999..1.00001 on every axis leaves the mesh unscaled. Null when no
  // scene is open or the mesh could not be made.
  entity* add_mesh(std::unique_ptr<mesh> m, const frame& placement, const vec3& scale);

  std::vector<std::unique_ptr<tableau_scene>> scenes;
  std::vector<std::unique_ptr<tableau_instance>> instances;
  std::int32_t flag = 0;
  // Renders the scenes; null: the game's scene view.
  scene_view* renderer = nullptr;
  // Builds a troop's or a horse's posed figure into the entity (the agents'
  // mesh building fills it in); empty: figures are left out.
  std::function<void(const tableau_figure_request&, entity&)> figure_builder;
  // Instances rendered since start (tests and the debug counters).
  int renders = 0;
};

extern tableau_manager g_tableau_manager;

// The script engine's render neighbour over the tableau manager: the tableau
// table's size, and the tableau operations on the scene being drawn.
class tableau_scene_host final : public script_render_host {
 public:
  int tableau_count() const override;
  tableau_scene_values* current_tableau_scene() override;
  void set_tableau_flag() override;
  void add_tableau_mesh(int tableau, std::int64_t object, const frame& placement, const vec3& scale) override;
  void add_tableau_module_mesh(int mesh, const frame& placement, const vec3& scale, float alpha,
                               std::int64_t colour) override;
  void add_tableau_map_icon(int icon, const frame& placement, float scale) override;
  void add_tableau_figure(const tableau_figure_request& figure) override;
  void add_tableau_light(bool point, const frame& placement, const vec3& colour) override;
  void put_tableau_on_trigger_object(std::int32_t event_code, int tableau, std::int64_t object) override;
};

// Makes the tableau manager the script engine's render neighbour, and has it
// let go of its pictures when the module's tableau table is reloaded or freed.
void install_tableau_scene_host();

// The meshes of the object whose trigger runs, set by the code that runs an
// item's (-50), a scene prop's (-40) or a map icon's (-70) triggers for the
// length of the run; operations 1981 to 1983 put tableaus on them.
struct tableau_trigger_object {
  std::int32_t event_code = 0;
  std::vector<mesh*> meshes;
};
extern tableau_trigger_object g_tableau_trigger_object;

}  // namespace hm
