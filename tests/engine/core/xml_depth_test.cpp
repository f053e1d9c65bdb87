#include "engine/core/xml_depth.h"

#include <gtest/gtest.h>

#include <string>

namespace hm {
namespace {

TEST(XmlNestingDepth, CountsElementsOnly) {
  struct depth_case {
    const char* text;
    int depth;
  };
  const depth_case cases[] = {
      {"", 0},
      {"<?xml version=\"1.0\"?><a/>", 1},
      {"<a><b/><b/></a>", 2},
      {"<a><b><c></c></b></a>", 3},
      {"<a><!-- <b><c><d> --></a>", 1},
      {"<!DOCTYPE x><a x=\"<b>\" y='/>'><c/></a>", 2},
      {"<a></a><a></a>", 1},
      {"</a></a><b>", 1},  // stray closings never count below zero
      {"<a><b", 2},        // an unfinished tag still opens a level
  };
  for (const depth_case& c : cases) EXPECT_EQ(xml_nesting_depth(c.text), c.depth) << c.text;
}

TEST(XmlNestingDepth, StopsPastTheLimit) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_EQ(xml_nesting_depth(deep), max_xml_depth + 1);
  EXPECT_EQ(xml_nesting_depth(deep, 3), 4);
}

TEST(XmlText, OnlyWellFormedUtf8IsHandedToTheParser) {
  struct utf8_case {
    std::string text;
    bool well_formed;
  };
  const utf8_case cases[] = {
      {"<a name=\"plain\"/>", true},
      {"\xEF\xBB\xBF<a/>", true},                    // byte-order mark
      {"<a n=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"/>", true},  // two, three and four bytes
      {"<a/>\xDE", false},                              // a lead byte cut by the end
      {"<a/>\xE2\x82", false},
      {"<a/>\x80", false},                              // a stray continuation byte
      {"<a/>\xC0\xAF", false},                         // overlong
      {"<a/>\xE0\x80\xAF", false},
      {"<a/>\xED\xA0\x80", false},                    // a surrogate
      {"<a/>\xF4\x90\x80\x80", false},               // past U+10FFFF
      {"<a/>\xFF", false},
      {"<a n=\"\xCC \"/>", false},                    // a lead byte before a blank
  };
  for (const utf8_case& c : cases) {
    EXPECT_EQ(is_well_formed_utf8(c.text), c.well_formed) << c.text;
    EXPECT_EQ(xml_text_can_be_parsed(c.text), c.well_formed) << c.text;
  }
  std::string deep;
  for (int i = 0; i <= max_xml_depth; ++i) deep += "<a>";
  EXPECT_FALSE(xml_text_can_be_parsed(deep));
}

}  // namespace
}  // namespace hm
