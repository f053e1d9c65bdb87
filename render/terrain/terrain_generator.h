#pragma once
// The terrain generator: turns a terrain code into a battle terrain (a height
// grid of vertices with normals, ground-layer weights and river marks, a cell
// grid with split diagonals and triangle layers, and three lists of placed
// flora). Every result is a pure function of the code, the optional ground
// paint and the module's flora kinds and ground kinds: the engine's random
// source is reseeded from the code at three fixed points and every pass draws
// from it in a fixed order, so one extra or missing draw changes every terrain
// after it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "render/scene/ground_manifold.h"
#include "render/terrain/ground_paint.h"
#include "render/terrain/height_field.h"
#include "render/terrain/terrain_code.h"

namespace hm {

class body;
class entity;
class material;
class mesh;
class scene_world;
struct message_log;

inline constexpr std::int32_t terrain_layer_count = 15;
inline constexpr std::int32_t terrain_min_cells = 40;
inline constexpr std::int32_t terrain_max_cells = 250;
inline constexpr std::int32_t placed_item_limit = 262144;
inline constexpr std::int32_t list_kind_limit = 32;
// Cells per block edge; the block grid covers the whole terrain.
inline constexpr std::int32_t terrain_block_cells = 40;
inline constexpr std::int32_t terrain_max_blocks = 5;

// Vertex flag bits of the river.
inline constexpr std::uint32_t vertex_river_path = 4;
inline constexpr std::uint32_t vertex_river_wide = 16;

// Flora kind flags the generator reads.
inline constexpr std::uint64_t flora_plain = 0x4;
inline constexpr std::uint64_t flora_steppe = 0x8;
inline constexpr std::uint64_t flora_snow = 0x10;
inline constexpr std::uint64_t flora_desert = 0x20;
inline constexpr std::uint64_t flora_forest = 0x400;
inline constexpr std::uint64_t flora_steppe_forest = 0x800;
inline constexpr std::uint64_t flora_snow_forest = 0x1000;
inline constexpr std::uint64_t flora_desert_forest = 0x2000;
inline constexpr std::uint64_t flora_aligned = 0x40000;
inline constexpr std::uint64_t flora_grass = 0x80000;
inline constexpr std::uint64_t flora_tree = 0x400000;
inline constexpr std::uint64_t flora_picked_first = 0x1000000;

// What the generator needs of one module flora kind.
struct terrain_flora_kind {
  // The flag bits above; bits 32..47 hold the kind's density.
  std::uint64_t flags = 0;
  std::int32_t variant_count = 0;
  // The mesh of each variant (none where the module has none).
  std::vector<const mesh*> variant_meshes;
  // The collision body of each variant (none where it has none).
  std::vector<const body*> variant_bodies;

  std::uint32_t density() const { return static_cast<std::uint32_t>((flags >> 32) & 0xFFFF); }
};

// What the generator needs of one module ground kind.
struct terrain_ground_kind {
  ruv_string name;
  std::int32_t flags = 0;
  material* ground_material = nullptr;
  float scale = 1.0f;
  material* detail_material = nullptr;
};

// The module data the generator draws on, handed over as plain values (the
// module loader fills it once its Data files are read).
struct terrain_module_data {
  std::vector<terrain_flora_kind> flora_kinds;
  std::vector<terrain_ground_kind> ground_kinds;
};

struct terrain_layer {
  ruv_string name;
  std::int32_t ground_kind = -1;  // -1: layer unused
  std::int32_t flags = 0;
  std::int32_t required_vertex_flag = -1;  // -1: any vertex
  material* ground_material = nullptr;
  material* second_material = nullptr;
  float scale = 1.0f;
};

struct terrain_vertex {
  vec3 position;  // x, y, height z
  std::int32_t index_0 = -1;
  std::int32_t index_1 = -1;
  float hill_factor = 1.0f;
  std::uint32_t flags = 0;
  vec3 normal;
  // (0.7 x, 0.7 y, 0, 1); on the river (across, along, heading x, heading y).
  float texture_position[4] = {};
  float sun_visibility = 1.0f;
  std::int32_t path_step = -1;
  float layer_weights[terrain_layer_count] = {};
  float base_height = 0.0f;  // the unpainted height
  float paint_offset = 0.0f;
  std::uint32_t paint_colour = 0xFFFFFFFFu;  // all bits set: none
  float edge_weight = 1.0f;
};

struct terrain_cell {
  std::int32_t diagonal = 0;
  std::int32_t triangle_layer[2] = {};
  vec3 normal_0{0.0f, 0.0f, 1.0f};
  vec3 normal_1{0.0f, 0.0f, 1.0f};
  std::int32_t triangle_index[2] = {-1, -1};
  float layer2_density = 0.0f;
};

struct list_kind {
  std::int32_t flora_kind = 0;
  float frequency = 0.0f;
  float threshold = 0.0f;
  float noise_offset[3] = {};
  float weight = 0.0f;
};

struct placed_item {
  std::int32_t flora_kind = 0;
  std::int32_t cell_x = 0;
  std::int32_t cell_y = 0;
  std::int32_t triangle = 0;
  frame placement;
  vec3 scale;
  std::int32_t variant = 0;
  std::int32_t last_word = 0;
  // Set once the item's vertices carry the scene's light.
  bool lit = false;
  // The mesh builders' four (merged mesh, first vertex, vertex count) triples.
  std::int32_t mesh_refs[12] = {};
  std::int32_t mesh_count = 0;
};

struct placed_item_list {
  std::vector<placed_item> items;  // at most placed_item_limit
  std::int32_t kind_count = 0;
  std::array<list_kind, list_kind_limit> kinds;

