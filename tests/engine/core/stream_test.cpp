#include "engine/core/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "engine/core/log.h"
#include "engine/core/math.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

// The fatal message of fn, or "" when it returned normally.
std::string fatal_message(const std::function<void()>& fn) {
  scoped_fatal_throw guard;
  try {
    fn();
  } catch (const fatal_error& error) {
    return error.what();
  }
  return "";
}

// True when only blanks are left (the text form leaves the blank after the last token).
bool nothing_left(const stream& s) {
  for (char c : s.unread()) {
    if (static_cast<unsigned char>(c) >= 33) return false;
  }
  return true;
}

class stream_files : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("hm_stream_test_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }
  void write_file(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string read_file(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path folder_;
};

// --- round trips ---------------------------------------------------------------------------------------

// Writes one of every value kind (extremes included) and reads them back.
void round_trip_every_kind(stream& out, stream& in, bool text_form) {
  const float floats[] = {0.0f, -1.5f, 3.25f, 1048576.0f, -0.125f};
  const std::uint64_t u64s[] = {0, 1, std::numeric_limits<std::uint64_t>::max()};
  const std::int64_t i64s[] = {std::numeric_limits<std::int64_t>::min(), -1, 0,
                               std::numeric_limits<std::int64_t>::max()};
  const std::uint32_t u32s[] = {0, 0x80000000u, 0xFFFFFFFFu, 12345};
  const std::int32_t ints[] = {std::numeric_limits<std::int32_t>::min(), -12, 0,
                               std::numeric_limits<std::int32_t>::max()};
  const char chars[] = {0, 'A', static_cast<char>(200), static_cast<char>(255)};
  // Text writes add no quotes, so the text form cannot carry an empty string.
  const char* texts[] = {"word", "under_score", "\xC3\xA9t\xC3\xA9"};

  for (float v : floats) out.write_float(v);
  out.write_bool(true).write_bool(false);
  for (auto v : u64s) out.write_u64(v);
  for (auto v : i64s) out.write_i64(v);
  for (auto v : u32s) out.write_u32(v);
  for (auto v : ints) out.write_int(v);
  for (char v : chars) out.write_char(v);
  for (const char* t : texts) out.write_cstr(t);
  for (const char* t : texts) out.write_string(ruv_string(t));
  if (!text_form) out.write_string(ruv_string()).write_cstr("");

  in.append_raw(out.contents());
  for (float v : floats) {
    float got = -99.0f;
    in.read_float(got);
    EXPECT_EQ(got, v);
  }
  bool b1 = false, b2 = true;
  in.read_bool(b1).read_bool(b2);
  EXPECT_TRUE(b1);
  EXPECT_FALSE(b2);
  for (auto v : u64s) {
    std::uint64_t got = 7;
    in.read_u64(got);
    EXPECT_EQ(got, v);
  }
  for (auto v : i64s) {
    std::int64_t got = 7;
    in.read_i64(got);
    EXPECT_EQ(got, v);
  }
  for (auto v : u32s) {
    std::uint32_t got = 7;
    in.read_u32(got);
    EXPECT_EQ(got, v);
  }
  for (auto v : ints) {
    std::int32_t got = 7;
    in.read_int(got);
    EXPECT_EQ(got, v);
  }
  for (char v : chars) {
    char got = 7;
    in.read_char(got);
    EXPECT_EQ(static_cast<unsigned char>(got), static_cast<unsigned char>(v));
  }
  for (int round = 0; round < 2; ++round) {
    for (const char* t : texts) {
      ruv_string got("stale");
      in.read_string(got);
      EXPECT_STREQ(got.c_str(), t);
    }
  }
  if (!text_form) {
    ruv_string a("stale"), b("stale");
    in.read_string(a).read_string(b);
    EXPECT_EQ(a.length(), 0);
    EXPECT_EQ(b.length(), 0);
  }
  EXPECT_TRUE(text_form ? nothing_left(in) : in.at_end());
}

TEST(stream, every_value_kind_round_trips_in_both_forms) {
  {
    SCOPED_TRACE("binary");
    binary_stream out;
    binary_reader in;
    round_trip_every_kind(out, in, false);
  }
  {
    SCOPED_TRACE("text");
    text_stream out;
    text_reader in;
    round_trip_every_kind(out, in, true);
  }
}

TEST(stream, binary_values_are_little_endian_without_padding) {
  binary_stream out;
  out.write_int(0x01020304).write_bool(true).write_u64(0x1122334455667788ull).write_cstr("ab").write_char('z');
  const std::string expected("\x04\x03\x02\x01\x01\x88\x77\x66\x55\x44\x33\x22\x11\x02\x00\x00\x00" "abz", 20);
  EXPECT_EQ(out.contents(), expected);
}

TEST(stream, text_values_use_their_token_forms) {
  text_stream out;
  out.write_float(1.5f).write_bool(true).write_u32(0x80000000u).write_i64(-5).write_char(static_cast<char>(200));
  out.write_string(ruv_string()).write_cstr("a b");
  EXPECT_EQ(out.contents(), "1.500000 1 -2147483648 -5 200  a b ");
}

TEST(stream, frames_are_twelve_floats_axes_then_origin) {
  frame original;
  original.rot.s = vec3(1, 2, 3);
  original.rot.f = vec3(4, 5, 6);
  original.rot.u = vec3(7, 8, 9);
  original.origin = vec3(10, 11, 12.5f);

  binary_stream out;
  write_frame(out, original);
  ASSERT_EQ(out.contents().size(), 48u);
  float stored[12];
  std::memcpy(stored, out.contents().data(), 48);
  for (int k = 0; k < 11; ++k) EXPECT_EQ(stored[k], static_cast<float>(k + 1));
  EXPECT_EQ(stored[11], 12.5f);

  std::unique_ptr<stream> kinds[] = {std::make_unique<binary_stream>(), std::make_unique<text_stream>()};
  for (auto& s : kinds) {
    write_frame(*s, original);
    write_rotation(*s, original.rot);
    frame back = frame::identity();
    rotation rot_back = rotation::identity();
    read_frame(*s, back);
    read_rotation(*s, rot_back);
    EXPECT_EQ(back.rot.f.y, 5.0f);
    EXPECT_EQ(back.rot.u.z, 9.0f);
    EXPECT_EQ(back.origin.z, 12.5f);
    EXPECT_EQ(rot_back.s.x, 1.0f);
    EXPECT_EQ(rot_back.u.x, 7.0f);
    EXPECT_TRUE(nothing_left(*s));
  }
}

TEST(stream, nested_streams_round_trip_in_both_forms) {
  // Leading blanks and a quote in the nested data must come back as they were.
  const std::string data = "  \"x 1\n";
  for (bool text_form : {false, true}) {
    SCOPED_TRACE(text_form ? "text" : "binary");
    binary_stream binary_inner, binary_outer, binary_target;
    text_stream text_inner, text_outer, text_target;
    stream& inner = text_form ? static_cast<stream&>(text_inner) : binary_inner;
    stream& outer = text_form ? static_cast<stream&>(text_outer) : binary_outer;
    stream& target = text_form ? static_cast<stream&>(text_target) : binary_target;
    inner.append_raw(data);
    target.append_raw("old content");
    outer.write_int(7).write_stream(inner).write_int(8);
    std::int32_t before = 0, after = 0;
    outer.read_int(before).read_stream(target).read_int(after);
    EXPECT_EQ(before, 7);
    EXPECT_EQ(target.contents(), data);
    EXPECT_EQ(after, 8);
  }
}

TEST(stream, binary_nested_stream_writes_only_the_unread_part) {
  binary_stream inner, outer;
  inner.write_int(1).write_int(2);
  std::int32_t skipped = 0;
  inner.read_int(skipped);
  outer.write_stream(inner);
  EXPECT_EQ(outer.contents(), std::string("\x04\0\0\0\x02\0\0\0", 8));
}

// --- text tokens -------------------------------------------------------------------------------------

TEST(stream, text_tokens_follow_the_integer_and_quote_rules) {
  struct int_case {
    const char* text;
    std::int32_t expected;
  };
  const int_case int_cases[] = {
      {"-12", -12},
      {"\t\r\n 42\r\n", 42},
      // 15 characters after the sign are taken: 123456789012345 in 32 bits.
      {"1234567890123456", static_cast<std::int32_t>(123456789012345ull & 0xFFFFFFFFu)},
      {"-1234567890123456", static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(123456789012345ull))},
  };
  for (const int_case& c : int_cases) {
    SCOPED_TRACE(c.text);
    text_reader in;
    in.open_memory("ints", c.text, std::strlen(c.text));
    std::int32_t value = 0;
    in.read_int(value);
    EXPECT_EQ(value, c.expected);
    EXPECT_TRUE(nothing_left(in));  // the whole token was used
  }

  text_reader in;
  const char text[] = "\"a b\" next \"\" last";
  in.open_memory("quotes", text, sizeof text - 1);
  ruv_string quoted, next, empty, last;
  in.read_string(quoted).read_string(next).read_string(empty).read_string(last);
  EXPECT_STREQ(quoted.c_str(), "a b");
  EXPECT_STREQ(next.c_str(), "next");
  EXPECT_EQ(empty.length(), 0);
  EXPECT_STREQ(last.c_str(), "last");
}

// Every number read takes one token and applies its own rule to it: the
// integer rules wrap as 32- or 64-bit arithmetic (the 32-bit one takes 15
// characters after the sign), read_float is the standard text-to-double
// conversion, read_bool and read_char are atoi. Pinned for each read kind,
// token by token.
TEST(stream, every_number_read_gives_its_value_by_its_rule) {
  struct number_case {
    std::string_view token;
    std::int32_t as_int;
    std::uint32_t as_u32;
    std::uint64_t as_u64;
    std::int64_t as_i64;
    std::uint32_t float_bits;
    bool as_bool;
    int char_byte;
  };
  const number_case cases[] = {
      {"0", 0, 0u, 0ull, 0ll, 0x00000000u, false, 0},
      {"12", 12, 12u, 12ull, 12ll, 0x41400000u, true, 12},
      {"-12", -12, 4294967284u, 18446744073709551328ull, -12ll, 0xC1400000u, true, 244},
      {"-0", 0, 0u, 18446744073709551586ull, 0ll, 0x80000000u, false, 0},
      {"2147483647", 2147483647, 2147483647u, 2147483647ull, 2147483647ll, 0x4F000000u, true, 255},
      {"2147483648", -2147483648, 2147483648u, 2147483648ull, 2147483648ll, 0x4F000000u, true, 0},
      {"4294967296", 0, 0u, 4294967296ull, 4294967296ll, 0x4F800000u, false, 0},
      {"-2147483649", 2147483647, 2147483647u, 18446744045857035265ull, -2147483649ll, 0xCF000000u, true, 255},
      {"99999999999999999999", -1530494977, 2764472319u, 7766279631452241919ull, 7766279631452241919ll, 0x60AD78ECu, true, 255},
      {"18446744073709551615", -1404626105, 2890341191u, 18446744073709551615ull, -1ll, 0x5F800000u, true, 255},
      {"18446744073709551616", -1404626105, 2890341191u, 0ull, 0ll, 0x5F800000u, true, 255},
      {"-9223372036854775808", -1566804069, 2728163227u, 16116860184273879040ull, std::numeric_limits<std::int64_t>::min(), 0xDF000000u, false, 0},
      {"1234567890123456", -2045911175, 2249056121u, 1234567890123456ull, 1234567890123456ll, 0x588C5AA8u, true, 192},
      {"007", 7, 7u, 7ull, 7ll, 0x40E00000u, true, 7},
      {"256", 256, 256u, 256ull, 256ll, 0x43800000u, true, 0},
      {"-1", -1, 4294967295u, 18446744073709551587ull, -1ll, 0xBF800000u, true, 255},
      {"300", 300, 300u, 300ull, 300ll, 0x43960000u, true, 44},
      {"\"-9\"", -9, 4294967287u, 18446744073709551595ull, -9ll, 0xC1100000u, true, 247},
  };
  for (const number_case& c : cases) {
    SCOPED_TRACE(std::string(c.token));
    // Each read must take exactly the one token: the 9 after it comes next.
    const std::string text = std::string(c.token) + " 9";
    auto read_one = [&](auto read) {
      text_reader in;
      in.open_memory("numbers", text.data(), text.size());
      const auto value = read(in);
      std::int32_t after = 0;
      in.read_int(after);
      EXPECT_EQ(after, 9);
      return value;
    };
    EXPECT_EQ(read_one([](text_reader& r) { std::int32_t v = 0; r.read_int(v); return v; }), c.as_int);
    EXPECT_EQ(read_one([](text_reader& r) { std::uint32_t v = 0; r.read_u32(v); return v; }), c.as_u32);
    EXPECT_EQ(read_one([](text_reader& r) { std::uint64_t v = 0; r.read_u64(v); return v; }), c.as_u64);
    EXPECT_EQ(read_one([](text_reader& r) { std::int64_t v = 0; r.read_i64(v); return v; }), c.as_i64);
    const float f = read_one([](text_reader& r) { float v = 0; r.read_float(v); return v; });
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    EXPECT_EQ(bits, c.float_bits);
    EXPECT_EQ(read_one([](text_reader& r) { bool v = false; r.read_bool(v); return v; }), c.as_bool);
    EXPECT_EQ(read_one([](text_reader& r) { char v = 0; r.read_char(v); return static_cast<int>(static_cast<unsigned char>(v)); }),
              c.char_byte);
  }
}

// A token that is not a number where one belongs (a word in a module file, a
// float where a count stands) is a fatal error naming the file, the line and
// what was expected, never a value made up from its characters. read_float
// takes whatever the standard conversion takes whole.
TEST(stream, a_token_that_is_not_a_number_is_an_error_naming_file_and_line) {
  struct bad_case {
    std::string_view token;
    bool float_takes_it;
    std::uint32_t float_bits;
  };
  const bad_case cases[] = {
      {"abc", false, 0},       {"seven", false, 0},    {"+5", true, 0x40A00000u}, {"-", false, 0},
      {"+", false, 0},         {"12abc", false, 0},    {"0x10", true, 0x41800000u}, {"1e5", true, 0x47C35000u},
      {"1.5", true, 0x3FC00000u}, {"1,5", false, 0},   {"--3", false, 0},         {"1e", false, 0},
      {".5", true, 0x3F000000u}, {"5.", true, 0x40A00000u}, {"nan", true, 0x7FC00000u}, {"inf", true, 0x7F800000u},
      {"0x1p3", true, 0x41000000u}, {"7\xC3\xA9", false, 0}, {"\"\"", false, 0}, {"\" 7\"", false, 0},
      {"\"12 34\"", false, 0}, {std::string_view("\"1\0002\"", 5), false, 0},
  };
  const std::function<void(text_reader&)> integer_reads[] = {
      [](text_reader& r) { std::int32_t v; r.read_int(v); },  [](text_reader& r) { std::uint32_t v; r.read_u32(v); },
      [](text_reader& r) { std::uint64_t v; r.read_u64(v); }, [](text_reader& r) { std::int64_t v; r.read_i64(v); },
      [](text_reader& r) { bool v; r.read_bool(v); },         [](text_reader& r) { char v; r.read_char(v); },
  };
  for (const bad_case& c : cases) {
    SCOPED_TRACE(std::string(c.token));
    // The token stands on the third line.
    const std::string text = "1\n2 3\n" + std::string(c.token) + " 9";
    const std::string shown(c.token);
    for (const auto& read : integer_reads) {
      text_reader in;
      in.open_memory("troops.txt", text.data(), text.size());
      std::int32_t skip = 0;
      in.read_int(skip).read_int(skip).read_int(skip);
      const std::string message = fatal_message([&] { read(in); });
      EXPECT_EQ(message.rfind("troops.txt, line 3: expected a number, found \"", 0), 0u) << message;
    }
    text_reader in;
    in.open_memory("troops.txt", text.data(), text.size());
    std::int32_t skip = 0;
    in.read_int(skip).read_int(skip).read_int(skip);
    float f = 0;
    if (c.float_takes_it) {
      in.read_float(f);
      std::uint32_t bits = 0;
      std::memcpy(&bits, &f, sizeof bits);
      EXPECT_EQ(bits, c.float_bits);
    } else {
      EXPECT_EQ(fatal_message([&] { in.read_float(f); }).rfind("troops.txt, line 3: expected a number", 0), 0u);
    }
  }
}

TEST(stream, every_read_kind_at_the_end_of_the_data_is_the_end_of_file_error) {
  const std::function<void(text_reader&)> reads[] = {
      [](text_reader& r) { std::int32_t v; r.read_int(v); },  [](text_reader& r) { std::uint32_t v; r.read_u32(v); },
      [](text_reader& r) { std::uint64_t v; r.read_u64(v); }, [](text_reader& r) { std::int64_t v; r.read_i64(v); },
      [](text_reader& r) { float v; r.read_float(v); },       [](text_reader& r) { bool v; r.read_bool(v); },
      [](text_reader& r) { char v; r.read_char(v); },         [](text_reader& r) { ruv_string v; r.read_string(v); },
  };
  for (std::size_t k = 0; k < std::size(reads); ++k) {
    SCOPED_TRACE(k);
    text_reader in;
    in.open_memory("tail.txt", "5 \r\n", 4);
    std::int32_t first = 0;
    in.read_int(first);
    EXPECT_EQ(fatal_message([&] { reads[k](in); }), "Unexpected End of File while reading file: tail.txt");
  }
}

TEST(stream, a_written_blank_splits_a_text_string_into_two_tokens) {
  text_stream s;
  s.write_string(ruv_string("two words"));
  ruv_string first, second;
  s.read_string(first).read_string(second);
  EXPECT_STREQ(first.c_str(), "two");
  EXPECT_STREQ(second.c_str(), "words");
}

TEST(stream, long_tokens_are_read_whole) {
  const std::string long_digits(10000, '1');
  const std::string text = long_digits + " " + long_digits + " 5";
  text_reader in;
  in.open_memory("long", text.data(), text.size());
  ruv_string as_string;
  std::int32_t as_int = 0, after = 0;
  in.read_string(as_string).read_int(as_int).read_int(after);
  EXPECT_EQ(as_string.length(), 10000);
  EXPECT_EQ(after, 5);  // nothing of the long tokens was left behind
}

TEST(stream, verify_next_checks_a_keyword_and_leaves_the_target) {
  text_stream s;
  s.append_raw("mesh other");
  ruv_string keyword("mesh");
  s.verify_next = 1;
  s.read_string(keyword);
  EXPECT_STREQ(keyword.c_str(), "mesh");
  EXPECT_EQ(s.verify_next, 0);

  s.verify_next = 1;
  EXPECT_EQ(fatal_message([&] { s.read_string(keyword); }), "format broken");

  // The binary form does not check.
  binary_stream b;
  b.write_cstr("else");
  b.verify_next = 1;
  b.read_string(keyword);
  EXPECT_STREQ(keyword.c_str(), "else");
}

// --- ends of data and broken lengths -----------------------------------------------------------------

// Room for a table: the count, as far as the bytes after the read position
// could hold records of that size.
TEST(stream, record_room_is_the_count_as_far_as_the_bytes_left_hold) {
  const std::string hundred(100, 'x');
  text_reader r;
  r.open_memory("t.txt", hundred.data(), hundred.size());
  const struct {
    std::int64_t count;
    std::size_t record_size;
    std::size_t room;
  } cases[] = {
      {-5, 8, 0},     {0, 8, 0},          {10, 8, 10},     {50, 8, 50},       {51, 8, 50},
      {2000000000, 8, 50}, {2000000000, 160, 10}, {6, 160, 6}, {2000000000, 1, 50},
  };
  for (const auto& c : cases) EXPECT_EQ(record_room(r, c.count, c.record_size), c.room) << c.count << " " << c.record_size;
  ruv_string token;
  r.read_string(token);  // all hundred bytes are one token
  EXPECT_EQ(record_room(r, 10, 8), 0u);
}

TEST_F(stream_files, empty_file_opens_and_the_first_read_is_fatal) {
  write_file("empty.txt", "");
  text_reader text;
  ASSERT_TRUE(text.open(path("empty.txt")));
  EXPECT_EQ(text.failed, 0);
  EXPECT_TRUE(text.at_end());
  std::int32_t value = 0;
  EXPECT_EQ(fatal_message([&] { text.read_int(value); }),
            "Unexpected End of File while reading file: " + path("empty.txt"));

  text_reader blanks;
  blanks.open_memory("blanks.txt", " \r\n\t ", 5);
  ruv_string s;
  EXPECT_EQ(fatal_message([&] { blanks.read_string(s); }), "Unexpected End of File while reading file: blanks.txt");
}

TEST_F(stream_files, a_truncated_binary_file_ends_in_the_fatal_routine) {
  write_file("cut.brf", std::string("\x05\0\0\0\x01\x02", 6));
  binary_reader in;
  ASSERT_TRUE(in.open(path("cut.brf")));
  std::int32_t first = 0, second = 0;
  in.read_int(first);
  EXPECT_EQ(first, 5);
  const std::string expected = "Unexpected End of File while reading file: " + path("cut.brf");
  EXPECT_EQ(fatal_message([&] { in.read_int(second); }), expected);
  // A failed read consumes nothing: the two bytes are still there.
  char c = 0;
  in.read_char(c);
  EXPECT_EQ(c, 1);
  std::uint64_t big = 0;
  EXPECT_EQ(fatal_message([&] { in.read_u64(big); }), expected);
}

TEST(stream, string_and_stream_lengths_must_fit_the_data) {
  struct length_case {
    const char* what;
    std::int32_t length;
    int bytes_after;
    const char* message;
  };
  const length_case cases[] = {
      {"string", -1, 8, "Invalid string length -1 while reading file: lengths"},
      {"string", 1000, 3, "Invalid string length 1000 while reading file: lengths"},
      {"string", 0x7FFFFFFF, 0, "Invalid string length 2147483647 while reading file: lengths"},
      {"stream", -5, 8, "Invalid stream length -5 while reading file: lengths"},
      {"stream", 9, 8, "Invalid stream length 9 while reading file: lengths"},
  };
  for (const length_case& c : cases) {
    SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.length));
    std::string bytes(4 + c.bytes_after, 'q');
    std::memcpy(bytes.data(), &c.length, 4);
    binary_reader in;
    in.open_memory("lengths", bytes.data(), bytes.size());
    ruv_string text;
    binary_stream target;
    EXPECT_EQ(fatal_message([&] {
                if (std::string(c.what) == "string") {
                  in.read_string(text);
                } else {
                  in.read_stream(target);
                }
              }),
              c.message);
  }

  text_reader text_in;
  const char text[] = "50  abc";
  text_in.open_memory("nested.txt", text, sizeof text - 1);
  binary_stream target;
  EXPECT_EQ(fatal_message([&] { text_in.read_stream(target); }),
            "Invalid stream length 50 while reading file: nested.txt");
}

