#include <SDL2/SDL.h>
#include <imgui.h>
#include <imgui_impl_sdl.h>

#include <algorithm>
#include <vector>

#include "platform/dialog.h"
#include "platform/imgui_panel.h"
#include "platform/tool_window.h"
#include "platform/window.h"

namespace hm::platform {

struct tool_window::impl {
  imgui_panel_window panel;
  Uint32 id = 0;
  std::vector<SDL_Event> events;  // this window's, waiting for its next frame
};

namespace {

std::vector<tool_window::impl*> g_open_windows;

// The window an event belongs to; 0 for events of no window (quit).
Uint32 event_window(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT: return e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return e.key.windowID;
    case SDL_TEXTINPUT: return e.text.windowID;
    case SDL_TEXTEDITING: return e.edit.windowID;
    case SDL_MOUSEMOTION: return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return e.button.windowID;
    case SDL_MOUSEWHEEL: return e.wheel.windowID;
    default: return 0;
  }
}

ImU32 imgui_colour(std::uint32_t argb) {
  return IM_COL32((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, (argb >> 24) & 0xFF);
}

class imgui_tool_ui final : public tool_ui {
 public:
  void text(const std::string& text) override { ImGui::TextWrapped("%s", text.c_str()); }

  bool combo(const char* label, const std::vector<std::string>& items, int& selected) override {
    return imgui_combo(label, items, selected, true);
  }

  bool button(const char* label) override { return ImGui::Button(label); }

  bool input_text(const char* label, std::string& text, std::size_t max_length) override {
    std::vector<char> buffer(max_length + 1, '\0');
    std::copy_n(text.data(), std::min(text.size(), max_length), buffer.data());
    if (!ImGui::InputText(label, buffer.data(), buffer.size())) return false;
    text = buffer.data();
    return true;
  }

  bool checkbox(const char* label, bool& value) override { return ImGui::Checkbox(label, &value); }

  bool radio(const char* label, bool active) override { return ImGui::RadioButton(label, active); }

  bool button_enabled(const char* label, bool enabled) override {
    ImGui::BeginDisabled(!enabled);
    const bool clicked = ImGui::Button(label);
    ImGui::EndDisabled();
    return clicked && enabled;
  }

  bool slider(const char* label, int& value, int min, int max) override {
    return ImGui::SliderInt(label, &value, min, max);
  }

  bool edit_field(const char* label, std::string& text, std::size_t max_length, bool every_change) override {
    std::vector<char> buffer(max_length + 1, '\0');
    std::copy_n(text.data(), std::min(text.size(), max_length), buffer.data());
    const bool changed = ImGui::InputText(label, buffer.data(), buffer.size());
    text = buffer.data();
    return every_change ? changed : ImGui::IsItemDeactivatedAfterEdit();
  }

  list_action list_box(const char* id, const std::vector<std::string>& items, std::vector<std::uint8_t>& selected,
                       bool multi, float height) override {
    selected.resize(items.size(), 0);
    list_action action = list_action::none;
    if (!ImGui::BeginListBox(id, ImVec2(-1.0f, height))) return action;
    for (std::size_t i = 0; i < items.size(); ++i) {
      ImGui::PushID(static_cast<int>(i));
      if (ImGui::Selectable(items[i].c_str(), selected[i] != 0, ImGuiSelectableFlags_AllowDoubleClick)) {
        const bool add = multi && ImGui::GetIO().KeyCtrl;
        if (!add) std::fill(selected.begin(), selected.end(), std::uint8_t{0});
        selected[i] = add ? static_cast<std::uint8_t>(!selected[i]) : std::uint8_t{1};
        action = ImGui::IsMouseDoubleClicked(0) ? list_action::double_clicked : list_action::changed;
      }
      ImGui::PopID();
    }
    ImGui::EndListBox();
    return action;
  }

  void colour_swatch(std::uint32_t argb) override {
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const float side = ImGui::GetFrameHeight() * 1.5f;
    ImGui::GetWindowDrawList()->AddRectFilled(at, ImVec2(at.x + side, at.y + side), imgui_colour(argb));
    ImGui::Dummy(ImVec2(side, side));
  }

  void same_line() override { ImGui::SameLine(); }
  void separator() override { ImGui::Separator(); }

  void text_view(const char* id, std::string_view text, const std::vector<text_mark>& marks, std::size_t scroll_to,
                 float height) override {
    ImGui::BeginChild(id, ImVec2(0, height), true, ImGuiWindowFlags_HorizontalScrollbar);
    std::vector<std::size_t> starts{0};
    for (std::size_t p = text.find('\n'); p != std::string_view::npos; p = text.find('\n', p + 1)) starts.push_back(p + 1);
    const float line_height = ImGui::GetTextLineHeightWithSpacing();
    if (scroll_to != no_scroll) {
      const auto line = static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), scroll_to) - starts.begin()) - 1;
      ImGui::SetScrollY(std::max(0.0f, static_cast<float>(line) * line_height - ImGui::GetWindowHeight() / 2));
    }
    ImGuiListClipper clipper;
    clipper.Begin(static_cast<int>(starts.size()), line_height);
    while (clipper.Step()) {
      for (int l = clipper.DisplayStart; l < clipper.DisplayEnd; ++l) {
        const std::size_t begin = starts[static_cast<std::size_t>(l)];
        std::size_t end = l + 1 < static_cast<int>(starts.size()) ? starts[static_cast<std::size_t>(l) + 1] - 1 : text.size();
        draw_line(text, begin, end, marks);
      }
    }
    ImGui::EndChild();
  }

 private:
  // One line in pieces cut where marks begin and end, each drawn in its
  // colour with its highlight behind it.
  static void draw_line(std::string_view text, std::size_t begin, std::size_t end, const std::vector<text_mark>& marks) {
    std::vector<std::size_t> cuts{begin, end};
    for (const text_mark& m : marks) {
      if (m.end <= begin || m.begin >= end) continue;
      cuts.push_back(std::max(m.begin, begin));
      cuts.push_back(std::min(m.end, end));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    bool first = true;
    for (std::size_t c = 0; c + 1 < cuts.size() || first; ++c) {
      const std::size_t a = cuts[c], b = c + 1 < cuts.size() ? cuts[c + 1] : a;
      if (!first) ImGui::SameLine(0.0f, 0.0f);
      first = false;
      std::uint32_t colour = 0;
      std::uint32_t background = 0;
      for (const text_mark& m : marks) {
        if (m.begin <= a && a < m.end) (m.background ? background : colour) = m.colour;
      }
      const char* from = text.data() + a;
      const char* to = text.data() + b;
      if (background) {
        const ImVec2 at = ImGui::GetCursorScreenPos();
        const ImVec2 size = ImGui::CalcTextSize(from, to);
        ImGui::GetWindowDrawList()->AddRectFilled(at, ImVec2(at.x + size.x, at.y + size.y), imgui_colour(background));
      }
      if (colour) ImGui::PushStyleColor(ImGuiCol_Text, imgui_colour(colour));
      ImGui::TextUnformatted(from, to);
      if (colour) ImGui::PopStyleColor();
      if (cuts.size() < 2) break;
    }
  }
};


}  // namespace

