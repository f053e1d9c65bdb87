#include "script/support/fake_script_host.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/stream.h"
#include "script/dialog/conversation.h"
#include "script/executor.h"
#include "script/interpreter.h"
#include "script/interpreter_state.h"
#include "script/script_state.h"

namespace hm::test {

statement_block* fake_module::script_block(int script) {
  if (script < 0 || script >= script_count()) return nullptr;
  return &scripts[static_cast<std::size_t>(script)];
}

const fake_module::troop_record* fake_module::find_troop(int troop) const {
  const auto it = troop_records.find(troop);
  return it == troop_records.end() ? nullptr : &it->second;
}

ruv_string fake_module::script_name(int script) const {
  if (script < 0 || script >= static_cast<int>(script_names.size())) return {};
  return ruv_string(std::string_view(script_names[static_cast<std::size_t>(script)]));
}
std::uint64_t fake_module::troop_flags(int troop) const {
  const troop_record* t = find_troop(troop);
  return t ? t->flags : 0;
}
int fake_module::troop_level(int troop) const {
  const troop_record* t = find_troop(troop);
  return t ? t->level : 0;
}
int fake_module::troop_placement(int troop) const {
  const troop_record* t = find_troop(troop);
  return t ? t->placement : -1;
}
int fake_module::troop_inventory_slot_count(int troop) const {
  const troop_record* t = find_troop(troop);
  return t ? static_cast<int>(t->inventory.size()) : 0;
}
int fake_module::troop_inventory_item(int troop, int slot) const {
  const troop_record* t = find_troop(troop);
  if (!t || slot < 0 || slot >= static_cast<int>(t->inventory.size())) return -1;
  return t->inventory[static_cast<std::size_t>(slot)];
}
std::uint32_t fake_module::quest_status(int quest) const {
  const auto it = quest_status_words.find(quest);
  return it == quest_status_words.end() ? 0 : it->second;
}
float fake_module::faction_relation(int faction_a, int faction_b) const {
  const auto it = relations.find({faction_a, faction_b});
  return it == relations.end() ? 0.0f : it->second;
}

script_record_data* fake_module::record_data(script_record_kind kind, int id) {
  int count = 0;
  switch (kind) {
    case script_record_kind::troop: count = troops; break;
    case script_record_kind::faction: count = factions; break;
    case script_record_kind::scene: count = scenes; break;
    case script_record_kind::party_template: count = party_templates; break;
    case script_record_kind::quest: count = quests; break;
    case script_record_kind::item_kind: count = item_kinds; break;
    default: return nullptr;
  }
  if (id < 0 || id >= count) return nullptr;
  return &record_datas[{static_cast<int>(kind), id}];
}
const fake_module::troop_stats* fake_module::find_stats(int troop) const {
  const auto it = troop_stat_records.find(troop);
  return it == troop_stat_records.end() ? nullptr : &it->second;
}
ruv_string fake_module::troop_name(int troop) const {
  const troop_stats* t = find_stats(troop);
  return t ? ruv_string(std::string_view(t->name)) : ruv_string();
}
int fake_module::troop_gold(int troop) const { return find_stats(troop) ? find_stats(troop)->gold : 0; }
int fake_module::troop_faction(int troop) const { return find_stats(troop) ? find_stats(troop)->faction : 0; }
int fake_module::troop_attribute(int troop, int attribute) const {
  const troop_stats* t = find_stats(troop);
  return t && attribute >= 0 && attribute < 4 ? t->attributes[attribute] : 0;
}
float fake_module::troop_hit_points(int troop) const { return find_stats(troop) ? find_stats(troop)->hit_points : 0; }
int fake_module::troop_max_hit_points(int troop) const {
  return find_stats(troop) ? find_stats(troop)->max_hit_points : 0;
}
int fake_module::troop_proficiency(int troop, int proficiency) const {
  const troop_stats* t = find_stats(troop);
  return t && proficiency >= 0 && proficiency < 7 ? t->proficiencies[proficiency] : 0;
}
int fake_module::troop_effective_skill_level(int troop, int skill) const {
  const troop_stats* t = find_stats(troop);
  if (!t) return 0;
  const auto it = t->skills.find(skill);
  return it == t->skills.end() ? 0 : it->second;
}
int fake_module::count_troop_items(int troop, int item_kind, int) const {
  const troop_record* t = find_troop(troop);
  return t ? static_cast<int>(std::count(t->inventory.begin(), t->inventory.end(), item_kind)) : 0;
}

namespace {
std::string join_args(std::initializer_list<std::int64_t> args) {
  std::string out;
  for (std::int64_t a : args) out += " " + std::to_string(a);
  return out;
}
std::string float_text(float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %.2f", static_cast<double>(v));
  return buffer;
}
}  // namespace

void fake_module::set_troop_flags(int troop, std::uint64_t flags) {
  troop_records[troop].flags = flags;
  record("set_troop_flags" + join_args({troop, static_cast<std::int64_t>(flags)}));
}
bool fake_module::troop_is_wounded(int troop) const {
  const troop_stats* s = find_stats(troop);
  return s && s->hit_points < 15.0f;
}
std::int64_t fake_module::troop_word(int troop, script_troop_word word) const {
  if (word == script_troop_word::faction) return troop_faction(troop);
  const auto upgrade = upgrades.find(troop);
  if (upgrade != upgrades.end() && word == script_troop_word::upgrade_troop_1) return upgrade->second.first;
  if (upgrade != upgrades.end() && word == script_troop_word::upgrade_troop_2) return upgrade->second.second;
  if (word == script_troop_word::scene_placement) return troop_placement(troop);
  return 100 + static_cast<int>(word);
}
void fake_module::set_troop_word(int troop, script_troop_word word, std::int64_t value) {
  record("set_troop_word" + join_args({troop, static_cast<int>(word), value}));
}
void fake_module::set_troop_hit_points(int troop, float hit_points) {
  record("set_troop_hit_points" + join_args({troop}) + float_text(hit_points));
}
void fake_module::raise_troop_attribute(int troop, int attribute, int delta) {
  record("raise_troop_attribute" + join_args({troop, attribute, delta}));
}
void fake_module::raise_troop_skill(int troop, int skill, int delta) {
  record("raise_troop_skill" + join_args({troop, skill, delta}));
}
void fake_module::add_troop_proficiency_points(int troop, int proficiency, float points) {
  record("add_troop_proficiency_points" + join_args({troop, proficiency}) + float_text(points));
}
void fake_module::raise_troop_proficiency(int troop, int proficiency, int delta) {
  record("raise_troop_proficiency" + join_args({troop, proficiency, delta}));
}
void fake_module::add_troop_gold(int troop, std::int64_t amount) {
  record("add_troop_gold" + join_args({troop, amount}));
}
void fake_module::take_troop_gold(int troop, std::int64_t amount) {
  record("take_troop_gold" + join_args({troop, amount}));
}
script_item fake_module::troop_item(int troop, int slot) const {
  const troop_record* t = find_troop(troop);
  if (!t || slot < 0 || slot >= static_cast<int>(t->inventory.size())) return {};
  const auto word = item_words.find({troop, slot});
  return {t->inventory[static_cast<std::size_t>(slot)], word == item_words.end() ? 0u : word->second};
}
void fake_module::set_troop_item(int troop, int slot, script_item item) {
  troop_record& t = troop_records[troop];
  if (slot >= 0 && slot < static_cast<int>(t.inventory.size())) t.inventory[static_cast<std::size_t>(slot)] = item.kind;
  item_words[{troop, slot}] = item.word;
  record("set_troop_item" + join_args({troop, slot, item.kind, item.word}));
}
script_item fake_module::make_item(int kind, int modifier) const {
  return {kind, modifier >= 0 && modifier < 43 ? static_cast<std::uint32_t>(modifier) << 24 : 0u};
}
void fake_module::clear_troop_inventory(int troop) { record("clear_troop_inventory" + join_args({troop})); }
void fake_module::sort_troop_inventory(int troop) { record("sort_troop_inventory" + join_args({troop})); }
void fake_module::free_troop_inventory_slots(int troop, int count) {
  record("free_troop_inventory_slots" + join_args({troop, count}));
}
void fake_module::add_troop_merchandise(int troop, int item_type, int count) {
  record("add_troop_merchandise" + join_args({troop, item_type, count}));
}
void fake_module::copy_troop_merchandise(int target, int source, int percent) {
  record("copy_troop_merchandise" + join_args({target, source, percent}));
}
void fake_module::auto_equip_troop(int troop) { record("auto_equip_troop" + join_args({troop})); }
std::int32_t fake_module::remove_troop_items(int troop, int item_kind, int count) {
  record("remove_troop_items" + join_args({troop, item_kind, count}));
  return 10 * count;
}
bool fake_module::put_troop_item(int troop, int item_kind, int modifier) {
  record("put_troop_item" + join_args({troop, item_kind, modifier}));
  return placement == script_item_placement::placed;
}
script_item_placement fake_module::add_troop_item(int troop, int item_kind, int modifier) {
  record("add_troop_item" + join_args({troop, item_kind, modifier}));
  return placement;
}
std::uint32_t fake_module::item_kind_flags(int item_kind) const {
  const auto it = item_flag_words.find(item_kind);
  return it == item_flag_words.end() ? 0u : it->second;
}
ruv_string fake_module::item_kind_name(int item_kind) const { return ruv_string("item " + std::to_string(item_kind)); }
void fake_module::set_item_stock_multiplier(int item_kind, float multiplier) {
  record("set_item_stock_multiplier" + join_args({item_kind}) + float_text(multiplier));
}
void fake_module::set_faction_relation(int faction_a, int faction_b, float relation) {
  relations[{faction_a, faction_b}] = relation;
  record("set_faction_relation" + join_args({faction_a, faction_b}) + float_text(relation));
}
ruv_string fake_module::troop_plural_name(int troop) const {
  const troop_stats* s = find_stats(troop);
  return s ? ruv_string(std::string_view(s->plural)) : ruv_string();
}
ruv_string fake_module::item_kind_plural_name(int item_kind) const {
  return ruv_string("items " + std::to_string(item_kind));
}
int fake_module::item_kind_value(int item_kind) const {
  const auto it = item_values.find(item_kind);
  return it == item_values.end() ? 0 : it->second;
}
int fake_module::quest_giver(int quest) const {
  const auto it = quest_givers.find(quest);
  return it == quest_givers.end() ? -1 : it->second;
}
std::int32_t fake_module::quest_word(int quest, int word) const {
  const auto it = quest_words.find({quest, word});
  return it == quest_words.end() ? 0 : it->second;
}
std::int32_t fake_module::party_template_word(int party_template, int word) const {
  const auto it = template_words.find({party_template, word});
  return it == template_words.end() ? 0 : it->second;
}
ruv_string fake_module::faction_name(int faction) const { return ruv_string("faction " + std::to_string(faction)); }
void fake_module::set_faction_name(int faction, const ruv_string& name) {
  record("set_faction_name" + join_args({faction}) + " " + std::string(name.view()));
}
void fake_module::set_faction_colour(int faction, std::uint32_t colour) {
  record("set_faction_colour" + join_args({faction, colour}));
}
script_scene_entry fake_module::scene_entry(int scene, int slot) const {
  const auto it = scene_entries.find({scene, slot});
  return it == scene_entries.end() ? script_scene_entry{} : it->second;
}
void fake_module::set_scene_entry(int scene, int slot, const script_scene_entry& entry) {
  scene_entries[{scene, slot}] = entry;
}
std::uint32_t fake_module::quest_flags(int quest) const {
  const auto it = quest_flag_words.find(quest);
  return it == quest_flag_words.end() ? 0u : it->second;
}
void fake_module::set_quest_status(int quest, std::uint32_t status) { quest_status_words[quest] = status; }
void fake_module::set_quest_giver(int quest, int troop) { record("set_quest_giver" + join_args({quest, troop})); }
script_quest_texts fake_module::quest_texts(int quest) const {
  const auto it = quest_text_records.find(quest);
  return it == quest_text_records.end() ? script_quest_texts{} : it->second;
}
void fake_module::set_quest_texts(int quest, const script_quest_texts& texts) { quest_text_records[quest] = texts; }

namespace {
ruv_string text_of(const std::vector<fake_module::string_record>& records, int index, bool key) {
  if (index < 0 || index >= static_cast<int>(records.size())) return {};
  const fake_module::string_record& r = records[static_cast<std::size_t>(index)];
  return ruv_string(std::string_view(key ? r.key : r.text));
}
}  // namespace

ruv_string fake_module::module_string_text(int index) const { return text_of(module_string_records, index, false); }
ruv_string fake_module::module_string_key(int index) const { return text_of(module_string_records, index, true); }
ruv_string fake_module::quick_string_text(int index) const { return text_of(quick_string_records, index, false); }
ruv_string fake_module::quick_string_key(int index) const { return text_of(quick_string_records, index, true); }

bool fake_module::find_translation(std::string_view key, ruv_string& out) const {
  const auto it = translations.find(std::string(key));
  if (it == translations.end()) return false;
  out = ruv_string(std::string_view(it->second));
  return true;
}

void fake_campaign::add_party(int id, int state, std::vector<int> attached) {
  party p;
  p.id = id;
  p.state = state;
  p.attached = std::move(attached);
  slots.push_back(std::move(p));
}

int fake_campaign::party_end_id() const {
  int end = 0;
  for (const party& p : slots) end = std::max(end, p.id + 1);
  return end;
}

int fake_campaign::find_party_slot(int party_id) const {
  for (std::size_t s = 0; s < slots.size(); ++s) {
    if (slots[s].id == party_id) return static_cast<int>(s);
  }
  return -1;
}

int fake_campaign::party_slot_state(int slot) const {
  return slot >= 0 && slot < static_cast<int>(slots.size()) ? slots[static_cast<std::size_t>(slot)].state : 0;
}

int fake_campaign::next_active_from_slot(int slot) const {
  for (std::size_t s = static_cast<std::size_t>(slot); s < slots.size(); ++s) {
    if (slots[s].state == 1) return slots[s].id;
  }
  return party_end_id();
}

int fake_campaign::first_active_party() const { return next_active_from_slot(0); }

int fake_campaign::next_active_party(int party_id) const {
  const int slot = find_party_slot(party_id);
  return slot < 0 ? party_end_id() : next_active_from_slot(slot + 1);
}

int fake_campaign::attached_party_count(int party_id) const {
  const int slot = find_party_slot(party_id);
  return slot < 0 ? 0 : static_cast<int>(slots[static_cast<std::size_t>(slot)].attached.size());
}

int fake_campaign::attached_party(int party_id, int position) const {
  const int slot = find_party_slot(party_id);
  if (slot < 0 || position < 0 || position >= attached_party_count(party_id)) return -1;
  return slots[static_cast<std::size_t>(slot)].attached[static_cast<std::size_t>(position)];
}

fake_campaign::party* fake_campaign::find(int party_id) {
  const int slot = find_party_slot(party_id);
  return slot < 0 ? nullptr : &slots[static_cast<std::size_t>(slot)];
}
const fake_campaign::party* fake_campaign::find(int party_id) const {
  const int slot = find_party_slot(party_id);
  return slot < 0 ? nullptr : &slots[static_cast<std::size_t>(slot)];
}

bool fake_campaign::debug_break(ruv_string& script_name, int& line) const {
  return words.break_point(script_name, line);
}

std::uint64_t fake_campaign::party_flags(int id) const { return find(id) ? find(id)->flags : 0; }
int fake_campaign::party_ai_mode(int id) const { return find(id) ? find(id)->ai_mode : 0; }
int fake_campaign::party_ai_target(int id) const { return find(id) ? find(id)->ai_target : -1; }
vec3 fake_campaign::party_map_position(int id) const {
  return find(id) ? vec3(find(id)->x, find(id)->y, 0.0f) : vec3();
}
float fake_campaign::party_map_radius(int id) const { return find(id) ? find(id)->radius : 0.0f; }
int fake_campaign::party_faction(int id) const { return find(id) ? find(id)->faction : -1; }
int fake_campaign::party_attached_to(int id) const { return find(id) ? find(id)->attached_to : -1; }
int fake_campaign::party_member_count(int id) const { return find(id) ? find(id)->members : 0; }
int fake_campaign::party_prisoner_count(int id) const { return find(id) ? find(id)->prisoners : 0; }
int fake_campaign::party_companion_limit(int id) const { return find(id) ? find(id)->companion_limit : 0; }
int fake_campaign::party_prisoner_limit(int id) const { return find(id) ? find(id)->prisoner_limit : 0; }
int fake_campaign::party_stack_count(int id) const {
  const party* p = find(id);
  if (!p) return 0;
  return static_cast<int>(p->stacks.empty() ? p->stack_troops.size() : p->stacks.size());
}
int fake_campaign::party_stack_troop(int id, int stack) const { return party_stack(id, stack).troop; }
script_troop_stack fake_campaign::party_stack(int id, int stack) const {
  const party* p = find(id);
  if (!p || stack < 0 || stack >= party_stack_count(id)) return {};
  if (!p->stacks.empty()) return p->stacks[static_cast<std::size_t>(stack)];
  script_troop_stack s;
  s.troop = p->stack_troops[static_cast<std::size_t>(stack)];
  return s;
}
int fake_campaign::party_template_of(int id) const { return find(id) ? find(id)->template_id : -1; }
script_record_data* fake_campaign::party_record_data(int id) {
  party* p = find(id);
  return p && p->state == 1 ? &p->data : nullptr;
}
int fake_campaign::party_skill_level(int id, int skill) const {
  const party* p = find(id);
  if (!p) return 0;
  const auto it = p->skills.find(skill);
  return it == p->skills.end() ? 0 : it->second;
}
void fake_campaign::count_party_troops_with_attached(int id, int& members, int& wounded) const {
  members = 0;
  wounded = 0;
  const party* p = find(id);
  if (!p) return;
  members = p->members;
  wounded = p->wounded;
  for (int attached : p->attached) {
    if (const party* a = find(attached)) {
      members += a->members;
      wounded += a->wounded;
    }
  }
}
int fake_campaign::count_troops_by_flags(int id, int flags) const {
  const party* p = find(id);
  if (!p) return 0;
  const auto it = p->troops_by_flags.find(flags);
  return it == p->troops_by_flags.end() ? 0 : it->second;
}

slot_vector* fake_mission::agent_slots(int agent) {
  return agent_slot_in_use(agent) ? &slots_of_agents[agent] : nullptr;
}
int fake_mission::agent_troop(int agent) const {
  if (!agent_slot_in_use(agent) || agent >= static_cast<int>(agent_troops.size())) return -1;
  return agent_troops[static_cast<std::size_t>(agent)];
}
namespace {
std::string two_decimals(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(v));
  return buf;
}
std::string point_text(const vec3& p) { return two_decimals(p.x) + " " + two_decimals(p.y) + " " + two_decimals(p.z); }
}  // namespace

