#pragma once
// The module's tables as the scene layer reads them: the particle-system table
// behind the scene's table interface, a skybox as time-of-day lighting, and the
// engine particle codes that stand for the horse systems.
#include <vector>

#include "render/scene/scene_attachments.h"
#include "render/scene/scene_lighting.h"

namespace hm {

struct particle_system_table;
struct skybox;

class module_particle_systems : public particle_system_table_view {
 public:
  // Copies the settings of every record of the table.
  explicit module_particle_systems(const particle_system_table& table);
  int count() const override { return static_cast<int>(settings_.size()); }
  const particle_system_settings& settings(int index) const override {
    return settings_[static_cast<std::size_t>(index)];
  }

 private:
  std::vector<particle_system_settings> settings_;
};

skybox_lighting to_skybox_lighting(const skybox& sky);

// The horse's trail systems are the hoof dust of the plain (terrain kind 0)
// and of mud (kind 1); its water systems the three water splashes.
void set_horse_particle_slots(const particle_system_table& table, horse_particle_setup& setup);

}  // namespace hm
