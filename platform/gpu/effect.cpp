#include "platform/gpu/effect.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <sstream>

#include "platform/gpu/device.h"

namespace hm::platform::gpu {
namespace {

constexpr const char* state_names[] = {
    "z_enable",           "z_write_enable",     "z_func",       "alpha_blend_enable",
    "src_blend",          "dest_blend",         "alpha_test_enable", "alpha_ref",
    "alpha_func",         "cull_mode",          "fill_mode",    "color_write_enable",
    "stencil_enable",     "stencil_func",       "stencil_ref",  "stencil_mask",
    "stencil_write_mask", "stencil_fail",       "stencil_zfail", "stencil_pass",
    "depth_bias",         "slope_scale_depth_bias", "scissor_test_enable", "fog_enable",
    "fog_color",          "fog_start",          "fog_end",      "lighting",
    "ambient",            "texture_factor",     "normalize_normals", "specular_enable",
    "range_fog_enable",   "fog_vertex_mode",    "clip_plane_enable", "multisample_antialias",
    "ambient_material_source", "specular_material_source",
};
static_assert(std::size(state_names) == static_cast<std::size_t>(render_state::count));

struct named_value {
  const char* name;
  std::uint32_t value;
};

constexpr named_value value_names[] = {
    {"false", 0},
    {"true", 1},
    // blend factors
    {"zero", state_value(blend::zero)},
    {"one", state_value(blend::one)},
    {"src_color", state_value(blend::src_color)},
    {"inv_src_color", state_value(blend::inv_src_color)},
    {"src_alpha", state_value(blend::src_alpha)},
    {"inv_src_alpha", state_value(blend::inv_src_alpha)},
    {"dest_alpha", state_value(blend::dest_alpha)},
    {"inv_dest_alpha", state_value(blend::inv_dest_alpha)},
    {"dest_color", state_value(blend::dest_color)},
    {"inv_dest_color", state_value(blend::inv_dest_color)},
    // compare functions
    {"never", state_value(compare_func::never)},
    {"less", state_value(compare_func::less)},
    {"equal", state_value(compare_func::equal)},
    {"less_equal", state_value(compare_func::less_equal)},
    {"greater", state_value(compare_func::greater)},
    {"not_equal", state_value(compare_func::not_equal)},
    {"greater_equal", state_value(compare_func::greater_equal)},
    {"always", state_value(compare_func::always)},
    // culling and filling
    {"none", state_value(cull::none)},
    {"clockwise", state_value(cull::clockwise)},
    {"counter_clockwise", state_value(cull::counter_clockwise)},
    {"point", state_value(fill::point)},
    {"wireframe", state_value(fill::wireframe)},
    {"solid", state_value(fill::solid)},
};

bool parse_value(const std::string& word, std::uint32_t& out) {
  for (const named_value& v : value_names) {
    if (word == v.name) {
      out = v.value;
      return true;
    }
  }
  if (word.empty()) return false;
  char* end = nullptr;
  if (word.find('.') != std::string::npos) {
    const float f = std::strtof(word.c_str(), &end);
    if (*end) return false;
    out = std::bit_cast<std::uint32_t>(f);
    return true;
  }
  const long long v = std::strtoll(word.c_str(), &end, 0);
  if (*end) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

bool parse_type(std::string word, effect_parameter_desc& p) {
  const auto open = word.find('[');
  if (open != std::string::npos) {
    if (word.back() != ']') return false;
    char* end = nullptr;
    const long n = std::strtol(word.c_str() + open + 1, &end, 10);
    if (*end != ']' || n <= 0 || n > 4096) return false;
    p.array_size = static_cast<std::uint32_t>(n);
    word.resize(open);
  }
  static const std::pair<const char*, parameter_type> types[] = {
      {"float", parameter_type::float1},   {"float2", parameter_type::float2}, {"float3", parameter_type::float3},
      {"float4", parameter_type::float4},  {"float4x4", parameter_type::float4x4}, {"int", parameter_type::int1},
      {"bool", parameter_type::bool1},
  };
  for (const auto& [name, type] : types) {
    if (word == name) {
      p.type = type;
      return p.array_size == 0 || (type != parameter_type::int1 && type != parameter_type::bool1);
    }
  }
  return false;
}

std::vector<std::string> split_words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::uint32_t components(parameter_type t) {
  switch (t) {
    case parameter_type::float2: return 2;
    case parameter_type::float3: return 3;
    case parameter_type::float4: return 4;
    case parameter_type::float4x4: return 16;
    default: return 1;
  }
}

}  // namespace

const char* render_state_name(render_state s) {
  const auto i = static_cast<std::size_t>(s);
  return i < std::size(state_names) ? state_names[i] : "";
}

bool render_state_by_name(const std::string& name, render_state& out) {
  for (std::size_t i = 0; i < std::size(state_names); ++i) {
    if (name == state_names[i]) {
      out = static_cast<render_state>(i);
      return true;
    }
  }
  return false;
}

std::uint32_t parameter_float_count(const effect_parameter_desc& p) {
  return components(p.type) * std::max<std::uint32_t>(p.array_size, 1);
}

bool parse_effect_source(const std::string& text, effect_source& out, std::string& error) {
  out = effect_source{};
  std::istringstream in(text);
  std::string line;
  int line_number = 0;
  std::string* program = nullptr;  // the GLSL body being read
  effect_technique_desc* technique = nullptr;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(line_number) + ": " + why;
    return false;
  };
  auto name_taken = [&](const std::string& name) {
    return std::any_of(out.parameters.begin(), out.parameters.end(),
                       [&](const effect_parameter_desc& p) { return p.name == name; });
  };
  while (std::getline(in, line)) {
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '@') {
      if (program) {
        *program += line;
        *program += '\n';
        continue;
      }
      const auto first = line.find_first_not_of(" \t");
      if (first == std::string::npos || line[first] == '#') continue;
      return fail("text outside a program: " + line);
    }
    program = nullptr;
    const std::vector<std::string> w = split_words(line);
    const std::string& directive = w[0];
    if (directive == "@parameter") {
      effect_parameter_desc p;
      if (w.size() < 3 || !parse_type(w[1], p)) return fail("bad parameter: " + line);
      p.name = w[2];
      if (name_taken(p.name)) return fail("parameter given twice: " + p.name);
      if (w.size() > 3) {
        if (w[3] != "=") return fail("expected '=' after the parameter's name");
        for (std::size_t i = 4; i < w.size(); ++i) {
          char* end = nullptr;
          const float f = std::strtof(w[i].c_str(), &end);
          if (*end) return fail("bad number: " + w[i]);
          p.initial.push_back(f);
        }
        if (p.initial.size() > parameter_float_count(p)) return fail("too many values for " + p.name);
      }
      out.parameters.push_back(std::move(p));
    } else if (directive == "@sampler") {
      effect_parameter_desc p;
      p.type = parameter_type::sampler;
      char* end = nullptr;
      if (w.size() != 3) return fail("expected @sampler <name> <unit>");
      const long unit = std::strtol(w[2].c_str(), &end, 10);
      if (*end || unit < 0 || unit >= static_cast<long>(max_texture_stages)) return fail("bad texture unit: " + w[2]);
      p.name = w[1];
      p.unit = static_cast<std::uint32_t>(unit);
      if (name_taken(p.name)) return fail("parameter given twice: " + p.name);
      out.parameters.push_back(std::move(p));
    } else if (directive == "@common") {
      program = &out.common;
    } else if (directive == "@vertex" || directive == "@fragment") {
      if (w.size() != 2) return fail("expected " + directive + " <name>");
      auto& table = directive == "@vertex" ? out.vertex_programs : out.fragment_programs;
      if (table.count(w[1])) return fail("program given twice: " + w[1]);
      program = &table[w[1]];
    } else if (directive == "@technique") {
      if (w.size() != 2) return fail("expected @technique <name>");
      for (const auto& t : out.techniques)
        if (t.name == w[1]) return fail("technique given twice: " + w[1]);
      out.techniques.push_back({w[1], {}});
      technique = &out.techniques.back();
    } else if (directive == "@pass") {
      if (!technique) return fail("@pass outside a technique");
      effect_pass_desc pass;
      for (std::size_t i = 1; i < w.size(); ++i) {
        const auto eq = w[i].find('=');
        const std::string key = w[i].substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
        if (key == "vertex" && !value.empty()) pass.vertex_program = value;
        else if (key == "fragment" && !value.empty()) pass.fragment_program = value;
        else return fail("bad pass setting: " + w[i]);
      }
      technique->passes.push_back(std::move(pass));
    } else if (directive == "@state") {
      if (!technique || technique->passes.empty()) return fail("@state outside a pass");
      effect_state_desc st;
      if (w.size() != 3 || !render_state_by_name(w[1], st.state)) return fail("bad state: " + line);
      if (!parse_value(w[2], st.value)) return fail("bad state value: " + w[2]);
      technique->passes.back().states.push_back(st);
    } else {
      return fail("unknown directive " + directive);
    }
  }
  // Every program a pass names must exist, and a pass needs both kinds.
  for (const auto& t : out.techniques) {
    for (const auto& p : t.passes) {
      if (p.vertex_program.empty() || !out.vertex_programs.count(p.vertex_program)) {
        error = "technique " + t.name + ": no vertex program \"" + p.vertex_program + "\"";
        return false;
      }
      if (p.fragment_program.empty() || !out.fragment_programs.count(p.fragment_program)) {
        error = "technique " + t.name + ": no fragment program \"" + p.fragment_program + "\"";
        return false;
      }
    }
  }
  return true;
}

