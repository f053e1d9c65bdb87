#pragma once
// Sound files made from a readable list: one file a line, "<file name> <pitch
// in Hz> <length in ms>" ('#' begins a comment line). Each file is a 16-bit
// mono WAV at 22050 Hz: a sine tone at the pitch that fades out linearly over
// its length. Used by make_sounds (the build's sample data) and make_module.
#include <filesystem>
#include <string>
#include <vector>

namespace hm::tools {

struct tone {
  std::string file;
  double pitch = 0.0;
  int milliseconds = 0;
};

// Reads a tone list. False, with the reason in `error` ("<list>:<line>: ..."),
// when the list cannot be read or a line is not a tone.
bool read_tone_list(const std::filesystem::path& list, std::vector<tone>& out, std::string& error);

// Writes one tone's WAV file; false when it cannot be written.
bool write_tone(const std::filesystem::path& path, const tone& t);

}  // namespace hm::tools
