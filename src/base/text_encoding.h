// The encodings a text file may come in: recognised by its byte-order mark, and turned into UTF-16
// units and back so that every file comes back byte for byte.
#pragma once

#include <string>

namespace orx {

// How a file stores its text: 8-bit bytes without a mark, or a Unicode form with its mark.
enum class TextEncoding { kPlain, kUtf8, kUtf16Le, kUtf16Be };

// The encoding the bytes' byte-order mark names (EF BB BF, FF FE, FE FF); kPlain without one.
TextEncoding EncodingOfMark(const std::string& bytes);
// The UTF-16 units of a file's text after its mark. UTF-16: a last odd byte is no unit and is
// dropped. UTF-8 (and kPlain, which has no mark) as UnitsOfUtf8.
std::u16string UnitsOfFile(const std::string& bytes, TextEncoding encoding);
// The file bytes of units: the mark of the encoding, then the units in it.
std::string FileOfUnits(const std::u16string& units, TextEncoding encoding);

// UTF-8 read so that any bytes come back: a byte of no well-formed sequence becomes the lone
// surrogate U+DC80..U+DCFF of its value.
std::u16string UnitsOfUtf8(const std::string& bytes);
// UTF-8 of units: a lone U+DC80..U+DCFF becomes its byte again, another lone surrogate takes the
// three-byte form UTF-8 forbids (read back, its bytes are three such surrogates).
std::string Utf8OfUnits(const std::u16string& units);

// 8-bit text in UTF-8 that carries every unit exactly: what UTF-8 cannot hold (lone surrogates)
// and U+0001, the escapes' own lead, become escapes (name_escapes.h).
std::string EscapedUtf8OfUnits(const std::u16string& units);
// The units of such text: escapes become their unit, the rest is read as UnitsOfUtf8 reads it.
std::u16string UnitsOfEscapedUtf8(const std::string& text);

}  // namespace orx
