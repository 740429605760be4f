#include "files/text.h"

#include "base/name_escapes.h"
#include "files/whole_files.h"
#include "platform/platform.h"

namespace orx {

namespace {

// Below 33: never the trail byte of a character (those are 0x40 and up).
bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) < 33;
}

// True when an escape (a character the code page cannot spell) lies whole in text[at, end).
bool EscapeAt(const std::string& text, std::size_t at, std::size_t end) {
  char16_t unit = 0;
  return end - at >= kEscapeLength && ReadEscape(text, at, &unit);
}

}  // namespace

std::string Trim(const std::string& text) {
  // An escape is made of bytes below 33 but stands for a character: trimming stops at it.
  std::string::size_type begin = 0;
  std::string::size_type end = text.size();
  while (end > begin && IsTrimmed(text[end - 1]) &&
         !(end - begin >= kEscapeLength && EscapeAt(text, end - kEscapeLength, end))) {
    --end;
  }
  while (begin < end && IsTrimmed(text[begin]) && !EscapeAt(text, begin, end)) {
    ++begin;
  }
  return text.substr(begin, end - begin);
}

TextLines SplitTextLines(const std::string& bytes) {
  TextLines lines;
  const std::string::size_type zero = bytes.find('\0');
  const std::string::size_type size = zero == std::string::npos ? bytes.size() : zero;
  std::string::size_type start = 0;
  std::string::size_type at = 0;
  while (at < size) {
    const char c = bytes[at];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes, start, at - start);
      ++at;
      if (c == '\r' && at < size && bytes[at] == '\n') {
        ++at;
      }
      start = at;
    } else {
      ++at;
    }
  }
  if (start < size) {
    lines.emplace_back(bytes, start, size - start);
  }
  return lines;
}

std::string JoinTextLines(const TextLines& lines) {
  std::string::size_type size = 0;
  for (const std::string& line : lines) {
    size += line.size() + 2;
  }
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string TextOfFileBytes(const std::string& bytes, TextEncoding* encoding) {
  *encoding = EncodingOfMark(bytes);
  return *encoding == TextEncoding::kPlain ? bytes : TextOfUnits(UnitsOfFile(bytes, *encoding));
}

std::string FileBytesOfText(const std::string& text, TextEncoding encoding) {
  return encoding == TextEncoding::kPlain ? text : FileOfUnits(UnitsOfText(text), encoding);
}

TextLines ReadTextLines(const std::string& fileName) {
  return SplitTextLines(ReadFileBytes(fileName));
}

void WriteTextLines(const std::string& fileName, const TextLines& lines) {
  WriteFileBytes(fileName, JoinTextLines(lines));
}

int FindLine(const TextLines& lines, const std::string& text) {
  for (TextLines::size_type i = 0; i < lines.size(); ++i) {
    if (EqualIgnoringCase(lines[i], text)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

}  // namespace orx
