#include <algorithm>

#include "platform/audio/audio.h"

namespace hm::platform {

int null_audio::add_sample(int default_frequency, int length) {
  samples_.push_back(sample_record{default_frequency, length, 128, true});
  return static_cast<int>(samples_.size());
}

int null_audio::load_sample(const std::string& path, bool flat) {
  audio_call call{audio_call_kind::load_sample};
  call.value = flat ? 1 : 0;
  call.path = path;
  int frequency = 0, length = 0;
  if (read_sound_file_info(path, frequency, length)) call.handle = add_sample(frequency, length);
  record(call);
  return call.handle;
}

void null_audio::free_sample(int sample) {
  record({audio_call_kind::free_sample, sample});
  if (sample >= 1 && sample <= static_cast<int>(samples_.size())) samples_[sample - 1].loaded = false;
}

bool null_audio::sample_info(int sample, int& default_frequency, int& length) const {
  if (sample < 1 || sample > static_cast<int>(samples_.size()) || !samples_[sample - 1].loaded) return false;
  default_frequency = samples_[sample - 1].frequency;
  length = samples_[sample - 1].length;
  return true;
}

void null_audio::set_sample_priority(int sample, int priority) {
  record({audio_call_kind::set_sample_priority, sample, priority});
  if (sample >= 1 && sample <= static_cast<int>(samples_.size())) samples_[sample - 1].priority = priority;
}

namespace {
constexpr int k_slot_bits = 12;
constexpr int k_slot_mask = (1 << k_slot_bits) - 1;
}  // namespace

// Puts c on a free slot, or over the lowest-priority sample channel whose
// priority does not exceed `priority` when all `channel_limit` are busy.
int null_audio::start_channel(null_channel c, int priority) {
  int slot = -1;
  int victim = -1;
  const int limit = std::min(channel_limit, k_slot_mask + 1);
  for (int i = 0; i < static_cast<int>(channels_.size()) && i < limit; ++i) {
    const null_channel& other = channels_[i];
    if (!other.playing) {
      slot = i;
      break;
    }
    if (other.stream == 0 && other.priority <= priority &&
        (victim < 0 || other.priority < channels_[victim].priority))
      victim = i;
  }
  if (slot < 0 && static_cast<int>(channels_.size()) < limit) {
    slot = static_cast<int>(channels_.size());
    channels_.emplace_back();
  }
  if (slot < 0) slot = victim;
  if (slot < 0) return -1;
  serial_ = (serial_ + 1) & 0x7ffff;
  c.handle = (serial_ << k_slot_bits) | slot;
  channels_[slot] = c;
  return c.handle;
}

int null_audio::play_sample(int sample, bool paused) {
  audio_call call{audio_call_kind::play_sample, -1, paused ? 1 : 0};
  call.path = std::to_string(sample);
  if (sample >= 1 && sample <= static_cast<int>(samples_.size()) && samples_[sample - 1].loaded) {
    const sample_record& s = samples_[sample - 1];
    null_channel c;
    c.sample = sample;
    c.playing = true;
    c.paused = paused;
    c.frequency = s.frequency;
    c.priority = s.priority;
    call.handle = start_channel(c, s.priority);
  }
  record(call);
  return call.handle;
}

null_channel* null_audio::find(int channel) {
  if (channel < 0) return nullptr;
  const int slot = channel & k_slot_mask;
  if (slot >= static_cast<int>(channels_.size())) return nullptr;
  null_channel* c = &channels_[slot];
  return c->handle == channel && c->playing ? c : nullptr;
}

const null_channel* null_audio::channel(int channel) const {
  if (channel < 0) return nullptr;
  const int slot = channel & k_slot_mask;
  if (slot >= static_cast<int>(channels_.size())) return nullptr;
  return channels_[slot].handle == channel ? &channels_[slot] : nullptr;
}

void null_audio::set_position(int channel, const audio_vec* position) {
  audio_call call{audio_call_kind::set_position, channel};
  if (position) {
    call.has_position = true;
    call.position = *position;
  }
  record(call);
  if (null_channel* c = find(channel)) {
    c->flat = position == nullptr;
    c->position = position ? *position : audio_vec{};
  }
}

void null_audio::set_volume(int channel, int volume) {
  record({audio_call_kind::set_volume, channel, volume});
  if (null_channel* c = find(channel)) c->volume = std::clamp(volume, 0, audio_max_volume);
}

void null_audio::set_loop(int channel, bool loop) {
  record({audio_call_kind::set_loop, channel, loop ? 1 : 0});
  if (null_channel* c = find(channel)) c->loop = loop;
}

void null_audio::set_current_position(int channel, int frame) {
  record({audio_call_kind::set_current_position, channel, frame});
  if (null_channel* c = find(channel)) c->current_position = frame;
}

void null_audio::set_frequency(int channel, int hz) {
  record({audio_call_kind::set_frequency, channel, hz});
  if (null_channel* c = find(channel)) c->frequency = hz;
}

void null_audio::set_priority(int channel, int priority) {
  record({audio_call_kind::set_priority, channel, priority});
  if (null_channel* c = find(channel)) c->priority = std::clamp(priority, 0, audio_max_priority);
}

void null_audio::set_paused(int channel, bool paused) {
  record({audio_call_kind::set_paused, channel, paused ? 1 : 0});
  if (null_channel* c = find(channel)) c->paused = paused;
}

void null_audio::stop(int channel) {
  record({audio_call_kind::stop, channel});
  if (null_channel* c = find(channel)) c->playing = false;
}

bool null_audio::is_playing(int channel) const {
  const null_channel* c = this->channel(channel);
  return c && c->playing;
}

void null_audio::set_listener(const audio_vec& position, const audio_vec& forward, const audio_vec& up) {
  audio_call call{audio_call_kind::set_listener};
  call.position = position;
  call.forward = forward;
  call.up = up;
  record(call);
  listener_position = position;
  listener_forward = forward;
  listener_up = up;
}

void null_audio::update() { record({audio_call_kind::update}); }

int null_audio::open_stream(const std::string& path, bool loop) {
  audio_call call{audio_call_kind::open_stream, 0, loop ? 1 : 0};
  call.path = path;
  int frequency = 0, length = 0;
  if (read_sound_file_info(path, frequency, length)) {
    streams_.push_back(stream_record{frequency, length, true});
    call.handle = static_cast<int>(streams_.size());
  }
  record(call);
  return call.handle;
}

int null_audio::play_stream(int stream) {
  audio_call call{audio_call_kind::play_stream, -1, stream};
  if (stream >= 1 && stream <= static_cast<int>(streams_.size()) && streams_[stream - 1].open) {
    null_channel c;
    c.stream = stream;
    c.playing = true;
    c.frequency = streams_[stream - 1].frequency;
    c.priority = audio_max_priority;
    call.handle = start_channel(c, audio_max_priority);
  }
  record(call);
  return call.handle;
}

int null_audio::stream_time_ms(int) const { return 0; }

int null_audio::stream_length_ms(int stream) const {
  if (stream < 1 || stream > static_cast<int>(streams_.size()) || !streams_[stream - 1].open) return 0;
  const stream_record& s = streams_[stream - 1];
  return static_cast<int>(static_cast<long long>(s.length) * 1000 / s.frequency);
}

void null_audio::close_stream(int stream) {
  record({audio_call_kind::close_stream, stream});
  if (stream < 1 || stream > static_cast<int>(streams_.size())) return;
  streams_[stream - 1].open = false;
  for (null_channel& c : channels_)
    if (c.stream == stream) c.playing = false;
}

std::vector<audio_call> null_audio::calls_of(audio_call_kind kind) const {
  std::vector<audio_call> out;
  for (const audio_call& c : calls)
    if (c.kind == kind) out.push_back(c);
  return out;
}

namespace {
audio_backend* g_output = nullptr;
}

audio_backend& audio_output() {
  static null_audio silent = [] {
    null_audio a;
    a.recording = false;
    return a;
  }();
  return g_output ? *g_output : silent;
}

void set_audio_output(audio_backend* backend) { g_output = backend; }

}  // namespace hm::platform
