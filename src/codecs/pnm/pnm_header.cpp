#include "codecs/pnm/detail/pnm_header.h"

#include <algorithm>
#include <string>

namespace pix::pnm {

namespace {

// Values above this are kept at it: far beyond any size a decoder accepts.
constexpr uint64_t kNumberCap = uint64_t{1} << 32;

void SkipComment(TBufferedReader& reader) {
  for (uint8_t c; reader.Next(c);)
    if (c == '\n' || c == '\r') return;
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// A decimal number after optional whitespace and comments. It must end at
// whitespace, a comment or the end of the data ("255xxx" is no number).
TFailureReason ReadNumber(TBufferedReader& reader, uint64_t& value) {
  int c = SkipSpaceAndComments(reader);
  if (c < 0) return frTruncated;
  if (!IsDigit(c)) return frCorruptData;
  value = 0;
  uint8_t digit = 0;
  while (IsDigit(c = reader.Peek())) {
    reader.Next(digit);
    value = std::min(kNumberCap, value * 10 + static_cast<uint64_t>(digit - '0'));
  }
  return (c < 0 || c == '#' || IsPnmSpace(c)) ? frNone : frCorruptData;
}

// After the last header value: one whitespace byte, or a comment line.
void EndOfHeader(TBufferedReader& reader) {
  uint8_t c = 0;
  if (!reader.Next(c)) return;
  if (c == '#') SkipComment(reader);
}

TFailureReason ReadClassicHeader(TBufferedReader& reader, TPnmHeader& h) {
  uint64_t width = 0, height = 0, maxVal = 1;
  if (TFailureReason f = ReadNumber(reader, width); f != frNone) return f;
  if (TFailureReason f = ReadNumber(reader, height); f != frNone) return f;
  if (!h.Bits)
    if (TFailureReason f = ReadNumber(reader, maxVal); f != frNone) return f;
  if (maxVal == 0 || maxVal > 65535) return frCorruptData;
  EndOfHeader(reader);
  h.Width = static_cast<int64_t>(width);
  h.Height = static_cast<int64_t>(height);
  h.MaxVal = static_cast<uint32_t>(maxVal);
  return frNone;
}

// A header word: up to 16 bytes of non-space; longer words are cut.
std::string ReadWord(TBufferedReader& reader) {
  std::string word;
  for (int c = reader.Peek(); c >= 0 && !IsPnmSpace(c); c = reader.Peek()) {
    uint8_t b = 0;
    reader.Next(b);
    if (word.size() < 16) word.push_back(static_cast<char>(b));
  }
  return word;
}

void SkipLine(TBufferedReader& reader) { SkipComment(reader); }

TFailureReason ReadPamHeader(TBufferedReader& reader, TPnmHeader& h) {
  uint64_t width = 0, height = 0, depth = 0, maxVal = 0;
  bool haveWidth = false, haveHeight = false, haveDepth = false, haveMaxVal = false;
  for (;;) {
    if (SkipSpaceAndComments(reader) < 0) return frTruncated;
    const std::string word = ReadWord(reader);
    uint64_t* target = nullptr;
    bool* seen = nullptr;
    if (word == "ENDHDR") {
      SkipLine(reader);
      break;
    }
    if (word == "WIDTH") target = &width, seen = &haveWidth;
    if (word == "HEIGHT") target = &height, seen = &haveHeight;
    if (word == "DEPTH") target = &depth, seen = &haveDepth;
    if (word == "MAXVAL") target = &maxVal, seen = &haveMaxVal;
    if (!target) {
      // TUPLTYPE and fields this reader has no use for: the depth decides.
      SkipLine(reader);
      continue;
    }
    if (TFailureReason f = ReadNumber(reader, *target); f != frNone) return f;
    *seen = true;
  }
  if (!haveWidth || !haveHeight || !haveDepth || !haveMaxVal) return frCorruptData;
  if (depth == 0 || maxVal == 0 || maxVal > 65535) return frCorruptData;
  if (depth > 4) return frUnsupportedDepth;
  h.Width = static_cast<int64_t>(width);
  h.Height = static_cast<int64_t>(height);
  h.Depth = static_cast<int>(depth);
  h.MaxVal = static_cast<uint32_t>(maxVal);
  h.Alpha = depth == 2 || depth == 4;
  return frNone;
}

}  // namespace

int SkipSpaceAndComments(TBufferedReader& reader) {
  for (;;) {
    const int c = reader.Peek();
    if (c < 0) return c;
    if (c == '#') {
      SkipComment(reader);
    } else if (IsPnmSpace(c)) {
      uint8_t skipped = 0;
      reader.Next(skipped);
    } else {
      return c;
    }
  }
}

TFailureReason ReadPnmHeader(TBufferedReader& reader, TPnmHeader& h) {
  uint8_t p = 0, m = 0;
  if (!reader.Next(p)) return frTruncated;
  if (p != 'P') return frNotThisFormat;
  if (!reader.Next(m)) return frTruncated;
  // Portable float maps share the "P" but hold floating-point samples.
  if (m == 'f' || m == 'F') return frUnsupportedDepth;
  if (m < '1' || m > '7') return frNotThisFormat;
  h.Magic = static_cast<char>(m);
  h.Plain = m <= '3';
  h.Bits = m == '1' || m == '4';
  h.Depth = (m == '3' || m == '6') ? 3 : 1;
  // The magic number must stand alone, as every netpbm tool requires.
  const int next = reader.Peek();
  if (next >= 0 && !IsPnmSpace(next) && next != '#') return frNotThisFormat;
  return m == '7' ? ReadPamHeader(reader, h) : ReadClassicHeader(reader, h);
}

}  // namespace pix::pnm
