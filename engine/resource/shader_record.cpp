#include "engine/resource/shader_record.h"

#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"

namespace hm {

void shader::read(stream& s) {
  s.read_string(name);
  s.read_u32(flags);
  s.read_u32(requirements);
  s.read_string(technique);
  s.read_int(alternative_count);
  // A negative count would index nothing sensible either: both bounds are checked.
  if (alternative_count < 0 || alternative_count > max_alternatives) {
    ruv_error("Number of elternatives exceeds %d for material %s.", max_alternatives, name.c_str());
  }
  for (int i = 0; i < alternative_count; ++i) s.read_string(alternatives[i]);
  s.read_int(stage_count);
  if (stage_count < 0 || stage_count > max_stages) {
    ruv_error("Number of stages exceeds %d for material %s.", max_stages, name.c_str());
  }
  for (int i = 0; i < stage_count; ++i) {
    shader_stage& st = stages[i];
    s.read_int(st.word0).read_u32(st.word1).read_u32(st.word2).read_u32(st.word3);
  }
}

void shader::write(stream& s) const {
  s.write_string(name);
  s.write_u32(flags);
  s.write_u32(requirements);
  s.write_string(technique);
  s.write_int(alternative_count);
  for (int i = 0; i < alternative_count && i < max_alternatives; ++i) s.write_string(alternatives[i]);
  s.write_int(stage_count);
  for (int i = 0; i < stage_count && i < max_stages; ++i) {
    const shader_stage& st = stages[i];
    s.write_int(st.word0).write_u32(st.word1).write_u32(st.word2).write_u32(st.word3);
  }
}

void technique_record::find_technique(effect_techniques& effect) {
  if (resolved) return;
  std::string base = name.c_str();
  plain = effect.get_technique_by_name(base.c_str());
  if (!plain) ruv_error("Unable to get technique with name %s", base.c_str());
  shadowed = effect.get_technique_by_name((base + "_SHDW").c_str());
  if (!shadowed) shadowed = plain;
  vendor_shadowed = effect.get_technique_by_name((base + "_SHDWNVIDIA").c_str());
  if (!vendor_shadowed) vendor_shadowed = shadowed;
  preshaded = effect.get_technique_by_name((base + "_PRESHADED").c_str());
  if (!preshaded) preshaded = plain;
  resolved = 1;
}

void technique_record::clear() {
  resolved = 0;
  plain = shadowed = vendor_shadowed = preshaded = nullptr;
}

}  // namespace hm
