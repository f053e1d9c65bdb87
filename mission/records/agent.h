#pragma once
// The agent: one actor of a mission scene, a human or a horse. Agents live in
// the mission's agent pool (agent_pool.h) and refer to each other only by
// index (-1 for none), so a record may be reused or moved between chunks'
// owners without dangling links. Every agent routine reads and writes this
// one record; the AI and the action machine keep their own state inside it.
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"
#include "mission/physics/ragdoll.h"
#include "mission/records/deadline_timer.h"
#include "module/records/item_kind.h"
#include "script/record_data.h"

namespace hm {

class entity;
class face;
class lod_mesh_group;
class missile;
class skeleton_entity;
struct action_table;

// --- kinds and state words ------------------------------------------------------

enum agent_kind : std::int32_t {
  agent_kind_human = 0,
  agent_kind_horse = 1,
};

// agent::state
enum agent_state : std::int32_t {
  agent_state_none = 0,  // never spawned
  agent_state_alive = 1,
  agent_state_left = 2,         // left the scene alive
  agent_state_unconscious = 4,  // knocked out
  agent_state_dead = 5,
};

// agent::presence: how far the body is along its way out of the scene.
enum agent_presence : std::int32_t {
  agent_presence_none = 0,
  agent_presence_active = 2,
  agent_presence_lying = 3,  // lying down or leaving
  agent_presence_fading = 4,
  agent_presence_removed = 5,
};

// agent::rider_died_state of a horse.
enum horse_rider_died_state : std::int32_t {
  horse_rider_none = 0,
  horse_rider_carrying_dead = 1,
  horse_rider_loose = 2,
};

// agent::controller
inline constexpr std::int32_t agent_controller_ai = 0;
inline constexpr std::int32_t agent_controller_player = 2;

// The head's bone in an agent's skeleton.
inline constexpr int agent_head_bone = 9;

// agent::movement_flags
inline constexpr std::uint32_t agent_movement_on_ground = 0x1;
// agent::goal_flags, set by the goal set-ups: go to goal_position, or follow
// followed_agent. A word of its own: the goal set-ups assign it whole, which
// must not clear the on-ground bit of movement_flags.
inline constexpr std::uint32_t agent_movement_to_goal = 0x1;
inline constexpr std::uint32_t agent_movement_follow = 0x2;

// Equipment slots: four weapons, then head, body, foot and hand armour, the
// horse and a tenth slot.
inline constexpr int agent_weapon_slot_count = 4;
inline constexpr int agent_equipment_slot_count = 10;
inline constexpr int agent_slot_head = 4;
inline constexpr int agent_slot_body = 5;
inline constexpr int agent_slot_foot = 6;
inline constexpr int agent_slot_hand = 7;
inline constexpr int agent_slot_horse = 8;

// Bit 21 of an item kind's flags, copied beside the wielded slots.
inline constexpr std::uint32_t wielded_item_flag_bit = 1u << 21;

// A weapon frame whose origin x is this is not valid yet.
inline constexpr float weapon_frame_invalid_x = -2e7f;

// --- related records ------------------------------------------------------------

// Input of one frame, from the player's controls or the AI. A mount copies its
// rider's block each frame.
struct agent_input {
  // Action bits; a newly set 0x100 (attack held) also sets 0x400 (attack
  // newly pressed).
  std::uint32_t action_flags = 0;
  // Non-zero when `direction` is a facing the agent must take (otherwise it is
  // only where it looks).
  std::int32_t facing_given = 0;
  // Where the agent looks, or the facing it is given.
  float direction[3] = {0.0f, 1.0f, 0.0f};
  std::int32_t last_word = 0;

