// Standard output as the program writes it: lines ended by CR LF through a 128-byte buffer.
#pragma once

#include <string>

namespace orx {

// Writes the text's bytes and CR LF, then raises EInOutError if the output has failed. A character
// the code page cannot spell (an escape) shows as "?", as Windows shows it in 8-bit text.
void LineWrite(const std::string& text);
// Hands what is buffered to the platform; a failure here is not reported.
void FlushOutput();
// Forgets a recorded output error, so that one more text (the failure text) can be tried.
void ClearOutputError();

}  // namespace orx
