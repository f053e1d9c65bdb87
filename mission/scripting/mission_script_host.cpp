#include "mission/scripting/mission_script_host.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/text_format.h"
#include "engine/resource/particle_system.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/agent_sounds.h"
#include "mission/anim/agent_actions.h"
#include "mission/combat/blows.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/combat_random.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/scene/scene_queries.h"
#include "mission/setup/agent_spawn.h"
#include "mission/setup/spawning.h"
#include "mission/text/group_names.h"
#include "module/loading/scene_services.h"
#include "module/records/item_kind.h"
#include "module/records/mission_template.h"
#include "module/records/particle_system.h"
#include "module/records/scene_prop.h"
#include "module/text/translation_table.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/entity/strategic_entity.h"
#include "render/scene/light.h"
#include "render/scene/scene_attachments.h"
#include "render/scene/scene_world.h"
#include "script/triggers.h"

namespace hm {

namespace {

// Context words of the event triggers whose object is a prop instance or an
// agent.
constexpr int context_prop_placed = -40;
constexpr int context_prop_struck = -42;
constexpr int context_prop_destroyed = -43;
constexpr int context_agent_a = -50;
constexpr int context_agent_b = -51;

bool is_prop_context(int context) {
  return context == context_prop_placed || context == context_prop_struck || context == context_prop_destroyed;
}

// The mission's own routines behind the hooks.
mission_script_host::hooks mission_routines() {
  mission_script_host::hooks h;
  h.receive_blow = [](mission& m, int victim, const blow_record&) {
    agent* a = m.get_live_agent(victim);
    if (a == nullptr) return;
    mission_combat_random random(m.services());
    receive_blow(m, *a, random);
  };
  h.set_channel_action = [](mission& m, int index, int channel, int action, std::uint32_t flags, float speed) {
    if (agent* a = m.get_live_agent(index)) set_channel_action(*a, channel, action, flags, speed);
  };
  h.play_voice = [](mission& m, int index, int sound) {
    if (agent* a = m.get_live_agent(index)) agent_sounds().play_voice_sound(m, *a, sound);
  };
  // The player chooses the player's own weapon.
  h.choose_weapon = [](mission& m, int index) {
    agent* a = m.get_live_agent(index);
    if (a == nullptr || index == m.player_agent || a->is_horse()) return;
    a->ai_weapon_class = -1;
    set_ai_weapon_mode(m, *a, a->ai.mode);
  };
  // The group's agents are counted for the record, and the reinforcement
  // check brings them.
  h.spawn_group = [](mission& m, int record, int count) {
    count_spawn_group_agents(m, record, static_cast<std::uint32_t>(count), g_game_options.battle_size);
    m.services().check_reinforcements(m);
  };
  return h;
}

}  // namespace

mission_script_host::mission_script_host(mission& m) : routines(mission_routines()), mission_(m) {}

void mission_script_host::connect_spawning(campaign_state& game, agent_spawn_hooks& spawn_hooks) {
  routines.spawn_agent = [&game, &spawn_hooks](mission& m, int troop, const frame& where) {
    spawn_agent_request request;
    request.at = where;
    request.troop = troop;
    return spawn_agent(m, game, request, spawn_hooks);
  };
  routines.spawn_horse = [&spawn_hooks](mission& m, int item_kind, int modifier, const frame& where) {
    // A modifier of the table is set with the amount made full for it.
    item horse{item_kind, 0};
    horse.change_modifier(modifier);
    return spawn_horse(m, where, item_kind, -1, spawn_hooks, horse.word);
  };
}

int mission_script_host::agent_slot_count() const { return mission_.agents.count(); }

bool mission_script_host::agent_slot_in_use(int agent) const { return mission_.get_live_agent(agent) != nullptr; }

int mission_script_host::first_live_agent() const { return mission_.first_live_agent(); }

int mission_script_host::next_live_agent(int agent) const { return mission_.next_live_agent(agent); }

int mission_script_host::scene_prop_instance_count() const { return mission_.prop_instance_count(); }

slot_vector* mission_script_host::agent_slots(int agent) {
  hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? &a->slots : nullptr;
}

int mission_script_host::agent_troop(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->troop : -1;
}

int mission_script_host::mission_value() const { return mission_.script_value; }

bool mission_script_host::event_object_position(int context, vec3& out) const {
  if (is_prop_context(context)) {
    const scene_prop_instance* p = mission_.get_scene_prop_instance(mission_.event_prop_instance);
    if (p == nullptr) return false;
    out = p->current_frame.origin;
    return true;
  }
  if (context == context_agent_a || context == context_agent_b) {
    const hm::agent* a = mission_.get_live_agent(mission_.event_agent);
    if (a == nullptr) return false;
    out = a->position();
    return true;
  }
  return false;
}

bool mission_script_host::ground_height_in_scene(float x, float y, float& out) const {
  if (!(x >= mission_.scene_min_x && x < mission_.scene_max_x && y >= mission_.scene_min_y &&
        y < mission_.scene_max_y)) {
    return false;
  }
  // Asked from high above, the ground is the topmost face under the point.
  return mission_.services().ground_height(mission_, vec3(x, y, 100000.0f), out);
}

int mission_script_host::player_agent() const { return mission_.player_agent; }

int mission_script_host::agent_state(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->state : 0;
}

int mission_script_host::agent_team(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->team : -1;
}

int mission_script_host::team_member_count(int team) const {
  if (team < 0 || team >= team_count) return 0;
  int n = 0;
  for_each_live_agent(mission_.agents, [&n, team](const hm::agent& a) {
    if (a.team == team && a.is_alive() && !a.is_horse()) ++n;
  });
  return n;
}

int mission_script_host::team_relation(int team_a, int team_b) const {
  if (team_a < 0 || team_a >= team_count || team_b < 0 || team_b >= team_count) return 0;
  return mission_.team_relation(team_a, team_b);
}

float mission_script_host::seconds_since_reference() const { return mission_.mission_timers[0].elapsed(); }

void mission_script_host::heal_agent(int agent) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->hit_points = a->max_hit_points;
}

