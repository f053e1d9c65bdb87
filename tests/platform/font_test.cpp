#include "platform/font.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace hm::platform;

namespace {

const fs::path system_folder = "/usr/share/fonts/truetype/dejavu";

bool have_system_fonts() { return fs::exists(system_folder / "DejaVuSans.ttf") && fs::exists(system_folder / "DejaVuSansMono.ttf"); }

using hm::platform::testing::temp_folder;

TEST(FontFiles, EngineNamesMapOntoFamiliesAndVariants) {
  if (!have_system_fonts()) GTEST_SKIP() << "system fonts missing";
  struct row {
    const char* name;
    std::uint32_t style;
    const char* file;
  };
  const row rows[] = {
      {"Arial", 0, "DejaVuSans.ttf"},
      {"Tahoma", font_style_bold, "DejaVuSans-Bold.ttf"},
      {"Arial", font_style_italic, "DejaVuSans-Oblique.ttf"},
      {"Times New Roman", font_style_bold | font_style_italic, "DejaVuSans-BoldOblique.ttf"},
      {"Courier New", 0, "DejaVuSansMono.ttf"},
      {"LUCIDA CONSOLE", font_style_bold, "DejaVuSansMono-Bold.ttf"},
      {"Some Mono Font", font_style_italic, "DejaVuSansMono-Oblique.ttf"},
      {"", 0, "DejaVuSans.ttf"},
  };
  for (const row& r : rows) {
    const font_file_choice c = font_file_for(r.name, r.style, {system_folder});
    EXPECT_EQ(c.file.filename(), r.file) << r.name << " style " << r.style;
    EXPECT_FALSE(c.synthesise_bold);
    EXPECT_FALSE(c.synthesise_italic);
  }
}

TEST(FontFiles, MissingFilesFallBackToRegularThenOtherFamily) {
  if (!have_system_fonts()) GTEST_SKIP() << "system fonts missing";
  temp_folder only_sans;
  fs::copy_file(system_folder / "DejaVuSans.ttf", only_sans.path() / "DejaVuSans.ttf");

  font_file_choice c = font_file_for("Arial", font_style_bold | font_style_italic, {only_sans.path()});
  EXPECT_EQ(c.file.filename(), "DejaVuSans.ttf");
  EXPECT_TRUE(c.synthesise_bold);
  EXPECT_TRUE(c.synthesise_italic);

  c = font_file_for("Courier New", 0, {only_sans.path()});
  EXPECT_EQ(c.file.filename(), "DejaVuSans.ttf");

  // A later folder is searched when the first lacks the file.
  temp_folder empty;
  c = font_file_for("Courier New", font_style_bold, {empty.path(), system_folder});
  EXPECT_EQ(c.file, system_folder / "DejaVuSansMono-Bold.ttf");

  EXPECT_TRUE(font_file_for("Arial", 0, {empty.path()}).file.empty());
}

TEST(FontFace, ExtentsAreAdvancesAndCellHeight) {
  if (!have_system_fonts()) GTEST_SKIP() << "system fonts missing";
  auto face = system_font_library().open_face("Arial", 16, 0);
  ASSERT_NE(face, nullptr);
  EXPECT_EQ(face->pixel_height(), 16);
  EXPECT_GT(face->ascent(), 0);
  EXPECT_GT(face->descent(), 0);
  const int cell = face->ascent() + face->descent();
  EXPECT_GE(cell, 16);

  const text_extent x = face->measure("x");
  EXPECT_EQ(x.height, cell);
  EXPECT_GT(x.width, 0);
  const text_extent ab = face->measure("ab");
  EXPECT_EQ(ab.width, face->glyph('a').advance + face->glyph('b').advance);
  EXPECT_EQ(face->measure("").width, 0);
  EXPECT_TRUE(face->glyph('a').present);
  EXPECT_TRUE(face->glyph(0x20AC).present);  // the euro sign, beyond Latin-1

  // A fixed-pitch face gives every character the same advance.
  auto mono = system_font_library().open_face("Courier New", 16, 0);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->measure("iii").width, mono->measure("WWW").width);

  // Bold is wider than regular, synthesised or not.
  auto bold = system_font_library().open_face("Arial", 16, font_style_bold);
  ASSERT_NE(bold, nullptr);
  EXPECT_GT(bold->measure("mmmm").width, face->measure("mmmm").width);

  EXPECT_EQ(system_font_library().open_face("Arial", 0, 0), nullptr);
  EXPECT_EQ(open_font_file("/nonexistent/font.ttf", 16), nullptr);
}

TEST(FontFace, DrawsCoverageAndColourInsideTheBitmapOnly) {
  if (!have_system_fonts()) GTEST_SKIP() << "system fonts missing";
  auto face = system_font_library().open_face("Arial", 20, 0);
  ASSERT_NE(face, nullptr);
  const int w = 40, h = 30;

  std::vector<std::uint8_t> gray(w * h, 0);
  bitmap_view g{gray.data(), w, h, w, 1};
  face->draw("H", 2, 2, 0xFFFFFFFF, g);
  int covered = 0;
  for (std::uint8_t v : gray) covered += v == 255;
  EXPECT_GT(covered, 10);
  // Nothing lands left of the pen or above the cell.
  for (int y = 0; y < h; ++y) EXPECT_EQ(gray[y * w + 0], 0) << y;
  for (int x = 0; x < w; ++x) EXPECT_EQ(gray[x], 0) << x;

  // 32-bit: full coverage takes the colour, no coverage keeps the pixel.
  std::vector<std::uint32_t> argb(w * h, 0xFF000000u);
  bitmap_view c{reinterpret_cast<std::uint8_t*>(argb.data()), w, h, w * 4, 4};
  face->draw("H", 2, 2, 0xFFFFFFFFu, c);
  int white = 0;
  for (int i = 0; i < w * h; ++i) {
    if (gray[i] == 255) {
      EXPECT_EQ(argb[i], 0xFFFFFFFFu);
      ++white;
    } else if (gray[i] == 0) {
      EXPECT_EQ(argb[i], 0xFF000000u);
    }
  }
  EXPECT_EQ(white, covered);

  // Text partly or wholly outside the bitmap is clipped, never written out of bounds.
  std::vector<std::uint8_t> guarded(w * h + 64, 0);
  bitmap_view small{guarded.data(), w, h, w, 1};
  face->draw("WWWWWWWW", -15, -10, 0xFFFFFFFF, small);
  face->draw("WWWWWWWW", 30, 20, 0xFFFFFFFF, small);
  for (int i = w * h; i < w * h + 64; ++i) EXPECT_EQ(guarded[i], 0);
}

}  // namespace
