// JPEG decode and encode of the camera photos in the shared test data, through
// the binding (ReadJpegStream / WriteJpegStream on memory streams) and, side by
// side, through libjpeg-turbo directly with the same settings and the same
// blue-green-red rows. Both sides allocate their output on every call, as a
// load does. Times are milliseconds per call; MP/s counts image pixels.
// Photos absent: nothing is registered and the run says so.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "codecs/jpeg/jpeg_codec.h"

namespace {

using namespace pix;
using Bytes = std::vector<uint8_t>;

constexpr int kQuality = 80;  // the conversion's quality steps are multiples of 10

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TDirectError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};

void DirectErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TDirectError*>(cinfo->err)->Jump, 1); }

struct TFree {
  void operator()(uint8_t* p) const { std::free(p); }
};
using TPixels = std::unique_ptr<uint8_t, TFree>;

// libjpeg-turbo alone: decode to bottom-up, 4-byte padded blue-green-red rows
// in a fresh zero-filled block, allocated as the working image allocates.
bool DirectDecode(const Bytes& file, TPixels& pixels) {
  jpeg_decompress_struct info{};
  TDirectError err{};
  info.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = DirectErrorExit;
  bool ok = false;
  if (setjmp(err.Jump) == 0) {
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const std::size_t stride = (info.output_width * 3 + 3) & ~std::size_t{3};
    pixels.reset();
    pixels.reset(static_cast<uint8_t*>(std::calloc(stride * info.output_height, 1)));
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = pixels.get() + (info.output_height - 1 - info.output_scanline) * stride;
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    ok = true;
  }
  jpeg_destroy_decompress(&info);
  return ok;
}

// libjpeg-turbo alone: encode the working image's rows, YCbCr, baseline.
std::size_t DirectEncode(TBitmap& image) {
  jpeg_compress_struct info{};
  TDirectError err{};
  info.err = jpeg_std_error(&err.Pub);
  err.Pub.error_exit = DirectErrorExit;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  if (setjmp(err.Jump) == 0) {
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &mem, &size);
    info.image_width = image.Width();
    info.image_height = image.Height();
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_YCbCr);
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      JSAMPROW row = image.ScanLine(static_cast<int32_t>(info.next_scanline));
      jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
  }
  jpeg_destroy_compress(&info);
  std::free(mem);
  return size;
}

void SetCounters(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeBinding(benchmark::State& state, const Bytes& file) {
  TBitmap image;
  TIOParams params;
  for (auto _ : state) {
    TPixMemoryStream stream(file.data(), static_cast<int64_t>(file.size()));
    bool aborted = false;
    TProgressRecord progress;
    progress.Aborting = &aborted;
    ReadJpegStream(stream, image, params, false, progress);
    if (aborted) state.SkipWithError("the binding gave up on the photo");
    benchmark::DoNotOptimize(image.Bits());
  }
  SetCounters(state, int64_t{image.Width()} * image.Height());
}

void DecodeDirect(benchmark::State& state, const Bytes& file, int64_t pixels) {
  TPixels out;
  for (auto _ : state) {
    if (!DirectDecode(file, out)) state.SkipWithError("libjpeg gave up on the photo");
    benchmark::DoNotOptimize(out.get());
  }
  SetCounters(state, pixels);
}

void EncodeBinding(benchmark::State& state, TBitmap& image) {
  TIOParams params;
  params.JpegQuality = kQuality;
  for (auto _ : state) {
    TPixMemoryStream stream;
    bool aborted = false;
    TProgressRecord progress;
    progress.Aborting = &aborted;
    WriteJpegStream(stream, image, params, progress);
    benchmark::DoNotOptimize(stream.Bytes().data());
  }
  SetCounters(state, int64_t{image.Width()} * image.Height());
}

void EncodeDirect(benchmark::State& state, TBitmap& image) {
  for (auto _ : state) benchmark::DoNotOptimize(DirectEncode(image));
  SetCounters(state, int64_t{image.Width()} * image.Height());
}

struct TPhoto {
  std::string Name;
  Bytes File;
  TBitmap Image;
};

// Every photo the binding decodes, with its decoded image for the encoders.
std::vector<std::unique_ptr<TPhoto>> LoadPhotos(const std::string& folder) {
  std::vector<std::unique_ptr<TPhoto>> photos;
  std::error_code ec;
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().extension() == ".jpg") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    auto photo = std::make_unique<TPhoto>();
    photo->Name = path.stem().string();
    photo->File = ReadAll(path.string());
    TPixMemoryStream stream(photo->File.data(), static_cast<int64_t>(photo->File.size()));
    TIOParams params;
    bool aborted = false;
    TProgressRecord progress;
    progress.Aborting = &aborted;
    ReadJpegStream(stream, photo->Image, params, false, progress);
    if (!aborted) photos.push_back(std::move(photo));
  }
  return photos;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const std::string folder = std::string(PIXFOLD_SHARED_TESTDATA) + "/photos";
  auto photos = LoadPhotos(folder);
  if (photos.empty()) std::printf("bench_jpeg: no photos in %s, nothing to measure\n", folder.c_str());
  for (auto& p : photos) {
    TPhoto* photo = p.get();
    const int64_t pixels = int64_t{photo->Image.Width()} * photo->Image.Height();
    benchmark::RegisterBenchmark(("Decode/binding/" + photo->Name).c_str(),
                                 [photo](benchmark::State& s) { DecodeBinding(s, photo->File); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Decode/libjpeg/" + photo->Name).c_str(),
                                 [photo, pixels](benchmark::State& s) { DecodeDirect(s, photo->File, pixels); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Encode/binding/" + photo->Name).c_str(),
                                 [photo](benchmark::State& s) { EncodeBinding(s, photo->Image); })
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Encode/libjpeg/" + photo->Name).c_str(),
                                 [photo](benchmark::State& s) { EncodeDirect(s, photo->Image); })
        ->Unit(benchmark::kMillisecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
