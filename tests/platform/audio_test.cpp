#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/audio.h"

namespace {

using namespace hm::platform;
namespace fs = std::filesystem;

// --- helpers

audio_vec cross(const audio_vec& a, const audio_vec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dot(const audio_vec& a, const audio_vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
audio_vec sub(const audio_vec& a, const audio_vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
audio_vec add(const audio_vec& a, const audio_vec& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

void put16(std::ofstream& out, std::uint16_t v) { out.put(char(v & 0xff)).put(char(v >> 8)); }
void put32(std::ofstream& out, std::uint32_t v) {
  put16(out, std::uint16_t(v & 0xffff));
  put16(out, std::uint16_t(v >> 16));
}

// A 16-bit PCM wav file with a sine tone.
void write_wav(const fs::path& path, int frequency, int channels, int frames) {
  std::ofstream out(path, std::ios::binary);
  const std::uint32_t data_bytes = std::uint32_t(frames) * channels * 2;
  out.write("RIFF", 4);
  put32(out, 36 + data_bytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);
  put16(out, 1);
  put16(out, std::uint16_t(channels));
  put32(out, std::uint32_t(frequency));
  put32(out, std::uint32_t(frequency) * channels * 2);
  put16(out, std::uint16_t(channels * 2));
  put16(out, 16);
  out.write("data", 4);
  put32(out, data_bytes);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      put16(out, std::uint16_t(std::int16_t(8000 * std::sin(i * 440.0 * 6.2831853 / frequency))));
}

class temp_folder {
 public:
  temp_folder() {
    path_ = fs::temp_directory_path() / ("hm_audio_test_" + std::to_string(::getpid()));
    fs::create_directories(path_);
  }
  ~temp_folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path operator/(const char* name) const { return path_ / name; }

 private:
  fs::path path_;
};

// --- the axis mapping

// A sound on the listener's right (its side axis, in world terms) must come out
// on the right of the output's listener, whichever way the listener faces, and
// a sound ahead must be ahead: positions and orientation go through one mapping.
TEST(AudioAxes, SoundsKeepTheirSideAndFrontForAnyListenerFacing) {
  struct facing {
    audio_vec side, forward, up;
  };
  const float r = std::sqrt(0.5f);
  const facing cases[] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},   // north
      {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},  // east
      {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}, // south
      {{r, -r, 0}, {r, r, 0}, {0, 0, 1}},  // north-east
      {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}},  // looking straight up
  };
  const audio_vec origin{10, -4, 2};
  for (const facing& c : cases) {
    const audio_vec f = audio_axes_from_world(c.forward);
    const audio_vec u = audio_axes_from_world(c.up);
    const audio_vec right = cross(f, u);  // the listener's right in a right-handed output
    const audio_vec p = audio_axes_from_world(origin);
    const audio_vec to_side = sub(audio_axes_from_world(add(origin, c.side)), p);
    const audio_vec to_front = sub(audio_axes_from_world(add(origin, c.forward)), p);
    const audio_vec to_top = sub(audio_axes_from_world(add(origin, c.up)), p);
    EXPECT_NEAR(dot(to_side, right), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(to_front, f), 1.0f, 1e-5f);
    EXPECT_NEAR(dot(to_top, u), 1.0f, 1e-5f);
  }
  // World up is the output's up, world north its default looking direction.
  EXPECT_EQ(audio_axes_from_world({0, 0, 1}), (audio_vec{0, 1, 0}));
  EXPECT_EQ(audio_axes_from_world({0, 1, 0}), (audio_vec{0, 0, -1}));
}

// --- the recording null backend

TEST(NullAudio, RecordsChannelStateAndIgnoresStaleHandles) {
  null_audio audio;
  const int sample = audio.add_sample(22050, 11025);
  const int ch = audio.play_sample(sample, true);
  ASSERT_GE(ch, 0);
  const audio_vec where{1, 2, 3};
  audio.set_position(ch, &where);
  audio.set_volume(ch, 300);
  audio.set_frequency(ch, 30000);
  audio.set_paused(ch, false);
  const null_channel* c = audio.channel(ch);
  ASSERT_NE(c, nullptr);
  EXPECT_FALSE(c->flat);
  EXPECT_EQ(c->position, where);
  EXPECT_EQ(c->volume, 255);
  EXPECT_EQ(c->frequency, 30000);
  EXPECT_FALSE(c->paused);
  EXPECT_EQ(audio.calls_of(audio_call_kind::set_volume).at(0).value, 300);

  audio.stop(ch);
  EXPECT_FALSE(audio.is_playing(ch));
  // The slot is used again; the old handle must not reach the new sound.
  const int next = audio.play_sample(sample, false);
  ASSERT_GE(next, 0);
  EXPECT_NE(next, ch);
  audio.set_volume(ch, 7);
  EXPECT_EQ(audio.channel(next)->volume, 255);
  EXPECT_EQ(audio.play_sample(0, false), -1);
  EXPECT_EQ(audio.play_sample(99, false), -1);
}

TEST(NullAudio, FullChannelsAreTakenOverByPriority) {
  null_audio audio;
  audio.channel_limit = 2;
  const int low = audio.add_sample(8000, 100);
  const int high = audio.add_sample(8000, 100);
  audio.set_sample_priority(low, 10);
  audio.set_sample_priority(high, 200);
  const int a = audio.play_sample(high, false);
  const int b = audio.play_sample(low, false);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  // A third low sound may take over only the other low one.
  const int c = audio.play_sample(low, false);
  ASSERT_GE(c, 0);
  EXPECT_FALSE(audio.is_playing(b));
  EXPECT_TRUE(audio.is_playing(a));
  // Raise the playing low channel above the newcomer: nothing can be taken.
  audio.set_priority(c, 250);
  EXPECT_LT(audio.play_sample(low, false), 0);
}

TEST(NullAudio, ReportsTheRealLengthOfSoundFiles) {
  temp_folder dir;
  write_wav(dir / "tone.wav", 11025, 2, 5512);
  null_audio audio;
  const int sample = audio.load_sample((dir / "tone.wav").string(), false);
  int frequency = 0, length = 0;
  ASSERT_TRUE(audio.sample_info(sample, frequency, length));
  EXPECT_EQ(frequency, 11025);
  EXPECT_EQ(length, 5512);
  EXPECT_EQ(audio.load_sample((dir / "missing.wav").string(), false), 0);
  const int stream = audio.open_stream((dir / "tone.wav").string(), false);
  EXPECT_EQ(audio.stream_length_ms(stream), 499);
}

// --- the real backend on OpenAL Soft's null output

class OpenAlAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ALSOFT_DRIVERS", "null", 1);
    std::string error;
    audio_ = make_openal_audio(&error);
    if (!audio_) GTEST_SKIP() << "no audio device: " << error;
  }

