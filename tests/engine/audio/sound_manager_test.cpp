#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/settings/game_options.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/settings/ruv_config.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/stream.h"
#include "engine/audio/sound_manager_agent.h"
#include "engine/core/timer.h"
#include "platform/audio/audio.h"

namespace {

using namespace hm;
using platform::audio_call;
using platform::audio_call_kind;
using platform::null_audio;

// The sound manager on the recording backend. Samples: 0 at 22050 Hz (volume
// step 0, meaning 5), 1 at 44100 Hz with step 15, 2 at 11025 Hz one frame long.
// The test adds sounds; slot s maps to sound s where a sound has that id.
class SoundManager : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_config_ = g_ruv_config;
    saved_options_ = g_game_options;
    g_ruv_config.disable_sound = 0;
    g_ruv_config.disable_frequency_variation = 0;
    g_game_options.sound_volume = 1.0f;
    platform::set_audio_output(&audio);
    audio.channel_limit = 4096;  // room for every sound a test plays
    g_sound_manager.clear();
    g_sound_manager.listener = frame::identity();
    add_sample(22050, 22050, 0x00);
    add_sample(44100, 4410, 0xF0);
    add_sample(11025, 1, 0x00);
    audio.calls.clear();
    random_seed(12345);
  }
  void TearDown() override {
    g_sound_manager.clear();
    platform::set_audio_output(nullptr);
    g_ruv_config = saved_config_;
    g_game_options = saved_options_;
  }

  void add_sample(int frequency, int length, std::uint32_t flags) {
    sound_sample s;
    s.handle = audio.add_sample(frequency, length);
    s.flags = flags;
    s.default_frequency = frequency;
    s.length = length;
    s.duration = float(length) / float(frequency);
    g_sound_manager.samples.push_back(s);
  }
  int add_sound(std::vector<int> sample_indices, std::uint32_t flags = 0, const char* name = "snd_test") {
    sound_record r;
    r.name = name;
    r.flags = flags;
    r.variant_count = static_cast<int>(sample_indices.size());
    for (std::size_t i = 0; i < sample_indices.size(); ++i) r.sample_indices[i] = sample_indices[i];
    g_sound_manager.sounds.push_back(r);
    return g_sound_manager.sound_count() - 1;
  }
  std::vector<audio_call_kind> call_kinds() const {
    std::vector<audio_call_kind> kinds;
    for (const audio_call& c : audio.calls) kinds.push_back(c.kind);
    return kinds;
  }

  null_audio audio;
  ruv_config saved_config_;
  game_options saved_options_;
};

// Volume from the sound's step and the option, priority from the sample's step
// and the distance to the listener, frequency from the factor.
TEST_F(SoundManager, VolumePriorityAndFrequencyTable) {
  struct play_case {
    const char* what;
    std::uint32_t sound_flags;  // bits 8..11: the sound's volume step
    int sample;
    float option;
    bool flat;
    vec3 position;
    float factor;
    bool no_variation;
    int volume, priority, frequency;  // frequency -1: no frequency call
  };
  const play_case cases[] = {
      {"step 4", 0x400, 0, 1.0f, true, {}, 1.0f, false, 102, 255, -1},
      {"step 10", 0xA00, 0, 1.0f, true, {}, 1.0f, false, 255, 255, -1},
      {"step 0 means 10", 0x000, 0, 1.0f, true, {}, 1.0f, false, 255, 255, -1},
      {"half option rounds .5 down", 0xA00, 0, 0.5f, true, {}, 1.0f, false, 127, 255, -1},
      {"option above 1 clamps", 0xA00, 0, 3.0f, true, {}, 1.0f, false, 255, 255, -1},
      {"option 0", 0xA00, 0, 0.0f, true, {}, 1.0f, false, 0, 255, -1},
      {"3 units away, sample step 5", 0, 0, 1.0f, false, {0, 3, 0}, 1.0f, false, 255, 40, -1},
      {"at the listener, sample step 15", 0, 1, 1.0f, false, {0, 0, 0}, 1.0f, false, 255, 238, -1},
      {"far away", 0, 0, 1.0f, false, {3000, 0, 0}, 1.0f, false, 255, 0, -1},
      {"pitch up", 0, 0, 1.0f, true, {}, 1.5f, false, 255, 255, 33075},
      {"pitch down, truncated", 0, 1, 1.0f, true, {}, 0.9f, false, 255, 255, 39690},
      {"variation disabled", 0, 0, 1.0f, true, {}, 1.5f, true, 255, 255, -1},
  };
  for (const play_case& c : cases) {
    SCOPED_TRACE(c.what);
    g_game_options.sound_volume = c.option;
    g_ruv_config.disable_frequency_variation = c.no_variation ? 1 : 0;
    const int id = add_sound({c.sample}, c.sound_flags);
    audio.calls.clear();
    const int ch = g_sound_manager.play_sound(id, c.flat ? sound_flag::flat : 0, c.position, c.factor, nullptr);
    ASSERT_GE(ch, 0);
    const platform::null_channel* state = audio.channel(ch);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->volume, c.volume);
    EXPECT_EQ(state->priority, c.priority);
    EXPECT_EQ(state->flat, c.flat);
    EXPECT_FALSE(state->paused);
    const auto freq = audio.calls_of(audio_call_kind::set_frequency);
    if (c.frequency < 0) {
      EXPECT_TRUE(freq.empty());
    } else {
      ASSERT_EQ(freq.size(), 1u);
      EXPECT_EQ(freq[0].value, c.frequency);
    }
    if (!c.flat) {
      EXPECT_EQ(state->position, (platform::audio_vec{c.position.x, c.position.y, c.position.z}));
    }
  }
}

