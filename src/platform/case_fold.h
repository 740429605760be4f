// Letter case as Windows folds it in the Western code page 1252, byte for byte: the host port's
// stand-in for the locale comparison of the Windows port.
#pragma once

#include <string>

namespace orx {

// text with each capital letter replaced by its small partner: A-Z, the 1252 letters from A grave
// to thorn (not the multiplication sign), and S caron, OE, Z caron, Y diaeresis. Nothing else
// changes: accents, hyphens and blanks count. Two texts are equal without regard to case exactly
// when their folded forms are byte-equal.
std::string CaseFolded(const std::string& text);
// CaseFolded(a) == CaseFolded(b), without building either.
bool EqualCaseFolded(const std::string& a, const std::string& b);

}  // namespace orx
