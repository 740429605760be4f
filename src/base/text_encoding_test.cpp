#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "base/name_escapes.h"

namespace orx {
namespace {

using namespace std::string_literals;

std::string Escapes(const std::u16string& units) {
  std::string text;
  for (const char16_t unit : units) {
    AppendEscape(&text, unit);
  }
  return text;
}

TEST(TextEncoding, EveryFileAndEveryUnitComeBackExactly) {
  struct Row {
    const char* what;
    std::string file;
    TextEncoding encoding;
    std::u16string units;
    std::string escapedUtf8;
  };
  const Row rows[] = {
      {"no mark", "[A]\xE9", TextEncoding::kPlain, u"[A]\xDCE9", "[A]" + Escapes(u"\xDCE9")},
      {"UTF-8 mark", "\xEF\xBB\xBFz\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80", TextEncoding::kUtf8,
       u"z\u00E9\u65E5\U0001F600", "z\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80"},
      {"UTF-16LE mark", "\xFF\xFEz\0\x16\x04"s, TextEncoding::kUtf16Le, u"z\u0416", "z\xD0\x96"},
      {"UTF-16BE mark", "\xFE\xFF\0a\x04\x16"s, TextEncoding::kUtf16Be, u"a\u0416", "a\xD0\x96"},
      {"bytes of no well-formed UTF-8 sequence",
       "\xEF\xBB\xBF\x80\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82", TextEncoding::kUtf8,
       u"\xDC80\xDCC0\xDCAF\xDCED\xDCA0\xDC80\xDCF4\xDC90\xDC80\xDC80\xDCE2\xDC82",
       Escapes(u"\xDC80\xDCC0\xDCAF\xDCED\xDCA0\xDC80\xDCF4\xDC90\xDC80\xDC80\xDCE2\xDC82")},
      {"lone surrogates and the escapes' lead", "\xFF\xFE\x00\xD8\x01\x00\x10\x00\x3D\xD8\x00\xDE"s,
       TextEncoding::kUtf16Le, u"\xD800\x0001\x0010\U0001F600",
       Escapes(u"\xD800\x0001") + "\x10\xF0\x9F\x98\x80"},
      {"only a mark", "\xFE\xFF", TextEncoding::kUtf16Be, u"", ""},
      {"empty", "", TextEncoding::kPlain, u"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(EncodingOfMark(row.file), row.encoding);
    EXPECT_EQ(UnitsOfFile(row.file, row.encoding), row.units);
    EXPECT_EQ(FileOfUnits(row.units, row.encoding), row.file);
    EXPECT_EQ(EscapedUtf8OfUnits(row.units), row.escapedUtf8);
    EXPECT_EQ(UnitsOfEscapedUtf8(row.escapedUtf8), row.units);
  }
  EXPECT_EQ(UnitsOfFile("\xFF\xFEz\0y"s, TextEncoding::kUtf16Le), u"z");
  EXPECT_EQ(Utf8OfUnits(u"\xD800"), "\xED\xA0\x80");
}

}  // namespace
}  // namespace orx