  std::int32_t count() const { return static_cast<std::int32_t>(items.size()); }
  bool full() const { return count() >= placed_item_limit; }
};

// One block of the terrain's mesh grid: cells [first, first + span) per axis.
struct terrain_block {
  std::int32_t first_x = 0;
  std::int32_t first_y = 0;
  std::int32_t span_x = 0;
  std::int32_t span_y = 0;
  // Where the block's entity stands: the vertex at the block's middle, 2 up.
  vec3 position;
  // The entity in the scene that carries the block's meshes (none without a
  // scene).
  entity* block_entity = nullptr;
};

// The terrain size the outer-terrain meshes are made for.
inline constexpr float outer_terrain_authored_size = 100.0f;

// Ground layers and the shadow layer, each with one mesh per block.
inline constexpr std::int32_t terrain_mesh_layers = 16;

class terrain_generator {
 public:
  terrain_generator();
  ~terrain_generator();
  terrain_generator(const terrain_generator&) = delete;
  terrain_generator& operator=(const terrain_generator&) = delete;

  terrain_code code;
  std::array<terrain_layer, terrain_layer_count> layers;
  float size_x = 0.0f;
  float size_y = 0.0f;
  std::int32_t cells_x = 0;
  std::int32_t cells_y = 0;
  float mesh_builder_value = 0.0f;
  std::int32_t river_widening = 2;
  float cell_size = 2.0f;
  scene_world* scene = nullptr;  // not owned
  std::array<placed_item_list, 3> placed_items;
  vec3 origin;
  // The scene's summed light at the origin (set by generation in a scene).
  vec3 light_direction;
  vec3 light_colour;
  vec3 ambient_colour{0.2f, 0.2f, 0.2f};
  vec3 sun_colour{0.6f, 0.55f, 0.5f};
  float hill_noise_scale = 0.0f;
  vec3 noise_offset;
  std::int32_t piece_size = terrain_block_cells;
  bool place_river = false;
  std::int32_t blocks_x = 0;
  std::int32_t blocks_y = 0;
  std::vector<terrain_block> blocks;  // blocks_x * blocks_y, x major

  // Built at the end of each generation: the walkable ground, its height
  // field, the layer meshes of every block ([block * 16 + layer], null where a
  // layer shows nothing) and the water mesh.
  ground_manifold manifold;
  height_field heights;
  std::vector<std::unique_ptr<mesh>> layer_meshes;
  std::unique_ptr<mesh> water_mesh;
  material* water_material = nullptr;
  // The placed flora merged per block and material; flora_mesh_blocks holds
  // each merged mesh's block.
  std::vector<std::unique_ptr<mesh>> flora_meshes;
  // The scene's outer-terrain mesh group (the surroundings beyond the
  // terrain's edge), named by the scene record; a name of 3 characters or
  // fewer names none. Its meshes are authored around the origin for a terrain
  // of outer_terrain_authored_size on each axis.
  ruv_string outer_terrain_name;
  // The nine entities of the surroundings, [x * 3 + y] by where a mesh's
  // centre lies on each axis: before the terrain, over it, beyond it.
  std::array<entity*, 9> outer_entities{};
  // The flora slots: the grass entities of the scene, [x * 48 + y], null
  // where there is none; the two flora counters say how many cells of the
  // grid are in use on each axis.
  std::array<entity*, 48 * 48> grass_entities{};
  std::int32_t grass_cells_x = 0;
  std::int32_t grass_cells_y = 0;
  std::vector<std::int32_t> flora_mesh_blocks;
  // With pixel shaders, layer 2 is drawn as an overlay of layer 1.
  bool layer_pairing = false;