// The channel starts paused and is started only once it is set up.
TEST_F(SoundManager, SetsUpThePausedChannelThenStartsIt) {
  const int id = add_sound({0}, sound_flag::looping | sound_flag::random_start);
  g_sound_manager.play_sound(id, 0, vec3(1, 2, 3), 1.25f, nullptr);
  const std::vector<audio_call_kind> expected = {
      audio_call_kind::play_sample, audio_call_kind::set_position,  audio_call_kind::set_volume,
      audio_call_kind::set_loop,    audio_call_kind::set_current_position, audio_call_kind::set_frequency,
      audio_call_kind::set_priority, audio_call_kind::set_paused};
  EXPECT_EQ(call_kinds(), expected);
  EXPECT_EQ(audio.calls.front().value, 1);  // paused
  EXPECT_EQ(audio.calls.back().value, 0);   // unpaused
}

TEST_F(SoundManager, DisabledSoundMakesNoBackendCall) {
  const int id = add_sound({0, 1}, sound_flag::looping);
  g_sound_manager.looping_channels = {3, 4};
  g_ruv_config.disable_sound = 1;
  float duration = -1.0f;
  EXPECT_EQ(g_sound_manager.play_sound(id, 0, vec3(1, 1, 1), 1.5f, &duration), -1);
  EXPECT_EQ(g_sound_manager.play_sound_in_slot(0, 1, vec3(), 1.0f, nullptr), -1);
  frame moved = frame::identity();
  moved.origin = vec3(5, 5, 5);
  g_sound_manager.listener = moved;
  g_sound_manager.stop_all_sounds();  // does nothing, not even the listener reset
  update_sound();
  EXPECT_TRUE(audio.calls.empty());
  EXPECT_EQ(duration, -1.0f);
  EXPECT_EQ(g_sound_manager.looping_channels.size(), 2u);
  EXPECT_EQ(g_sound_manager.listener.origin.x, 5.0f);
}

// Ids outside the table, empty sounds and sample indices outside the sample
// table play nothing and touch no channel.
TEST_F(SoundManager, BadIdsAndSampleIndicesPlayNothing) {
  const int empty = add_sound({});
  const int bad_sample = add_sound({7});
  const int negative_sample = add_sound({-1});
  const int partly_bad = add_sound({0, 99});
  for (const int id : {-1, g_sound_manager.sound_count(), 1000, empty, bad_sample, negative_sample}) {
    SCOPED_TRACE(id);
    float duration = -1.0f;
    EXPECT_EQ(g_sound_manager.play_sound(id, 0, vec3(), 1.0f, &duration), -1);
    EXPECT_EQ(duration, -1.0f);
  }
  EXPECT_TRUE(audio.calls.empty());
  // A sound with one bad variant plays its good one and skips the bad one.
  int played = 0;
  for (int i = 0; i < 50; ++i) played += g_sound_manager.play_sound(partly_bad, 1, vec3(), 1.0f, nullptr) >= 0;
  EXPECT_GT(played, 0);
  EXPECT_LT(played, 50);
  EXPECT_EQ(g_sound_manager.play_sound_in_slot(-1, 1, vec3(), 1.0f, nullptr), -1);
  EXPECT_EQ(g_sound_manager.play_sound_in_slot(sound_slot_count, 1, vec3(), 1.0f, nullptr), -1);
  EXPECT_EQ(g_sound_manager.play_sound_in_slot(5, 1, vec3(), 1.0f, nullptr), -1);  // unmapped slot
}

