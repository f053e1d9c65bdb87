// The real sound output: OpenAL Soft on the default device, files decoded by
// libsndfile. Each channel is one OpenAL source; music streams queue buffers
// on a source of their own and are refilled by update().
#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/audio/audio.h"
#include "platform/audio/audio_file.h"
#include "platform/library_messages.h"

namespace hm::platform {
namespace {

constexpr int k_max_voices = 64;
constexpr int k_slot_bits = 12;
constexpr int k_slot_mask = (1 << k_slot_bits) - 1;
constexpr int k_stream_buffers = 4;
constexpr int k_stream_buffer_frames = 8192;

void set_al_vec(ALuint source, ALenum param, const audio_vec& world) {
  const audio_vec v = audio_axes_from_world(world);
  alSource3f(source, param, v.x, v.y, v.z);
}

ALenum al_format(int channels) { return channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16; }

class openal_audio final : public audio_backend {
 public:
  openal_audio(ALCdevice* device, ALCcontext* context) : device_(device), context_(context) {}
  ~openal_audio() override;

  bool create_voices();

  int load_sample(const std::string& path, bool flat) override;
  void free_sample(int sample) override;
  bool sample_info(int sample, int& default_frequency, int& length) const override;
  void set_sample_priority(int sample, int priority) override;
  int play_sample(int sample, bool paused) override;
  void set_position(int channel, const audio_vec* position) override;
  void set_volume(int channel, int volume) override;
  void set_loop(int channel, bool loop) override;
  void set_current_position(int channel, int frame) override;
  void set_frequency(int channel, int hz) override;
  void set_priority(int channel, int priority) override;
  void set_paused(int channel, bool paused) override;
  void stop(int channel) override;
  bool is_playing(int channel) const override;
  void set_listener(const audio_vec& position, const audio_vec& forward, const audio_vec& up) override;
  void update() override;
  int open_stream(const std::string& path, bool loop) override;
  int play_stream(int stream) override;
  int stream_time_ms(int stream) const override;
  int stream_length_ms(int stream) const override;
  void close_stream(int stream) override;

 private:
  struct sample_record {
    ALuint buffer = 0;
    int frequency = 0;
    int length = 0;
    int priority = 128;
  };
  struct stream_record {
    sound_file_reader reader;
    bool loop = false;
    bool ended = false;  // the file has been read to its end (and does not loop)
    std::array<ALuint, k_stream_buffers> buffers{};
    std::vector<int> queued_frames;  // frames of each queued buffer, oldest first
    std::int64_t frames_done = 0;    // frames of buffers already played
    int channel = -1;
  };
  struct voice {
    ALuint source = 0;
    int handle = -1;  // -1 free
    int sample = 0;
    int stream = 0;
    int priority = 128;
    bool paused = false;  // held by us (also before the first start)
  };

  voice* find(int channel);
  const voice* find(int channel) const;
  bool voice_busy(const voice& v) const;
  int take_voice(int priority);
  void release(voice& v);
  // Reads the next piece of a stream into `buffer`; false at the end.
  bool fill(stream_record& s, ALuint buffer);
  stream_record* stream_at(int stream);
  const stream_record* stream_at(int stream) const;

  ALCdevice* device_;
  ALCcontext* context_;
  std::vector<voice> voices_;
  std::vector<std::unique_ptr<sample_record>> samples_;  // handle - 1
  std::vector<std::unique_ptr<stream_record>> streams_;  // handle - 1
  std::vector<std::int16_t> pcm_;
  int serial_ = 0;
};

openal_audio::~openal_audio() {
  for (std::size_t i = 0; i < streams_.size(); ++i)
    if (streams_[i]) close_stream(static_cast<int>(i) + 1);
  for (voice& v : voices_) {
    alSourceStop(v.source);
    alSourcei(v.source, AL_BUFFER, 0);
    alDeleteSources(1, &v.source);
  }
  for (auto& s : samples_)
    if (s) alDeleteBuffers(1, &s->buffer);
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context_);
  alcCloseDevice(device_);
}

bool openal_audio::create_voices() {
  for (int i = 0; i < k_max_voices; ++i) {
    voice v;
    alGetError();
    alGenSources(1, &v.source);
    if (alGetError() != AL_NO_ERROR) break;
    voices_.push_back(v);
  }
  // Sounds fade as 1 / distance beyond one unit, as the game's sounds expect.
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  return !voices_.empty();
}

// --- samples

int openal_audio::load_sample(const std::string& path, bool flat) {
  decoded_sound sound;
  if (!decode_sound_file(path, !flat, sound)) return 0;
  auto s = std::make_unique<sample_record>();
  alGetError();
  alGenBuffers(1, &s->buffer);
  alBufferData(s->buffer, al_format(sound.channels), sound.frames.data(),
               static_cast<ALsizei>(sound.frames.size() * sizeof(std::int16_t)), sound.frequency);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &s->buffer);
    return 0;
  }
  s->frequency = sound.frequency;
  s->length = sound.length();
  for (std::size_t i = 0; i < samples_.size(); ++i) {
    if (!samples_[i]) {
      samples_[i] = std::move(s);
      return static_cast<int>(i) + 1;
    }
  }
  samples_.push_back(std::move(s));
  return static_cast<int>(samples_.size());
}