bool mission_script_host::has_mission() const { return mission_.template_index >= 0; }

void mission_script_host::clear_spawn_flags() { mission_.blocked_spawn_records.fill(0); }

void mission_script_host::count_spawn_group_agents(int, int) {
  // Spawning keeps the pending counts of each entry; until it lands there is
  // nothing to count into.
}

// --- statistics and the scene's fog ---

int mission_script_host::agent_horse_item(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr && a->troop < 0 ? a->horse_item : -1;
}

float mission_script_host::script_timer_seconds(int t) const {
  if (t < 0 || t >= static_cast<int>(mission_.script_timers.size())) return 0.0f;
  return mission_.script_timers[static_cast<std::size_t>(t)].elapsed();
}

void mission_script_host::restart_script_timer(int t) {
  if (t >= 0 && t < static_cast<int>(mission_.script_timers.size())) mission_.script_timers[static_cast<std::size_t>(t)].reset();
}

int mission_script_host::strength_word() const { return mission_.strength; }

// The side strengths are plain counts of live agents: no side is scaled.
float mission_script_host::strength_factor(int) const { return 1.0f; }

int mission_script_host::player_side_word() const { return mission_.player_side; }

int mission_script_host::battle_flag_word() const { return mission_.battle_mode; }

void mission_script_host::set_fog(float distance, bool skybox_colour, std::uint32_t colour) {
  mission_.weather.fog_distance = distance;
  if (!mission_.scene) return;
  // The skybox set the scene's fog colour when it was put up.
  const std::uint32_t c = skybox_colour ? mission_.scene->environment.fog_colour : colour;
  mission_.scene->set_fog_range(1.0f, distance, c);
}

// --- agents ---

namespace {

// Scripts only reach agents the validator accepted; a slot freed this frame
// fails that test, so these lookups never hand out a freed record.
}  // namespace

std::int32_t mission_script_host::agent_word(int agent, agent_field f) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  if (a == nullptr) return f == agent_field::mount || f == agent_field::rider ? -1 : 0;
  switch (f) {
    case agent_field::kind: return a->kind;
    case agent_field::mount: return a->mount;
    case agent_field::rider: return a->rider;
    case agent_field::troop: return a->troop;
    case agent_field::troop_word: return a->troop_word;
    case agent_field::origin_word: return a->origin_word;
    case agent_field::read_word: return a->script_read_word;
    case agent_field::paired_word_0: return a->paired_words[0];
    case agent_field::paired_word_1: return a->paired_words[1];
    case agent_field::ai_mode: return a->ai.mode;
    case agent_field::script_value: return a->script_value;
    case agent_field::script_word_1: return a->script_words[0];
    case agent_field::script_word_2: return a->script_words[1];
    case agent_field::script_word_3: return a->script_words[2];
    case agent_field::order_class: return agent_mounted_state(*a);
    case agent_field::team: return agent_team_index(a->team);
  }
  return 0;
}

