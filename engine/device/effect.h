#pragma once
// The engine's effect object: the effect file compiled on the device, with the
// technique lookup the technique records use. The application's device hooks
// make it when the device is restored and release it when the device is lost.
#include <memory>
#include <string>

#include "engine/resource/shader_record.h"
#include "platform/gpu/effect.h"

namespace hm {

namespace platform::gpu {
class device;
}

class resource_manager;

// The effect file the game compiles, in the data folder.
inline constexpr const char* effect_file_name = "hoofmarch.fx";

class engine_effect final : public effect_techniques {
 public:
  explicit engine_effect(std::unique_ptr<platform::gpu::effect> effect) : effect_(std::move(effect)) {}
  technique_handle get_technique_by_name(const char* name) override {
    return effect_->get_technique_by_name(name);
  }
  platform::gpu::effect& get() { return *effect_; }

 private:
  std::unique_ptr<platform::gpu::effect> effect_;
};

// Compiles the effect file (read through the platform's paths) on the device
// and sets every technique record of the manager back to unresolved. Null on
// failure, with the reason in errors (a missing file, a parse or compile error).
std::unique_ptr<engine_effect> load_effect_file(platform::gpu::device& device, resource_manager& manager,
                                                const std::string& path, std::string& errors);

}  // namespace hm
