#pragma once
// The mesh: the engine's geometry resource. A named triangle mesh with a
// material, its points, vertices and faces, optional bone weights for skinning,
// optional vertex-animation keys, attached particle systems and an attached
// light, a local frame, a visibility mask and a 64-bit render sort key.
//
// Copies share geometry with their source until edited (copy-on-write): a copy
// links straight to a mesh that owns its data, reads go to the first mesh along
// the source chain that owns the arrays in question, and every edit first makes
// the arrays its own (make_geometry_own for points, vertices, skinning, bone
// weights and keys; make_faces_own for faces). A source must outlive its copies.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/resource/mesh_bounding_box.h"
#include "engine/resource/resource.h"

namespace hm {

class material;
class mesh_ground;
class mesh_light_context;
class mesh_render_view;
class particle_system_instance;
class resource_manager;
class stream;
struct resource_section_kind;

struct mesh_point {
  vec3 position;          // as stored in the file
  vec3 current_position;  // as drawn; vertex animation writes here
};

struct mesh_vertex {
  vec3 normal;  // as stored
  vec3 tangent;
  vec3 binormal;
  vec3 current_normal;
  float uv[2] = {0.0f, 0.0f};
  float uv2[2] = {0.0f, 0.0f};
  std::int32_t point = 0;  // index into the points
  std::uint32_t color = 0xFFFFFFFFu;
  std::uint32_t current_color = 0xFFFFFFFFu;  // as drawn (linear with pixel shaders)
  std::uint32_t extra = 0;
};

struct mesh_face {
  vec3 normal;
  std::int32_t vertex[3] = {0, 0, 0};
  std::int32_t word = 0;
};

struct bone_weight {
  std::int32_t point = 0;
  float weight = 0.0f;
};

struct bone_weight_list {
  std::int32_t bone = 0;
  std::vector<bone_weight> weights;
};

struct vertex_skinning {
  float weight[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  std::int32_t bone[4] = {0, 0, 0, 0};
  float bone_f[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// One key frame of vertex animation: a position per point, a normal per vertex.
struct vertex_anim_key {
  std::vector<vec3> positions;
  std::vector<vec3> normals;
};

// A light of a render view: carried by a mesh (rendering fills its world
// position) or set up by the scene (the sun and sky lights are directional).
struct mesh_light {
  static constexpr std::int32_t point = 0;
  static constexpr std::int32_t directional = 2;

  vec3 local_position;
  vec3 world_position;
  color diffuse;
  float radius = 0.0f;  // the range of a point light
  // Bit 0 marks a fill light (directional, not the sun); bit 1 a sun that casts no shadows.
  std::uint32_t flags = 0;
  std::int32_t type = point;
  vec3 direction{0.0f, 0.0f, -1.0f};  // directional lights: where the light goes
  // Flicker: the colour is scaled by 1 + 15 x amount x noise(cell size, time + phase).
  float flicker_amount = 0.0f;
  float flicker_cell = 1.0f;
  std::int32_t flicker_phase = 0;
};

// One of the three device-buffer records the renderer's buffer pools use: the
// first places the mesh's vertices, the second its indices, the third is not
// pooled.
struct mesh_buffer_record {
  std::int32_t first_word = 0;   // the class word: the vertex format (0 to 4)
  std::int32_t second_word = 0;  // the switch word: 0 static pool, 1 dynamic pool
  std::int32_t start = 0;        // first element of the mesh's data in its buffer
  std::int32_t buffer_generation = 0;  // the static buffer's generation when written
  std::int32_t word = 0;
  std::int32_t switch_written = 0;  // the switch word when the data was written
  // The dirty byte of the last two frames that filled the record, alternating.
  std::int32_t dirty_history[2] = {0, 0};
  std::int32_t history_index = 0;
  std::int32_t frame_stamp = -1;  // the frame counter of the last fill
  std::uint8_t changed = 1;       // the change mark: the geometry changed since written
  std::uint8_t queued = 0;        // in a buffer's queue this render
};

// The mesh flags bits that set the sort switches when the mesh is queued.
constexpr std::uint32_t mesh_flag_low_switch_off = 1u << 28;
constexpr std::uint32_t mesh_flag_low_switch_on = 1u << 29;
constexpr std::uint32_t mesh_flag_high_switch_off = 1u << 30;
constexpr std::uint32_t mesh_flag_high_switch_on = 1u << 31;

// Material flag bits the mesh code reads.
constexpr std::uint32_t material_flag_sort_first = 0x10000;
constexpr std::uint32_t material_flag_always_batch = 0x40000;
constexpr std::uint32_t material_flag_batch_small = 0x80000;
// Shader flag bit 6: the shader is lit once per mesh, not per vertex.
constexpr std::uint32_t shader_flag_lit_per_mesh = 0x40;

// Largest bone count of a skinned mesh (the bone palette holds 32 matrices).
constexpr int mesh_max_bones = 32;

// Point count under which a mesh whose material has flag 0x80000 is batched
// (plus 70 for a skinned shader). The mission screen's debug keys move it by 5.
extern int g_mesh_batch_point_limit;

class mesh : public resource {
 public:
  mesh();
  ~mesh() override;
  mesh(const mesh&) = delete;
  mesh& operator=(const mesh&) = delete;

  int get_type_id() const override { return mesh_resource_type_id; }
  const char* get_type_name() const override { return "mesh"; }
  // Writes sort_key (see the .cpp for the layout of the key) and returns it.
  virtual std::int64_t compute_sort_key();

  // --- copies --------------------------------------------------------------------------
  // A new mesh sharing this one's geometry and faces; it takes the material (use
  // count + 1), flags, both colours, name, bone count and bounding box.
  std::unique_ptr<mesh> create_copy() const;
  // As create_copy, but the bounding box stays all zero.
  std::unique_ptr<mesh> make_instance() const;
  // Copies points, vertices, skinning, bone weights and keys from the source
  // when they are not this mesh's own yet.
  void make_geometry_own();
  // Copies the faces from the source when they are not this mesh's own yet.
  void make_faces_own();
  // The mesh whose points, vertices, skinning, bone weights and keys this one
  // reads (itself when it owns them), and the one whose faces it reads.
  const mesh& geometry_owner() const;
  mesh& geometry_owner();
  const mesh& faces_owner() const;

  // --- readers (the owning mesh's arrays) ---------------------------------------------
  const std::vector<mesh_point>& get_points() const { return geometry_owner().points; }
  const std::vector<mesh_vertex>& get_vertices() const { return geometry_owner().vertices; }
  const std::vector<vertex_skinning>& get_vertex_skinning() const { return geometry_owner().skinning; }
  const std::vector<bone_weight_list>& get_bone_weights() const { return geometry_owner().bone_weights; }
  const std::vector<vertex_anim_key>& get_vertex_anim_keys() const { return geometry_owner().vertex_anim_keys; }
  const std::vector<std::int32_t>& get_vertex_anim_times() const { return geometry_owner().vertex_anim_times; }
  const std::vector<mesh_face>& get_faces() const { return faces_owner().faces; }

  // --- building ---------------------------------------------------------------------------
  std::int32_t add_point(const vec3& p);
  std::int32_t add_vertex(std::int32_t point, float u, float v, std::uint32_t color, const vec3& normal,
                          std::uint32_t extra = 0);
  std::int32_t add_face(std::int32_t v0, std::int32_t v1, std::int32_t v2);
  // Appends a bone-weight list and a vertex-animation key (making the geometry own).
  void add_bone_weight_list(bone_weight_list list);
  void add_vertex_anim_key(std::int32_t time, vertex_anim_key key);
  // Empties points, vertices, skinning, bone weights, keys and faces (keeping
  // their capacity) so that the mesh can be rebuilt; both become its own.
  void clear_geometry();
  // Sets the material, holding it (use count + 1) and releasing the old one.
  void set_material(material* m);

  // --- derived data -------------------------------------------------------------------------
  // The box of the stored positions of the points this mesh reads.
  void compute_bounding_box();
  // Tangents and binormals from the faces and first texture coordinates.
  void compute_tangent_frames();
  // Skinning records from the bone-weight lists: four (bone, weight) slots per
  // point, the shortfall below 1.0 added to the first weight.
  void build_vertex_skinning();
  // Rebuilds the skinning of the owning mesh when it has fewer records than vertices.
  void ensure_vertex_skinning();
  // One more than the largest bone index of the bone-weight lists (0 without).
  std::int32_t highest_bone_count() const;
  // Normals of the vertices from their faces (current_normal).
  void compute_normals();

  // --- vertex animation -------------------------------------------------------------------
  // With keys: anim_time = t, but not beyond the last key's time.
  void set_vertex_anim_time(float t);
  // Blends the keys around anim_time into the current positions and normals
  // when anim_time differs from the time last applied.
  void apply_vertex_animation();

  // --- resource file record ------------------------------------------------------------------
  // Reads the record on a freshly constructed mesh (the material is looked up in
  // the manager). Every count and index is checked; a broken record is fatal
  // with a message naming the mesh.
  void read(stream& s, resource_manager& manager);
  // Writes the record from the arrays this mesh reads.
  void write(stream& s) const;

  // --- edits (mesh_operations.cpp) --------------------------------------------------------------
  // Multiplies positions, key positions and normals by the factors; an odd count
  // of negative factors flips the faces so they stay outward. The box is
  // rebuilt from the scaled corners, so it stays ordered under a mirror.
  void scale(float x, float y, float z);
  void scale_uniform(float s);
  void translate(const vec3& d);
  // Points (as points) and vertex normals (as directions) through the frame.
  void transform(frame f);
  // As transform, and the vertex-animation keys too.
  void apply_frame(const frame& f);
  void set_vertex_color(std::uint32_t argb);
  void multiply_vertex_colors(float r, float g, float b);
  // Swaps the first and third index of every face.
  void flip_faces();
  // Applies the animation at time t and stores the result as the rest geometry.
  void bake_vertex_animation(float t);
  // Appends another mesh's geometry placed by the frame (append_mesh_whole) and
  // recomputes the box.
  void add_transformed_mesh(const mesh& other, const frame& f);
  // Sinks the points near their ground surface point towards 1.5 below it.
  void adjust_heights_near_point(const mesh_ground& ground);
  // Lights the mesh with the scene's lights into the vertex colours.
  void bake_lighting(mesh_light_context& lights, const frame& f, std::uint32_t light_flags);
  // Appends another mesh: its current positions placed by the frame, its
  // normals turned, its colours multiplied channel by channel by `tint`; with
  // bone 0 or more every appended vertex is bound to that bone alone.
  void append_mesh(const mesh& other, const frame& f, std::int32_t bone = -1, std::uint32_t tint = 0xFFFFFFFFu);
  void append_mesh_whole(const mesh& other, const frame& f) { append_mesh(other, f, -1, 0xFFFFFFFFu); }

  // --- per frame ------------------------------------------------------------------------------
  void update_particle_systems(float dt, const frame& parent);
  // Prepares the mesh and queues it (or batches it) in the view. Returns 0.
  int render(mesh_render_view& view, const frame& parent);

  // With pixel shaders, once per run: the vertex colours become linear (each of
  // red, green and blue raised to 2.2), in the stored and the drawing colour.
  void linearize_vertex_colors();

  // --- the sort switches and change marks in the device-buffer records ---------------------
  std::int32_t shader_class() const { return buffers[0].first_word; }
  void set_shader_class(std::int32_t c) { buffers[0].first_word = c; }
  std::int32_t low_sort_switch() const { return buffers[0].second_word; }
  void set_low_sort_switch(std::int32_t v) {
    buffers[0].second_word = v;
    buffers[2].second_word = v;
  }
  std::int32_t high_sort_switch() const { return buffers[1].second_word; }
  void set_high_sort_switch(std::int32_t v) { buffers[1].second_word = v; }
  bool vertices_changed() const { return buffers[0].changed != 0; }
  bool faces_changed() const { return buffers[1].changed != 0; }
  void mark_vertices_changed() { buffers[0].changed = 1; }
  void mark_faces_changed() { buffers[1].changed = 1; }
  void clear_change_marks() {
    buffers[0].changed = 0;
    buffers[1].changed = 0;
  }

  // --- fields ---------------------------------------------------------------------------------
  std::int32_t base_word = 0;
  // The mesh whose data this copy shares; null in a mesh that owns its data.
  mesh* source = nullptr;
  ruv_string material_name;
  material* mat = nullptr;
  std::uint32_t flags = 0;
  // How the renderer turns the mesh: 0 as placed; 1 about its own up axis to
  // face the camera; any other value takes the camera's axes.
  std::uint32_t billboard_mode = 0;
  // Set: culling takes the mesh's faces as wound the other way.
  std::uint32_t flip_winding = 0;
  std::uint8_t batch_byte = 0;  // 1 in a view's batch mesh
  std::uint32_t color = 0xFFFFFFFFu;
  std::uint32_t color2 = 0xFFFFFFFFu;
  float batch_distance = 0.0f;
  float texture_phase = 0.0f;
  std::int32_t unset_word = 0;
  // Set: drawn alpha-blended (blend mode 1) whatever its material asks.
  std::uint8_t force_blend = 0;
  // The texture offsets the effect shifts the coordinates by (scrolling water).
  float texture_offset[2] = {0.0f, 0.0f};
  // The texture transform of shader stages that transform their coordinates:
  // a 4 x 4 matrix of row vectors as the device takes it.
  float texture_matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

  std::vector<mesh_vertex> vertices;
  std::vector<vertex_skinning> skinning;
  std::vector<mesh_point> points;
  std::vector<bone_weight_list> bone_weights;
  std::vector<mesh_face> faces;
  bool owns_faces = true;
  bool owns_geometry = true;
  std::vector<vertex_anim_key> vertex_anim_keys;
  std::vector<std::int32_t> vertex_anim_times;

  std::vector<std::unique_ptr<particle_system_instance>> particle_systems;
  std::unique_ptr<mesh_light> light;
  float applied_anim_time = -1.0f;
  float anim_time = -1.0f;
  frame local_frame = frame::identity();
  std::uint32_t visibility_mask = 0xFFFFu;
  mesh_buffer_record buffers[3];
  frame world_frame = frame::identity();
  frame second_frame = frame::identity();
  std::int32_t render_order = 128;
  // The bone palette that skinning fills (32 matrices of 16 floats), and the
  // skeleton's bone positions it reads.
  std::vector<float> bone_palette;
  const vec3* skeleton_bone_positions = nullptr;
  std::int32_t skeleton_bone_position_count = 0;
  std::int32_t bone_count = 0;
  std::int64_t sort_key = 0;
  bounding_box bbox{};

 private:
  std::unique_ptr<mesh> copy_shell() const;
};

// A new mesh with the material (held), flags bits 29 and 31 added, both sort
// switches 1, batch distance 10000 and the batch byte 1: what a view keeps per
// material for the small meshes it batches.
std::unique_ptr<mesh> make_batch_mesh(material& m);

// mesh::render on each non-null entry.
void render_meshes(const std::vector<mesh*>& meshes, mesh_render_view& view, const frame& parent);

// The "mesh" section of resource files.
resource_section_kind mesh_section_kind();
// Lets the resource manager run the vertex-colour pass on meshes.
void install_mesh_hooks(resource_manager& manager);

// Render sort key of a mesh with these inputs (compute_sort_key's arithmetic).
std::int64_t mesh_sort_key(std::uint32_t material_flags, std::uint32_t mesh_color, std::int32_t shader_class,
                           std::int32_t low_switch, std::int32_t high_switch, std::int32_t render_order,
                           std::int32_t shader_id, std::int32_t material_id);
// The class a shader's flags give: 0 without bit 29; else 1, or 2 with bit 30,
// plus 2 with bit 31.
std::int32_t shader_class_of_flags(std::uint32_t shader_flags);

}  // namespace hm