void mission_script_host::set_agent_word(int agent, agent_field f, std::int32_t value) {
  hm::agent* a = mission_.get_live_agent(agent);
  if (a == nullptr) return;
  switch (f) {
    case agent_field::script_word_1: a->script_words[0] = value; break;
    case agent_field::script_word_2: a->script_words[1] = value; break;
    case agent_field::script_word_3: a->script_words[2] = value; break;
    default: break;  // the rest belong to the agent's own logic
  }
}

frame mission_script_host::agent_position_frame(int agent, bool entity_frame) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  frame f = frame::identity();
  if (a == nullptr) return f;
  if (a->agent_entity != nullptr) {
    if (entity_frame) return a->body_frame;
    // The look direction becomes the forward axis, and the frame is made
    // orthonormal about it.
    f.rot.f = a->input.direction_vec3();
    f.orthonormalize();
  }
  f.origin = a->position();
  return f;
}

void mission_script_host::move_agent(int agent, const vec3& p) {
  if (hm::agent* a = mission_.get_live_agent(agent)) {
    a->position() = p;
    // The scene placement follows from the body frame on the next frame;
    // the ground under the agent is looked up again now.
    a->last_ground_search_position = p;
    mission_.services().update_ground_face(mission_, *a);
  }
}

float mission_script_host::agent_hit_points(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->hit_points : 0.0f;
}

float mission_script_host::agent_max_hit_points(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->max_hit_points : 0.0f;
}

void mission_script_host::set_agent_hit_points(int agent, float hp) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->hit_points = hp;
}

void mission_script_host::deliver_scripted_blow(int attacker, int victim) {
  hm::agent* from = mission_.get_live_agent(attacker);
  hm::agent* to = mission_.get_live_agent(victim);
  if (from == nullptr || to == nullptr || to->state != agent_state_alive) return;
  blow b;
  create_blow(b);
  b.flags = blow_silent;
  b.attacker = attacker;
  b.hit_position = to->position();
  b.raw_damage = 0.0f;
  float damage = 0.0f;
  for (int hand = 0; hand < 2; ++hand) {
    const item held = get_wielded_item(*from, hand);
    if (held.get_kind() == nullptr) continue;
    for (int thrust = 0; thrust < 2; ++thrust) damage = std::max(damage, static_cast<float>(held.get_damage(thrust)));
  }
  b.damage = damage;
  to->pending_blow = b;
  to->blow_pending = 1;
  if (routines.receive_blow != nullptr) routines.receive_blow(mission_, victim, b);
}

int mission_script_host::wielded_item_kind(int agent, int hand) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? get_wielded_item(*a, hand).kind : -1;
}

int mission_script_host::remaining_ammo(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? get_ammunition(*a) : 0;
}

void mission_script_host::refill_agent_ammo(int agent, int) {
  if (hm::agent* a = mission_.get_live_agent(agent)) refill_ammo(*a);
}

bool mission_script_host::agent_has_item(int agent, std::int64_t kind) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  if (a == nullptr) return false;
  return std::any_of(a->equipment.begin(), a->equipment.end(),
                     [kind](const item& i) { return static_cast<std::int64_t>(i.kind) == kind; });
}

void mission_script_host::set_scripted_destination(int agent, const frame& f) {
  if (hm::agent* a = mission_.get_live_agent(agent)) {
    a->scripted_destination_frame = f;
    a->ai.scripted_position = f.origin;
    a->ai.scripted_destination = 1;
    a->order_reaction_delay = 0.0f;
  }
}

frame mission_script_host::scripted_destination(int agent) const {
  const hm::agent* a = mission_.get_live_agent(agent);
  return a != nullptr ? a->scripted_destination_frame : frame::identity();
}

void mission_script_host::clear_scripted_destination(int agent) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->ai.scripted_destination = 0;
}

