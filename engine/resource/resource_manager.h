#pragma once
// The registry of every engine resource. One global instance (g_resource_manager)
// lives for the whole run: it keeps one table per resource kind, finds resources
// by exact (case-sensitive) name, owns everything the resource files read, and
// drives the device objects of textures, shaders and technique records through
// the device's life as the application's device hooks call it.
//
// Tables hold pointers only. Resources read from files live in the manager's
// owned arrays (one per section read); resources that other code creates and
// registers stay owned by their creators unless handed over with adopt_resource.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/resource/resource.h"
#include "engine/resource/resource_device.h"
#include "engine/core/ruv_string.h"

namespace hm {

namespace platform::gpu {
enum class format : std::uint32_t;
}

class body;
class effect_techniques;
class lod_mesh_group;
class material;
class mesh;
class shader;
class skeleton;
class skeleton_anim;
class stream;
class technique_record;
class texture;

class resource_manager {
 public:
  // Running ids of textures, shaders and materials go 1..max_running_id, then 1 again.
  static constexpr std::int32_t max_running_id = 1000;

  resource_manager();
  ~resource_manager();
  resource_manager(const resource_manager&) = delete;
  resource_manager& operator=(const resource_manager&) = delete;

  // --- lookups: the first resource of the kind whose name equals `name` exactly ---
  // Fatal "get_object failed for: %s" on a miss. (A template so that callers,
  // which have the mesh type, get it without this header knowing it.)
  template <class T = mesh>
  T* get_mesh(const ruv_string& name) {
    return static_cast<T*>(require(mesh_resource_type_id, name));
  }
  // Null on a miss.
  template <class T = mesh>
  T* find_mesh(const ruv_string& name) {
    return static_cast<T*>(find(mesh_resource_type_id, name));
  }
  // Tries name + ".dds", name, name + ".jpg", name + ".tga"; fatal
  // "get_object failed for texture: %s" (the name as given) when none is registered.
  texture* get_texture(const ruv_string& name);
  // A miss writes "WARNING: Unable to find material <name>\n" to the log and gives
  // the material "default"; a missing "default" gives the first registered
  // material, and with none at all the miss is fatal.
  material* get_material(const ruv_string& name);
  // Fatal "get_shader failed for: %s" on a miss.
  shader* get_shader(const ruv_string& name);
  // Fatal "get_object failed for: %s" on a miss.
  body* get_body(const ruv_string& name);
  skeleton* get_skeleton(const ruv_string& name);
  // Fatal "get_skeleton_anim failed for: %s" on a miss.
  skeleton_anim* get_skeleton_anim(const ruv_string& name);
  // Null on a miss.
  technique_record* find_technique_record(const ruv_string& name);
  // The first resource of the kind with that exact name, or null.
  resource* find(int type_id, const ruv_string& name) const;

  // The shader to draw with on this device: the named shader when the device
  // supports it, else its first registered and supported alternative, else the
  // first alternative whose own choice is not the default shader, else the
  // default ("def_shader" with pixel shaders, "def_shader_ffp" without). A cycle
  // of alternatives ends in the default instead of recursing for ever.
  shader* get_shader_or_default(const ruv_string& name);

  // --- registration ---------------------------------------------------------------------
  // Adds the resource to its kind's table and to the current file's list. A name
  // registered twice is fatal ("attempt to reregister <kind> %s"); textures,
  // shaders and materials may share the empty name. Textures, shaders and
  // materials get their running id. An unknown kind is fatal.
  void register_resource(resource* r);
  // Registers the resource and keeps it until the manager is destroyed.
  resource* adopt_resource(std::unique_ptr<resource> r);
  // Keeps an array of resources that the file reader constructed.
  void keep_owned_array(std::vector<std::unique_ptr<resource>> resources);

  // --- resource files (resource_file.cpp) ------------------------------------------------
  // Loads "<name>.brf" from "CommonRes\" (from_module 0) or from the module folder's
  // "Resource\" (any other value). While enable_edit_mode is on, a text twin
  // "<name>.trf" newer than the binary file (or without one) is read instead and
  // converted to the binary file. A missing binary file is fatal
  // ("Unable to open file: %s\n"). Returns 0.
  int load_resource_file(const ruv_string& name, int from_module);
  // Reads one whole file of either form and registers every record.
  void read_resource_file(stream& s);
  // Writes, in the stream's form, every resource registered since the current
  // load began: one section per kind in the order texture, shader, material, mesh,
  // body, skeleton, skeleton_anim, then "end".
  void write_resource_file(stream& s);
  // Starts a new current file: forgets the list of resources registered by it.
  void begin_resource_file() { current_file_resources.clear(); }

  // --- device objects ----------------------------------------------------------------------
  // The device's side of textures and shaders; a null device until set. The hooks
  // object must outlive its use by the manager.
  void set_device_hooks(resource_device_hooks* hooks);
  resource_device_hooks& device_hooks() { return *hooks_; }
  bool pixel_shaders_in_use() const { return hooks_->pixel_shaders_in_use(); }

