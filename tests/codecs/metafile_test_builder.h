#pragma once
// Hand-built WMF and EMF files for the metafile tests and fuzz seeds: a header
// and then records as their parameters are written out.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace mftest {

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A WMF: records of 16-bit words; Bytes() adds the headers and the end record.
class TWmfBuilder {
public:
  // Placeable box (0, 0)-(width, height) in logical units, unitsPerInch of them.
  TWmfBuilder(int16_t width, int16_t height, uint16_t unitsPerInch = 96, uint16_t objects = 16)
      : m_width(width), m_height(height), m_inch(unitsPerInch), m_objects(objects) {}

  // A record of 16-bit parameters in file order.
  TWmfBuilder& Rec(uint16_t function, std::initializer_list<int> words) {
    std::vector<uint8_t> params;
    for (int w : words) Put16(params, static_cast<uint32_t>(w));
    return Raw(function, params);
  }
  // A record with its parameter bytes given (padded to a whole word).
  TWmfBuilder& Raw(uint16_t function, std::vector<uint8_t> params) {
    if (params.size() % 2) params.push_back(0);
    Put32(m_records, static_cast<uint32_t>(3 + params.size() / 2));
    Put16(m_records, function);
    m_records.insert(m_records.end(), params.begin(), params.end());
    return *this;
  }
  // Raw bytes appended as they are (for broken records).
  TWmfBuilder& Append(const std::vector<uint8_t>& bytes) {
    m_records.insert(m_records.end(), bytes.begin(), bytes.end());
    return *this;
  }
  std::vector<uint8_t> Bytes(bool placeable = true, bool withEof = true) const {
    std::vector<uint8_t> out;
    if (placeable) {
      std::vector<uint8_t> head;
      Put32(head, 0x9AC6CDD7);
      for (int v : {0, 0, 0, static_cast<int>(m_width), static_cast<int>(m_height), static_cast<int>(m_inch)})
        Put16(head, static_cast<uint32_t>(v));
      Put32(head, 0);
      uint16_t sum = 0;
      for (size_t i = 0; i < 20; i += 2) sum ^= static_cast<uint16_t>(head[i] | (head[i + 1] << 8));
      Put16(head, sum);
      out = head;
    }
    const size_t words = 9 + m_records.size() / 2 + (withEof ? 3 : 0);
    for (uint32_t v : {1u, 9u, 0x300u}) Put16(out, v);
    Put32(out, static_cast<uint32_t>(words));
    Put16(out, m_objects);
    Put32(out, 0);
    Put16(out, 0);
    out.insert(out.end(), m_records.begin(), m_records.end());
    if (withEof) {
      Put32(out, 3);
      Put16(out, 0);
    }
    return out;
  }

private:
  int16_t m_width, m_height;
  uint16_t m_inch, m_objects;
  std::vector<uint8_t> m_records;
};

// An EMF whose frame is width x height pixels at 96 dpi on a reference
// device of 96 dpi, so device units are output pixels.
class TEmfBuilder {
public:
  TEmfBuilder(int32_t width, int32_t height, uint16_t handles = 16)
      : m_width(width), m_height(height), m_handles(handles) {}

