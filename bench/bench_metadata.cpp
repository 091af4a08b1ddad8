// Upright pictures and chosen metadata, one thread. Orientation of a 12 MP
// photo for every EXIF tag beside one quarter turn (the reference: turning
// must cost no more than that), both as the pixel moves alone and through the
// processing frame the pipeline uses. Then the per-photo metadata cost on the
// camera photos of the shared test data: the compact rewrite (beside exiv2's
// plain decode of the same EXIF blocks, maker notes included), the keep-all
// restatement, the colour-profile verdict, and the sRGB conversion at the
// written size and at full size.
#include <benchmark/benchmark.h>

#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codecs/metadata/color_profile.h"
#include "codecs/metadata/jpeg_metadata.h"
#include "imaging/orient.h"
#include "imaging/pix_image_proc.h"
#include "imaging/rotate.h"
#include "io/pix_image.h"

namespace {

using namespace pix;

void MakePhoto(TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, TPixelFormat::TrueColor);
  std::mt19937 rng(42);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t noise = rng();
      row[3 * x] = static_cast<uint8_t>(x * 255 / w + (noise & 15));
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / h + (noise >> 8 & 15));
      row[3 * x + 2] = static_cast<uint8_t>((x + y) * 127 / (w + h) + (noise >> 16 & 31));
    }
  }
}

void MegapixelRate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(pixels) * state.iterations() / 1e6, benchmark::Counter::kIsRate);
}

// The pixel moves alone, into a bitmap that already has a block. Arg: the
// EXIF orientation; 0 is the reference, one QuarterTurnLeft.
void BM_OrientPixels(benchmark::State& state) {
  const int o = static_cast<int>(state.range(0));
  TBitmap photo, dest;
  MakePhoto(photo, 4000, 3000);
  if (o == 0)
    QuarterTurnLeft(photo, dest);
  else
    OrientToUpright(photo, dest, o);
  for (auto _ : state) {
    if (o == 0)
      QuarterTurnLeft(photo, dest);
    else
      OrientToUpright(photo, dest, o);
    benchmark::DoNotOptimize(dest.Bits());
  }
  MegapixelRate(state, 4000 * 3000);
}
BENCHMARK(BM_OrientPixels)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

// Through the processing frame with AutoUndo, as the pipeline calls it. Arg:
// the EXIF orientation; 0 is the reference, RotateByDegrees(90). Each call
// starts from the photo as loaded.
void BM_OrientUpright(benchmark::State& state) {
  const int o = static_cast<int>(state.range(0));
  TBitmap photo, image;
  MakePhoto(photo, 4000, 3000);
  TPixImageProc proc;
  proc.SetBitmap(&image);
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(photo, image);
    state.ResumeTiming();
    if (o == 0)
      proc.RotateByDegrees(90, false);
    else
      proc.OrientUpright(o);
    benchmark::DoNotOptimize(image.Bits());
  }
  MegapixelRate(state, 4000 * 3000);
}
BENCHMARK(BM_OrientUpright)->DenseRange(0, 8)->Unit(benchmark::kMillisecond);

// The markers and colour space of every camera photo, read without decoding
// pixels.
struct Photo {
  std::string Name;
  TPixMarkerList Markers;
  TJpegColorSpace ColorSpace = jcYCbCr;
};

const std::vector<Photo>& Photos() {
  static const std::vector<Photo> photos = [] {
    std::vector<Photo> out;
    const std::filesystem::path folder = std::filesystem::path(PIXFOLD_SHARED_TESTDATA) / "photos";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().extension() != ".jpg") continue;
      TPixImage image;
      image.IO().ParamsFromJpegFile(entry.path().string());
      if (image.AbortFlag()) continue;
      out.push_back({entry.path().stem().string(), {}, image.ParamRecord().JpegColorSpace});
      out.back().Markers.Assign(image.ParamRecord().MarkerList());
    }
    return out;
  }();
  return photos;
}