// --- files -------------------------------------------------------------------------------------------

TEST_F(stream_files, writers_and_readers_meet_through_files) {
  binary_writer bout;
  ASSERT_EQ(bout.open(path("data.brf")), 0);
  EXPECT_EQ(bout.failed, 0);
  bout.write_int(-3).write_cstr("name").write_float(0.5f);
  EXPECT_EQ(bout.close(), 0);
  EXPECT_EQ(bout.failed, 1);
  EXPECT_EQ(bout.close(), 1);  // closing twice

  // Engine paths: backslashes, and a letter case that differs from the disk.
  fs::create_directories(folder_ / "Sub");
  fs::rename(folder_ / "data.brf", folder_ / "Sub" / "Data.BRF");
  binary_reader bin;
  ASSERT_TRUE(bin.open(folder_.string() + "\\sub\\data.brf"));
  std::int32_t i = 0;
  ruv_string s;
  float f = 0;
  bin.read_int(i).read_string(s).read_float(f);
  EXPECT_EQ(i, -3);
  EXPECT_STREQ(s.c_str(), "name");
  EXPECT_EQ(f, 0.5f);

  // Text files written elsewhere end their lines with CRLF; the reader drops the CR.
  write_file("lines.txt", "first 1\r\nsecond 2\r\n");
  text_reader tin;
  ASSERT_TRUE(tin.open(path("lines.txt")));
  EXPECT_EQ(tin.contents(), "first 1\nsecond 2\n");

  binary_reader missing;
  EXPECT_FALSE(missing.open(path("missing.brf")));
  EXPECT_EQ(missing.failed, 1);
  binary_writer nowhere;
  EXPECT_EQ(nowhere.open(path("no_such_folder/x.brf")), -1);
  EXPECT_EQ(nowhere.failed, 1);
  EXPECT_EQ(nowhere.close(), 1);
}

