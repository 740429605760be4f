#include "base/text_encoding.h"

#include <cstddef>

#include "base/name_escapes.h"

namespace orx {

namespace {

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kUtf16LeMark = "\xFF\xFE";
const std::string kUtf16BeMark = "\xFE\xFF";

// The unit that stands for a byte of no well-formed UTF-8 sequence.
constexpr char16_t kByteSurrogate = 0xDC00;

const std::string& MarkOf(TextEncoding encoding) {
  static const std::string none;
  switch (encoding) {
    case TextEncoding::kUtf8:
      return kUtf8Mark;
    case TextEncoding::kUtf16Le:
      return kUtf16LeMark;
    case TextEncoding::kUtf16Be:
      return kUtf16BeMark;
    case TextEncoding::kPlain:
      break;
  }
  return none;
}

bool StartsWith(const std::string& bytes, const std::string& mark) {
  return bytes.compare(0, mark.size(), mark) == 0;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

unsigned char ByteAt(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

// The length of the well-formed UTF-8 sequence at bytes[at] and its code point; 0 when none
// starts there (the ranges of the Unicode standard's table of well-formed sequences).
std::size_t SequenceAt(const std::string& bytes, std::size_t at, char32_t* codePoint) {
  const unsigned lead = ByteAt(bytes, at);
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  }
  std::size_t length = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : low;    // no overlong form
    high = lead == 0xED ? 0x9F : high;  // no surrogate
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : low;    // no overlong form
    high = lead == 0xF4 ? 0x8F : high;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() - at < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned next = ByteAt(bytes, at + i);
    if (next < low || next > high) {
      return 0;
    }
    value = (value << 6) | (next & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  *codePoint = value;
  return length;
}

void AppendUnitsOfUtf8(std::u16string* units, const std::string& bytes, std::size_t begin,
                       std::size_t end) {
  for (std::size_t at = begin; at < end;) {
    char32_t codePoint = 0;
    const std::size_t length = SequenceAt(bytes, at, &codePoint);
    if (length == 0 || at + length > end) {
      units->push_back(static_cast<char16_t>(kByteSurrogate + ByteAt(bytes, at)));
      ++at;
      continue;
    }
    if (codePoint >= 0x10000) {
      units->push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      units->push_back(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
    } else {
      units->push_back(static_cast<char16_t>(codePoint));
    }
    at += length;
  }
}

void AppendUtf8(std::string* bytes, char32_t codePoint) {
  if (codePoint < 0x80) {
    bytes->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    bytes->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    bytes->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    bytes->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    bytes->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    bytes->push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    bytes->push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    bytes->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// UTF-8 of units; with escaping, lone surrogates and U+0001 become escapes, else a lone surrogate
// stands for a byte (U+DC80..U+DCFF) or takes the three-byte form.
std::string Utf8Of(const std::u16string& units, bool escaping) {
  std::string bytes;
  bytes.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (IsHighSurrogate(unit) && i + 1 < units.size() && IsLowSurrogate(units[i + 1])) {
      AppendUtf8(&bytes, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (escaping && (unit == 0x0001 || IsHighSurrogate(unit) || IsLowSurrogate(unit))) {
      AppendEscape(&bytes, unit);
    } else if (unit >= kByteSurrogate + 0x80 && unit <= kByteSurrogate + 0xFF) {
      bytes.push_back(static_cast<char>(unit - kByteSurrogate));
    } else {
      AppendUtf8(&bytes, unit);
    }
  }
  return bytes;
}

}  // namespace

TextEncoding EncodingOfMark(const std::string& bytes) {
  for (const TextEncoding encoding :
       {TextEncoding::kUtf8, TextEncoding::kUtf16Le, TextEncoding::kUtf16Be}) {
    if (StartsWith(bytes, MarkOf(encoding))) {
      return encoding;
    }
  }
  return TextEncoding::kPlain;
}

std::u16string UnitsOfFile(const std::string& bytes, TextEncoding encoding) {
  const std::size_t begin = StartsWith(bytes, MarkOf(encoding)) ? MarkOf(encoding).size() : 0;
  if (encoding != TextEncoding::kUtf16Le && encoding != TextEncoding::kUtf16Be) {
    std::u16string units;
    AppendUnitsOfUtf8(&units, bytes, begin, bytes.size());
    return units;
  }
  const int high = encoding == TextEncoding::kUtf16Le ? 1 : 0;
  std::u16string units;
  units.reserve((bytes.size() - begin) / 2);
  for (std::size_t at = begin; at + 1 < bytes.size(); at += 2) {
    units.push_back(
        static_cast<char16_t>((ByteAt(bytes, at + high) << 8) | ByteAt(bytes, at + 1 - high)));
  }
  return units;
}

std::string FileOfUnits(const std::u16string& units, TextEncoding encoding) {
  std::string bytes = MarkOf(encoding);
  if (encoding != TextEncoding::kUtf16Le && encoding != TextEncoding::kUtf16Be) {
    return bytes + Utf8Of(units, false);
  }
  const bool little = encoding == TextEncoding::kUtf16Le;
  bytes.reserve(bytes.size() + units.size() * 2);
  for (const char16_t unit : units) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes.push_back(little ? low : high);
    bytes.push_back(little ? high : low);
  }
  return bytes;
}

std::u16string UnitsOfUtf8(const std::string& bytes) {
  std::u16string units;
  AppendUnitsOfUtf8(&units, bytes, 0, bytes.size());
  return units;
}

std::string Utf8OfUnits(const std::u16string& units) {
  return Utf8Of(units, false);
}

std::string EscapedUtf8OfUnits(const std::u16string& units) {
  return Utf8Of(units, true);
}

std::u16string UnitsOfEscapedUtf8(const std::string& text) {
  std::u16string units;
  ForEachEscapeRun(
      text,
      [&](std::size_t begin, std::size_t end) { AppendUnitsOfUtf8(&units, text, begin, end); },
      [&](char16_t unit) { units.push_back(unit); });
  return units;
}

}  // namespace orx
