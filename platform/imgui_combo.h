#pragma once
// The drop-down list both kinds of immediate-mode panel draw (modal panels
// and tool windows). Only the platform's ImGui sources include this.
#include <imgui.h>

#include <string>
#include <vector>

namespace hm::platform {

// A combo box of the items; true when the user picked one (selected then
// holds it). Disabled when asked, or when there is nothing to pick.
inline bool imgui_combo(const char* label, const std::vector<std::string>& items, int& selected, bool enabled) {
  bool picked = false;
  ImGui::BeginDisabled(!enabled || items.empty());
  const char* preview = selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected].c_str() : "";
  if (ImGui::BeginCombo(label, preview)) {
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      ImGui::PushID(i);
      if (ImGui::Selectable(items[i].c_str(), i == selected)) {
        selected = i;
        picked = true;
      }
      ImGui::PopID();
    }
    ImGui::EndCombo();
  }
  ImGui::EndDisabled();
  return picked;
}

}  // namespace hm::platform
