// TIFF codec throughput on a 12-megapixel photo-like image (4000 x 3000), in
// memory streams, beside plain libtiff doing the same job with the same
// settings (24-bit RGB, LZW with the horizontal predictor, libtiff's default
// strip size): reading into 24-bit rows, and writing 24-bit rows.
#include <benchmark/benchmark.h>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codecs/tiff/tiff_codec.h"
#include "photo_like.h"

using namespace pix;
using namespace pixbench;

namespace {


const std::vector<uint8_t>& OurFile() {
  static const std::vector<uint8_t> file = [] {
    TRun run;
    TBitmap image;
    CopyImage(PhotoLike(), image);
    TPixMemoryStream out;
    WriteTiffStream(out, image, nullptr, run.params, run.progress);
    return out.Bytes();
  }();
  return file;
}

// Plain libtiff on a memory buffer: the least a client must supply.
struct TMemory {
  std::vector<uint8_t> Data;
  toff_t At = 0;
};

TIFF* OpenMemory(TMemory& m, const char* mode) {
  return TIFFClientOpen(
      "memory", mode, &m,
      [](thandle_t h, void* buf, tmsize_t n) -> tmsize_t {
        auto& mem = *static_cast<TMemory*>(h);
        const tmsize_t got = std::max<tmsize_t>(0, std::min<tmsize_t>(n, static_cast<tmsize_t>(mem.Data.size()) - static_cast<tmsize_t>(mem.At)));
        std::memcpy(buf, mem.Data.data() + mem.At, static_cast<size_t>(got));
        mem.At += static_cast<toff_t>(got);
        return got;
      },
      [](thandle_t h, void* buf, tmsize_t n) -> tmsize_t {
        auto& mem = *static_cast<TMemory*>(h);
        if (mem.At + static_cast<toff_t>(n) > mem.Data.size()) mem.Data.resize(mem.At + static_cast<toff_t>(n));
        std::memcpy(mem.Data.data() + mem.At, buf, static_cast<size_t>(n));
        mem.At += static_cast<toff_t>(n);
        return n;
      },
      [](thandle_t h, toff_t off, int whence) -> toff_t {
        auto& mem = *static_cast<TMemory*>(h);
        mem.At = whence == SEEK_SET ? off : whence == SEEK_CUR ? mem.At + off : mem.Data.size() + off;
        return mem.At;
      },
      [](thandle_t) { return 0; }, [](thandle_t h) -> toff_t { return static_cast<TMemory*>(h)->Data.size(); },
      [](thandle_t, void**, toff_t*) { return 0; }, [](thandle_t, void*, toff_t) {});
}

void BM_TiffReadOurs(benchmark::State& state) {
  TPixMemoryStream in(OurFile());
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    TPixMask alpha;
    ReadTiffStream(in, image, &alpha, false, run.params, run.progress);
    benchmark::DoNotOptimize(image.Bits());
  }
}

void BM_TiffReadLibtiff(benchmark::State& state) {
  TMemory m;
  m.Data = OurFile();
  for (auto _ : state) {
    m.At = 0;
    TIFF* tif = OpenMemory(m, "rm");
    // A fresh image each time, as our reader fills a newly allocated one.
    std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
    const tmsize_t stripSize = TIFFStripSize(tif);
    uint8_t* at = rgb.data();
    for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
      const tmsize_t room = static_cast<tmsize_t>(rgb.data() + rgb.size() - at);
      const tmsize_t got = TIFFReadEncodedStrip(tif, s, at, std::min(stripSize, room));
      if (got > 0) at += got;
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(rgb.data());
  }
}

void BM_TiffWriteOurs(benchmark::State& state) {
  TBitmap image;
  CopyImage(PhotoLike(), image);
  for (auto _ : state) {
    TRun run;
    TPixMemoryStream out;
    WriteTiffStream(out, image, nullptr, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}

void BM_TiffWriteLibtiff(benchmark::State& state) {
  const std::vector<uint8_t>& rgb = PhotoRgb();
  std::vector<uint8_t> strip;
  for (auto _ : state) {
    TMemory m;
    TIFF* tif = OpenMemory(m, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t{kWidth});
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t{kHeight});
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t{8});
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t{3});
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const uint32_t rows = TIFFDefaultStripSize(tif, 0);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rows);
    const size_t rowBytes = size_t{kWidth} * 3;
    for (uint32_t y = 0, s = 0; y < kHeight; y += rows, ++s) {
      const uint32_t n = std::min<uint32_t>(rows, kHeight - y);
      // libtiff's predictor works in place, so the strip is a copy.
      strip.assign(rgb.begin() + static_cast<long>(y * rowBytes), rgb.begin() + static_cast<long>((y + n) * rowBytes));
      TIFFWriteEncodedStrip(tif, s, strip.data(), static_cast<tmsize_t>(strip.size()));
    }
    TIFFClose(tif);
    benchmark::DoNotOptimize(m.Data.data());
  }
}

}  // namespace

BENCHMARK(BM_TiffReadOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffReadLibtiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffWriteOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiffWriteLibtiff)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
