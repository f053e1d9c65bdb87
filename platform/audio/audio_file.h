#pragma once
// Sound files through libsndfile (wav, ogg, flac, mp3 and more): whole-file
// decoding for samples and a sequential reader for streams. Platform-internal.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hm::platform {

struct decoded_sound {
  int frequency = 0;
  int channels = 0;  // 1 or 2 after decoding
  std::vector<std::int16_t> frames;  // interleaved
  int length() const { return channels ? static_cast<int>(frames.size()) / channels : 0; }
};

// Decodes a whole file to 16-bit frames. With `mono`, or when the file has more
// than two channels, the channels are averaged into one. False when unreadable or empty.
bool decode_sound_file(const std::string& path, bool mono, decoded_sound& out);

// Reads a file piece by piece, for music.
class sound_file_reader {
 public:
  ~sound_file_reader();
  bool open(const std::string& path);
  int frequency() const { return frequency_; }
  int channels() const { return channels_ > 2 ? 1 : channels_; }  // as read() delivers
  std::int64_t length() const { return length_; }
  // Reads up to `max_frames` frames; 0 at the end of the file.
  int read(std::vector<std::int16_t>& out, int max_frames);
  bool rewind();

 private:
  void* file_ = nullptr;
  int frequency_ = 0;
  int channels_ = 0;
  std::int64_t length_ = 0;
  std::vector<std::int16_t> scratch_;
};

}  // namespace hm::platform
