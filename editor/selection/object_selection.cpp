#include "editor/selection/object_selection.h"

#include <algorithm>
#include <cmath>

#include "mission/props/prop_entity.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/screen/screen_controls.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

namespace {

void remove_swapping_last(std::vector<std::uint32_t>& v, std::size_t at) {
  v[at] = v.back();
  v.pop_back();
}

std::optional<std::size_t> find_in(const std::vector<std::uint32_t>& v, std::int32_t index) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (static_cast<std::int32_t>(v[i]) == index) return i;
  }
  return std::nullopt;
}

// Turns the three axes about the world's up axis.
vec3 turn_about_up(const vec3& v, float a) {
  const float c = std::cos(a);
  const float s = std::sin(a);
  return vec3(v.x * c - v.y * s, v.x * s + v.y * c, v.z);
}

}  // namespace

std::int32_t select_click(edit_mode_state& s, std::int32_t hovered, bool ctrl) {
  if (!ctrl) {
    s.selection.clear();
    s.selected_instance = -1;
    if (hovered >= 0) {
      s.selected_instance = hovered;
      s.selection.push_back(static_cast<std::uint32_t>(hovered));
    }
  } else if (hovered >= 0) {
    const std::optional<std::size_t> at = find_in(s.selection, hovered);
    if (hovered == s.selected_instance && at) {
      remove_swapping_last(s.selection, *at);
      s.selected_instance = s.selection.empty() ? -1 : static_cast<std::int32_t>(s.selection.back());
    } else if (at) {
      s.selection.erase(s.selection.begin() + static_cast<std::ptrdiff_t>(*at));
    } else {
      s.selected_instance = hovered;
      s.selection.push_back(static_cast<std::uint32_t>(hovered));
    }
    hovered = s.selected_instance;
  }
  s.scene_list_dirty = 1;
  return hovered;
}

void select_all(edit_mode_state& s, int instance_count) {
  s.selection.clear();
  for (int i = 0; i < instance_count; ++i) s.selection.push_back(static_cast<std::uint32_t>(i));
  s.selected_instance = instance_count > 0 ? 0 : -1;
  s.scene_list_dirty = 1;
}

transform_flags object_transform_keys(const screen_input& in, const frame& camera, vec3& position, frame& turn,
                                      vec3& scale) {
  namespace k = platform::key;
  transform_flags f;
  const float speed = in.ctrl() ? 0.06f : 0.6f;
  const float dx = in.state->mouse_dx;
  const float dy = in.state->mouse_dy;
  const float a = (dx + dy) * speed * 0.005f;
  const bool alt = in.alt();
  const bool axis_held = in.key_down(k::x) || in.key_down(k::y) || in.key_down(k::z);
  if (in.key_down(k::g)) {
    // The camera looks down its -u axis.
    vec3 right(camera.rot.s.x, camera.rot.s.y, 0.0f);
    vec3 forward(-camera.rot.u.x, -camera.rot.u.y, 0.0f);
    right.normalize();
    forward.normalize();
    position = position + right * (dx * speed * 0.01f) + forward * (-dy * speed * 0.01f);
    f.position = f.mouse_used = true;
  }
  if (in.key_down(k::t)) {
    if (alt) position.z = 0.0f;
    else position.z -= speed * 0.01f * dy;
    f.position = f.mouse_used = true;
  }
  if (in.key_clicked(k::r)) {
    turn.rot = rotation::identity();
    f.rotation = true;
  }
  if (!alt && !in.key_down(k::b)) {
    if (in.key_down(k::x)) turn.rotate_x(a), f.rotation = f.mouse_used = true;
    if (in.key_down(k::y)) turn.rotate_y(a), f.rotation = f.mouse_used = true;
    if (in.key_down(k::z)) turn.rotate_z(a), f.rotation = f.mouse_used = true;
  }
  if (in.key_down(k::u)) {
    turn.rot = rotation{turn_about_up(turn.rot.s, a), turn_about_up(turn.rot.f, a), turn_about_up(turn.rot.u, a)};
    f.rotation = f.mouse_used = true;
  }
  if (in.key_down(k::b) && !alt) {
    const float factor = 1.0f - 0.05f * a;
    if (!axis_held) {
      scale = scale * factor;
    } else {
      if (in.key_down(k::x)) scale.x *= factor;
      if (in.key_down(k::y)) scale.y *= factor;
      if (in.key_down(k::z)) scale.z *= factor;
    }
    f.scale = f.mouse_used = true;
  }
  if (alt && in.key_clicked(k::b)) {
    scale = vec3(1.0f, 1.0f, 1.0f);
    f.scale = f.mouse_used = true;
  }
  return f;
}

void apply_selection_transform(mission& m, const edit_mode_state& s, const frame& old_primary,
                               const frame& new_primary, const vec3& new_scale, transform_flags flags) {
  scene_prop_instance* primary = m.get_scene_prop_instance(s.selected_instance);
  if (primary == nullptr) return;
  const vec3 delta = new_primary.origin - old_primary.origin;
  for (std::uint32_t index : s.selection) {
    scene_prop_instance* p = m.get_scene_prop_instance(static_cast<int>(index));
    if (p == nullptr) continue;
    if (flags.position) p->current_frame.origin = p->current_frame.origin + delta;
    if (flags.rotation) {
      // Its frame relative to the primary's old frame, put back under the new.
      frame relative = old_primary.transform_frame_to_local(p->current_frame);
      frame turned = new_primary.transform_frame_to_global(relative);
      turned.orthonormalize();
      p->current_frame = turned;
    }
    p->placed_frame = p->current_frame;
    p->place_entity();
  }
  if (flags.scale) {
    primary->scale = new_scale;
    primary->place_entity();
  }
}

