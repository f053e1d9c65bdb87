#pragma once
// Entry points for the readers of outside data, shared by the fuzz targets
// (clang's libFuzzer) and by the test that replays their seed corpora.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace hm::fuzz {

using entry_function = void (*)(const std::uint8_t* data, std::size_t size);

struct entry {
  const char* name;  // also the folder of its seed corpus: fuzz/corpus/<name>/
  entry_function run;
};

// Every target, in a fixed order.
const std::vector<entry>& entries();

// Runs one input through the named target. The engine's fatal error is a clean
// end (a broken file is meant to stop with a message); anything else (a crash,
// a sanitizer report, another exception) is a finding. False for an unknown name.
bool run_entry(std::string_view name, const std::uint8_t* data, std::size_t size);

}  // namespace hm::fuzz
