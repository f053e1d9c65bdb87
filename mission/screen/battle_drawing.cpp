#include "mission/screen/battle_drawing.h"

#include <algorithm>
#include <cmath>

#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "render/entity/camera.h"
#include "render/entity/entity.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"
#include "render/shadow/render_pass_state.h"
#include "render/view/interface_view.h"

namespace hm {

namespace {

// Skinned meshes stand on the skeleton, not in the entity's own box: an agent
// is culled as a sphere around its middle, a horse's reaching further.
constexpr float agent_cull_radius = 2.5f;
constexpr float agent_cull_lift = 1.0f;


// Widens the shadow box by a world box's eight corners.
void extend_by_box(const frame& f, const bounding_box& b) {
  for (int corner = 0; corner < 8; ++corner) {
    const vec3 local((corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                     (corner & 4) ? b.max.z : b.min.z);
    g_render_pass_state.extend_shadow_bounds(f.transform_point_to_global(local));
  }
}

}  // namespace

mission_scene_drawing::mission_scene_drawing() = default;
mission_scene_drawing::~mission_scene_drawing() { release(); }

void mission_scene_drawing::release() {
  view.lights.clear();
  view.destroy();
  lights_.clear();
}

bool mission_scene_drawing::queue(mission& m, const camera& eye, const view_rectangle& area) {
  agents_drawn = 0;
  if (!m.scene || area.width == 0 || area.height == 0) return false;
  scene_world& scene = *m.scene;

  view.clear_meshes();
  view.viewport = area;
  view.flags = view_flag_clear_colour | view_flag_clear_depth;
  view.fog = &scene.environment;
  view.clear_colour = scene.environment.fog_enabled ? (scene.environment.fog_colour | 0xFF000000u) : default_sky_colour;
  view.lights_enabled = 1;
  view.camera = eye;
  put_scene_lights_in_view(scene, view, lights_, false);

  // What casts the sun's shadows this frame: every entity's own meshes and
  // the agents standing where they stand.
  g_render_pass_state.begin_shadow_bounds(scene);
  for (const auto& e : scene.active_entities) {
    if (!e || !e->visible) continue;
    for (const auto& mesh_ptr : e->meshes)
      if (mesh_ptr) extend_by_box(e->frame, mesh_ptr->bbox);
  }
  for_each_live_agent(m.agents, [](agent& a) {
    if (!a.agent_entity) return;
    const vec3 at = a.agent_entity->frame.origin;
    g_render_pass_state.extend_shadow_bounds(at - vec3(agent_cull_radius, agent_cull_radius, 0.0f));
    g_render_pass_state.extend_shadow_bounds(at + vec3(agent_cull_radius, agent_cull_radius, 2.0f * agent_cull_radius));
  });
  g_render_pass_state.finish_shadow_bounds();

  scene.submit_to_view(view, true);
  // The agents' bodies, heads and equipment hang on their skeletons' bones.
  for_each_live_agent(m.agents, [this](agent& a) {
    skeleton_entity* e = a.agent_entity;
    if (!e || !e->visible) return;
    const vec3 middle = e->frame.origin + vec3(0.0f, 0.0f, agent_cull_lift);
    if (!view.camera.sphere_visible(middle, agent_cull_radius)) return;
    e->submit_skinned_meshes(view);
    ++agents_drawn;
  });
  render_passes(g_render_pass_state);
  // The sun's flare asks next frame what this one's depth showed.
  g_render_pass_state.request_view_depth(view.camera, area);
  return true;
}

}  // namespace hm
