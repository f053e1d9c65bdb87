#pragma once
// The container of one live scene: its entities with their running ids, the
// collision bodies sorted into a two-dimensional grid of cells over the ground
// plane, the ground manifold, a reference to the navigation graph, the lights,
// a pool of particle-system instances and the view that renders it.
//
// The grid: per axis, 2^shift cells; cell 0 and the last cell take everything
// outside the bounds and the inner cells share the inside equally (cell_of).
// Mobile entities are linked into every cell their world box covers; body
// parts are listed, in the order they entered the scene, in every cell their
// box covers.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "render/scene/ground_manifold.h"
#include "render/entity/render_view.h"
#include "render/terrain/height_field.h"
#include "render/scene/scene_environment.h"
#include "render/shadow/shadow_bounds.h"

namespace hm {

// Removes the later copies of pointers listed more than once (a body in
// several cells), keeping the first of each where it stands: the order stays
// the order the pointers were found in, whatever their addresses.
template <class T>
void drop_repeated_pointers(std::vector<T*>& v) {
  constexpr std::size_t short_list = 48;
  std::size_t kept = 0;
  if (v.size() <= short_list) {
    for (std::size_t i = 0; i < v.size(); ++i) {
      bool seen = false;
      for (std::size_t k = 0; k < kept && !seen; ++k) seen = v[k] == v[i];
      if (!seen) v[kept++] = v[i];
    }
  } else {
    // Long lists: sorted by address with their places, the first place of
    // each pointer marks the copy kept.
    std::vector<std::pair<T*, std::size_t>> order(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) order[i] = {v[i], i};
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
      return std::less<T*>()(a.first, b.first) || (a.first == b.first && a.second < b.second);
    });
    std::vector<bool> keep(v.size(), false);
    for (std::size_t i = 0; i < order.size(); ++i) {
      if (i == 0 || order[i].first != order[i - 1].first) keep[order[i].second] = true;
    }
    for (std::size_t i = 0; i < v.size(); ++i) {
      if (keep[i]) v[kept++] = v[i];
    }
  }
  v.resize(kept);
}

class body_part;
class entity;
class light;
class particle_system_instance;
struct ai_mesh;
struct scene_cell;

// One entity's presence in one cell: a member of the cell's list and of the
// entity's chain.
struct scene_cell_link {
  scene_cell_link* next_in_cell = nullptr;
  scene_cell_link* previous_in_cell = nullptr;
  scene_cell* cell = nullptr;
  entity* owner = nullptr;
  scene_cell_link* next_of_entity = nullptr;
};

// Links handed out from chunks of 1024, returned to a free list.
class scene_link_pool {
 public:
  static constexpr int chunk_size = 1024;
  scene_cell_link* take();
  void give_back(scene_cell_link* link);
  // Forgets every link (all chunks become free again).
  void relink();

 private:
  std::vector<std::unique_ptr<scene_cell_link[]>> chunks_;
  scene_cell_link* free_ = nullptr;
};

struct scene_cell {
  // Parts whose box overlaps the cell, in the order of their scene numbers
  // (body_part::scene_order).
  std::vector<body_part*> bodies;
  // Navigation faces whose box overlaps the cell.
  std::vector<std::uint32_t> ai_faces;
  scene_cell_link* entity_links = nullptr;
};

// Something a scene keeps alive until it is cleared.
class scene_owned_object {
 public:
  virtual ~scene_owned_object() = default;
};

// The density of a fog that is complete at `end`: 3 / end, held to
// 0.001..0.95 (an end of 0 gives 0.95, a negative end 0.001).
float fog_density_for_end(float end);

class scene_world {
 public:
  // Largest grid shift per axis: 1024 cells a side.
  static constexpr int max_grid_shift = 10;

  // Corners (x, y), grid shifts and the clock of the particle instances.
  scene_world(const vec3& first_corner, const vec3& second_corner, int shift_x, int shift_y, std::uint32_t owner_tag);
  // (-1000, -1000) to (1000, 1000), one cell.
  scene_world();
  ~scene_world();
  scene_world(const scene_world&) = delete;
  scene_world& operator=(const scene_world&) = delete;