void fake_mission::add_trigger_particle_system(int context, int kind, const vec3& local) {
  particle_calls.push_back("add " + std::to_string(context) + " " + std::to_string(kind) + " " + point_text(local));
}
void fake_mission::restart_trigger_particle_system(int context, int kind, int emissions) {
  particle_calls.push_back("restart " + std::to_string(context) + " " + std::to_string(kind) + " " +
                           std::to_string(emissions));
}
void fake_mission::add_mission_particle_system(int kind, const frame& where, int value) {
  particle_calls.push_back("mission " + std::to_string(kind) + " " + point_text(where.origin) + " " +
                           std::to_string(value));
}
int fake_mission::spawn_item_at(int item_kind, int modifier, const frame& where) {
  particle_calls.push_back("item " + std::to_string(item_kind) + " " + std::to_string(modifier) + " " +
                           point_text(where.origin));
  return 500 + spawned_items++;
}

bool fake_mission::event_object_position(int context, vec3& out) const {
  const auto it = event_positions.find(context);
  if (it == event_positions.end()) return false;
  out = it->second;
  return true;
}
bool fake_mission::ground_height_in_scene(float x, float y, float& out) const {
  if (!(scene_min_x <= x && x < scene_max_x && scene_min_y <= y && y < scene_max_y)) return false;
  out = ground;
  return true;
}

