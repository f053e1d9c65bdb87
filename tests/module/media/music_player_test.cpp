// Sounds and music: sounds.txt into the sound player (folders, priorities,
// the sample limit, a reload that frees what the first load made) and the
// music player's choice, fade and volume on the null audio output with a moved
// clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/audio/sound_manager.h"
#include "engine/core/random.h"
#include "engine/core/timer.h"
#include "engine/settings/ruv_config.h"
#include "module/media/music_player.h"
#include "module/support/module_test_support.h"
#include "platform/audio/audio.h"
#include "script/script_state.h"

namespace hm {
namespace {

namespace fs = std::filesystem;
using platform::audio_call;
using platform::audio_call_kind;
using test::fatal_message;
using test::memory_reader;

// Tone files made by the build for the sample module.
const fs::path built_sounds = fs::path(HOOFMARCH_BINARY_DIR) / "data" / "Modules" / "Sample" / "Sounds";

class SoundsAndMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_config_ = g_ruv_config;
    g_ruv_config.disable_sound = 0;
    g_ruv_config.disable_music = 0;
    platform::set_audio_output(&audio);
    reset_clocks();
    random_seed(7);
    // The game's sounds\ and music\ folders and a module M with its own.
    game.write("placeholder", "");
    for (const char* folder : {"sounds", "music", "Modules/M/Sounds", "Modules/M/Music"})
      fs::create_directories(game.path() / folder);
    copy("click.wav", "sounds/click.wav");
    copy("gong.wav", "sounds/gong.wav");
    copy("hit.wav", "Modules/M/Sounds/click.wav");
    copy("gong.wav", "music/calm.wav");
    copy("click.wav", "Modules/M/Music/battle.wav");
    copy("hit.wav", "music/victory.wav");
  }
  void TearDown() override {
    stop_music_track(player, 0);
    stop_music_track(player, 1);
    g_sound_manager.clear();
    platform::set_audio_output(nullptr);
    g_ruv_config = saved_config_;
    reset_clocks();
  }

  void copy(const char* from, const char* to) const { fs::copy_file(built_sounds / from, game.path() / to); }

  // Half-second steps of the frame's music update.
  void run_for(float seconds) {
    for (float t = 0.0f; t < seconds; t += 0.1f) {
      advance_clock(clock_real_time, 0.1f);
      update_music_volume(player, state, volume);
    }
  }

  std::string path_of_stream(int slot) const {
    for (const audio_call& c : audio.calls_of(audio_call_kind::open_stream))
      if (c.handle == player.slots[slot].stream) return fs::path(c.path).filename().string();
    return "";
  }

  platform::null_audio audio;
  test::temp_folder game;
  music_player player;
  script_state state;
  float volume = 0.4f;

 private:
  ruv_config saved_config_;
};

constexpr const char* sounds_file =
    "3\n"
    "click.wav 16\n"     // volume step 1
    "gong.wav 0\n"       // step 0 counts as 5
    "missing.wav 1\n"    // no such file: handle 0
    "2\n"
    "snd_click 0 1 0\n"
    "snd_gong 0 2 1 2\n";

TEST_F(SoundsAndMusic, SoundsComeFromTheModuleFolderFirstWhenScanning) {
  test::scoped_working_folder in_game(game.path());
  memory_reader reader(sounds_file);
  load_sounds(g_sound_manager, reader, 1, "Modules\\M\\");
  ASSERT_EQ(g_sound_manager.samples.size(), 3u);
  const auto loads = audio.calls_of(audio_call_kind::load_sample);
  // click from the module, gong from the game after the module missed, missing from neither.
  ASSERT_EQ(loads.size(), 5u);
  EXPECT_EQ(fs::path(loads[0].path).parent_path().filename(), "Sounds");
  EXPECT_NE(loads[0].handle, 0);
  EXPECT_EQ(loads[1].handle, 0);
  EXPECT_EQ(fs::path(loads[2].path).parent_path().filename(), "sounds");
  EXPECT_EQ(g_sound_manager.samples[2].handle, 0);
  EXPECT_EQ(g_sound_manager.samples[2].flags, 1u);
  // Priorities: step x 0.0625 x 250, truncated.
  const auto priorities = audio.calls_of(audio_call_kind::set_sample_priority);
  ASSERT_EQ(priorities.size(), 2u);
  EXPECT_EQ(priorities[0].value, 15);
  EXPECT_EQ(priorities[1].value, 78);
  EXPECT_GT(g_sound_manager.samples[0].duration, 0.0f);
  ASSERT_EQ(g_sound_manager.sound_count(), 2);
  EXPECT_EQ(g_sound_manager.sounds[1].variant_count, 2);
  EXPECT_EQ(g_sound_manager.sounds[1].sample_indices[1], 2);
  EXPECT_EQ(g_sound_manager.slot_sound_ids[0], 0);
  EXPECT_EQ(g_sound_manager.slot_sound_ids[1], 1);
}

