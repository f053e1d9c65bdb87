#include "mission/control/wielding.h"

#include <algorithm>
#include <string>

#include "engine/core/log.h"
#include "engine/core/timer.h"
#include "mission/agent/agent_sounds.h"
#include "mission/agent/item_visibility.h"
#include "mission/anim/agent_actions.h"
#include "mission/anim/anim_channel_ops.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"
#include "render/entity/entity.h"
#include "render/entity/skeleton_instance.h"

namespace hm {

std::int32_t g_first_person_view = 0;

void set_two_hands(agent& a, bool both) {
  a.two_hands = both ? 1 : 0;
  if (both) {
    a.wielded_item_flags |= wielded_item_flag_bit;
  } else {
    a.wielded_item_flags &= ~wielded_item_flag_bit;
  }
}

namespace {

constexpr std::uint32_t kind_flag_two_hands = 1u << 21;
constexpr int attack_class_mirrored = 0x40;
// Shows in the reflection passes only.
constexpr std::uint32_t show_word_reflection = 0x2000;

int carry_class(const item_kind& k) { return static_cast<int>((k.capabilities >> 28) & 15); }
int carry_refinement(const item_kind& k) { return static_cast<int>((k.capabilities >> 32) & 7); }
int attack_class(const item_kind& k) { return static_cast<int>((k.capabilities >> 12) & 0xFF); }
bool has_carry_position(const item_kind& k) { return carry_class(k) != 0 || carry_refinement(k) != 0; }

struct transition {
  int action = -1;
  const char* sound = nullptr;
};

struct wield_row {
  int carry_class;
  int refinement;
  transition draw;
  transition sheathe;
};

constexpr wield_row wield_rows[] = {
    {1, 0, {84, "snd_draw_sword"}, {85, "snd_put_back_sword"}},
    {2, 0, {88, "snd_draw_axe"}, {89, "snd_put_back_axe"}},
    {3, 0, {94, "snd_draw_dagger"}, {95, "snd_put_back_dagger"}},
    {4, 0, {96, "snd_draw_dagger"}, {97, "snd_put_back_dagger"}},
    {9, 0, {100, "snd_draw_revolver"}, {101, "snd_put_back_revolver"}},
    {10, 0, {102, "snd_draw_revolver"}, {103, "snd_put_back_revolver"}},
    {12, 0, {88, "snd_draw_axe"}, {89, "snd_put_back_axe"}},
    {0, 1, {98, "snd_draw_greataxe"}, {99, "snd_put_back_greataxe"}},
    {1, 1, {86, "snd_draw_greatsword"}, {87, "snd_put_back_greatsword"}},
    {5, 1, {90, "snd_draw_crossbow"}, {91, "snd_put_back_crossbow"}},
    {7, 1, {92, "snd_draw_spear"}, {93, "snd_put_back_spear"}},
    {1, 2, {104, "snd_draw_sword"}, {105, "snd_put_back_sword"}},
    {2, 2, {106, "snd_draw_dagger"}, {107, "snd_put_back_dagger"}},
};

wield_row hand0_row(const item_kind& k) {
  for (const wield_row& r : wield_rows) {
    if (r.carry_class == carry_class(k) && r.refinement == carry_refinement(k)) return r;
  }
  if (k.type() == item_type::polearm) return {0, 0, {92, "snd_draw_spear"}, {83, nullptr}};
  return {0, 0, {82, "snd_draw_other"}, {83, nullptr}};
}

bool is_long_bow(const item_kind& k) { return carry_class(k) == 11 && carry_refinement(k) == 0; }

transition hand1_draw(const item_kind& k) {
  if (k.type() == item_type::bow) return {is_long_bow(k) ? 112 : 110, "snd_draw_bow"};
  if (k.type() == item_type::shield) return {108, "snd_draw_shield"};
  return {108, nullptr};
}

transition hand1_sheathe(const item_kind* k) {
  if (k != nullptr && k->type() == item_type::bow) return {is_long_bow(*k) ? 113 : 111, "snd_put_back_bow"};
  if (k != nullptr && k->type() == item_type::shield) return {109, "snd_put_back_shield"};
  return {109, nullptr};
}

// An item that should show but has no entity (no mesh was made for it) is
// left out, reported once per kind. An agent without any item entity carries
// its items as meshes on its own skeleton (the module set-up's way): there is
// nothing to show or hide, and nothing is missing.
entity* slot_entity(const agent& a, int slot) {
  entity* e = a.item_entities[static_cast<std::size_t>(slot)];
  const bool has_item_entities =
      std::any_of(a.item_entities.begin(), a.item_entities.end(), [](const entity* x) { return x != nullptr; });
  if (e == nullptr && a.agent_entity != nullptr && has_item_entities) {
    static std::vector<bool> reported;
    const int kind = a.equipment[static_cast<std::size_t>(slot)].kind;
    if (kind >= 0) {
      if (reported.size() <= static_cast<std::size_t>(kind)) reported.resize(static_cast<std::size_t>(kind) + 1);
      if (!reported[static_cast<std::size_t>(kind)]) {
        reported[static_cast<std::size_t>(kind)] = true;
        log_line("WARNING: item kind " + std::to_string(kind) + " has no mesh to show on the agent\n");
      }
    }
  }
  return e;
}

void show_slot(agent& a, int slot, std::uint32_t word) {
  if (entity* e = slot_entity(a, slot)) set_entity_show_word(*e, word);
}

bool two_hands(const agent& a) { return a.two_hands != 0; }

void apply_wield_flags(agent& a, const item_kind& k) {
  const int t = k.type();
  if (t == item_type::bow) {
    a.wield_flags = 1u << 4;
    a.wield_mode = 0;
  } else if (t == item_type::crossbow || t == item_type::thrown) {
    a.wield_flags = 1u << 5;
    a.wield_mode = 4;
  } else if (t == item_type::two_handed && (k.flags & kind_flag_two_hands) != 0) {
    a.wield_flags = 1u << 2;
  }
  if (t == item_type::shield) a.wield_flags |= 1u << 12;
  if (t == item_type::polearm) a.wield_flags |= 1u << 3;
  if (t == item_type::one_handed || t == item_type::two_handed) a.wield_flags |= 1u << 1;
}

}  // namespace

const item_kind* weapon_slot_kind(const agent& a, int slot) {
  if (slot < 0 || slot >= agent_weapon_slot_count) return nullptr;
  return a.equipment[static_cast<std::size_t>(slot)].get_kind();
}

int get_carry_bone(int t) {
  switch (t) {
    case item_type::one_handed:
    case item_type::two_handed:
    case item_type::polearm:
    case item_type::crossbow:
    case item_type::thrown:
    case item_type::pistol:
    case item_type::musket:
      return 19;
    case item_type::bow:
      return 14;
    case item_type::shield:
      return 12;
    default:
      return -1;
  }
}

void update_wielded_items(mission& m, agent& a) {
  const item_kind* held = weapon_slot_kind(a, a.wielded_slots[0]);
  const bool both = held != nullptr && (held->flags & kind_flag_two_hands) != 0;
  a.hand1_unavailable = both ? 1 : 0;
  set_two_hands(a, both);
  attach_item_entities(m, a);
  play_wield_transition(m, a);
  a.action_stamps = {-20000000.0f, -20000000.0f};
}

void attach_item_entities(mission& m, agent& a) {
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    if (entity* e = a.item_entities[static_cast<std::size_t>(slot)]) set_entity_show_word(*e, 0);
    for (entity* e : a.slot_extra_entities[static_cast<std::size_t>(slot)]) {
      if (e != nullptr) set_entity_show_word(*e, 0);
    }
    a.item_displays[static_cast<std::size_t>(slot)] = agent::item_display{};
  }
  int in_hand[2] = {-1, -1};
  for (int hand = 0; hand < 2; ++hand) {
    if (hand == 1 && a.hand1_unavailable) continue;
    const int slot = a.wielded_slots[static_cast<std::size_t>(hand)];
    const item_kind* k = weapon_slot_kind(a, slot);
    if (k == nullptr) continue;
    const int bone = get_carry_bone(k->type());
    if (bone < 0) continue;
    in_hand[hand] = slot;
    agent::item_display& d = a.item_displays[static_cast<std::size_t>(slot)];
    d.bone = bone;
    d.placement = frame::identity();
    if (attack_class(*k) == attack_class_mirrored) {
      d.mirrored = 1;
      d.placement.rot.s = d.placement.rot.s * -1.0f;
      d.placement.rot.f = d.placement.rot.f * -1.0f;
      d.placement.rot.u = d.placement.rot.u * -1.0f;
    }
    show_slot(a, slot, 0xFFFFu);
  }
  std::uint32_t places_taken = 0;
  for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
    if (slot == in_hand[0] || slot == in_hand[1]) continue;
    const item_kind* k = weapon_slot_kind(a, slot);
    if (k == nullptr || !has_carry_position(*k)) continue;
    if (k->type() == item_type::shield && a.equipment[static_cast<std::size_t>(slot)].hit_points() <= 10) continue;
    const carry_frame c = k->get_carry_frame();
    const std::uint32_t place_bit = 1u << (c.place & 31);
    if ((places_taken & place_bit) != 0) continue;
    places_taken |= place_bit;
    agent::item_display& d = a.item_displays[static_cast<std::size_t>(slot)];
    d.bone = c.bone;
    d.placement = c.placement;
    entity* sheath = a.slot_extra_entities[static_cast<std::size_t>(slot)][1];
    if (sheath != nullptr) {
      d.sheath = 1;
      set_entity_show_word(*sheath, 0xFFFFu);
    } else {
      show_slot(a, slot, 0xFFFFu);
    }
  }
  if (g_first_person_view != 0 && a.index == m.player_agent) {
    for (int slot = 0; slot < agent_weapon_slot_count; ++slot) {
      if (slot == a.wielded_slots[0] || (slot == a.wielded_slots[1] && !two_hands(a))) continue;
      const item_kind* k = weapon_slot_kind(a, slot);
      if (k == nullptr || !has_carry_position(*k)) continue;
      const int bone = k->get_carry_frame().bone;
      if (bone < 7 || bone > 9) continue;
      if (entity* e = a.item_entities[static_cast<std::size_t>(slot)]) cut_entity_show_word(*e, show_word_reflection);
      for (entity* e : a.slot_extra_entities[static_cast<std::size_t>(slot)]) {
        if (e != nullptr) cut_entity_show_word(*e, show_word_reflection);
      }
    }
  }
}