void fake_ui::set_notice(const ruv_string& title, const ruv_string& text) {
  box_mode = 0;
  box_title = std::string(title.view());
  box_text = std::string(text.view());
  box_answer = nullptr;
}
void fake_ui::set_question(const ruv_string& text, const ruv_string& first_answer, const ruv_string& second_answer,
                           std::int32_t* answer_target) {
  box_mode = 1;
  box_title.clear();
  box_text = std::string(text.view());
  box_first = std::string(first_answer.view());
  box_second = std::string(second_answer.view());
  box_answer = answer_target;
}

bool fake_mission::agent_slot_in_use(int agent) const {
  return agent >= 0 && agent < agent_slot_count() && agents[static_cast<std::size_t>(agent)];
}

int fake_mission::next_live_from(int index) const {
  for (int a = std::max(index, 0); a < agent_slot_count(); ++a) {
    if (agents[static_cast<std::size_t>(a)]) return a;
  }
  return agent_slot_count();
}

namespace {

// Each number, spaced, spaced.
std::string numbers(std::initializer_list<double> values) {
  std::string out;
  char buf[32];
  for (double v : values) {
    std::snprintf(buf, sizeof buf, " %.10g", v);
    out += buf;
  }
  return out;
}

std::string at(const frame& f) { return " at" + numbers({f.origin.x, f.origin.y, f.origin.z}); }

}  // namespace

