#include <SDL2/SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>

#include <atomic>
#include <vector>

#include "platform/dialog.h"
#include "platform/imgui_panel.h"
#include "platform/window.h"

namespace hm::platform {
namespace {

std::atomic<bool> g_dialogs_enabled{false};

class imgui_dialog_ui final : public dialog_ui {
 public:
  void group(const char* label) override {
    ImGui::Spacing();
    ImGui::TextUnformatted(dialog_label_text(label).c_str());
    ImGui::Separator();
  }

  bool combo(const char* label, const std::vector<std::string>& items, int& selected, bool enabled) override {
    return imgui_combo(dialog_label_text(label).c_str(), items, selected, enabled);
  }

  bool radio(const char* label, bool checked, bool enabled) override {
    ImGui::BeginDisabled(!enabled);
    const bool clicked = ImGui::RadioButton(dialog_label_text(label).c_str(), checked);
    ImGui::EndDisabled();
    return clicked;
  }

  bool button(const char* label) override { return ImGui::Button(dialog_label_text(label).c_str(), ImVec2(90, 0)); }
  void same_line() override { ImGui::SameLine(); }
  void separator() override { ImGui::Separator(); }
  void note(const std::string& text) override {
    ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.35f, 1.0f));
    ImGui::TextWrapped("%s", text.c_str());
    ImGui::PopStyleColor();
  }
  void text(const std::string& text) override { ImGui::TextWrapped("%s", text.c_str()); }
  bool checkbox(const char* label, bool& checked) override {
    return ImGui::Checkbox(dialog_label_text(label).c_str(), &checked);
  }
  bool slider_int(const char* label, int& value, int low, int high) override {
    return ImGui::SliderInt(dialog_label_text(label).c_str(), &value, low, high, "%d");
  }
  bool input_int(const char* label, int& value) override {
    ImGui::SetNextItemWidth(120);
    ImGui::InputInt(dialog_label_text(label).c_str(), &value, 0, 0);
    return ImGui::IsItemDeactivatedAfterEdit();
  }
};

}  // namespace

void set_dialogs_enabled(bool enabled) { g_dialogs_enabled = enabled; }
bool dialogs_enabled() { return g_dialogs_enabled; }

std::string dialog_label_text(const char* label) {
  std::string out;
  for (const char* p = label; p && *p; ++p) {
    if (*p == '&') {
      if (p[1] == '&') out += *++p;
      continue;
    }
    out += *p;
  }
  return out;
}

dialog_result run_modal_dialog(const std::string& title, int width, int height, const dialog_builder& build) {
  if (!g_dialogs_enabled || !video_has_display()) return dialog_result::cancel;

  imgui_panel_window panel;
  if (!open_imgui_panel_window(panel, title, width, height, 0, 1)) return dialog_result::cancel;
  const Uint32 panel_id = SDL_GetWindowID(panel.window);
  std::vector<SDL_Event> others;  // events of other windows, handed back afterwards
  imgui_dialog_ui ui;
  std::optional<dialog_result> result;
  {
    imgui_panel_scope scope(panel);
    while (!result) {
      SDL_Event e;
      if (!SDL_WaitEventTimeout(&e, 50)) e.type = SDL_FIRSTEVENT;
      do {
        if (e.type == SDL_FIRSTEVENT) break;
        if (e.type == SDL_QUIT) {
          others.push_back(e);
          result = dialog_result::cancel;
        } else if (e.type == SDL_WINDOWEVENT && e.window.windowID != panel_id) {
          others.push_back(e);
        } else if ((e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.windowID != panel_id) {
          others.push_back(e);
        } else {
          if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) result = dialog_result::cancel;
          ImGui_ImplSDL2_ProcessEvent(&e);
        }
      } while (SDL_PollEvent(&e));
      if (result) break;

      draw_imgui_panel_frame(panel, "##panel", [&] { result = build(ui); });
    }
  }
  close_imgui_panel_window(panel);
  for (auto& e : others) SDL_PushEvent(&e);
  return *result;
}

}  // namespace hm::platform
