#include "platform/imgui_panel.h"

#include <epoxy/gl.h>
#include <imgui_impl_opengl3.h>
#include <imgui_impl_sdl.h>

namespace hm::platform {

imgui_panel_scope::imgui_panel_scope(const imgui_panel_window& w)
    : window_(SDL_GL_GetCurrentWindow()), context_(SDL_GL_GetCurrentContext()), imgui_(ImGui::GetCurrentContext()) {
  SDL_GL_MakeCurrent(w.window, w.context);
  ImGui::SetCurrentContext(w.imgui);
}

imgui_panel_scope::~imgui_panel_scope() {
  ImGui::SetCurrentContext(imgui_);
  if (context_) SDL_GL_MakeCurrent(window_, context_);
}

bool open_imgui_panel_window(imgui_panel_window& out, const std::string& title, int width, int height,
                             Uint32 window_flags, int swap_interval) {
  SDL_Window* previous_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous_context = SDL_GL_GetCurrentContext();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  imgui_panel_window w;
  w.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI | window_flags);
  if (!w.window) return false;
  w.context = SDL_GL_CreateContext(w.window);
  if (!w.context) {
    SDL_DestroyWindow(w.window);
    if (previous_context) SDL_GL_MakeCurrent(previous_window, previous_context);
    return false;
  }
  SDL_GL_MakeCurrent(w.window, w.context);
  SDL_GL_SetSwapInterval(swap_interval);
  ImGuiContext* previous_imgui = ImGui::GetCurrentContext();
  w.imgui = ImGui::CreateContext();
  ImGui::SetCurrentContext(w.imgui);
  ImGui::GetIO().IniFilename = nullptr;
  ImGui::StyleColorsDark();
  ImGui_ImplSDL2_InitForOpenGL(w.window, w.context);
  ImGui_ImplOpenGL3_Init("#version 330 core");
  ImGui::SetCurrentContext(previous_imgui);
  if (previous_context) SDL_GL_MakeCurrent(previous_window, previous_context);
  out = w;
  return true;
}

void close_imgui_panel_window(imgui_panel_window& w) {
  if (!w.window) return;
  {
    imgui_panel_scope scope(w);
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL2_Shutdown();
    ImGui::DestroyContext(w.imgui);
  }
  SDL_GL_DeleteContext(w.context);
  SDL_DestroyWindow(w.window);
  w = imgui_panel_window{};
}

void draw_imgui_panel_frame(const imgui_panel_window& w, const char* id, const std::function<void()>& body) {
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
  const ImGuiViewport* view = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(view->Pos);
  ImGui::SetNextWindowSize(view->Size);
  ImGui::Begin(id, nullptr, ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings);
  body();
  ImGui::End();
  ImGui::Render();
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(w.window, &width, &height);
  glViewport(0, 0, width, height);
  glClearColor(0.12f, 0.12f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  SDL_GL_SwapWindow(w.window);
}

bool imgui_combo(const char* label, const std::vector<std::string>& items, int& selected, bool enabled) {
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
