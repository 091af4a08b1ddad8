#include <algorithm>
#include <cmath>
#include <cstring>

#include "codecs/common/stream_io.h"
#include "codecs/tga/detail/tga_format.h"

namespace pix::tga {

namespace {

// Field offsets of the extension area.
constexpr int kAuthorAt = 2;
constexpr int kCommentsAt = 43;
constexpr int kStampAt = 367;
constexpr int kSoftwareAt = 426;
constexpr int kKeyColorAt = 470;
constexpr int kAspectAt = 474;
constexpr int kGammaAt = 478;
constexpr int kAttributesAt = 494;
constexpr int kTextField = 41;     // 40 characters and a NUL
constexpr int kCommentLine = 81;
constexpr int kCommentLines = 4;

// Days from 1899-12-30 (day 0 of the record's dates) to 1970-01-01.
constexpr int64_t kEpochOffset = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp + (mp < 10 ? 3 : -9);
  y = yoe + era * 400 + (m <= 2);
}

std::string TextField(const uint8_t* p, int size) {
  const auto* end = std::find(p, p + size, uint8_t{0});
  return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(end - p));
}

void PutText(uint8_t* p, int size, const std::string& text) {
  std::memcpy(p, text.data(), std::min<size_t>(text.size(), static_cast<size_t>(size - 1)));
}

double Ratio(uint16_t num, uint16_t den) { return den == 0 || num == 0 ? 0.0 : double(num) / double(den); }

// A ratio as a numerator over 1000 (or a smaller denominator for values that
// would not fit), 0/0 for values that cannot be written.
void PutRatio(uint8_t* p, double value) {
  uint16_t num = 0, den = 0;
  if (std::isfinite(value) && value > 0.0) {
    for (uint16_t d : {uint16_t{1000}, uint16_t{100}, uint16_t{10}, uint16_t{1}}) {
      const double n = std::nearbyint(value * d);
      if (n >= 1.0 && n <= 65535.0) {
        num = static_cast<uint16_t>(n);
        den = d;
        break;
      }
    }
  }
  PutLE16(p, num);
  PutLE16(p + 2, den);
}

double DateFromStamp(const uint8_t* p) {
  const int month = GetLE16(p), day = GetLE16(p + 2), year = GetLE16(p + 4);
  const int hour = GetLE16(p + 6), minute = GetLE16(p + 8), second = GetLE16(p + 10);
  if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1 || hour > 23 || minute > 59 || second > 59)
    return 0.0;
  const int64_t days = DaysFromCivil(year, month, day) + kEpochOffset;
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

void PutStamp(uint8_t* p, double date) {
  if (!(date > 0.0) || date > 2958465.0) return;  // none, or past 9999-12-31
  int64_t days = static_cast<int64_t>(std::floor(date));
  int64_t seconds = std::llround((date - static_cast<double>(days)) * 86400.0);
  if (seconds >= 86400) {
    ++days;
    seconds -= 86400;
  }
  int64_t y = 0, m = 0, d = 0;
  CivilFromDays(days - kEpochOffset, y, m, d);
  const int64_t fields[6] = {m, d, y, seconds / 3600, seconds / 60 % 60, seconds % 60};
  for (int i = 0; i < 6; ++i) PutLE16(p + 2 * i, static_cast<uint16_t>(fields[i]));
}

}  // namespace

void ParseHeader(const uint8_t* raw, TTgaHeader& h) {
  h.IdLength = raw[0];
  h.MapType = raw[1];
  h.ImageType = raw[2];
  h.MapFirst = GetLE16(raw + 3);
  h.MapLength = GetLE16(raw + 5);
  h.MapEntryBits = raw[7];
  h.XOrigin = GetLE16(raw + 8);
  h.YOrigin = GetLE16(raw + 10);
  h.Width = GetLE16(raw + 12);
  h.Height = GetLE16(raw + 14);
  h.PixelBits = raw[16];
  h.Descriptor = raw[17];
}

void BuildHeader(const TTgaHeader& h, uint8_t* raw) {
  raw[0] = h.IdLength;
  raw[1] = h.MapType;
  raw[2] = h.ImageType;
  PutLE16(raw + 3, h.MapFirst);
  PutLE16(raw + 5, h.MapLength);
  raw[7] = h.MapEntryBits;
  PutLE16(raw + 8, h.XOrigin);
  PutLE16(raw + 10, h.YOrigin);
  PutLE16(raw + 12, h.Width);
  PutLE16(raw + 14, h.Height);
  raw[16] = h.PixelBits;
  raw[17] = h.Descriptor;
}

void ParseExtension(const uint8_t* raw, int64_t size, TTgaExtension& ext) {
  auto has = [size](int at, int bytes) { return size >= at + bytes; };
  if (has(kAuthorAt, kTextField)) ext.Author = TextField(raw + kAuthorAt, kTextField);
  if (has(kCommentsAt, kCommentLines * kCommentLine)) {
    std::string lines[kCommentLines];
    int used = 0;
    for (int i = 0; i < kCommentLines; ++i) {
      lines[i] = TextField(raw + kCommentsAt + i * kCommentLine, kCommentLine);
      if (!lines[i].empty()) used = i + 1;
    }
    for (int i = 0; i < used; ++i) ext.Comments += (i ? "\n" : "") + lines[i];
  }
  if (has(kStampAt, 12)) ext.Date = DateFromStamp(raw + kStampAt);
  if (has(kKeyColorAt, 4)) ext.KeyColor = TRGB{raw[kKeyColorAt], raw[kKeyColorAt + 1], raw[kKeyColorAt + 2]};
  if (has(kAspectAt, 4)) ext.AspectRatio = Ratio(GetLE16(raw + kAspectAt), GetLE16(raw + kAspectAt + 2));
  if (has(kGammaAt, 4)) ext.Gamma = Ratio(GetLE16(raw + kGammaAt), GetLE16(raw + kGammaAt + 2));
  if (has(kAttributesAt, 1)) ext.AttributesType = raw[kAttributesAt];
}

void BuildExtension(const TTgaExtension& ext, uint8_t* raw) {
  std::memset(raw, 0, kExtensionSize);
  PutLE16(raw, kExtensionSize);
  PutText(raw + kAuthorAt, kTextField, ext.Author);
  size_t from = 0;
  for (int i = 0; i < kCommentLines && from <= ext.Comments.size(); ++i) {
    const size_t cut = std::min(ext.Comments.find('\n', from), ext.Comments.size());
    PutText(raw + kCommentsAt + i * kCommentLine, kCommentLine, ext.Comments.substr(from, cut - from));
    from = cut + 1;
  }
  PutStamp(raw + kStampAt, ext.Date);
  PutText(raw + kSoftwareAt, kTextField, "Pixfold");
  raw[kKeyColorAt] = ext.KeyColor.b;
  raw[kKeyColorAt + 1] = ext.KeyColor.g;
  raw[kKeyColorAt + 2] = ext.KeyColor.r;
  PutRatio(raw + kAspectAt, ext.AspectRatio);
  PutRatio(raw + kGammaAt, ext.Gamma);
  raw[kAttributesAt] = static_cast<uint8_t>(std::max(ext.AttributesType, 0));
}

}  // namespace pix::tga