  // The module's flora kinds and ground kinds; empty until the module is
  // loaded (a terrain generated without them has no layers from kinds and no
  // flora).
  terrain_module_data module_data;
  // The player's grass-density option, a percentage.
  std::int32_t grass_density = 50;
  // The player's plant-shadow option: 0 none, 1 quick, 2 full. With pixel
  // shaders and any plant shadows the shaders light the flora themselves.
  std::int32_t plant_shadows = 2;
  // Whether a stored ground paint block gets the terrain's layers (edit mode)
  // or an empty block.
  bool edit_mode = false;
  // Drawing with pixel shaders (the shaders then light and shade the ground
  // and its flora themselves).
  bool pixel_shaders = true;
  // The environment-shadows option: without pixel shaders the ground gets a
  // shadow layer that lays the render passes' shadow texture on it.
  bool environment_shadows = true;
  // The on-screen message log that warnings of the build go to (none: the
  // engine log); the user interface hands it in.
  message_log* messages = nullptr;
  // A segment test in place of the scene's (true when nothing blocks the
  // segment). Without either every vertex counts as lit.
  std::function<bool(const vec3& from, const vec3& to)> segment_clear;
  // The scene's capsule sweep along a segment (true when it arrives
  // unblocked), which add_features may ask for in place of the segment test
  // when it lights the placed items; the mission fills it in. Without it the
  // segment test serves.
  std::function<bool(const vec3& from, const vec3& to)> capsule_clear;

  // Builds the terrain from `code`. With a ground-paint block it is laid over
  // the result; with store_paint the block is first rewritten for this
  // terrain. With a scene, each block gets an entity carrying its meshes and
  // the scene takes a copy of the ground manifold.
  void generate_terrain(scene_world* scene = nullptr, ground_paint* paint = nullptr, bool store_paint = false);
  void reset_terrain_generator();

  std::int32_t vertex_count_x() const { return cells_x + 1; }
  std::int32_t vertex_count_y() const { return cells_y + 1; }
  terrain_vertex& vertex(std::int32_t x, std::int32_t y) {
    return vertices_[static_cast<std::size_t>(x) * static_cast<std::size_t>(cells_y + 1) + static_cast<std::size_t>(y)];
  }
  const terrain_vertex& vertex(std::int32_t x, std::int32_t y) const {
    return vertices_[static_cast<std::size_t>(x) * static_cast<std::size_t>(cells_y + 1) + static_cast<std::size_t>(y)];
  }
  terrain_cell& cell(std::int32_t x, std::int32_t y) {
    return cells_[static_cast<std::size_t>(x) * static_cast<std::size_t>(cells_y) + static_cast<std::size_t>(y)];
  }
  const terrain_cell& cell(std::int32_t x, std::int32_t y) const {
    return cells_[static_cast<std::size_t>(x) * static_cast<std::size_t>(cells_y) + static_cast<std::size_t>(y)];
  }
  // The three grid points of a cell's triangle (0 or 1), in corner order.
  void triangle_corners(std::int32_t x, std::int32_t y, std::int32_t triangle, std::int32_t (&points)[3][2]) const;

  // The highest-numbered layer 1..14 with weight above 0.4, else 0.
  static std::int32_t top_layer(const terrain_vertex& v);
  // Weight of layer i at least 0.01 and not hidden by the layers above it.
  static bool layer_visible(const terrain_vertex& v, std::int32_t layer);

  // The cell under a point, clamped to the grid.
  void cell_of_point(const vec3& p, std::int32_t& x, std::int32_t& y) const;
  // The ground position under a point (z is the height), interpolated along
  // the cell's edges and held at the grid's borders.
  vec3 sample_height(const vec3& p) const;
  // Inner cells (20 cells in from every border) too steep to fight on.
  std::int32_t count_steep_cells() const;
  // The tint of the ground at a point; white in snow.
  color vertex_color_variation(const vec3& p) const;
  // 1 when the sun reaches the point, else 0.
  float vertex_sun_visibility(const vec3& position) const;
  // Ambient plus sun light on a surface of the given normal.
  vec3 item_light(const vec3& normal, float factor) const;

  // Bakes the light of the scene into the vertex colours of one placed item's
  // share of its merged flora mesh: ambient x 1.5 plus the sun, times the
  // vertex's own colour; grass takes the sun by the slope it stands on, and
  // low plants that the scene hides from the sun keep a tenth of it. Each
  // item is lit once.
  // With `sweep` the sun's path to a low plant is tested by the capsule sweep.
  // With pixel shaders and quick plant shadows each vertex also takes the
  // shadow map's answer for where it stands.
  void light_placed_item(std::int32_t list, std::int32_t item, bool sweep = false);
  void light_placed_items(std::int32_t list, bool sweep = false);

