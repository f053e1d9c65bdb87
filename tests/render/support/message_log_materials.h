#pragma once
// The materials the on-screen message log draws with ("ui_font",
// "ui_font_background", and "default" behind them), registered in a manager
// of the test's own.
#include <memory>

#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"

namespace hm::test {

inline void add_message_log_materials(resource_manager& resources) {
  for (const char* name : {"default", "ui_font", "ui_font_background"}) {
    auto m = std::make_unique<material>();
    m->name = name;
    resources.adopt_resource(std::move(m));
  }
}

}  // namespace hm::test