  // A record of 32-bit parameters.
  TEmfBuilder& Rec(uint32_t type, std::initializer_list<int64_t> params) {
    std::vector<uint8_t> bytes;
    for (int64_t p : params) Put32(bytes, static_cast<uint32_t>(p));
    return Raw(type, bytes);
  }
  // A record with its parameter bytes given (padded to 4).
  TEmfBuilder& Raw(uint32_t type, std::vector<uint8_t> params) {
    while (params.size() % 4) params.push_back(0);
    Put32(m_records, type);
    Put32(m_records, static_cast<uint32_t>(8 + params.size()));
    m_records.insert(m_records.end(), params.begin(), params.end());
    return *this;
  }
  TEmfBuilder& Append(const std::vector<uint8_t>& bytes) {
    m_records.insert(m_records.end(), bytes.begin(), bytes.end());
    return *this;
  }
  // frame: 0.01 mm; by default the picture's size at 96 dpi.
  std::vector<uint8_t> Bytes(bool withEof = true, int32_t frameRight = -1, int32_t frameBottom = -1) const {
    std::vector<uint8_t> out;
    const int32_t fr = frameRight >= 0 ? frameRight : static_cast<int32_t>(m_width * 2540LL / 96);
    const int32_t fb = frameBottom >= 0 ? frameBottom : static_cast<int32_t>(m_height * 2540LL / 96);
    Put32(out, 1);
    Put32(out, 108);
    for (int32_t v : {0, 0, m_width - 1, m_height - 1, 0, 0, fr, fb}) Put32(out, static_cast<uint32_t>(v));
    Put32(out, 0x464D4520);
    Put32(out, 0x10000);
    Put32(out, static_cast<uint32_t>(108 + m_records.size() + (withEof ? 20 : 0)));
    Put32(out, 0);
    Put16(out, m_handles);
    Put16(out, 0);
    for (int i = 0; i < 3; ++i) Put32(out, 0);
    // Reference device: 9600 x 9600 pixels on 2540 mm, i.e. 96 dpi.
    for (int32_t v : {9600, 9600, 2540, 2540, 0, 0, 0, 2540000, 2540000}) Put32(out, static_cast<uint32_t>(v));
    out.insert(out.end(), m_records.begin(), m_records.end());
    if (withEof)
      for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) Put32(out, v);
    return out;
  }

private:
  int32_t m_width, m_height;
  uint16_t m_handles;
  std::vector<uint8_t> m_records;
};

// The bits of a float, as EMF records store XFORM and angle fields.
inline int64_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return bits;
}

// An uncompressed DIB (40-byte header, no table) of size x size pixels at
// 24 bits (or 32, with alpha 128 in the fourth byte), a two-colour checker.
inline std::vector<uint8_t> CheckerDib(int32_t size, int bits = 24) {
  std::vector<uint8_t> dib;
  const int32_t row = ((size * bits + 31) / 32) * 4;
  for (uint32_t v : {40u, static_cast<uint32_t>(size), static_cast<uint32_t>(size)}) Put32(dib, v);
  Put16(dib, 1);
  Put16(dib, static_cast<uint32_t>(bits));
  for (uint32_t v : {0u, static_cast<uint32_t>(row * size), 3780u, 3780u, 0u, 0u}) Put32(dib, v);
  for (int32_t y = 0; y < size; ++y) {
    std::vector<uint8_t> r(static_cast<size_t>(row), 0);
    for (int32_t x = 0; x < size; ++x) {
      const bool on = ((x / 2) + (y / 2)) % 2;
      uint8_t* px = r.data() + x * (bits / 8);
      px[0] = on ? 200 : 20;
      px[1] = on ? 40 : 160;
      px[2] = on ? 10 : 240;
      if (bits == 32) px[3] = 128;
    }
    dib.insert(dib.end(), r.begin(), r.end());
  }
  return dib;
}

