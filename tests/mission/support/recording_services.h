#pragma once
// Mission services for tests: every step the frame hands out is written to a
// list of step names, the random source gives a set sequence, and entities
// "removed from the scene" are only recorded.
#include <cstdint>
#include <string>
#include <vector>

#include "mission/records/agent.h"
#include "mission/records/mission_services.h"

namespace hm {

class recording_services : public mission_services {
 public:
  void refresh_shadow_passes(mission&) override { steps.push_back("shadow"); }
  bool physics_thread_enabled() const override { return worker_running; }
  void step_physics(mission&, float dt) override { steps.push_back("physics " + number(dt)); }
  void add_pending_physics_time(float dt) override { pending_physics_time += dt; }
  void check_reinforcements(mission&) override;
  void check_template_triggers(mission&) override { steps.push_back("triggers"); }
  void update_missile(mission&, missile&, float) override { steps.push_back("missile"); }
  void agent_frame(mission&, agent& a, float) override;
  void agent_post_frame(mission&, agent& a, float) override;
  edit_mode_flags edit_mode() const override { return edit_flags; }
  void set_river_animation(mission&, float phase, float flow) override;
  void update_scene_entities(mission&, float) override { steps.push_back("entities"); }
  void remove_scene_entity(mission&, entity& e) override { removed.push_back(&e); }
  void run_prop_triggers(mission&, int instance, int event_code, int damage) override;
  int random_next() override;
  int update_ground_face(mission&, agent& a) override { return a.ground_face_index; }

  static std::string number(float v);

  std::vector<std::string> steps;
  bool worker_running = false;
  float pending_physics_time = 0.0f;
  edit_mode_flags edit_flags;
  std::vector<entity*> removed;
  // Draws handed out in turn (then 0).
  std::vector<int> draws;
  std::size_t next_draw = 0;
  // (instance, event, damage) of every prop trigger run.
  std::vector<std::vector<int>> prop_triggers;
  float river_phase = -1.0f;
  float river_flow = -1.0f;
  std::int64_t clock_at_reinforcements = -1;
};

}  // namespace hm
