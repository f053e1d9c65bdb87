#include "mission/weapons/weapon_hit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "mission/agent/agent_queries.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/agent_actions.h"
#include "mission/combat/armor.h"
#include "mission/combat/attack_damage.h"
#include "mission/combat/blows.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_hooks.h"
#include "mission/combat/combat_messages.h"
#include "mission/combat/defence.h"
#include "mission/missile/missile_flight.h"
#include "mission/records/agent.h"
#include "mission/records/combat_random.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/records/scene_prop_instance.h"
#include "mission/scene/scene_queries.h"
#include "mission/weapons/shield_missiles.h"
#include "module/base/module_settings.h"
#include "module/data/skeleton_bodies.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"
#include "render/scene/scene_world.h"
#include "script/script_state.h"

namespace hm {

namespace {

constexpr int candidate_limit = 1024;
constexpr float swing_radius = 0.1f;
constexpr float missile_radius = 0.002f;
constexpr float broad_radius = 0.9f;
constexpr float no_scene_contact = 1000.0f;
constexpr std::uint32_t prop_flag_sticks_missiles = 0x10000;
// Entities of scene props carry this in their owner word.
constexpr std::int32_t prop_entity_owner = 12;
// How far a missile stuck in a prop sinks behind the point it struck.
constexpr float stuck_sink = 0.2f;
constexpr float rand_full_turn = 0.00039724255f;  // 2 pi / 15817

// Item kind flags of the hit test.
constexpr std::uint32_t kind_flag_wooden = 0x20000;
constexpr std::uint32_t kind_flag_wooden_shield = 0x40000;
constexpr std::uint32_t kind_flag_double_shield_damage = 0x4000000;

struct local_capsule {
  vec3 a;
  vec3 b;
  float radius;
  int bone;
};

// Bone capsules in the agent's own frame (x side, y forward, z up), for an
// agent whose skeleton has no bodies; tested from the head down.
constexpr local_capsule human_bones[] = {
    {{0.0f, 0.0f, 1.55f}, {0.0f, 0.02f, 1.75f}, 0.12f, 9},
    {{0.0f, 0.0f, 1.05f}, {0.0f, 0.0f, 1.45f}, 0.2f, 8},
    {{0.0f, 0.0f, 0.85f}, {0.0f, 0.0f, 1.05f}, 0.2f, 0},
    {{-0.1f, 0.0f, 0.1f}, {-0.1f, 0.0f, 0.85f}, 0.1f, 1},
    {{0.1f, 0.0f, 0.1f}, {0.1f, 0.0f, 0.85f}, 0.1f, 4},
};
constexpr local_capsule horse_bones[] = {
    {{0.0f, 1.0f, 1.5f}, {0.0f, 1.4f, 1.8f}, 0.15f, 7},
    {{0.0f, -0.5f, 1.1f}, {0.0f, 0.7f, 1.2f}, 0.35f, 0},
};
// A rider sits this much higher than the frame it shares with its horse.
constexpr float rider_lift = 0.55f;

hit_capsule to_world(const agent& a, const local_capsule& c) {
  const float h = a.is_horse() ? 1.0f : a.height_factor;
  const float lift = !a.is_horse() && a.mount >= 0 ? rider_lift : 0.0f;
  const vec3 pa(c.a.x, c.a.y, c.a.z * h + lift);
  const vec3 pb(c.b.x, c.b.y, c.b.z * h + lift);
  return hit_capsule{a.body_frame.transform_point_to_global(pa), a.body_frame.transform_point_to_global(pb), c.radius};
}

const item_kind* wielded_kind(const agent& a, int hand) { return item_kind_of(agent_wielded_item(a, hand)); }

bool kind_has(const item_kind* k, std::uint32_t flag) { return k != nullptr && (k->flags & flag) != 0; }

int damage_type_of(const item_kind* k, bool first_word) {
  if (k == nullptr) return 2;
  return ((first_word ? k->thrust_damage : k->swing_damage) >> 8) & 3;
}

// The blade's geometry between the two weapon frames of a swing.
struct swing_sweep {
  float reach = 0.15f;
  float inner = 0.0f;
  vec3 inner0, tip0, inner1, tip1;
  vec3 tip_motion;
  float tip_distance = 0.0f;

