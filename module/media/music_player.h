#pragma once
// The module's sounds (sounds.txt) and music (music.txt). Sounds fill the sound
// player's tables; music tracks are played as streams by the music player,
// which picks the next track every half second from the moments and groups the
// module asks for (the wanted mask and group filter set by scripts) and from
// how long ago each track last played, fades a track that no longer suits, and
// sets the music volume every frame.
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/core/ruv_string.h"
#include "engine/core/timer.h"

namespace hm {

class sound_manager;
class text_reader;
struct script_state;

inline constexpr int max_sound_samples = 32;
inline constexpr int max_music_tracks = 256;

namespace music_flag {
inline constexpr std::int32_t group_bits = 63;
inline constexpr std::int32_t loop = 0x40;
inline constexpr std::int32_t start_at_once = 0x80;     // no random pause before it
inline constexpr std::int32_t never_fade = 0x100;       // plays to its end; clears the wanted mask
inline constexpr std::int32_t module_folder = 0x10000000;  // in the module's "Music\" folder
}  // namespace music_flag

struct music_track {
  ruv_string file_name;
  std::int32_t flags = 0;
  std::int32_t continue_mask = 0;        // continue flags | flags
  std::int32_t group_mask = 0;           // flags & 63, or 63 when that is 0
  std::int32_t combined_group_mask = 0;  // (continue mask & 63) | group mask
};

// A stream being played: slot 0 the background track, slot 1 a one-shot one.
struct music_slot {
  bool active = false;
  bool started = false;
  int stream = 0;
  int track = -1;  // kept after a stop: the track last played in the slot
  int channel = -1;
};

struct music_player {
  std::int32_t wanted_mask = 0;
  std::int32_t group_filter = 0;  // 0: any group
  std::vector<music_track> tracks;
  float last_start[max_music_tracks] = {};  // clock 0 seconds
  music_slot slots[2];
  int last_volume = -1;  // the last value sent to slot 0's channel
  bool fading = false;
  timer fade_timer{clock_real_time};
  bool pick_now = false;
  timer update_timer{clock_real_time};
  timer one_shot_timer{clock_real_time};
  ruv_string module_folder;  // for the module's music files

  int track_count() const { return static_cast<int>(tracks.size()); }
};

extern music_player g_music_tracks;

// sounds.txt after its header: the samples (name and flags; the module's
// "Sounds\" folder first when scan_module_sounds is set, then the game's
// "sounds\"; a file that cannot be loaded keeps handle 0), then the sounds (id,
// flags, at most 32 sample indices: fatal "more than %d samples per sound."),
// then the engine sound codes. Everything the previous load made is freed
// first, the loaded samples included.
void load_sounds(sound_manager& sounds, text_reader& reader, int scan_module_sounds,
                 std::string_view module_folder);

// music.txt: the count, then per track its file name, flags and continue
// flags; tracks past the 256th are read and dropped. Stops what plays.
void load_music(music_player& player, text_reader& reader);

// Opens the track's stream for a slot (what the slot played is closed first);
// it starts at the next choice. An index outside the tracks does nothing.
void play_music_track(music_player& player, int track, int slot);
// Closes the slot's stream; the slot is free and has no channel.
void stop_music_track(music_player& player, int slot);

// Takes the wanted mask and group filter that scripts set since the last call.
void take_music_settings(music_player& player, script_state& state);

// The choice of what plays, every half second (after take_music_settings): starts opened streams (a
// stream that cannot be played logs "Error: Unable to load %s" and is closed),
// ends finished or unwanted tracks, takes the scripts' requests from the state
// and picks a new background track. `music_volume` is the option's value.
void choose_music(music_player& player, script_state& state, float music_volume);

// Once a frame while music and sound are enabled: the half-second choice, the
// 5-second fade, and the channels' volume (0..254).
void update_music_volume(music_player& player, script_state& state, float music_volume);

}  // namespace hm
