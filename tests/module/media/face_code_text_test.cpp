// Face code texts: the shown and the clipboard forms of the four words, and a
// code typed or pasted by a player read back only when it has their shape.
#include <gtest/gtest.h>

#include <string>

#include "module/media/face_code_text.h"

namespace hm {
namespace {

TEST(FaceCodeText, TheWordsAreWrittenInOrderSixteenLowercaseDigitsEach) {
  EXPECT_EQ(face_code_display_text(face_code{}), "k=" + std::string(64, '0'));
  const face_code code{0x3DF0C1083ull, 0xABCDEFull, 0x7FFFFFFFFFFFFFFFull, 0ull};
  const std::string digits = "00000003df0c1083"
                             "0000000000abcdef"
                             "7fffffffffffffff"
                             "0000000000000000";
  EXPECT_EQ(face_code_display_text(code), "k=" + digits);
  EXPECT_EQ(face_code_clipboard_text(code), "0x" + digits);
  EXPECT_EQ(face_code_clipboard_text(code).size(), 66u);
}

TEST(FaceCodeText, BothFormsReadBackToTheSameWords) {
  const face_code codes[] = {
      face_code{},
      face_code{(1ull << 36) - 1, 0x7FFFFFFFFFFFFFFFull, 0x7FFFFFFFFFFFFFFFull, 0},
      face_code{~0ull, ~0ull, ~0ull, ~0ull},  // bits a written code leaves clear are kept as read
      face_code{0x0123456789abcdefull, 0xfedcba9876543210ull, 1, 0x8000000000000000ull},
  };
  for (const face_code& c : codes) {
    face_code back{};
    ASSERT_TRUE(parse_face_code(face_code_clipboard_text(c), back));
    EXPECT_EQ(back, c);
    back = {};
    ASSERT_TRUE(parse_face_code(face_code_display_text(c), back));
    EXPECT_EQ(back, c);
  }
  // Upper-case digits and the blanks and line end a paste brings along.
  face_code back{};
  ASSERT_TRUE(parse_face_code(" 0X" + std::string(63, '0') + "F\r\n", back));
  EXPECT_EQ(back, (face_code{0, 0, 0, 15}));
}

TEST(FaceCodeText, ATextOfAnyOtherShapeIsRefusedAndLeavesTheCodeAlone) {
  const std::string good = "0x" + std::string(64, '1');
  const std::string refused[] = {
      "",
      "0x",
      good.substr(0, 65),                       // a digit short
      good + "1",                               // a digit too many
      "1x" + std::string(64, '1'),              // not a prefix
      std::string(66, '1'),                     // no prefix
      "0x" + std::string(63, '1') + "g",        // not a digit
      "0x" + std::string(32, '1') + " " + std::string(31, '1'),  // a blank inside
      "0x-" + std::string(63, '1'),             // a sign
      "k=" + std::string(63, '1') + '\0',       // a nul at the end
      "0x" + std::string(63, '1') + "\xC3",     // a byte past ASCII
  };
  const face_code kept{1, 2, 3, 4};
  for (const std::string& text : refused) {
    face_code out = kept;
    EXPECT_FALSE(parse_face_code(text, out)) << '"' << text << '"';
    EXPECT_EQ(out, kept);
  }
}

}  // namespace
}  // namespace hm
