// Text operations: trimming, and files read and written as lists of lines.
#pragma once

#include <string>
#include <vector>

#include "base/characters.h"  // LowerCase
#include "base/text_encoding.h"

namespace orx {

// An ordered list of text lines, each without its line break.
using TextLines = std::vector<std::string>;

// Removes characters with codes below 33 from both ends.
std::string Trim(const std::string& text);

// Splits bytes into lines: CR, LF and CR LF each end a line (LF CR is two breaks); a final line
// without a break counts; a break at the very end adds no line; a zero byte ends the text.
TextLines SplitTextLines(const std::string& bytes);
// Every line, the last included, followed by CR LF.
std::string JoinTextLines(const TextLines& lines);

// The program's text of a file's bytes and the encoding they are in: a file with a byte-order mark
// is decoded (the mark is no part of the text), a file without one is its bytes unchanged.
std::string TextOfFileBytes(const std::string& bytes, TextEncoding* encoding);
// The file bytes of a program text: kPlain gives the text unchanged, a Unicode form its mark and
// the text encoded, so that TextOfFileBytes gives the same text back.
std::string FileBytesOfText(const std::string& text, TextEncoding encoding);

// Reads a whole file as lines. Raises EFOpenError "Cannot open file %s".
TextLines ReadTextLines(const std::string& fileName);
// Creates the file anew and writes the lines in one piece. Raises EFCreateError / EWriteError.
void WriteTextLines(const std::string& fileName, const TextLines& lines);
// Index of the first line that EqualIgnoringCase finds equal to text, or -1.
int FindLine(const TextLines& lines, const std::string& text);

}  // namespace orx