  // Sample at t: from the inner point along the blade, shortened by `cut`.
  hit_capsule sample(float t, float cut) const {
    const vec3 in = inner0 + (inner1 - inner0) * t;
    const vec3 tip = tip0 + tip_motion * t;
    const vec3 u = get_normalized(tip - in);
    return hit_capsule{in, in + u * (reach - inner - cut), swing_radius};
  }
};

swing_sweep make_sweep(const agent& a, int hand) {
  swing_sweep s;
  const item_kind* k = wielded_kind(a, hand);
  if (k != nullptr) s.reach = static_cast<float>(k->weapon_length) * 0.01f - 0.01f;
  s.inner = a.attack_direction == 0 ? std::max(s.reach - 1.0f, 0.0f) : 0.0f;
  const frame& f0 = a.previous_weapon_frame;
  const frame& f1 = a.weapon_frame;
  s.inner0 = f0.origin + f0.rot.f * s.inner;
  s.tip0 = f0.origin + f0.rot.f * s.reach;
  s.inner1 = f1.origin + f1.rot.f * s.inner;
  s.tip1 = f1.origin + f1.rot.f * s.reach;
  s.tip_motion = s.tip1 - s.tip0;
  s.tip_distance = s.tip_motion.length();
  return s;
}

// The distance along the capsule to the first scene contact; no_scene_contact
// when the way is free. `blocker` receives the face struck (null for the
// ground grid).
float scene_contact_distance(mission& m, const hit_capsule& c, const body_part** blocker) {
  if (!m.scene) return no_scene_contact;
  const float length = (c.b - c.a).length();
  if (length <= 0.0f) return no_scene_contact;
  if (sweep_capsule_against_scene(*m.scene, m.ground_grid, c.a, c.b, length, blocker) == 1) return no_scene_contact;
  // The first blocked length, to a centimetre.
  float free_length = 0.0f;
  float blocked_length = length;
  while (blocked_length - free_length > 0.01f) {
    const float mid = 0.5f * (free_length + blocked_length);
    if (sweep_capsule_against_scene(*m.scene, m.ground_grid, c.a, c.b, mid, nullptr) == 1)
      free_length = mid;
    else
      blocked_length = mid;
  }
  return blocked_length;
}

void play_block_sound(mission& m, agent& attacker, agent& victim, bool shield) {
  combat_hooks& hooks = g_combat_hooks();
  const item_kind* weapon = wielded_kind(attacker, 0);
  const bool w = kind_has(weapon, kind_flag_wooden);
  if (shield) {
    const bool s = kind_has(wielded_kind(victim, 1), kind_flag_wooden_shield);
    const char* name = s ? (w ? "snd_shield_hit_wood_wood" : "snd_shield_hit_wood_metal")
                         : (w ? "snd_shield_hit_metal_wood" : "snd_shield_hit_metal_metal");
    hooks.play_sound(m, victim, name, 0.1f);
    return;
  }
  const char* name = "snd_block_fist";
  if (weapon != nullptr) {
    const bool p = kind_has(wielded_kind(victim, 0), kind_flag_wooden_shield);
    name = p && w ? "snd_hit_wood_wood" : (p != w ? "snd_hit_wood_metal" : "snd_hit_metal_metal");
  }
  hooks.play_sound(m, attacker, name, 0.1f);
}

// The victim's answer to a parried blow: the parry of the defence it holds.
void play_parry_reaction(agent& victim) {
  if (victim.defend_end_action < 0) return;
  victim.weapon_hit_action = victim.defend_end_action;
  play_weapon_hit_action(victim);
}

bool holds_usable_shield(const agent& victim) {
  const item_kind* k = wielded_kind(victim, 1);
  return k != nullptr && k->type() == item_type::shield && (victim.wielded_item_flags & wielded_item_flag_bit) == 0 &&
         victim.hand1_unavailable == 0;
}

// The blow of a struck agent, filled the way both kinds of victim share.
void fill_blow(mission& m, agent& attacker, int hand, missile* mi, agent& victim, float strength, blow& out) {
  const attack_damage_result d = agent_compute_attack_damage(m, attacker, hand, mi, victim.index, strength);
  out.flags = 0;
  out.attacker = attacker.index;
  out.raw_damage = d.damage;
  if (mi != nullptr) {
    const item_kind* launcher = item_kind_of(mi->launcher);
    out.direction = mi->direction;
    out.impact_direction = get_normalized(mi->direction);
    out.item_kind = mi->launcher.kind;
    out.item_word = mi->launcher.word;
    out.damage_type = damage_type_of(launcher, true);
    out.striking_missile = mi;
  } else {
    const item weapon = agent_wielded_item(attacker, hand);
    const item_kind* k = item_kind_of(weapon);
    out.item_kind = weapon.kind;
    out.item_word = weapon.word;
    out.damage_type = k != nullptr ? damage_type_of(k, d.is_thrust != 0) : 2;
    if (is_starting_action_72(attacker)) out.flags |= blow_strong;
  }
}

void offer_blow(mission& m, agent& victim, blow& b, combat_random& random) {
  apply_armor_to_blow(b, agent_armor_for_blow(m, victim, b), g_module_settings, random);
  queue_armored_blow(victim, b);
}

// The scene prop behind a struck body, -1 for none.
int struck_prop_instance(mission& m, const body_part* body) {
  if (body == nullptr || body->owner_id < 0 || !m.scene) return -1;
  const entity* e = m.scene->find_entity(body->owner_id);
  if (e == nullptr || e->owner_word != prop_entity_owner) return -1;
  const int instance = e->owner_word_2;
  return instance >= 0 && instance < static_cast<int>(m.scene_prop_instances.size()) ? instance : -1;
}

// A scene prop struck by the weapon: a missile stuck into it, its hit points
// and its triggers. True when a missile stuck.
bool strike_prop(mission& m, agent& attacker, missile* mi, int instance, const vec3& contact, float strength) {
  scene_prop_instance* p = m.get_scene_prop_instance(instance);
  if (p == nullptr || p->kind != prop_kind_object) return false;
  const scene_prop* kind =
      p->id >= 0 && p->id < static_cast<int>(g_scene_prop_kinds.size()) ? &g_scene_prop_kinds[static_cast<std::size_t>(p->id)]
                                                                        : nullptr;
  const std::uint32_t flags = kind != nullptr ? static_cast<std::uint32_t>(kind->flags) : 0u;
  const bool destructible = (flags & prop_flag_destructible) != 0;
  // A destroyed prop is left as it lies.
  if (destructible && p->hit_points <= 0.0f) return false;
  const float damage = destructible ? agent_compute_attack_damage(m, attacker, 0, mi, -1, strength).damage : 0.0f;
  frame hit = frame::identity();
  bool stuck = false;
  if (mi != nullptr) {
    hit.rot.f = get_normalized(mi->direction);
    hit.rot.u = vec3(0.0f, 0.0f, 1.0f);
    hit.orthonormalize();
    hit.origin = contact;
    if ((flags & (prop_flag_destructible | prop_flag_sticks_missiles)) != 0 && p->entity != nullptr) {
      const float roll = static_cast<float>(m.services().random_next() % 15817) * rand_full_turn;
      if (std::unique_ptr<mesh> stuck_mesh = make_stuck_missile_mesh(*mi, roll)) {
        // Sunk a little into the prop and held in its entity's frame, so it
        // moves with a prop that moves.
        frame sunk = hit;
        sunk.origin -= hit.rot.f * stuck_sink;
        stuck_mesh->local_frame =
            frame_in_scaled_frame(p->entity->frame, sunk).transform_frame_to_global(stuck_mesh->local_frame);
        p->entity->add_mesh(std::move(stuck_mesh));
        p->entity->compute_local_bounds();
        stuck = true;
      }
    }
  } else {
    hit.rot = attacker.weapon_frame.rot;
    hit.origin = contact;
  }
  g_script_state.position_registers[1] = hit;
  m.damage_prop_instance(instance, damage);
  return stuck;
}

}  // namespace

bool hit_capsules_touch(const hit_capsule& first, const hit_capsule& second, vec3* point, vec3* direction) {
  const capsule x(first.a, first.b, first.radius);
  const capsule y(second.a, second.b, second.radius);
  body_contact c;
  if (collide_bodies(x, y, 1, &c) == 0) return false;
  if (point != nullptr) *point = c.point;
  if (direction != nullptr) *direction = -c.normal;
  return true;
}

frame frame_in_scaled_frame(const frame& parent, const frame& g) {
  const auto project = [&parent](const vec3& d) {
    const auto along = [&d](const vec3& axis) {
      const float l2 = axis.length_squared();
      return l2 > 0.0f ? dot_product(d, axis) / l2 : 0.0f;
    };
    return vec3(along(parent.rot.s), along(parent.rot.f), along(parent.rot.u));
  };
  frame out;
  out.origin = project(g.origin - parent.origin);
  out.rot = rotation{project(g.rot.s), project(g.rot.f), project(g.rot.u)};
  return out;
}

hit_capsule agent_hit_body(const agent& a) {
  if (a.is_horse()) return to_world(a, local_capsule{{0.0f, -0.6f, 1.1f}, {0.0f, 1.3f, 1.5f}, 0.5f, 0});
  return to_world(a, local_capsule{{0.0f, 0.0f, 0.3f}, {0.0f, 0.0f, 1.6f}, 0.35f, 0});
}

bool agent_collide_with_bone_capsules(const agent& victim, const hit_capsule& c, bone_contact& out) {
  const capsule weapon(c.a, c.b, c.radius);
  const auto touches = [&](const hit_capsule& w, int bone) {
    const capsule body(w.a, w.b, w.radius);
    body_contact contact;
    if (collide_bodies(weapon, body, 1, &contact) == 0) return false;
    out.point = contact.point;
    out.direction = -contact.normal;
    out.bone = bone;
    return true;
  };
  // The bones of the agent's skeleton, in bone order, each with the capsules
  // its body gives it, posed as the skeleton stands now.
  const skeleton_instance* pose = victim.agent_entity != nullptr ? victim.agent_entity->animated_skeleton.get() : nullptr;
  bool skeleton_has_bodies = false;
  if (pose != nullptr && pose->skeleton != nullptr) {
    // The entity's frame without any scale of its own: the agent's scale is
    // applied once, here.
    frame body = victim.agent_entity->frame;
    body.rot.s.normalize();
    body.rot.f.normalize();
    body.rot.u.normalize();
    const float scale = victim.is_horse() ? 1.0f : victim.height_factor;
    const int bones = std::min(pose->bone_count, static_cast<int>(pose->bones.size()));
    for (int b = 0; b < bones; ++b) {
      const skeleton_body_bone* described = find_skeleton_bone_body(*pose->skeleton, b);
      if (described == nullptr) continue;
      const frame& posed = pose->bones[static_cast<std::size_t>(b)].pose_frame;
      for (const skeleton_body_part& part : described->body_parts) {
        skeleton_has_bodies = true;
        const hit_capsule w{body.transform_point_to_global(posed.transform_point_to_global(part.pos) * scale),
                            body.transform_point_to_global(posed.transform_point_to_global(part.pos2) * scale),
                            part.radius * scale};
        if (touches(w, b)) return true;
      }
    }
  }
  if (skeleton_has_bodies) return false;
  // An agent whose skeleton carries no bodies (or that has none) is struck
  // on a fixed set of capsules of its kind.
  if (victim.is_horse()) {
    for (const local_capsule& b : horse_bones)
      if (touches(to_world(victim, b), b.bone)) return true;
  } else {
    for (const local_capsule& b : human_bones)
      if (touches(to_world(victim, b), b.bone)) return true;
  }
  return false;
}

int hit_sample_count(float length, float per_metre) { return round_to_int(length * per_metre) + 1; }

std::vector<int> gather_hit_candidates(const mission& m, const agent& attacker, const vec3& first,
                                       float segment_length_squared) {
  std::vector<int> out;
  const float reach = segment_length_squared + 50.0f;
  float nearest = 10000.0f;
  std::size_t nearest_at = 0;
  for (int i = m.first_live_agent(); i < m.agents.count() && static_cast<int>(out.size()) < candidate_limit;
       i = m.next_live_agent(i)) {
    const agent* c = m.get_agent(i);
    if (c == nullptr || c == &attacker || c->index == attacker.mount) continue;
    const bool active = c->presence == agent_presence_active;
    const bool fallen_ally = teams_are_allies(m, attacker, *c) && c->presence == agent_presence_lying &&
                             c->presence_timer.elapsed() < 2.0f;
    if (!active && !fallen_ally) continue;
    const float d = (c->position() - first).length_squared();
    if (!(d < reach)) continue;
    if (d < nearest) {
      nearest = d;
      nearest_at = out.size();
    }
    out.push_back(c->index);
  }
  if (nearest_at != 0) std::swap(out[0], out[nearest_at]);
  return out;
}

int agent_process_weapon_hit(mission& m, agent& attacker, int hand, missile* mi, blow& out, float& strength,
                             combat_random& random, vec3* contact_out) {
  // The weapon's capsule of the frame and its samples.
  swing_sweep sweep;
  hit_capsule capsule_of_frame;
  int samples = 1;
  if (mi == nullptr) {
    if (attacker.previous_weapon_frame.origin.x < -1e7f) return weapon_hit_nothing;
    sweep = make_sweep(attacker, hand);
    capsule_of_frame = hit_capsule{sweep.inner0, sweep.tip1, swing_radius};
    samples = hit_sample_count(sweep.tip_distance, 20.0f);
  } else {
    capsule_of_frame =
        hit_capsule{mi->previous_position, mi->position + mi->direction * missile_tip_length(*mi), missile_radius};
  }
  const vec3 first = capsule_of_frame.a;

  // The scene along the weapon.
  const body_part* blocker = nullptr;
  float scene_distance = no_scene_contact;
  if (attacker.scene_hit == 0) scene_distance = scene_contact_distance(m, capsule_of_frame, &blocker);
  const bool scene_touched = scene_distance < no_scene_contact;

  int result = weapon_hit_nothing;
  bool human_struck = false;
  bool blocked = false;
  const bool skip_agents = attacker.scene_hit != 0 || (mi == nullptr && scene_touched);
  if (!skip_agents) {
    const float segment = (capsule_of_frame.b - capsule_of_frame.a).length_squared();
    for (int index : gather_hit_candidates(m, attacker, first, segment)) {
      agent& victim = *m.get_agent(index);
      if (victim.kind == agent_kind_human) {
        vec3 touch;
        bool touched = false;
        hit_capsule touching = capsule_of_frame;
        const hit_capsule body = agent_hit_body(victim);
        if (mi != nullptr) {
          touched = hit_capsules_touch(capsule_of_frame, body, &touch, nullptr);
        } else if (hit_capsules_touch(hit_capsule{sweep.inner0, sweep.tip1, broad_radius}, body, nullptr, nullptr)) {
          const int n = hit_sample_count(sweep.tip_distance, 10.0f);
          for (int i = 0; i < n && !touched; ++i) {
            touching = sweep.sample(static_cast<float>(i) / static_cast<float>(n), 0.15f);
            touched = hit_capsules_touch(touching, body, &touch, nullptr);
          }
        }
        if (!touched) continue;

        const int relation = attacker.team < 0 || attacker.team > 7 || victim.team < 0 || victim.team > 7
                                 ? 0
                                 : m.team_relation(attacker.team, victim.team);
        if (relation != -1 && relation != 1) return weapon_hit_stopped;
        if (relation == 1) {
          if (mi == nullptr) {
            vec3 to = victim.position() - attacker.position();
            const float distance = to.length();
            to = get_normalized(to);
            if (attacker.mount < 0 && victim.mount < 0 && dot_product(to, attacker.forward()) > 0.8f && distance < 1.3f)
              return weapon_hit_stopped;
            continue;
          }
          if (attacker.index != m.player_agent) return weapon_hit_stopped;
        }

        if (agent_is_attack_blocked(m, attacker, victim, hand, mi != nullptr, touch)) {
          const bool shield = holds_usable_shield(victim);
          if (shield) {
            float damage = agent_compute_attack_damage(m, attacker, hand, mi, victim.index, strength).damage;
            if (kind_has(wielded_kind(attacker, hand), kind_flag_double_shield_damage)) damage *= 2.0f;
            if (is_starting_action_72(attacker)) damage *= 2.0f;
            // Stones bounce off; anything else stays in the shield.
            const item_kind* launcher = mi != nullptr ? item_kind_of(mi->launcher) : nullptr;
            const bool stone =
                launcher != nullptr && (static_cast<std::uint32_t>(launcher->capabilities) & 0xff000u) == 0x10000u;
            if (mi != nullptr && !stone) {
              stick_missile_in_shield(victim, *mi, [] { return engine_combat_random().unit(); });
            }
            damage_shield(m, victim, static_cast<int>(std::min(damage, 1e6f)), random);
          }
          play_block_sound(m, attacker, victim, shield);
          play_parry_reaction(victim);
          blocked = true;
          result = weapon_hit_stopped;
          break;
        }

        // The bone struck, along the sweep.
        bone_contact bone;
        bool found = false;
        const int tries = mi == nullptr ? samples : 1;
        for (int i = 0; i < tries && !found; ++i) {
          const hit_capsule c = mi == nullptr && attacker.attack_direction != 0
                                    ? sweep.sample(static_cast<float>(i) / static_cast<float>(tries), 0.0f)
                                    : touching;
          found = agent_collide_with_bone_capsules(victim, c, bone);
        }
        if (!found) continue;
        // A wall nearer than the body takes the weapon.
        if ((bone.point - first).length() >= scene_distance) break;

        human_struck = true;
        if (attacker.index == m.player_agent && teams_are_allies(m, attacker, victim)) {
          report_combat_line("ui_you_hit_a_friendly_troop", 0xFFFF0000u);
        }
        fill_blow(m, attacker, hand, mi, victim, strength, out);
        out.hit_position = bone.point;
        out.bone = bone.bone;
        if (mi == nullptr) {
          out.direction = get_normalized(victim.position() - attacker.position());
          out.impact_direction = get_normalized(sweep.tip_motion);
        }
        offer_blow(m, victim, out, random);
        result = weapon_hit_agent;
        break;
      }

      // A horse.
      if (mi == nullptr ? attacker.agent_hit != 0 : mi->frame_byte != 0) continue;
      const agent* rider = victim.rider >= 0 ? m.get_agent(victim.rider) : nullptr;
      if (rider != nullptr && teams_not_enemies(m, attacker, *rider)) continue;
      if (mi == nullptr && (rider == nullptr || !teams_are_enemies(m, attacker, *rider))) continue;
      bone_contact bone;
      bool found = false;
      if (mi != nullptr) {
        found = agent_collide_with_bone_capsules(victim, capsule_of_frame, bone);
      } else {
        const int n = hit_sample_count(sweep.tip_distance, 6.66667f);
        for (int i = 0; i < n && !found; ++i) {
          found = agent_collide_with_bone_capsules(victim, sweep.sample(static_cast<float>(i) / static_cast<float>(n), 0.0f),
                                                   bone);
        }
      }
      if (!found) continue;
      fill_blow(m, attacker, hand, mi, victim, strength, out);
      out.hit_position = bone.point;
      out.bone = bone.bone;
      if (mi == nullptr) {
        out.direction = bone.direction;
        out.impact_direction = bone.direction;
      }
      offer_blow(m, victim, out, random);
      if (mi != nullptr) {
        mi->frame_byte = 1;
        result = weapon_hit_agent;
        break;
      }
      // The blade cuts on through the horse, weakened, and the swing counts
      // as having struck nothing unless it reaches a man.
      attacker.agent_hit = 1;
      strength *= 0.4f + static_cast<float>(random.next() % 15817) * 1.26446e-05f;
      create_blow(out);
    }
  }

  // The scene where nothing else took the weapon.
  if (attacker.scene_hit != 0 || human_struck || blocked || !scene_touched) return result;
  const int instance = struck_prop_instance(m, blocker);
  const vec3 contact = first + get_normalized(capsule_of_frame.b - capsule_of_frame.a) * scene_distance;
  if (mi == nullptr) {
    if (instance >= 0) {
      attacker.scene_hit = 1;
      strike_prop(m, attacker, nullptr, instance, contact, strength);
    }
    return result;
  }
  bool stuck = false;
  if (instance >= 0) {
    attacker.scene_hit = 1;
    stuck = strike_prop(m, attacker, mi, instance, contact, strength);
  }
  if (stuck) return weapon_hit_stopped;
  if (contact_out != nullptr) *contact_out = contact;
  return weapon_hit_scene;
}

}  // namespace hm
