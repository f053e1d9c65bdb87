#pragma once
// Translations: every text the player reads can be replaced by the current
// language's text for its key (a "ui_" key, or a record's id with "_pl",
// "_desc", "_text" or "_door" after it). The texts come from the files of
// "languages\<code>\" under the program's folder at start and under the
// module's folder when the module loads; later files add keys and replace the
// texts of keys already known.
//
// A translation file is lines of "key|text": only the first bar splits, a line
// without one is ignored, a double quote opening the key or closing it before
// the bar is dropped, and so is one opening the text after the bar or closing
// it at the line's end. A UTF-8 byte-order mark before the first line is
// skipped. Lines are read in pieces of at most 4999 bytes; the rest of a longer
// line is read as a line of its own.
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

inline constexpr int translation_bucket_count = 3571;

// The bucket of a key: h = (h x 59 + c) mod 3571 over its bytes, each read as a
// signed byte, the sum taken as unsigned 32 bits.
int translation_bucket(std::string_view key);

class translation_table {
 public:
  translation_table();

  // The text of a key, null when the key has none. Valid until the next load.
  const ruv_string* find_translation(std::string_view key) const;
  // The text of a key; for a missing key "STR NOT FOUND: " and the key, in a
  // string the next failed lookup overwrites.
  const ruv_string& get_string_by_id(std::string_view key);

  // Adds the key with its text, or replaces the text of a key already known.
  void set_translation(std::string_view key, std::string_view text);
  // Every "key|text" line of one file's contents.
  void read_translation_lines(std::string_view contents);
  // Forgets every key and the language (tests and a fresh start).
  void clear();
  int key_count() const { return key_count_; }

  ruv_string language;  // "en" when language.txt gives none
  ruv_string result;    // the last failed lookup's text

 private:
  std::vector<std::vector<ruv_string>> keys_;   // by bucket
  std::vector<std::vector<ruv_string>> texts_;  // by bucket, beside their keys
  int key_count_ = 0;
};

extern translation_table g_translation_table;

// Reads the language code from "language.txt" in the working folder (its first
// line; "en" when the file is missing or empty), then every file of
// "<prefix>languages\<code>\" in name order. A missing folder or a file that
// cannot be read changes nothing.
void load_translations(translation_table& table, std::string_view prefix);
inline void load_translations(std::string_view prefix) { load_translations(g_translation_table, prefix); }

// Record texts: the translation of the record's key, else the record's own text.
ruv_string translate_record_name(const ruv_string& id, const ruv_string& name);  // troops, item kinds
ruv_string translate_plural_name(const ruv_string& id, const ruv_string& plural_name);  // key id + "_pl"
ruv_string translate_skill_description(const ruv_string& id, const ruv_string& description);  // id + "_desc"
ruv_string get_translated_text_field(const ruv_string& id, const ruv_string& text);  // quests: id + "_text"
ruv_string translate_door_name(const ruv_string& id, const ruv_string& door_text);  // menu items: id + "_door"

// The translated name of weapon proficiency 0..6 ("ui_one_handed_weapons" ..
// "ui_firearms"); false, with `out` untouched, for any other number.
bool get_proficiency_name(int proficiency, ruv_string& out);

}  // namespace hm