TEST_F(SoundsAndMusic, WithoutScanningEverySampleComesFromTheGameFolder) {
  test::scoped_working_folder in_game(game.path());
  memory_reader reader(sounds_file);
  load_sounds(g_sound_manager, reader, 0, "Modules\\M\\");
  const auto loads = audio.calls_of(audio_call_kind::load_sample);
  ASSERT_EQ(loads.size(), 3u);
  for (const audio_call& c : loads) EXPECT_EQ(fs::path(c.path).parent_path().filename(), "sounds") << c.path;
}

TEST_F(SoundsAndMusic, AReloadFreesEverySampleTheFirstLoadMade) {
  test::scoped_working_folder in_game(game.path());
  for (int load = 0; load < 3; ++load) {
    memory_reader reader(sounds_file);
    load_sounds(g_sound_manager, reader, 1, "Modules\\M\\");
  }
  const auto loaded = audio.calls_of(audio_call_kind::load_sample);
  const auto freed = audio.calls_of(audio_call_kind::free_sample);
  // Two samples load each time; all but the last load's are freed.
  ASSERT_EQ(freed.size(), 4u);
  int live = 0;
  for (const audio_call& l : loaded) {
    if (l.handle == 0) continue;
    bool was_freed = false;
    for (const audio_call& f : freed) was_freed = was_freed || f.handle == l.handle;
    if (!was_freed) ++live;
  }
  EXPECT_EQ(live, 2);
  EXPECT_EQ(g_sound_manager.samples.size(), 3u);
}

TEST_F(SoundsAndMusic, ASoundWith33SamplesIsFatal) {
  std::string text = "0\n1\nsnd_many 0 33";
  for (int i = 0; i < 33; ++i) text += " 0";
  memory_reader reader(text);
  EXPECT_EQ(fatal_message([&] { load_sounds(g_sound_manager, reader, 0, ""); }), "more than 32 samples per sound.");
  memory_reader negative("0\n1\nsnd_bad 0 -1\n");
  EXPECT_EQ(fatal_message([&] { load_sounds(g_sound_manager, negative, 0, ""); }),
            "Bad count -1 of samples in snd_bad of file test.txt");
}

TEST_F(SoundsAndMusic, TrackMasksAndTheTrackLimit) {
  std::string text = "300\n";
  text += "calm.wav 1024 0\n";          // no group bit: every group
  text += "battle.wav 268437506 4096\n";  // module folder, group 2
  for (int i = 2; i < 300; ++i) text += "t" + std::to_string(i) + ".wav 0 0\n";
  text += "trailing";
  memory_reader reader(text);
  load_music(player, reader);
  ASSERT_EQ(player.track_count(), 256);
  EXPECT_EQ(player.tracks[0].group_mask, 63);
  EXPECT_EQ(player.tracks[0].continue_mask, 1024);
  EXPECT_EQ(player.tracks[0].combined_group_mask, 63);
  EXPECT_EQ(player.tracks[1].group_mask, 2);
  EXPECT_EQ(player.tracks[1].continue_mask, 268437506 | 4096);
  EXPECT_EQ(player.tracks[1].combined_group_mask, 2);
}

constexpr const char* music_file =
    "3\n"
    "calm.wav 1024 0\n"              // travel
    "battle.wav 268443648 0\n"        // module folder, combat (0x2000), no group bit
    "victory.wav 384 0\n";            // 0x100 never fades, 0x80 starts at once; wanted by nothing