void fake_render::add_tableau_mesh(int tableau, std::int64_t object, const frame& placement, const vec3& scale) {
  calls.push_back("tableau_mesh" + numbers({double(tableau), double(object)}) + at(placement) + " scale" +
                  numbers({scale.x, scale.y, scale.z}));
}

void fake_render::add_tableau_module_mesh(int mesh, const frame& placement, const vec3& scale, float alpha,
                                          std::int64_t colour) {
  calls.push_back("module_mesh" + numbers({double(mesh)}) + at(placement) + " scale" +
                  numbers({scale.x, scale.y, scale.z}) + " alpha" + numbers({alpha}) + " colour" +
                  numbers({double(colour)}));
}

void fake_render::add_tableau_map_icon(int icon, const frame& placement, float scale) {
  calls.push_back("map_icon" + numbers({double(icon)}) + at(placement) + " scale" + numbers({scale}));
}

void fake_render::add_tableau_figure(const tableau_figure_request& f) {
  calls.push_back("figure" + numbers({double(f.troop), double(f.horse_item), double(f.animation), double(f.time)}) +
                  at(f.placement));
}

void fake_render::add_tableau_light(bool point, const frame& placement, const vec3& colour) {
  calls.push_back(std::string(point ? "point_light" : "light") + at(placement) + " colour" +
                  numbers({colour.x, colour.y, colour.z}));
}

