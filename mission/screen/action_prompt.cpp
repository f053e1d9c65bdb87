#include "mission/screen/action_prompt.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/scene/scene_queries.h"
#include "mission/screen/mission_screen_window.h"
#include "module/records/item_kind.h"
#include "module/records/scene_prop.h"
#include "render/entity/entity.h"
#include "render/scene/scene_world.h"

namespace hm {

namespace {

constexpr float ray_start_offset = 0.05f;
constexpr float ray_length = 10.5f;
constexpr float wall_allowance = 1.0f;
constexpr float rebased_start = 0.1f;
// The ray as a capsule of almost no thickness.
constexpr float ray_radius = 0.001f;
constexpr float exit_reach = 4.0f;
constexpr float bound_margin = 0.5f;
constexpr float outward_look = 0.5f;

constexpr std::uint32_t enemy_colour = 0xFFD06050u;
constexpr std::uint32_t ally_colour = 0xFF60D050u;
constexpr std::uint32_t neutral_colour = 0xFFFFFFFFu;
constexpr std::uint32_t action_colour = 0xFFFF9D10u;

constexpr int prop_type_chest = 5;
constexpr int prop_type_area_exit = 10;
constexpr int item_type_horse = 1;

float range_of(std::int32_t kind) {
  switch (kind) {
    case prompt_kind::talk: return 3.5f;
    case prompt_kind::mount: return 1.3f;
    case prompt_kind::door: return 2.5f;
    case prompt_kind::chest: return 5.0f;
    case prompt_kind::go:
    case prompt_kind::equip: return 2.7f;
    default: return -1.0f;
  }
}

// The nearest contact of the segment with the body, measured from `from`;
// negative when it does not touch.
float contact_distance(const body_part& body, const vec3& from, const vec3& to) {
  const capsule ray(from, to, ray_radius);
  body_contact contacts[8];
  const int n = std::min(collide_bodies(ray, body, 8, contacts), 8);
  float best = -1.0f;
  for (int i = 0; i < n; ++i) {
    const float d = (contacts[i].point - from).length();
    if (best < 0.0f || d < best) best = d;
  }
  return best;
}

// Whether the segment passes through the box (slab test, a little slack).
bool segment_meets_box(const vec3& a, const vec3& b, const vec3& lo, const vec3& hi) {
  constexpr float slack = 0.01f;
  float t0 = 0.0f, t1 = 1.0f;
  const float start[3] = {a.x, a.y, a.z};
  const float delta[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
  const float low[3] = {lo.x - slack, lo.y - slack, lo.z - slack};
  const float high[3] = {hi.x + slack, hi.y + slack, hi.z + slack};
  for (int i = 0; i < 3; ++i) {
    if (std::fabs(delta[i]) < 1e-9f) {
      if (start[i] < low[i] || start[i] > high[i]) return false;
      continue;
    }
    float u = (low[i] - start[i]) / delta[i];
    float v = (high[i] - start[i]) / delta[i];
    if (u > v) std::swap(u, v);
    t0 = std::max(t0, u);
    t1 = std::min(t1, v);
    if (t0 > t1) return false;
  }
  return true;
}

const agent* agent_of_entity(const mission& m, const entity* e) {
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* a = m.get_agent(i);
    if (a && a->agent_entity && static_cast<const entity*>(a->agent_entity) == e) return a;
  }
  return nullptr;
}

int prop_type_of(const scene_prop_instance& p) {
  if (p.id < 0 || p.id >= static_cast<int>(g_scene_prop_kinds.size())) return -1;
  return g_scene_prop_kinds[static_cast<std::size_t>(p.id)].flags & 0xFF;
}

// The horse's own item: its saddle slot, else the item it was made from.
item horse_item_of(const agent& h) {
  const item& saddle = h.equipment[agent_slot_horse];
  return saddle.kind >= 0 ? saddle : h.own_horse_item();
}

int horse_item_type(const agent& h) {
  const item_kind* k = horse_item_of(h).get_kind();
  return k ? k->type() : -1;
}

}  // namespace

vec3 agent_eye_point(const agent& a) { return a.position() + vec3(0.0f, 0.0f, a.mount >= 0 ? 2.4f : 1.5f); }

action_prompt find_action_prompt(mission& m, const agent& player, const action_prompt_context& c) {
  action_prompt out;
  const vec3 look = get_normalized(player.input.direction_vec3());
  const vec3 eye = agent_eye_point(player);
  vec3 from = eye + look * ray_start_offset;
  const vec3 to = eye + look * ray_length;

  float length = (to - from).length();
  if (m.scene) {
    std::vector<body_part*> faces;
    query_collision_faces(*m.scene, from, to, segment_exclusion_mask, faces);
    float wall = length;
    for (const body_part* f : faces) {
      const float d = contact_distance(*f, from, to);
      if (d >= 0.0f) wall = std::min(wall, d);
    }
    from = from + look * rebased_start;
    length = wall + wall_allowance;
  }

  float best = length;
  if (m.scene) {
    const vec3 end = from + look * length;
    // Standing props are not listed in the grid's cells, so every entity is
    // looked at; its box turns most away cheaply.
    std::vector<const entity*> entities;
    for (const auto& e : m.scene->active_entities) entities.push_back(e.get());
    for (const auto& e : m.scene->pending_entities) entities.push_back(e.get());
    for (const entity* e : entities) {
      if (!e->body || !segment_meets_box(from, end, e->body->get_bounding_min(), e->body->get_bounding_max()))
        continue;
      const float d = contact_distance(*e->body, from, end);
      if (d < 0.0f || d > best) continue;
      bool accepted = false;
      if (const agent* a = agent_of_entity(m, e)) {
        if (a->kind == agent_kind_human) {
          if (a->index != player.index && !m.teams_are_enemies(player.team, a->team)) {
            out.kind = prompt_kind::talk;
            out.target = a->index;
            out.distance = (e->frame.origin - from).length();
            accepted = true;
          }
        } else if (horse_item_type(*a) == item_type_horse && a->rider < 0 && a->is_alive() &&
                   a->rider_died_state == horse_rider_loose) {
          out.kind = prompt_kind::mount;
          out.target = a->index;
          out.distance = (a->position() - player.position()).length();
          accepted = true;
        }
      } else if (e->owner_word == prop_entity_owner_kind) {
        const scene_prop_instance* p = m.get_scene_prop_instance(e->owner_word_2);
        if (p && !p->removed) {
          std::int32_t kind = prompt_kind::none;
          if (p->kind == prop_kind_object && prop_type_of(*p) == prop_type_chest) kind = prompt_kind::chest;
          else if (p->kind == prop_kind_object && prop_type_of(*p) == prop_type_area_exit && d < exit_reach)
            kind = prompt_kind::leave;
          else if (p->kind == prop_kind_passage && c.menu_item_count >= 0 && p->variation >= 0 &&
                   p->variation < c.menu_item_count)
            kind = prompt_kind::go;
          else if (p->kind == prop_kind_spawned_item) kind = prompt_kind::equip;
          if (kind != prompt_kind::none) {
            out.kind = kind;
            out.target = kind == prompt_kind::leave ? -1 : e->owner_word_2;
            out.distance = d;
            accepted = true;
          }
        }
      }
      // Anything in front of a found object hides it.
      if (accepted) best = out.distance;
      else if (out.kind != prompt_kind::none) best = d;
    }
  }
  if (out.kind != prompt_kind::none) return out;

  const float pitch = std::asin(std::clamp(look.z, -1.0f, 1.0f));
  if (player.mount >= 0) {
    const agent* horse = m.get_agent(player.mount);
    const float speed = horse ? std::fabs(horse->forward_speed) : 0.0f;
    if (pitch < dismount_pitch && speed < 1.0f) out.kind = prompt_kind::dismount;
    return out;
  }
  const vec3 at = player.position();
  const bool outward = (at.x - m.scene_min_x < bound_margin && look.x < -outward_look) ||
                       (m.scene_max_x - at.x < bound_margin && look.x > outward_look) ||
                       (at.y - m.scene_min_y < bound_margin && look.y < -outward_look) ||
                       (m.scene_max_y - at.y < bound_margin && look.y > outward_look);
  if (outward) out.kind = prompt_kind::leave;
  return out;
}

bool action_prompt_in_range(const mission& m, const agent& player, const action_prompt& p,
                            const action_prompt_context& c) {
  switch (p.kind) {
    case prompt_kind::talk: {
      const bool restricted = m.template_has_flag_bit1() || (m.flags & 0x1u) != 0;
      if ((restricted && c.talk_allowed == 0) || c.talk_blocked != 0) return false;
      return p.distance < range_of(p.kind);
    }
    case prompt_kind::mount: {
      if (player.mount >= 0) return false;
      const agent* horse = m.get_agent(p.target);
      if (!horse || horse_item_of(*horse).get_difficulty() > c.riding_skill) return false;
      return p.distance < range_of(p.kind);
    }
    case prompt_kind::door:
    case prompt_kind::chest:
    case prompt_kind::go:
    case prompt_kind::equip:
      return p.distance < range_of(p.kind);
    default:
      // Dismount and leave act without a range.
      return false;
  }
}

std::vector<overlay_line> action_prompt_lines(mission& m, const agent& player, const action_prompt& p,
                                              mission_screen_host& host) {
  std::string title;
  std::string action;
  std::uint32_t colour = neutral_colour;
  const bool near = p.in_range != 0;
  switch (p.kind) {
    case prompt_kind::talk:
      if (const agent* a = m.get_agent(p.target)) {
        title = host.troop_name(a->troop);
        if (m.teams_are_enemies(player.team, a->team)) colour = enemy_colour;
        else if (m.teams_are_allies(player.team, a->team)) colour = ally_colour;
      }
      if (near) action = host.text("ui_talk");
      break;
    case prompt_kind::mount:
      if (const agent* h = m.get_agent(p.target)) {
        const item it = horse_item_of(*h);
        title = host.item_name(it.kind, it.word);
      }
      if (near) action = host.text("ui_vidid");
      else if (player.mount < 0 && p.distance < range_of(p.kind))
        action = host.text("ui_riding_skill_not_adequate_to_vidid");
      break;
    case prompt_kind::dismount:
      action = host.text("ui_dismount");
      break;
    case prompt_kind::door: {
      const std::int32_t target = host.passage_target(m, p.target);
      // A target past the last scene (the out-of-scene mark among them) leads
      // out; one equal to the count names no scene either.
      if (target >= host.scene_count()) {
        title = host.text("ui_exit");
      } else if (target >= 0) {
        title = host.text("ui_door_to") + host.scene_name(target);
        if (near) action = host.text("ui_open");
      }
      break;
    }
    case prompt_kind::chest: {
      const scene_prop_instance* inst = m.get_scene_prop_instance(p.target);
      const bool chest = inst && inst->variation >= 0 && inst->variation < host.chest_count(m);
      title = host.text(chest ? "ui_chest" : "ui_baggage");
      if (near) action = host.text(chest ? "ui_open" : "ui_access_inventory");
      break;
    }
    case prompt_kind::go:
      if (const scene_prop_instance* inst = m.get_scene_prop_instance(p.target))
        title = host.menu_item_title(inst->variation);
      if (near) action = host.text("ui_go");
      break;
    case prompt_kind::equip:
      if (const scene_prop_instance* inst = m.get_scene_prop_instance(p.target))
        title = host.item_name(inst->id, static_cast<std::uint32_t>(inst->variation));
      if (near) action = host.text("ui_equip");
      break;
    case prompt_kind::leave:
      title = host.text(m.template_has_flag_bit1() ? "ui_retreat_battle" : "ui_leave_area");
      break;
    default:
      return {};
  }
  std::vector<overlay_line> lines{{title, 0.027f, colour}};
  if (!action.empty()) {
    lines.push_back({std::string(), 0.01f, action_colour});
    lines.push_back({action, 0.035f, action_colour});
  }
  return lines;
}

action_prompt update_action_prompt(mission& m, const agent& player, mission_screen_host& host,
                                   const action_prompt_context& c) {
  action_prompt p = find_action_prompt(m, player, c);
  p.in_range = action_prompt_in_range(m, player, p, c) ? 1 : 0;
  if (p.kind == prompt_kind::none) {
    host.show_overlay({}, 0.5f, 0.5f);
  } else {
    host.show_overlay(action_prompt_lines(m, player, p, host), 0.5f, 0.5f);
  }
  return p;
}

}  // namespace hm
