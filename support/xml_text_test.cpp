// The XML character filter: what is kept, what is dropped, and how a cut
// sequence is dropped byte by byte.
#include "support/xml_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(XmlText, DropsWhatXml10CannotCarry) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"2.09\x01", "2.09"},
      {"a\x1b[0mb", "a[0mb"},              // ESC
      {"a\x0b\x0c\x1f\x08z", "az"},        // VT, FF, US, BS
      {std::string("a\0b", 3), "ab"},      // NUL
      {"tab\tlf\ncr\r", "tab\tlf\ncr\r"},  // the three controls XML keeps
      {"del\x7f", "del\x7f"},              // DEL is an XML 1.0 character
      {"nel\xc2\x85", "nel\xc2\x85"},      // so is a C1 control
      {"\xef\xbf\xbe\xef\xbf\xbfx", "x"},  // U+FFFE, U+FFFF
      {"\xef\xbf\xbd", "\xef\xbf\xbd"},    // U+FFFD stays
      {"\xed\xa0\x80\xed\xbf\xbfy", "y"},  // surrogates
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},                // U+10FFFF
      {"\xf4\x90\x80\x80z", "z"},                              // past U+10FFFF
      {"\xc0\x80\xc1\xbf\xe0\x80\x80\xf0\x80\x80\x80q", "q"},  // overlong forms
      {"\x80\xbf\xfe\xff", ""},                                // stray bytes only: an empty text
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(xmlCharactersOnly(c.in), c.out) << c.in;
}

// A sequence cut short loses its lead byte alone; what follows is judged
// afresh, so a whole character right after it is kept.
TEST(XmlText, CutSequenceIsDroppedByteByByte) {
  EXPECT_EQ(xmlCharactersOnly("\xe2\x82\xc3\xa9"), "\xc3\xa9");
  EXPECT_EQ(xmlCharactersOnly("\xe2\x82"
                              "A"),
            "A");
  EXPECT_EQ(xmlCharactersOnly("\xf0\x9f\x98"), "");
  EXPECT_EQ(xmlCharactersOnly("x\xc3"), "x");
  EXPECT_EQ(xmlCharactersOnly("\xe9t\xe9"), "t");  // Latin-1 bytes are no UTF-8
  EXPECT_EQ(xmlCharactersOnly("\xc3\xc3\xa9"), "\xc3\xa9");
}
