// Effects on OpenGL: every pass's pair of programs is compiled and linked when
// the effect is made; the parameters are uniforms of every program.
#include <map>

#include "platform/gpu/gl_internal.h"

namespace hm::platform::gpu {
namespace {

std::string uniform_declarations(const effect_source& source) {
  std::string s;
  for (const auto& p : source.parameters) {
    const char* type = "float";
    switch (p.type) {
      case parameter_type::float1: type = "float"; break;
      case parameter_type::float2: type = "vec2"; break;
      case parameter_type::float3: type = "vec3"; break;
      case parameter_type::float4: type = "vec4"; break;
      case parameter_type::float4x4: type = "mat4"; break;
      case parameter_type::int1: type = "int"; break;
      case parameter_type::bool1: type = "bool"; break;
      case parameter_type::sampler: type = "sampler2D"; break;
    }
    s += "uniform ";
    s += type;
    s += ' ';
    s += p.name;
    if (p.array_size) s += "[" + std::to_string(p.array_size) + "]";
    s += ";\n";
  }
  return s;
}

class gl_effect final : public effect_base {
 public:
  gl_effect(gl_device& dev, effect_source source) : effect_base(std::move(source)), dev_(dev) {
    dev_.count_resource(1, false);
  }
  ~gl_effect() override {
    dev_.make_current();
    dev_.use_effect_program(0);
    for (auto& [key, program] : programs_) glDeleteProgram(program.name);
    dev_.count_resource(-1, false);
  }

  bool compile(std::string& errors) {
    const std::string uniforms = uniform_declarations(source_);
    for (const auto& t : source_.techniques) {
      for (const auto& pass : t.passes) {
        const auto key = std::make_pair(pass.vertex_program, pass.fragment_program);
        if (programs_.count(key)) continue;
        std::string vs = dev_.vertex_prelude() + uniforms + source_.common + "#line 1\n" +
                         source_.vertex_programs.at(pass.vertex_program);
        std::string fs = dev_.fragment_prelude() + uniforms + source_.common + "#define main hm_user_main\n#line 1\n" +
                         source_.fragment_programs.at(pass.fragment_program) + gl_device::fragment_epilogue();
        std::string why;
        const GLuint name = dev_.build_program(vs, fs, why);
        if (!name) {
          errors = "technique " + t.name + " (" + pass.vertex_program + ", " + pass.fragment_program + "): " + why;
          return false;
        }
        program_info info;
        info.name = name;
        glUseProgram(name);
        for (const auto& v : values_) {
          const GLint at = glGetUniformLocation(name, v.desc->name.c_str());
          info.locations.push_back(at);
          if (at >= 0 && v.desc->type == parameter_type::sampler) glUniform1i(at, static_cast<GLint>(v.desc->unit));
        }
        glUseProgram(0);
        programs_[key] = std::move(info);
      }
    }
    return true;
  }

 protected:
  result apply_pass(const effect_technique_desc& technique, std::uint32_t pass_index) override {
    const effect_pass_desc& pass = technique.passes[pass_index];
    current_ = &programs_.at(std::make_pair(pass.vertex_program, pass.fragment_program));
    dev_.make_current();
    for (const effect_state_desc& s : pass.states) dev_.set_render_state(s.state, s.value);
    dev_.use_effect_program(current_->name);
    for (auto& v : values_) v.dirty = true;
    return apply_parameters();
  }

  void leave_pass() override {
    current_ = nullptr;
    dev_.use_effect_program(0);
  }

  result apply_parameters() override {
    if (!current_) return result::invalid_call;
    dev_.make_current();
    glUseProgram(current_->name);
    for (std::size_t i = 0; i < values_.size(); ++i) {
      parameter_value& v = values_[i];
      const GLint at = current_->locations[i];
      if (!v.dirty) continue;
      v.dirty = false;
      if (at < 0) continue;
      const auto count = static_cast<GLsizei>(std::max<std::uint32_t>(v.desc->array_size, 1));
      switch (v.desc->type) {
        case parameter_type::float1: glUniform1fv(at, count, v.values.data()); break;
        case parameter_type::float2: glUniform2fv(at, count, v.values.data()); break;
        case parameter_type::float3: glUniform3fv(at, count, v.values.data()); break;
        case parameter_type::float4: glUniform4fv(at, count, v.values.data()); break;
        case parameter_type::float4x4: glUniformMatrix4fv(at, count, GL_FALSE, v.values.data()); break;
        case parameter_type::int1:
        case parameter_type::bool1: glUniform1i(at, static_cast<GLint>(v.values[0])); break;
        case parameter_type::sampler: dev_.set_texture(v.desc->unit, v.bound); break;
      }
    }
    return gl_error_result();
  }

 private:
  struct program_info {
    GLuint name = 0;
    std::vector<GLint> locations;  // per parameter
  };


  gl_device& dev_;
  std::map<std::pair<std::string, std::string>, program_info> programs_;
  const program_info* current_ = nullptr;
};

}  // namespace

result gl_device::create_effect(const std::string& source, std::unique_ptr<effect>& out, std::string& errors) {
  out.reset();
  errors.clear();
  effect_source parsed;
  if (!parse_effect_source(source, parsed, errors)) return result::failed;
  make_current();
  auto e = std::make_unique<gl_effect>(*this, std::move(parsed));
  if (!e->compile(errors)) return result::failed;
  out = std::move(e);
  return result::ok;
}

}  // namespace hm::platform::gpu
