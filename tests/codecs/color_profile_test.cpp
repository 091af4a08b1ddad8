#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "codecs/metadata/color_profile.h"
#include "metadata_test_builder.h"

using namespace pix;
using namespace metatest;

namespace {

double Decode(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
double Encode(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }

// Display P3 to sRGB worked out from the primaries (both D65 white, sRGB
// curve), with out-of-gamut values clipped: an independent answer to check
// lcms2's against.
std::array<int, 3> P3ToSrgb(int r, int g, int b) {
  // Linear Display P3 to linear sRGB.
  static const double m[3][3] = {{1.2249, -0.2247, 0.0}, {-0.0420, 1.0419, 0.0}, {-0.0197, -0.0786, 1.0979}};
  const double in[3] = {Decode(r / 255.0), Decode(g / 255.0), Decode(b / 255.0)};
  std::array<int, 3> out{};
  for (int c = 0; c < 3; ++c) {
    const double v = m[c][0] * in[0] + m[c][1] * in[1] + m[c][2] * in[2];
    out[c] = static_cast<int>(std::lround(255 * Encode(std::clamp(v, 0.0, 1.0))));
  }
  return out;
}

std::unique_ptr<TIOParams> WithProfile(const Bytes& profile, TJpegColorSpace space) {
  auto params = std::make_unique<TIOParams>();
  AddIccMarkers(params->MarkerList(), profile, 300);
  params->JpegColorSpace = space;
  return params;
}

}  // namespace

TEST(ColorProfile, ChunksJoinInSequenceOrderAndBrokenSetsGiveNothing) {
  const Bytes profile = Profile(&kDisplayP3);
  TPixMarkerList list;
  AddIccMarkers(list, profile, 200);
  ASSERT_GE(list.Count(), 3);
  EXPECT_EQ(JoinIccProfile(list), profile);
  TPixMarkerList reversed;
  for (int i = list.Count() - 1; i >= 0; --i) reversed.AddMarker(0xE2, list.MarkerData(i), list.MarkerLength(i));
  Add(reversed, 0xE2, Text("FPXR"));  // another APP2 use
  EXPECT_EQ(JoinIccProfile(reversed), profile);
  TPixMarkerList missing = list, repeated = list;
  missing.SetMarker(1, 0xE1, nullptr, 0);
  repeated.SetMarker(2, 0xE2, list.MarkerData(1), list.MarkerLength(1));
  EXPECT_TRUE(JoinIccProfile(missing).empty());
  EXPECT_TRUE(JoinIccProfile(repeated).empty());
}

TEST(ColorProfile, SrgbIsRecognisedByContentAndOthersAreConverted) {
  EXPECT_EQ(JudgeIccProfile(Profile(), jcYCbCr), pvSrgb);
  // sRGB primaries and curve in a profile of another maker's layout.
  const cmsCIExyYTRIPLE srgb = {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
  EXPECT_EQ(JudgeIccProfile(Profile(&srgb), jcRGB), pvSrgb);
  EXPECT_EQ(JudgeIccProfile(Profile(&srgb, 2.2), jcYCbCr), pvConvertible);  // a plain gamma is not the sRGB curve
  EXPECT_EQ(JudgeIccProfile(Profile(&kDisplayP3), jcYCbCr), pvConvertible);
  EXPECT_EQ(JudgeIccProfile(GrayProfile(0), jcGrayscale), pvSrgb);
  EXPECT_EQ(JudgeIccProfile(GrayProfile(1.8), jcGrayscale), pvConvertible);
  // Profiles that do not describe the decoded pixels.
  EXPECT_EQ(JudgeIccProfile(Profile(&kDisplayP3), jcCMYK), pvNone);
  EXPECT_EQ(JudgeIccProfile(GrayProfile(1.8), jcYCbCr), pvNone);
  EXPECT_EQ(JudgeIccProfile(Profile(&kDisplayP3), jcGrayscale), pvNone);
  // Damage anywhere: a verdict, never a crash.
  const Bytes p3 = Profile(&kDisplayP3);
  for (std::size_t i = 0; i < p3.size(); i += 5) {
    Bytes bad = p3;
    bad[i] ^= 0xA5;
    JudgeIccProfile(bad, jcYCbCr);
    JudgeIccProfile(Bytes(p3.begin(), p3.begin() + i), jcYCbCr);
  }
}

TEST(ColorProfile, DisplayP3PixelsBecomeTheSrgbColoursThatLookTheSame) {
  const auto params = WithProfile(Profile(&kDisplayP3), jcYCbCr);
  const int samples[][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {200, 120, 40},
                            {30, 160, 220}, {128, 128, 128}, {0, 0, 0}, {255, 255, 255}};
  TBitmap image(8, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) jpegtest::SetPixel(image, x, y, samples[x][0], samples[x][1], samples[x][2]);
  ASSERT_TRUE(ConvertEmbeddedProfileToSrgb(image, *params));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint8_t* p = image.ScanLine(y) + 3 * x;
      const auto want = P3ToSrgb(samples[x][0], samples[x][1], samples[x][2]);
      EXPECT_NEAR(p[2], want[0], 2) << x;  // red
      EXPECT_NEAR(p[1], want[1], 2) << x;
      EXPECT_NEAR(p[0], want[2], 2) << x;  // blue
    }
  // sRGB, no profile, other formats: left alone.
  TBitmap untouched(2, 2);
  jpegtest::SetPixel(untouched, 0, 0, 200, 120, 40);
  EXPECT_FALSE(ConvertEmbeddedProfileToSrgb(untouched, *WithProfile(Profile(), jcYCbCr)));
  EXPECT_FALSE(ConvertEmbeddedProfileToSrgb(untouched, TIOParams()));
  TBitmap bilevel(8, 1, TPixelFormat::Bilevel);
  EXPECT_FALSE(ConvertEmbeddedProfileToSrgb(bilevel, *params));
  EXPECT_EQ(untouched.ScanLine(0)[2], 200);
}

TEST(ColorProfile, GrayPixelsFollowAGrayProfile) {
  TBitmap image(256, 1);
  for (int x = 0; x < 256; ++x) jpegtest::SetPixel(image, x, 0, x, x, x);
  ASSERT_TRUE(ConvertEmbeddedProfileToSrgb(image, *WithProfile(GrayProfile(1.8), jcGrayscale)));
  for (int x = 0; x < 256; ++x) {
    const uint8_t* p = image.ScanLine(0) + 3 * x;
    const auto want = static_cast<int>(std::lround(255 * Encode(std::pow(x / 255.0, 1.8))));
    EXPECT_NEAR(p[0], want, 1) << x;
    EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x;
  }
}

TEST(ColorProfile, ThreadsConvertingAtOnceShareOneTransform) {
  const auto params = WithProfile(Profile(&kDisplayP3), jcYCbCr);
  TBitmap reference;
  CopyImage(*jpegtest::Photo(64, 48), reference);
  ASSERT_TRUE(ConvertEmbeddedProfileToSrgb(reference, *params));
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        TBitmap image;
        CopyImage(*jpegtest::Photo(64, 48), image);
        if (!ConvertEmbeddedProfileToSrgb(image, *params) || !SamePixels(image, reference)) ++mismatches;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches.load(), 0);
}
