// Decoding a 12-megapixel HEIC and a 12-megapixel WebP through our readers
// (ReadHeifStream / ReadWebpStream on memory streams, into the working image
// and its alpha plane) and, side by side, through the libraries' own decode
// calls: libheif's parse and heif_decode_image to interleaved RGB, libwebp's
// WebPDecodeBGRInto into a buffer kept between calls. The files are made at
// start-up with our writers (quality 85) from the 12 MP photo of the shared
// test data, or from a painted picture of that size when it is absent. Times
// are milliseconds per call; MP/s counts image pixels.
#include <benchmark/benchmark.h>

#include <libheif/heif.h>
#include <webp/decode.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "codecs/heif/heif_codec.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/webp/webp_codec.h"

namespace {

using namespace pix;
using Bytes = std::vector<uint8_t>;

constexpr int kQuality = 85;
constexpr int32_t kWidth = 4032, kHeight = 3024;

struct TRun {
  bool Aborted = false;
  TFailureReason Reason = frNone;
  TProgressRecord Progress{.Aborting = &Aborted, .Reason = &Reason};
};

// The shared 12 MP photo, or gradients with a fine texture of that size.
void SourcePicture(TBitmap& image) {
  std::ifstream in(std::string(PIXFOLD_SHARED_TESTDATA) + "/photos/012mp-bus.jpg", std::ios::binary);
  const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!file.empty()) {
    TPixMemoryStream stream(file.data(), static_cast<int64_t>(file.size()));
    TIOParams params;
    TRun run;
    ReadJpegStream(stream, image, params, false, run.Progress);
    if (!run.Aborted) return;
  }
  std::printf("bench_heif_webp: shared photo absent, painting a picture\n");
  image.Allocate(kWidth, kHeight, TPixelFormat::TrueColor);
  uint32_t seed = 1;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      seed = seed * 1103515245u + 12345u;
      uint8_t* p = image.ScanLine(y) + x * 3;
      const int noise = static_cast<int>((seed >> 16) % 16);
      p[0] = static_cast<uint8_t>(x * 200 / kWidth + noise);
      p[1] = static_cast<uint8_t>(y * 200 / kHeight + noise);
      p[2] = static_cast<uint8_t>((x + y) % 200 + noise);
    }
}

Bytes Encode(TCodecWrite write, TBitmap& image) {
  TIOParams params;
  params.JpegQuality = kQuality;
  TPixMemoryStream stream;
  TRun run;
  write(stream, image, nullptr, params, run.Progress);
  return run.Aborted ? Bytes{} : stream.Bytes();
}

void SetCounters(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeOurs(benchmark::State& state, const Bytes& file, TCodecRead read) {
  TBitmap image;
  TPixMask alpha;
  for (auto _ : state) {
    TPixMemoryStream stream(file.data(), static_cast<int64_t>(file.size()));
    TIOParams params;
    TRun run;
    read(stream, image, &alpha, false, params, run.Progress);
    if (run.Aborted) state.SkipWithError(FailureText(run.Reason));
    benchmark::DoNotOptimize(image.Bits());
  }
  SetCounters(state);
}

void DecodeLibheif(benchmark::State& state, const Bytes& file) {
  for (auto _ : state) {
    heif_context* ctx = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* img = nullptr;
    if (heif_context_read_from_memory_without_copy(ctx, file.data(), file.size(), nullptr).code != heif_error_Ok ||
        heif_context_get_primary_image_handle(ctx, &handle).code != heif_error_Ok ||
        heif_decode_image(handle, &img, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code !=
            heif_error_Ok)
      state.SkipWithError("libheif gave up");
    int stride = 0;
    benchmark::DoNotOptimize(heif_image_get_plane_readonly(img, heif_channel_interleaved, &stride));
    heif_image_release(img);
    heif_image_handle_release(handle);
    heif_context_free(ctx);
  }
  SetCounters(state);
}

void DecodeLibwebp(benchmark::State& state, const Bytes& file) {
  const int stride = kWidth * 3;
  Bytes out(static_cast<std::size_t>(stride) * kHeight);
  for (auto _ : state) {
    if (!WebPDecodeBGRInto(file.data(), file.size(), out.data(), out.size(), stride))
      state.SkipWithError("libwebp gave up");
    benchmark::DoNotOptimize(out.data());
  }
  SetCounters(state);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TBitmap source;
  SourcePicture(source);
  if (source.Width() != kWidth || source.Height() != kHeight) {
    std::printf("bench_heif_webp: the photo is not %dx%d\n", kWidth, kHeight);
    return 1;
  }
  static Bytes heic = CanWriteHeic() ? Encode(WriteHeicStream, source) : Bytes{};
  static Bytes webp = Encode(WriteWebpStream, source);
  std::printf("bench_heif_webp: HEIC %zu bytes, WebP %zu bytes\n", heic.size(), webp.size());
  if (!heic.empty()) {
    benchmark::RegisterBenchmark("Decode/ours/heic12mp", [](benchmark::State& s) { DecodeOurs(s, heic, ReadHeifStream); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Decode/libheif/heic12mp", [](benchmark::State& s) { DecodeLibheif(s, heic); })
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RegisterBenchmark("Decode/ours/webp12mp", [](benchmark::State& s) { DecodeOurs(s, webp, ReadWebpStream); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("Decode/libwebp/webp12mp", [](benchmark::State& s) { DecodeLibwebp(s, webp); })
      ->Unit(benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