// --- effect_base ---

effect_base::effect_base(effect_source source) : source_(std::move(source)) {
  values_.reserve(source_.parameters.size());
  for (const auto& p : source_.parameters) {
    parameter_value v;
    v.desc = &p;
    v.values.assign(p.type == parameter_type::sampler ? 0 : parameter_float_count(p), 0.0f);
    std::copy(p.initial.begin(), p.initial.end(), v.values.begin());
    values_.push_back(std::move(v));
  }
}

effect_handle effect_base::get_technique_by_name(const std::string& name) const {
  for (const auto& t : source_.techniques)
    if (t.name == name) return &t;
  return nullptr;
}

effect_handle effect_base::get_parameter_by_name(const std::string& name) const {
  for (const auto& v : values_)
    if (v.desc->name == name) return &v;
  return nullptr;
}

std::string effect_base::technique_name(effect_handle technique) const {
  for (const auto& t : source_.techniques)
    if (&t == technique) return t.name;
  return "";
}

effect_base::parameter_value* effect_base::parameter(effect_handle p) {
  for (auto& v : values_)
    if (&v == p) return &v;
  return nullptr;
}

const effect_base::parameter_value* effect_base::parameter(effect_handle p) const {
  return const_cast<effect_base*>(this)->parameter(p);
}

