#include "render/scene/scene_world.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "engine/collision/body_collision.h"
#include "engine/collision/body_part.h"
#include "engine/collision/capsule.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/core/log.h"
#include "engine/core/timer.h"
#include "engine/resource/body.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/particle_system.h"
#include "render/entity/camera.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

// --- link pool ---------------------------------------------------------------------------------

scene_cell_link* scene_link_pool::take() {
  if (!free_) {
    chunks_.push_back(std::make_unique<scene_cell_link[]>(chunk_size));
    scene_cell_link* chunk = chunks_.back().get();
    for (int i = 0; i < chunk_size; ++i) chunk[i].next_in_cell = i + 1 < chunk_size ? &chunk[i + 1] : nullptr;
    free_ = chunk;
  }
  scene_cell_link* link = free_;
  free_ = link->next_in_cell;
  *link = scene_cell_link{};
  return link;
}

void scene_link_pool::give_back(scene_cell_link* link) {
  *link = scene_cell_link{};
  link->next_in_cell = free_;
  free_ = link;
}

void scene_link_pool::relink() {
  free_ = nullptr;
  for (auto& chunk : chunks_) {
    for (int i = 0; i < chunk_size; ++i) {
      chunk[i] = scene_cell_link{};
      chunk[i].next_in_cell = free_;
      free_ = &chunk[i];
    }
  }
}

// --- construction and grid ---------------------------------------------------------------------

scene_world::scene_world(const vec3& first_corner, const vec3& second_corner, int shift_x, int shift_y,
                         std::uint32_t tag)
    : owner_tag(tag) {
  // Only told apart from other scenes: parts numbered by a scene gone before
  // are numbered again when they enter this one.
  static std::atomic<std::uint32_t> scenes_made{0};
  serial_ = ++scenes_made;
  if (serial_ == 0) serial_ = ++scenes_made;
  view.fog = &environment;
  set_bounds(first_corner, second_corner, shift_x, shift_y);
}

scene_world::scene_world() : scene_world(vec3(-1000.0f, -1000.0f, 0.0f), vec3(1000.0f, 1000.0f, 0.0f), 0, 0, 0) {}

scene_world::~scene_world() {
  clear();
  // The render passes must not draw a scene that is gone.
  detach_scene_from_render_passes(*this);
}

void scene_world::set_bounds(const vec3& first_corner, const vec3& second_corner, int shift_x, int shift_y) {
  const float first[2] = {first_corner.x, first_corner.y};
  const float second[2] = {second_corner.x, second_corner.y};
  int shifts[2] = {shift_x, shift_y};
  const bool finite = std::isfinite(first[0]) && std::isfinite(first[1]) && std::isfinite(second[0]) &&
                      std::isfinite(second[1]);
  if (!finite) {
    log_line("WARNING: scene bounds are not finite; the scene gets a single cell\n");
    shifts[0] = shifts[1] = 0;
  }
  for (int axis = 0; axis < 2; ++axis) {
    if (shifts[axis] < 0) shifts[axis] = 0;
    if (shifts[axis] > max_grid_shift) {
      log_line("WARNING: scene grid shift " + std::to_string(shifts[axis]) + " clamped to 0.." +
               std::to_string(max_grid_shift) + "\n");
      shifts[axis] = std::clamp(shifts[axis], 0, max_grid_shift);
    }
  }
  grid_shift_x = shifts[0];
  grid_shift_y = shifts[1];
  cells_x = 1 << grid_shift_x;
  cells_y = 1 << grid_shift_y;
  const int counts[2] = {cells_x, cells_y};
  for (int axis = 0; axis < 2; ++axis) {
    bounds_min[axis] = finite ? first[axis] : 0.0f;
    bounds_max[axis] = finite ? second[axis] : 0.0f;
    if (counts[axis] == 1) {
      bounds_min[axis] = 1e12f;
      bounds_max[axis] = 1e12f;
      cell_size[axis] = 1.0f;
    } else if (counts[axis] == 2) {
      bounds_min[axis] = (first[axis] + second[axis]) * 0.5f;
      bounds_max[axis] = 1e12f;
      cell_size[axis] = 1e12f - bounds_min[axis];
    } else {
      cell_size[axis] = (second[axis] - first[axis]) / static_cast<float>(counts[axis] - 2);
    }
  }
  for (auto& e : active_entities) unlink_entity(*e);
  cells.clear();
  cells.resize(static_cast<std::size_t>(cells_x) * static_cast<std::size_t>(cells_y));
}

