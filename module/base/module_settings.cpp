#include "module/base/module_settings.h"

namespace hm {

module_settings g_module_settings;
world_map_bounds g_map_bounds;
weapon_proficiency_display g_display_wp;
std::int32_t g_module_version = 0;
std::int32_t g_compatible_module_version = 0;

}  // namespace hm