TEST_F(stream_files, text_writer_flushes_after_each_write_when_asked) {
  text_file_writer out;
  ASSERT_EQ(out.open(path("log.txt")), 0);
  out.write_cstr("held");
  EXPECT_EQ(read_file("log.txt"), "");
  out.set_auto_flush(1);
  EXPECT_EQ(out.get_auto_flush(), 1);
  out.write_int(5);
  EXPECT_EQ(read_file("log.txt"), "held 5 ");
  // Value reads of a writer have no effect.
  std::int32_t untouched = 9;
  out.read_int(untouched);
  EXPECT_EQ(untouched, 9);
  EXPECT_EQ(out.close(), 0);
}

TEST_F(stream_files, reader_kinds_ignore_value_writes) {
  text_reader in;
  in.write_int(5).write_string(ruv_string("x")).write_float(1.0f);
  EXPECT_TRUE(in.contents().empty());
  in.write_cstr("kept");  // write_cstr stays active in every kind
  EXPECT_EQ(in.contents(), "kept ");
}

TEST(stream, a_failed_flush_still_closes_the_file_and_reports_failure) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  binary_writer out;
  ASSERT_EQ(out.open("/dev/full"), 0);
  out.write_int(1);
  EXPECT_NE(out.close(), 0);
  EXPECT_EQ(out.file, nullptr);
  EXPECT_EQ(out.open_for_writing, 0);
  EXPECT_EQ(out.close(), 1);
}

TEST_F(stream_files, get_file_length_keeps_the_position) {
  write_file("ten.bin", "0123456789");
  std::FILE* file = std::fopen(path("ten.bin").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  std::fseek(file, 3, SEEK_SET);
  EXPECT_EQ(get_file_length(file), 10);
  EXPECT_EQ(std::ftell(file), 3);
  std::fclose(file);
}

}  // namespace
}  // namespace hm
