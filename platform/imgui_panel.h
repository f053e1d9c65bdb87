#pragma once
// What both kinds of immediate-mode panel share (modal panels and tool
// windows): a window of their own with its OpenGL and ImGui contexts, one
// frame drawn over the whole window, and the drop-down list. Only the
// platform's ImGui sources include this.
#include <SDL2/SDL.h>
#include <imgui.h>

#include <functional>
#include <string>
#include <vector>

namespace hm::platform {

struct imgui_panel_window {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  ImGuiContext* imgui = nullptr;
};

// Makes the window with its contexts; the contexts current before stay
// current. False (nothing made) when the window or its context cannot be made.
bool open_imgui_panel_window(imgui_panel_window& out, const std::string& title, int width, int height,
                             Uint32 window_flags, int swap_interval);
// Destroys what open made; the contexts current before stay current.
void close_imgui_panel_window(imgui_panel_window& w);
// One frame with the window's contexts current: the body lays out one ImGui
// window that covers the whole panel (id names it), then it is drawn and
// shown.
void draw_imgui_panel_frame(const imgui_panel_window& w, const char* id, const std::function<void()>& body);

// A combo box of the items; true when the user picked one (selected then
// holds it). Disabled when asked, or when there is nothing to pick.
bool imgui_combo(const char* label, const std::vector<std::string>& items, int& selected, bool enabled);

// Makes the panel's contexts current; the previous ones come back when the
// scope ends.
class imgui_panel_scope {
 public:
  explicit imgui_panel_scope(const imgui_panel_window& w);
  ~imgui_panel_scope();
  imgui_panel_scope(const imgui_panel_scope&) = delete;
  imgui_panel_scope& operator=(const imgui_panel_scope&) = delete;

 private:
  SDL_Window* window_;
  SDL_GLContext context_;
  ImGuiContext* imgui_;
};

}  // namespace hm::platform
