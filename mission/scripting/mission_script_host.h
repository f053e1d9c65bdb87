#pragma once
// The mission as module scripts see it: agents, teams and scene-prop
// instances by index, every index checked against the mission's tables.
#include <functional>

#include "script/script_host.h"

namespace hm {

class mission;
struct blow;
struct campaign_state;
class agent_spawn_hooks;
using blow_record = blow;

class mission_script_host final : public script_mission_host {
 public:
  // The hooks start as the mission's own routines (spawning single agents
  // aside: that needs the running game, see connect_spawning).
  explicit mission_script_host(mission& m);

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

  int agent_horse_item(int agent) const override;
  float script_timer_seconds(int timer) const override;
  void restart_script_timer(int timer) override;
  int strength_word() const override;
  float strength_factor(int team) const override;
  int player_side_word() const override;
  int battle_flag_word() const override;
  void set_fog(float distance, bool skybox_colour, std::uint32_t colour) override;

  std::int32_t agent_word(int agent, agent_field f) const override;
  void set_agent_word(int agent, agent_field f, std::int32_t value) override;
  frame agent_position_frame(int agent, bool entity_frame) const override;
  void move_agent(int agent, const vec3& p) override;
  float agent_hit_points(int agent) const override;
  float agent_max_hit_points(int agent) const override;
  void set_agent_hit_points(int agent, float hp) override;
  void deliver_scripted_blow(int attacker, int victim) override;
  int wielded_item_kind(int agent, int hand) const override;
  int remaining_ammo(int agent) const override;
  void refill_agent_ammo(int agent, int value) override;
  bool agent_has_item(int agent, std::int64_t kind) const override;
  void set_scripted_destination(int agent, const frame& f) override;
  frame scripted_destination(int agent) const override;
  void clear_scripted_destination(int agent) override;
  void set_speed_limit(int agent, float limit) override;
  void set_agent_action(int agent, int action) override;
  void set_animation_progress(int agent, float progress) override;
  void play_agent_voice(int agent, int sound) override;
  void set_agent_team(int agent, std::int64_t team) override;

  std::int32_t class_order(int team, int group, order_field f) const override;
  bool class_selected(int team, int group) const override;
  void select_classes(int team, int group) override;
  void give_order(int team, int group, int order) override;
  void set_hold_position(int team, int group, const vec3& p) override;
  vec3 hold_position(int team, int group) const override;
  int team_leader(int team) const override;
  void set_team_leader(int team, int agent) override;
  void set_team_relation(int team_a, int team_b, int relation) override;
  bool entry_point_frame(int entry, frame& out) const override;
  void scene_rectangle(vec3& low, vec3& high) const override;
  bool in_ground_area(float x, float y) const override;
  void set_battle_values(std::int64_t word, std::int64_t hundredths) override;
  void set_mission_word(int which, std::int32_t value) override;
  std::int32_t mission_word(int which) const override;
  void start_countdown(float seconds) override;
  int last_live_agent_of_troop(int troop) const override;

  int count_prop_instances(int kind) const override;
  int nth_prop_instance(int kind, int n) const override;
  frame prop_instance_frame(int instance, int which) const override;
  void set_prop_instance_frame(int instance, const frame& f) override;
  void start_prop_move(int instance, const frame& target, float seconds) override;
  void replace_prop_kind(int from, int to) override;
  void add_scene_light(const vec3& position, const vec3& colour, float flicker, float interval) override;
  void add_reinforcements(int record, int count) override;
  int spawn_agent_at(int troop, const frame& where) override;
  int spawn_horse_at(int item_kind, int modifier, const frame& where) override;
  void add_trigger_particle_system(int context, int kind, const vec3& local) override;
  void restart_trigger_particle_system(int context, int kind, int emissions) override;
  void add_mission_particle_system(int kind, const frame& where, int value) override;
  int spawn_item_at(int item_kind, int modifier, const frame& where) override;
  script_camera* scripted_camera() override;

  // What the mission calls for the parts other code owns: a blow received at
  // once, an action put on a channel, a voice sound played, the weapon
  // re-chosen after a weapon order, and spawning. An empty hook does the
  // record's own part only.
  struct hooks {
    std::function<void(mission&, int victim, const blow_record&)> receive_blow;
    std::function<void(mission&, int agent, int channel, int action, std::uint32_t flags, float speed)>
        set_channel_action;
    std::function<void(mission&, int agent, int sound)> play_voice;
    std::function<void(mission&, int agent)> choose_weapon;
    // Spawning: a spawn group of the template's record, an agent of a troop
    // and a horse of an item kind at a frame (the agent's id, -1 none).
    std::function<void(mission&, int record, int count)> spawn_group;
    std::function<int(mission&, int troop, const frame& where)> spawn_agent;
    std::function<int(mission&, int item_kind, int modifier, const frame& where)> spawn_horse;
  };
  hooks routines;

  // Single agents and horses that scripts spawn go through the mission
  // set-up's spawning for this game; both must outlive the host.
  void connect_spawning(campaign_state& game, agent_spawn_hooks& spawn_hooks);

 private:
  mission& mission_;
};

// While it lives, module scripts reach this mission: its host takes the
// mission's place among the script engine's neighbours, and the neighbours
// before it come back when it ends. The code that runs a mission keeps one for
// the mission's life (and sets the host's hooks to its spawning, animation and
// combat routines).
class mission_script_scope {
 public:
  explicit mission_script_scope(mission& m);
  ~mission_script_scope();
  mission_script_scope(const mission_script_scope&) = delete;
  mission_script_scope& operator=(const mission_script_scope&) = delete;

  mission_script_host& host() { return host_; }

 private:
  mission_script_host host_;
  script_mission_host* previous_;
};

}  // namespace hm