bool take_tool_window_event(const void* sdl_event) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(sdl_event);
  const Uint32 id = event_window(e);
  if (id == 0) return false;
  for (tool_window::impl* w : g_open_windows) {
    if (w->id == id) {
      w->events.push_back(e);
      return true;
    }
  }
  return false;
}

tool_window::tool_window() = default;
tool_window::~tool_window() { close(); }

bool tool_window::is_open() const { return impl_ != nullptr; }

bool tool_window::open(const std::string& title, int width, int height) {
  if (impl_) return true;
  if (!dialogs_enabled() || !video_has_display()) return false;
  auto w = std::make_unique<impl>();
  if (!open_imgui_panel_window(w->panel, title, width, height, SDL_WINDOW_RESIZABLE, 0)) return false;
  w->id = SDL_GetWindowID(w->panel.window);
  g_open_windows.push_back(w.get());
  impl_ = std::move(w);
  return true;
}

void tool_window::close() {
  if (!impl_) return;
  g_open_windows.erase(std::remove(g_open_windows.begin(), g_open_windows.end(), impl_.get()), g_open_windows.end());
  close_imgui_panel_window(impl_->panel);
  impl_.reset();
}

bool tool_window::frame(const tool_builder& build) {
  if (!impl_) return false;
  bool closed = false;
  {
    imgui_panel_scope scope(impl_->panel);
    std::vector<SDL_Event> events;
    events.swap(impl_->events);
    for (SDL_Event& e : events) {
      if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) closed = true;
      ImGui_ImplSDL2_ProcessEvent(&e);
    }
    if (!closed) {
      imgui_tool_ui ui;
      draw_imgui_panel_frame(impl_->panel, "##tool", [&] { build(ui); });
    }
  }
  if (closed) close();
  return !closed;
}

int tool_window::wait_for_number_key(const tool_builder& build, int first, int last) {
  if (!impl_) return 0;
  std::vector<SDL_Event> held;  // the game's events, handed back afterwards
  int key = 0;
  bool quit = false;
  while (key == 0 && !quit && impl_) {
    SDL_Event e;
    while (key == 0 && SDL_PollEvent(&e)) {
      if (e.type == SDL_KEYDOWN && !e.key.repeat && e.key.keysym.scancode >= SDL_SCANCODE_1 &&
          e.key.keysym.scancode <= SDL_SCANCODE_9) {
        const int number = e.key.keysym.scancode - SDL_SCANCODE_1 + 1;
        if (number >= first && number <= last) {
          key = number;
          break;
        }
      }
      if (e.type == SDL_QUIT) {
        held.push_back(e);
        quit = true;
        break;
      }
      if (!take_tool_window_event(&e)) held.push_back(e);
    }
    if (key == 0 && !quit && !frame(build)) break;
    SDL_Delay(10);
  }
  for (SDL_Event& e : held) SDL_PushEvent(&e);
  return key;
}

}  // namespace hm::platform
