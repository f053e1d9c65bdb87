#pragma once
// What the mission frame calls beyond its own records: the renderer's shadow
// passes, the physics step, spawning, the template's triggers, the missile
// flight, the agents' frames, the scene editor's flags, the scene's entities,
// the prop triggers and the random source. The defaults run the engine's own
// routines where they exist and do nothing for steps that other parts of the
// mission code take over by overriding them; tests override them to record
// the order of the steps or to feed fixed random draws.
// The defaults call into every part of the mission, so they are defined above
// it all, in mission/defaults/; the mission and its frame know only this
// interface.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class entity;
class mission;
class mission_setup_steps;
struct agent;
struct missile;

// The scene editor's flags that decide whether editor-only markers show.
struct edit_mode_flags {
  // The engine setting that allows edit mode at all.
  bool edit_mode_enabled = false;
  // The game's edit-mode flag and its second edit flag.
  bool editing = false;
  bool second_flag = false;
};

class mission_services {
 public:
  virtual ~mission_services();

  // Shadow passes of the scene when the render view changed.
  virtual void refresh_shadow_passes(mission& m);
  // True while the physics worker steps the worlds.
  virtual bool physics_thread_enabled() const;
  // Steps the physics worlds inline by the frame time.
  virtual void step_physics(mission& m, float frame_time);
  // Hands the frame time to the physics worker.
  virtual void add_pending_physics_time(float frame_time);
  // Spawns what the template's records still have pending, through the
  // set-up steps the mission was started with; nothing without them.
  virtual void check_reinforcements(mission& m);
  // The set-up steps reinforcements spawn through; they must outlive the
  // mission's frames (null: no reinforcements).
  void set_setup_steps(mission_setup_steps* steps) { setup_steps_ = steps; }
  mission_setup_steps* setup_steps() const { return setup_steps_; }
  // The current template's triggers, each checked with the timed code 16.
  virtual void check_template_triggers(mission& m);
  // One step of a missile's flight.
  virtual void update_missile(mission& m, missile& mi, float frame_time);
  // The weapon hit test of a flying missile whose tip swept from..to as a
  // capsule of that radius: 0 nothing struck; 1 an agent struck (the blow
  // delivered there); 2 blocked, or stuck in a scene prop; 3 and above
  // something solid struck, `contact` then holding where the missile stands.
  // By default the shooter's weapon hit test with the missile.
  virtual int missile_weapon_hit(mission& m, missile& mi, const vec3& from, const vec3& to, float radius,
                                 vec3& contact);
  // Plays an engine sound slot at a point with a volume and a pitch factor;
  // the channel, negative for none.
  virtual int play_slot_sound(int slot, const vec3& position, float volume, float pitch);
  virtual void stop_sound(int channel);
  // By default the agent's whole frame (agent_frame.h) with the services'
  // random draws.
  virtual void agent_frame(mission& m, agent& a, float frame_time);
  // By default the agent's post-frame, for an agent with a body.
  virtual void agent_post_frame(mission& m, agent& a, float frame_time);
  virtual edit_mode_flags edit_mode() const;
  // Writes the river's animation values: the phase twice and the flow value.
  virtual void set_river_animation(mission& m, float phase, float flow);
  virtual void update_scene_entities(mission& m, float frame_time);
  // Takes an entity out of the mission's scene and destroys it.
  virtual void remove_scene_entity(mission& m, entity& e);
  // Runs a scene prop's triggers for an event on one instance (-42 struck,
  // -43 destroyed) with the instance and the damage as trigger parameters.
  virtual void run_prop_triggers(mission& m, int instance, int event_code, int damage);
  // Builds the scene entity of a new instance (meshes and body by its kind)
  // for the agent that made it (-1 none).
  virtual void create_prop_entity(mission& m, int instance, int agent);
  // The world frame of an agent's head bone; false when the agent has no
  // entity.
  virtual bool agent_head_frame(mission& m, const agent& a, frame& out);
  // Whether nothing of the scene blocks the segment a-b.
  virtual bool segment_is_clear(mission& m, const vec3& a, const vec3& b);
  // The height of the ground under a point (or a little above it); false
  // where there is no ground.
  virtual bool ground_height(mission& m, const vec3& point, float& out);
  // The engine's 0..32767 random source.
  virtual int random_next();
  // The ground face index under an agent (-1 none), refreshed.
  virtual int update_ground_face(mission& m, agent& a);

 private:
  mission_setup_steps* setup_steps_ = nullptr;
};

}  // namespace hm
