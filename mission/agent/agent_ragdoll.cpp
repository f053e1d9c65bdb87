#include "mission/agent/agent_ragdoll.h"

#include "engine/collision/face.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

namespace {

// Keeps the agent's own ragdoll words in step with its ragdoll state.
void mirror(physics_world_list& list, agent& a) {
  a.ragdoll_slot = a.ragdoll_body.physics_world;
  const physics_world_record* r = list.record(a.ragdoll_slot);
  a.ragdoll = r && r->world ? r->world.get() : nullptr;
}

// What a body whose ragdoll stopped leaves behind.
void settle_stopped_body(agent& a, mission& m) {
  const bool player = a.index >= 0 && a.index == m.player_agent;
  if (!a.is_alive()) {
    skeleton_instance* k = a.agent_entity ? a.agent_entity->animated_skeleton.get() : nullptr;
    if (k && k->channels.size() > 1) k->channels[1].playing = 0;
    if (!player && a.label_entity) a.label_entity->visible = 0;
  }
  if (!a.body_frozen) {
    a.body_frozen = 1;
    // The corpse limit trims the queue where the bodies are counted.
    if (!player) m.corpses.push_back(a.index);
  }
}

}  // namespace

bool create_agent_ragdoll(physics_world_list& list, agent& a, const agent* mount, const agent* linked,
                          ragdoll_surroundings& around) {
  if (!a.agent_entity || !a.agent_entity->animated_skeleton) return false;
  // The mission frame holds the lock already; taking it again keeps a caller
  // outside the frame from meeting the worker in the worlds.
  platform::critical_section_guard hold(list.lock);
  ragdoll_source source;
  source.entity_frame = a.agent_entity->frame;
  source.skeleton = a.agent_entity->animated_skeleton.get();
  source.size_factor = a.height_factor;
  source.velocity = a.velocity;
  if (mount) {
    source.mounted = true;
    source.mount_velocity = mount->velocity;
  }
  if (linked && linked->agent_entity) {
    source.has_linked = true;
    source.linked_size_factor = linked->height_factor;
    const skeleton_instance* k = linked->agent_entity->animated_skeleton.get();
    const frame bone0 = k && !k->bones.empty() ? k->bones[0].pose_frame : frame::identity();
    source.linked_bone0 = linked->agent_entity->frame.transform_frame_to_global(bone0);
  }
  const bool made = hm::create_agent_ragdoll(list, a.ragdoll_body, source, around);
  mirror(list, a);
  return made;
}

frame living_agent_frame(const vec3& facing, const vec3& position, const vec3& offset, float lean, bool alive,
                         const vec3& ground_normal, float clock_step, float& blend) {
  frame f = frame::identity();
  f.rot.f = facing;
  f.rot.u = vec3(0.0f, 0.0f, 1.0f);
  if (!alive) {
    blend = clamp_float(blend + clock_step, 0.0f, 1.0f);
    f.rot.u = vec3(0.0f, 0.0f, 1.0f) * (1.0f - blend) + ground_normal * blend;
    f.rot.u.normalize();
  }
  f.rot.s = cross_product(f.rot.f, f.rot.u);
  f.rot.s.normalize();
  f.rot.f = cross_product(f.rot.u, f.rot.s);
  f.rotate_y(lean);
  f.origin = position + offset;
  return f;
}

bool update_agent_ragdoll(physics_world_list& list, agent& a, mission& m, ragdoll_surroundings& around,
                          float clock_step) {
  if (!a.agent_entity) return true;
  if (a.ragdoll_body.ragdoll == 0 || !a.agent_entity->animated_skeleton) {
    if (a.body_frozen) return true;
    const vec3 normal = a.ground_face ? a.ground_face->normal : vec3(0.0f, 0.0f, 1.0f);
    a.agent_entity->set_frame(living_agent_frame(a.forward(), a.position(), a.visual_offset, a.lean, a.is_alive(),
                                                 normal, clock_step, a.ground_lean_blend));
    return true;
  }
  platform::critical_section_guard hold(list.lock);
  frame at = a.agent_entity->frame;
  const bool running =
      update_ragdoll_pose(list, a.ragdoll_body, at, *a.agent_entity->animated_skeleton, a.is_horse(), around);
  mirror(list, a);
  if (running)
    a.agent_entity->set_frame(at);
  else
    settle_stopped_body(a, m);  // it flew off: it stays where it was last seen
  return running;
}

void stop_agent_ragdoll(physics_world_list& list, agent& a, mission& m) {
  platform::critical_section_guard hold(list.lock);
  stop_ragdoll(list, a.ragdoll_body);
  mirror(list, a);
  settle_stopped_body(a, m);
}

}  // namespace hm
