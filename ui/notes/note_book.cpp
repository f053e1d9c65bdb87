#include "ui/notes/note_book.h"

#include <algorithm>

#include "engine/core/text_format.h"
#include "module/text/translation_table.h"
#include "script/script_host.h"
#include "ui/text/rich_text.h"

namespace hm {
namespace {

const char* key_prefix(std::int32_t kind) {
  switch (kind) {
    case link_kind::troop: return "trp";
    case link_kind::faction: return "fac";
    case link_kind::party: return "p";
    case link_kind::quest: return "qst";
    default: return nullptr;
  }
}

script_record_kind record_kind(std::int32_t kind) {
  switch (kind) {
    case link_kind::troop: return script_record_kind::troop;
    case link_kind::faction: return script_record_kind::faction;
    default: return script_record_kind::quest;
  }
}

int table_count(std::int32_t kind) {
  const script_module_host& m = *current_script_host().module;
  switch (kind) {
    case link_kind::troop: return m.troop_count();
    case link_kind::faction: return m.faction_count();
    case link_kind::quest: return m.quest_count();
    default: return 0;
  }
}

std::string link_to(const note_book& book, std::int32_t kind, std::int32_t id) {
  return note_key(kind, id) + std::string(book.display_name(kind, id).view()) + "</>";
}

ruv_string tr(const char* key) { return g_translation_table.get_string_by_id(key); }

}  // namespace

// --- the running game ------------------------------------------------------------------------

std::vector<std::int32_t> game_note_book::ids(std::int32_t kind) const {
  std::vector<std::int32_t> out;
  if (kind == link_kind::party) {
    const script_campaign_host& c = *current_script_host().campaign;
    const int end = c.party_end_id();
    // The pool's walk is bounded by its id range: a broken chain cannot loop.
    for (int p = c.first_active_party(); p >= 0 && p < end && static_cast<int>(out.size()) < end;
         p = c.next_active_party(p))
      out.push_back(p);
    return out;
  }
  const int n = table_count(kind);
  for (int i = 0; i < n; ++i) out.push_back(i);
  return out;
}

bool game_note_book::valid(std::int32_t kind, std::int32_t id) const {
  if (id < 0) return false;
  if (kind == link_kind::party) return current_script_host().campaign->party_record_data(id) != nullptr;
  return id < table_count(kind);
}

const script_record_data* game_note_book::record(std::int32_t kind, std::int32_t id) const {
  if (!valid(kind, id)) return nullptr;
  if (kind == link_kind::party) return current_script_host().campaign->party_record_data(id);
  return current_script_host().module->record_data(record_kind(kind), id);
}

ruv_string game_note_book::display_name(std::int32_t kind, std::int32_t id) const {
  if (!valid(kind, id)) return {};
  switch (kind) {
    case link_kind::troop: return current_script_host().module->troop_name(id);
    case link_kind::faction: return current_script_host().module->faction_name(id);
    case link_kind::party: return current_script_host().campaign->party_display_name(id);
    case link_kind::quest: {
      const script_quest_texts q = current_script_host().module->quest_texts(id);
      return q.translated_name.empty() ? q.name : q.translated_name;
    }
    default: return {};
  }
}

std::int32_t game_note_book::current_day() const { return current_script_host().campaign->current_day(); }

// --- page texts ------------------------------------------------------------------------------

std::string note_key(std::int32_t kind, std::int32_t id) {
  const char* prefix = key_prefix(kind);
  if (!prefix) return {};
  return "<" + std::string(prefix) + "=" + std::to_string(id) + ">";
}

bool has_notes(const script_record_data* data) {
  if (!data) return false;
  return std::any_of(data->notes.begin(), data->notes.end(), [](const record_note& n) { return !n.text.empty(); });
}

std::vector<std::int32_t> note_keys(const note_book& book, std::int32_t kind) {
  struct keyed {
    std::string name;
    std::int32_t id;
  };
  std::vector<keyed> list;
  for (std::int32_t id : book.ids(kind))
    if (has_notes(book.record(kind, id))) list.push_back({std::string(book.display_name(kind, id).view()), id});
  // Byte by byte: names compare as unsigned bytes, whatever their language.
  std::stable_sort(list.begin(), list.end(), [](const keyed& a, const keyed& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char x, char y) {
                                          return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
                                        });
  });
  std::vector<std::int32_t> out;
  out.reserve(list.size());
  for (const keyed& k : list) out.push_back(k.id);
  return out;
}

std::string note_page_text(const note_book& book, std::int32_t kind, std::int32_t id) {
  const script_record_data* data = book.record(kind, id);
  std::string text;
  if (!data) return text;
  const std::int32_t today = book.current_day();
  for (const record_note& note : data->notes) {
    if (note.text.empty()) continue;
    if (!text.empty()) text += "\n\n";
    text.append(note.text.view());
    if (note.date < 0) continue;
    if (note.date < today)
      text += format_text(tr("ui_report_is_value_days_old").view(), {today - note.date});
    else
      text.append(tr("ui_report_is_current").view());
  }
  return text;
}

std::string note_keys_text(const note_book& book, std::int32_t kind, std::int32_t current,
                           const std::vector<std::int32_t>& keys) {
  std::string text;
  for (std::int32_t id : keys) {
    if (id == current)
      text.append(book.display_name(kind, id).view());
    else
      text += link_to(book, kind, id);
    text += '\n';
  }
  if (!text.empty()) text.pop_back();
  return text;
}

std::string note_back_links(const note_book& book, std::int32_t kind, std::int32_t id) {
  const std::string key = note_key(kind, id);
  std::string list;
  if (key.empty()) return list;
  for (std::int32_t k : {link_kind::troop, link_kind::faction, link_kind::party, link_kind::quest}) {
    for (std::int32_t other : book.ids(k)) {
      const script_record_data* data = book.record(k, other);
      if (!data) continue;
      const bool links_here = std::any_of(data->notes.begin(), data->notes.end(), [&](const record_note& n) {
        return n.text.view().find(key) != std::string_view::npos;
      });
      if (!links_here) continue;
      if (!list.empty()) list += ", ";
      list += link_to(book, k, other);
    }
  }
  return list;
}

}  // namespace hm
