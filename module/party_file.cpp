#include "module/party_file.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "module/module_text.h"

namespace hm {
namespace {

void read_party(module_party& p, text_reader& reader, int troop_count) {
  reader.read_string(p.string_id);
  read_spaced_string(reader, p.name);
  reader.read_u64(p.flags);
  reader.read_int(p.word_1);
  reader.read_int(p.party_template);
  reader.read_int(p.faction);
  for (std::int32_t& w : p.words) reader.read_int(w);
  for (float& f : p.floats) reader.read_float(f);
  reader.read_float(p.x);
  reader.read_float(p.y);
  reader.read_float(p.z);
  const std::int32_t stacks = read_record_count(reader, "troop stacks", p.string_id.c_str());
  read_records(reader, p.stacks, stacks, [&](module_party_stack& s, text_reader& in) {
    in.read_int(s.troop);
    in.read_int(s.count);
    in.read_int(s.wounded);
    in.read_int(s.flags);
    if (s.troop < 0 || s.troop >= troop_count) {
      ruv_error("Bad troop %d in party %s of file %s", s.troop, p.string_id.c_str(), in.name.c_str());
    }
  });
  if (p.stacks.capacity() < 32) p.stacks.reserve(32);
  reader.read_float(p.last_float);
  p.strength = static_cast<float>((p.flags >> 48) & 0xFF) / 30.0f;
}

}  // namespace

void module_party_list::read_module_parties(text_reader& reader, int troop_count) {
  parties.clear();
  reader.read_int(next_id);
  const std::int32_t slots = read_record_count(reader, "party slots");
  for (std::int32_t i = 0; i < slots; ++i) {
    std::int32_t active = 0;
    reader.read_int(active);
    if (active == 0) continue;
    module_party p;
    reader.read_int(p.id);
    reader.read_int(p.form);
    read_party(p, reader, troop_count);
    parties.push_back(std::move(p));
  }
}

module_party* module_party_list::find(std::int32_t id) {
  for (module_party& p : parties) {
    if (p.id == id) return &p;
  }
  return nullptr;
}

void module_party_list::mark_player_party(std::int32_t party_id) {
  if (module_party* p = find(party_id)) p->mark = player_party_mark;
}

std::vector<party_summary> module_party_list::active_parties() const {
  std::vector<party_summary> out;
  out.reserve(parties.size());
  for (const module_party& p : parties) out.push_back({p.id, p.string_id, p.name, false});
  return out;
}

}  // namespace hm
