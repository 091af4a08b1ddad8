// PNM, TGA, PCX (4000 x 3000) and icon (256 x 256) read and write throughput
// in memory streams, beside the floor of copying the pixels into a fresh
// image of the same size.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "codecs/ico/ico_codec.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/tga/tga_codec.h"

#include "photo_like.h"

using namespace pix;

namespace {

const TBitmap& Photo() {
  static const auto image = pixbench::MakePhotoLike(pixbench::kWidth, pixbench::kHeight);
  return *image;
}

const TBitmap& Icon() {
  static const auto image = pixbench::MakePhotoLike(256, 256);
  return *image;
}

using pixbench::TRun;

std::vector<uint8_t> Encode(TCodecWrite write, const TBitmap& source, bool rle) {
  TRun run;
  run.params.TgaCompressed = rle;
  run.params.PcxCompression = rle ? 1 : 0;
  TBitmap image;
  CopyImage(source, image);
  TPixMemoryStream out;
  write(out, image, nullptr, run.params, run.progress);
  return out.Bytes();
}

void Write(benchmark::State& state, TCodecWrite write, const TBitmap& source, bool rle) {
  TBitmap image;
  CopyImage(source, image);
  for (auto _ : state) {
    TRun run;
    run.params.TgaCompressed = rle;
    run.params.PcxCompression = rle ? 1 : 0;
    TPixMemoryStream out;
    write(out, image, nullptr, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  state.SetBytesProcessed(state.iterations() * image.ByteSize());
}

void Read(benchmark::State& state, TCodecRead read, TCodecWrite write, const TBitmap& source, bool rle) {
  const std::vector<uint8_t> file = Encode(write, source, rle);
  TPixMemoryStream in(file);
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    TPixMask alpha;
    read(in, image, &alpha, false, run.params, run.progress);
    benchmark::DoNotOptimize(image.Bits());
  }
  state.SetBytesProcessed(state.iterations() * source.ByteSize());
}

// The floor: the pixels copied into a freshly allocated image, as every
// reader must fill one.
void Copy(benchmark::State& state, const TBitmap& source) {
  for (auto _ : state) {
    TBitmap dest(source.Width(), source.Height(), TPixelFormat::TrueColor);
    std::memcpy(dest.Bits(), source.Bits(), static_cast<size_t>(dest.ByteSize()));
    benchmark::DoNotOptimize(dest.Bits());
  }
  state.SetBytesProcessed(state.iterations() * source.ByteSize());
}

void BM_MemcpyPixels_4000x3000(benchmark::State& s) { Copy(s, Photo()); }
void BM_ReadPnmP6(benchmark::State& s) { Read(s, ReadPnmStream, WritePnmStream, Photo(), false); }
void BM_WritePnmP6(benchmark::State& s) { Write(s, WritePnmStream, Photo(), false); }
void BM_ReadTga24(benchmark::State& s) { Read(s, ReadTgaStream, WriteTgaStream, Photo(), false); }
void BM_WriteTga24(benchmark::State& s) { Write(s, WriteTgaStream, Photo(), false); }
void BM_ReadTga24Rle(benchmark::State& s) { Read(s, ReadTgaStream, WriteTgaStream, Photo(), true); }
void BM_WriteTga24Rle(benchmark::State& s) { Write(s, WriteTgaStream, Photo(), true); }
void BM_ReadPcx24Rle(benchmark::State& s) { Read(s, ReadPcxStream, WritePcxStream, Photo(), true); }
void BM_WritePcx24Rle(benchmark::State& s) { Write(s, WritePcxStream, Photo(), true); }
void BM_MemcpyPixels_256x256(benchmark::State& s) { Copy(s, Icon()); }
void BM_ReadIco24(benchmark::State& s) { Read(s, ReadIcoStream, WriteIcoStream, Icon(), false); }
void BM_WriteIco24(benchmark::State& s) { Write(s, WriteIcoStream, Icon(), false); }

}  // namespace

BENCHMARK(BM_MemcpyPixels_4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPnmP6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePnmP6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTga24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTga24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTga24Rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTga24Rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPcx24Rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WritePcx24Rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyPixels_256x256)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadIco24)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteIco24)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
