#pragma once
// The on-screen message log: the column of short text lines shown over the
// scene (script messages, warnings, game events). Each added line is laid out
// once into a text mesh and a background copy of it in one of 32 slots, used
// as a ring that runs backwards; the texts of recent lines are kept in a
// history. Lines show for a while, fade out and are then no longer drawn.
//
// The storage belongs to the user-interface manager, which keeps one of these,
// sets its font, ages it every frame and draws the lines message_log_lines
// gives it.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/resource/mesh.h"
#include "engine/core/ruv_string.h"

namespace hm {

class font_details;
class resource_manager;

inline constexpr int message_log_slots = 32;
// The colour of add_message_line_default.
inline constexpr std::uint32_t message_default_colour = 0xFFFFFEFBu;
// A line longer than this (without its tags) is split at a space.
inline constexpr int message_split_length = 80;
// The history keeps at most this many lines before a line is added.
inline constexpr int message_history_limit = 100;
// Seconds a line shows at full strength, and then fades over.
inline constexpr float message_show_seconds = 8.0f;
inline constexpr float message_fade_seconds = 2.0f;
// The age of a slot that never held a line: long faded.
inline constexpr float message_unused_age = 1.0e6f;

struct message_log {
  message_log();

  // When clear, added lines are dropped (and not kept in the history).
  std::uint8_t log_visible = 1;
  // The summed height of the lines built so far.
  float log_total_height = 0.0f;
  // The slot of the newest line.
  std::int32_t log_slot = 0;
  std::array<mesh, message_log_slots> log_text_meshes;        // material "ui_font"
  std::array<mesh, message_log_slots> log_background_meshes;  // material "ui_font_background"
  std::array<float, message_log_slots> log_line_age{};
  std::array<float, message_log_slots> log_line_height{};
  std::array<std::uint32_t, message_log_slots> log_line_color{};
  // The texts of recent lines as given (tags kept), oldest first.
  std::vector<ruv_string> log_history;

  // The UI font lines are laid out with (null: slots stay empty), and the
  // resource manager the two materials come from.
  const font_details* font = nullptr;
  resource_manager* resources = nullptr;  // null: the global resource manager
};

// Adds a line: tags ("<...>") are removed for the screen, a line of more than
// 80 characters is split at its last space before position 80, the history is
// trimmed to 100 lines before the new text is appended.
void add_message_line(message_log& log, const ruv_string& text, std::uint32_t colour);
void add_message_line_default(message_log& log, const ruv_string& text);

// Empties every slot and lets go of the materials (the meshes hold them, so a
// log that outlives the resource manager must be cleared first). The history
// and the settings stay.
void clear_message_log(message_log& log);

// Advances every slot's age.
void age_message_log(message_log& log, float seconds);
// Once per frame: ages the log by the last increment of the real-time clock.
void message_log_frame(message_log& log);

// A line's strength: 1 while it shows, falling to 0 over the fade, 0 after.
float message_line_fade(float age);

// One line to draw: its slot, how far its meshes are moved up (the newest line
// stays where it was built, each older line sits on top of the newer ones) and
// its colour with the alpha scaled by the fade.
struct message_log_line {
  std::int32_t slot = 0;
  float offset_y = 0.0f;
  std::uint32_t colour = 0;
};
// The lines still showing, newest first, stacked until max_height is used up.
std::vector<message_log_line> message_log_lines(const message_log& log, float max_height);

}  // namespace hm