TEST_F(SoundManager, VariantsAreSpreadEvenly) {
  const int three = add_sound({0, 1, 2});
  int counts[3] = {};
  for (int i = 0; i < 3000; ++i) {
    const int ch = g_sound_manager.play_sound(three, 1, vec3(), 1.0f, nullptr);
    ASSERT_GE(ch, 0);
    counts[audio.channel(ch)->sample - 1]++;
    audio.stop(ch);
  }
  for (const int n : counts) {
    EXPECT_GT(n, 900);
    EXPECT_LT(n, 1100);
  }
  // One variant: always it, and no draw from the generator.
  const int one = add_sound({1});
  const std::uint32_t state = random_state();
  for (int i = 0; i < 20; ++i) {
    const int ch = g_sound_manager.play_sound(one, 1, vec3(), 1.0f, nullptr);
    EXPECT_EQ(audio.channel(ch)->sample, g_sound_manager.samples[1].handle);
  }
  EXPECT_EQ(random_state(), state);
}

TEST_F(SoundManager, ReportsDurationAndPassesOnAMissingChannel) {
  const int id = add_sound({1});
  float duration = 0.0f;
  EXPECT_GE(g_sound_manager.play_sound(id, 1, vec3(), 1.0f, &duration), 0);
  EXPECT_FLOAT_EQ(duration, 0.1f);
  audio.channel_limit = 1;  // the first sound holds the only channel at priority 255
  duration = 0.0f;
  EXPECT_LT(g_sound_manager.play_sound(id, 0, vec3(100, 0, 0), 1.0f, &duration), 0);
  EXPECT_FLOAT_EQ(duration, 0.1f);
}

// Looping sounds are remembered; stop_all_sounds stops them (and only them)
// and puts the listener back at the origin with the identity axes.
TEST_F(SoundManager, StopAllSoundsStopsLoopsAndResetsTheListener) {
  const int loop = add_sound({0}, sound_flag::looping);
  const int once = add_sound({1});
  const int a = g_sound_manager.play_sound(loop, 1, vec3(), 1.0f, nullptr);
  const int b = g_sound_manager.play_sound(loop, 0, vec3(4, 0, 0), 1.0f, nullptr);
  const int c = g_sound_manager.play_sound(once, 1, vec3(), 1.0f, nullptr);
  EXPECT_EQ(g_sound_manager.looping_channels, (std::vector<int>{a, b}));
  EXPECT_TRUE(audio.channel(a)->loop);
  EXPECT_FALSE(audio.channel(c)->loop);

  frame camera = frame::identity();
  camera.origin = vec3(10, 20, 30);
  camera.rot.f = vec3(1, 0, 0);
  camera.rot.s = vec3(0, -1, 0);
  g_sound_manager.set_listener(camera);
  EXPECT_EQ(audio.listener_position, (platform::audio_vec{10, 20, 30}));
  EXPECT_EQ(audio.listener_forward, (platform::audio_vec{1, 0, 0}));

  audio.calls.clear();
  g_sound_manager.stop_all_sounds();
  EXPECT_FALSE(audio.is_playing(a));
  EXPECT_FALSE(audio.is_playing(b));
  EXPECT_TRUE(audio.is_playing(c));  // one-shot sounds play to their end
  EXPECT_TRUE(g_sound_manager.looping_channels.empty());
  const auto listener = audio.calls_of(audio_call_kind::set_listener);
  ASSERT_EQ(listener.size(), 1u);
  EXPECT_EQ(listener[0].position, (platform::audio_vec{0, 0, 0}));
  EXPECT_EQ(listener[0].forward, (platform::audio_vec{0, 1, 0}));
  EXPECT_EQ(listener[0].up, (platform::audio_vec{0, 0, 1}));
}

