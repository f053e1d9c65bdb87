#pragma once
// The interface's view: a flat view over the scene in the interface's space (x
// from 0 at the left to 1 at the right, y from 0 at the bottom to 0.75 at the
// top), drawn last, in submission order, with the depth buffer cleared; and the
// message log's lines queued into it.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/core/math.h"
#include "render/entity/render_view.h"

namespace hm {

class camera;
class font_details;
class mesh;
class resource_manager;
struct message_log;

inline constexpr float interface_width = 1.0f;
inline constexpr float interface_height = 0.75f;

// The rectangle in pixels of a back buffer of width x height that a widget
// covers, from its place in the interface's space (x 0..1 from the left, y
// 0..0.75 from the bottom). Kept inside the buffer.
view_rectangle interface_area_pixels(float x, float y, float width, float height, std::uint32_t buffer_width,
                                     std::uint32_t buffer_height);

// The camera's view window made as tall as the area's shape asks, keeping
// its width (the horizontal field of view), and its planes rebuilt.
void fit_view_window(camera& eye, const view_rectangle& area);

// Sets the view up for a back buffer of that size: its viewport, an
// orthographic camera over the interface's space, and its flags.
void set_up_interface_view(render_view& view, std::uint32_t width, std::uint32_t height);

// Where the message log sits: the newest line's start position is `anchor`
// (lines hang below it), older lines stack above up to `max_height`.
struct message_log_placement {
  vec3 anchor{0.0f, 0.18f, 0.0f};
  float max_height = 0.45f;
  // Each line's background copy is drawn first as a dark shadow, this far off.
  vec3 shadow_offset{0.0015f, -0.002f, 0.0f};
  float shadow_strength = 0.7f;
};

// Queues the lines the log still shows into the view (background copy, then
// text, each line placed by its frame and coloured by the mesh colour).
// Returns the number of meshes queued.
int queue_message_log(render_view& view, message_log& log,
                      const message_log_placement& placement = message_log_placement{});

// Texts placed in pixels of the back buffer (the frame rate, the debug lines),
// laid out with the UI font into meshes of material "ui_font" that are kept
// from frame to frame and queued into the interface's view like the log.
class interface_texts {
 public:
  interface_texts();
  ~interface_texts();
  interface_texts(const interface_texts&) = delete;
  interface_texts& operator=(const interface_texts&) = delete;

  // Forgets the texts of the last frame.
  void begin_frame() { used_ = 0; }
  // Lays the text out with the top of its first line at (x, y) pixels from the
  // top left of a back buffer of width x height pixels, line_pixels high per
  // line, coloured by the mesh colour, and queues it into the view. False when
  // nothing was queued (an empty text, no font, no material).
  bool add(render_view& view, const font_details& font, std::string_view text, float x, float y,
           std::uint32_t colour, float line_pixels, std::uint32_t width, std::uint32_t height,
           resource_manager* resources = nullptr);
  // Empties every mesh and lets go of the material (the meshes hold it, so
  // texts that outlive the resource manager must be cleared first).
  void clear();
  // The mesh of the i-th text of this frame.
  const mesh& text_mesh(int i) const { return *meshes_[static_cast<std::size_t>(i)]; }
  int count() const { return used_; }

 private:
  std::vector<std::unique_ptr<mesh>> meshes_;
  int used_ = 0;
};

}  // namespace hm
