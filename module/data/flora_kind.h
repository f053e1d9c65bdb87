#pragma once
// Flora kinds: the plants the terrain generator scatters, each with its mesh
// variants and optional collision bodies (Data\flora_kinds.txt).
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class body;
class mesh;
class text_reader;

struct flora_variant {
  ruv_string mesh_name;
  hm::mesh* mesh = nullptr;
  ruv_string body_name;
  body* collision_body = nullptr;  // null for the body name "0"
  // The box of the mesh's points, grown from these start values (a mesh
  // without points keeps them).
  vec3 box_min{10000000.0f, 10000000.0f, 10000000.0f};
  vec3 box_max{-10000000.0f, -10000000.0f, -10000000.0f};
};

struct flora_kind {
  ruv_string name;
  // 0x4 plain, 0x8 steppe, 0x10 snow, 0x20 desert, 0x400 forest, 0x800 steppe
  // forest, 0x1000 snow forest, 0x2000 desert forest, 0x40000 aligned to the
  // ground, 0x80000 grass, 0x400000 tree, 0x1000000 picked first; bits 32..47
  // hold the kind's density (how thickly the terrain generator places it).
  std::uint64_t flags = 0;
  std::vector<flora_variant> variants;

  // Name, flags, variant count, then per variant the mesh name (looked up in
  // the resource manager, fatal when missing; the variant's box is its points'
  // box) and the body name ("0" for none, any other looked up the same way).
  void read(text_reader& reader);
};

}  // namespace hm
