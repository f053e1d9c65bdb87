// Object slots: module code's own integer data on troops, parties, factions,
// scenes, party templates, agents, quests and item kinds. Four families (set,
// get, equal, at least); the opcode is the family base plus the record kind.
#include <cstdint>
#include <utility>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/record_data.h"
#include "script/script_errors.h"
#include "script/script_host.h"

namespace hm {
namespace {

constexpr std::uint32_t set_base = 500;
constexpr std::uint32_t get_base = 520;
constexpr std::uint32_t eq_base = 540;
constexpr std::uint32_t ge_base = 560;
constexpr int kind_count = 8;

bool validate_object(script_record_kind kind, std::int64_t id) {
  switch (kind) {
    case script_record_kind::troop:
      return validate_troop_id(id);
    case script_record_kind::party:
      return validate_party_id(id);
    case script_record_kind::faction:
      return validate_faction_id(id);
    case script_record_kind::scene:
      return validate_scene_id(id);
    case script_record_kind::party_template:
      return validate_party_template_id(id);
    case script_record_kind::agent:
      return validate_agent_id(id);
    case script_record_kind::quest:
      return validate_quest_id(id);
    case script_record_kind::item_kind:
      return validate_item_kind_id(id);
  }
  return false;
}

// The slots of a valid object; null when the owner has none for it.
slot_vector* find_slots(script_record_kind kind, std::int32_t id) {
  const script_host& host = current_script_host();
  if (kind == script_record_kind::agent) return host.mission->agent_slots(id);
  script_record_data* data = kind == script_record_kind::party ? host.campaign->party_record_data(id)
                                                               : host.module->record_data(kind, id);
  return data ? &data->slots : nullptr;
}

// The slots of object `id` when it passes its validator and the slot number is
// in range; null otherwise.
template <script_record_kind kind>
slot_vector* checked_slots(std::int64_t id, std::int64_t slot) {
  if (!validate_object(kind, id)) return nullptr;
  if (slot < 0 || slot > max_slot_number) return nullptr;
  return find_slots(kind, static_cast<std::int32_t>(id));
}

template <script_record_kind kind>
void set_slot(operation_call& c) {
  if (slot_vector* slots = checked_slots<kind>(c.value[0], c.value[1])) slots->set(c.value[1], c.value[2]);
}

template <script_record_kind kind>
void get_slot(operation_call& c) {
  const slot_vector* slots = checked_slots<kind>(c.value[1], c.value[2]);
  c.store(slots ? slots->get(c.value[2]) : 0);
}

template <script_record_kind kind>
void slot_eq(operation_call& c) {
  const slot_vector* slots = checked_slots<kind>(c.value[0], c.value[1]);
  c.result = slots && slots->get(c.value[1]) == c.value[2];
}

template <script_record_kind kind>
void slot_ge(operation_call& c) {
  const slot_vector* slots = checked_slots<kind>(c.value[0], c.value[1]);
  c.result = slots && slots->get(c.value[1]) >= c.value[2];
}

template <int k>
void register_kind() {
  constexpr auto kind = static_cast<script_record_kind>(k);
  register_operation(set_base + k, set_slot<kind>);
  register_operation(get_base + k, get_slot<kind>);
  register_operation(eq_base + k, slot_eq<kind>);
  register_operation(ge_base + k, slot_ge<kind>);
}

template <int... k>
void register_kinds(std::integer_sequence<int, k...>) {
  (register_kind<k>(), ...);
}

}  // namespace

void register_slot_operations() { register_kinds(std::make_integer_sequence<int, kind_count>{}); }

}  // namespace hm
