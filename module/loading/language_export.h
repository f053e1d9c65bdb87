#pragma once
// The language templates for translators: the texts of the loaded module and
// game written as translation files ("key|text" lines) into the folder
// "new_language" of the working folder, one file per kind of record, in the
// form the translation loader reads back.
//
// In template mode a text the current language does not translate is written
// in its own form followed by "{***}", so that a translator finds what is
// missing; otherwise the translation, or the record's own text, is written
// unmarked. Names that a script fixed (parties and factions renamed in play)
// are never translated and never marked.
#include <string>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

class game;

// The folder the templates go to, and the mark of an untranslated text.
inline constexpr const char* language_export_folder = "new_language";
inline constexpr const char* untranslated_mark = "{***}";

// One "key|text" line with its line feed. A key or text that begins or ends
// with a double quote is wrapped in a pair of them, since the loader drops one
// quote at each of those places: every line reads back as written.
std::string csv_line(std::string_view key, std::string_view text);

// The translation key of a game-menu item's text: the menu id, "_" and the
// item id (its door text adds "_door").
ruv_string menu_item_key(const ruv_string& menu_id, const ruv_string& item_id);

// Writes the thirteen files: troops.csv (all but the player's troop; name and
// "_pl" plural; only when there are troops), parties.csv (active parties but
// the player's; only when there are some), factions.csv, item_kinds.csv,
// item_modifiers.csv, party_templates.csv, game_strings.csv,
// quick_strings.csv, quests.csv (name and "_text"), dialogs.csv (only when
// there are dialog lines), skins.csv (face keys), skills.csv (name and
// "_desc") and game_menus.csv (menu texts, item texts and "_door" texts).
// `running` is the running game (null outside a game: its tables count as
// empty). Each file is written to a temporary and renamed over the old one, so
// no half file is left; a file that cannot be written is left out. Returns the
// number of files written.
int export_language_templates(bool template_mode, const game* running);

}  // namespace hm
