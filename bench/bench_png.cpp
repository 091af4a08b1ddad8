// PNG codec throughput on a 12-megapixel photo-like image (4000 x 3000), in
// memory streams, beside plain libpng doing the same job with the same
// settings (zlib level 5, libpng's default filters): reading into 24-bit
// rows, and writing 24-bit rows.
#include <benchmark/benchmark.h>

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "codecs/png/png_codec.h"
#include "photo_like.h"

using namespace pix;
using namespace pixbench;

namespace {

constexpr int kLevel = 5;  // the record's default

std::vector<uint8_t> OurFile() {
  static const std::vector<uint8_t> file = [] {
    TRun run;
    TBitmap image;
    CopyImage(PhotoLike(), image);
    TPixMemoryStream out;
    WritePngStream(out, image, nullptr, run.params, run.progress);
    return out.Bytes();
  }();
  return file;
}

std::vector<uint8_t> LibpngWrite(const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> out;
  png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_write_struct(&p, &info);
    return {};
  }
  png_set_write_fn(
      p, &out,
      [](png_structp s, png_bytep data, size_t n) {
        auto* o = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(s));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(p, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(p, kLevel);
  png_write_info(p, info);
  for (int y = 0; y < kHeight; ++y) png_write_row(p, rgb.data() + size_t(y) * kWidth * 3);
  png_write_end(p, info);
  png_destroy_write_struct(&p, &info);
  return out;
}

bool LibpngRead(const std::vector<uint8_t>& file, std::vector<uint8_t>& rgb) {
  struct Source {
    const std::vector<uint8_t>* Data;
    size_t At;
  } source{&file, 0};
  png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(p);
  if (setjmp(png_jmpbuf(p))) {
    png_destroy_read_struct(&p, &info, nullptr);
    return false;
  }
  png_set_read_fn(p, &source, [](png_structp s, png_bytep out, size_t n) {
    auto* src = static_cast<Source*>(png_get_io_ptr(s));
    if (src->At + n > src->Data->size()) png_error(s, "end of data");
    std::memcpy(out, src->Data->data() + src->At, n);
    src->At += n;
  });
  png_read_info(p, info);
  png_read_update_info(p, info);
  for (uint32_t y = 0; y < png_get_image_height(p, info); ++y) png_read_row(p, rgb.data() + size_t(y) * kWidth * 3, nullptr);
  png_read_end(p, nullptr);
  png_destroy_read_struct(&p, &info, nullptr);
  return true;
}

void BM_PngReadOurs(benchmark::State& state) {
  const std::vector<uint8_t> file = OurFile();
  TPixMemoryStream in(file);
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    TPixMask alpha;
    ReadPngStream(in, image, &alpha, false, run.params, run.progress);
    benchmark::DoNotOptimize(image.Bits());
  }
}

void BM_PngReadLibpng(benchmark::State& state) {
  const std::vector<uint8_t> file = OurFile();
  for (auto _ : state) {
    // A fresh image each time, as our reader fills a newly allocated one.
    std::vector<uint8_t> rgb(size_t{kWidth} * kHeight * 3);
    LibpngRead(file, rgb);
    benchmark::DoNotOptimize(rgb.data());
  }
}

void BM_PngWriteOurs(benchmark::State& state) {
  TBitmap image;
  CopyImage(PhotoLike(), image);
  for (auto _ : state) {
    TRun run;
    TPixMemoryStream out;
    WritePngStream(out, image, nullptr, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}

void BM_PngWriteLibpng(benchmark::State& state) {
  const std::vector<uint8_t>& rgb = PhotoRgb();
  for (auto _ : state) {
    std::vector<uint8_t> file = LibpngWrite(rgb);
    benchmark::DoNotOptimize(file.data());
  }
}

}  // namespace

BENCHMARK(BM_PngReadOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngReadLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWriteOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngWriteLibpng)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
