#include "module/media/music_player.h"

#include <algorithm>
#include <string>

#include "engine/audio/sound_manager.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/core/stream.h"
#include "engine/settings/ruv_config.h"
#include "module/base/code_mapping.h"
#include "module/base/module_text.h"
#include "platform/audio/audio.h"
#include "platform/fs.h"
#include "script/script_state.h"

namespace hm {

music_player g_music_tracks;

namespace {

constexpr float choice_interval = 0.5f;
constexpr float fade_seconds = 5.0f;
constexpr float one_shot_seconds = 5.0f;
constexpr float silent_volume = 0.02f;

// The audio output opens host paths.
std::string host_path(const std::string& engine_path) { return platform::resolve_path(engine_path).string(); }

bool sound_enabled() { return g_ruv_config.disable_sound == 0; }

float clock0_seconds() { return static_cast<float>(clock_ticks(clock_real_time)) * 1e-5f; }

int channel_volume(float volume) { return std::clamp(sound_round(volume * 255.0f), 0, 254); }

void clear_request(script_state& state) {
  state.music_requested_track = -1;
  state.music_request_kind = 0;
}

// Starts an opened stream; a stream that did not open or cannot play is
// reported, closed and its slot freed.
void start_opened_stream(music_player& player, int slot) {
  music_slot& s = player.slots[slot];
  if (s.stream != 0) s.channel = platform::audio_output().play_stream(s.stream);
  if (s.stream == 0 || s.channel < 0) {
    const ruv_string& name = player.tracks[static_cast<std::size_t>(s.track)].file_name;
    log_line(std::string("Error: Unable to load ").append(name.view()).append("\n"));
    stop_music_track(player, slot);
    return;
  }
  s.started = true;
}

bool stream_finished(const music_slot& s) {
  const platform::audio_backend& audio = platform::audio_output();
  return audio.stream_time_ms(s.stream) >= audio.stream_length_ms(s.stream);
}

// Whether the playing track no longer suits what the module wants.
bool track_unwanted(const music_player& player, const music_track& track, const script_state& state) {
  if (player.wanted_mask == 0) return true;
  if ((track.continue_mask & player.wanted_mask) == 0) return true;
  if (player.group_filter != 0 && (track.combined_group_mask & player.group_filter) == 0) return true;
  return state.music_requested_track >= 0 && state.music_request_kind == 1;
}

// The background pick: the weighted draw among the wanted tracks, else the
// track that may go on; -1 for none.
int pick_track(const music_player& player) {
  const int last = player.slots[0].track;
  int keep = -1;
  if (last >= 0 && last < player.track_count()) {
    const music_track& t = player.tracks[static_cast<std::size_t>(last)];
    if ((t.continue_mask & player.wanted_mask) != 0 &&
        (player.group_filter == 0 || (t.combined_group_mask & player.group_filter) != 0))
      keep = last;
  }
  const float now = clock0_seconds() + 1.0f;
  auto weight_of = [&](int i) -> float {
    const music_track& t = player.tracks[static_cast<std::size_t>(i)];
    if (i == last || (t.flags & player.wanted_mask) == 0) return 0.0f;
    if (player.group_filter != 0 && (t.group_mask & player.group_filter) == 0) return 0.0f;
    return now - player.last_start[i] + 500.0f;
  };
  float total = 0.0f;
  for (int i = 0; i < player.track_count(); ++i) total += weight_of(i);
  if (!(total > 0.0f)) return keep;
  int r = static_cast<int>(static_cast<float>(random_next() % 15817) * total * 6.322312e-5f);
  for (int i = 0; i < player.track_count(); ++i) {
    const float w = weight_of(i);
    if (w <= 0.0f) continue;
    r = static_cast<int>(static_cast<float>(r) - w);
    if (r < 0) return i;
  }
  return keep;
}

}  // namespace

void load_sounds(sound_manager& sounds, text_reader& reader, int scan_module_sounds, std::string_view module_folder) {
  sounds.clear();
  const std::int32_t sample_count = read_record_count(reader, "samples");
  read_records(reader, sounds.samples, sample_count, [&](sound_sample& sample, text_reader& r) {
    ruv_string name;
    r.read_string(name);
    std::uint32_t flags = 0;
    r.read_u32(flags);
    sample.flags = flags;
    if (!sound_enabled()) return;
    if (scan_module_sounds != 0) {
      std::string path(module_folder);
      path.append("Sounds\\").append(name.view());
      sounds.load_sample(sample, host_path(path));
    }
    if (sample.handle == 0) sounds.load_sample(sample, host_path(std::string("sounds\\").append(name.view())));
  });
  const std::int32_t sound_count = read_record_count(reader, "sounds");
  read_records(reader, sounds.sounds, sound_count, [](sound_record& sound, text_reader& r) {
    r.read_string(sound.name);
    r.read_u32(sound.flags);
    r.read_int(sound.variant_count);
    if (sound.variant_count > max_sound_samples) ruv_error("more than %d samples per sound.", max_sound_samples);
    if (sound.variant_count < 0)
      ruv_error("Bad count %d of samples in %s of file %s", sound.variant_count, sound.name.c_str(), r.name.c_str());
    for (int i = 0; i < sound.variant_count; ++i) r.read_int(sound.sample_indices[i]);
  });
  map_sound_codes(sounds);
}

void load_music(music_player& player, text_reader& reader) {
  stop_music_track(player, 0);
  stop_music_track(player, 1);
  player.slots[0].track = -1;
  player.slots[1].track = -1;
  const std::int32_t count = read_record_count(reader, "music tracks");
  std::vector<music_track> tracks;
  read_records(reader, tracks, count, [](music_track& t, text_reader& r) {
    r.read_string(t.file_name);
    r.read_int(t.flags);
    std::int32_t continue_flags = 0;
    r.read_int(continue_flags);
    t.continue_mask = continue_flags | t.flags;
    t.group_mask = t.flags & music_flag::group_bits;
    if (t.group_mask == 0) t.group_mask = music_flag::group_bits;
    t.combined_group_mask = (t.continue_mask & music_flag::group_bits) | t.group_mask;
  });
  if (tracks.size() > static_cast<std::size_t>(max_music_tracks)) tracks.resize(max_music_tracks);
  player.tracks = std::move(tracks);
  std::fill(std::begin(player.last_start), std::end(player.last_start), 0.0f);
}

void play_music_track(music_player& player, int track, int slot) {
  if (track < 0 || track >= player.track_count() || slot < 0 || slot > 1) return;
  stop_music_track(player, slot);
  const music_track& t = player.tracks[static_cast<std::size_t>(track)];
  std::string path;
  if (t.flags & music_flag::module_folder)
    path.append(player.module_folder.view()).append("Music\\");
  else
    path = "music\\";
  path.append(t.file_name.view());
  music_slot& s = player.slots[slot];
  s.track = track;
  s.stream = platform::audio_output().open_stream(host_path(path), (t.flags & music_flag::loop) != 0);
  s.active = true;
  s.started = false;
  s.channel = -1;
  player.last_start[track] = clock0_seconds();
  if (slot == 1) player.one_shot_timer.reset();
}

void stop_music_track(music_player& player, int slot) {
  if (slot < 0 || slot > 1) return;
  music_slot& s = player.slots[slot];
  if (s.stream != 0) platform::audio_output().close_stream(s.stream);
  s.stream = 0;
  s.active = false;
  s.started = false;
  s.channel = -1;
}

namespace {

// Starts a background track. A track that is never faded out plays to its
// end, whatever is wanted meanwhile: starting it clears the wanted mask.
void start_background_track(music_player& player, int track) {
  play_music_track(player, track, 0);
  if (!player.slots[0].active || player.slots[0].track != track) return;
  if (player.tracks[static_cast<std::size_t>(track)].flags & music_flag::never_fade) player.wanted_mask = 0;
}

}  // namespace

void take_music_settings(music_player& player, script_state& state) {
  if (state.music_wanted_mask_set) player.wanted_mask = state.music_wanted_mask;
  if (state.music_group_filter_set) player.group_filter = state.music_group_filter;
  state.music_wanted_mask_set = false;
  state.music_group_filter_set = false;
}

void choose_music(music_player& player, script_state& state, float music_volume) {
  take_music_settings(player, state);
  music_slot& background = player.slots[0];
  if (background.active && !background.started) {
    start_opened_stream(player, 0);
  } else if (background.active) {
    const music_track& playing = player.tracks[static_cast<std::size_t>(background.track)];
    if (state.music_requested_track == background.track && state.music_request_kind > 0) clear_request(state);
    const bool cut = state.music_requested_track >= 0 && state.music_request_kind == 2 &&
                     (playing.flags & music_flag::never_fade) == 0;
    if (stream_finished(background) || cut) {
      stop_music_track(player, 0);
    } else if (!player.fading && (playing.flags & music_flag::never_fade) == 0 &&
               track_unwanted(player, playing, state)) {
      player.fading = true;
      player.fade_timer.reset();
      player.pick_now = true;
    }
  } else if (music_volume > silent_volume) {
    const int requested = state.music_requested_track;
    if (requested >= 0) {
      // A request for a track the table does not hold is dropped.
      clear_request(state);
      start_background_track(player, requested);
    } else if (player.wanted_mask != 0) {
      const int chosen = pick_track(player);
      if (chosen >= 0 && (player.pick_now || (player.tracks[chosen].flags & music_flag::start_at_once) != 0 ||
                          random_unit_float() < 0.01f)) {
        start_background_track(player, chosen);
        player.pick_now = false;
      }
    }
  }

  music_slot& one_shot = player.slots[1];
  if (one_shot.active && !one_shot.started) {
    start_opened_stream(player, 1);
  } else if (one_shot.active) {
    if (stream_finished(one_shot)) stop_music_track(player, 1);
  } else if (state.music_requested_one_shot >= 0 && music_volume > silent_volume) {
    play_music_track(player, state.music_requested_one_shot, 1);
    state.music_requested_one_shot = -1;
  }
}

void update_music_volume(music_player& player, script_state& state, float music_volume) {
  if (g_ruv_config.disable_music != 0 || g_ruv_config.disable_sound != 0) return;
  if (player.update_timer.elapsed() > choice_interval) {
    choose_music(player, state, music_volume);
    player.update_timer.reset();
  }
  float volume = music_volume;
  if (player.fading) {
    const float elapsed = player.fade_timer.elapsed();
    if (elapsed <= fade_seconds) {
      volume = (1.0f - std::min(1.0f, std::max(0.0f, elapsed * 0.2f))) * volume;
    } else {
      volume = 0.0f;
      stop_music_track(player, 0);
      player.fading = false;
    }
  }
  const int value = channel_volume(volume);
  platform::audio_backend& audio = platform::audio_output();
  const music_slot& one_shot = player.slots[1];
  if (one_shot.active && one_shot.channel >= 0) audio.set_volume(one_shot.channel, channel_volume(music_volume));
  const music_slot& background = player.slots[0];
  if (background.channel >= 0 && (value != player.last_volume || one_shot.active)) {
    audio.set_volume(background.channel, value);
    player.last_volume = value;
  }
  if (one_shot.active && player.one_shot_timer.elapsed() > one_shot_seconds) player.wanted_mask = 0;
}

}  // namespace hm
