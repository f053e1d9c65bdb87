#pragma once
// The sound player: the module's samples and sounds, the engine's fixed sound
// slots, and playing a sound with a random variant, a volume from two steps and
// the sound-volume option, a 2D or 3D position, a priority that falls with
// distance, and an optional pitch factor. Everything goes through the audio
// output of platform/audio.h.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

// One loaded sample file.
struct sound_sample {
  std::int32_t handle = 0;     // the audio output's sample handle, 0 when not loaded
  std::uint32_t flags = 0;     // bit 0 flat only; bits 4..7 the volume step (0 means 5)
  float duration = 0.0f;       // seconds: length / default frequency
  std::int32_t default_frequency = 0;  // Hz
  std::int32_t length = 0;             // sample frames
};

inline constexpr int max_sound_variants = 32;

// One sound: up to 32 samples, one picked at random each play.
struct sound_record {
  ruv_string name;
  std::uint32_t flags = 0;  // bit 1 looping; bit 2 random start; bits 8..11 the volume step (0 means 10)
  std::int32_t sample_indices[max_sound_variants] = {};
  std::int32_t variant_count = 0;
};

namespace sound_flag {
inline constexpr std::uint32_t flat = 0x1;          // play flags: no position
inline constexpr std::uint32_t looping = 0x2;       // sound record flags
inline constexpr std::uint32_t random_start = 0x4;  // sound record flags
}  // namespace sound_flag

// The engine-known sounds, in slot order; the module loader maps each name to
// the module's sound of that name in slot_sound_ids.
inline constexpr int sound_slot_count = 125;
extern const char* const sound_slot_names[sound_slot_count];

namespace sound_slot {
inline constexpr int gong = 1;
inline constexpr int quest_taken = 2;
inline constexpr int quest_completed = 3;
inline constexpr int quest_succeeded = 4;
inline constexpr int quest_concluded = 5;
inline constexpr int quest_failed = 6;
inline constexpr int quest_cancelled = 7;
inline constexpr int money_paid = 9;
inline constexpr int money_received = 10;
inline constexpr int sword_swing = 14;
inline constexpr int footstep_grass = 15;
inline constexpr int footstep_wood = 16;
inline constexpr int footstep_water = 17;
inline constexpr int neigh = 97;
inline constexpr int horse_walk = 103;
inline constexpr int horse_trot = 104;
inline constexpr int horse_canter = 105;
inline constexpr int horse_gallop = 106;
}  // namespace sound_slot

class sound_manager {
 public:
  sound_manager();

  // Plays a sound: a random variant, paused while it is set up, then started.
  // flags bit 0 plays it flat (the position is then not read); otherwise it is
  // placed at `position` (world coordinates). A factor other than exactly 1.0
  // scales the frequency unless frequency variation is disabled. `out_duration`
  // (may be null) receives the variant's duration in seconds. Returns the
  // channel, or a negative value when nothing was played: sound disabled, an id
  // outside the table, a sound without variants or with a sample index outside
  // the sample table, or no channel to be had.
  int play_sound(int sound_id, std::uint32_t flags, const vec3& position, float frequency_factor = 1.0f,
                 float* out_duration = nullptr);
  // play_sound with the sound mapped to an engine slot; -1 for a slot outside 0..124.
  int play_sound_in_slot(int slot, std::uint32_t flags, const vec3& position, float frequency_factor = 1.0f,
                         float* out_duration = nullptr);

  // Stops the looping channels and resets the listener to the identity frame
  // at the origin. One-shot sounds play to their end. Nothing at all while sound
  // is disabled.
  void stop_all_sounds();

  // Moves the listener (the camera) and tells the audio output.
  void set_listener(const frame& listener_frame);

  // Stops one channel (a voice being replaced, for instance).
  void stop_channel(int channel);

  // Loads sample.flags' file into the audio output and fills the handle,
  // default frequency, length and duration; the sample's default priority comes
  // from its volume step. False (handle 0) when the file cannot be read.
  bool load_sample(sound_sample& sample, const std::string& path);
  // Frees every loaded sample and empties both tables.
  void clear();

  // The id of the sound with this name, -1 when there is none.
  int find_sound(std::string_view name) const;

  std::vector<sound_sample> samples;
  int sound_count() const { return static_cast<int>(sounds.size()); }
  std::vector<sound_record> sounds;
  frame listener = frame::identity();
  std::int32_t slot_sound_ids[sound_slot_count];
  std::vector<int> looping_channels;
};

extern sound_manager g_sound_manager;

// Opens the real audio output unless disable_sound is set. When no device
// opens, the game goes on silent and the log says so.
void start_sound_output();
// Stops every channel and closes the audio output.
void stop_sound_output();
// The frame move's sound step: refills music streams and frees ended channels.
void update_sound();

// round() as the sound player does it: the integer part, plus one only when the
// fraction exceeds one half.
int sound_round(float value);

}  // namespace hm
