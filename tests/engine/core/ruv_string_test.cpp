#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/ruv_string.h"

namespace {

using hm::ruv_string;

std::string str(const ruv_string& s) { return std::string(s.view()); }

TEST(RuvString, NewAndEmptyStringsOwnNoBuffer) {
  ruv_string s;
  s.append(ruv_string());
  s.append(ruv_string(""));
  EXPECT_EQ(s.data(), nullptr);
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_EQ(s.length(), 0);

  EXPECT_EQ(ruv_string("").data(), nullptr);
  EXPECT_EQ(ruv_string(static_cast<const char*>(nullptr)).data(), nullptr);
  const ruv_string copy(s);
  EXPECT_EQ(copy.data(), nullptr);
  EXPECT_EQ(ruv_string("abc").substr(1, 1).data(), nullptr);
}

TEST(RuvString, CapacityGrowsOneCharacterAtATimeAsTwo130And260) {
  ruv_string s;
  std::vector<std::uint32_t> seen;
  for (int i = 0; i < 1100; ++i) {
    s.append_char('x');
    if (seen.empty() || seen.back() != s.capacity()) seen.push_back(s.capacity());
    ASSERT_LT(static_cast<std::uint32_t>(s.length()), s.capacity());
    ASSERT_EQ(s.c_str()[s.length()], 0);
  }
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{2, 130, 260, 520, 1040, 2080}));
  EXPECT_EQ(s.view(), std::string(1100, 'x'));
}

TEST(RuvString, ReserveKeepsOrDiscardsTheText) {
  ruv_string s("abc");
  EXPECT_EQ(s.capacity(), 4u);  // construction from text reserves exactly
  s.reserve_keep(3);
  EXPECT_EQ(s.capacity(), 4u);
  s.reserve_keep(10);
  EXPECT_EQ(s.capacity(), 132u);
  EXPECT_EQ(str(s), "abc");
  s.reserve_discard(200);
  EXPECT_EQ(s.capacity(), 264u);
  EXPECT_EQ(s.length(), 0);
  EXPECT_STREQ(s.c_str(), "");
}

TEST(RuvString, CopyMoveAndAssignHandleTheReadPosition) {
  ruv_string a("one two");
  a.set_read_position(4);

  const ruv_string copied(a);
  EXPECT_EQ(str(copied), "one two");
  EXPECT_EQ(copied.read_position(), 0);

  ruv_string assigned("something much longer than the source");
  assigned = a;
  EXPECT_EQ(str(assigned), "one two");
  EXPECT_EQ(assigned.read_position(), 4);

  assigned.assign_cstr("xyz");
  EXPECT_EQ(assigned.read_position(), 0);
  EXPECT_EQ(str(assigned), "xyz");

  ruv_string moved(std::move(a));
  EXPECT_EQ(str(moved), "one two");
  EXPECT_EQ(a.data(), nullptr);  // NOLINT(bugprone-use-after-move)

  moved = moved;  // self-assignment keeps the text
  EXPECT_EQ(str(moved), "one two");

  ruv_string self("hello world");
  self.assign_cstr(self.c_str() + 6);  // source inside the own buffer
  EXPECT_EQ(str(self), "world");
}

TEST(RuvString, AppendAndInsertIncludingThemselves) {
  ruv_string s("ab");
  s.append(s);
  EXPECT_EQ(str(s), "abab");
  s.append_chars("c\0d", 3);
  EXPECT_EQ(s.length(), 7);
  EXPECT_EQ(s.view(), std::string_view("ababc\0d", 7));

  ruv_string t("ad");
  t.insert(1, ruv_string("bc"));
  EXPECT_EQ(str(t), "abcd");
  t.insert(99, ruv_string("!"));  // past the end appends
  EXPECT_EQ(str(t), "abcd!");
  t.insert(0, t);
  EXPECT_EQ(str(t), "abcd!abcd!");

  // Growing while appending a slice of the own buffer.
  ruv_string u("0123456789");
  for (int i = 0; i < 5; ++i) u.append_chars(u.c_str(), u.length());
  EXPECT_EQ(u.length(), 320);
  EXPECT_EQ(str(u).substr(310), "0123456789");
}

TEST(RuvString, EraseCutsAtTheEnd) {
  struct erase_case {
    const char* text;
    int position, count;
    const char* expected;
  };
  const erase_case cases[] = {
      {"abcdef", 1, 2, "adef"},   {"abcdef", 4, 100, "abcd"}, {"abcdef", 0, 6, ""},
      {"abcdef", 6, 1, "abcdef"}, {"abcdef", -1, 2, "abcdef"}, {"abcdef", 2, 0, "abcdef"},
  };
  for (const auto& c : cases) {
    ruv_string s(c.text);
    s.erase(c.position, c.count);
    EXPECT_EQ(str(s), c.expected) << c.text << " erase(" << c.position << ", " << c.count << ")";
    EXPECT_EQ(s.c_str()[s.length()], 0);
  }

  ruv_string s("abcdef");
  s.erase_between(3, s.length());
  EXPECT_EQ(str(s), "abc");
  EXPECT_STREQ(s.c_str(), "abc");
  ruv_string t("abcdef");
  t.erase_between(1, 4);
  EXPECT_EQ(str(t), "aef");
}

