#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  hm::fuzz::run_entry("map_text", data, size);
  return 0;
}