int scene_world::cell_of(float p, int axis) const {
  const int count = axis == 0 ? cells_x : cells_y;
  const float t = (p - bounds_min[axis]) / cell_size[axis];
  if (t < 0.0f) return 0;
  if (t >= static_cast<float>(count - 1)) return count - 1;
  if (!(t >= 0.0f)) return 0;  // not a number
  return static_cast<int>(t) + 1;
}

// --- entity links ------------------------------------------------------------------------------

void scene_world::unlink_entity(entity& e) {
  scene_cell_link* link = e.cell_links;
  while (link) {
    scene_cell_link* next = link->next_of_entity;
    scene_cell& cell = *link->cell;
    if (link->previous_in_cell) {
      link->previous_in_cell->next_in_cell = link->next_in_cell;
    } else {
      cell.entity_links = link->next_in_cell;
    }
    if (link->next_in_cell) link->next_in_cell->previous_in_cell = link->previous_in_cell;
    link_pool.give_back(link);
    link = next;
  }
  e.cell_links = nullptr;
}

bool scene_world::unlink_entity_if_linked(entity& e) {
  if (!e.cell_links) return false;
  unlink_entity(e);
  return true;
}

void scene_world::link_entity(entity& e) {
  const vec3& lo = e.get_world_box_min();
  const vec3& hi = e.get_world_box_max();
  const int x0 = cell_of(lo.x, 0), x1 = cell_of(hi.x, 0);
  const int y0 = cell_of(lo.y, 1), y1 = cell_of(hi.y, 1);
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      scene_cell& cell = cell_at(x, y);
      scene_cell_link* link = link_pool.take();
      link->cell = &cell;
      link->owner = &e;
      link->next_in_cell = cell.entity_links;
      if (cell.entity_links) cell.entity_links->previous_in_cell = link;
      cell.entity_links = link;
      link->next_of_entity = e.cell_links;
      e.cell_links = link;
    }
  }
}

// --- entity lifecycle ----------------------------------------------------------------------------

entity* scene_world::create_entity(int type_id) {
  std::unique_ptr<entity> e = new_entity_of_type(type_id);
  if (!e) ruv_error("Unable to create entity of type id %d.", type_id);
  return adopt_entity(std::move(e));
}

entity* scene_world::adopt_entity(std::unique_ptr<entity> e) {
  if (!e) return nullptr;
  e->id = next_entity_id++;
  e->owner = this;
  pending_entities.push_back(std::move(e));
  return pending_entities.back().get();
}

bool scene_world::remove_entity(int id) {
  for (auto it = active_entities.begin(); it != active_entities.end(); ++it) {
    if ((*it)->id != id) continue;
    unlink_entity(**it);
    active_entities.erase(it);
    return true;
  }
  for (auto it = pending_entities.begin(); it != pending_entities.end(); ++it) {
    if ((*it)->id != id) continue;
    unlink_entity_if_linked(**it);
    pending_entities.erase(it);
    return true;
  }
  ruv_error("unable to remove entity %d \n", id);
}

std::unique_ptr<entity> scene_world::erase_active_entity(entity* e) {
  std::unique_ptr<entity> taken;
  for (auto it = active_entities.begin(); it != active_entities.end();) {
    if (it->get() == e) {
      taken = std::move(*it);
      it = active_entities.erase(it);
    } else {
      ++it;
    }
  }
  // Whoever takes the entity out of the scene must not leave it in the cells.
  if (taken) unlink_entity(*taken);
  return taken;
}

entity* scene_world::find_entity(int id) const {
  for (const auto& e : active_entities) {
    if (e->id == id) return e.get();
  }
  for (const auto& e : pending_entities) {
    if (e->id == id) return e.get();
  }
  return nullptr;
}