  void add_placed_item(std::int32_t list, std::int32_t flora_kind, const frame& placement, const vec3& scale,
                       std::int32_t variant_seed);
  // Into list 2 for grass, 1 for trees, else 0.
  void add_flora_item(std::int32_t flora_kind, const frame& placement, const vec3& scale, std::int32_t variant_seed);

  // Fills a ground-paint block for this terrain: the eleven ground kinds, the
  // elevation and the colour layer, no values.
  void store_ground_paint(ground_paint& paint) const;
  void store_empty_ground_paint(ground_paint& paint) const;

  void build_ground_manifold();
  // Sun factors, the layer meshes of every block and the water mesh.
  void build_meshes();
  // The mesh of one layer (or the shadow layer, 15) over one block.
  void build_terrain_mesh(std::int32_t layer, std::int32_t overlay, std::int32_t block_x, std::int32_t block_y,
                          float ambient_factor);
  // The placed items of the three lists merged into the flora meshes of their
  // blocks; items of kinds without variants or meshes are left out.
  void build_flora_meshes();
  // The collision bodies of the placed items of list 1, then list 0, placed
  // by their frames into the scene (flag 0x200); each item's variant is
  // reduced to its kind's variant count on the way.
  void add_flora_bodies();
  // What callers add after generate_terrain: the placed items' bodies, the
  // water (`water_placed` becomes 1 when the terrain has some, else 0), the
  // flora meshes and the grass entities, the light on the placed items (with
  // `sweep`, through the capsule sweep), and the code's size fields from the
  // snapped sizes (at most 1023).
  void add_features(std::int32_t* water_placed = nullptr, bool sweep = false);
  // The water mesh goes to the scene; reports whether there is water.
  void place_rivers(std::int32_t& water_placed);
  // The grass entities: with the grass-density option above 9, one entity a
  // 20-unit cell (at most 48 x 48), each with an empty mesh of material
  // "grass" ("grass_no_shadow" unless pixel shaders draw full plant
  // shadows), bounded by the grass placed in its cell.
  void place_flora();
  // Zeroes the two flora counters and places the grass entities again.
  void reset_flora();
  // Clones the outer-terrain group's meshes, fitted to this terrain, into
  // the nine entities of the surroundings.
  void place_outer_terrain();
  // Once a frame after the scene is drawn: the render passes of the scene's
  // shadows and, without pixel shaders, their shadow texture on the shadow
  // layer of every block.
  void update_shadow_passes();

  // A hash of the heights, layers, river marks and flora of the current
  // terrain, equal on every run and machine for the same code and data.
  std::uint64_t digest() const;

 private:
  std::vector<terrain_vertex> vertices_;
  std::vector<terrain_cell> cells_;

  void choose_region_layers();
  void set_layer_from_kind(std::int32_t layer, std::int32_t kind);
  void create_grid();

  // Height field.
  void synthesize_heights();
  void place_hills(float radius_scale, float amount, float weight);
  void raise_hill(float px, float py, float radius, float height);
  void relax_heights();
  void compute_normals();
  void choose_diagonals();
  void roughen_bare_ground();
  void set_height(terrain_vertex& v, float z) {
    v.position.z = z;
    v.base_height = z;
  }

  // Ground layers and paint.
  void compute_layer_weights();
  void compute_triangle_layers();
  void compute_layer2_density();
  void apply_ground_paint(const ground_paint& paint);

  // River.
  void place_river_pass();
  bool walk_path(std::int32_t sx, std::int32_t sy, std::int32_t ex, std::int32_t ey, std::uint32_t bit,
                 float turn_weight, float slope_weight, bool record_texture, float& lowest);
  void widen_river(std::uint32_t from, std::uint32_t to, bool eight_directions);
  void ease_banks(float factor);

  // Flora.
  void choose_flora_kinds();
  void pick_list_kinds(std::int32_t list, std::int32_t mode, std::int32_t picks);
  bool kind_allowed(const terrain_flora_kind& kind, std::int32_t mode) const;
  void place_flora(std::int32_t list);

  void build_blocks();
  // Copies of the meshes, placed in each block entity's frame.
  void give_layer_meshes_to_block_entities();
  void give_flora_meshes_to_block_entities();
  void give_mesh_to_block_entity(const mesh& m, entity& e, bool keep_order);
  // The render passes hold this generator's scene: building its base layer
  // widens the scene's shadow bounds.
  bool lights_shadow_bounds() const;
};

// The one generator of the game.
extern terrain_generator& g_terrain_generator;

// The engine's random forms the generator draws.
float terrain_random_fraction();
float terrain_averaged_random();
std::int32_t terrain_random_int(std::int32_t n);

// A warning about bad terrain data, to the engine log.
void terrain_log_warning(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace hm
