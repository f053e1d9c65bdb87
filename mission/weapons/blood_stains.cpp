#include "mission/weapons/blood_stains.h"

#include <algorithm>
#include <cstdint>

#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/settings/ruv_config.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

constexpr float reach = 3.5f;
constexpr float rand_unit = 6.322312e-5f;  // 1 / 15817

}  // namespace

bool add_blood_stain_to_mesh(mesh& m, const frame& f, const vec3& point, float radius, float strength,
                             const color& stain, int (*draw)()) {
  bool changed = false;
  const std::size_t count = m.get_vertices().size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::vector<mesh_vertex>& vertices = m.get_vertices();
    const std::vector<mesh_point>& points = m.get_points();
    const int point_index = vertices[i].point;
    if (point_index < 0 || static_cast<std::size_t>(point_index) >= points.size()) continue;
    const vec3 p = f.transform_point_to_global(points[static_cast<std::size_t>(point_index)].position);
    const float d = (p - point).length();
    if (!(d < radius)) continue;
    if (!(static_cast<float>(draw() % 15817) * rand_unit < 0.6f)) continue;
    float w = (static_cast<float>(draw() % 15817) * 3.793387e-05f + 0.4f) * (1.0f - d / radius) * 1.5f * strength;
    if (w <= 0.02f) continue;
    w = std::min(w, 1.0f);
    m.make_geometry_own();
    mesh_vertex& v = m.vertices[i];
    color c = argb_to_color(v.color);
    c.r = (1.0f - w) * c.r + w * stain.r;
    c.g = (1.0f - w) * c.g + w * stain.g;
    c.b = (1.0f - w) * c.b + w * stain.b;
    // The alpha byte stays exactly as it was.
    v.color = (v.color & 0xFF000000u) | (color_to_argb(c) & 0x00FFFFFFu);
    changed = true;
  }
  if (changed) {
    for (mesh_buffer_record& b : m.buffers) b.changed = 1;
  }
  return changed;
}

blood_stain_size blood_stain_for_amount(float amount) {
  return {std::clamp(0.06f * amount, 0.0f, 0.7f), std::clamp(0.07f * amount, 0.0f, 1.0f)};
}

void add_agent_blood_stain(agent& a, const vec3& point, float amount, int (*draw)()) {
  const blood_stain_size size = blood_stain_for_amount(amount);
  const float radius = size.radius;
  const float strength = size.strength;
  if (a.agent_entity == nullptr) return;
  skeleton_instance* skeleton = a.agent_entity->animated_skeleton.get();
  if (skeleton == nullptr) return;
  std::vector<lod_mesh_group*> groups;
  for (skeleton_bone& bone : skeleton->bones) {
    for (const std::unique_ptr<lod_mesh_group>& g : bone.lod_groups) groups.push_back(g.get());
  }
  groups.insert(groups.end(), skeleton->skinned_lod_groups.begin(), skeleton->skinned_lod_groups.end());
  for (lod_mesh_group* group : groups) {
    if (group == nullptr || group->visibility_mask == 0 || group->current_lod >= group->lod_count) continue;
    const std::vector<mesh*>& current = group->lods[static_cast<std::size_t>(group->current_lod)];
    for (int level = 0; level < group->lod_count && level < lod_mesh_group::max_lods; ++level) {
      const std::vector<mesh*>& meshes = group->lods[static_cast<std::size_t>(level)];
      for (std::size_t k = 0; k < meshes.size(); ++k) {
        if (meshes[k] == nullptr) continue;
        // The other levels were last placed where the drawn one was.
        frame f = a.agent_entity->frame;
        if (level == group->current_lod) {
          f = meshes[k]->world_frame;
        } else if (!current.empty() && current[0] != nullptr) {
          f = current[0]->world_frame;
        }
        add_blood_stain_to_mesh(*meshes[k], f, point, radius, strength, blood_color, draw);
      }
    }
  }
}

void add_blood_near_point(mission& m, const vec3& point, float amount, int (*draw)()) {
  if (g_ruv_config.enable_blood == 0) return;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    agent* a = m.get_agent(i);
    if (a != nullptr && (a->position() - point).length() < reach) add_agent_blood_stain(*a, point, amount, draw);
  }
}

int blood_stain_draw() {
  static std::uint32_t state = 0x6b43a9b5u;
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

}  // namespace hm
