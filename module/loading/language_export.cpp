#include "module/loading/language_export.h"

#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/user_files.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/loading/new_game.h"
#include "module/records/party_template.h"
#include "module/media/skin.h"
#include "module/text/string_table.h"
#include "module/text/translation_table.h"
#include "module/records/world_records.h"
#include "platform/fs.h"
#include "script/dialog/conversation.h"

namespace hm {
namespace {

bool needs_quotes(std::string_view s) { return !s.empty() && (s.front() == '"' || s.back() == '"'); }

void append_field(std::string& out, std::string_view s) {
  if (needs_quotes(s)) {
    out.push_back('"');
    out.append(s);
    out.push_back('"');
  } else {
    out.append(s);
  }
}

// The lines of one file, with the text rule of the export's mode.
class template_file {
 public:
  explicit template_file(bool template_mode) : template_mode_(template_mode) {}

  // The translation of key, else the fallback (marked in template mode).
  void add(std::string_view key, const ruv_string& fallback) {
    if (const ruv_string* text = g_translation_table.find_translation(key)) {
      contents_ += csv_line(key, text->view());
    } else if (template_mode_) {
      contents_ += csv_line(key, std::string(fallback.view()) + untranslated_mark);
    } else {
      contents_ += csv_line(key, fallback.view());
    }
  }
  void add(const ruv_string& key, const ruv_string& fallback) { add(key.view(), fallback); }
  // A text that is never translated: written as it is.
  void add_fixed(const ruv_string& key, const ruv_string& text) { contents_ += csv_line(key.view(), text.view()); }
  // A record's name: as it is when it was given in the game, else as add does.
  void add_name(const ruv_string& key, const ruv_string& name, bool given) {
    if (given) {
      add_fixed(key, name);
    } else {
      add(key, name);
    }
  }

  const std::string& contents() const { return contents_; }

 private:
  bool template_mode_;
  std::string contents_;
};

std::string with_suffix(const ruv_string& id, const char* suffix) { return std::string(id.view()) + suffix; }

}  // namespace

std::string csv_line(std::string_view key, std::string_view text) {
  std::string line;
  line.reserve(key.size() + text.size() + 6);
  append_field(line, key);
  line.push_back('|');
  append_field(line, text);
  line.push_back('\n');
  return line;
}

ruv_string menu_item_key(const ruv_string& menu_id, const ruv_string& item_id) {
  std::string key(menu_id.view());
  key.push_back('_');
  key.append(item_id.view());
  return ruv_string(key);
}

int export_language_templates(bool template_mode, const game* running) {
  platform::create_folders(platform::resolve_path(language_export_folder));
  platform::invalidate_path_cache();
  int written = 0;
  auto write = [&](const char* name, const template_file& file) {
    const std::string path = std::string(language_export_folder) + "\\" + name;
    if (replace_text_file(path, file.contents())) {
      ++written;
    } else {
      log_line("Unable to write " + path + "\n");
    }
  };

  const std::vector<troop> no_troops;
  const std::vector<faction> no_factions;
  const std::vector<quest> no_quests;
  const std::vector<troop>& troops = running ? running->troops : no_troops;
  const std::vector<faction>& factions = running ? running->factions : no_factions;
  const std::vector<quest>& quests = running ? running->quests : no_quests;

  if (!troops.empty()) {
    template_file f(template_mode);
    for (int i = 0; i < static_cast<int>(troops.size()); ++i) {
      if (running && i == running->player_troop) continue;
      const troop& t = troops[static_cast<std::size_t>(i)];
      f.add(t.id, t.name);
      f.add(with_suffix(t.id, "_pl"), t.plural_name);
    }
    write("troops.csv", f);
  }
  {
    const std::vector<party_summary> parties =
        running && running->parties ? running->parties->active_parties() : std::vector<party_summary>{};
    if (!parties.empty()) {
      template_file f(template_mode);
      for (const party_summary& p : parties) {
        if (p.id == running->player_party) continue;
        f.add_name(p.string_id, p.name, p.name_override);
      }
      write("parties.csv", f);
    }
  }
  {
    template_file f(template_mode);
    for (const faction& fa : factions) {
      f.add_name(fa.id, fa.name, fa.name_override);
    }
    write("factions.csv", f);
  }
  {
    template_file f(template_mode);
    for (const item_kind& k : g_item_kinds) {
      f.add(k.id, k.name);
      f.add(with_suffix(k.id, "_pl"), k.plural_name);
    }
    write("item_kinds.csv", f);
  }
  {
    template_file f(template_mode);
    for (const item_modifier& m : g_item_modifiers) f.add(m.id, m.name);
    write("item_modifiers.csv", f);
  }
  {
    template_file f(template_mode);
    for (const party_template& t : g_party_templates) f.add(t.id, t.name);
    write("party_templates.csv", f);
  }
  {
    template_file f(template_mode);
    for (const module_string& s : g_string_table.module_strings) f.add(s.id, s.text);
    write("game_strings.csv", f);
  }
  {
    template_file f(template_mode);
    for (const module_string& s : g_string_table.quick_strings) f.add(s.id, s.text);
    write("quick_strings.csv", f);
  }
  {
    template_file f(template_mode);
    for (const quest& q : quests) {
      f.add(q.id, q.name);
      f.add(with_suffix(q.id, "_text"), q.text);
    }
    write("quests.csv", f);
  }
  if (g_conversation.line_count() > 0) {
    template_file f(template_mode);
    for (const dialog_line& line : g_conversation.lines) f.add(line.id, line.text);
    write("dialogs.csv", f);
  }
  {
    template_file f(template_mode);
    for (const skin& s : g_skins.skins)
      for (const morph_key& key : s.face_keys) f.add(key.id, key.name);
    write("skins.csv", f);
  }
  {
    template_file f(template_mode);
    for (const skill& s : g_skills) {
      f.add(s.id, s.name);
      f.add(with_suffix(s.id, "_desc"), s.description);
    }
    write("skills.csv", f);
  }
  {
    template_file f(template_mode);
    for (const game_menu& menu : g_game_menus) {
      f.add(menu.id, menu.text);
      for (const game_menu_item& item : menu.items) {
        const ruv_string key = menu_item_key(menu.id, item.id);
        f.add(key, item.text);
        f.add(with_suffix(key, "_door"), item.door_text);
      }
    }
    write("game_menus.csv", f);
  }
  return written;
}

}  // namespace hm
