#include "tones.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>

namespace hm::tools {

namespace {

constexpr int sample_rate = 22050;

void put_u32(std::vector<char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put_u16(std::vector<char>& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

}  // namespace

bool read_tone_list(const std::filesystem::path& list, std::vector<tone>& out, std::string& error) {
  std::ifstream in(list);
  if (!in) {
    error = "cannot read " + list.string();
    return false;
  }
  std::string line;
  int line_number = 0;
  while (std::getline(in, line)) {
    ++line_number;
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    tone t;
    if (!(fields >> t.file >> t.pitch >> t.milliseconds) || !(t.pitch > 0.0) || t.pitch > 20000.0 ||
        t.milliseconds <= 0 || t.milliseconds > 600000 || t.file.find_first_of("/\\") != std::string::npos) {
      error = list.string() + ":" + std::to_string(line_number) +
              ": expected \"<file> <pitch in Hz, up to 20000> <milliseconds, up to 600000>\", not \"" + line + "\"";
      return false;
    }
    out.push_back(t);
  }
  return true;
}

bool write_tone(const std::filesystem::path& path, const tone& t) {
  const auto frames = static_cast<std::uint32_t>(static_cast<long long>(sample_rate) * t.milliseconds / 1000);
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
    const double v = std::sin(2.0 * pi * t.pitch * i / sample_rate) * fade * 0.5;
    put_u16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0))));
  }
  std::ofstream file(path, std::ios::binary);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

}  // namespace hm::tools
