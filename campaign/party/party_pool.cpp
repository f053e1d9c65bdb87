#include "campaign/party/party_pool.h"

#include "campaign/party/record_stream.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

party_pool::party_pool() : id_map_(party_id_map_size) {}

int party_pool::find_bucket(std::int32_t id) const {
  if (id < 0) return -1;
  int bucket = id % party_id_map_size;
  for (int probe = 0; probe < party_id_map_probes; ++probe) {
    if (id_map_[bucket].id == id) return bucket;
    bucket = (bucket + party_id_map_step) % party_id_map_size;
  }
  return -1;
}

int party_pool::find_slot_by_id(std::int32_t id) const {
  const int bucket = find_bucket(id);
  return bucket < 0 ? -1 : id_map_[bucket].slot;
}

bool party_pool::insert_id(std::int32_t id, int slot) {
  int bucket = id % party_id_map_size;
  for (int probe = 0; probe < party_id_map_probes; ++probe) {
    if (id_map_[bucket].id == -1) {
      id_map_[bucket] = {id, slot};
      return true;
    }
    bucket = (bucket + party_id_map_step) % party_id_map_size;
  }
  return false;
}

party* party_pool::party_at_slot(int slot) {
  if (slot < 0 || slot >= slot_count_) return nullptr;
  return &(*chunks_[slot / 16])[slot % 16];
}

const party* party_pool::party_at_slot(int slot) const {
  if (slot < 0 || slot >= slot_count_) return nullptr;
  return &(*chunks_[slot / 16])[slot % 16];
}

party* party_pool::get_party_by_id(std::int32_t id) { return party_at_slot(find_slot_by_id(id)); }
const party* party_pool::get_party_by_id(std::int32_t id) const { return party_at_slot(find_slot_by_id(id)); }

party* party_pool::find_active(std::int32_t id) {
  if (id < 0 || id >= next_id_) return nullptr;
  party* p = get_party_by_id(id);
  return p != nullptr && p->state == party_state_active ? p : nullptr;
}

const party* party_pool::find_active(std::int32_t id) const {
  if (id < 0 || id >= next_id_) return nullptr;
  const party* p = get_party_by_id(id);
  return p != nullptr && p->state == party_state_active ? p : nullptr;
}

void party_pool::allocate_block() {
  chunks_.push_back(std::make_unique<std::array<party, 16>>());
  for (int i = 0; i < 16; ++i) free_slots_.push_back(slot_count_ + i);
  slot_count_ += 16;
}

std::int32_t party_pool::take_free_party() {
  if (free_slots_.empty()) allocate_block();
  const int slot = free_slots_.back();
  if (!insert_id(next_id_, slot)) return -1;
  free_slots_.pop_back();
  party& p = *party_at_slot(slot);
  p.state = party_state_active;
  p.id = next_id_;
  return next_id_++;
}

std::int32_t party_pool::first_active_party() const {
  for (int slot = 0; slot < slot_count_; ++slot) {
    const party& p = *party_at_slot(slot);
    if (p.state == party_state_active) return p.id;
  }
  return next_id_;
}

std::int32_t party_pool::next_active_party(std::int32_t id) const {
  const int from = find_slot_by_id(id);
  if (from < 0) return next_id_;
  for (int slot = from + 1; slot < slot_count_; ++slot) {
    const party& p = *party_at_slot(slot);
    if (p.state == party_state_active) return p.id;
  }
  return next_id_;
}

void party_pool::purge_removed() {
  for (int slot = 0; slot < slot_count_; ++slot) {
    party& p = *party_at_slot(slot);
    if (p.state != party_state_removed) continue;
    const int bucket = find_bucket(p.id);
    if (bucket < 0 || id_map_[bucket].slot != slot) continue;
    id_map_[bucket] = id_slot{};
    p.state = party_state_free;
    free_slots_.push_back(slot);
  }
}

void party_pool::clear() {
  chunks_.clear();
  free_slots_.clear();
  slot_count_ = 0;
  next_id_ = 0;
  for (id_slot& entry : id_map_) entry = id_slot{};
}

