#pragma once
// The effect: parameters set by name, techniques looked up by name, and the
// passes of the current technique, made from an effect file of our own.
//
// The effect file is text. Lines that begin with "@" are directives; the lines
// after "@common", "@vertex" and "@fragment" up to the next directive are GLSL.
// Elsewhere empty lines and lines beginning with "#" are ignored.
//
//   @parameter <type> <name> [= <numbers>...]
//       type: float, float2, float3, float4, float4x4, int, bool, or one of the
//       float types with "[n]" for an array. The parameter is a uniform of that
//       name in every program (float4x4 is a mat4 applied as `m * v`, which is
//       the row vector v times the matrix as stored).
//   @sampler <name> <unit>
//       a texture parameter: a sampler2D of that name bound to the texture unit.
//   @common            GLSL put in front of every program (helpers).
//   @vertex <name>     a vertex program; it writes gl_Position through
//                      hm_output(clip) so that depth range and target
//                      orientation match the device, and so that user clip
//                      plane 0, when enabled, clips it (the plane given in
//                      clip space).
//   @fragment <name>   a fragment program; it writes `hm_frag_color`. Into
//                      an alpha texture (format a8) only its alpha is stored.
//   @technique <name>
//   @pass [vertex=<program>] [fragment=<program>]
//   @state <render state> <value>    sent when the pass begins
//       states by their names in resources.h (alpha_blend_enable, src_blend,
//       cull_mode, z_write_enable...), values as numbers or names (true,
//       false, none, clockwise, src_alpha, less_equal...).
//
// Vertex programs see their inputs under fixed names: hm_position (vec3),
// hm_normal (vec3), hm_color (vec4), hm_color1 (vec4), hm_texcoord0 to
// hm_texcoord3 (vec2), hm_blend_weight (vec4), hm_blend_indices (vec4),
// hm_tangent (vec3), hm_binormal (vec3).
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/resources.h"

namespace hm::platform::gpu {

// A technique or parameter of an effect; null for none.
using effect_handle = const void*;

enum class parameter_type : std::uint8_t { float1, float2, float3, float4, float4x4, int1, bool1, sampler };

struct effect_parameter_desc {
  std::string name;
  parameter_type type = parameter_type::float4;
  std::uint32_t array_size = 0;  // 0: not an array
  std::vector<float> initial;    // initial values, may be shorter than the parameter
  std::uint32_t unit = 0;        // samplers: the texture unit
};

struct effect_state_desc {
  render_state state = render_state::count;
  std::uint32_t value = 0;
};

struct effect_pass_desc {
  std::string vertex_program;
  std::string fragment_program;
  std::vector<effect_state_desc> states;
};

struct effect_technique_desc {
  std::string name;
  std::vector<effect_pass_desc> passes;
};

// An effect file, parsed.
struct effect_source {
  std::vector<effect_parameter_desc> parameters;
  std::string common;
  std::map<std::string, std::string> vertex_programs;
  std::map<std::string, std::string> fragment_programs;
  std::vector<effect_technique_desc> techniques;
};

// Parses the text; false with a message naming the line on a fault (an unknown
// directive, type, state or value, a pass outside a technique, a program named
// by a pass that does not exist, a name given twice).
bool parse_effect_source(const std::string& text, effect_source& out, std::string& error);

// Floats a parameter holds (its components times its array size, at least 1).
std::uint32_t parameter_float_count(const effect_parameter_desc& p);

// A state's name as the effect file writes it, and back (false when unknown).
const char* render_state_name(render_state s);
bool render_state_by_name(const std::string& name, render_state& out);

class effect {
 public:
  virtual ~effect() = default;

  // Null when the effect has no technique or parameter of that name.
  virtual effect_handle get_technique_by_name(const std::string& name) const = 0;
  virtual effect_handle get_parameter_by_name(const std::string& name) const = 0;
  // The technique's name as the file gives it ("" for null).
  virtual std::string technique_name(effect_handle technique) const = 0;

  virtual result set_technique(effect_handle technique) = 0;
  virtual effect_handle current_technique() const = 0;
  // Begins the current technique; pass_count receives its number of passes.
  virtual result begin(std::uint32_t& pass_count) = 0;
  // Sends the pass's states and program; the parameters set so far are in force.
  virtual result begin_pass(std::uint32_t pass) = 0;
  // Sends parameters changed inside a pass.
  virtual result commit_changes() = 0;
  virtual result end_pass() = 0;
  virtual result end() = 0;

  // Parameter values. A handle of another kind or a null one is invalid_call;
  // arrays take up to their size, from the first element.
  virtual result set_float(effect_handle p, float value) = 0;
  virtual result set_int(effect_handle p, std::int32_t value) = 0;
  virtual result set_bool(effect_handle p, bool value) = 0;
  virtual result set_floats(effect_handle p, const float* values, std::uint32_t count) = 0;
  virtual result set_vector(effect_handle p, const float value[4]) = 0;
  virtual result set_matrix(effect_handle p, const float value[16]) = 0;
  virtual result set_texture(effect_handle p, texture* t) = 0;
  // The floats the parameter holds now (ints and bools as floats).
  virtual result get_floats(effect_handle p, std::vector<float>& out) const = 0;
};

// The backend-independent part of an effect: the parsed file, the parameter
// values and the technique and pass bookkeeping. Backends add the sending of
// programs, states and values.
class effect_base : public effect {
 public:
  explicit effect_base(effect_source source);

  effect_handle get_technique_by_name(const std::string& name) const override;
  effect_handle get_parameter_by_name(const std::string& name) const override;
  std::string technique_name(effect_handle technique) const override;
  result set_technique(effect_handle technique) override;
  effect_handle current_technique() const override { return current_; }
  result begin(std::uint32_t& pass_count) override;
  result begin_pass(std::uint32_t pass) override;
  result commit_changes() override;
  result end_pass() override;
  result end() override;
  result set_float(effect_handle p, float value) override;
  result set_int(effect_handle p, std::int32_t value) override;
  result set_bool(effect_handle p, bool value) override;
  result set_floats(effect_handle p, const float* values, std::uint32_t count) override;
  result set_vector(effect_handle p, const float value[4]) override;
  result set_matrix(effect_handle p, const float value[16]) override;
  result set_texture(effect_handle p, texture* t) override;
  result get_floats(effect_handle p, std::vector<float>& out) const override;

  const effect_source& source() const { return source_; }
  // The pass in progress, or null.
  const effect_pass_desc* active_pass() const { return active_pass_; }

 protected:
  struct parameter_value {
    const effect_parameter_desc* desc = nullptr;
    std::vector<float> values;
    texture* bound = nullptr;
    bool dirty = true;
  };

  // Called by begin_pass (after the bookkeeping) and commit_changes.
  virtual result apply_pass(const effect_technique_desc& technique, std::uint32_t pass_index) = 0;
  virtual result apply_parameters() = 0;
  // Called by end_pass.
  virtual void leave_pass() {}

  parameter_value* parameter(effect_handle p);
  const parameter_value* parameter(effect_handle p) const;

  effect_source source_;
  std::vector<parameter_value> values_;

 private:
  effect_handle current_ = nullptr;
  bool begun_ = false;
  const effect_pass_desc* active_pass_ = nullptr;
};

}  // namespace hm::platform::gpu