  // Stores the corners and shifts and builds an empty grid. A negative shift
  // counts as 0; a shift above max_grid_shift is clamped and non-finite corners
  // give one cell, each with a warning in the log.
  void set_bounds(const vec3& first_corner, const vec3& second_corner, int shift_x, int shift_y);
  // The cell of a coordinate on an axis (0 x, 1 y).
  int cell_of(float p, int axis) const;
  scene_cell& cell_at(int x, int y) { return cells[static_cast<std::size_t>(x * cells_y + y)]; }
  const scene_cell& cell_at(int x, int y) const { return cells[static_cast<std::size_t>(x * cells_y + y)]; }

  // --- entities ---
  // A new entity of the kind; an unknown id is fatal.
  entity* create_entity(int type_id);
  // Takes an entity built elsewhere (null is ignored).
  entity* adopt_entity(std::unique_ptr<entity> e);
  // Destroys the entity with that id (active first, then pending); an id in
  // neither is fatal.
  bool remove_entity(int id);
  // Erases the pointer from the active entities without destroying it, and
  // unlinks it from its cells.
  [[nodiscard]] std::unique_ptr<entity> erase_active_entity(entity* e);
  // The entity with that id, or null.
  entity* find_entity(int id) const;
  void update_entities(float time);
  // Culls by bounding sphere and queues the entities whose id modulo
  // slice_count is slice.
  void submit_visible_entities(render_view& view, int slice, int slice_count);
  // The posed meshes of the skeleton entities whose id modulo slice_count is
  // slice, for a shadow view: what an ordinary view shows of them casts, as
  // their meshes hang on the skeleton rather than in the entity.
  void submit_skinned_shadow_casters(render_view& view, int slice, int slice_count);
  // The scene's full submission into a view: every entity and particle system
  // inside its frustum and, when allowed and some entity shows water, the
  // mirrored view of the water's reflection (reflection.cpp).
  void submit_to_view(render_view& view, bool allow_reflection);
  // Entities linked in the cells the box covers whose world box overlaps it,
  // without repeats, in the order the cells list them (never by address:
  // callers act on them in turn, and an order that followed where the heap
  // put them would make the same mission run differently each time).
  void collect_entities_in_box(const vec3& box_min, const vec3& box_max, std::vector<entity*>& out) const;
  // Body parts listed in the cells the box covers that share no bit with the
  // exclusion mask and whose box overlaps it, without repeats, in the cells'
  // order.
  void collect_body_parts_in_box(const vec3& box_min, const vec3& box_max, std::uint32_t exclusion_mask,
                                 std::vector<body_part*>& out) const;
  // Body parts listed in the cells that the segment a-b crosses, that share no
  // bit with the exclusion mask and whose box the segment passes through,
  // without repeats, in the cells' order.
  void collect_body_parts_along_segment(const vec3& a, const vec3& b, std::uint32_t exclusion_mask,
                                        std::vector<body_part*>& out) const;
  // True when no body part (sharing no bit with the exclusion mask) touches
  // the segment a-b: the parts listed in the cells the segment crosses are
  // tested against it as a capsule of almost no radius.
  bool segment_is_clear(const vec3& a, const vec3& b, std::uint32_t exclusion_mask = 0) const;
  // Takes the entity out of every cell (its links go back to the pool).
  void unlink_entity(entity& e);
  // Links the entity into every cell of its world box.
  void link_entity(entity& e);

  // --- bodies ---
  // Faces become ground polygons; the body enters the cells part by part.
  body_part* add_body(std::unique_ptr<body_part> body);
  // Re-enters a moved body's parts in the cells of their new boxes.
  void move_body(body_part& body);
  int add_ground_polygon(int vertex_count, const vec3* points);
  void set_ground_manifold(std::unique_ptr<ground_manifold> manifold);
  // Keeps the navigation graph (not owned) and lists each of its faces in the
  // cells its box covers, replacing any earlier listing. Faces whose corners
  // name no vertex of the graph are left out. Null only clears the reference.
  void index_ai_mesh(const hm::ai_mesh* graph);
  // Lists a navigation face in every cell from the low corner's cell to the
  // high corner's, both inclusive.
  void add_ai_face_to_cells(std::uint32_t face_index, const vec3& low, const vec3& high);