result effect_base::set_technique(effect_handle technique) {
  if (technique && technique_name(technique).empty()) return result::invalid_call;
  current_ = technique;
  return result::ok;
}

result effect_base::begin(std::uint32_t& pass_count) {
  pass_count = 0;
  if (!current_ || begun_) return result::invalid_call;
  begun_ = true;
  pass_count = static_cast<std::uint32_t>(static_cast<const effect_technique_desc*>(current_)->passes.size());
  return result::ok;
}

result effect_base::begin_pass(std::uint32_t pass) {
  if (!begun_ || active_pass_) return result::invalid_call;
  const auto& t = *static_cast<const effect_technique_desc*>(current_);
  if (pass >= t.passes.size()) return result::invalid_call;
  active_pass_ = &t.passes[pass];
  return apply_pass(t, pass);
}

result effect_base::commit_changes() {
  if (!active_pass_) return result::invalid_call;
  return apply_parameters();
}

result effect_base::end_pass() {
  if (!active_pass_) return result::invalid_call;
  active_pass_ = nullptr;
  leave_pass();
  return result::ok;
}

result effect_base::end() {
  if (!begun_ || active_pass_) return result::invalid_call;
  begun_ = false;
  return result::ok;
}

result effect_base::set_floats(effect_handle p, const float* values, std::uint32_t count) {
  parameter_value* v = parameter(p);
  if (!v || v->desc->type == parameter_type::sampler || (!values && count)) return result::invalid_call;
  const std::size_t n = std::min<std::size_t>(count, v->values.size());
  std::copy_n(values, n, v->values.begin());
  v->dirty = true;
  return result::ok;
}

result effect_base::set_float(effect_handle p, float value) { return set_floats(p, &value, 1); }
result effect_base::set_int(effect_handle p, std::int32_t value) {
  const float f = static_cast<float>(value);
  return set_floats(p, &f, 1);
}
result effect_base::set_bool(effect_handle p, bool value) {
  const float f = value ? 1.0f : 0.0f;
  return set_floats(p, &f, 1);
}
result effect_base::set_vector(effect_handle p, const float value[4]) { return set_floats(p, value, 4); }
result effect_base::set_matrix(effect_handle p, const float value[16]) { return set_floats(p, value, 16); }

result effect_base::set_texture(effect_handle p, texture* t) {
  parameter_value* v = parameter(p);
  if (!v || v->desc->type != parameter_type::sampler) return result::invalid_call;
  v->bound = t;
  v->dirty = true;
  return result::ok;
}

result effect_base::get_floats(effect_handle p, std::vector<float>& out) const {
  const parameter_value* v = parameter(p);
  if (!v) return result::invalid_call;
  out = v->values;
  return result::ok;
}

}  // namespace hm::platform::gpu
