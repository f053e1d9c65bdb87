#pragma once
// The game's parties, sixteen to a chunk, found by id through an id-to-slot
// map. Ids are handed out in increasing order and never reused within a game;
// a removed party keeps its slot (state 2) and its id until the save purges it.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "campaign/party/party.h"

namespace hm {

class stream;

inline constexpr int party_id_map_size = 10007;
inline constexpr int party_id_map_step = 79;
// Both lookup and insertion give up after this many buckets, so every id that
// went in can be found again.
inline constexpr int party_id_map_probes = 1000;

class party_pool {
 public:
  party_pool();

  // The slot of a party id, -1 when the map does not hold it. The search
  // starts at bucket id mod 10,007 and steps by 79, comparing the stored id.
  int find_slot_by_id(std::int32_t id) const;
  // The party of an id in any state; null when the id is unknown.
  party* get_party_by_id(std::int32_t id);
  const party* get_party_by_id(std::int32_t id) const;
  // The party of an id when it is active (below next id, mapped, state 1).
  party* find_active(std::int32_t id);
  const party* find_active(std::int32_t id) const;
  bool is_party_active(std::int32_t id) const { return find_active(id) != nullptr; }

  // A party slot taken into use (state 1) with the next id, which is returned;
  // -1 when the id map has no room for it (nothing changes then). The record
  // is not reset: its creator resets and fills it.
  std::int32_t take_free_party();
  // Adds a chunk of sixteen constructed parties to the free list.
  void allocate_block();

  // Active parties in slot order; next_id() when none is left.
  std::int32_t first_active_party() const;
  std::int32_t next_active_party(std::int32_t id) const;

  // Takes every state-2 party out of the id map and frees its slot.
  void purge_removed();
  // Frees every chunk, both lists and the id map; ids start again at 0.
  void clear();

  // Reads the pool: the slot count and the next id, then per slot an active
  // word and, for an active slot, its index, the party id and the record. The
  // short form (the module's parties.txt) takes the record's first sixteen
  // items; the full form (saved games) the whole record. The pool is emptied
  // first. Troop indexes must lie below troop_count, every count within the
  // bytes that remain. A broken file is fatal ("Load error: ...").
  void read(stream& reader, int troop_count, bool full = false);
  // Writes the pool in the full form; the removed parties (state 2) are
  // purged first, so their ids no longer resolve.
  void write(stream& writer);

  party* party_at_slot(int slot);
  const party* party_at_slot(int slot) const;
  int slot_count() const { return slot_count_; }
  std::int32_t next_id() const { return next_id_; }
  const std::vector<int>& free_slots() const { return free_slots_; }
  // The bucket that holds an id, -1 when none (for tests of the probing).
  int find_bucket(std::int32_t id) const;

 private:
  struct id_slot {
    std::int32_t id = -1;
    std::int32_t slot = -1;
  };
  bool insert_id(std::int32_t id, int slot);
  void read_party(stream& reader, party& p, int troop_count, bool full);
  static void write_party(stream& writer, const party& p);

  std::vector<id_slot> id_map_;
  int slot_count_ = 0;
  std::vector<int> free_slots_;
  std::vector<std::unique_ptr<std::array<party, 16>>> chunks_;
  std::int32_t next_id_ = 0;
};

}  // namespace hm