void mission_script_host::set_speed_limit(int agent, float limit) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->speed_limit = limit;
}

void mission_script_host::set_agent_action(int agent, int action) {
  hm::agent* a = mission_.get_live_agent(agent);
  if (a == nullptr) return;
  constexpr std::uint32_t script_action_flags = 0x0500007Fu;
  if (routines.set_channel_action != nullptr) {
    routines.set_channel_action(mission_, agent, 0, action, script_action_flags, 1.0f);
    return;
  }
  a->channels[0].requested_action = action;
  a->channels[0].speed = 1.0f;
}

void mission_script_host::set_animation_progress(int agent, float progress) {
  if (hm::agent* a = mission_.get_live_agent(agent)) a->channels[0].progress = progress;
}

void mission_script_host::play_agent_voice(int agent, int sound) {
  if (mission_.get_live_agent(agent) != nullptr && routines.play_voice != nullptr) routines.play_voice(mission_, agent, sound);
}

void mission_script_host::set_agent_team(int agent, std::int64_t t) {
  hm::agent* a = mission_.get_live_agent(agent);
  if (a == nullptr) return;
  if (t >= 0 && t < team_count) a->team = static_cast<std::int32_t>(t);
  team& own = mission_.team_of(a->team);
  if (own.leader < 0) own.leader = agent;
}

// --- teams and orders ---

namespace {

team_group& group_of(team& t, int g) { return t.groups[static_cast<std::size_t>(g)]; }

void save_selection(team& t) {
  for (team_group& g : t.groups) g.saved_selected = g.selected;
}
void restore_selection(team& t) {
  for (team_group& g : t.groups) g.selected = g.saved_selected;
}
void select(team& t, int group) {
  for (int g = 0; g < team_group_count; ++g) {
    group_of(t, g).selected = group == script_all_classes || group == g ? 1 : 0;
  }
}
int first_selected(const team& t) {
  for (int g = 0; g < team_group_count; ++g)
    if (t.groups[static_cast<std::size_t>(g)].selected != 0) return g;
  return -1;
}

// Movement words as order numbers: charge, hold, follow, stand ground.
std::int32_t movement_order_number(std::int32_t mode) {
  switch (mode) {
    case 0: return 2;
    case 1: return 0;
    case 2: return 1;
    case 3: return 11;
    default: return -1;
  }
}

}  // namespace

std::int32_t mission_script_host::class_order(int t, int group, order_field f) const {
  // Reading selects the class for a moment, as the player's order keys do, and
  // leaves the selection as it was.
  team copy = mission_.teams[static_cast<std::size_t>(t)];
  save_selection(copy);
  select(copy, group);
  const int g = first_selected(copy);
  if (g < 0) return -1;
  const team_group& c = copy.groups[static_cast<std::size_t>(g)];
  switch (f) {
    case order_field::movement: return movement_order_number(c.mode);
    case order_field::riding: return c.mount_order >= 0 && c.mount_order <= 2 ? c.mount_order : -1;
    case order_field::weapons: return c.blunt_only == 0 || c.blunt_only == 1 ? c.blunt_only : -1;
    case order_field::firing: return c.no_ranged == 0 || c.no_ranged == 1 ? c.no_ranged : -1;
  }
  return -1;
}

bool mission_script_host::class_selected(int t, int group) const {
  return mission_.teams[static_cast<std::size_t>(t)].groups[static_cast<std::size_t>(group)].selected != 0;
}

void mission_script_host::select_classes(int t, int group) { select(mission_.teams[static_cast<std::size_t>(t)], group); }

bool mission_script_host::in_ground_area(float x, float y) const {
  return x >= mission_.ground_min_x && x < mission_.ground_max_x && y >= mission_.ground_min_y &&
         y < mission_.ground_max_y;
}

