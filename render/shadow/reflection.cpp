#include "render/shadow/reflection.h"

#include "engine/resource/mesh.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/ruv_config.h"
#include "platform/gpu/device.h"
#include "render/entity/entity.h"
#include "render/shadow/render_pass_state.h"
#include "render/entity/render_view.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

std::string* g_debug_text = nullptr;

// The reflection keeps what is above a plane a little under the water.
constexpr float reflection_clip_depth = 0.25f;

void queue_view(render_view& view) {
  if (auto* renderer = get_view_renderer())
    renderer->queue_object(view);
  else
    view.queued = 1;
}

bool sphere_in_view(const render_view& view, const entity& e) {
  return view.camera.sphere_visible(e.world_bounding_centre(), e.get_bounding_radius());
}

}  // namespace

void set_render_debug_text(std::string* text) { g_debug_text = text; }
std::string* render_debug_text() { return g_debug_text; }

camera mirrored_camera(const camera& parent, float water_height) {
  camera c = parent;
  c.frame.origin.z = 2.0f * water_height - parent.frame.origin.z;
  c.frame.rot.s.z = -parent.frame.rot.s.z;
  c.frame.rot.f.z = -parent.frame.rot.f.z;
  c.frame.rot.u.z = -parent.frame.rot.u.z;
  c.update_frustum_planes();
  return c;
}

void scene_world::submit_to_view(render_view& target, bool allow_reflection) {
  target.scene = this;
  target.scene_colour = ambient_colour;
  target.camera.update_frustum_planes();
  queue_view(target);
  // The scene's own meshes of a frame are filled while it submits itself.
  for (auto& m : view.meshes)
    if (m) m->clear_geometry();
  reflection_info reflection;
  for (auto* list : {&active_entities, &pending_entities}) {
    for (auto& e : *list) {
      if (e && sphere_in_view(target, *e)) e->submit_meshes(target, reflection);
    }
  }
  for (std::int32_t i = 0; i < particle_pool_used && i < static_cast<std::int32_t>(particle_pool.size()); ++i) {
    particle_system_instance& p = *particle_pool[static_cast<std::size_t>(i)];
    if (target.camera.sphere_visible(p.world_frame.origin, p.radius)) p.build_quads(target);
  }
  // The scene's own view draws its meshes itself (the render takes them).
  for (auto& m : view.meshes) {
    if (!m) continue;
    m->mark_vertices_changed();
    m->mark_faces_changed();
    if (&target != &view) m->render(target, frame::identity());
  }
  if (allow_reflection && reflection.found) submit_reflection(*this, target, reflection.height);
}

void submit_reflection(scene_world& scene, render_view& view, float water_height) {
  if (!view.sub_view) {
    auto sub = std::make_unique<render_view>();
    sub->view_mask = view.view_mask;
    // Drawn before the view that reads it, whatever queue place the view asks for.
    sub->flags = view.flags & ~view_flag_queue_last;
    // Where nothing is mirrored the water shows the view's own background.
    sub->clear_colour = view.clear_colour;
    sub->viewport = {0, 0, reflection_size, reflection_size, 0.0f, 1.0f};
    sub->clip_plane_enabled = 1;
    sub->camera = view.camera;
    sub->fog_invert = 1;
    sub->multisample = 0;
    view.sub_view = std::move(sub);
    view.render_target =
        g_resource_manager.create_render_target(static_cast<std::int32_t>(reflection_size),
                                                static_cast<std::int32_t>(reflection_size),
                                                platform::gpu::format::x8r8g8b8, texture::kind_render_target,
                                                target_value_reflection);
    if (view.render_target) view.render_target->flags = shadow_texture_flags;
  }
  if (!target_is_valid(view.render_target)) return;
  render_view& sub = *view.sub_view;
  sub.clear_meshes();
  // The plane follows the water the view shows now.
  sub.clip_plane[0] = 0.0f;
  sub.clip_plane[1] = 0.0f;
  sub.clip_plane[2] = 1.0f;
  sub.clip_plane[3] = -(water_height - reflection_clip_depth);
  if (g_ruv_config.enable_edit_mode && g_debug_text) *g_debug_text += "RENDERING REFLECTIONS;";
  sub.camera = mirrored_camera(view.camera, water_height);
  // The mirror turns the winding of everything it shows.
  sub.reverse_culling = 1;
  sub.target = view.render_target;
  sub.scene = &scene;
  sub.fog = &scene.environment;
  sub.scene_colour = scene.ambient_colour;
  // Queued even with nothing to draw, so the target is cleared.
  queue_view(sub);
  reflection_info ignored;
  if (!g_ruv_config.fake_reflections) {
    sub.flags |= view_flag_clear_depth;
    for (auto& e : scene.active_entities) {
      if (e && sphere_in_view(sub, *e)) e->submit_meshes(sub, ignored);
    }
  } else if (scene.sky_entity) {
    scene.sky_entity->submit_meshes(sub, ignored);
  }
}

}  // namespace hm
