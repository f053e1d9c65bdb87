#include "render/shadow/character_shadow.h"

#include <cmath>
#include <vector>

#include "engine/collision/body_collision.h"
#include "engine/collision/body_part.h"
#include "engine/collision/capsule.h"
#include "engine/core/random.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "platform/gpu/device.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/scene/scene_world.h"
#include "render/entity/skeleton_instance.h"
#include "render/entity/strategic_entity.h"

namespace hm {

namespace {

constexpr std::uint32_t receiver_exclusion_mask = 0x104;
constexpr int max_receivers = 64;
constexpr std::uint32_t shadow_mesh_colour = 0xFF000915u;

// The texture coordinates' offsets of the blurring layers, by layer count.
constexpr float layer_offsets[3][3][2] = {
    {{0.0f, 0.0f}},
    {{-0.0042969f, 0.0046875f}, {0.0039063f, -0.0042969f}},
    {{0.00078125f, 0.0054688f}, {-0.0050781f, -0.0054688f}, {0.0054688f, -0.0050781f}},
};

// The scene's sun: its first directional light that is not the fill light.
const light* scene_sun(const scene_world& scene) {
  for (const auto& l : scene.lights)
    if (l && l->type == light_type_directional && !(l->flags & light_flag_fill)) return l.get();
  return nullptr;
}

// The colour of the ground in shadow: the ambient light and most of the last
// fill light.
vec3 shadow_colour(const scene_world& scene) {
  vec3 fill;
  for (const auto& l : scene.lights)
    if (l && l->type == light_type_directional && (l->flags & light_flag_fill))
      fill = vec3(l->colour.r, l->colour.g, l->colour.b);
  return vec3(scene.ambient_colour.r, scene.ambient_colour.g, scene.ambient_colour.b) + fill * 0.7f;
}

// A face takes the shadow when some vertex lies on the inner side of each of
// the five planes of the shadow's pyramid.
bool inside_shadow_pyramid(const ground_manifold& ground, const manifold_face& f, const frame& shadow, float radius) {
  bool tests[5] = {false, false, false, false, false};
  const float scale = 0.5f / radius;
  const int count = std::min(f.vertex_count, 4);
  for (int k = 0; k < count; ++k) {
    const std::int32_t index = f.vertices[k];
    if (index < 0 || static_cast<std::size_t>(index) >= ground.vertices.size()) continue;
    const vec3 q = shadow.transform_point_to_local(ground.vertices[static_cast<std::size_t>(index)].position) * scale;
    tests[0] = tests[0] || q.z <= -0.5f;
    tests[1] = tests[1] || q.z - q.x <= -0.5f;
    tests[2] = tests[2] || q.z + q.x <= -0.5f;
    tests[3] = tests[3] || q.z - q.y <= -0.5f;
    tests[4] = tests[4] || q.z + q.y <= -0.5f;
  }
  return tests[0] && tests[1] && tests[2] && tests[3] && tests[4];
}

void collect_receivers(strategic_entity& e, const scene_world& scene, const vec3& light_direction,
                       const frame& shadow) {
  e.shadow_face_count = 0;
  if (!scene.ground_manifold) return;
  const ground_manifold& ground = *scene.ground_manifold;
  const float r = e.shadow_radius;
  const vec3 w = e.world_bounding_centre();
  const capsule probe(w, w + light_direction * (3.0f * r), 1.1f * r);
  const vec3 margin(0.1f, 0.1f, 0.1f);
  std::vector<body_part*> parts;
  scene.collect_body_parts_in_box(probe.get_bounding_min() - margin, probe.get_bounding_max() + margin,
                                  receiver_exclusion_mask, parts);
  for (body_part* part : parts) {
    if (e.shadow_face_count >= max_receivers) break;
    const std::int32_t index = part->tag;
    if (index < 0 || static_cast<std::size_t>(index) >= ground.faces.size()) continue;
    const manifold_face& f = ground.faces[static_cast<std::size_t>(index)];
    if (!(dot_product(shadow.rot.u, f.normal) > 0.0f)) continue;
    if (collide_bodies(probe, *part, 0, nullptr) == 0) continue;
    if (!inside_shadow_pyramid(ground, f, shadow, r)) continue;
    e.shadow_faces[e.shadow_face_count++] = index;
  }
}

std::unique_ptr<mesh>& shadow_mesh(strategic_entity& e, int kind) {
  std::unique_ptr<mesh>& m = e.shadow_meshes[kind];
  if (!m) {
    m = std::make_unique<mesh>();
    m->set_material(g_resource_manager.get_material(ruv_string("shadow_default")));
    m->buffers[0].second_word = 1;
    m->buffers[1].second_word = 1;
  }
  return m;
}

// The ground faces under the entity, lifted a little, with the kind's alpha.
void rebuild_shadow_mesh(strategic_entity& e, const scene_world& scene, const frame& shadow, int kind) {
  mesh& m = *shadow_mesh(e, kind);
  m.clear_geometry();
  const float r = e.shadow_radius;
  const float texture_scale = kind == 0 ? 1.0f : 1.5f;
  const float weight = kind == 0 ? e.layer_weights[0] : e.layer_weights[1] * 0.9f;
  const vec3 c = shadow_colour(scene);
  const float k = 0.35f * (c.x + c.y + c.z);
  const int layers = e.visibility > 0.7f ? 3 : e.visibility > 0.5f ? 2 : 1;
  const vec3& origin = e.frame.origin;
  if (scene.ground_manifold) {
    const ground_manifold& ground = *scene.ground_manifold;
    for (std::int32_t i = 0; i < e.shadow_face_count; ++i) {
      const std::int32_t face_index = e.shadow_faces[i];
      if (face_index < 0 || static_cast<std::size_t>(face_index) >= ground.faces.size()) continue;
      const manifold_face& f = ground.faces[static_cast<std::size_t>(face_index)];
      const int count = std::min(f.vertex_count, 4);
      if (count < 3) continue;
      const std::int32_t first = static_cast<std::int32_t>(m.vertices.size());
      bool complete = true;
      for (int v = 0; v < count && complete; ++v) {
        const std::int32_t index = f.vertices[v];
        if (index < 0 || static_cast<std::size_t>(index) >= ground.vertices.size()) {
          complete = false;
          break;
        }
        const manifold_vertex& mv = ground.vertices[static_cast<std::size_t>(index)];
        const vec3 p = mv.position + mv.normal * (0.03f * r);
        const std::int32_t point = m.add_point(p);
        const vec3 local = shadow.transform_point_to_local(p);
        const float u = local.x * (0.5f / r) * texture_scale + 0.5f;
        const float t = local.y * (0.5f / r) * texture_scale + 0.5f;
        float a = character_shadow_alpha(mv.sun_factor, k, layers, (p - origin).length() / r);
        a = a * e.fade * weight * 256.0f;
        std::uint32_t alpha = 0;
        if (a >= 255.0f) alpha = 255;
        else if (a > 0.0f) alpha = static_cast<std::uint32_t>(a);
        const std::uint32_t colour = (alpha << 24) | 0xFFFFFFu;
        for (int l = 0; l < layers; ++l)
          m.add_vertex(point, u + layer_offsets[layers - 1][l][0], t + layer_offsets[layers - 1][l][1], colour,
                       mv.normal);
      }
      if (!complete) continue;
      for (int l = 0; l < layers; ++l) {
        auto at = [&](int v) { return first + v * layers + l; };
        m.add_face(at(0), at(1), at(2));
        if (count == 4) m.add_face(at(0), at(2), at(3));
      }
    }
  }
  m.mark_vertices_changed();
  m.mark_faces_changed();
  m.color = shadow_mesh_colour;
}

// The entity's silhouette drawn from the light into its own small alpha texture.
void render_shadow_texture(strategic_entity& e, scene_world& scene, const frame& shadow) {
  if (!e.render_target) {
    e.render_target = take_shadow_material(g_resource_manager, character_shadow_texture_size,
                                           character_shadow_texture_size, platform::gpu::format::a8,
                                           target_value_character_shadow);
  }
  if (!e.own_view) {
    e.own_view = std::make_unique<render_view>();
    render_view& v = *e.own_view;
    v.view_mask = character_shadow_view_mask;
    v.viewport = {1, 1, character_shadow_texture_size - 2, character_shadow_texture_size - 2, 0.0f, 1.0f};
    v.clear_viewport = {0, 0, character_shadow_texture_size, character_shadow_texture_size, 0.0f, 1.0f};
    v.use_clear_viewport = 1;
    v.character_shadow = 1;
    v.flags = 0x2000 | view_flag_clear_colour | view_flag_no_sort;
    v.clear_colour = 0;
  }
  texture* t = e.render_target ? e.render_target->textures[0] : nullptr;
  // The detailed shadow shows the silhouette once there is one to show, else
  // the soft blob.
  if (e.shadow_meshes[0])
    e.shadow_meshes[0]->set_material(target_is_valid(t) ? e.render_target
                                                        : g_resource_manager.get_material(ruv_string("shadow_default")));
  if (!target_is_valid(t)) return;
  render_view& v = *e.own_view;
  const float r = e.shadow_radius;
  camera& c = v.camera;
  c.frame = shadow;
  c.perspective = 0;
  c.view_left = -r;
  c.view_right = r;
  c.view_top = r;
  c.view_bottom = -r;
  c.near = 0.01f;
  c.far = 5.0f * r;
  c.update_frustum_planes();
  v.target = t;
  // Queued even with nothing to draw, so the texture is cleared.
  v.enqueue(false);
  if (e.animated_skeleton) e.animated_skeleton->render(v, e.frame, e.lod_factor);
  reflection_info ignored;
  e.entity::submit_meshes(v, ignored);
  if (e.linked_entity_id >= 0) {
    entity* other = scene.find_entity(e.linked_entity_id);
    if (other && other->get_type_id() == strategic_entity_type) {
      auto& linked = static_cast<strategic_entity&>(*other);
      if (linked.animated_skeleton) linked.animated_skeleton->render(v, linked.frame, e.lod_factor);
    }
  }
}

}  // namespace

vec3 character_shadow_light(const scene_world& scene, const vec3& point) {
  vec3 sum;
  for (const auto& l : scene.lights) {
    if (!l) continue;
    vec3 d;
    vec3 c(l->colour.r, l->colour.g, l->colour.b);
    if (l->type == light_type_directional && !(l->flags & light_flag_fill)) {
      d = l->direction;
    } else {
      d = point - l->position;
      const float distance_squared = d.length_squared();
      if (distance_squared < 1e-20f) {
        d = vec3(0.0f, 1.0f, 0.0f);
        c = vec3();  // a light at the point itself casts no shadow
      } else {
        d = d * (1.0f / std::sqrt(distance_squared));
        c = c * (1.0f / distance_squared);
      }
    }
    sum += d * (0.33f * (c.x + c.y + c.z));
  }
  sum.normalize();
  if (sum.z > -0.1f) sum.z = -0.1f;
  return sum;
}

frame character_shadow_frame(const vec3& light_direction, const vec3& world_centre, float radius) {
  frame f;
  f.rot.u = -light_direction;
  f.rot.s = cross_product(vec3(0.0f, 0.0f, 1.0f), f.rot.u);
  f.rot.s.normalize();
  f.rot.f = cross_product(f.rot.u, f.rot.s);
  f.rot.f.normalize();
  f.origin = world_centre + f.rot.u * radius;
  return f;
}

float character_shadow_alpha(float sun_factor, float k, int layers, float distance_in_radii) {
  // A black ambient with no sun leaves nothing to divide: no shadow.
  float a = k + sun_factor != 0.0f ? sun_factor / (k + sun_factor) : 0.0f;
  if (!(a > 0.0f)) a = 0.0f;
  if (a > 0.75f) a = 0.75f;
  if (layers == 2) a = 1.0f - std::sqrt(1.0f - a);
  if (layers == 3) a = (3.0f - std::sqrt(9.0f - 12.0f * (a - 0.01f))) * 0.125f;
  float d = distance_in_radii * 1.3333334f - 3.8f;
  if (!(d >= 0.2f)) d = 0.2f;
  if (d >= 1.0f) d = 1.0f;
  return a * (1.0f - d);
}

float character_shadow_texture_delay(float visibility) {
  float v = visibility;
  if (!(v > 0.0f) || !std::isfinite(v)) v = 1.0f;
  if (v < 0.04f) v = 0.04f;
  return 1.0f / (25.0f * v);
}

void submit_character_shadows(strategic_entity& e, mesh_render_view& view) {
  scene_world* scene = e.owner;
  if (!e.visible || !(view.visibility_mask() & 1u) || !(e.render_flags & 3u) || !g_game_options.character_shadows ||
      !scene || !(e.shadow_radius > 0.0f)) {
    return;
  }
  const light* sun = scene_sun(*scene);
  if (!sun || (sun->flags & light_flag_weak_sun)) return;
  const bool detailed = e.layer_weights[0] * e.fade > 0.05f;
  const bool simple = e.layer_weights[1] * e.fade > 0.05f;
  if (!detailed && !simple) return;

  // The light's frame and the faces that receive the shadow are gathered
  // again only once the entity has moved a little; until then the shadow
  // meshes keep both.
  const vec3& origin = e.frame.origin;
  const float r = e.shadow_radius;
  if ((origin - e.shadow_position).length() > 0.2f * r) {
    const vec3 light_direction = character_shadow_light(*scene, origin);
    e.shadow_frame = character_shadow_frame(light_direction, e.world_bounding_centre(), r);
    collect_receivers(e, *scene, light_direction, e.shadow_frame);
    e.shadow_position = origin;
  }

  if (e.shadow_timer.elapsed() >= -0.0001f) {
    if (detailed) rebuild_shadow_mesh(e, *scene, e.shadow_frame, 0);
    if (simple) {
      rebuild_shadow_mesh(e, *scene, e.shadow_frame, 1);
      e.shadow_meshes[1]->set_material(g_resource_manager.get_material(ruv_string("shadow_default")));
    }
  }

  if (detailed && (e.render_flags & 2u) && e.shadow_texture_timer.elapsed() >= -0.0001f) {
    const float jitter = static_cast<float>(random_next() % 15817) * 6.3223115e-7f;
    e.shadow_texture_timer.set_elapsed(-(character_shadow_texture_delay(e.visibility) + jitter));
    // The silhouette is drawn as the light falls now.
    render_shadow_texture(e, *scene,
                          character_shadow_frame(character_shadow_light(*scene, origin), e.world_bounding_centre(), r));
  }

  if (detailed && e.shadow_meshes[0]) {
    e.shadow_meshes[0]->render(view, frame::identity());
    e.render_target_used = 1;
  }
  if (simple && e.shadow_meshes[1]) e.shadow_meshes[1]->render(view, frame::identity());
}

}  // namespace hm