  vec3 direction_vec3() const { return vec3(direction[0], direction[1], direction[2]); }
  void set_direction(const vec3& d) {
    direction[0] = d.x;
    direction[1] = d.y;
    direction[2] = d.z;
  }
};
static_assert(sizeof(agent_input) == 24, "the input block is six words, copied whole");

inline constexpr std::uint32_t input_attack_held = 0x100;
inline constexpr std::uint32_t input_defend_held = 0x200;
inline constexpr std::uint32_t input_attack_pressed = 0x400;

// An input the AI decided on, delivered when clock 2 passes its due tick.
struct ai_delayed_input {
  agent_input input;
  std::int64_t due_tick = 0;
};

// One of an agent's two action channels: 0 the lower (or whole) body, 1 the
// upper body.
struct action_channel {
  std::int32_t action = -1;
  // The sequence of the action now playing, -1 none.
  std::int32_t variant = -1;
  // The low 17 bits are the action's priority; higher bits are request flags.
  std::uint32_t flags = 0;
  // After the channel's curve.
  float progress = 0.0f;
  // The progress, action and sequence of the frame before: an animation key
  // counts once when the progress passes it.
  float previous_progress = 0.0f;
  std::int32_t previous_action = -1;
  std::int32_t previous_variant = -1;
  // The action asked for and not yet taken, -1 none; the speed factor of the
  // request.
  std::int32_t requested_action = -1;
  float speed = 1.0f;
  // The skeleton update's state: the bones this channel drove last frame,
  // a bone handed to the skeleton channel when not -1, a duration (seconds)
  // applied when flag bit 20 is set, a progress applied when >= 0 and then
  // reset to -1, and the aiming pose's frame offset of the playing action.
  std::uint32_t bone_mask = 0;
  std::int32_t bone_parameter = -1;
  float duration_request = 0.0f;
  float progress_request = -1.0f;
  std::int32_t pitch_frames = 0;

  std::uint32_t priority() const { return flags & 0x1FFFFu; }
  // Both actions -1: nothing plays and nothing is asked for.
  bool is_idle() const { return action == -1 && requested_action == -1; }
  // Takes the request unless its priority is below the channel's and the
  // channel is busy; a taken request of -1 stores flags 0.
  bool request(int new_action, std::uint32_t new_flags);
};

// A blow waiting to be received (one per agent).
struct blow {
  // 0x10 strong blow, 0x20 silent blow.
  std::uint32_t flags = 0;
  std::int32_t attacker = -1;
  vec3 hit_position;
  // Unit vectors: knock-back runs along the blow direction; the death impulse
  // and the side of the death animation come from the impact direction.
  vec3 direction{0.0f, 1.0f, 0.0f};
  vec3 impact_direction{0.0f, 1.0f, 0.0f};
  std::int32_t bone = -1;
  float raw_damage = 0.0f;
  float damage = 0.0f;
  std::int32_t absorbed = 0;
  // 0 cut, 1 pierce, 2 blunt.
  std::int32_t damage_type = 0;
  std::int32_t item_kind = -1;
  std::uint32_t item_word = 0;
  const missile* striking_missile = nullptr;
};

inline constexpr std::uint32_t blow_strong = 0x10;
inline constexpr std::uint32_t blow_silent = 0x20;

// A blow with no attacker, no weapon and unit directions.
inline void create_blow(blow& b) { b = blow{}; }

// An enemy near an agent: who, how far, and the unit direction to it.
struct nearby_agent {
  std::int32_t agent = -1;
  float distance = 0.0f;
  vec3 direction;
};

inline constexpr int nearby_enemy_capacity = 16;

// The AI's part of the agent record; its meaning belongs to the AI routines.
struct agent_ai {
  std::array<timer, 5> timers{timer(clock_mission), timer(clock_mission), timer(clock_mission), timer(clock_mission),
                              timer(clock_mission)};
  std::array<std::int32_t, 2> counters{};
  // 4..14 when set.
  std::int32_t mode = 0;
  std::int32_t target = -1;
  // Personality, each in -1..1, drawn when the agent is placed.
  std::array<float, 4> personality{};
  // 5.0 when placed.
  float movement_value = 0.0f;
  // Written by the mission's team statistics pass.
  std::int32_t slot_in_group = 0;
  float formation_offset = 0.0f;
  float depth_offset = 0.0f;
  // How many agents have this agent as their target.
  std::int32_t attackers = 0;
  // Order words the AI movement pass clears together.
  std::array<std::int32_t, 5> order_words{};
  // The agent's place in its group's formation orders, 0 none.
  std::int32_t formation_word = 0;
  // Two small scatter values of the agent's formation point.
  std::array<float, 2> formation_scatter{};
  // Bit 0: the formation's extra step back.
  std::uint8_t formation_side = 0;
  // The nearest enemy humans, nearest first.
  std::int32_t nearby_enemy_count = 0;
  std::array<nearby_agent, nearby_enemy_capacity> nearby_enemies{};
  // Read by the shot test: the drop the aim allows for, and how much room
  // this agent takes in a line of fire.
  float aim_drop = 0.0f;
  float size_term = 0.0f;
  // 0 re-chooses its behaviour on the next frame.
  float retarget_period = 0.0f;
  // Set while the agent aims a ranged weapon.
  std::uint8_t aiming = 0;
  // Bit 0 alarmed.
  std::uint32_t flags = 0;
  // Bit 1 fight permission.
  std::uint32_t permission = 0;
  // 1 = go to the scripted position.
  std::int32_t scripted_destination = 0;
  vec3 scripted_position;
  agent_input current_input;
  std::deque<ai_delayed_input> delayed_inputs;
  agent_input remembered_input;
  // Seconds until the next movement pass and the next combat pass (timers 1
  // and 2 measure from the last ones; timer 0 from the last behaviour choice).
  float movement_period = 0.0f;
  float combat_period = 0.0f;
  // The presses of the last combat pass, sent through the delay queue.
  std::uint32_t action_flags = 0;
  // A random draw taken before each movement pass, for its choices.
  std::int32_t movement_seed = 0;
  // Where the chosen behaviour leads.
  vec3 target_position;
  // Metres that scale the steering's stop and start distances.
  float speed_factor = 1.5f;
  // 2 when the combat pass rejected a ranged attack since the last choice.
  std::uint32_t ranged_state = 0;
  // -1..1: falls while the agent tries to move and cannot.
  float stuck_meter = 0.0f;
  // The movement pass's word and agent, and a second agent, cleared by each
  // behaviour choice.
  std::int32_t movement_word = 0;
  std::int32_t movement_agent = -1;
  std::int32_t second_agent = -1;