void play_wield_transition(mission& m, agent& a) {
  transition chosen[2];
  for (int hand = 0; hand < 2; ++hand) {
    if (hand == 1 && a.hand1_unavailable) continue;
    const int now = a.wielded_slots[static_cast<std::size_t>(hand)];
    const int before = a.previous_wielded_slots[static_cast<std::size_t>(hand)];
    if (now == before) continue;
    const item_kind* drawn = weapon_slot_kind(a, now);
    const item_kind* put_back = weapon_slot_kind(a, before);
    if (hand == 0) {
      if (drawn != nullptr) {
        const int t = drawn->type();
        chosen[0] = (t == item_type::bow || t == item_type::shield) ? hand1_draw(*drawn) : hand0_row(*drawn).draw;
      } else {
        chosen[0] = put_back != nullptr ? hand0_row(*put_back).sheathe : transition{83, nullptr};
      }
    } else {
      chosen[1] = drawn != nullptr ? hand1_draw(*drawn) : hand1_sheathe(put_back);
    }
    a.previous_wielded_slots[static_cast<std::size_t>(hand)] = now;
  }
  if (a.hand1_unavailable) a.previous_wielded_slots[1] = -1;

  action_channel& upper = a.channels[1];
  if (upper.action == 123 && (upper.priority() < 71 || upper.is_idle())) {
    upper.requested_action = -1;
    upper.flags = 0;
  }
  const int action = chosen[0].action != -1 ? chosen[0].action : chosen[1].action;
  if (action != -1 && (upper.priority() <= 70 || upper.is_idle())) {
    set_channel_action(a, 1, action, 70u | channel_flag_keep | channel_flag_restart, 1.0f);
    if (entity* held = wielded_item_entity(a, 0)) held->moved = 1;
  }
  // Agents that spawn with weapons in hand draw them silently.
  if (static_cast<double>(clock_ticks(clock_mission)) * 1e-5 > 1.0) {
    for (const transition& t : chosen) {
      if (t.sound != nullptr) agent_sounds().play_slot(m, a, engine_sound_slot(t.sound), 0.0f);
    }
  }
  a.wield_flags = 0;
  if (const item_kind* k = weapon_slot_kind(a, a.wielded_slots[0])) apply_wield_flags(a, *k);
  if (!a.hand1_unavailable) {
    if (const item_kind* k = weapon_slot_kind(a, a.wielded_slots[1])) apply_wield_flags(a, *k);
  }
  a.upper_turn = 0.0f;
  a.upper_turn_rate = 0.0f;
}

}  // namespace hm