namespace {

bool in_scene_rectangle(const mission& m, const vec3& p) {
  return p.x >= m.scene_min_x && p.x < m.scene_max_x && p.y >= m.scene_min_y && p.y < m.scene_max_y;
}

// The navigation face under a point, -1 when the scene has no navigation mesh.
int nav_face_at(mission& m, const vec3& p) {
  if (m.nav_mesh == nullptr) return -1;
  return find_face_near(*m.nav_mesh, m.nav_search_stamp, p, -1, 0);
}

// Hold positions move by seven metres along the class's facing.
constexpr float order_step = 7.0f;

const char* const order_message_keys[14] = {
    "ui_hold_this_position_e_", "ui_follow_me_e_",         "ui_charge_e_",      "ui_vidid_horses_e_",
    "ui_dismount_e_",           "ui_advance_e_",           "ui_fall_back_e_",   "ui_stand_closer_e_",
    "ui_spread_out_e_",         "ui_use_blunt_weapons_e_", "ui_use_any_weapon_e_", "ui_stand_ground_e_",
    "ui_hold_fire_e_",          "ui_fire_at_will_e_"};

}  // namespace

void mission_script_host::give_order(int t, int group, int order) {
  team& tm = mission_.teams[static_cast<std::size_t>(t)];
  save_selection(tm);
  if (group >= 0) select(tm, group);
  const hm::agent* leader = mission_.get_live_agent(tm.leader);
  bool rechoose_weapons = false;
  bool given = true;
  for (team_group& g : tm.groups) {
    if (g.selected == 0) continue;
    switch (order) {
      case 0:
      case 1:
        if (leader == nullptr) {
          given = false;
          break;
        }
        g.follow_point = leader->position();
        g.follow_face = leader->ground_face_index;
        g.side_vector = vec3();
        g.mode = order == 0 ? 1 : group_order_follow_leader;
        break;
      case 2: g.mode = 0; break;
      case 11: g.mode = 3; break;
      case 3: g.mount_order = 1; break;
      case 4: g.mount_order = 0; break;
      case 7: g.spacing = std::clamp(g.spacing - 1, 1, 4); break;
      case 8: g.spacing = std::clamp(g.spacing + 1, 1, 4); break;
      case 5:
      case 6: {
        if (order == 5 && g.mode == 0) break;
        if (order == 6 && g.mode == 0) g.follow_point = g.centre;
        const vec3 step = g.facing * order_step;
        const vec3 candidate = order == 5 ? g.follow_point + step : g.follow_point - step;
        if (!in_scene_rectangle(mission_, candidate)) break;
        g.follow_point = candidate;
        g.follow_face = nav_face_at(mission_, candidate);
        g.side_vector = vec3();
        g.mode = 1;
        break;
      }
      case 9:
      case 10:
        g.blunt_only = order == 9 ? 1 : 0;
        rechoose_weapons = true;
        break;
      case 12:
      case 13:
        g.no_ranged = order == 12 ? 1 : 0;
        rechoose_weapons = true;
        break;
      default: break;
    }
  }
  const auto member_of_selected_class = [&tm, t](const hm::agent& a) {
    return agent_team_index(a.team) == t && a.is_alive() &&
           tm.groups[static_cast<std::size_t>(agent_mounted_state(a))].selected != 0;
  };
  if (rechoose_weapons && routines.choose_weapon != nullptr) {
    for (int i = mission_.first_live_agent(); i < mission_.agents.count(); i = mission_.next_live_agent(i)) {
      const hm::agent* a = mission_.get_live_agent(i);
      if (a != nullptr && member_of_selected_class(*a)) routines.choose_weapon(mission_, i);
    }
  }
  const hm::agent* player = mission_.get_live_agent(mission_.player_agent);
  if (given && player != nullptr && agent_team_index(player->team) == t) {
    std::string classes;
    make_order_classes_text(tm, classes);
    const std::string format = g_translation_table.get_string_by_id(order_message_keys[order]).c_str();
    current_script_host().ui->add_message_line(format_text(format, {classes}), 0xFFFFFEFBu);
  }
  // Every member takes a moment, between one and two seconds, to react.
  for (int i = mission_.first_live_agent(); i < mission_.agents.count(); i = mission_.next_live_agent(i)) {
    hm::agent* a = mission_.get_live_agent(i);
    if (a == nullptr || agent_team_index(a->team) != t || !a->is_alive()) continue;
    a->reaction_timer.reset();
    a->order_reaction_delay = 1.0f + static_cast<float>(mission_.services().random_next() % 15817) * 0.0000632231f;
  }
  restore_selection(tm);
}