TEST_F(SoundManager, RandomStartStaysInsideTheSample) {
  const int long_one = add_sound({0}, sound_flag::random_start);
  const int tiny = add_sound({2}, sound_flag::random_start);
  for (int i = 0; i < 200; ++i) g_sound_manager.play_sound(long_one, 1, vec3(), 1.0f, nullptr);
  for (const audio_call& c : audio.calls_of(audio_call_kind::set_current_position)) {
    EXPECT_GE(c.value, 0);
    EXPECT_LT(c.value, 22050);
  }
  audio.calls.clear();
  g_sound_manager.play_sound(tiny, 1, vec3(), 1.0f, nullptr);
  EXPECT_EQ(audio.calls_of(audio_call_kind::set_current_position).at(0).value, 0);
}

// --- agent sound events

class AgentSounds : public SoundManager {
 protected:
  void SetUp() override {
    SoundManager::SetUp();
    // Every slot gets a sound of its own so the slot played can be read back.
    for (int slot = 0; slot < sound_slot_count; ++slot) {
      g_sound_manager.slot_sound_ids[slot] = add_sound({0}, 0, sound_slot_names[slot]);
    }
    mission.water_level = 0.0f;
    mission.player_agent_id = 0;
    agent.has_body = true;
    agent.agent_id = 3;
    agent.height = 1.0f;
    agent.body_origin = vec3(0, 3, 1);
    agent.voice = &voice;
    audio.calls.clear();
  }
  agent_sound_view agent;
  mission_sound_view mission;
  agent_voice_state voice;
};

TEST_F(AgentSounds, ContactSoundChoiceTable) {
  struct contact_case {
    bool horse;
    int gait;
    float height;  // water level 0
    std::uint32_t scene_flags;
    int kind;
    int slot;
  };
  const contact_case cases[] = {
      // horses: neigh first, then water, then the gait
      {true, 5, -1.0f, 0, 4, sound_slot::neigh},
      {true, 0, 0.0f, 0, 2, sound_slot::footstep_water},   // at the level counts as in water
      {true, 0, -1.0f, 0, 3, sound_slot::footstep_water},
      {true, 0, -1.0f, 0, 0, -1},
      {true, 0, 1.0f, 0, 0, sound_slot::horse_walk},
      {true, 2, 1.0f, 0, 2, sound_slot::horse_walk},
      {true, 2, 1.0f, 0, 1, -1},
      {true, 1, 1.0f, 0, 0, -1},
      {true, 3, 1.0f, 0, 0, sound_slot::horse_trot},
      {true, 3, 1.0f, 0, 2, sound_slot::horse_trot},
      {true, 3, 1.0f, 0, 3, -1},
      {true, 4, 1.0f, 0, 0, sound_slot::horse_canter},
      {true, 4, 1.0f, 0, 2, -1},
      {true, 5, 1.0f, 0, 0, sound_slot::horse_gallop},
      {true, 5, 1.0f, 0, 2, -1},
      {true, 6, 1.0f, 0, 0, -1},
      {true, 8 + 3, 1.0f, 0, 0, sound_slot::horse_trot},  // only the low three bits
      // humans
      {false, 0, 1.0f, 0, 3, sound_slot::sword_swing},
      {false, 0, -0.5f, 0, 3, sound_slot::sword_swing},
      {false, 0, -0.5f, 1, 0, sound_slot::footstep_water},
      {false, 0, 0.0f, 0, 1, sound_slot::footstep_grass},  // at the level is not below it
      {false, 0, 1.0f, 1, 0, sound_slot::footstep_wood},
      {false, 0, 1.0f, 0x101, 1, sound_slot::footstep_wood},
      {false, 0, 1.0f, 0x100, 0, sound_slot::footstep_grass},
      {false, 0, 1.0f, 0, 2, -1},
      {false, 0, 1.0f, 0, 4, -1},
  };
  for (const contact_case& c : cases) {
    SCOPED_TRACE(testing::Message() << "horse " << c.horse << " gait " << c.gait << " height " << c.height
                                    << " kind " << c.kind);
    agent.is_horse = c.horse;
    agent.movement_state = static_cast<std::uint32_t>(c.gait);
    agent.height = c.height;
    mission.scene_flags = c.scene_flags;
    EXPECT_EQ(contact_sound_slot(agent, mission, c.kind), c.slot);
    audio.calls.clear();
    const int ch = play_agent_contact_sound(agent, mission, c.kind);
    EXPECT_EQ(ch >= 0, c.slot >= 0);
  }
}

