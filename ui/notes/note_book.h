#pragma once
// What the note window reads of the running game: the troops, factions,
// active parties and quests that carry notes, their shown names and the
// current day; and the texts of a note page built from them. Link ids come
// from texts that module code writes, so every id is checked against its
// table (and a party id against the active parties) before it is used.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/record_data.h"

namespace hm {

class note_book {
 public:
  virtual ~note_book() = default;
  // Every id of the kind, in its table's order (parties: the active ones in
  // the pool's order); none for another kind.
  virtual std::vector<std::int32_t> ids(std::int32_t kind) const = 0;
  // Whether the id names a record of the kind (an active party).
  virtual bool valid(std::int32_t kind, std::int32_t id) const = 0;
  // Null for an invalid id.
  virtual const script_record_data* record(std::int32_t kind, std::int32_t id) const = 0;
  virtual ruv_string display_name(std::int32_t kind, std::int32_t id) const = 0;
  virtual std::int32_t current_day() const = 0;
};

// The running game's notes through the script engine's hosts.
class game_note_book final : public note_book {
 public:
  std::vector<std::int32_t> ids(std::int32_t kind) const override;
  bool valid(std::int32_t kind, std::int32_t id) const override;
  const script_record_data* record(std::int32_t kind, std::int32_t id) const override;
  ruv_string display_name(std::int32_t kind, std::int32_t id) const override;
  std::int32_t current_day() const override;
};

// The page's own key: "<trp=%d>", "<fac=%d>", "<p=%d>" or "<qst=%d>".
std::string note_key(std::int32_t kind, std::int32_t id);
// Whether the record has a note that is not empty.
bool has_notes(const script_record_data* data);
// The ids of the kind with notes, by shown name (byte by byte, ascending).
std::vector<std::int32_t> note_keys(const note_book& book, std::int32_t kind);
// The notes of a page in slot order, a blank line between them, each dated
// one followed by how old it is; empty when the record has none.
std::string note_page_text(const note_book& book, std::int32_t kind, std::int32_t id);
// One line per key: the current page by name alone, the others as links.
std::string note_keys_text(const note_book& book, std::int32_t kind, std::int32_t current,
                           const std::vector<std::int32_t>& keys);
// The records whose notes link to the page, each once, as links joined by
// ", "; empty when none does.
std::string note_back_links(const note_book& book, std::int32_t kind, std::int32_t id);

}  // namespace hm