TEST(RuvString, SubstrConcatAndStripTags) {
  const ruv_string s("abcdef");
  EXPECT_EQ(str(s.substr(2, 100)), "cdef");
  EXPECT_EQ(str(s.substr(0, 3)), "abc");
  EXPECT_EQ(str(s.substr(-5, 2)), "ab");
  EXPECT_EQ(s.substr(4, 2).length(), 0);
  EXPECT_EQ(str(s.concat(ruv_string("gh"))), "abcdefgh");
  EXPECT_EQ(str(ruv_string().concat(ruv_string())), "");

  EXPECT_EQ(str(ruv_string("a<b>c<d>e").strip_tags()), "ace");
  EXPECT_EQ(str(ruv_string("<x>text</x>").strip_tags()), "text");
  EXPECT_EQ(str(ruv_string("open<never closed").strip_tags()), "open");
  EXPECT_EQ(str(ruv_string("no tags").strip_tags()), "no tags");
}

TEST(RuvString, InPlaceTextChanges) {
  ruv_string s("  a\tb  ");
  s.trim_spaces();
  EXPECT_EQ(str(s), "a\tb");
  ruv_string blanks("   ");
  blanks.trim_spaces();
  EXPECT_EQ(blanks.length(), 0);
  ruv_string tab("\tx ");
  tab.trim_spaces();
  EXPECT_EQ(str(tab), "\tx");

  ruv_string u("a_b c");
  u.underscores_to_spaces();
  EXPECT_EQ(str(u), "a b c");
  u.spaces_to_underscores();
  EXPECT_EQ(str(u), "a_b_c");

  ruv_string high("ab\xE4\xC4z{");
  high.to_upper();
  EXPECT_EQ(str(high), "AB\xE4\xC4Z{");
  high.to_lower();
  EXPECT_EQ(str(high), "ab\xE4\xC4z{");

  ruv_string name("horse");
  name.capitalize_first();
  EXPECT_EQ(str(name), "Horse");
  ruv_string digit("1st");
  digit.capitalize_first();
  EXPECT_EQ(str(digit), "1st");
}

TEST(RuvString, SearchCases) {
  const ruv_string s("abcabc");
  EXPECT_EQ(s.find_char('c'), 2);
  EXPECT_EQ(s.find_char('c', 3), 5);
  EXPECT_EQ(s.find_char('a', 6), -1);
  EXPECT_EQ(s.find_char('z'), -1);

  EXPECT_EQ(s.rfind_char('a'), 3);
  EXPECT_EQ(s.rfind_char('a', 0, 3), 0);
  EXPECT_EQ(s.rfind_char('a', 1, 3), -1);
  EXPECT_EQ(s.rfind_char('c', 3, 3), -1);  // end - 1 below low

  EXPECT_EQ(s.find(ruv_string("ca")), 2);
  EXPECT_EQ(s.find(ruv_string("bc"), 2), 4);
  EXPECT_EQ(s.find(ruv_string("abcabcx")), -1);
  EXPECT_EQ(s.find(ruv_string("cb")), -1);

  const ruv_string abc("abc");
  EXPECT_EQ(abc.find(ruv_string(), 3), 3);
  EXPECT_EQ(abc.find(ruv_string(), 4), -1);
  EXPECT_EQ(ruv_string().find(ruv_string("a")), -1);
}

TEST(RuvString, Comparisons) {
  EXPECT_TRUE(ruv_string().equals(ruv_string("")));
  EXPECT_FALSE(ruv_string().equals(ruv_string("a")));
  EXPECT_TRUE(ruv_string("ab").equals(ruv_string("ab")));
  EXPECT_FALSE(ruv_string("ab").equals(ruv_string("abc")));
  EXPECT_FALSE(ruv_string("ab").equals(ruv_string("aB")));

  EXPECT_TRUE(ruv_string().equals_cstr(""));
  EXPECT_FALSE(ruv_string().equals_cstr("x"));
  EXPECT_TRUE(ruv_string("x").differs_from_cstr(""));
  EXPECT_FALSE(ruv_string("Name").differs_from_cstr("Name"));
  EXPECT_TRUE(ruv_string("name") == "name");
  EXPECT_TRUE("name" == ruv_string("name"));
  EXPECT_FALSE(ruv_string("name") == ruv_string("Name"));

  // Prefix test as the resource manager uses it.
  const ruv_string name("barrel_a.lod2");
  EXPECT_TRUE(name.range_equals(0, 8, ruv_string("barrel_a")));
  EXPECT_FALSE(name.range_equals(0, 8, ruv_string("barrel")));
  EXPECT_TRUE(name.range_equals(9, 100, ruv_string("lod2")));
  EXPECT_TRUE(name.range_equals(5, 5, ruv_string()));
  EXPECT_FALSE(name.range_equals(5, 5, ruv_string("x")));
  EXPECT_TRUE(ruv_string().range_equals(0, 3, ruv_string()));
}