TEST_F(AgentSounds, ContactSoundsArePositionalWithPitchFromPointEightToOnePointTwo) {
  agent.height = 1.0f;
  for (int i = 0; i < 300; ++i) play_agent_contact_sound(agent, mission, 0);
  const auto freq = audio.calls_of(audio_call_kind::set_frequency);
  ASSERT_FALSE(freq.empty());
  int low = 1 << 30, high = 0;
  for (const audio_call& c : freq) {
    low = std::min(low, c.value);
    high = std::max(high, c.value);
  }
  EXPECT_GE(low, static_cast<int>(22050 * 0.8f));
  EXPECT_LT(low, 22050 * 0.82);
  EXPECT_LE(high, 22050 * 1.2);
  EXPECT_GT(high, 22050 * 1.18);
  for (const audio_call& c : audio.calls_of(audio_call_kind::set_position)) EXPECT_TRUE(c.has_position);

  mission.suppress_sounds = true;
  audio.calls.clear();
  EXPECT_LT(play_agent_contact_sound(agent, mission, 0), 0);
  EXPECT_TRUE(audio.calls.empty());
}

TEST_F(AgentSounds, SoundWithVariationRisesToTheHeadAndIsFlatForThePlayer) {
  struct head_case {
    bool rides;
    int agent_id;
    bool flat;
    float z;  // above the body origin's 1.0
  };
  const head_case cases[] = {
      {false, 3, false, 1.0f + 1.2f},
      {true, 3, false, 1.0f + 2.1f},
      {false, 0, true, 0.0f},  // the player's agent (id 0)
  };
  for (const head_case& c : cases) {
    SCOPED_TRACE(c.z);
    agent.rides_horse = c.rides;
    agent.agent_id = c.agent_id;
    const int ch = play_agent_sound_with_variation(agent, mission, 40, 0.0f);
    ASSERT_GE(ch, 0);
    EXPECT_EQ(audio.channel(ch)->flat, c.flat);
    if (!c.flat) {
      EXPECT_NEAR(audio.channel(ch)->position.z, c.z, 1e-6f);
    }
  }
  // No variation: natural pitch and no draw; a variation of 0.5 spreads the
  // factor over 1/1.5 .. 1.5.
  EXPECT_TRUE(audio.calls_of(audio_call_kind::set_frequency).empty());
  audio.calls.clear();
  for (int i = 0; i < 300; ++i) play_agent_sound_with_variation(agent, mission, 40, 0.5f);
  for (const audio_call& c : audio.calls_of(audio_call_kind::set_frequency)) {
    EXPECT_GE(c.value, static_cast<int>(22050 / 1.5f) - 1);
    EXPECT_LE(c.value, static_cast<int>(22050 * 1.5f));
  }
  EXPECT_GT(audio.calls_of(audio_call_kind::set_frequency).size(), 250u);
  audio.calls.clear();
  EXPECT_EQ(play_agent_sound_with_variation(agent, mission, -1, 0.5f), -1);
  agent.has_body = false;
  EXPECT_EQ(play_agent_sound_with_variation(agent, mission, 40, 0.5f), -1);
  EXPECT_TRUE(audio.calls.empty());
}

// The hash runs on unsigned 32-bit words: a seed whose product wraps gives the
// same pitch on every host (a signed remainder would give a much lower voice).
TEST(VoicePitch, FixedPerAgentAndUnsigned) {
  EXPECT_NEAR(voice_pitch_factor(123456789u, 0, 3), 1.0f / (1.0f + 0.0924799f), 1e-5f);
  EXPECT_NEAR(voice_pitch_factor(0xFFFFFFFFu, 5, 7), 1.0924799f, 1e-5f);
  EXPECT_EQ(voice_pitch_factor(0u, 0, 0), 1.0f);  // |v| within 0.001
  for (std::uint32_t seed = 0; seed < 2000; seed += 7) {
    const float f = voice_pitch_factor(seed * 2654435761u, static_cast<int>(seed % 300), 11);
    EXPECT_GE(f, 1.0f / 1.151f);
    EXPECT_LE(f, 1.151f);
  }
}