void mission_script_host::set_hold_position(int t, int group, const vec3& p) {
  if (!in_scene_rectangle(mission_, p)) return;
  team& tm = mission_.teams[static_cast<std::size_t>(t)];
  save_selection(tm);
  select(tm, group);
  for (team_group& g : tm.groups) {
    if (g.selected == 0) continue;
    g.follow_point = p;
    g.follow_face = nav_face_at(mission_, p);
    g.side_vector = vec3();
  }
  restore_selection(tm);
}

vec3 mission_script_host::hold_position(int t, int group) const {
  team copy = mission_.teams[static_cast<std::size_t>(t)];
  select(copy, group);
  const int g = first_selected(copy);
  return g < 0 ? vec3() : copy.groups[static_cast<std::size_t>(g)].follow_point;
}

int mission_script_host::team_leader(int t) const { return mission_.teams[static_cast<std::size_t>(t)].leader; }

void mission_script_host::set_team_leader(int t, int agent) { mission_.teams[static_cast<std::size_t>(t)].leader = agent; }

void mission_script_host::set_team_relation(int a, int b, int relation) { mission_.set_team_relation(a, b, relation); }

bool mission_script_host::entry_point_frame(int entry, frame& out) const {
  if (!has_mission() || entry < 0 || entry >= mission_entry_point_count) return false;
  out = mission_.entry_points[static_cast<std::size_t>(entry)].own_frame;
  return true;
}

void mission_script_host::scene_rectangle(vec3& low, vec3& high) const {
  low = vec3(mission_.scene_min_x, mission_.scene_min_y, 0.0f);
  high = vec3(mission_.scene_max_x, mission_.scene_max_y, 0.0f);
}

void mission_script_host::set_battle_values(std::int64_t word, std::int64_t hundredths) {
  mission_.script_battle_word = static_cast<std::int32_t>(word);
  mission_.script_battle_fraction = static_cast<float>(hundredths) * 0.01f;
  if (word != 0 && hundredths > 50) mission_.script_battle_state = 3;
}

void mission_script_host::set_mission_word(int which, std::int32_t value) {
  if (which == mission_word_value_5) mission_.script_value_5 = value;
  if (which == mission_word_value_6) mission_.script_value_6 = value;
}

std::int32_t mission_script_host::mission_word(int which) const {
  switch (which) {
    case mission_word_mode: return mission_.mode;
    case mission_word_sub_mode: return mission_.sub_mode;
    case mission_word_value_5: return mission_.script_value_5;
    case mission_word_value_6: return mission_.script_value_6;
    default: return 0;
  }
}

void mission_script_host::start_countdown(float seconds) {
  mission_.end_timer.set_elapsed(-seconds);
  mission_.end_requested = 1;
}

int mission_script_host::last_live_agent_of_troop(int troop) const {
  int found = -1;
  for (int i = mission_.first_live_agent(); i < mission_.agents.count(); i = mission_.next_live_agent(i)) {
    const hm::agent* a = mission_.get_live_agent(i);
    if (a != nullptr && a->troop == troop && a->is_alive()) found = i;
  }
  return found;
}

// --- scene-prop instances ---

namespace {

bool is_kind_in_use(const scene_prop_instance& p, int kind) {
  return p.removed == 0 && p.kind == prop_kind_object && p.id == kind;
}

}  // namespace

int mission_script_host::count_prop_instances(int kind) const {
  return static_cast<int>(std::count_if(mission_.scene_prop_instances.begin(), mission_.scene_prop_instances.end(),
                                        [kind](const scene_prop_instance& p) { return is_kind_in_use(p, kind); }));
}

int mission_script_host::nth_prop_instance(int kind, int n) const {
  for (int i = 0; i < mission_.prop_instance_count(); ++i) {
    if (is_kind_in_use(mission_.scene_prop_instances[static_cast<std::size_t>(i)], kind) && n-- == 0) return i;
  }
  return -1;
}

frame mission_script_host::prop_instance_frame(int instance, int which) const {
  const scene_prop_instance& p = mission_.scene_prop_instances[static_cast<std::size_t>(instance)];
  if (which == 0) return p.current_frame;
  if (which == 1) return p.placed_frame;
  frame f = frame::identity();
  f.rot.s.x = p.scale.x;
  f.rot.f.y = p.scale.y;
  f.rot.u.z = p.scale.z;
  return f;
}

