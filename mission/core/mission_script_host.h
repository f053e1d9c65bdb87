#pragma once
// The mission as module scripts see it: agents, teams and scene-prop
// instances by index, every index checked against the mission's tables.
#include "script/script_host.h"

namespace hm {

class mission;

class mission_script_host final : public script_mission_host {
 public:
  explicit mission_script_host(mission& m) : mission_(m) {}

  int agent_slot_count() const override;
  bool agent_slot_in_use(int agent) const override;
  int first_live_agent() const override;
  int next_live_agent(int agent) const override;
  int scene_prop_instance_count() const override;
  slot_vector* agent_slots(int agent) override;
  int agent_troop(int agent) const override;
  int mission_value() const override;
  bool event_object_position(int context, vec3& out) const override;
  bool ground_height_in_scene(float x, float y, float& out) const override;
  int player_agent() const override;
  int agent_state(int agent) const override;
  int agent_team(int agent) const override;
  int team_member_count(int team) const override;
  int team_relation(int team_a, int team_b) const override;
  float seconds_since_reference() const override;
  void heal_agent(int agent) override;
  bool has_mission() const override;
  void clear_spawn_flags() override;
  void count_spawn_group_agents(int slot, int count) override;

 private:
  mission& mission_;
};

}  // namespace hm
