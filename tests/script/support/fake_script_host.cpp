#include "script/support/fake_script_host.h"

#include <algorithm>

#include "engine/core/stream.h"
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
  if (!break_armed) return false;
  script_name = ruv_string(std::string_view(break_script));
  line = break_line;
  return true;
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
  return find(id) ? static_cast<int>(find(id)->stack_troops.size()) : 0;
}
int fake_campaign::party_stack_troop(int id, int stack) const {
  const party* p = find(id);
  if (!p || stack < 0 || stack >= static_cast<int>(p->stack_troops.size())) return -1;
  return p->stack_troops[static_cast<std::size_t>(stack)];
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

bool fake_mission::agent_slot_in_use(int agent) const {
  return agent >= 0 && agent < agent_slot_count() && agents[static_cast<std::size_t>(agent)];
}

int fake_mission::next_live_from(int index) const {
  for (int a = std::max(index, 0); a < agent_slot_count(); ++a) {
    if (agents[static_cast<std::size_t>(a)]) return a;
  }
  return agent_slot_count();
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

}  // namespace hm::test
