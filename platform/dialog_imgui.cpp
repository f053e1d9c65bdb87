#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

#include <atomic>
#include <vector>

#include "platform/dialog.h"
#include "platform/imgui_combo.h"
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

  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous_context = SDL_GL_GetCurrentContext();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* panel = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!panel) return dialog_result::cancel;
  SDL_GLContext context = SDL_GL_CreateContext(panel);
  if (!context) {
    SDL_DestroyWindow(panel);
    if (previous_context) SDL_GL_MakeCurrent(previous_window, previous_context);
    return dialog_result::cancel;
  }
  SDL_GL_MakeCurrent(panel, context);
  SDL_GL_SetSwapInterval(1);

  ImGuiContext* previous_imgui = ImGui::GetCurrentContext();
  ImGuiContext* imgui = ImGui::CreateContext();
  ImGui::SetCurrentContext(imgui);
  ImGui::GetIO().IniFilename = nullptr;
  ImGui::StyleColorsDark();
  ImGui_ImplSDL2_InitForOpenGL(panel, context);
  ImGui_ImplOpenGL3_Init("#version 330 core");

  const Uint32 panel_id = SDL_GetWindowID(panel);
  std::vector<SDL_Event> others;  // events of other windows, handed back afterwards
  imgui_dialog_ui ui;
  std::optional<dialog_result> result;
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

    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    const ImGuiViewport* view = ImGui::GetMainViewport();
    ImGui::SetNextWindowPos(view->Pos);
    ImGui::SetNextWindowSize(view->Size);
    ImGui::Begin("##panel", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
    result = build(ui);
    ImGui::End();
    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(panel, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.12f, 0.12f, 0.12f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(panel);
  }

  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(imgui);
  ImGui::SetCurrentContext(previous_imgui);
  SDL_GL_MakeCurrent(panel, nullptr);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(panel);
  if (previous_context) SDL_GL_MakeCurrent(previous_window, previous_context);
  for (auto& e : others) SDL_PushEvent(&e);
  return *result;
}

}  // namespace hm::platform
