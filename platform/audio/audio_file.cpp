#include "platform/audio/audio_file.h"

#include <sndfile.h>

#include "platform/audio/audio.h"

namespace hm::platform {
namespace {

// Averages `channels` interleaved channels of `count` frames into one.
void mix_down(const std::int16_t* in, int channels, int count, std::int16_t* out) {
  for (int i = 0; i < count; ++i) {
    int sum = 0;
    for (int c = 0; c < channels; ++c) sum += in[i * channels + c];
    out[i] = static_cast<std::int16_t>(sum / channels);
  }
}

}  // namespace

bool read_sound_file_info(const std::string& path, int& frequency, int& length) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  sf_close(file);
  if (info.samplerate <= 0 || info.frames <= 0 || info.frames > 0x7fffffff) return false;
  frequency = info.samplerate;
  length = static_cast<int>(info.frames);
  return true;
}

bool decode_sound_file(const std::string& path, bool mono, decoded_sound& out) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  // The piece below is sized by the channel count, so it is checked first.
  if (info.channels <= 0 || info.channels > 1024 || info.samplerate <= 0) {
    sf_close(file);
    return false;
  }
  // Some formats (mp3) report no frame count up front; read in pieces either way.
  std::vector<std::int16_t> all;
  std::vector<std::int16_t> piece(4096 * static_cast<std::size_t>(info.channels));
  for (;;) {
    const sf_count_t got = sf_readf_short(file, piece.data(), 4096);
    if (got <= 0) break;
    all.insert(all.end(), piece.begin(), piece.begin() + got * info.channels);
    if (all.size() / info.channels > 0x7fffffff / 2) break;
  }
  sf_close(file);
  if (all.empty()) return false;
  out.frequency = info.samplerate;
  const int count = static_cast<int>(all.size() / info.channels);
  if (info.channels == 1 || (info.channels == 2 && !mono)) {
    out.channels = info.channels;
    out.frames = std::move(all);
  } else {
    out.channels = 1;
    out.frames.resize(count);
    mix_down(all.data(), info.channels, count, out.frames.data());
  }
  return true;
}

sound_file_reader::~sound_file_reader() {
  if (file_) sf_close(static_cast<SNDFILE*>(file_));
}

bool sound_file_reader::open(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return false;
  if (info.channels <= 0 || info.samplerate <= 0) {
    sf_close(file);
    return false;
  }
  if (file_) sf_close(static_cast<SNDFILE*>(file_));
  file_ = file;
  frequency_ = info.samplerate;
  channels_ = info.channels;
  length_ = info.frames;
  return true;
}

int sound_file_reader::read(std::vector<std::int16_t>& out, int max_frames) {
  if (!file_) return 0;
  scratch_.resize(static_cast<std::size_t>(max_frames) * channels_);
  const sf_count_t got = sf_readf_short(static_cast<SNDFILE*>(file_), scratch_.data(), max_frames);
  if (got <= 0) return 0;
  const int count = static_cast<int>(got);
  if (channels_ <= 2) {
    out.assign(scratch_.begin(), scratch_.begin() + count * channels_);
  } else {
    out.resize(count);
    mix_down(scratch_.data(), channels_, count, out.data());
  }
  return count;
}

bool sound_file_reader::rewind() {
  return file_ && sf_seek(static_cast<SNDFILE*>(file_), 0, SEEK_SET) == 0;
}

}  // namespace hm::platform
