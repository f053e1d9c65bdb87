#include "engine/resource/resource_manager.h"

#include <algorithm>
#include <string>

#include "engine/resource/body.h"
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/skeleton.h"
#include "engine/resource/texture_record.h"

namespace hm {

resource_manager g_resource_manager;

namespace {

template <class T>
T* find_named(const std::vector<T*>& table, const ruv_string& name) {
  for (T* r : table) {
    if (r->name.equals(name)) return r;
  }
  return nullptr;
}

// The next running id: 1..max, then 1 again.
std::int32_t take_running_id(std::int32_t& counter) {
  std::int32_t id = counter;
  if (++counter > resource_manager::max_running_id) counter = 1;
  return id;
}

// Duplicate check of kinds that allow any number of empty names.
template <class T>
bool has_named_ignoring_empty(const std::vector<T*>& table, const ruv_string& name) {
  if (name.empty()) return false;
  for (const T* r : table) {
    if (!r->name.empty() && r->name.equals(name)) return true;
  }
  return false;
}

}  // namespace

resource_manager::resource_manager() = default;

resource_manager::~resource_manager() {
  if (lod_mesh_group_deleter) {
    for (lod_mesh_group* group : lod_mesh_groups) lod_mesh_group_deleter(group);
  }
  lod_mesh_groups.clear();
  // Later files point into earlier ones (materials into textures, meshes into
  // materials), so the arrays go in reverse reading order.
  while (!owned_arrays_.empty()) owned_arrays_.pop_back();
}

// --- lookups -------------------------------------------------------------------------------------

resource* resource_manager::find(int type_id, const ruv_string& name) const {
  switch (type_id) {
    case mesh_resource_type_id:
      return find_named(meshes, name);
    case texture_resource_type_id:
      return find_named(textures, name);
    case material_resource_type_id:
      return find_named(materials, name);
    case shader_resource_type_id:
      return find_named(shaders, name);
    case body_resource_type_id:
      return find_named(bodies, name);
    case skeleton_resource_type_id:
      return find_named(skeletons, name);
    case skeleton_anim_resource_type_id:
      return find_named(skeleton_anims, name);
    case technique_record_resource_type_id:
      return find_named(technique_records, name);
    default:
      return nullptr;
  }
}

resource* resource_manager::require(int type_id, const ruv_string& name) const {
  resource* r = find(type_id, name);
  if (r) return r;
  switch (type_id) {
    case shader_resource_type_id:
      ruv_error("get_shader failed for: %s", name.c_str());
    case skeleton_anim_resource_type_id:
      ruv_error("get_skeleton_anim failed for: %s", name.c_str());
    default:
      ruv_error("get_object failed for: %s", name.c_str());
  }
}

texture* resource_manager::get_texture(const ruv_string& name) {
  std::string base = name.c_str();
  for (const char* suffix : {".dds", "", ".jpg", ".tga"}) {
    if (texture* t = find_named(textures, ruv_string((base + suffix).c_str()))) return t;
  }
  ruv_error("get_object failed for texture: %s", name.c_str());
}

material* resource_manager::get_material(const ruv_string& name) {
  if (material* m = find_named(materials, name)) return m;
  log_line(std::string("WARNING: Unable to find material ") + name.c_str() + "\n");
  if (!name.equals_cstr("default")) return get_material(ruv_string("default"));
  // A missing "default" falls back on the first material; with no material at
  // all there is nothing to draw with, and a null here would only crash later.
  if (materials.empty()) {
    ruv_error("Unable to find material %s: no material \"default\" and no materials loaded", name.c_str());
  }
  return materials.front();
}

shader* resource_manager::get_shader(const ruv_string& name) {
  return static_cast<shader*>(require(shader_resource_type_id, name));
}

body* resource_manager::get_body(const ruv_string& name) {
  return static_cast<body*>(require(body_resource_type_id, name));
}

skeleton* resource_manager::get_skeleton(const ruv_string& name) {
  return static_cast<skeleton*>(require(skeleton_resource_type_id, name));
}

skeleton_anim* resource_manager::get_skeleton_anim(const ruv_string& name) {
  return static_cast<skeleton_anim*>(require(skeleton_anim_resource_type_id, name));
}

technique_record* resource_manager::find_technique_record(const ruv_string& name) {
  return find_named(technique_records, name);
}

// --- shader choice ----------------------------------------------------------------------------------

shader* resource_manager::get_shader_or_default(const ruv_string& name) {
  get_shader(name);  // a missing named shader is reported before a missing default
  shader* default_shader = get_shader(ruv_string(pixel_shaders_in_use() ? "def_shader" : "def_shader_ffp"));
  std::vector<const shader*> path;
  return choose_shader(name, default_shader, path);
}

shader* resource_manager::choose_shader(const ruv_string& name, shader* default_shader,
                                        std::vector<const shader*>& path) {
  shader* named = get_shader(name);
  const resource_device_hooks& hooks = *hooks_;
  if (hooks.is_supported(*named)) return named;
  int count = std::clamp(named->alternative_count, 0, shader::max_alternatives);
  for (int i = 0; i < count; ++i) {
    shader* alternative = find_named(shaders, named->alternatives[i]);
    if (alternative && hooks.is_supported(*alternative)) return alternative;
  }
  // Alternatives may lead back to a shader already being chosen (a cycle in the
  // data); such a branch gives nothing and the walk goes on.
  path.push_back(named);
  for (int i = 0; i < count; ++i) {
    const shader* alternative = find_named(shaders, named->alternatives[i]);
    if (alternative && std::find(path.begin(), path.end(), alternative) != path.end()) continue;
    shader* chosen = choose_shader(named->alternatives[i], default_shader, path);
    if (chosen != default_shader) {
      path.pop_back();
      return chosen;
    }
  }
  path.pop_back();
  return default_shader;
}

// --- registration -------------------------------------------------------------------------------------

void resource_manager::register_resource(resource* r) {
  const ruv_string& name = r->name;
  switch (r->get_type_id()) {
    case mesh_resource_type_id:
      if (find_named(meshes, name)) ruv_error("attempt to reregister mesh %s", name.c_str());
      meshes.push_back(r);
      break;
    case texture_resource_type_id: {
      auto* t = static_cast<texture*>(r);
      if (has_named_ignoring_empty(textures, name)) ruv_error("attempt to reregister texture %s", name.c_str());
      t->id = take_running_id(next_texture_id);
      textures.push_back(t);
      break;
    }
    case shader_resource_type_id: {
      auto* s = static_cast<shader*>(r);
      if (has_named_ignoring_empty(shaders, name)) ruv_error("attempt to reregister shader %s", name.c_str());
      s->id = take_running_id(next_shader_id);
      shaders.push_back(s);
      break;
    }
    case material_resource_type_id: {
      auto* m = static_cast<material*>(r);
      if (has_named_ignoring_empty(materials, name)) ruv_error("attempt to reregister material %s", name.c_str());
      m->id = take_running_id(next_material_id);
      materials.push_back(m);
      break;
    }
    case body_resource_type_id:
      if (find_named(bodies, name)) ruv_error("attempt to reregister body %s", name.c_str());
      bodies.push_back(r);
      break;
    case skeleton_resource_type_id:
      if (find_named(skeletons, name)) ruv_error("attempt to reregister skeleton model %s", name.c_str());
      skeletons.push_back(static_cast<skeleton*>(r));
      break;
    case skeleton_anim_resource_type_id:
      if (find_named(skeleton_anims, name)) ruv_error("attempt to reregister skeleton anim %s", name.c_str());
      skeleton_anims.push_back(static_cast<skeleton_anim*>(r));
      break;
    default:
      ruv_error("Unrecognized resource type.");
  }
  current_file_resources.push_back(r);
}

resource* resource_manager::adopt_resource(std::unique_ptr<resource> r) {
  resource* raw = r.get();
  std::vector<std::unique_ptr<resource>> array;
  array.push_back(std::move(r));
  owned_arrays_.push_back(std::move(array));
  register_resource(raw);
  return raw;
}

void resource_manager::keep_owned_array(std::vector<std::unique_ptr<resource>> resources) {
  if (!resources.empty()) owned_arrays_.push_back(std::move(resources));
}

// --- device objects ------------------------------------------------------------------------------------

void resource_manager::set_device_hooks(resource_device_hooks* hooks) { hooks_ = hooks ? hooks : &null_device_; }

technique_record* resource_manager::technique_record_for(const ruv_string& technique) {
  if (technique_record* existing = find_technique_record(technique)) return existing;
  auto record = std::make_unique<technique_record>();
  record->name = technique;
  technique_record* raw = record.get();
  owned_technique_records_.push_back(std::move(record));
  technique_records.push_back(raw);
  return raw;
}

void resource_manager::init_device_objects(bool try_module_folder, const ruv_string& folder) {
  for (texture* t : textures) hooks_->load_texture(*t, try_module_folder, folder);
  for (shader* s : shaders) hooks_->create_shader_device_objects(*s);
  if (pixel_shaders_in_use()) {
    for (shader* s : shaders) {
      if ((s->flags & shader::flag_effect) && !s->technique_rec) s->technique_rec = technique_record_for(s->technique);
    }
  }
  for (material* m : materials) m->shader_ptr = get_shader_or_default(m->shader_name);
}

void resource_manager::restore_device_textures(effect_techniques* effect) {
  for (texture* t : textures) hooks_->create_render_target_surfaces(*t);
  if (pixel_shaders_in_use() && effect) {
    for (technique_record* record : technique_records) record->find_technique(*effect);
  }
}

void resource_manager::release_render_target_textures() {
  for (texture* t : textures) {
    if ((t->kind == texture::kind_render_target || t->kind == texture::kind_depth_target) && t->loaded) {
      hooks_->release_texture(*t);
    }
  }
  for (technique_record* record : technique_records) record->clear();
}

void resource_manager::delete_device_objects() {
  for (texture* t : textures) {
    if (t->loaded) hooks_->release_texture(*t);
  }
  for (technique_record* record : technique_records) record->clear();
  if (!pixel_shaders_in_use()) {
    for (shader* s : shaders) {
      if ((s->flags & shader::flag_assembled_pixel_shader) && s->pixel_shader) hooks_->release_pixel_shader(*s);
    }
  }
}

void resource_manager::clear_technique_records() {
  if (!pixel_shaders_in_use()) return;
  for (technique_record* record : technique_records) record->clear();
}

void resource_manager::update_technique_records(effect_techniques* effect) {
  if (!pixel_shaders_in_use() || !effect) return;
  for (technique_record* record : technique_records) record->find_technique(*effect);
}

void resource_manager::release_file_textures() {
  for (texture* t : textures) {
    if (t->kind == texture::kind_file && t->loaded) hooks_->release_texture(*t);
  }
}

void resource_manager::reload_file_textures() {
  for (texture* t : textures) {
    if (t->kind == texture::kind_file) hooks_->load_texture(*t, true, module_folder);
  }
}

void resource_manager::linearize_vertex_colors_once() {
  if (!pixel_shaders_in_use() || vertex_colors_linear) return;
  if (linearize_mesh_colors) {
    for (resource* m : meshes) linearize_mesh_colors(*m);
  }
  vertex_colors_linear = true;
}

}  // namespace hm