TEST(RuvString, TokenizerCases) {
  struct token_case {
    const char* text;
    std::vector<std::string> tokens;
  };
  const token_case cases[] = {
      {"  \"two words\" next", {"two words", "next"}},
      {"a b\tc\r\nd", {"a", "b", "c", "d"}},
      {"\"never closed", {"never closed"}},
      {"\"\" x", {"", "x"}},
      {"mid\"quote here", {"mid\"quote", "here"}},
      {"\xE4\xF6 \x7F", {"\xE4\xF6", "\x7F"}},  // bytes of 128 and above belong to tokens
      {"   ", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    ruv_string text(c.text);
    std::vector<std::string> got;
    while (text.skip_blanks()) {
      ruv_string token("stale");
      text.read_token(token);
      got.push_back(str(token));
    }
    EXPECT_EQ(got, c.tokens) << '"' << c.text << '"';
    ruv_string last("stale");
    text.read_token(last);
    EXPECT_EQ(last.length(), 0) << "at the end the token stays empty";
  }

  ruv_string text("  \"two words\" next");
  ruv_string token;
  text.read_token(token);
  EXPECT_EQ(str(token), "two words");
  EXPECT_EQ(text.read_position(), 13);
  EXPECT_EQ(text.c_str()[text.read_position()], ' ');
  text.read_token(token);
  EXPECT_EQ(str(token), "next");
  text.rewind();
  text.read_token(text);  // reading into itself
  EXPECT_EQ(str(text), "two words");
}

TEST(RuvString, LongTokenIntoFixedBufferLosesNoCharacter) {
  std::string long_token;
  for (int i = 0; i < 10000; ++i) long_token.push_back(static_cast<char>('a' + i % 26));
  ruv_string text(long_token + " tail");
  std::vector<char> out(ruv_string::token_buffer_size + 16, '#');
  int length = -1;

  text.read_token_chars(out.data(), length);
  EXPECT_EQ(length, ruv_string::token_buffer_size - 1);
  EXPECT_EQ(out[length], 0);
  EXPECT_EQ(out[ruv_string::token_buffer_size], '#');  // nothing past the buffer
  std::string read(out.data(), static_cast<std::size_t>(length));

  text.read_token_chars(out.data(), length);
  read.append(out.data(), static_cast<std::size_t>(length));
  EXPECT_EQ(read, long_token);

  text.read_token_chars(out.data(), length);
  EXPECT_STREQ(out.data(), "tail");
  text.read_token_chars(out.data(), length);
  EXPECT_EQ(length, 0);
  EXPECT_STREQ(out.data(), "");

  ruv_string quoted("\"a b\" c");
  quoted.read_token_chars(out.data(), length);
  EXPECT_STREQ(out.data(), "a b");
  EXPECT_EQ(length, 3);
}

TEST(RuvString, ReadBytesStopsAtTheEnd) {
  ruv_string data;
  const unsigned char raw[] = {1, 0, 0, 0, 0xFF, 7};
  data.append_chars(reinterpret_cast<const char*>(raw), 6);

  std::int32_t word = 0;
  ASSERT_TRUE(data.read_bytes(&word, 4));
  EXPECT_EQ(word, 1);
  EXPECT_EQ(data.read_position(), 4);

  unsigned char bytes[4] = {9, 9, 9, 9};
  EXPECT_FALSE(data.read_bytes(bytes, 4));  // only two remain
  EXPECT_EQ(bytes[0], 9);
  EXPECT_EQ(data.read_position(), 4);
  EXPECT_FALSE(data.read_bytes(bytes, -1));

  ASSERT_TRUE(data.read_bytes(bytes, 2));
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 7);
  EXPECT_TRUE(data.read_bytes(bytes, 0));
  EXPECT_FALSE(data.read_bytes(bytes, 1));

  data.set_read_position(100);  // beyond the end
  EXPECT_FALSE(data.read_bytes(bytes, 1));
  data.rewind();
  EXPECT_TRUE(data.read_bytes(bytes, 1));
}

TEST(RuvString, ReadFromFileTakesWhatTheFileHolds) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  std::fputs("alpha beta", file);
  std::rewind(file);

  ruv_string s("old");
  s.set_read_position(2);
  EXPECT_EQ(s.read_from_file(file, 64), 10);
  EXPECT_EQ(str(s), "alpha beta");
  EXPECT_EQ(s.read_position(), 0);
  ruv_string token;
  s.read_token(token);
  EXPECT_EQ(str(token), "alpha");
  std::fclose(file);
}

}  // namespace