void openal_audio::free_sample(int sample) {
  if (sample < 1 || sample > static_cast<int>(samples_.size()) || !samples_[sample - 1]) return;
  for (voice& v : voices_)
    if (v.handle >= 0 && v.sample == sample) release(v);
  alDeleteBuffers(1, &samples_[sample - 1]->buffer);
  samples_[sample - 1].reset();
}

bool openal_audio::sample_info(int sample, int& default_frequency, int& length) const {
  if (sample < 1 || sample > static_cast<int>(samples_.size()) || !samples_[sample - 1]) return false;
  default_frequency = samples_[sample - 1]->frequency;
  length = samples_[sample - 1]->length;
  return true;
}

void openal_audio::set_sample_priority(int sample, int priority) {
  if (sample < 1 || sample > static_cast<int>(samples_.size()) || !samples_[sample - 1]) return;
  samples_[sample - 1]->priority = std::clamp(priority, 0, audio_max_priority);
}

// --- channels

bool openal_audio::voice_busy(const voice& v) const {
  if (v.handle < 0) return false;
  if (v.paused || v.stream) return true;
  ALint state = AL_STOPPED;
  alGetSourcei(v.source, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING || state == AL_PAUSED;
}

void openal_audio::release(voice& v) {
  alSourceStop(v.source);
  alSourcei(v.source, AL_BUFFER, 0);
  if (v.stream) {
    if (stream_record* s = stream_at(v.stream)) {
      s->channel = -1;
      s->queued_frames.clear();
    }
  }
  v.handle = -1;
  v.sample = 0;
  v.stream = 0;
  v.paused = false;
}

int openal_audio::take_voice(int priority) {
  int chosen = -1;
  int victim = -1;
  for (int i = 0; i < static_cast<int>(voices_.size()); ++i) {
    const voice& v = voices_[i];
    if (!voice_busy(v)) {
      chosen = i;
      break;
    }
    if (!v.stream && v.priority <= priority && (victim < 0 || v.priority < voices_[victim].priority))
      victim = i;
  }
  if (chosen < 0) chosen = victim;
  if (chosen < 0) return -1;
  voice& v = voices_[chosen];
  if (v.handle >= 0) release(v);
  serial_ = (serial_ + 1) & 0x7ffff;
  v.handle = (serial_ << k_slot_bits) | chosen;
  // A fresh channel: flat, full volume, natural pitch, from the start.
  alSourcei(v.source, AL_LOOPING, AL_FALSE);
  alSourcef(v.source, AL_GAIN, 1.0f);
  alSourcef(v.source, AL_PITCH, 1.0f);
  alSourcei(v.source, AL_SOURCE_RELATIVE, AL_TRUE);
  alSource3f(v.source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  return chosen;
}

int openal_audio::play_sample(int sample, bool paused) {
  if (sample < 1 || sample > static_cast<int>(samples_.size()) || !samples_[sample - 1]) return -1;
  const sample_record& s = *samples_[sample - 1];
  const int index = take_voice(s.priority);
  if (index < 0) return -1;
  voice& v = voices_[index];
  v.sample = sample;
  v.priority = s.priority;
  v.paused = paused;
  alSourcei(v.source, AL_BUFFER, static_cast<ALint>(s.buffer));
  if (!paused) alSourcePlay(v.source);
  return v.handle;
}

openal_audio::voice* openal_audio::find(int channel) {
  return const_cast<voice*>(static_cast<const openal_audio*>(this)->find(channel));
}

const openal_audio::voice* openal_audio::find(int channel) const {
  if (channel < 0) return nullptr;
  const int slot = channel & k_slot_mask;
  if (slot >= static_cast<int>(voices_.size())) return nullptr;
  const voice& v = voices_[slot];
  return v.handle == channel ? &v : nullptr;
}

void openal_audio::set_position(int channel, const audio_vec* position) {
  voice* v = find(channel);
  if (!v) return;
  if (!position) {
    alSourcei(v->source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(v->source, AL_POSITION, 0.0f, 0.0f, 0.0f);
  } else {
    alSourcei(v->source, AL_SOURCE_RELATIVE, AL_FALSE);
    set_al_vec(v->source, AL_POSITION, *position);
  }
}

void openal_audio::set_volume(int channel, int volume) {
  if (voice* v = find(channel))
    alSourcef(v->source, AL_GAIN, static_cast<float>(std::clamp(volume, 0, audio_max_volume)) / 255.0f);
}

void openal_audio::set_loop(int channel, bool loop) {
  voice* v = find(channel);
  if (v && !v->stream) alSourcei(v->source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
}

void openal_audio::set_current_position(int channel, int frame) {
  voice* v = find(channel);
  if (v && !v->stream) alSourcei(v->source, AL_SAMPLE_OFFSET, std::max(0, frame));
}

void openal_audio::set_frequency(int channel, int hz) {
  voice* v = find(channel);
  if (!v || hz <= 0) return;
  int natural = 0;
  if (v->stream) {
    if (const stream_record* s = stream_at(v->stream)) natural = s->reader.frequency();
  } else if (v->sample >= 1 && v->sample <= static_cast<int>(samples_.size()) && samples_[v->sample - 1]) {
    natural = samples_[v->sample - 1]->frequency;
  }
  if (natural <= 0) return;
  alSourcef(v->source, AL_PITCH, static_cast<float>(hz) / static_cast<float>(natural));
}

void openal_audio::set_priority(int channel, int priority) {
  if (voice* v = find(channel)) v->priority = std::clamp(priority, 0, audio_max_priority);
}

void openal_audio::set_paused(int channel, bool paused) {
  voice* v = find(channel);
  if (!v || v->paused == paused) return;
  v->paused = paused;
  if (paused)
    alSourcePause(v->source);
  else
    alSourcePlay(v->source);
}

void openal_audio::stop(int channel) {
  if (voice* v = find(channel)) release(*v);
}

bool openal_audio::is_playing(int channel) const {
  const voice* v = find(channel);
  return v && voice_busy(*v);
}

void openal_audio::set_listener(const audio_vec& position, const audio_vec& forward, const audio_vec& up) {
  const audio_vec p = audio_axes_from_world(position);
  const audio_vec f = audio_axes_from_world(forward);
  const audio_vec u = audio_axes_from_world(up);
  alListener3f(AL_POSITION, p.x, p.y, p.z);
  const ALfloat orientation[6] = {f.x, f.y, f.z, u.x, u.y, u.z};
  alListenerfv(AL_ORIENTATION, orientation);
}

void openal_audio::update() {
  for (std::size_t i = 0; i < streams_.size(); ++i) {
    stream_record* s = streams_[i].get();
    if (!s) continue;
    voice* v = find(s->channel);
    if (!v) continue;
    ALint processed = 0;
    alGetSourcei(v->source, AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(v->source, 1, &buffer);
      if (!s->queued_frames.empty()) {
        s->frames_done += s->queued_frames.front();
        s->queued_frames.erase(s->queued_frames.begin());
      }
      if (fill(*s, buffer)) alSourceQueueBuffers(v->source, 1, &buffer);
    }
    // A source that ran dry while data remains (a long frame) starts again.
    ALint state = AL_STOPPED;
    alGetSourcei(v->source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED && !v->paused && !s->queued_frames.empty()) alSourcePlay(v->source);
  }
}

// --- streams

openal_audio::stream_record* openal_audio::stream_at(int stream) {
  return const_cast<stream_record*>(static_cast<const openal_audio*>(this)->stream_at(stream));
}

const openal_audio::stream_record* openal_audio::stream_at(int stream) const {
  if (stream < 1 || stream > static_cast<int>(streams_.size())) return nullptr;
  return streams_[stream - 1].get();
}

bool openal_audio::fill(stream_record& s, ALuint buffer) {
  if (s.ended) return false;
  int got = s.reader.read(pcm_, k_stream_buffer_frames);
  if (got == 0 && s.loop && s.reader.rewind()) got = s.reader.read(pcm_, k_stream_buffer_frames);
  if (got == 0) {
    s.ended = true;
    return false;
  }
  alBufferData(buffer, al_format(s.reader.channels()), pcm_.data(),
               static_cast<ALsizei>(static_cast<std::size_t>(got) * s.reader.channels() * sizeof(std::int16_t)),
               s.reader.frequency());
  s.queued_frames.push_back(got);
  return true;
}

int openal_audio::open_stream(const std::string& path, bool loop) {
  auto s = std::make_unique<stream_record>();
  if (!s->reader.open(path)) return 0;
  s->loop = loop;
  alGetError();
  alGenBuffers(k_stream_buffers, s->buffers.data());
  if (alGetError() != AL_NO_ERROR) return 0;
  for (std::size_t i = 0; i < streams_.size(); ++i) {
    if (!streams_[i]) {
      streams_[i] = std::move(s);
      return static_cast<int>(i) + 1;
    }
  }
  streams_.push_back(std::move(s));
  return static_cast<int>(streams_.size());
}

int openal_audio::play_stream(int stream) {
  stream_record* s = stream_at(stream);
  if (!s || s->channel >= 0) return -1;
  const int index = take_voice(audio_max_priority);
  if (index < 0) return -1;
  voice& v = voices_[index];
  v.stream = stream;
  v.priority = audio_max_priority;
  s->channel = v.handle;
  for (ALuint buffer : s->buffers)
    if (fill(*s, buffer)) alSourceQueueBuffers(v.source, 1, &buffer);
  alSourcePlay(v.source);
  return v.handle;
}

int openal_audio::stream_time_ms(int stream) const {
  const stream_record* s = stream_at(stream);
  if (!s || s->reader.frequency() <= 0) return 0;
  std::int64_t frames = s->frames_done;
  if (const voice* v = find(s->channel)) {
    // The offset counts from the first buffer still queued; a source that ran
    // to its end reads 0 there, having played everything queued.
    ALint state = AL_STOPPED;
    alGetSourcei(v->source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED) {
      for (int queued : s->queued_frames) frames += queued;
    } else {
      ALint offset = 0;
      alGetSourcei(v->source, AL_SAMPLE_OFFSET, &offset);
      frames += offset;
    }
  }
  if (s->loop && s->reader.length() > 0) frames %= s->reader.length();
  if (s->reader.length() > 0) frames = std::min(frames, s->reader.length());
  return static_cast<int>(frames * 1000 / s->reader.frequency());
}

int openal_audio::stream_length_ms(int stream) const {
  const stream_record* s = stream_at(stream);
  if (!s || s->reader.frequency() <= 0) return 0;
  return static_cast<int>(s->reader.length() * 1000 / s->reader.frequency());
}

void openal_audio::close_stream(int stream) {
  stream_record* s = stream_at(stream);
  if (!s) return;
  if (voice* v = find(s->channel)) release(*v);
  alDeleteBuffers(k_stream_buffers, s->buffers.data());
  streams_[stream - 1].reset();
}

}  // namespace

std::unique_ptr<audio_backend> make_openal_audio(std::string* error) {
  auto fail = [&](const char* why) -> std::unique_ptr<audio_backend> {
    if (error) *error = why;
    return nullptr;
  };
  // What the sound libraries say while they look for a device goes to the
  // engine's log, not to the terminal: the ALSA library through its error
  // handler (from now on), OpenAL Soft's own lines, which it writes to
  // standard error unbuffered, caught while it opens.
  capture_alsa_messages();
  scoped_stderr_capture quiet;
  ALCdevice* device = alcOpenDevice(nullptr);
  if (!device) return fail("no audio output device could be opened");
  ALCcontext* context = alcCreateContext(device, nullptr);
  if (!context || !alcMakeContextCurrent(context)) {
    if (context) alcDestroyContext(context);
    alcCloseDevice(device);
    return fail("the audio device refused a context");
  }
  auto audio = std::make_unique<openal_audio>(device, context);
  if (!audio->create_voices()) return fail("the audio device gave no voices");
  return audio;
}

}  // namespace hm::platform