namespace {

void read_spaced(stream& reader, ruv_string& text) {
  reader.read_string(text);
  for (int i = 0; i < text.length(); ++i) {
    if (text.data()[i] == '_') text.data()[i] = ' ';
  }
}

}  // namespace

void party_pool::read_party(stream& reader, party& p, int troop_count, bool full) {
  reader.read_string(p.identifier);
  read_spaced(reader, p.name);
  std::uint64_t flags = 0;
  reader.read_u64(flags);
  p.flags = static_cast<std::uint32_t>(flags);
  p.flags2 = static_cast<std::uint32_t>(flags >> 32);
  reader.read_int(p.template_word);
  reader.read_int(p.template_index);
  reader.read_int(p.faction);
  std::int32_t personality = 0;
  reader.read_int(personality);
  p.personality = static_cast<std::uint32_t>(personality);
  reader.read_int(p.scripted_behaviour);
  reader.read_int(p.current_behaviour);
  reader.read_int(p.scripted_target);
  reader.read_int(p.current_target);
  reader.read_float(p.scripted_position[0]);
  reader.read_float(p.scripted_position[1]);
  reader.read_float(p.current_position_target[0]);
  reader.read_float(p.current_position_target[1]);
  reader.read_float(p.position.x);
  reader.read_float(p.position.y);
  reader.read_float(p.position.z);
  std::int32_t count = 0;
  reader.read_int(count);
  if (count < 0 || count > party_max_stacks) {
    ruv_error("Load error: Invalid number of troop stacks in party %s: %d", p.identifier.c_str(), count);
  }
  if (full) checked_count(reader, count, 16, "troop stacks");
  p.set_stack_count(count);
  for (int i = 0; i < count; ++i) {
    troop_stack& s = p.stacks[i];
    s = troop_stack{};
    reader.read_int(s.troop);
    reader.read_int(s.count);
    reader.read_int(s.wounded);
    reader.read_u32(s.flags);
    if (s.troop < 0 || s.troop >= troop_count) {
      ruv_error("Load error: Invalid troop %d in party %s", s.troop, p.identifier.c_str());
    }
    if (s.count < 0) ruv_error("Load error: Invalid troop count %d in party %s", s.count, p.identifier.c_str());
    if (s.wounded < 0) s.wounded = 0;
    if (s.wounded > s.count) s.wounded = s.count;
  }
  reader.read_float(p.heading);
  if (!full) {
    p.bait_value = static_cast<float>((p.flags2 >> 16) & 0xFF) * 0.033333335f;
    return;
  }
  bool custom = false;
  reader.read_bool(custom);
  p.custom_name = custom ? 1 : 0;
  reader.read_string(p.text);
  reader.read_float(p.base_speed);
  reader.read_float(p.speed_multiplier);
  reader.read_float(p.morale);
  reader.read_float(p.home_pull);
  reader.read_float(p.ai_score_factor);
  reader.read_int(p.label_colour_mode);
  reader.read_float(p.bait_value);
  reader.read_i64(p.attack_delay_timer.start_ticks);
  reader.read_int(p.second_icon);
  reader.read_int(p.attached_to);
  bool joined = false;
  reader.read_bool(joined);
  p.joined = joined ? 1 : 0;
  read_int_list(reader, p.attached_parties, "attached parties");
  // The second id list names particle systems of the map entity the party
  // had then; the map makes them anew, so the ids are read and dropped.
  std::vector<std::int32_t> dropped;
  read_int_list(reader, dropped, "party ids");
  read_note_block(reader, p.script_data);
  read_slot_vector(reader, p.script_data.slots);
}