  // The movement and combat passes.
  // The agent to fight, -1 none (the behaviour's target is `target`).
  std::int32_t combat_target = -1;
  // The fight machines' shared state, 0 neutral.
  std::int32_t combat_state = 0;
  // The last result of the shot test (shot_result).
  std::int32_t aim_result = 0;
  // 0..11: grows under enemy pressure; at 10 the agent backs off.
  float fear = 0.0f;
  std::uint8_t backing_off = 0;
  std::uint8_t was_backing_off = 0;
  // Set by a script: no fear, no backing off.
  std::uint8_t no_fear = 0;
  // Set by the ride-through: wander instead of riding on.
  std::uint8_t wander = 0;
  // A follower's speed below which it closes in.
  float near_speed = 0.0f;
  // Radians the steering point is bent round an obstacle; decays each pass.
  float avoid_angle = 0.0f;
  // On foot: 0x1 moving, 0x2 forward, 0x4 backward, 0x8 side +, 0x10 side -
  // held; riding: 1 moving.
  std::uint32_t move_bits = 0;
  // A rider's or horse's wanted speed and whether it slows for a turn.
  float wanted_speed = 0.0f;
  std::int32_t turning = 0;
  // Where the agent looks and aims, a unit vector.
  vec3 aim_direction{0.0f, 1.0f, 0.0f};
  // The turn that lines a diagonal press up with the steering point.
  float press_turn = 0.0f;
  // Presses the movement pass makes at once (mounting, dismounting, a
  // shout); the think loop hands them to the combat pass's immediate ones.
  std::uint32_t extra_flags = 0;
  // An unstick may happen only while this reads 0 or more.
  timer unstick_timer{clock_mission};
};

// The AI's attack and guard timers (waiting t seconds sets elapsed to -t).
inline constexpr int ai_attack_timer = 3;
inline constexpr int ai_guard_timer = 4;

// --- the agent ------------------------------------------------------------------

struct agent {
  // Identity and links
  std::int32_t in_use = 0;
  std::int32_t index = -1;
  std::int32_t kind = agent_kind_human;
  std::int32_t state = agent_state_none;
  // Emptied at each spawn.
  std::vector<std::int32_t> buffer;
  std::int32_t mount = -1;
  std::int32_t rider = -1;
  // The horse the player asked to mount (-1 none): the screen chose it along
  // the look ray; the mount press takes it when it is still free.
  std::int32_t mount_target = -1;
  // Set when the agent is placed.
  std::int32_t placed_flag = 0;
  std::int32_t placed_value = 0;
  std::uint32_t movement_flags = 0;
  timer action_timer{clock_mission};

