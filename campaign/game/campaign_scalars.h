#pragma once
// The running campaign's words that nothing else holds yet but that a saved
// game carries: the calendar counters, the weather amounts, the timed rest,
// the campaign's free words and text, the map's tracks and the closing words.
// A new game starts them at these values; a loaded game takes them from its
// file, and saving writes them back as they stand.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

// The saved part of a track on the world map: its place and two values of
// its look, and a word; the rest of a track is rebuilt from these.
struct saved_track {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float value_1 = 0.0f;
  float value_2 = 0.0f;
  std::int32_t word = 0;
  friend bool operator==(const saved_track&, const saved_track&) = default;
};

struct campaign_scalars {
  // The slot the game was loaded from or last saved to, and its save name
  // (the player name stands in while it is empty). Not part of the state.
  std::int32_t current_slot = 0;
  ruv_string save_name;
  // Set by the world map while saving is not allowed (the in-game menu's
  // save entries are disabled). Not part of the state.
  std::uint8_t quick_save_blocked = 0;
  // The word kept beside the save slot.
  std::int32_t game_word = 0;
  // 0: the game saves only when it is left and by the autosave; otherwise the
  // player saves at will, into another slot, and may quit without saving.
  std::int32_t save_mode = 0;
  // Hour, day, week, month and year counters and the day of the last report.
  std::array<std::int32_t, 5> calendar{};
  std::int32_t last_report_day = 0;
  float cloud_amount = 0.0f;
  float haze_amount = 0.0f;
  // The timed rest: the message shown when it ends, whether one runs, the
  // start tick of its end timer (campaign clock), its speed and the word
  // after the rest time.
  ruv_string rest_end_message;
  std::uint8_t timed_rest = 0;
  std::int64_t rest_end_timer_start = 0;
  std::int32_t rest_speed = 0;
  std::int32_t rest_word = 0;
  // The campaign's free text (blanks allowed).
  ruv_string campaign_text;
  std::vector<saved_track> tracks;
  // The four closing words, in their own order.
  std::array<std::int32_t, 4> closing_words{};
};

}  // namespace hm