void fake_render::put_tableau_on_trigger_object(std::int32_t event_code, int tableau, std::int64_t object) {
  calls.push_back("trigger_object" + numbers({double(event_code), double(tableau), double(object)}));
}

std::vector<std::string> fake_ui::texts() const {
  std::vector<std::string> out;
  for (const line& l : messages) out.push_back(l.text);
  return out;
}

bool fake_engine::is_key_down(int key_code) const { return key_code >= 0 && key_code < 256 && keys_down[key_code]; }
bool fake_engine::is_key_clicked(int key_code) const {
  return key_code >= 0 && key_code < 256 && keys_down[key_code] && !previous_keys_down[key_code];
}
int fake_engine::control_key(int control, int which) const {
  const auto it = controls.find(control);
  if (it == controls.end() || which < 0 || which > 1) return -1;
  return which == 0 ? it->second.first : it->second.second;
}

ruv_string fake_engine::expand_text_tokens(const ruv_string& token) {
  expanded_tokens.emplace_back(token.view());
  std::string out = "<";
  out.append(token.view());
  out += '>';
  return ruv_string(std::string_view(out));
}

fake_script_host::fake_script_host() {
  previous_ = set_script_host(script_host{&module, &campaign, &mission, &ui, &render, &engine});
  install_script_operations();
  g_script_state.reset();
  g_script_state.registers.fill(0);
  g_interpreter = interpreter_state{};
  g_conversation = conversation{};
  g_script_state.position_registers.fill(frame::identity());
}

