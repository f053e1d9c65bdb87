#pragma once
// Sound output: samples loaded from files (wav, ogg, flac, mp3), channels that
// play them with a volume, a pitch (frequency), pause, loop, priority and a 2D
// or 3D position, the listener, and streams for music.
//
// Handles: a sample or stream handle is above 0 (0 means none); a channel handle
// is 0 or more, and an operation on a channel that has ended or was taken over
// by another sound does nothing. A negative channel means nothing was played.
//
// Positions and directions are given in the engine's world axes (right-handed,
// z up). Each backend maps them to its own axes in one place, alike for sound
// positions and for the listener's position and orientation.
#include <memory>
#include <string>
#include <vector>

namespace hm::platform {

struct audio_vec {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  bool operator==(const audio_vec&) const = default;
};

// The world's axes (x east, y north, z up) as the axes of a listener-style
// output that is right-handed with y up and looks down -z: x stays, world up
// becomes +y, world north becomes -z. A rotation, so handedness is kept.
inline audio_vec audio_axes_from_world(const audio_vec& v) { return audio_vec{v.x, v.z, -v.y}; }

inline constexpr int audio_max_volume = 255;
inline constexpr int audio_max_priority = 255;

class audio_backend {
 public:
  virtual ~audio_backend() = default;

  // --- samples
  // Loads a whole sound file. A flat sample keeps its channels and is only ever
  // played without position; any other is mixed down to mono so that it can be
  // placed in 3D. Returns the sample handle, or 0 when the file cannot be read.
  virtual int load_sample(const std::string& path, bool flat) = 0;
  virtual void free_sample(int sample) = 0;
  // The sample's default frequency (Hz) and length in sample frames; false for a bad handle.
  virtual bool sample_info(int sample, int& default_frequency, int& length) const = 0;
  // The priority a new channel of this sample has until set_priority (0..255):
  // a channel is only taken over for a sound of at least its priority.
  virtual void set_sample_priority(int sample, int priority) = 0;

  // --- channels
  // Starts the sample on a free channel (taking over the lowest-priority one
  // when none is free), paused or at once. Negative when no channel was got.
  virtual int play_sample(int sample, bool paused) = 0;
  // Null: play flat (no position, full volume on both sides); else a point in world axes.
  virtual void set_position(int channel, const audio_vec* position) = 0;
  virtual void set_volume(int channel, int volume) = 0;  // 0..255
  virtual void set_loop(int channel, bool loop) = 0;
  virtual void set_current_position(int channel, int frame) = 0;  // sample frames
  virtual void set_frequency(int channel, int hz) = 0;
  virtual void set_priority(int channel, int priority) = 0;  // 0..255
  virtual void set_paused(int channel, bool paused) = 0;
  virtual void stop(int channel) = 0;
  virtual bool is_playing(int channel) const = 0;  // playing or paused

  // --- listener, in world axes
  virtual void set_listener(const audio_vec& position, const audio_vec& forward, const audio_vec& up) = 0;

  // Once a frame: refills streams and frees finished channels.
  virtual void update() = 0;

  // --- streams (music): decoded while playing
  // Opens a file for streaming; 0 when it cannot be read.
  virtual int open_stream(const std::string& path, bool loop) = 0;
  // Starts it on a channel of its own (never taken over); negative on failure.
  virtual int play_stream(int stream) = 0;
  // Milliseconds played (within the current pass of a looping stream) and the length.
  virtual int stream_time_ms(int stream) const = 0;
  virtual int stream_length_ms(int stream) const = 0;
  virtual void close_stream(int stream) = 0;
};

// --- the recording null backend

// One call made on the null backend, for tests to inspect.
enum class audio_call_kind {
  load_sample,
  free_sample,
  set_sample_priority,
  play_sample,
  set_position,
  set_volume,
  set_loop,
  set_current_position,
  set_frequency,
  set_priority,
  set_paused,
  stop,
  set_listener,
  update,
  open_stream,
  play_stream,
  close_stream,
};

struct audio_call {
  audio_call(audio_call_kind kind_, int handle_ = 0, int value_ = 0)
      : kind(kind_), handle(handle_), value(value_) {}
  audio_call_kind kind;
  int handle = 0;  // the channel, sample or stream
  int value = 0;   // the volume, frequency, priority, frame, flag... of the call
  bool has_position = false;
  audio_vec position;  // set_position (when has_position) and set_listener
  audio_vec forward;   // set_listener
  audio_vec up;        // set_listener
  std::string path;    // load_sample and open_stream
};

// The state of one channel of the null backend.
struct null_channel {
  int handle = -1;
  int sample = 0;
  int stream = 0;
  bool playing = false;  // false once stopped or taken over
  bool paused = false;
  bool loop = false;
  bool flat = true;
  audio_vec position;
  int volume = audio_max_volume;
  int frequency = 0;
  int priority = 128;
  int current_position = 0;
};

// Plays nothing and needs no device: keeps every channel's state and records
// every call. Samples loaded from files report the file's real frequency and
// length, so durations match the real backend. Channels never end by
// themselves; `channel_limit` (at most 4096) bounds how many can play at once,
// and a new sound takes over the lowest-priority channel as the real one does.
class null_audio final : public audio_backend {
 public:
  // A sample without a file, for tests.
  int add_sample(int default_frequency, int length);

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

  // The channel record of a handle, null when there is none.
  const null_channel* channel(int channel) const;
  // The calls of one kind, in order.
  std::vector<audio_call> calls_of(audio_call_kind kind) const;

  std::vector<audio_call> calls;
  bool recording = true;  // false keeps no call log (long headless runs)
  int channel_limit = 64;
  audio_vec listener_position, listener_forward{0.0f, 1.0f, 0.0f}, listener_up{0.0f, 0.0f, 1.0f};

 private:
  struct sample_record {
    int frequency = 0;
    int length = 0;
    int priority = 128;
    bool loaded = false;
  };
  struct stream_record {
    int frequency = 0;
    int length = 0;
    bool open = false;
  };
  void record(audio_call call) {
    if (recording) calls.push_back(std::move(call));
  }
  null_channel* find(int channel);
  int start_channel(null_channel c, int priority);

  std::vector<sample_record> samples_;  // handle - 1
  std::vector<stream_record> streams_;  // handle - 1
  std::vector<null_channel> channels_;  // by slot: handle mod 4096
  int serial_ = 0;
};

// --- the real backend

// OpenAL Soft on the default output device. Null when no device opens; `error`
// then says why.
std::unique_ptr<audio_backend> make_openal_audio(std::string* error = nullptr);

// --- the program's output

// The backend every sound goes through: the one installed last, or a null
// backend until then. Not owned.
audio_backend& audio_output();
void set_audio_output(audio_backend* backend);

// Reads a file's sample rate and frame count without decoding it.
bool read_sound_file_info(const std::string& path, int& frequency, int& length);

}  // namespace hm::platform
