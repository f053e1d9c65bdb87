#pragma once
// A small bitmap font for layout tests. The texture is 100 x 100 with a font
// size of 10, so size_u = size_v = 0.1 and a glyph size of 0.1 gives scales of
// exactly 1: glyph values read directly as positions.
//   letters a-d, w: quad 0.08 wide and 0.1 high, advance 0.1 (pre 0.01, post 0.09)
//   space: no quad width, advance 0.1; '<' and '>': like letters
//   U+263A: in the map, quad 0.15 wide, advance 0.2; other codes from 512: nothing
#include "engine/text/font_details.h"

namespace hm::test {

font_details make_test_font();

}  // namespace hm::test