// Runs each on every photo once per iteration; "per_photo" is the CPU time
// per call (each returns whether it counted).
template <typename Each>
void PerPhoto(benchmark::State& state, Each each) {
  const auto& photos = Photos();
  if (photos.empty()) {
    state.SkipWithError("no shared camera photos");
    return;
  }
  int64_t calls = 0;
  for (auto _ : state)
    for (const Photo& p : photos) calls += each(p) ? 1 : 0;
  state.counters["per_photo"] = benchmark::Counter(static_cast<double>(calls),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CompactRewrite(benchmark::State& state) {
  const TMetadataTarget target{.Mode = mdCompact, .Width = 240, .Height = 180, .Orientation = 1};
  PerPhoto(state, [&](const Photo& p) {
    benchmark::DoNotOptimize(RewriteJpegMarkers(p.Markers, target));
    return true;
  });
}
BENCHMARK(BM_CompactRewrite)->Unit(benchmark::kMillisecond);

void BM_KeepAllRestate(benchmark::State& state) {
  const TMetadataTarget target{.Mode = mdKeepAll, .Width = 240, .Height = 180, .Orientation = 1};
  PerPhoto(state, [&](const Photo& p) {
    benchmark::DoNotOptimize(RewriteJpegMarkers(p.Markers, target));
    return true;
  });
}
BENCHMARK(BM_KeepAllRestate)->Unit(benchmark::kMillisecond);

// Reference: exiv2 decoding each photo's whole EXIF block, maker note included.
void BM_Exiv2DecodeReference(benchmark::State& state) {
  Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
  PerPhoto(state, [](const Photo& p) {
    const int i = p.Markers.IndexOf(0xE1);
    if (i < 0 || p.Markers.MarkerLength(i) < 6) return true;
    Exiv2::ExifData data;
    Exiv2::ExifParser::decode(data, p.Markers.MarkerData(i) + 6, static_cast<uint32_t>(p.Markers.MarkerLength(i) - 6));
    benchmark::DoNotOptimize(data.count());
    return true;
  });
}
BENCHMARK(BM_Exiv2DecodeReference)->Unit(benchmark::kMillisecond);

// The verdict on the profile of each photo that has one (per_photo counts
// those). Arg 1: judged afresh each time (another profile is judged in
// between), as for the first photo of a camera; 0: the photo's profile again,
// as for the photos after it.
void BM_ProfileVerdict(benchmark::State& state) {
  const bool fresh = state.range(0) != 0;
  cmsHPROFILE other = cmsCreateLab4Profile(nullptr);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(other, nullptr, &size);
  std::vector<uint8_t> otherBytes(size);
  cmsSaveProfileToMem(other, otherBytes.data(), &size);
  cmsCloseProfile(other);
  PerPhoto(state, [&](const Photo& p) {
    const std::vector<uint8_t> profile = JoinIccProfile(p.Markers);
    if (profile.empty()) return false;
    state.PauseTiming();
    if (fresh)
      JudgeIccProfile(otherBytes, jcGrayscale);
    else
      JudgeIccProfile(profile, p.ColorSpace);
    state.ResumeTiming();
    benchmark::DoNotOptimize(JudgeIccProfile(profile, p.ColorSpace));
    return true;
  });
}
BENCHMARK(BM_ProfileVerdict)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The sRGB conversion of a Display P3 photo (012mp-bus) at the written size
// (240 x 180) and at its full 4032 x 3024, transform kept between calls.
void BM_ConvertToSrgb(benchmark::State& state) {
  const Photo* bus = nullptr;
  for (const Photo& p : Photos())
    if (p.Name == "012mp-bus") bus = &p;
  if (!bus) {
    state.SkipWithError("no 012mp-bus.jpg");
    return;
  }
  auto params = std::make_unique<TIOParams>();
  params->MarkerList().Assign(bus->Markers);
  const auto w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  TBitmap photo, image;
  MakePhoto(photo, w, h);
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(photo, image);
    state.ResumeTiming();
    benchmark::DoNotOptimize(ConvertEmbeddedProfileToSrgb(image, *params));
  }
  MegapixelRate(state, int64_t{w} * h);
}
BENCHMARK(BM_ConvertToSrgb)->Args({240, 180})->Args({4032, 3024})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
