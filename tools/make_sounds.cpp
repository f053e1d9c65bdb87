// make_sounds: small sound files for sample data, made from a readable list.
//
//   make_sounds <list> <output folder>
//
// The list has one file a line: "<file name> <pitch in Hz> <length in ms>"
// ('#' begins a comment line). Each file is a 16-bit mono WAV at 22050 Hz: a
// sine tone at the pitch that fades out linearly over its length.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int sample_rate = 22050;

void put_u32(std::vector<char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put_u16(std::vector<char>& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

bool write_tone(const std::filesystem::path& path, double pitch, int milliseconds) {
  const std::uint32_t frames = static_cast<std::uint32_t>(static_cast<long long>(sample_rate) * milliseconds / 1000);
  std::vector<char> out;
  out.insert(out.end(), {'R', 'I', 'F', 'F'});
  put_u32(out, 36 + frames * 2);
  out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put_u32(out, 16);
  put_u16(out, 1);  // PCM
  put_u16(out, 1);  // mono
  put_u32(out, sample_rate);
  put_u32(out, sample_rate * 2);
  put_u16(out, 2);
  put_u16(out, 16);
  out.insert(out.end(), {'d', 'a', 't', 'a'});
  put_u32(out, frames * 2);
  const double pi = 3.14159265358979323846;
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double fade = 1.0 - static_cast<double>(i) / frames;
    const double v = std::sin(2.0 * pi * pitch * i / sample_rate) * fade * 0.5;
    put_u16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))));
  }
  std::ofstream file(path, std::ios::binary);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_sounds <list> <output folder>\n");
    return 2;
  }
  std::ifstream list(argv[1]);
  if (!list) {
    std::fprintf(stderr, "make_sounds: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::filesystem::path folder = argv[2];
  std::filesystem::create_directories(folder);
  std::string line;
  int line_number = 0;
  while (std::getline(list, line)) {
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    double pitch = 0.0;
    int milliseconds = 0;
    if (!(fields >> name >> pitch >> milliseconds) || pitch <= 0.0 || milliseconds <= 0 || milliseconds > 600000 ||
        name.find_first_of("/\\") != std::string::npos) {
      std::fprintf(stderr, "make_sounds: %s:%d: expected \"<file> <pitch> <milliseconds>\"\n", argv[1], line_number);
      return 1;
    }
    if (!write_tone(folder / name, pitch, milliseconds)) {
      std::fprintf(stderr, "make_sounds: cannot write %s\n", (folder / name).string().c_str());
      return 1;
    }
  }
  return 0;
}
