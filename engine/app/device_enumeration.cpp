#include "engine/app/device_enumeration.h"

#include <algorithm>
#include <tuple>

namespace hm {

using gpu::format;

namespace {

template <typename T>
bool contains(const std::vector<T>& list, T value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

}  // namespace

std::uint32_t color_channel_bits(format f) {
  switch (f) {
    case format::r8g8b8:
    case format::a8r8g8b8:
    case format::x8r8g8b8: return 8;
    case format::r5g6b5:
    case format::x1r5g5b5:
    case format::a1r5g5b5: return 5;
    case format::a4r4g4b4:
    case format::x4r4g4b4: return 4;
    case format::r3g3b2:
    case format::a8r3g3b2: return 2;
    case format::a2b10g10r10:
    case format::a2r10g10b10: return 10;
    default: return 0;
  }
}

std::uint32_t alpha_bits(format f) {
  switch (f) {
    case format::a8r8g8b8:
    case format::a8r3g3b2: return 8;
    case format::a1r5g5b5: return 1;
    case format::a4r4g4b4: return 4;
    case format::a2b10g10r10:
    case format::a2r10g10b10: return 2;
    default: return 0;
  }
}

std::uint32_t depth_bits(format f) {
  switch (f) {
    case format::d32: return 32;
    case format::d15s1: return 15;
    case format::d24s8:
    case format::d24x8:
    case format::d24x4s4: return 24;
    case format::d16:
    case format::d16_lockable: return 16;
    default: return 0;
  }
}

std::uint32_t stencil_bits(format f) {
  switch (f) {
    case format::d15s1: return 1;
    case format::d24s8: return 8;
    case format::d24x4s4: return 4;
    default: return 0;
  }
}

std::string format_name(format f, bool with_prefix) {
  const char* name = nullptr;
  switch (f) {
    case format::unknown: name = "UNKNOWN"; break;
    case format::r8g8b8: name = "R8G8B8"; break;
    case format::a8r8g8b8: name = "A8R8G8B8"; break;
    case format::x8r8g8b8: name = "X8R8G8B8"; break;
    case format::r5g6b5: name = "R5G6B5"; break;
    case format::x1r5g5b5: name = "X1R5G5B5"; break;
    case format::a1r5g5b5: name = "A1R5G5B5"; break;
    case format::a4r4g4b4: name = "A4R4G4B4"; break;
    case format::r3g3b2: name = "R3G3B2"; break;
    case format::a8r3g3b2: name = "A8R3G3B2"; break;
    case format::x4r4g4b4: name = "X4R4G4B4"; break;
    case format::a2b10g10r10: name = "A2B10G10R10"; break;
    case format::a2r10g10b10: name = "A2R10G10B10"; break;
    case format::d16_lockable: name = "D16_LOCKABLE"; break;
    case format::d32: name = "D32"; break;
    case format::d15s1: name = "D15S1"; break;
    case format::d24s8: name = "D24S8"; break;
    case format::d24x8: name = "D24X8"; break;
    case format::d24x4s4: name = "D24X4S4"; break;
    case format::d16: name = "D16"; break;
    case format::dxt1: name = "DXT1"; break;
    case format::dxt3: name = "DXT3"; break;
    case format::dxt5: name = "DXT5"; break;
    case format::a8: name = "A8"; break;
    case format::l8: name = "L8"; break;
    case format::a8l8: name = "A8L8"; break;
    case format::r16f: name = "R16F"; break;
    case format::r32f: name = "R32F"; break;
    case format::a16b16g16r16f: name = "A16B16G16R16F"; break;
  }
  if (!name) return "Unknown format";
  return with_prefix ? std::string("D3DFMT_") + name : std::string(name);
}

std::string multisample_type_name(gpu::multisample_type t) {
  if (t == gpu::multisample_none) return "D3DMULTISAMPLE_NONE";
  if (t == gpu::multisample_nonmaskable) return "D3DMULTISAMPLE_NONMASKABLE";
  if (t >= 2 && t <= 16) return "D3DMULTISAMPLE_" + std::to_string(t) + "_SAMPLES";
  return "Unknown Multisample Type";
}

std::string device_type_name(gpu::device_type t) {
  switch (t) {
    case gpu::device_type::hal: return "D3DDEVTYPE_HAL";
    case gpu::device_type::ref: return "D3DDEVTYPE_REF";
    case gpu::device_type::sw: return "D3DDEVTYPE_SW";
  }
  return "Unknown devType";
}

std::string vertex_processing_name(gpu::vertex_processing v) {
  switch (v) {
    case gpu::vertex_processing::software: return "SOFTWARE_VP";
    case gpu::vertex_processing::mixed: return "MIXED_VP";
    case gpu::vertex_processing::hardware: return "HARDWARE_VP";
    case gpu::vertex_processing::pure_hardware: return "PURE_HARDWARE_VP";
  }
  return "Unknown VertexProcessingType";
}

std::string present_interval_name(gpu::present_interval i) {
  switch (i) {
    case gpu::present_interval::immediate: return "D3DPRESENT_INTERVAL_IMMEDIATE";
    case gpu::present_interval::default_interval: return "D3DPRESENT_INTERVAL_DEFAULT";
    case gpu::present_interval::one: return "D3DPRESENT_INTERVAL_ONE";
    case gpu::present_interval::two: return "D3DPRESENT_INTERVAL_TWO";
    case gpu::present_interval::three: return "D3DPRESENT_INTERVAL_THREE";
    case gpu::present_interval::four: return "D3DPRESENT_INTERVAL_FOUR";
  }
  return "Unknown PresentInterval";
}

adapter_info* device_enumeration::find_adapter(std::uint32_t ordinal) const {
  for (const auto& a : adapters)
    if (a->ordinal == ordinal) return a.get();
  return nullptr;
}

gpu::result device_enumeration::enumerate() {
  adapters.clear();
  if (!system) return gpu::result::not_available;
  static const format allowed_adapter_formats[] = {format::x8r8g8b8, format::x1r5g5b5, format::r5g6b5,
                                                   format::a2r10g10b10};
  const std::uint32_t count = system->adapter_count();
  for (std::uint32_t ordinal = 0; ordinal < count; ++ordinal) {
    auto adapter = std::make_unique<adapter_info>();
    adapter->ordinal = ordinal;
    system->get_adapter_identifier(ordinal, adapter->identifier);
    std::vector<format> adapter_formats;
    for (format f : allowed_adapter_formats) {
      const std::uint32_t modes = system->adapter_mode_count(ordinal, f);
      for (std::uint32_t m = 0; m < modes; ++m) {
        gpu::display_mode mode;
        if (system->enum_adapter_modes(ordinal, f, m, mode) != gpu::result::ok) continue;
        if (mode.width < min_fullscreen_width || mode.height < min_fullscreen_height ||
            color_channel_bits(mode.fmt) < min_color_channel_bits)
          continue;
        adapter->display_modes.push_back(mode);
        if (!contains(adapter_formats, mode.fmt)) adapter_formats.push_back(mode.fmt);
      }
    }
    std::sort(adapter->display_modes.begin(), adapter->display_modes.end(),
              [](const gpu::display_mode& a, const gpu::display_mode& b) {
                return std::tuple(a.width, a.height, static_cast<std::uint32_t>(a.fmt), a.refresh_rate) <
                       std::tuple(b.width, b.height, static_cast<std::uint32_t>(b.fmt), b.refresh_rate);
              });
    enumerate_devices(*adapter, adapter_formats);
    if (!adapter->devices.empty()) adapters.push_back(std::move(adapter));
  }
  return gpu::result::ok;
}

void device_enumeration::enumerate_devices(adapter_info& adapter, const std::vector<format>& adapter_formats) {
  static const gpu::device_type types[] = {gpu::device_type::hal, gpu::device_type::sw, gpu::device_type::ref};
  for (gpu::device_type type : types) {
    auto device = std::make_unique<device_info>();
    device->adapter_ordinal = adapter.ordinal;
    device->type = type;
    if (system->get_device_caps(adapter.ordinal, type, device->caps) != gpu::result::ok) continue;
    enumerate_combinations(*device, adapter_formats);
    if (!device->combinations.empty()) adapter.devices.push_back(std::move(device));
  }
}

void device_enumeration::enumerate_combinations(device_info& device, const std::vector<format>& adapter_formats) {
  static const format back_buffer_formats[] = {format::a8r8g8b8, format::x8r8g8b8, format::a2r10g10b10,
                                               format::r5g6b5,   format::a1r5g5b5, format::x1r5g5b5};
  for (format adapter_format : adapter_formats) {
    for (format back_buffer_format : back_buffer_formats) {
      if (alpha_bits(back_buffer_format) < min_alpha_bits) continue;
      for (bool windowed : {false, true}) {
        if (!windowed && requires_windowed) continue;
        if (windowed && requires_fullscreen) continue;
        if (system->check_device_type(device.adapter_ordinal, device.type, adapter_format, back_buffer_format,
                                      windowed) != gpu::result::ok)
          continue;
        auto combo = std::make_unique<device_combination>();
        combo->adapter_ordinal = device.adapter_ordinal;
        combo->type = device.type;
        combo->adapter_format = adapter_format;
        combo->back_buffer_format = back_buffer_format;
        combo->windowed = windowed;
        if (uses_depth_buffer) {
          build_depth_formats(*combo);
          if (combo->depth_stencil_formats.empty()) continue;
        }
        build_multisample_types(*combo);
        if (combo->multisample_types.empty()) continue;
        build_conflicts(*combo);
        build_vertex_processing(device, *combo);
        if (combo->vertex_processing_types.empty()) continue;
        build_present_intervals(device, *combo);
        device.combinations.push_back(std::move(combo));
      }
    }
  }
}

void device_enumeration::build_depth_formats(device_combination& combo) {
  static const format formats[] = {format::d16, format::d15s1, format::d24x8, format::d24s8, format::d24x4s4,
                                   format::d32};
  for (format f : formats) {
    if (depth_bits(f) < min_depth_bits || stencil_bits(f) < min_stencil_bits) continue;
    if (system->check_depth_stencil_format(combo.adapter_ordinal, combo.type, combo.adapter_format, f) !=
        gpu::result::ok)
      continue;
    if (system->check_depth_stencil_match(combo.adapter_ordinal, combo.type, combo.adapter_format,
                                          combo.back_buffer_format, f) != gpu::result::ok)
      continue;
    combo.depth_stencil_formats.push_back(f);
  }
}

void device_enumeration::build_multisample_types(device_combination& combo) {
  for (gpu::multisample_type t = gpu::multisample_none; t <= gpu::multisample_max; ++t) {
    std::uint32_t qualities = 0;
    if (system->check_multisample_type(combo.adapter_ordinal, combo.type, combo.back_buffer_format,
                                       combo.windowed, t, &qualities) != gpu::result::ok)
      continue;
    combo.multisample_types.push_back(t);
    combo.multisample_qualities.push_back(qualities);
  }
}

void device_enumeration::build_conflicts(device_combination& combo) {
  for (format f : combo.depth_stencil_formats)
    for (gpu::multisample_type t : combo.multisample_types)
      if (system->check_multisample_type(combo.adapter_ordinal, combo.type, f, combo.windowed, t, nullptr) !=
          gpu::result::ok)
        combo.depth_multisample_conflicts.emplace_back(f, t);
}

void device_enumeration::build_vertex_processing(const device_info& device, device_combination& combo) {
  auto keep = [&](gpu::vertex_processing v) {
    if (!filter || filter(device.caps, v, combo.adapter_format, combo.back_buffer_format))
      combo.vertex_processing_types.push_back(v);
  };
  if (device.caps.hardware_transform_and_lighting) {
    if (device.caps.pure_device) keep(gpu::vertex_processing::pure_hardware);
    keep(gpu::vertex_processing::hardware);
    if (uses_mixed_vertex_processing) keep(gpu::vertex_processing::mixed);
  }
  keep(gpu::vertex_processing::software);
}

void device_enumeration::build_present_intervals(const device_info& device, device_combination& combo) {
  using gpu::present_interval;
  static const present_interval intervals[] = {present_interval::immediate, present_interval::default_interval,
                                               present_interval::one,       present_interval::two,
                                               present_interval::three,     present_interval::four};
  for (present_interval i : intervals) {
    if (combo.windowed &&
        (i == present_interval::two || i == present_interval::three || i == present_interval::four))
      continue;
    if (i == present_interval::default_interval || (device.caps.presentation_intervals & gpu::interval_bit(i)))
      combo.present_intervals.push_back(i);
  }
}

device_combination* find_combination(const device_info& device, bool windowed, format adapter_format,
                                     format back_buffer_format) {
  for (const auto& c : device.combinations)
    if (c->windowed == windowed && c->adapter_format == adapter_format &&
        c->back_buffer_format == back_buffer_format)
      return c.get();
  return nullptr;
}

std::string settings_half_problem(const device_settings_half& half, bool uses_depth_buffer) {
  if (!half.adapter || !half.device) return "Choose an adapter and a device.";
  if (!half.combination) {
    return "The device has no back buffer format for this mode and adapter format. Choose another mode, adapter "
           "format or device.";
  }
  bool owned = false;
  for (const auto& d : half.adapter->devices) owned |= d.get() == half.device;
  bool combo_owned = false;
  for (const auto& c : half.device->combinations) combo_owned |= c.get() == half.combination;
  const device_combination& c = *half.combination;
  if (!owned || !combo_owned || half.device->adapter_ordinal != half.adapter->ordinal ||
      c.adapter_ordinal != half.adapter->ordinal || c.type != half.device->type) {
    return "The chosen formats belong to another adapter or device. Choose the formats again.";
  }
  if (uses_depth_buffer && !contains(c.depth_stencil_formats, half.depth_stencil_format))
    return "The chosen depth/stencil format does not suit the back buffer format.";
  if (!contains(c.multisample_types, half.multisample))
    return "The chosen multisample type does not suit the back buffer format.";
  if (!contains(c.vertex_processing_types, half.processing))
    return "The chosen vertex processing does not suit the device.";
  if (!contains(c.present_intervals, half.interval)) return "The chosen present interval does not suit the device.";
  return {};
}

bool settings_half_consistent(const device_settings_half& half, bool uses_depth_buffer) {
  return settings_half_problem(half, uses_depth_buffer).empty();
}

int depth_format_rank(gpu::format f) {
  switch (f) {
    case gpu::format::d32: return 10;
    case gpu::format::d24x8: return 9;
    case gpu::format::d24s8: return 8;
    case gpu::format::d24x4s4: return 7;
    case gpu::format::d16: return 6;
    case gpu::format::d16_lockable: return 5;
    case gpu::format::d15s1: return 4;
    default: return 0;
  }
}

gpu::format best_depth_format(const std::vector<gpu::format>& formats) {
  gpu::format best = gpu::format::unknown;
  int best_rank = -1;
  for (gpu::format f : formats) {
    const int rank = depth_format_rank(f);
    if (rank > best_rank) {
      best = f;
      best_rank = rank;
    }
  }
  return best;
}

}  // namespace hm