fake_script_host::~fake_script_host() { set_script_host(previous_); }

std::vector<std::string> fake_script_host::take_messages() {
  std::vector<std::string> out = ui.texts();
  ui.messages.clear();
  return out;
}

statement_block make_block(std::initializer_list<op_spec> ops, const char* name) {
  statement_block block;
  for (const op_spec& spec : ops) {
    operation op;
    op.opcode_word = spec.word;
    op.param_count = static_cast<std::int32_t>(spec.params.size());
    for (std::size_t p = 0; p < spec.params.size() && p < max_operation_params; ++p) op.params[p] = spec.params[p];
    block.operations.push_back(op);
  }
  block.name = name;
  return block;
}

statement_block load_block_text(const std::string& text, const char* name) {
  text_reader reader;
  reader.open_memory("test.txt", text.data(), text.size());
  statement_block block;
  load_statement_block(block, reader);
  block.name = name;
  return block;
}

std::vector<int> jump_table(statement_block& block) {
  resolve_block_jumps(block);
  std::vector<int> out;
  for (const operation& op : block.operations) out.push_back(op.jump_index);
  return out;
}

namespace {

std::string call_arg(int v) { return std::to_string(v); }
std::string call_arg(bool v) { return v ? "1" : "0"; }
std::string call_arg(std::uint64_t v) { return std::to_string(v); }
std::string call_arg(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
  return text;
}
std::string call_arg(const ruv_string& v) { return std::string(v.view()); }

}  // namespace

