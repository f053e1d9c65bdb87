#include "mission/records/mission_services.h"

#include "engine/audio/sound_manager.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/settings/ruv_config.h"
#include "mission/frame/agent_frame.h"
#include "mission/missile/missile_flight.h"
#include "mission/physics/physics_worker.h"
#include "mission/props/prop_entity.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/scene/scene_queries.h"
#include "mission/setup/mission_setup.h"
#include "mission/weapons/weapon_hit.h"
#include "module/records/mission_template.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "script/triggers.h"

namespace hm {

mission_services::~mission_services() = default;

void mission_services::refresh_shadow_passes(mission&) {}
bool mission_services::physics_thread_enabled() const { return physics_worlds_worker.physics_thread_enabled; }

void mission_services::step_physics(mission&, float frame_time) { physics_worlds_worker.frame_start(frame_time); }

void mission_services::add_pending_physics_time(float frame_time) {
  // The mission screen holds the lock for the whole frame; taking it again
  // here keeps a frame run on its own just as safe.
  physics_worlds_worker.frame_end(frame_time);
}

void mission_services::check_reinforcements(mission& m) {
  if (setup_steps_ != nullptr) hm::check_reinforcements(m, *setup_steps_);
}

void mission_services::check_template_triggers(mission& m) {
  if (m.template_index < 0 || m.template_index >= static_cast<int>(g_mission_templates.size())) return;
  check_triggers(g_mission_templates[static_cast<std::size_t>(m.template_index)].triggers, 16);
}

void mission_services::update_missile(mission& m, missile& mi, float frame_time) {
  update_missile_flight(m, mi, frame_time);
}

int mission_services::missile_weapon_hit(mission& m, missile& mi, const vec3&, const vec3&, float, vec3& contact) {
  // The missile sweeps its own capsule along the flight of the frame.
  agent* shooter = m.get_agent(mi.shooter);
  if (shooter == nullptr || shooter->in_use == 0) return 0;
  mission_combat_random random(*this);
  blow struck;
  float strength = 1.0f;
  return agent_process_weapon_hit(m, *shooter, 0, &mi, struck, strength, random, &contact);
}

int mission_services::play_slot_sound(int slot, const vec3& position, float volume, float pitch) {
  // The slot's sound carries its own volume.
  (void)volume;
  return g_sound_manager.play_sound_in_slot(slot, 0, position, pitch);
}

void mission_services::stop_sound(int channel) { g_sound_manager.stop_channel(channel); }
void mission_services::agent_frame(mission& m, agent& a, float frame_time) {
  if (a.in_use == 0) return;
  mission_combat_random random(*this);
  hm::agent_frame(m, a, frame_time, random);
}

void mission_services::agent_post_frame(mission& m, agent& a, float frame_time) {
  // A record without a body in the scene has nothing to follow or settle.
  if (a.in_use == 0 || a.agent_entity == nullptr) return;
  mission_combat_random random(*this);
  hm::agent_post_frame(m, a, frame_time, random);
}
edit_mode_flags mission_services::edit_mode() const {
  // The scene editor reports its flags by overriding this; until it runs,
  // nothing is being edited and the markers stay hidden.
  edit_mode_flags flags;
  flags.edit_mode_enabled = g_ruv_config.enable_edit_mode != 0;
  return flags;
}
void mission_services::set_river_animation(mission&, float, float) {}

void mission_services::update_scene_entities(mission& m, float frame_time) {
  if (m.scene) m.scene->update_entities(frame_time);
}

void mission_services::remove_scene_entity(mission& m, entity& e) {
  // A stuck missile's entity that the scene no longer holds is only
  // forgotten: removing an unknown id is fatal for the scene.
  if (!m.scene || m.scene->find_entity(e.id) == nullptr) {
    log_line("WARNING: stuck missile entity no longer in the scene\n");
    return;
  }
  m.scene->remove_entity(e.id);
}

void mission_services::run_prop_triggers(mission& m, int instance, int event_code, int damage) {
  const scene_prop_instance* p = m.get_scene_prop_instance(instance);
  if (p == nullptr || p->kind != prop_kind_object) return;
  if (p->id < 0 || p->id >= static_cast<int>(g_scene_prop_kinds.size())) return;
  g_script_state.trigger_param_1 = instance;
  g_script_state.trigger_param_2 = damage;
  // What the scripts place at the prop (lights, particles, items) stands at
  // its frame.
  if (script_campaign_host* campaign = current_script_host().campaign) {
    campaign->game_words().set_reference_frame(p->current_frame);
  }
  // Scripts ask where the prop is through the event's object.
  const std::int32_t outer = m.event_prop_instance;
  m.event_prop_instance = instance;
  run_simple_triggers(g_scene_prop_kinds[static_cast<std::size_t>(p->id)].triggers, event_code);
  m.event_prop_instance = outer;
}

void mission_services::create_prop_entity(mission& m, int instance, int agent) {
  create_scene_prop_entity(m, instance, agent);
}

bool mission_services::agent_head_frame(mission&, const agent& a, hm::frame& out) {
  if (a.agent_entity == nullptr) return false;
  const hm::frame& body = a.agent_entity->frame;
  const skeleton_instance* skeleton = a.agent_entity->animated_skeleton.get();
  if (skeleton != nullptr && skeleton->bone_count > agent_head_bone &&
      static_cast<int>(skeleton->bones.size()) > agent_head_bone) {
    out = body.transform_frame_to_global(skeleton->bones[static_cast<std::size_t>(agent_head_bone)].pose_frame);
    return true;
  }
  // No pose yet: the head stands at eye height over the body, looking ahead.
  out = body;
  out.origin.z += a.mount >= 0 ? 2.4f : 1.5f;
  return true;
}

bool mission_services::segment_is_clear(mission& m, const vec3& a, const vec3& b) {
  if (!m.scene) return true;
  return sweep_capsule_against_scene(*m.scene, m.ground_grid, a, b, (b - a).length(), nullptr) == 1;
}

bool mission_services::ground_height(mission& m, const vec3& point, float& out) {
  if (!m.scene) return false;
  const face* ground = nullptr;
  const float height = find_ground_face(*m.scene, point, &ground);
  if (ground == nullptr) return false;
  out = height;
  return true;
}

int mission_services::random_next() { return hm::random_next(); }

int mission_services::update_ground_face(mission& m, agent& a) {
  return update_agent_ground_face(m.nav_mesh, m.nav_search_stamp, a);
}

}  // namespace hm
