#pragma once
// The text forms of a face code: the four words in order, each as sixteen
// lowercase hexadecimal digits, most significant first, behind "k=" (the form
// the face generator shows) or "0x" (the form put on the clipboard). A code
// typed or pasted by a player is read back only when it has exactly that
// shape.
#include <string>
#include <string_view>

#include "module/media/skin.h"

namespace hm {

inline constexpr std::size_t face_code_digits = 64;
inline constexpr std::size_t face_code_text_length = 2 + face_code_digits;

// The 64 digits of the four words.
std::string face_code_digits_text(const face_code& code);
// "k=" and the digits.
std::string face_code_display_text(const face_code& code);
// "0x" and the digits.
std::string face_code_clipboard_text(const face_code& code);

// Reads a code from its text: "0x", "0X" or "k=" followed by exactly 64
// hexadecimal digits (either case), blanks and line ends around it ignored.
// Any other length or character refuses the text: false, out unchanged.
// Bits a written code never sets are kept as read (decoding ignores them).
bool parse_face_code(std::string_view text, face_code& out);

}  // namespace hm