  // Waits (briefly, in real time: the output mixes in real time) for a channel to end.
  bool wait_until_stopped(int channel) {
    for (int i = 0; i < 200 && audio_->is_playing(channel); ++i) {
      audio_->update();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !audio_->is_playing(channel);
  }

  temp_folder dir_;
  std::unique_ptr<audio_backend> audio_;
};

TEST_F(OpenAlAudio, PlaysAGeneratedWavToItsEnd) {
  write_wav(dir_ / "blip.wav", 22050, 1, 2205);  // 0.1 s
  const int sample = audio_->load_sample((dir_ / "blip.wav").string(), false);
  ASSERT_GT(sample, 0);
  int frequency = 0, length = 0;
  ASSERT_TRUE(audio_->sample_info(sample, frequency, length));
  EXPECT_EQ(frequency, 22050);
  EXPECT_EQ(length, 2205);

  const int ch = audio_->play_sample(sample, true);
  ASSERT_GE(ch, 0);
  const audio_vec where{3, 4, 0};
  audio_->set_position(ch, &where);
  audio_->set_listener({0, 0, 0}, {0, 1, 0}, {0, 0, 1});
  audio_->set_volume(ch, 128);
  audio_->set_frequency(ch, 44100);  // double speed
  audio_->set_priority(ch, 40);
  audio_->set_paused(ch, false);
  EXPECT_TRUE(audio_->is_playing(ch));
  EXPECT_TRUE(wait_until_stopped(ch));
}

TEST_F(OpenAlAudio, LoopsUntilStoppedAndDropsStaleHandles) {
  write_wav(dir_ / "loop.wav", 8000, 2, 400);  // stereo, 0.05 s
  const int sample = audio_->load_sample((dir_ / "loop.wav").string(), true);
  ASSERT_GT(sample, 0);
  const int ch = audio_->play_sample(sample, false);
  ASSERT_GE(ch, 0);
  audio_->set_position(ch, nullptr);
  audio_->set_loop(ch, true);
  audio_->set_current_position(ch, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_TRUE(audio_->is_playing(ch));
  audio_->stop(ch);
  EXPECT_FALSE(audio_->is_playing(ch));
  const int next = audio_->play_sample(sample, true);
  ASSERT_GE(next, 0);
  audio_->stop(ch);  // stale: must leave the new channel alone
  EXPECT_TRUE(audio_->is_playing(next));
  audio_->stop(next);
}

TEST_F(OpenAlAudio, StreamsAFileAndReportsItsTimes) {
  write_wav(dir_ / "music.wav", 22050, 2, 22050 / 5);  // 0.2 s
  const int stream = audio_->open_stream((dir_ / "music.wav").string(), false);
  ASSERT_GT(stream, 0);
  EXPECT_EQ(audio_->stream_length_ms(stream), 200);
  const int ch = audio_->play_stream(stream);
  ASSERT_GE(ch, 0);
  audio_->set_volume(ch, 200);
  int last = 0;
  for (int i = 0; i < 100 && last < 200; ++i) {
    audio_->update();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int t = audio_->stream_time_ms(stream);
    EXPECT_GE(t, last);
    last = t;
  }
  EXPECT_EQ(last, 200);
  audio_->close_stream(stream);
  EXPECT_FALSE(audio_->is_playing(ch));
}

TEST_F(OpenAlAudio, UnreadableFilesGiveNoHandle) {
  std::ofstream(dir_ / "junk.wav") << "not a sound file";
  EXPECT_EQ(audio_->load_sample((dir_ / "junk.wav").string(), false), 0);
  EXPECT_EQ(audio_->load_sample((dir_ / "absent.ogg").string(), false), 0);
  EXPECT_EQ(audio_->open_stream((dir_ / "junk.wav").string(), true), 0);
  EXPECT_LT(audio_->play_sample(12345, false), 0);
}

}  // namespace