template <class... Args>
void fake_campaign::record(const char* name, Args... args) const {
  std::string line = name;
  ((line += ' ', line += call_arg(args)), ...);
  calls.push_back(line);
}

std::int32_t fake_campaign::party_word(int p, int word) const {
  return find(p) == nullptr || word < 1 || word > 5 ? 0 : find(p)->words[word];
}
vec3 fake_campaign::party_target_point(int p) const {
  vec3 point;
  if (const party* record = find(p)) {
    point.x = record->target_x;
    point.y = record->target_y;
  }
  return point;
}

ruv_string fake_campaign::party_display_name(int p) const {
  return find(p) == nullptr ? ruv_string() : ruv_string(("Party " + std::to_string(p)).c_str());
}

int fake_campaign::add_troops_to_party(int p, int t, int n, bool pr) {
  record("add_troops_to_party", p, t, n, pr);
  return troops_changed;
}
void fake_campaign::add_troops_to_stacks(int p, int t, int n, bool pr) { record("add_troops_to_stacks", p, t, n, pr); }
int fake_campaign::remove_troops_from_party(int p, int t, int n, bool pr, bool w) {
  record("remove_troops_from_party", p, t, n, pr, w);
  return troops_changed;
}
bool fake_campaign::insert_first_stack(int p, int t, int n) {
  record("insert_first_stack", p, t, n);
  return stack_inserted;
}
void fake_campaign::clear_party_stacks(int p) { record("clear_party_stacks", p); }
void fake_campaign::add_wounded_to_troop(int p, int t, int d) { record("add_wounded_to_troop", p, t, d); }
void fake_campaign::join_party(int p, int h, bool pr) { record("join_party", p, h, pr); }
void fake_campaign::remove_party(int p) { record("remove_party", p); }
int fake_campaign::create_party_for_troop(int t, float x, float y) {
  record("create_party_for_troop", t, x, y);
  return spawned_party;
}
bool fake_campaign::engage_party(int a, int b) {
  record("engage_party", a, b);
  return true;
}
void fake_campaign::mark_faction_parties_changed(int f) { record("mark_faction_parties_changed", f); }
void fake_campaign::heal_party(int p) { record("heal_party", p); }
int fake_campaign::stack_seed(int p, int s) const {
  record("stack_seed", p, s);
  return seed;
}
void fake_campaign::add_xp_to_stack(int p, int s, int xp) { record("add_xp_to_stack", p, s, xp); }
void fake_campaign::give_party_xp_and_upgrade(int p, float xp, int path) {
  record("give_party_xp_and_upgrade", p, xp, path);
}
void fake_campaign::share_party_xp(int p, float xp) { record("share_party_xp", p, xp); }
void fake_campaign::inflict_casualties(int p, int n, int r) { record("inflict_casualties", p, n, r); }
void fake_campaign::distribute_party_members(int s, int p) { record("distribute_party_members", s, p); }
void fake_campaign::copy_party_members(int s, int p) { record("copy_party_members", s, p); }
void fake_campaign::add_template_members(int p, int t, bool pr) { record("add_template_members", p, t, pr); }
int fake_campaign::spawn_party_near(int t, float x, float y, float r) {
  record("spawn_party_near", t, x, y, r);
  return spawned_party;
}
bool fake_campaign::attach_party(int p, int h) {
  record("attach_party", p, h);
  return attached;
}
void fake_campaign::detach_party(int p) { record("detach_party", p); }
void fake_campaign::attach_party_by_kind(int p, int k) { record("attach_party_by_kind", p, k); }
void fake_campaign::leave_battle(int p) { record("leave_battle", p); }
int fake_campaign::battle_opponent(int p) const {
  record("battle_opponent", p);
  return opponent;
}
void fake_campaign::set_battle_value(int p, float v) { record("set_battle_value", p, v); }
void fake_campaign::set_party_flags(int p, std::uint64_t f, bool r) {
  record("set_party_flags", p, f, r);
  if (party* rec = find(p)) rec->flags = f;
}
void fake_campaign::set_party_second_icon(int p, int i) { record("set_party_second_icon", p, i); }
void fake_campaign::set_party_faction(int p, int f) { record("set_party_faction", p, f); }
void fake_campaign::set_party_name(int p, const ruv_string& n) { record("set_party_name", p, n); }
void fake_campaign::set_party_text(int p, const ruv_string& t) { record("set_party_text", p, t); }
int fake_campaign::party_terrain(int) const { return terrain; }
bool fake_campaign::set_party_position(int p, float x, float y) {
  record("set_party_position", p, x, y);
  return placed;
}
void fake_campaign::place_party_near(int p, float x, float y, float r) { record("place_party_near", p, x, y, r); }
vec3 fake_campaign::random_reachable_map_point(float x, float y, float r) const {
  record("random_reachable_map_point", x, y, r);
  return map_point;
}
bool fake_campaign::random_map_point_of_terrain(float x, float y, float r, bool water, vec3& out) const {
  record("random_map_point_of_terrain", x, y, r, water);
  out = map_point;
  return terrain_point_found;
}
void fake_campaign::set_party_ai_behaviour(int p, int b) { record("set_party_ai_behaviour", p, b); }
void fake_campaign::set_party_ai_target_party(int p, int t) { record("set_party_ai_target_party", p, t); }
void fake_campaign::set_party_ai_target_position(int p, float x, float y) {
  record("set_party_ai_target_position", p, x, y);
}
void fake_campaign::set_party_ai_value(int p, float v) { record("set_party_ai_value", p, v); }
void fake_campaign::set_party_ai_mode(int p, int m) { record("set_party_ai_mode", p, m); }
void fake_campaign::set_party_attack_delay(int p, float h) { record("set_party_attack_delay", p, h); }
float fake_campaign::party_share(int p, int which) const {
  const auto it = shares.find({p, which});
  return it == shares.end() ? 0.0f : it->second;
}
void fake_campaign::copy_second_share(int from, int to) { record("copy_second_share", from, to); }
void fake_campaign::set_party_share(int p, int which, float v) {
  record("set_party_share", p, which, v);
  shares[{p, which}] = v;
}
bool fake_campaign::add_party_particle_system(int p, int k) {
  record("add_party_particle_system", p, k);
  return particle_added;
}
void fake_campaign::clear_party_particle_systems(int p) { record("clear_party_particle_systems", p); }
void fake_campaign::set_party_strength_bounds(float lo, float hi) { record("set_party_strength_bounds", lo, hi); }
void fake_campaign::add_troop_experience(int t, int xp) { record("add_troop_experience", t, xp); }
void fake_campaign::set_item_kind_factor(int k, float f) { record("set_item_kind_factor", k, f); }
void fake_campaign::set_item_type_factor(int t, float f) { record("set_item_type_factor", t, f); }

