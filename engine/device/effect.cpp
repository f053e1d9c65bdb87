#include "engine/device/effect.h"

#include "engine/resource/resource_manager.h"
#include "platform/fs.h"
#include "platform/gpu/device.h"

namespace hm {

std::unique_ptr<engine_effect> load_effect_file(platform::gpu::device& device, resource_manager& manager,
                                                const std::string& path, std::string& errors) {
  manager.clear_technique_records();
  const std::optional<std::string> text = platform::read_whole_file(path, true);
  if (!text) {
    errors = "cannot read " + path;
    return nullptr;
  }
  std::unique_ptr<platform::gpu::effect> made;
  if (device.create_effect(*text, made, errors) != platform::gpu::result::ok) return nullptr;
  return std::make_unique<engine_effect>(std::move(made));
}

}  // namespace hm