  // --- sky and lights ---
  // A new light of the scene, with the defaults.
  light& create_light();
  // Fog from a density d: on, starting at distance 0 (fog_mode holds the start
  // distance), complete at min(1 / max(d, 0.0001), 10000).
  void set_fog_density(float density, std::uint32_t colour);
  // The second fog band, used below `value` (the water level); its factor is
  // fog_density_for_end(end).
  void set_fog_band(float start, float end, std::uint32_t colour, float value);
  // The main fog from start to end: on, in the colour, its density
  // fog_density_for_end(end).
  void set_fog_range(float start, float end, std::uint32_t colour);

  // --- particle pool ---
  particle_system_instance* take_particle_system_instance();

  // --- clearing ---
  void delete_entities();
  void clear();

  std::int32_t grid_shift_x = 0;
  std::int32_t grid_shift_y = 0;
  std::int32_t cells_x = 1;
  std::int32_t cells_y = 1;
  float bounds_min[2] = {0.0f, 0.0f};
  float bounds_max[2] = {0.0f, 0.0f};
  float cell_size[2] = {1.0f, 1.0f};
  // cells_x columns of cells_y cells.
  std::vector<scene_cell> cells;
  scene_link_pool link_pool;
  // A second pool of the same kind, kept and cleared with the scene.
  scene_link_pool link_pool_2;
  std::vector<std::unique_ptr<body_part>> bodies;
  // The terrain's height samples: replaced by each terrain build, freed when
  // the scene is cleared.
  std::unique_ptr<hm::height_field> height_field;
  color ambient_colour;
  std::int32_t cleared_word = 0;
  std::vector<std::unique_ptr<entity>> active_entities;
  std::vector<std::unique_ptr<entity>> pending_entities;
  std::int32_t next_entity_id = 1;
  std::vector<std::int32_t> removed_entities;
  std::unique_ptr<hm::ground_manifold> ground_manifold;
  const hm::ai_mesh* ai_mesh = nullptr;
  std::vector<std::unique_ptr<light>> lights;
  std::vector<std::unique_ptr<scene_owned_object>> owned_objects;
  render_view view;
  scene_environment environment;
  std::vector<std::unique_ptr<particle_system_instance>> particle_pool;
  std::int32_t particle_pool_used = 0;
  std::uint32_t owner_tag = 0;
  // What casts the sun's shadows, in the sun's frame (the terrain and the
  // render passes widen and finish it), and the camera of the shadow map.
  hm::shadow_bounds shadow_bounds;
  camera shadow_camera;
  // The sky, which alone is mirrored in fast water reflections (not owned;
  // set by whoever places the sky).
  entity* sky_entity = nullptr;

 private:
  // Gives a part this scene's next number unless this scene numbered it.
  void number_part(body_part& part);
  void enter_part(body_part& part);
  void move_part(body_part& part);
  void insert_part(scene_cell& cell, body_part* part);
  void remove_part(scene_cell& cell, body_part* part);
  bool unlink_entity_if_linked(entity& e);

  // This scene's own number among the scenes of the process (never 0), and
  // the number its next new part takes.
  std::uint32_t serial_ = 0;
  std::uint32_t next_part_order_ = 0;
};

// What building a mission's scene needs of the scene record and the mission.
struct scene_world_setup {
  // The scene record's flags; 0x100 marks a scene with generated terrain.
  std::uint32_t scene_flags = 0;
  // The collision body of a scene without terrain.
  ruv_string body_name;
  // The mission's scene bounds, used for a scene with terrain.
  vec3 bounds_min;
  vec3 bounds_max;
};

constexpr std::uint32_t scene_flag_generated_terrain = 0x100;

// The grid shift for a span: the largest integer not above log2(span / 3),
// 0 for spans of 6 or less.
int grid_shift_for_span(float span);

// The scene of a mission: a scene without terrain is bounded by its body
// (fatal "Unable to find body %s" when the resource is missing) and gets an
// empty ground manifold and a copy of the body; a scene with terrain is bounded
// by the mission's bounds and gets its manifold from the terrain build. Both
// are widened by 1 on every side; the particle instances run on the mission
// clock.
std::unique_ptr<scene_world> create_scene_world(const scene_world_setup& setup);

}  // namespace hm