void party_pool::write_party(stream& writer, const party& p) {
  writer.write_string(p.identifier);
  writer.write_string(p.name);
  writer.write_u64(static_cast<std::uint64_t>(p.flags) | (static_cast<std::uint64_t>(p.flags2) << 32));
  writer.write_int(p.template_word);
  writer.write_int(p.template_index);
  writer.write_int(p.faction);
  writer.write_int(static_cast<std::int32_t>(p.personality));
  writer.write_int(p.scripted_behaviour);
  writer.write_int(p.current_behaviour);
  writer.write_int(p.scripted_target);
  writer.write_int(p.current_target);
  writer.write_float(p.scripted_position[0]);
  writer.write_float(p.scripted_position[1]);
  writer.write_float(p.current_position_target[0]);
  writer.write_float(p.current_position_target[1]);
  writer.write_float(p.position.x);
  writer.write_float(p.position.y);
  writer.write_float(p.position.z);
  writer.write_int(p.stack_count);
  for (int i = 0; i < p.stack_count; ++i) {
    const troop_stack& s = p.stacks[static_cast<std::size_t>(i)];
    writer.write_int(s.troop);
    writer.write_int(s.count);
    writer.write_int(s.wounded);
    writer.write_u32(s.flags);
  }
  writer.write_float(p.heading);
  writer.write_bool(p.custom_name != 0);
  writer.write_string(p.text);
  writer.write_float(p.base_speed);
  writer.write_float(p.speed_multiplier);
  writer.write_float(p.morale);
  writer.write_float(p.home_pull);
  writer.write_float(p.ai_score_factor);
  writer.write_int(p.label_colour_mode);
  writer.write_float(p.bait_value);
  writer.write_i64(p.attack_delay_timer.start_ticks);
  writer.write_int(p.second_icon);
  writer.write_int(p.attached_to);
  writer.write_bool(p.joined != 0);
  write_int_list(writer, p.attached_parties);
  write_int_list(writer, {});
  write_note_block(writer, p.script_data);
  write_slot_vector(writer, p.script_data.slots);
}

void party_pool::write(stream& writer) {
  purge_removed();
  writer.write_int(slot_count_);
  writer.write_int(next_id_);
  for (int slot = 0; slot < slot_count_; ++slot) {
    const party& p = *party_at_slot(slot);
    if (p.state != party_state_active) {
      writer.write_int(0);
      continue;
    }
    writer.write_int(1);
    writer.write_int(slot);
    writer.write_int(p.id);
    write_party(writer, p);
  }
}

void party_pool::read(stream& reader, int troop_count, bool full) {
  clear();
  std::int32_t slots = 0;
  std::int32_t next = 0;
  reader.read_int(slots);
  reader.read_int(next);
  if (slots < 0 || next < 0) ruv_error("Load error: Invalid party pool: %d slots, next id %d", slots, next);
  // Every slot of a saved game takes at least its active word.
  if (full) checked_count(reader, slots, 4, "party slots");
  for (int i = 0; i < slots; ++i) {
    // Chunks come as the slots are read, so a broken count runs into the end
    // of the file rather than into one huge allocation.
    if (i >= slot_count_) allocate_block();
    party& p = *party_at_slot(i);
    std::int32_t active = 0;
    reader.read_int(active);
    if (active == 0) {
      p.state = party_state_free;
      continue;
    }
    std::int32_t stored_slot = 0;
    std::int32_t id = 0;
    reader.read_int(stored_slot);
    reader.read_int(id);
    if (stored_slot != i) ruv_error("Load error: Party slot %d stored as slot %d", i, stored_slot);
    if (id < 0 || id >= next) ruv_error("Load error: Invalid party id %d (next id %d)", id, next);
    if (find_bucket(id) >= 0) ruv_error("Load error: Party id %d appears twice", id);
    if (!insert_id(id, i)) ruv_error("Load error: No room for party id %d", id);
    p.reset();
    p.state = party_state_active;
    p.id = id;
    read_party(reader, p, troop_count, full);
  }
  free_slots_.clear();
  for (int slot = 0; slot < slot_count_; ++slot) {
    if (party_at_slot(slot)->state != party_state_active) free_slots_.push_back(slot);
  }
  next_id_ = next;
}

}  // namespace hm