int fake_mission::agent_state(int agent) const {
  const auto it = states.find(agent);
  return it == states.end() ? 0 : it->second;
}
int fake_mission::agent_team(int agent) const {
  const auto it = teams.find(agent);
  return it == teams.end() ? -1 : it->second;
}
int fake_mission::team_member_count(int team) const {
  const auto it = team_members.find(team);
  return it == team_members.end() ? 0 : it->second;
}
int fake_mission::team_relation(int a, int b) const {
  const auto it = relations.find({a, b});
  return it == relations.end() ? 0 : it->second;
}

int fake_mission::agent_horse_item(int agent) const {
  const auto it = horses.find(agent);
  return it == horses.end() ? -1 : it->second;
}
float fake_mission::strength_factor(int signed_word) const {
  const auto it = strength_factors.find(signed_word);
  return it == strength_factors.end() ? 1.0f : it->second;
}

bool run_one_operation(std::uint32_t opcode, std::vector<std::int64_t> params) {
  statement_block block = make_block({{opcode, std::move(params)}});
  return run_statement_block(block, 0);
}

std::int64_t query_one_operation(std::uint32_t opcode, std::vector<std::int64_t> params) {
  g_script_state.registers[0] = -777;
  params.insert(params.begin(), register_operand(0));
  run_one_operation(opcode, std::move(params));
  return g_script_state.registers[0];
}

}  // namespace hm::test