  // Motion
  // The body frame: its origin is the position, its f axis the forward axis.
  frame body_frame = frame::identity();
  std::int32_t controller = agent_controller_ai;
  // Scales a human's collision capsule.
  float height_factor = 1.0f;
  std::int32_t troop = -1;
  // For a horse, the item kind it was made from and that item's word (its
  // modifier and amount).
  std::int32_t horse_item = -1;
  std::uint32_t horse_item_word = 0;
  // The horse item it was made from, modifier and all.
  item own_horse_item() const { return item{horse_item, horse_item_word}; }
  // Added to the position when the entity is placed; fades to 0 each frame.
  vec3 visual_offset;
  // Offsets the collision capsule from the body frame.
  vec3 body_offset;
  // Set by the agent code to lift the collision capsule out of reach.
  std::uint8_t capsule_lifted = 0;
  float side_speed = 0.0f;
  float forward_speed = 0.0f;
  // The scene ground face under the agent and the collision face it last ran
  // into; null when none.
  const face* ground_face = nullptr;
  const face* wall_face = nullptr;
  vec3 last_ground_search_position;

  // Animation
  std::array<action_channel, 2> channels{};
  // The module's action table for humans or horses.
  const action_table* actions = nullptr;

  // Entities and equipment
  entity* body_entity = nullptr;
  std::array<entity*, agent_equipment_slot_count> item_entities{};
  // The skeleton bone each equipment slot's mesh hangs from; -1 for none or
  // for a mesh skinned to the whole skeleton. Item triggers put their
  // particle systems there.
  std::array<std::int32_t, agent_equipment_slot_count> item_bones{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  std::array<entity*, 2> held_item_entities{};
  entity* label_entity = nullptr;
  float label_height = 0.0f;
  // The particle systems (records of the module's table, -1 none) that a
  // footstep bursts: a horse's hoof dust and the three water splashes.
  std::int32_t dust_system = -1;
  std::array<std::int32_t, 3> splash_systems{-1, -1, -1};
  std::int32_t party = -1;
  // 0..7; other values count as team 7 where a team record is needed.
  std::int32_t team = 0;
  std::array<item, agent_equipment_slot_count> equipment{};
  std::array<std::int32_t, 2> wielded_slots{-1, -1};
  std::uint32_t wielded_item_flags = 0;
  // Hand 1 cannot hold anything (its item does not count).
  std::uint8_t hand1_unavailable = 0;
  // The wielded weapon is held in both hands.
  std::uint8_t two_hands = 0;
  // The weight of the equipment as last computed.
  float equipment_weight = 0.0f;
  // Bits 2 and 3 choose action variants.
  std::uint32_t variant_flags = 0;
  // The agent's skeleton entity; null before creation and after removal.
  skeleton_entity* agent_entity = nullptr;

  // AI block
  agent_ai ai;

  // Combat
  std::int32_t last_attacker = -1;
  agent_input input;
  // The two upper-body turn words, outside the copied input block.
  float upper_turn = 0.0f;
  float upper_turn_rate = 0.0f;
  std::int32_t ready_action = -1;
  std::int32_t release_action = -1;
  std::int32_t bounce_action = -1;
  std::int32_t attack_direction = 0;
  // 0 idle, 1 readying or aiming, 2 releasing or reloading, 3 swing continues
  // or throw in progress, 4 thrown, 5 bounced, 6 cancelled.
  std::int32_t attack_state = 0;
  std::int32_t defend_state = 0;
  std::int32_t defend_action = -1;
  std::int32_t defend_end_action = -1;
  std::int32_t defend_hold_action = -1;
  std::int32_t reload_action = -1;
  std::uint32_t blow_pending = 0;
  blow pending_blow;
  // Knock-back and throws add to it.
  vec3 pending_velocity;
  vec3 motion;
  vec3 velocity;
  // 0 none, 1 melee or ready ranged, 3 shield.
  std::int32_t wield_mode = 0;
  float aim_angle = 0.0f;
  float lean = 0.0f;
  // The current aiming error, an angle.
  float aim_deviation = 0.0f;
  float hit_points = 0.0f;
  // What healing restores; set when the agent spawns.
  float max_hit_points = 0.0f;
  std::int32_t kill_count = 0;
  std::int32_t knockout_count = 0;
  // Experience gathered by a regular troop.
  std::int32_t experience = 0;
  frame weapon_frame = invalid_weapon_frame();
  frame previous_weapon_frame = invalid_weapon_frame();
  float readiness = 0.0f;
  std::uint8_t agent_hit = 0;
  std::uint8_t scene_hit = 0;
  float attack_power = 0.0f;

  // Clocks and states
  timer general_timer{clock_mission};
  timer presence_timer{clock_mission};
  timer aim_timer{clock_mission};
  std::array<timer, 3> action_timers{timer(clock_mission), timer(clock_mission), timer(clock_mission)};
  std::int32_t state_word = 0;
  std::int32_t presence = agent_presence_none;
  std::int32_t mission_value = 0;
  std::uint8_t body_frozen = 0;
  std::int32_t mount_at_death = -1;
  std::int32_t rider_died_state = horse_rider_none;
  vec3 spawn_position;
  std::int32_t voice_channel = -1;
  timer voice_timer{clock_real_time};
  float voice_duration = 0.0f;
  std::uint8_t label_refresh = 0;
  // Index of the ground face, -1 none.
  std::int32_t ground_face_index = -1;
  // Whether the movement step took a height this frame (within -9000..9000).
  std::int32_t position_valid = 0;
  // The ragdoll, owned by the physics worlds; null when none.
  void* ragdoll = nullptr;
  // The physics world that holds the agent's ragdoll (-1 none), whether the
  // ragdoll is active, the velocity taken over from the mount, the capsule
  // body of the linked agent (null none; the agent it links, -1 none) and
  // three state bytes of the ragdoll code.
  std::int32_t physics_world = -1;
  std::int32_t ragdoll_active = 0;
  vec3 inherited_velocity;
  void* linked_capsule = nullptr;
  std::int32_t linked_agent = -1;
  std::array<std::uint8_t, 3> ragdoll_state_bytes{};
  std::uint8_t ragdoll_settle_early = 0;
  std::int32_t ragdoll_slot = -1;
  // The ragdoll's bodies, its local ground and its fall sound.
  ragdoll_state ragdoll_body;
  // How far a fallen body without a ragdoll has leaned into the ground's
  // slope, 0..1.
  float ground_lean_blend = 0.0f;
  vec3 death_impulse;
  std::int32_t death_bone = -1;
  vec3 death_position;
  timer ragdoll_timer{clock_mission};
  // Combat: whether each equipment slot came from the troop's own equipment
  // (a broken shield of the player's then loses quality), and the hand the
  // last attack was readied with.
  std::array<std::uint8_t, agent_equipment_slot_count> slot_from_troop{};
  std::int32_t attack_hand = 0;
  // The body's opacity while it fades out (1 opaque); the entity's colour
  // factor follows it.
  float fade_alpha = 1.0f;
  // Values module scripts keep on the agent.
  slot_vector slots;

  // --- Animation, wielding and locomotion ---------------------------------------
  // Played on channel 1 by play_weapon_hit_action, -1 none.
  std::int32_t weapon_hit_action = -1;
  // Channel 0's progress of the previous frame, read by the footstep sounds;
  // 1.0 when a new lower-body sequence starts.
  float footstep_mark = 0.0f;
  // Bits 0-2 the gait (human 0 stand, 1 walk, 2 run; horse 0..5); bit 8 a
  // horse moves forward under throttle, bit 9 it backs.
  std::uint32_t gait_state = 0;
  float anim_speed_ratio = 0.0f;
  // The lower channel's time scale, the reciprocal of the ratio.
  float lower_time_scale = 1.0f;
  float lean_rate = 0.0f;
  float turn_rate = 0.0f;
  float upper_twist_rate = 0.0f;
  // What the movement update knows of the ground: positive slows.
  float slope_term = 0.0f;
  // Played with nothing in hand 0.
  std::int32_t stand_action = 4;
  std::int32_t walk_action = 10;
  std::uint8_t unarmed_stance = 0;
  timer horse_sound_timer{clock_mission};
  deadline_timer dismount_guard;
  std::int32_t shout_count = 0;
  // What the last wield update saw in each hand.
  std::array<std::int32_t, 2> previous_wielded_slots{-1, -1};
  // Bit 1 a one- or two-handed item, bit 2 a two-handed grip, bit 3 a
  // polearm, bit 4 a bow, bit 5 a crossbow or thrown weapon, bit 12 a shield.
  std::uint32_t wield_flags = 0;
  // Seconds; -2e7 after a wield change.
  std::array<float, 2> action_stamps{-20000000.0f, -20000000.0f};
  // Per weapon slot the second mesh's and the sheath's entities (the item's
  // own is item_entities[slot]).
  std::array<std::array<entity*, 2>, agent_weapon_slot_count> slot_extra_entities{};
  // Where each weapon slot's item hangs: its bone (-1 not shown), frame in
  // that bone's space and whether the sheath shows in its place.
  struct item_display {
    std::int32_t bone = -1;
    frame placement = frame::identity();
    std::uint8_t mirrored = 0;
    std::uint8_t sheath = 0;
  };
  std::array<item_display, agent_weapon_slot_count> item_displays{};
  // 1 melee, 2 ranged, 3 pole weapon; 0 none yet.
  std::int32_t ai_weapon_class = 0;
  std::int32_t ai_combat_word = 0;

  // Set-up and spawning
  // The party stack it came from, -1 none.
  std::int32_t stack = -1;
  // The seed of its face, -1 for a troop's own face.
  std::int32_t face_seed = -1;
  // Equipment slots whose items come from the spawn record's list.
  std::uint32_t item_override_flags = 0;
  std::vector<std::int32_t> spawn_items;
  // The spawn record that brought it, -1 none.
  std::int32_t spawn_record = -1;
  // The spawn record's AI flags; 0x10 keeps the agent in place.
  std::int32_t spawn_ai_flags = 0;
  std::uint8_t kept_in_place = 0;

  // Weapons and missiles
  // The group that draws the missiles stuck in the shield, hung on the
  // skeleton (which owns it); null until the first one sticks.
  lod_mesh_group* shield_missiles = nullptr;
  // Shots a crossbow-like weapon holds ready after its reload.
  std::int32_t loaded_shots = 0;

  // Paths and AI
  // What the movement pass steers by (agent_movement_to_goal, _follow, 0x20
  // an AI goal is set, 0x80 pass at a side distance, 0x200 lance charge).
  std::uint32_t goal_flags = 0;
  // Where the agent goes (the followed agent's position when following), the
  // goal's velocity and its navigation face (-1 none).
  vec3 goal_position;
  vec3 goal_velocity;
  std::int32_t goal_face = -1;
  // goal_face as it stood at the last path search.
  std::int32_t searched_goal_face = -1;
  // A new path search is wanted.
  std::int32_t repath_needed = 0;
  // The agent followed under movement flag 0x2, -1 none.
  std::int32_t followed_agent = -1;
  // The path from the agent's face to the goal's: its faces, and the point
  // to walk to on each (at most 1024 of both).
  std::vector<std::int32_t> path_faces;
  std::vector<vec3> path_points;
  std::int32_t path_length = 0;
  // The point the agent steers to.
  std::int32_t path_index = 0;
  // The agent follows path_points.
  std::int32_t path_active = 0;
  // The last search found no path.
  std::uint8_t path_empty = 0;
  // Faces the last search expanded.
  std::int32_t path_expanded = 0;
  // A rider's turn relative to its mount, radians (counter-clockwise).
  float rider_turn_angle = 0.0f;

  // Mission scripts
  // Words scripts copy out (their meaning lies with the agent's own logic):
  // where the agent came from, the word after the troop, a word scripts only
  // read and a pair read together.
  std::int32_t origin_word = 0;
  std::int32_t troop_word = 0;
  std::int32_t script_read_word = 0;
  std::array<std::int32_t, 2> paired_words{};
  // Three words scripts set, and a further word they read.
  std::array<std::int32_t, 3> script_words{};
  std::int32_t script_value = 0;
  // Where a script sends the agent (with ai.scripted_destination set).
  frame scripted_destination_frame = frame::identity();
  // Seconds the agent waits, on its reaction timer, before it follows an
  // order.
  float order_reaction_delay = 0.0f;
  timer reaction_timer{clock_mission};
  // Metres per second a script allows; 0 for no limit.
  float speed_limit = 0.0f;

  const vec3& position() const { return body_frame.origin; }
  vec3& position() { return body_frame.origin; }
  const vec3& forward() const { return body_frame.rot.f; }
  bool is_horse() const { return kind == agent_kind_horse; }
  // The agent's order group (agent_mounted_state).
  int get_mounted_state() const;
  bool is_alive() const { return state == agent_state_alive; }
  // The frame and post-frame leave a record alone that was never spawned or
  // whose body has left the scene.
  bool takes_frames() const { return in_use != 0 && agent_entity != nullptr && presence < agent_presence_removed; }

  static frame invalid_weapon_frame() {
    frame f = frame::identity();
    f.origin.x = weapon_frame_invalid_x;
    return f;
  }
};

// The team record an agent counts in: its team, or 7 when that lies outside
// 0..7.
inline int agent_team_index(int team) { return team >= 0 && team < 8 ? team : 7; }

}  // namespace hm

namespace hm {

// The agent's order group: 2 riding, else 1 when its troop has flag bit 26,
// else 0; an agent without a troop (or with one outside the game's table) is
// 0.
int agent_mounted_state(const agent& a);

}  // namespace hm