void mission_script_host::set_prop_instance_frame(int instance, const frame& f) {
  scene_prop_instance& p = mission_.scene_prop_instances[static_cast<std::size_t>(instance)];
  p.current_frame = f;
  p.place_entity();
}

void mission_script_host::start_prop_move(int instance, const frame& target, float seconds) {
  mission_.scene_prop_instances[static_cast<std::size_t>(instance)].start_move(target, seconds);
}

void mission_script_host::replace_prop_kind(int from, int to) {
  if (from < 0 || to < 0 || from >= static_cast<int>(g_scene_prop_kinds.size()) ||
      to >= static_cast<int>(g_scene_prop_kinds.size())) {
    return;
  }
  const ruv_string& from_name = g_scene_prop_kinds[static_cast<std::size_t>(from)].id;
  const ruv_string& to_name = g_scene_prop_kinds[static_cast<std::size_t>(to)].id;
  for (scene_prop_instance& p : mission_.scene_prop_instances) {
    if (p.removed != 0 || p.kind != prop_kind_object || !(p.name == from_name)) continue;
    p.id = to;
    p.name = to_name;
  }
}

// --- lights and spawning ---

void mission_script_host::add_scene_light(const vec3& position, const vec3& colour, float flicker, float interval) {
  if (!mission_.scene) return;
  light& l = mission_.scene->create_light();
  l.type = light_type_point;
  l.colour = color{colour.x, colour.y, colour.z, 1.0f};
  l.colour_2 = l.colour;
  l.position = position;
  l.extra[0] = flicker;
  l.extra[1] = interval;
  l.compute_strength_from_color();
}

namespace {

// Which of the two reinforcement announcements a spawn record's flags make,
// for the mission's two side words: 1, 2, or 0 for none.
int reinforcement_byte(std::uint32_t flags, int side, int second_side) {
  const bool f64 = (flags & 64u) != 0;
  const bool f128 = (flags & 128u) != 0;
  if (flags & 1u) return 2;
  if (flags & 2u) return 1;
  if (!f64 && !f128) return 1;
  if (f64 && side == 0) return 1;
  if (f128 && side == 1) return 1;
  if (f64 && side == 1) return 2;
  if (f128 && side == 0) return 2;
  if (f64 && second_side == 1) return 1;
  if (f128 && second_side == 0) return 1;
  if (f64 && second_side == 0) return 2;
  if (f128 && second_side == 1) return 2;
  return 0;
}

}  // namespace

void mission_script_host::add_reinforcements(int record, int count) {
  const mission_template* t = mission_.template_index >= 0 &&
                                      mission_.template_index < static_cast<int>(g_mission_templates.size())
                                  ? &g_mission_templates[static_cast<std::size_t>(mission_.template_index)]
                                  : nullptr;
  if (t == nullptr || record < 0 || record >= t->spawn_record_count()) {
    current_script_host().ui->add_message_line("Invalid entry no for add_reinforcements", 0xFFFFFFFFu);
    return;
  }
  const spawn_record& r = t->spawn_records[static_cast<std::size_t>(record)];
  entry_point& e = mission_.entry_points[static_cast<std::size_t>(std::clamp(r.entry_point, 0, 63))];
  e.reset_spawn_position();
  e.further_words[0] = 0;
  e.further_words[1] = 0;
  if (routines.spawn_group != nullptr) routines.spawn_group(mission_, record, count);
  const int which = reinforcement_byte(static_cast<std::uint32_t>(r.spawn_flags), mission_.player_side,
                                       mission_.side_value);
  if (which == 1) mission_.announce_new_enemies = 1;
  if (which == 2) mission_.announce_reinforcements = 1;
}

int mission_script_host::spawn_agent_at(int troop, const frame& where) {
  return routines.spawn_agent != nullptr ? routines.spawn_agent(mission_, troop, where) : -1;
}

int mission_script_host::spawn_horse_at(int item_kind, int modifier, const frame& where) {
  return routines.spawn_horse != nullptr ? routines.spawn_horse(mission_, item_kind, modifier, where) : -1;
}

// --- particle systems and spawned items ---