TEST_F(AgentSounds, VoiceReplacesThePreviousOneAtTheAgentsPitch) {
  const int voice_sound = add_sound({1});  // 0.1 s at 44100 Hz
  agent.seed = 123456789u;
  agent.agent_id = 0;  // the mission's player is someone else here
  mission.player_agent_id = 9;
  agent.troop = 3;
  advance_clock(clock_real_time, 1.0f);
  const int first = play_agent_voice(agent, mission, voice_sound);
  ASSERT_GE(first, 0);
  EXPECT_EQ(voice.channel, first);
  EXPECT_FLOAT_EQ(voice.duration, 0.1f);
  EXPECT_FLOAT_EQ(voice.voice_timer.elapsed(), 0.0f);
  const int pitch = audio.channel(first)->frequency;
  EXPECT_EQ(pitch, static_cast<int>(44100 * voice_pitch_factor(123456789u, 0, 3)));
  EXPECT_FALSE(audio.channel(first)->flat);

  const int second = play_agent_voice(agent, mission, voice_sound);
  EXPECT_FALSE(audio.is_playing(first));
  EXPECT_EQ(voice.channel, second);
  EXPECT_EQ(audio.channel(second)->frequency, pitch);  // the same agent, the same pitch

  struct natural_case {
    const char* what;
    bool horse;
    int player;
    std::uint32_t troop_flags;
    bool flat;
  };
  const natural_case cases[] = {
      {"the player's agent", false, 0, 0, true},
      {"troop type 1", false, 9, 0x21, false},
      {"a horse", true, 9, 0, false},
  };
  for (const natural_case& c : cases) {
    SCOPED_TRACE(c.what);
    agent.is_horse = c.horse;
    agent.troop_flags = c.troop_flags;
    mission.player_agent_id = c.player;
    const int ch = play_agent_voice(agent, mission, voice_sound);
    ASSERT_GE(ch, 0);
    EXPECT_EQ(audio.channel(ch)->frequency, 44100);
    EXPECT_EQ(audio.channel(ch)->flat, c.flat);
  }

  // Nothing to play: the old voice keeps running.
  const int held = voice.channel;
  EXPECT_EQ(play_agent_voice(agent, mission, -1), -1);
  EXPECT_EQ(voice.channel, held);
  EXPECT_TRUE(audio.is_playing(held));
}

TEST_F(AgentSounds, SplashPitchFallsWithSpeed) {
  struct splash_case {
    float speed;
    float low, high;  // the factor's range
  };
  const splash_case cases[] = {
      {0.0f, 0.36f + 0.95f, 0.36f + 1.05f},
      {1.2f, 0.95f, 1.05f},
      {5.0f, 0.95f, 1.05f},     // base clamped at 0
      {-10.0f, 1.45f, 1.55f},   // base clamped at 0.5
  };
  for (const splash_case& c : cases) {
    SCOPED_TRACE(c.speed);
    audio.calls.clear();
    for (int i = 0; i < 100; ++i) ASSERT_GE(play_agent_splash(agent, c.speed), 0);
    for (const audio_call& f : audio.calls_of(audio_call_kind::set_frequency)) {
      EXPECT_GE(f.value, static_cast<int>(22050 * c.low) - 1);
      EXPECT_LE(f.value, static_cast<int>(22050 * c.high));
    }
    for (const audio_call& p : audio.calls_of(audio_call_kind::set_position)) EXPECT_TRUE(p.has_position);
  }
}

}  // namespace

namespace {

// Without an audio device the game goes on silent, and the log says why.
TEST(SoundOutput, NoDeviceGoesOnSilentWithALogLine) {
  // Only OpenAL Soft's driver list decides here; no real device is touched.
  setenv("ALSOFT_DRIVERS", "no_such_driver", 1);
  const std::string path = testing::TempDir() + "sound_output_log.txt";
  ASSERT_TRUE(hm::open_engine_log(path));
  hm::platform::audio_backend* before = &hm::platform::audio_output();
  hm::start_sound_output();
  const bool silent = &hm::platform::audio_output() == before;
  // The sound player keeps working against the silent output.
  EXPECT_LT(hm::g_sound_manager.play_sound(0, 1, hm::vec3(), 1.0f, nullptr), 0);
  hm::update_sound();
  hm::stop_sound_output();
  hm::engine_log().close();
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  if (!silent) GTEST_SKIP() << "OpenAL opened a device despite the empty driver list";
  EXPECT_NE(text.find("Unable to open an audio device"), std::string::npos) << text;
}

}  // namespace
