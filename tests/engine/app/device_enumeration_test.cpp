// Device enumeration and the device-settings dialog's list chain over the null
// graphics system.
#include "engine/app/device_enumeration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "engine/app/device_settings_dialog.h"
#include "platform/gpu/null_device.h"

using namespace hm;
namespace gpu = hm::platform::gpu;
using gpu::format;

namespace {

gpu::null_device_type_config device_of(gpu::device_type type, bool hw_tnl, bool pure, std::uint32_t intervals) {
  gpu::null_device_type_config d;
  d.type = type;
  d.caps.type = type;
  d.caps.hardware_transform_and_lighting = hw_tnl;
  d.caps.pure_device = pure;
  d.caps.presentation_intervals = intervals;
  d.back_buffer_formats = {format::a8r8g8b8, format::x8r8g8b8};
  d.depth_formats = {format::d16, format::d24s8, format::d24x8};
  return d;
}

// Adapter 0 has only modes below 640 x 480; adapter 1 is a usual one with a
// hardware device (all intervals) and a reference device without hardware
// vertex processing.
gpu::null_system_config two_adapters() {
  const std::uint32_t all_intervals = 0x3F;
  gpu::null_adapter_config small;
  small.description = "Small adapter";
  small.desktop = {512, 384, 60, format::x8r8g8b8};
  small.modes = {{320, 240, 60, format::x8r8g8b8}, {512, 384, 60, format::x8r8g8b8}, {800, 400, 60, format::x8r8g8b8}};
  small.devices = {device_of(gpu::device_type::hal, true, true, all_intervals)};
  gpu::null_adapter_config big;
  big.description = "Big adapter";
  big.desktop = {1024, 768, 60, format::x8r8g8b8};
  big.modes = {{1024, 768, 75, format::x8r8g8b8}, {800, 600, 60, format::x8r8g8b8}, {1024, 768, 60, format::x8r8g8b8},
               {640, 480, 60, format::r5g6b5},    {640, 480, 60, format::x8r8g8b8}};
  big.devices = {device_of(gpu::device_type::hal, true, true, all_intervals),
                 device_of(gpu::device_type::ref, false, false, all_intervals)};
  return {{small, big}};
}

template <typename T>
bool has(const std::vector<T>& list, T value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

class Enumeration : public testing::Test {
 protected:
  void SetUp() override {
    system = std::make_unique<gpu::null_system>(two_adapters());
    e.system = system.get();
  }
  std::unique_ptr<gpu::null_system> system;
  device_enumeration e;
};

TEST_F(Enumeration, AdapterWithOnlySmallModesIsDroppedAndModesAreSorted) {
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  ASSERT_EQ(e.adapters.size(), 1u);
  const adapter_info& a = *e.adapters[0];
  EXPECT_EQ(a.ordinal, 1u);
  EXPECT_EQ(a.identifier.description, "Big adapter");
  // By width, height, format, refresh rate.
  const std::vector<gpu::display_mode> expected = {{640, 480, 60, format::x8r8g8b8},
                                                   {640, 480, 60, format::r5g6b5},
                                                   {800, 600, 60, format::x8r8g8b8},
                                                   {1024, 768, 60, format::x8r8g8b8},
                                                   {1024, 768, 75, format::x8r8g8b8}};
  EXPECT_EQ(a.display_modes, expected);
  ASSERT_EQ(a.devices.size(), 2u);
  EXPECT_EQ(a.devices[0]->type, gpu::device_type::hal);
  EXPECT_EQ(a.devices[1]->type, gpu::device_type::ref);
}

TEST_F(Enumeration, CombinationsFollowFlagsCapsAndFilter) {
  e.uses_depth_buffer = true;
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  const device_info& hal = *e.adapters[0]->devices[0];
  const device_info& ref = *e.adapters[0]->devices[1];
  // Two adapter formats in use x two back-buffer formats x windowed or not.
  EXPECT_EQ(hal.combinations.size(), 8u);
  for (const auto& c : hal.combinations) {
    EXPECT_EQ(c->vertex_processing_types,
              (std::vector<gpu::vertex_processing>{gpu::vertex_processing::pure_hardware,
                                                   gpu::vertex_processing::hardware,
                                                   gpu::vertex_processing::software}));
    EXPECT_EQ(c->depth_stencil_formats, (std::vector<format>{format::d16, format::d24x8, format::d24s8}));
    EXPECT_EQ(has(c->present_intervals, gpu::present_interval::two), !c->windowed);
    EXPECT_EQ(c->present_intervals.front(), gpu::present_interval::immediate);
    EXPECT_EQ(c->multisample_types, std::vector<gpu::multisample_type>{gpu::multisample_none});
  }
  for (const auto& c : ref.combinations)
    EXPECT_EQ(c->vertex_processing_types, std::vector<gpu::vertex_processing>{gpu::vertex_processing::software});

  // Mixed processing on request; a filter that refuses pure devices.
  e.uses_mixed_vertex_processing = true;
  e.filter = [](const gpu::device_caps&, gpu::vertex_processing v, format, format) {
    return v != gpu::vertex_processing::pure_hardware;
  };
  e.requires_windowed = true;
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  for (const auto& c : e.adapters[0]->devices[0]->combinations) {
    EXPECT_TRUE(c->windowed);
    EXPECT_EQ(c->vertex_processing_types,
              (std::vector<gpu::vertex_processing>{gpu::vertex_processing::hardware, gpu::vertex_processing::mixed,
                                                   gpu::vertex_processing::software}));
  }
}

TEST_F(Enumeration, CombinationWithoutDepthFormatIsDropped) {
  system->config().adapters[1].devices[1].depth_formats.clear();
  e.uses_depth_buffer = true;
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  EXPECT_EQ(e.adapters[0]->devices.size(), 1u);
  e.uses_depth_buffer = false;
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  EXPECT_EQ(e.adapters[0]->devices.size(), 2u);
}

TEST(DeviceNames, AsShown) {
  EXPECT_EQ(format_name(format::x8r8g8b8), "D3DFMT_X8R8G8B8");
  EXPECT_EQ(format_name(format::d24s8, false), "D24S8");
  EXPECT_EQ(format_name(static_cast<format>(999)), "Unknown format");
  EXPECT_EQ(multisample_type_name(0), "D3DMULTISAMPLE_NONE");
  EXPECT_EQ(multisample_type_name(1), "D3DMULTISAMPLE_NONMASKABLE");
  EXPECT_EQ(multisample_type_name(4), "D3DMULTISAMPLE_4_SAMPLES");
  EXPECT_EQ(multisample_type_name(17), "Unknown Multisample Type");
  EXPECT_EQ(device_type_name(static_cast<gpu::device_type>(9)), "Unknown devType");
  EXPECT_EQ(vertex_processing_name(gpu::vertex_processing::pure_hardware), "PURE_HARDWARE_VP");
  EXPECT_EQ(present_interval_name(gpu::present_interval::default_interval), "D3DPRESENT_INTERVAL_DEFAULT");
  EXPECT_EQ(depth_bits(format::d15s1), 15u);
  EXPECT_EQ(stencil_bits(format::d24x4s4), 4u);
  EXPECT_EQ(alpha_bits(format::a2r10g10b10), 2u);
  EXPECT_EQ(color_channel_bits(format::r5g6b5), 5u);
}

// The dialog over a two-adapter system, starting from the windowed settings on
// the first adapter.
class Dialog : public testing::Test {
 protected:
  void SetUp() override {
    gpu::null_system_config config = gpu::default_null_config();
    config.adapters.push_back(config.adapters[0]);
    config.adapters[1].description = "Second adapter";
    config.adapters[1].devices[0].back_buffer_formats = {format::a8r8g8b8};
    system = std::make_unique<gpu::null_system>(config);
    e.system = system.get();
    e.uses_depth_buffer = true;
    ASSERT_EQ(e.enumerate(), gpu::result::ok);
    device_settings_half& w = settings.windowed;
    w.adapter = e.adapters[0].get();
    w.device = w.adapter->devices[0].get();
    w.combination = find_combination(*w.device, true, format::x8r8g8b8, format::x8r8g8b8);
    w.display_mode = {1024, 768, 60, format::x8r8g8b8};
    w.depth_stencil_format = format::d24s8;
    w.processing = gpu::vertex_processing::hardware;
    settings.is_windowed = true;
  }
  std::vector<std::string> texts(const device_settings_dialog& d, int id) {
    std::vector<std::string> out;
    for (const auto& it : d.get(id).items) out.push_back(it.text);
    return out;
  }
  std::unique_ptr<gpu::null_system> system;
  device_enumeration e;
  device_settings settings;
};

TEST_F(Dialog, WindowedModeListsHoldTheDesktopModeOnlyAndAreDisabled) {
  device_settings_dialog d(e, settings);
  using D = device_settings_dialog;
  EXPECT_EQ(texts(d, D::list_adapter), (std::vector<std::string>{"Null graphics adapter", "Second adapter"}));
  EXPECT_EQ(d.get(D::list_adapter).selected, 0);
  EXPECT_EQ(texts(d, D::list_device), std::vector<std::string>{"D3DDEVTYPE_HAL"});
  EXPECT_TRUE(d.window_button_checked());
  EXPECT_TRUE(d.fullscreen_button_enabled());
  for (int id : {D::list_adapter_format, D::list_resolution, D::list_refresh_rate}) {
    EXPECT_EQ(d.get(id).items.size(), 1u) << id;
    EXPECT_FALSE(d.get(id).enabled) << id;
  }
  EXPECT_EQ(texts(d, D::list_resolution), std::vector<std::string>{"1024 by 768"});
  EXPECT_EQ(texts(d, D::list_refresh_rate), std::vector<std::string>{"60 Hz"});
  EXPECT_EQ(texts(d, D::list_back_buffer_format),
            (std::vector<std::string>{"D3DFMT_A8R8G8B8", "D3DFMT_X8R8G8B8"}));
  EXPECT_EQ(d.get(D::list_back_buffer_format).selected, 1);
  EXPECT_EQ(texts(d, D::list_depth_stencil_format),
            (std::vector<std::string>{"D3DFMT_D16", "D3DFMT_D24X8", "D3DFMT_D24S8"}));
  EXPECT_EQ(d.get(D::list_depth_stencil_format).selected, 2);
  EXPECT_EQ(texts(d, D::list_multisample_type), std::vector<std::string>{"D3DMULTISAMPLE_NONE"});
  EXPECT_EQ(texts(d, D::list_multisample_quality), std::vector<std::string>{"0"});
  EXPECT_EQ(d.get(D::list_vertex_processing).items[static_cast<std::size_t>(d.get(D::list_vertex_processing).selected)].text,
            "HARDWARE_VP");
  // The full-screen half is left as it was, and nothing changed.
  EXPECT_EQ(d.result().fullscreen.adapter, nullptr);
  EXPECT_EQ(d.result().windowed.combination, settings.windowed.combination);
}

TEST_F(Dialog, OtherAdapterBringsItsOwnCombination) {
  device_settings_dialog d(e, settings);
  d.choose(device_settings_dialog::list_adapter, 1);
  const device_settings& r = d.result();
  ASSERT_NE(r.windowed.combination, nullptr);
  EXPECT_EQ(r.windowed.adapter->ordinal, 1u);
  EXPECT_EQ(r.windowed.combination->adapter_ordinal, 1u);
  EXPECT_EQ(r.windowed.combination->back_buffer_format, format::a8r8g8b8);
  EXPECT_TRUE(settings_half_consistent(r.windowed, true));
  // What the dialog must never hand back: the new adapter with the old combination.
  device_settings_half mixed = r.windowed;
  mixed.combination = settings.windowed.combination;
  EXPECT_FALSE(settings_half_consistent(mixed, true));
}

TEST_F(Dialog, FullScreenChoiceOfModeAndRate) {
  device_settings_dialog d(e, settings);
  using D = device_settings_dialog;
  d.choose_windowed(false);
  EXPECT_FALSE(d.result().is_windowed);
  EXPECT_TRUE(d.get(D::list_resolution).enabled);
  EXPECT_EQ(texts(d, D::list_adapter_format), std::vector<std::string>{"D3DFMT_X8R8G8B8"});
  EXPECT_EQ(texts(d, D::list_resolution),
            (std::vector<std::string>{"640 by 480", "800 by 600", "1024 by 768", "1280 by 720", "1280 by 1024"}));
  d.choose(D::list_resolution, 1);
  const device_settings& r = d.result();
  EXPECT_EQ(r.fullscreen.display_mode, (gpu::display_mode{800, 600, 60, format::x8r8g8b8}));
  ASSERT_NE(r.fullscreen.combination, nullptr);
  EXPECT_FALSE(r.fullscreen.combination->windowed);
  EXPECT_TRUE(settings_half_consistent(r.fullscreen, true));
  // The windowed half keeps what it had.
  EXPECT_EQ(r.windowed.combination, settings.windowed.combination);
}

TEST_F(Dialog, WithoutDepthBufferTheDepthListHoldsOnlyNotUsed) {
  e.uses_depth_buffer = false;
  ASSERT_EQ(e.enumerate(), gpu::result::ok);
  settings.windowed.adapter = e.adapters[0].get();
  settings.windowed.device = settings.windowed.adapter->devices[0].get();
  settings.windowed.combination =
      find_combination(*settings.windowed.device, true, format::x8r8g8b8, format::x8r8g8b8);
  settings.windowed.depth_stencil_format = format::unknown;
  device_settings_dialog d(e, settings);
  using D = device_settings_dialog;
  EXPECT_EQ(texts(d, D::list_depth_stencil_format), std::vector<std::string>{"(not used)"});
  EXPECT_FALSE(d.get(D::list_depth_stencil_format).enabled);
  EXPECT_EQ(d.result().windowed.depth_stencil_format, format::unknown);
  // The multisample list still follows the combination.
  EXPECT_EQ(texts(d, D::list_multisample_type), std::vector<std::string>{"D3DMULTISAMPLE_NONE"});
}

// Stands in for the panel's window: presses the buttons it is told to and
// keeps the notes the panel shows.
class scripted_ui final : public platform::dialog_ui {
 public:
  void group(const char*) override {}
  bool combo(const char*, const std::vector<std::string>&, int&, bool) override { return false; }
  bool radio(const char* label, bool, bool) override { return press(label); }
  bool button(const char* label) override { return press(label); }
  void same_line() override {}
  void separator() override {}
  void note(const std::string& text) override { notes.push_back(text); }
  void text(const std::string&) override {}
  bool checkbox(const char*, bool&) override { return false; }
  bool slider_int(const char*, int&, int, int) override { return false; }
  bool input_int(const char*, int&) override { return false; }

  std::string pressing;
  std::vector<std::string> notes;

 private:
  bool press(const char* label) { return pressing == label; }
};

TEST_F(Dialog, OkOnChoicesThatDoNotFitSaysWhyAndStaysOpen) {
  // The windowed half's desktop format has no combination on the device: the
  // back-buffer list stays empty and no combination is chosen.
  settings.windowed.combination = nullptr;
  settings.windowed.display_mode.fmt = format::r5g6b5;
  device_settings_dialog d(e, settings);
  ASSERT_EQ(d.result().windowed.combination, nullptr);

  scripted_ui ui;
  ui.pressing = "OK";
  EXPECT_EQ(lay_out_device_settings_panel(d, ui), std::nullopt);
  const std::string why =
      "The device has no back buffer format for this mode and adapter format. Choose another mode, adapter format or "
      "device.";
  EXPECT_EQ(d.message(), why);
  // The next frame shows the reason above the buttons.
  ui.pressing.clear();
  EXPECT_EQ(lay_out_device_settings_panel(d, ui), std::nullopt);
  EXPECT_EQ(ui.notes, std::vector<std::string>{why});

  // A choice that fits clears the reason, and OK then ends the dialog.
  ui.pressing = "&Fullscreen mode:";
  ui.notes.clear();
  EXPECT_EQ(lay_out_device_settings_panel(d, ui), std::nullopt);
  EXPECT_TRUE(d.message().empty());
  ui.pressing = "OK";
  EXPECT_EQ(lay_out_device_settings_panel(d, ui), platform::dialog_result::ok);
  EXPECT_TRUE(ui.notes.empty());
  EXPECT_TRUE(settings_half_consistent(d.result().current(), true));

  // Cancel ends it whatever the choices.
  device_settings_dialog again(e, settings);
  ui.pressing = "Cancel";
  EXPECT_EQ(lay_out_device_settings_panel(again, ui), platform::dialog_result::cancel);
}

TEST_F(Dialog, EachMismatchHasItsReason) {
  device_settings_dialog d(e, settings);
  const device_settings_half good = d.result().windowed;
  ASSERT_TRUE(settings_half_problem(good, true).empty());
  struct mismatch {
    const char* what;
    std::function<void(device_settings_half&)> spoil;
    const char* reason;
  };
  const mismatch cases[] = {
      {"no device", [](device_settings_half& h) { h.device = nullptr; }, "Choose an adapter and a device."},
      {"another adapter's combination",
       [&](device_settings_half& h) { h.adapter = e.adapters[1].get(); },
       "The chosen formats belong to another adapter or device. Choose the formats again."},
      {"depth format", [](device_settings_half& h) { h.depth_stencil_format = format::d32; },
       "The chosen depth/stencil format does not suit the back buffer format."},
      {"multisample", [](device_settings_half& h) { h.multisample = gpu::multisample_type(16); },
       "The chosen multisample type does not suit the back buffer format."},
      {"present interval", [](device_settings_half& h) { h.interval = gpu::present_interval(77); },
       "The chosen present interval does not suit the device."},
  };
  for (const mismatch& m : cases) {
    device_settings_half h = good;
    m.spoil(h);
    EXPECT_EQ(settings_half_problem(h, true), m.reason) << m.what;
    EXPECT_FALSE(settings_half_consistent(h, true)) << m.what;
  }
}

TEST_F(Dialog, PanelNeverOpensWithoutDisplay) {
  device_settings copy = settings;
  EXPECT_FALSE(run_device_settings_panel(e, copy, nullptr));
  EXPECT_EQ(copy.windowed.combination, settings.windowed.combination);
}

}  // namespace