TEST_F(SoundsAndMusic, AWantedTrackStartsFadesWhenUnwantedAndStops) {
  test::scoped_working_folder in_game(game.path());
  player.module_folder = "Modules\\M\\";
  memory_reader reader(music_file);
  load_music(player, reader);

  // Nothing is wanted: nothing starts.
  run_for(3.0f);
  EXPECT_FALSE(player.slots[0].active);

  // Travel is wanted (a script sets the mask); without a request, the
  // pick-now flag or flag 0x80 the track waits for the 1 % draw, so the
  // pick-now flag is raised.
  state.music_wanted_mask = 1024;
  state.music_wanted_mask_set = true;
  player.pick_now = true;
  run_for(1.2f);
  ASSERT_TRUE(player.slots[0].started);
  EXPECT_EQ(player.slots[0].track, 0);
  EXPECT_EQ(path_of_stream(0), "calm.wav");
  EXPECT_GT(player.last_start[0], 3.0f);
  const int channel = player.slots[0].channel;
  ASSERT_GE(channel, 0);
  EXPECT_EQ(audio.channel(channel)->volume, 102);  // 0.4 x 255

  // The wanted moment changes: the track fades over 5 s, linearly.
  player.wanted_mask = 0x2000;
  run_for(0.6f);
  ASSERT_TRUE(player.fading);
  const float faded = player.fade_timer.elapsed();
  run_for(2.5f - faded);
  const float at = player.fade_timer.elapsed();
  EXPECT_NEAR(audio.channel(channel)->volume, (1.0f - at * 0.2f) * 0.4f * 255.0f, 1.5f);
  run_for(2.6f);
  EXPECT_FALSE(player.fading);
  // Stopped at the end of the fade, then the wanted track followed at once
  // from the module's Music folder.
  run_for(1.5f);
  ASSERT_TRUE(player.slots[0].started);
  EXPECT_EQ(player.slots[0].track, 1);
  EXPECT_EQ(path_of_stream(0), "battle.wav");
  EXPECT_EQ(audio.calls_of(audio_call_kind::close_stream).size(), 1u);
}

TEST_F(SoundsAndMusic, RequestsPlayAtOnceAndAKindTwoRequestCutsTheTrack) {
  test::scoped_working_folder in_game(game.path());
  memory_reader reader(music_file);
  load_music(player, reader);
  state.music_requested_track = 0;
  state.music_request_kind = 0;
  run_for(1.2f);
  ASSERT_TRUE(player.slots[0].started);
  EXPECT_EQ(state.music_requested_track, -1);

  // Victory never fades and clears the wanted mask once it starts.
  state.music_requested_track = 2;
  state.music_request_kind = 2;
  player.wanted_mask = 1024;
  run_for(0.6f);
  EXPECT_FALSE(player.slots[0].active);  // cut, no fade
  run_for(0.6f);
  EXPECT_EQ(player.slots[0].track, 2);
  run_for(0.6f);
  EXPECT_TRUE(player.slots[0].started);
  EXPECT_EQ(state.music_requested_track, -1);
  EXPECT_EQ(player.wanted_mask, 0);

  // The one-shot slot plays beside it.
  state.music_requested_one_shot = 0;
  run_for(1.2f);
  EXPECT_TRUE(player.slots[1].started);
  EXPECT_EQ(state.music_requested_one_shot, -1);
}

TEST_F(SoundsAndMusic, SilentMusicStartsNothingAndAMissingFileIsClosedAndLogged) {
  test::scoped_working_folder in_game(game.path());
  memory_reader reader("2\ncalm.wav 1024 0\nlost.wav 1024 0\n");
  load_music(player, reader);
  player.wanted_mask = 1024;
  player.pick_now = true;
  volume = 0.02f;
  run_for(3.0f);
  EXPECT_FALSE(player.slots[0].active);

  volume = 0.4f;
  test::log_capture log;
  state.music_requested_track = 1;
  run_for(1.2f);
  EXPECT_EQ(log.lines_starting_with("Error: Unable to load lost.wav").size(), 1u);
  // The player tries again: a wanted track plays after the failure.
  run_for(3.0f);
  EXPECT_TRUE(player.slots[0].started);
}

TEST_F(SoundsAndMusic, DisabledMusicChoosesNothing) {
  test::scoped_working_folder in_game(game.path());
  memory_reader reader(music_file);
  load_music(player, reader);
  g_ruv_config.disable_music = 1;
  state.music_requested_track = 0;
  run_for(2.0f);
  EXPECT_FALSE(player.slots[0].active);
  EXPECT_EQ(state.music_requested_track, 0);
}

}  // namespace
}  // namespace hm
