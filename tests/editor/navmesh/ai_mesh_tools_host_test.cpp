#include "editor/navmesh/ai_mesh_tools_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ai_mesh_fixtures.h"
#include "editor/navmesh/ai_mesh_operations.h"
#include "editor/navmesh/ai_mesh_section.h"
#include "mission/records/mission.h"
#include "platform/tool_window.h"

namespace hm {
namespace {

// Draws nothing, records the texts and clicks the one button named.
class clicking_ui : public platform::tool_ui {
 public:
  std::string click;
  std::vector<std::string> texts;
  std::vector<std::string> greyed;

  void text(const std::string& t) override { texts.push_back(t); }
  bool combo(const char*, const std::vector<std::string>&, int&) override { return false; }
  bool button(const char* label) override { return click == label; }
  bool input_text(const char*, std::string&, std::size_t) override { return false; }
  void same_line() override {}
  void separator() override {}
  void text_view(const char*, std::string_view, const std::vector<platform::text_mark>&, std::size_t, float) override {}
  bool checkbox(const char*, bool&) override { return false; }
  bool radio(const char* label, bool) override { return click == label; }
  bool button_enabled(const char* label, bool enabled) override {
    if (!enabled) greyed.push_back(label);
    return enabled && click == label;
  }
  bool slider(const char*, int&, int, int) override { return false; }
  bool edit_field(const char*, std::string&, std::size_t, bool) override { return false; }
  list_action list_box(const char*, const std::vector<std::string>&, std::vector<std::uint8_t>&, bool, float) override {
    return list_action::none;
  }
  void colour_swatch(std::uint32_t) override {}
  bool shown(const std::string& t) const { return std::find(texts.begin(), texts.end(), t) != texts.end(); }
};

struct host_fixture {
  ai_mesh graph = test::quad_grid(1, 1);
  mission m;
  edit_mode_state s;
  ai_mesh_tools_host host;
  host_fixture() {
    m.nav_mesh = &graph;
    host.enter(m, s);
  }
  ~host_fixture() { m.nav_mesh = nullptr; }
  clicking_ui press(const char* label) {
    clicking_ui ui;
    ui.click = label;
    host.draw_controls(m, s, ui);
    return ui;
  }
};

TEST(AiMeshToolsHost, ButtonsEditTheGraphAndWarnWhenRefused) {
  host_fixture f;
  std::string section;
  EXPECT_FALSE(f.host.store(f.m, section));  // nothing edited: the file keeps its section

  f.graph.vertices[0].selected = f.graph.vertices[1].selected = 1;
  clicking_ui refused = f.press("Connect");
  EXPECT_TRUE(refused.shown("Warning"));
  EXPECT_TRUE(refused.shown(ai_connect_failure_message));
  EXPECT_EQ(f.s.scene_changed, 0u);
  // Vertex mode: the edge and face operations are greyed.
  EXPECT_NE(std::find(refused.greyed.begin(), refused.greyed.end(), std::string("Subdivide")), refused.greyed.end());

  f.press("Create New Face");
  EXPECT_EQ(f.graph.faces.size(), 2u);
  EXPECT_EQ(f.s.scene_changed, 1u);
  EXPECT_FALSE(f.press("").shown("Warning"));
  ASSERT_TRUE(f.host.store(f.m, section));
  ai_mesh back;
  ASSERT_TRUE(read_ai_mesh_section(section, back));
  EXPECT_EQ(back.faces.size(), 2u);
  EXPECT_EQ(ai_mesh_fault(back), "");
}

TEST(AiMeshToolsHost, ModeButtonsAndTheTerrainQuestion) {
  host_fixture f;
  f.press("Faces");
  EXPECT_EQ(f.s.ai_mesh_element_mode, 2u);
  f.graph.faces[0].selected = 1;
  f.press("To Vertices");
  EXPECT_EQ(f.s.ai_mesh_element_mode, 0u);
  EXPECT_EQ(f.host.session().editor().selected_vertex_count(), 4);

  f.press("Create AI Mesh");
  EXPECT_TRUE(f.press("").shown("Are you sure?"));
  f.press("No");
  EXPECT_FALSE(f.press("").shown("Are you sure?"));
  EXPECT_EQ(f.graph.faces.size(), 1u);
}

}  // namespace
}  // namespace hm