namespace {

// The trigger object's strategic entity (a scene-prop instance's); null for
// an agent's item, whose systems go to a bone.
strategic_entity* trigger_prop_entity(mission& m, int context) {
  if (!is_prop_context(context)) return nullptr;
  scene_prop_instance* p = m.get_scene_prop_instance(m.event_prop_instance);
  return p != nullptr ? dynamic_cast<strategic_entity*>(p->entity) : nullptr;
}

// The entity of the agent whose item's triggers run (-50, -51) and the bone
// that item's mesh hangs from (-1 when it has none of its own: the entity
// then carries what the triggers add).
skeleton_entity* trigger_item_entity(mission& m, int context, int& bone) {
  bone = -1;
  if (context != context_agent_a && context != context_agent_b) return nullptr;
  agent* a = m.get_live_agent(m.event_agent);
  if (a == nullptr || a->agent_entity == nullptr) return nullptr;
  const int slot = m.event_item_slot;
  if (slot >= 0 && slot < agent_equipment_slot_count && a->agent_entity->animated_skeleton)
    bone = a->item_bones[static_cast<std::size_t>(slot)];
  return a->agent_entity;
}

}  // namespace

void mission_script_host::add_trigger_particle_system(int context, int kind, const vec3& local) {
  strategic_entity* prop = trigger_prop_entity(mission_, context);
  int bone = -1;
  skeleton_entity* wearer = prop == nullptr ? trigger_item_entity(mission_, context, bone) : nullptr;
  if (prop == nullptr && wearer == nullptr) return;
  const module_particle_systems table(g_particle_systems);
  auto instance = create_particle_system_instance(table, kind, local, clock_mission);
  if (!instance) return;
  if (prop != nullptr) {
    prop->add_particle_system(std::move(instance));
  } else if (bone >= 0) {
    wearer->animated_skeleton->add_particle_system_to_bone(bone, std::move(instance));
  } else {
    wearer->add_particle_system(std::move(instance));
  }
}

void mission_script_host::restart_trigger_particle_system(int context, int kind, int emissions) {
  particle_system_instance* found = nullptr;
  if (strategic_entity* prop = trigger_prop_entity(mission_, context)) {
    const int i = prop->find_particle_system(kind);
    if (i >= 0) found = prop->particle_instances[static_cast<std::size_t>(i)].get();
  } else {
    int bone = -1;
    if (skeleton_entity* wearer = trigger_item_entity(mission_, context, bone)) {
      if (bone >= 0) {
        skeleton_bone& b = wearer->animated_skeleton->bones[static_cast<std::size_t>(bone)];
        const int i = b.find_particle_system(kind);
        if (i >= 0) found = b.meshes[0]->particle_systems[static_cast<std::size_t>(i)].get();
      } else {
        const int i = wearer->find_particle_system(kind);
        if (i >= 0) found = wearer->particle_instances[static_cast<std::size_t>(i)].get();
      }
    }
  }
  if (found != nullptr) found->restart(emissions);
}

void mission_script_host::add_mission_particle_system(int kind, const frame& where, int value) {
  if (!mission_.scene || kind < 0 || kind >= g_particle_systems.count()) return;
  const module_particle_systems table(g_particle_systems);
  particle_system_instance* p = mission_.scene->take_particle_system_instance();
  init_particle_system_instance(table, *p, kind, vec3());
  p->set_frame(where, p->emit_box, p->emit_velocity, p->emit_spread);
  p->restart(value);
}

int mission_script_host::spawn_item_at(int kind_id, int modifier, const frame& where) {
  item it;
  it.kind = kind_id;
  if (modifier >= 0) it.set_modifier(modifier);
  // Its full amount: nothing used, and horses and shields at full health.
  if (const item_kind* k = it.get_kind(); k != nullptr && (k->type() == item_type::horse || k->type() == item_type::shield)) {
    it.set_hit_points(it.get_max_hit_points());
  }
  return mission_.add_scene_prop_instance(prop_kind_spawned_item, kind_id, static_cast<int>(it.word), where);
}

script_camera* mission_script_host::scripted_camera() {
  return has_mission() ? &mission_.scripted_camera : nullptr;
}

mission_script_scope::mission_script_scope(mission& m) : host_(m) {
  script_host h = current_script_host();
  previous_ = h.mission;
  h.mission = &host_;
  set_script_host(h);
}

mission_script_scope::~mission_script_scope() {
  if (current_script_host().mission != &host_) return;
  script_host h = current_script_host();
  h.mission = previous_;
  set_script_host(h);
}

}  // namespace hm
