#pragma once
// Case mapping of UTF-8 text, character by character (Unicode simple case
// mapping). Bytes that are not valid UTF-8 pass through unchanged.
#include <string>

namespace pix {

std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);

}  // namespace pix