  // Every texture loads (load argument and folder handed on unchanged); every
  // shader creates its device objects; with pixel shaders, every effect shader
  // without a technique record gets the record of its technique (found or
  // created); every material takes get_shader_or_default of its shader name.
  void init_device_objects(bool try_module_folder, const ruv_string& folder);
  // Render-target surfaces of every texture; with pixel shaders, every technique
  // record looks its techniques up again. A null effect skips the lookups.
  void restore_device_textures(effect_techniques* effect);
  // Releases the device texture of every render-target texture that holds one
  // and clears every technique record.
  void release_render_target_textures();
  // Releases every texture's device texture and clears every technique record;
  // without pixel shaders, releases the pixel shader of every assembled-shader
  // shader that holds one.
  void delete_device_objects();
  // With pixel shaders: every technique record back to unresolved.
  void clear_technique_records();
  // With pixel shaders: every technique record looks its techniques up again.
  void update_technique_records(effect_techniques* effect);
  // Release, then reload (with the module folder), the file textures.
  void release_file_textures();
  void reload_file_textures();
  // With pixel shaders, once per run: makes the vertex colours of every mesh
  // linear through linearize_mesh_colors (set by the mesh code).
  void linearize_vertex_colors_once();

  // --- built at run time (resource_manager_pools.cpp) ---------------------------------------
  // The group named `name` of lod_mesh_groups; when there is none, one built
  // with create_lod_mesh_group (sharing the meshes), named and kept until exit.
  lod_mesh_group* get_lod_mesh_group(const ruv_string& name);
  // A new group of the registered meshes named `name` (level 0) and
  // `name` + ".lod1" to ".lod4" (letters in any case; another character after
  // ".lod" gives level 0); an empty level below the last takes the meshes of
  // the level under it. With share 0 the group holds copies that it owns;
  // either way the caller owns the group.
  std::unique_ptr<lod_mesh_group> create_lod_mesh_group(const ruv_string& name, int share);
  // A free render-target texture of that kind, value and size (the format is
  // not compared), else a new one named "render_target" (kept until exit, in
  // the texture table without a running id) with its device surfaces; marked
  // in use. `value` is the render code's own and only compared.
  texture* create_render_target(std::int32_t width, std::int32_t height, platform::gpu::format format,
                                std::int32_t kind, std::int32_t value);
  // create_render_target of kind 2 (a depth-stencil surface).
  texture* get_render_target(std::int32_t width, std::int32_t height, platform::gpu::format format,
                             std::int32_t value);
  // A free shadow-map material whose first texture is a colour render target of
  // that value, size and format, else a new registered one (empty name, shader
  // "shadowmap_shader") on a new render target; marked in use.
  material* get_render_target_material(std::int32_t width, std::int32_t height, platform::gpu::format format,
                                       std::int32_t value);

  // --- tables (registration order) ----------------------------------------------------------
  std::vector<lod_mesh_group*> lod_mesh_groups;
  std::vector<resource*> meshes;
  std::vector<texture*> textures;
  std::vector<shader*> shaders;
  std::vector<material*> materials;
  std::vector<resource*> bodies;
  std::vector<skeleton*> skeletons;
  std::vector<skeleton_anim*> skeleton_anims;
  std::vector<technique_record*> technique_records;
  // Resources registered since the current load_resource_file began.
  std::vector<resource*> current_file_resources;
  // The module folder prefix (ending in a separator) put before "Resource\" and
  // "Textures\"; set by the module loader.
  ruv_string module_folder;
  bool vertex_colors_linear = false;

  std::int32_t next_texture_id = 1;
  std::int32_t next_material_id = 1;
  std::int32_t next_shader_id = 1;

  // Empties and frees a LOD group when the manager is destroyed (set by the LOD
  // group code; without it the groups are left to their creator).
  std::function<void(lod_mesh_group*)> lod_mesh_group_deleter;
  // The vertex-colour pass on one mesh (set by the mesh code).
  std::function<void(resource& mesh)> linearize_mesh_colors;

 private:
  resource* require(int type_id, const ruv_string& name) const;
  shader* choose_shader(const ruv_string& name, shader* default_shader, std::vector<const shader*>& path);
  technique_record* technique_record_for(const ruv_string& technique);

  null_resource_device null_device_;
  resource_device_hooks* hooks_ = &null_device_;
  // Arrays read from files, in reading order; destroyed in reverse, so a later
  // file's resources go before the earlier ones they may point to.
  std::vector<std::vector<std::unique_ptr<resource>>> owned_arrays_;
  std::vector<std::unique_ptr<technique_record>> owned_technique_records_;
};

// The one resource manager of the program.
extern resource_manager g_resource_manager;

}  // namespace hm
