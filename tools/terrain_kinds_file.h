#pragma once
// The flora and ground kinds of a data folder's Data/flora_kinds.txt and
// Data/ground_specs.txt, read for the content tools that generate terrain
// without loading a module.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

// --- the module's kinds, as the generator takes them ------------------------------------------------
// Only what the generator reads: the flags and variant counts of the flora
// kinds and the names, flags and scales of the ground kinds (materials are not
// needed for the pictures).
inline bool read_kinds(const std::string& data_folder, terrain_module_data& data) {
  text_reader flora;
  text_reader ground;
  if (!flora.open(data_folder + "/Data/flora_kinds.txt") || !ground.open(data_folder + "/Data/ground_specs.txt")) {
    return false;
  }
  scoped_fatal_throw throw_on_bad_data;
  try {
    std::int32_t count = 0;
    flora.read_int(count);
    for (std::int32_t i = 0; i < count; ++i) {
      ruv_string word;
      terrain_flora_kind kind;
      flora.read_string(word);
      flora.read_u64(kind.flags);
      flora.read_int(kind.variant_count);
      if (kind.variant_count < 0 || kind.variant_count > 4096) {
        std::fprintf(stderr, "flora_kinds.txt: kind %d has %d variants\n", i, kind.variant_count);
        return false;
      }
      for (std::int32_t v = 0; v < 2 * kind.variant_count; ++v) flora.read_string(word);
      data.flora_kinds.push_back(kind);
    }
    for (int i = 0; i < 11; ++i) {
      terrain_ground_kind kind;
      ruv_string word;
      ground.read_string(kind.name);
      ground.read_int(kind.flags);
      ground.read_string(word);
      ground.read_float(kind.scale);
      ground.read_string(word);
      data.ground_kinds.push_back(kind);
    }
  } catch (const fatal_error& e) {
    std::fprintf(stderr, "bad Data file: %s\n", e.what());
    return false;
  }
  return true;
}

}  // namespace hm
