#pragma once
// The shader resource (how a material is drawn: the hardware path it needs, its
// effect technique, up to three alternatives to fall back on and up to four
// fixed-function stage records) and the technique record (a technique name bound
// to the effect's technique handles). These are the record halves; creating the
// device objects goes through resource_device_hooks.
#include <array>
#include <cstdint>

#include "engine/resource/resource.h"

namespace hm {

class stream;
class technique_record;

// One fixed-function stage record: the four stored words and one more that the
// file does not carry.
struct shader_stage {
  std::int32_t word0 = -1;
  std::uint32_t word1 = 1;
  std::uint32_t word2 = 1;
  std::uint32_t word3 = 0;
  std::uint32_t unused = 0;
};

class shader : public resource {
 public:
  static constexpr int max_alternatives = 3;
  static constexpr int max_stages = 4;

  // requirements bit: needs pixel-shader version 1.1 and "use_pixel_shaders".
  static constexpr std::uint32_t requires_pixel_shader = 0x1000;
  // flags bits.
  static constexpr std::uint32_t flag_never_usable = 0x10000;
  static constexpr std::uint32_t flag_assembled_pixel_shader = 0x10000000;
  static constexpr std::uint32_t flag_effect = 0x20000000;
  static constexpr std::uint32_t flag_class_high = 0x40000000;
  static constexpr std::uint32_t flag_skinned = 0x80000000;

  int get_type_id() const override { return shader_resource_type_id; }
  const char* get_type_name() const override { return "shader"; }

  // Record: name, flags, requirements, technique, alternative count (at most 3),
  // the alternatives, stage count (at most 4), the stages as (i32, u32, u32, u32).
  // Too many alternatives or stages is fatal.
  void read(stream& s);
  void write(stream& s) const;

  std::int32_t id = 0;  // running id given at registration
  std::uint32_t requirements = 0;
  std::uint32_t flags = 0;
  std::int32_t alternative_count = 0;
  std::array<ruv_string, max_alternatives> alternatives;
  ruv_string technique;
  std::array<shader_stage, max_stages> stages;
  std::int32_t stage_count = 0;
  // Device objects.
  void* pixel_shader = nullptr;
  technique_record* technique_rec = nullptr;
  bool device_objects_created = false;
};

// A technique handle of the effect; null for none.
using technique_handle = const void*;

// What the technique records need of the effect: a technique by name.
class effect_techniques {
 public:
  virtual ~effect_techniques() = default;
  // The technique of that name, or null when the effect has none.
  virtual technique_handle get_technique_by_name(const char* name) = 0;
};

class technique_record : public resource {
 public:
  int get_type_id() const override { return technique_record_resource_type_id; }
  const char* get_type_name() const override { return "technique_record"; }

  // Resolves the four handles once: plain (fatal "Unable to get technique with
  // name %s" when missing), shadowed ("_SHDW", else plain), vendor shadowed
  // ("_SHDWNVIDIA", else shadowed) and pre-shaded ("_PRESHADED", else plain).
  void find_technique(effect_techniques& effect);
  // Back to unresolved with all four handles null.
  void clear();

  std::int32_t resolved = 0;
  technique_handle plain = nullptr;
  technique_handle shadowed = nullptr;
  technique_handle vendor_shadowed = nullptr;
  technique_handle preshaded = nullptr;
};

}  // namespace hm
