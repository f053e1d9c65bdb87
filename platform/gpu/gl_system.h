#pragma once
// The OpenGL 3.3 core backend: one adapter per screen of the host's video
// system, a hardware device per adapter, and devices that are OpenGL contexts on
// the SDL window they are created for.
#include <cstdint>
#include <memory>

#include "platform/gpu/device.h"

namespace hm::platform::gpu {

// Starts the video system when needed. Creation of a device fails with
// not_available when no OpenGL 3.3 context can be made on the window.
std::unique_ptr<gpu_system> make_gl_system();

// Off: devices created afterwards decode DXT textures on the processor even
// where the context takes them compressed (tests run both paths). On by default.
void gl_use_s3tc(bool use);

// The shader version (major * 256 + minor, as the device abilities count it)
// of hardware whose OpenGL shading language version is the text given, as a
// context reports it ("4.60 vendor text"); 0 for text that is no version.
std::uint32_t shader_version_of_glsl(const char* glsl_version);

// A system of the given backend.
std::unique_ptr<gpu_system> make_system(backend which);

}  // namespace hm::platform::gpu
