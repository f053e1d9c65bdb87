#pragma once
// Helpers of the game application's tests: reading a file whole, and a clock
// the test moves by hand.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/clock.h"

namespace hm::test {

inline std::string read_text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class manual_clock : public platform::clock_source {
 public:
  std::int64_t now = 1'000'000'000;
  std::int64_t step = 0;  // counts added after each read
  std::int64_t counter_now() override {
    const std::int64_t value = now;
    now += step;
    return value;
  }
  std::int64_t counter_frequency() override { return 1'000'000; }
  std::uint32_t milliseconds_now() override { return static_cast<std::uint32_t>(now / 1000); }
  void sleep_milliseconds(unsigned ms) override { now += ms * 1000; }
};

}  // namespace hm::test