void scene_world::update_entities(float time) {
  // Particles move only for a view that could show them.
  set_particles_move(get_view_renderer() != nullptr);
  for (auto& e : pending_entities) {
    e->refresh_world_bounds();
    active_entities.push_back(std::move(e));
  }
  pending_entities.clear();
  // By index: an entity's step may create entities (they wait in pending).
  for (std::size_t i = 0; i < active_entities.size(); ++i) active_entities[i]->advance(time);
  for (auto& e : active_entities) {
    if (!e->is_mobile()) continue;
    unlink_entity(*e);
    link_entity(*e);
  }
  // The pool's emitters are placed by their own local frame alone.
  for (auto& p : particle_pool) p->update(time, frame::identity());
  particle_pool_used = static_cast<std::int32_t>(particle_pool.size());
  for (std::int32_t i = 0; i < particle_pool_used;) {
    particle_system_instance& p = *particle_pool[static_cast<std::size_t>(i)];
    if (p.to_emit < 1 && !p.has_live_particles()) {
      std::swap(particle_pool[static_cast<std::size_t>(i)], particle_pool[static_cast<std::size_t>(particle_pool_used - 1)]);
      --particle_pool_used;
    } else {
      ++i;
    }
  }
  std::vector<std::int32_t> removed;
  removed.swap(removed_entities);
  for (std::int32_t id : removed) remove_entity(id);
}

void scene_world::submit_visible_entities(render_view& target, int slice, int slice_count) {
  target.scene = this;
  target.scene_colour = ambient_colour;
  target.camera.update_frustum_planes();
  if (auto* renderer = get_view_renderer()) {
    renderer->queue_object(target);
  } else {
    target.queued = 1;
  }
  if (slice_count < 1) slice_count = 1;
  reflection_info reflection;
  auto submit = [&](entity& e) {
    if (e.id % slice_count != slice) return;
    if (!target.camera.sphere_visible(e.world_bounding_centre(), e.get_bounding_radius())) return;
    e.submit_meshes(target, reflection);
  };
  for (auto& e : active_entities) submit(*e);
  for (auto& e : pending_entities) submit(*e);
}

void scene_world::submit_skinned_shadow_casters(render_view& target, int slice, int slice_count) {
  if (slice_count < 1) slice_count = 1;
  // Skinned meshes stand on the skeleton, not in the entity's own box (which
  // may be empty): the entity is culled as a sphere this wide around its feet.
  constexpr float skinned_cull_radius = 2.5f;
  const std::uint32_t own_mask = target.view_mask;
  // A skeleton's meshes carry the ordinary views' words (their show words are
  // rewritten as items are drawn and sheathed); a hidden one has none.
  target.view_mask = own_mask | 1u;
  auto submit = [&](entity& e) {
    if (e.id % slice_count != slice || e.get_type_id() != skeleton_entity_type || !e.visible) return;
    auto& s = static_cast<skeleton_entity&>(e);
    if (!s.animated_skeleton) return;
    const float radius = std::max(e.get_bounding_radius(), skinned_cull_radius);
    if (!target.camera.sphere_visible(e.frame.origin, radius)) return;
    s.animated_skeleton->render(target, e.frame, e.lod_factor);
  };
  for (auto& e : active_entities)
    if (e) submit(*e);
  for (auto& e : pending_entities)
    if (e) submit(*e);
  target.view_mask = own_mask;
}

namespace {

bool boxes_overlap(const vec3& a_min, const vec3& a_max, const vec3& b_min, const vec3& b_max) {
  return a_min.x <= b_max.x && b_min.x <= a_max.x && a_min.y <= b_max.y && b_min.y <= a_max.y &&
         a_min.z <= b_max.z && b_min.z <= a_max.z;
}

}  // namespace

void scene_world::collect_entities_in_box(const vec3& box_min, const vec3& box_max, std::vector<entity*>& out) const {
  const int x0 = cell_of(box_min.x, 0), x1 = cell_of(box_max.x, 0);
  const int y0 = cell_of(box_min.y, 1), y1 = cell_of(box_max.y, 1);
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      for (const scene_cell_link* l = cell_at(x, y).entity_links; l; l = l->next_in_cell) {
        if (boxes_overlap(l->owner->get_world_box_min(), l->owner->get_world_box_max(), box_min, box_max)) {
          out.push_back(l->owner);
        }
      }
    }
  }
  drop_repeated_pointers(out);
}

void scene_world::collect_body_parts_in_box(const vec3& box_min, const vec3& box_max, std::uint32_t exclusion_mask,
                                            std::vector<body_part*>& out) const {
  const int x0 = cell_of(box_min.x, 0), x1 = cell_of(box_max.x, 0);
  const int y0 = cell_of(box_min.y, 1), y1 = cell_of(box_max.y, 1);
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      for (body_part* p : cell_at(x, y).bodies) {
        if (p->flags & exclusion_mask) continue;
        if (boxes_overlap(p->get_bounding_min(), p->get_bounding_max(), box_min, box_max)) out.push_back(p);
      }
    }
  }
  drop_repeated_pointers(out);
}