void delete_scene_prop_instance(mission& m, int index) {
  if (index < 0 || index >= m.prop_instance_count()) return;
  scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(index)];
  for (entity* e : {p.entity, p.second_entity}) {
    if (e == nullptr) continue;
    m.prop_entities.erase(std::remove(m.prop_entities.begin(), m.prop_entities.end(), e), m.prop_entities.end());
    m.services().remove_scene_entity(m, *e);
  }
  p.entity = nullptr;
  p.second_entity = nullptr;
  m.scene_prop_instances.erase(m.scene_prop_instances.begin() + index);
  for (int i = index; i < m.prop_instance_count(); ++i) {
    scene_prop_instance& q = m.scene_prop_instances[static_cast<std::size_t>(i)];
    if (q.entity) q.entity->owner_word_2 = i;
    if (q.second_entity) q.second_entity->owner_word_2 = i;
  }
}

void delete_selection(mission& m, edit_mode_state& s) {
  while (!s.selection.empty()) {
    const auto largest = std::max_element(s.selection.begin(), s.selection.end());
    const auto index = static_cast<int>(*largest);
    remove_swapping_last(s.selection, static_cast<std::size_t>(largest - s.selection.begin()));
    delete_scene_prop_instance(m, index);
  }
  s.selected_instance = -1;
  s.scene_changed = 1;
  s.scene_list_dirty = 1;
}

frame upright_frame_ahead(const vec3& position, const frame& camera, float distance) {
  // The camera looks down its -u axis; its heading is that made horizontal.
  vec3 forward = vec3(0.0f, 0.0f, 0.0f) - camera.rot.u;
  forward.z = 0.0f;
  if (forward.normalize() < 1e-10f) forward = vec3(0.0f, 1.0f, 0.0f);
  vec3 right = cross_product(forward, vec3(0.0f, 0.0f, 1.0f));
  if (right.normalize() < 1e-10f) right = vec3(1.0f, 0.0f, 0.0f);
  vec3 up = cross_product(right, forward);
  if (up.normalize() < 1e-10f) up = vec3(0.0f, 0.0f, 1.0f);
  frame f{rotation{right, forward, up}, position};
  f.origin = f.origin + forward * distance;
  return f;
}

std::optional<float> instance_pick_radius(const scene_prop_instance& p) {
  switch (p.kind) {
    case prop_kind_object: {
      const float r = p.entity ? p.entity->get_bounding_radius() : 0.5f;
      return std::max(r, 0.1f) * std::max(p.scale.length() / std::sqrt(3.0f), 0.01f);
    }
    case prop_kind_entry:
      return 0.5f;
    case prop_kind_item:
      return 0.5f * p.scale.length();
    case prop_kind_flora: {
      // A kind without variations has no mesh to hit.
      if (flora_variant_index(p.name, p.variation) < 0) return std::nullopt;
      return p.entity ? std::max(p.entity->get_bounding_radius(), 0.1f) : 0.5f;
    }
    case prop_kind_passage:
      return 0.5f * (p.scale.x + p.scale.y);
    default:
      return std::nullopt;
  }
}

std::int32_t pick_instance(const mission& m, const vec3& from, const vec3& direction) {
  std::int32_t best = -1;
  float best_t = 1e30f;
  for (int i = 0; i < m.prop_instance_count(); ++i) {
    const scene_prop_instance& p = m.scene_prop_instances[static_cast<std::size_t>(i)];
    if (p.removed) continue;
    const std::optional<float> radius = instance_pick_radius(p);
    if (!radius || *radius <= 0.0f) continue;
    const vec3 to_centre = p.current_frame.origin - from;
    const float along = dot_product(to_centre, direction);
    const float miss_squared = to_centre.length_squared() - along * along;
    const float r2 = *radius * *radius;
    if (miss_squared > r2) continue;
    const float t = along - std::sqrt(std::max(0.0f, r2 - miss_squared));
    if (t < 0.0f && along < 0.0f) continue;
    if (t < best_t) {
      best_t = t;
      best = i;
    }
  }
  return best;
}

std::optional<vec3> pick_ground_point(const vec3& from, const vec3& direction) {
  const terrain_generator& t = g_terrain_generator;
  if (t.cells_x <= 0 || t.cells_y <= 0) {
    if (std::fabs(direction.z) < 1e-6f) return std::nullopt;
    const float k = -from.z / direction.z;
    if (k < 0.0f) return std::nullopt;
    return from + direction * k;
  }
  // March along the ray in steps of half a cell and bisect the step where it
  // passes under the ground.
  const float step = std::max(t.cell_size * 0.5f, 0.05f);
  const float reach = (t.size_x + t.size_y) * 2.0f + 1000.0f;
  auto above = [&](float k) {
    const vec3 p = from + direction * k;
    return p.z - t.sample_height(p).z;
  };
  float previous = 0.0f;
  float previous_height = above(0.0f);
  if (previous_height < 0.0f) return std::nullopt;
  for (float k = step; k <= reach; k += step) {
    const float h = above(k);
    if (h <= 0.0f) {
      float lo = previous;
      float hi = k;
      for (int i = 0; i < 24; ++i) {
        const float mid = (lo + hi) * 0.5f;
        (above(mid) > 0.0f ? lo : hi) = mid;
      }
      return from + direction * hi;
    }
    previous = k;
    previous_height = h;
  }
  return std::nullopt;
}

}  // namespace hm