inline std::vector<uint8_t> Words(std::initializer_list<int> words) {
  std::vector<uint8_t> out;
  for (int w : words) Put16(out, static_cast<uint32_t>(w));
  return out;
}
inline std::vector<uint8_t> Longs(std::initializer_list<int64_t> longs) {
  std::vector<uint8_t> out;
  for (int64_t v : longs) Put32(out, static_cast<uint32_t>(v));
  return out;
}
inline std::vector<uint8_t> Join(std::vector<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A 200 x 150 WMF that uses most record types: objects of every kind,
// shapes, text, regions, clipping, saved states, bitmaps and raster modes.
inline std::vector<uint8_t> RichWmf() {
  TWmfBuilder b(200, 150, 96, 12);
  const std::vector<uint8_t> dib = CheckerDib(8);
  // A two-band region: (10,10)-(60,30) and (20,30)-(50,50).
  const std::vector<uint8_t> region = Words({0, 6, 0, 0, 0, 2, 2, 10, 10, 60, 50, 2, 10, 30, 10, 60, 2, 2, 30, 50,
                                             20, 50, 2});
  b.Rec(0x020B, {0, 0}).Rec(0x020C, {150, 200})             // window org, ext
      .Rec(0x02FA, {0, 3, 0, 0x00FF, 0})                      // 0: red pen, 3 wide
      .Rec(0x02FC, {0, 0xFF00, 0, 0})                         // 1: green brush
      .Rec(0x02FC, {2, 0, 0x00FF, 4})                         // 2: blue cross hatch
      .Raw(0x0142, Join({Words({5, 0}), dib}))                // 3: pattern brush
      .Rec(0x02FB, {-14, 0, 0, 0, 400, 0, 0, 0, 0x7241, 0})   // 4: font "Ar"
      .Raw(0x06FF, region)                                    // 5: region
      .Raw(0x00F7, Join({Words({0x300, 2}), Longs({0x000080FF, 0x00FF8000})}))  // 6: palette
      .Rec(0x012D, {0}).Rec(0x012D, {1}).Rec(0x012D, {4})
      .Rec(0x041B, {40, 60, 5, 5})                            // rectangle
      .Rec(0x0418, {40, 120, 5, 70})                          // ellipse
      .Rec(0x061C, {10, 10, 40, 190, 5, 130})                 // round rectangle
      .Rec(0x0106, {2})
      .Rec(0x0324, {5, 10, 60, 40, 90, 70, 60, 10, 80, 70, 80})  // star, winding
      .Rec(0x012D, {2})
      .Rec(0x0538, {2, 4, 3, 80, 50, 110, 50, 110, 80, 80, 80, 120, 50, 140, 80, 120, 80})
      .Rec(0x0817, {60, 150, 50, 190, 90, 195, 45, 145})      // arc
      .Rec(0x012D, {3})
      .Rec(0x081A, {95, 160, 50, 150, 95, 195, 55, 145})      // pie
      .Rec(0x0830, {100, 60, 100, 10, 140, 60, 100, 10})      // chord
      .Rec(0x0214, {145, 5}).Rec(0x0213, {120, 60})
      .Rec(0x0325, {3, 70, 145, 90, 120, 110, 145})
      .Rec(0x0209, {0x00FF, 0x0000}).Rec(0x0102, {2}).Rec(0x012E, {24})
      .Raw(0x0521, Join({Words({5}), {'H', 'e', 'l', 'l', 'o', 0}, Words({110, 120})}))
      .Raw(0x0A32, Join({Words({130, 120, 3, 6, 118, 118, 160, 135}), {'a', ' ', 'b', 0}, Words({8, 8, 8})}))
      .Rec(0x001E, {})
      .Rec(0x0416, {150, 200, 100, 150})                      // intersect clip
      .Rec(0x0415, {130, 180, 120, 160})                      // exclude clip
      .Rec(0x061D, {0x0021, 0x00F0, 50, 50, 100, 150})        // PATCOPY
      .Rec(0x0127, {-1})
      .Rec(0x012C, {5})                                       // clip to the region
      .Rec(0x0228, {5, 2})                                    // fill region
      .Rec(0x0429, {5, 0, 2, 2})                              // frame region
      .Rec(0x012A, {5}).Rec(0x012B, {5})
      .Rec(0x012C, {5})
      .Rec(0x0104, {7})                                       // R2_XORPEN
      .Rec(0x041B, {30, 40, 15, 15})
      .Rec(0x0104, {13})
      .Raw(0x0F43, Join({Words({0x0020, 0x00CC, 0, 8, 8, 0, 0, 24, 24, 100, 160}), dib}))
      .Raw(0x0B41, Join({Words({0x0020, 0x00CC, 8, 8, 0, 0, 16, 32, 120, 10}), dib}))
      .Rec(0x041F, {0x00FF, 0x00FF, 148, 198})                // set pixel
      .Rec(0x0548, {1, 0xFFFF, 0x00FF, 146, 196})             // surface flood fill
      .Rec(0x020F, {5, 5}).Rec(0x0410, {2, 1, 2, 1})          // offset and scale the window
      .Rec(0x0418, {20, 20, 0, 0})
      .Rec(0x01F0, {3}).Rec(0x01F0, {2});
  return b.Bytes();
}

// A 160 x 120 EMF that uses most record types: map modes, world transforms,
// every object kind, shapes, paths, clipping regions, text and bitmaps.
inline std::vector<uint8_t> RichEmf() {
  TEmfBuilder b(160, 120, 8);
  const std::vector<uint8_t> dib = CheckerDib(8), dib32 = CheckerDib(4, 32);
  const auto rgn = [](std::initializer_list<int64_t> rects) {
    const int64_t count = static_cast<int64_t>(rects.size() / 4);
    return Join({Longs({32, 1, count, count * 16, 0, 0, 200, 200}), Longs(rects)});
  };
  const std::vector<uint8_t> twoRects = rgn({10, 10, 50, 30, 20, 30, 40, 60});
  const auto pts16 = [](std::initializer_list<int> xy) { return Words(xy); };
  std::vector<uint8_t> font = Longs({5, -16, 0, 0, 0, 400, 0});
  font.resize(4 + 92, 0);
  std::vector<uint8_t> text = Longs({0, 0, 150, 110, 1, 0, 0, 20, 100, 5, 76, 0x0002, 18, 92, 70, 112, 88});
  for (char c : std::string("Hi yo")) Put16(text, static_cast<uint8_t>(c));
  Put16(text, 0);
  for (int i = 0; i < 5; ++i) Put32(text, 9);
  b.Rec(17, {8}).Rec(9, {160, 120}).Rec(11, {160, 120})                                   // anisotropic 1:1
      .Rec(38, {1, 0, 3, 0, 0x0000FF})                                                     // red pen
      .Rec(95, {2, 0, 0, 0, 0, 0x00010000 | 0x2000 | 0x0100, 6, 0, 0xFF0000, 0, 0})        // wide blue pen
      .Rec(39, {3, 0, 0x00FF00, 0}).Rec(39, {4, 2, 0xFF00FF, 5})                           // brushes
      .Raw(94, Join({Longs({6, 0, 32, 40, 72, static_cast<int64_t>(dib.size() - 40)}), dib}))  // pattern
      .Raw(82, font)
      .Rec(37, {1}).Rec(37, {3})
      .Rec(43, {5, 5, 50, 40}).Rec(42, {55, 5, 100, 40}).Rec(44, {105, 5, 155, 40, 12, 12})
      .Rec(19, {2})
      .Raw(86, Join({Longs({0, 0, 0, 0, 5}), pts16({10, 80, 30, 45, 50, 80, 5, 58, 55, 58})}))
      .Rec(37, {2}).Rec(37, {4})
      .Raw(91, Join({Longs({0, 0, 0, 0, 2, 7, 4, 3}), pts16({60, 50, 90, 50, 90, 80, 60, 80, 95, 50, 110, 80, 95, 80})}))
      .Rec(57, {2}).Rec(45, {115, 45, 155, 85, 155, 65, 135, 45})
      .Rec(37, {6}).Rec(47, {115, 45, 155, 85, 155, 65, 135, 85}).Rec(46, {5, 85, 45, 115, 5, 100, 45, 100})
      .Rec(27, {5, 118}).Rec(54, {40, 100})
      .Raw(88, Join({Longs({0, 0, 0, 0, 3}), pts16({50, 90, 60, 118, 70, 90})}))
      .Raw(89, Join({Longs({0, 0, 0, 0, 2}), pts16({80, 118, 90, 100})}))
      .Rec(41, {100, 100, 10, FloatBits(30.0f), FloatBits(200.0f)})
      .Rec(33, {})
      .Rec(36, {FloatBits(0.9f), FloatBits(0.2f), FloatBits(-0.2f), FloatBits(0.9f), FloatBits(20.0f), FloatBits(5.0f), 4})
      .Rec(59, {}).Rec(27, {10, 10}).Rec(54, {40, 12}).Rec(55, {30, 10, 60, 40, 60, 25, 45, 10}).Rec(61, {})
      .Rec(42, {70, 10, 90, 30}).Rec(60, {}).Rec(63, {0, 0, 0, 0})
      .Rec(59, {}).Rec(43, {0, 0, 80, 60}).Rec(60, {}).Rec(67, {1})
      .Rec(37, {0x80000000 | 5}).Rec(43, {0, 0, 160, 120})
      .Rec(34, {-1})
      .Raw(75, Join({Longs({static_cast<int64_t>(twoRects.size()), 5}), twoRects}))
      .Raw(71, Join({Longs({0, 0, 0, 0, static_cast<int64_t>(twoRects.size()), 4}), twoRects}))
      .Raw(73, Join({Longs({0, 0, 0, 0, static_cast<int64_t>(twoRects.size())}), twoRects}))
      .Rec(75, {0, 5})
      .Rec(30, {0, 0, 150, 118}).Rec(29, {60, 60, 70, 70}).Rec(26, {1, 1})
      .Rec(24, {0x202020}).Rec(25, {0xC0FFFF}).Rec(22, {24})
      .Raw(84, text)
      .Raw(108, Join({Longs({20, 112, 3, 0x0300, 1, 0, 0}), {'a', 'b', 'c', 0}}))
      .Raw(92, Join({Longs({0, 0, 0, 0, 5}), pts16({120, 90, 130, 100, 140, 90, 150, 100, 155, 110}),
                     {6, 2, 4, 4, 4 | 1, 0, 0, 0}}))
      .Raw(118, Join({Longs({0, 0, 0, 0, 3, 1, 0}), Longs({0, 60, 0xFF00, 0, 20, 60, 0, 0xFF00}),
                      Longs({0, 0, 0xFF00FF00, 0}), Longs({0, 1})}))
      .Raw(81, Join({Longs({0, 0, 0, 0, 100, 60, 0, 0, 8, 8, 80, 40, 120, static_cast<int64_t>(dib.size() - 40), 0,
                            0xCC0020, 24, 24}), dib}))
      .Raw(76, Longs({0, 0, 0, 0, 130, 60, 20, 20, 0xF00021, 0, 0, FloatBits(1), 0, 0, FloatBits(1), 0, 0, 0, 0, 0,
                      0, 0, 0}))
      .Raw(114, Join({Longs({0, 0, 0, 0, 20, 60, 12, 12, 0x01800000, 0, 0, FloatBits(1), 0, 0, FloatBits(1), 0, 0, 0,
                             0, 108, 40, 148, static_cast<int64_t>(dib32.size() - 40), 4, 4}), dib32}))
      .Raw(116, Join({Longs({0, 0, 0, 0, 40, 60, 16, 16, 0x0A28C8, 0, 0, FloatBits(1), 0, 0, FloatBits(1), 0, 0, 0,
                             0, 108, 40, 148, static_cast<int64_t>(dib.size() - 40), 8, 8}), dib}))
      .Rec(15, {158, 118, 0x0000FF}).Rec(53, {157, 117, 0xFFFFFF, 1})
      .Rec(20, {6}).Rec(43, {2, 2, 20, 20}).Rec(20, {13})
      .Rec(40, {1}).Rec(40, {6});
  return b.Bytes();
}

}  // namespace mftest