namespace {

// Whether the segment a-b passes through the box (slab test); an infinite box
// side never cuts.
bool segment_hits_box(const vec3& a, const vec3& b, const vec3& lo, const vec3& hi) {
  float t0 = 0.0f, t1 = 1.0f;
  const float start[3] = {a.x, a.y, a.z};
  const float delta[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float low[3] = {lo.x, lo.y, lo.z};
  const float high[3] = {hi.x, hi.y, hi.z};
  for (int i = 0; i < 3; ++i) {
    if (delta[i] == 0.0f) {
      if (start[i] < low[i] || start[i] > high[i]) return false;
      continue;
    }
    float near_t = (low[i] - start[i]) / delta[i];
    float far_t = (high[i] - start[i]) / delta[i];
    if (near_t > far_t) std::swap(near_t, far_t);
    t0 = std::max(t0, near_t);
    t1 = std::min(t1, far_t);
    if (t0 > t1) return false;
  }
  return true;
}

}  // namespace

void scene_world::collect_body_parts_along_segment(const vec3& a, const vec3& b, std::uint32_t exclusion_mask,
                                                   std::vector<body_part*>& out) const {
  const int x0 = cell_of(std::min(a.x, b.x), 0), x1 = cell_of(std::max(a.x, b.x), 0);
  const int y0 = cell_of(std::min(a.y, b.y), 1), y1 = cell_of(std::max(a.y, b.y), 1);
  auto cell_low = [this](int c, int axis) {
    return c == 0 ? -1e30f : bounds_min[axis] + static_cast<float>(c - 1) * cell_size[axis];
  };
  auto cell_high = [this](int c, int axis) {
    const int count = axis == 0 ? cells_x : cells_y;
    return c == count - 1 ? 1e30f : bounds_min[axis] + static_cast<float>(c) * cell_size[axis];
  };
  for (int x = x0; x <= x1; ++x) {
    for (int y = y0; y <= y1; ++y) {
      const vec3 lo(cell_low(x, 0), cell_low(y, 1), -1e30f);
      const vec3 hi(cell_high(x, 0), cell_high(y, 1), 1e30f);
      if (!segment_hits_box(a, b, lo, hi)) continue;
      for (body_part* p : cell_at(x, y).bodies) {
        if (p->flags & exclusion_mask) continue;
        if (segment_hits_box(a, b, p->get_bounding_min(), p->get_bounding_max())) out.push_back(p);
      }
    }
  }
  drop_repeated_pointers(out);
}

bool scene_world::segment_is_clear(const vec3& a, const vec3& b, std::uint32_t exclusion_mask) const {
  const capsule probe(a, b, 0.001f);
  auto blocked_in = [&](int x, int y) {
    for (const body_part* p : cell_at(x, y).bodies) {
      if (p->flags & exclusion_mask) continue;
      if (!segment_hits_box(a, b, p->get_bounding_min(), p->get_bounding_max())) continue;
      if (collide_bodies(probe, *p, 0, nullptr) > 0) return true;
    }
    return false;
  };
  // Walk the cells along the segment in steps of half the smaller inner cell
  // (a grid of one or two cells per axis has huge cells and takes few steps);
  // a step into a diagonal neighbour also visits the two cells beside the
  // corner it may have cut.
  const vec3 d = b - a;
  const float length = std::sqrt(d.x * d.x + d.y * d.y);
  const float step = 0.5f * std::min(cell_size[0], cell_size[1]);
  int steps = 1;
  if (std::isfinite(length) && step > 0.0f) steps = static_cast<int>(std::min(length / step, 65536.0f)) + 1;
  int last_x = cell_of(a.x, 0);
  int last_y = cell_of(a.y, 1);
  if (blocked_in(last_x, last_y)) return false;
  for (int i = 1; i <= steps; ++i) {
    const float t = static_cast<float>(i) / static_cast<float>(steps);
    const int x = cell_of(a.x + d.x * t, 0);
    const int y = cell_of(a.y + d.y * t, 1);
    if (x == last_x && y == last_y) continue;
    if (x != last_x && y != last_y && (blocked_in(last_x, y) || blocked_in(x, last_y))) return false;
    if (blocked_in(x, y)) return false;
    last_x = x;
    last_y = y;
  }
  return true;
}

// --- bodies ------------------------------------------------------------------------------------

namespace {

bool entered_before(const body_part* a, const body_part* b) { return a->scene_order < b->scene_order; }

}  // namespace

void scene_world::number_part(body_part& part) {
  if (part.scene_serial == serial_) return;
  part.scene_serial = serial_;
  part.scene_order = next_part_order_++;
}

void scene_world::insert_part(scene_cell& cell, body_part* part) {
  auto it = std::lower_bound(cell.bodies.begin(), cell.bodies.end(), part, entered_before);
  if (it == cell.bodies.end() || *it != part) cell.bodies.insert(it, part);
}

void scene_world::remove_part(scene_cell& cell, body_part* part) {
  auto it = std::lower_bound(cell.bodies.begin(), cell.bodies.end(), part, entered_before);
  if (it != cell.bodies.end() && *it == part) cell.bodies.erase(it);
}

void scene_world::enter_part(body_part& part) {
  const int type = part.get_type_id();
  if (type == manifold_type_id) return;
  if (type == composite_body_type_id) {
    for (auto& child : static_cast<composite_body&>(part).parts) {
      if (child) enter_part(*child);
    }
    return;
  }
  number_part(part);
  const vec3 lo = part.get_bounding_min();
  const vec3 hi = part.get_bounding_max();
  part.cell_min_x = cell_of(lo.x, 0);
  part.cell_min_y = cell_of(lo.y, 1);
  part.cell_max_x = cell_of(hi.x, 0);
  part.cell_max_y = cell_of(hi.y, 1);
  for (int x = part.cell_min_x; x <= part.cell_max_x; ++x) {
    for (int y = part.cell_min_y; y <= part.cell_max_y; ++y) insert_part(cell_at(x, y), &part);
  }
}

void scene_world::move_part(body_part& part) {
  const int type = part.get_type_id();
  if (type == manifold_type_id) return;
  if (type == composite_body_type_id) {
    for (auto& child : static_cast<composite_body&>(part).parts) {
      if (child) move_part(*child);
    }
    return;
  }
  number_part(part);
  const vec3 lo = part.get_bounding_min();
  const vec3 hi = part.get_bounding_max();
  const int nx0 = cell_of(lo.x, 0), ny0 = cell_of(lo.y, 1), nx1 = cell_of(hi.x, 0), ny1 = cell_of(hi.y, 1);
  const int ox0 = part.cell_min_x, oy0 = part.cell_min_y, ox1 = part.cell_max_x, oy1 = part.cell_max_y;
  if (nx0 == ox0 && ny0 == oy0 && nx1 == ox1 && ny1 == oy1) return;
  auto in_old = [&](int x, int y) { return x >= ox0 && x <= ox1 && y >= oy0 && y <= oy1; };
  auto in_new = [&](int x, int y) { return x >= nx0 && x <= nx1 && y >= ny0 && y <= ny1; };
  // The old rectangle is empty for a part that was never entered.
  if (ox0 <= ox1 && oy0 <= oy1) {
    for (int x = ox0; x <= ox1; ++x) {
      for (int y = oy0; y <= oy1; ++y) {
        if (!in_new(x, y)) remove_part(cell_at(x, y), &part);
      }
    }
  }
  for (int x = nx0; x <= nx1; ++x) {
    for (int y = ny0; y <= ny1; ++y) {
      if (!in_old(x, y)) insert_part(cell_at(x, y), &part);
    }
  }
  part.cell_min_x = nx0;
  part.cell_min_y = ny0;
  part.cell_max_x = nx1;
  part.cell_max_y = ny1;
}

body_part* scene_world::add_body(std::unique_ptr<body_part> body) {
  if (!body) return nullptr;
  body_part* part = body.get();
  auto add_face = [this](face& f) {
    f.tag = add_ground_polygon(f.vertex_count, f.vertices);
  };
  if (part->get_type_id() == face_type_id) {
    add_face(static_cast<face&>(*part));
  } else if (part->get_type_id() == composite_body_type_id) {
    for (auto& child : static_cast<composite_body&>(*part).parts) {
      if (child && child->get_type_id() == face_type_id) add_face(static_cast<face&>(*child));
    }
  }
  bodies.push_back(std::move(body));
  enter_part(*part);
  return part;
}

void scene_world::move_body(body_part& body) { move_part(body); }

int scene_world::add_ground_polygon(int vertex_count, const vec3* points) {
  if (!ground_manifold) ground_manifold = std::make_unique<hm::ground_manifold>();
  vertex_count = std::clamp(vertex_count, 0, 4);
  const auto first = static_cast<std::int32_t>(ground_manifold->vertices.size());
  vec3 normal(0.0f, 0.0f, 1.0f);
  if (vertex_count >= 3) normal = get_normalized(cross_product(points[1] - points[0], points[2] - points[0]));
  manifold_face f;
  f.vertex_count = vertex_count;
  for (int i = 0; i < vertex_count; ++i) {
    manifold_vertex v;
    v.position = points[i];
    v.normal = normal;
    ground_manifold->vertices.push_back(v);
    f.vertices[i] = first + i;
  }
  f.normal = normal;
  f.scale = 1.0f;
  ground_manifold->faces.push_back(f);
  return static_cast<int>(ground_manifold->faces.size()) - 1;
}

void scene_world::set_ground_manifold(std::unique_ptr<hm::ground_manifold> manifold) {
  ground_manifold = std::move(manifold);
  if (!ground_manifold) return;
  auto& verts = ground_manifold->vertices;
  const auto vertex_count = static_cast<std::int32_t>(verts.size());
  for (std::size_t i = 0; i < ground_manifold->faces.size(); ++i) {
    manifold_face& mf = ground_manifold->faces[i];
    auto body = std::make_unique<face>();
    body->tag = static_cast<std::int32_t>(i);
    body->flags = mf.flags;
    body->vertex_count = 0;
    for (int k = 0; k < std::clamp(mf.vertex_count, 0, 4); ++k) {
      const std::int32_t v = mf.vertices[k];
      if (v < 0 || v >= vertex_count) continue;  // a broken index adds no corner
      body->local_vertices[body->vertex_count++] = verts[static_cast<std::size_t>(v)].position;
    }
    body->transform_to_frame(frame::identity());
    mf.body = body.get();
    body_part* part = body.get();
    bodies.push_back(std::move(body));
    enter_part(*part);
  }
  for (manifold_vertex& v : verts) v.normal = vec3();
  for (const manifold_face& mf : ground_manifold->faces) {
    for (int k = 0; k < std::clamp(mf.vertex_count, 0, 4); ++k) {
      const std::int32_t v = mf.vertices[k];
      if (v >= 0 && v < vertex_count) verts[static_cast<std::size_t>(v)].normal += mf.normal * mf.scale;
    }
  }
  for (manifold_vertex& v : verts) v.normal.normalize();
}

void scene_world::index_ai_mesh(const hm::ai_mesh* graph) {
  ai_mesh = graph;
  if (!graph) return;
  for (scene_cell& c : cells) c.ai_faces.clear();
  const auto vertex_count = static_cast<std::int32_t>(graph->vertices.size());
  for (std::size_t i = 0; i < graph->faces.size(); ++i) {
    const ai_mesh_face& f = graph->faces[i];
    vec3 low(1e6f, 1e6f, 0.0f), high(-1e6f, -1e6f, 0.0f);
    bool placed = false;
    for (int k = 0; k < std::clamp(f.vertex_count, 0, 4); ++k) {
      const std::int32_t v = f.vertices[k];
      if (v < 0 || v >= vertex_count) continue;
      const vec3& p = graph->vertices[static_cast<std::size_t>(v)].position;
      low.x = std::min(low.x, p.x);
      low.y = std::min(low.y, p.y);
      high.x = std::max(high.x, p.x);
      high.y = std::max(high.y, p.y);
      placed = true;
    }
    if (placed) add_ai_face_to_cells(static_cast<std::uint32_t>(i), low, high);
  }
}

void scene_world::add_ai_face_to_cells(std::uint32_t face_index, const vec3& low, const vec3& high) {
  for (int x = cell_of(low.x, 0); x <= cell_of(high.x, 0); ++x) {
    for (int y = cell_of(low.y, 1); y <= cell_of(high.y, 1); ++y) cell_at(x, y).ai_faces.push_back(face_index);
  }
}

// --- sky and lights ------------------------------------------------------------------------------

light& scene_world::create_light() {
  lights.push_back(std::make_unique<light>());
  return *lights.back();
}

void scene_world::set_fog_density(float density, std::uint32_t colour) {
  environment.fog_enabled = 1;
  environment.fog_mode = 0;
  environment.fog_range = std::min(1.0f / std::max(density, 0.0001f), 10000.0f);
  environment.fog_colour = colour;
  environment.fog_density = density;
}

void scene_world::set_fog_band(float start, float end, std::uint32_t colour, float value) {
  environment.fog_enabled = 1;
  environment.fog_band_start = start;
  environment.fog_band_end = end;
  environment.fog_band_colour = colour;
  environment.fog_band_value = value;
  environment.fog_band_factor = fog_density_for_end(end);
}

void scene_world::set_fog_range(float start, float end, std::uint32_t colour) {
  environment.fog_mode = static_cast<std::int32_t>(start);
  environment.fog_range = end;
  environment.fog_colour = colour;
  environment.fog_enabled = 1;
  environment.fog_density = fog_density_for_end(end);
}

float fog_density_for_end(float end) {
  const float density = end != 0.0f ? 3.0f / end : 0.95f;
  return std::clamp(density, 0.001f, 0.95f);
}

// --- particle pool -------------------------------------------------------------------------------

particle_system_instance* scene_world::take_particle_system_instance() {
  if (static_cast<std::size_t>(particle_pool_used) < particle_pool.size()) {
    return particle_pool[static_cast<std::size_t>(particle_pool_used++)].get();
  }
  auto instance = std::make_unique<particle_system_instance>();
  instance->clock = static_cast<std::int32_t>(owner_tag);
  instance->reset();
  particle_pool.push_back(std::move(instance));
  ++particle_pool_used;
  return particle_pool.back().get();
}

// --- clearing ------------------------------------------------------------------------------------

void scene_world::delete_entities() {
  // Links first: no cell may keep a link to an entity freed below.
  for (auto& e : active_entities) unlink_entity(*e);
  for (auto& e : pending_entities) unlink_entity_if_linked(*e);
  active_entities.clear();
  pending_entities.clear();
  lights.clear();
  owned_objects.clear();
  particle_pool.clear();
  cleared_word = 0;
  particle_pool_used = 0;
  next_entity_id = 1;
}

void scene_world::clear() {
  delete_entities();
  bodies.clear();
  for (scene_cell& c : cells) {
    c.bodies.clear();
    c.ai_faces.clear();
    c.entity_links = nullptr;
  }
  link_pool.relink();
  link_pool_2.relink();
  height_field.reset();
  ground_manifold.reset();
  ai_mesh = nullptr;
  sky_entity = nullptr;
  view.queued = 0;
}

// --- a mission's scene ---------------------------------------------------------------------------

int grid_shift_for_span(float span) {
  const double ratio = static_cast<double>(span) / 3.0;
  if (!(ratio > 1.0)) return 0;
  double shift = std::log(ratio) / std::log(2.0);
  shift += shift > 0.0 ? 1e-8 : -1e-8;
  if (!(shift < 64.0)) return 64;  // set_bounds clamps it with a warning
  return static_cast<int>(std::floor(shift));
}

std::unique_ptr<scene_world> create_scene_world(const scene_world_setup& setup) {
  const bool terrain = (setup.scene_flags & scene_flag_generated_terrain) != 0;
  vec3 lo = setup.bounds_min;
  vec3 hi = setup.bounds_max;
  const body* scene_body = nullptr;
  if (!terrain) {
    scene_body = static_cast<const body*>(g_resource_manager.find(body_resource_type_id, setup.body_name));
    if (!scene_body) ruv_error("Unable to find body %s", setup.body_name.c_str());
    lo = vec3();
    hi = vec3();
    if (scene_body->part) {
      scene_body->part->transform_to_frame(frame::identity());
      lo = scene_body->part->get_bounding_min();
      hi = scene_body->part->get_bounding_max();
    }
  }
  lo -= vec3(1.0f, 1.0f, 1.0f);
  hi += vec3(1.0f, 1.0f, 1.0f);
  auto scene = std::make_unique<scene_world>(lo, hi, grid_shift_for_span(hi.x - lo.x), grid_shift_for_span(hi.y - lo.y),
                                             static_cast<std::uint32_t>(clock_mission));
  if (!terrain) {
    scene->set_ground_manifold(std::make_unique<ground_manifold>());
    std::unique_ptr<body_part> copy = scene_body->instantiate();
    if (copy) {
      copy->transform_to_frame(frame::identity());
      scene->add_body(std::move(copy));
    }
  }
  return scene;
}

}  // namespace hm
