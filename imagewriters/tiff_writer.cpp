#include <tiffio.h>

#include <algorithm>
#include <cassert>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

// libtiff writes through these procedures into a growing buffer it may seek in.
struct TTiffSink {
  TBytes* Out = nullptr;
  std::uint64_t Pos = 0;
  std::string Error;
};

tmsize_t SinkRead(thandle_t h, void* data, tmsize_t size) {
  auto* sink = static_cast<TTiffSink*>(h);
  const std::uint64_t available = sink->Pos < sink->Out->size() ? sink->Out->size() - sink->Pos : 0;
  const std::uint64_t n = std::min<std::uint64_t>(available, static_cast<std::uint64_t>(size));
  if (n > 0) std::memcpy(data, sink->Out->data() + sink->Pos, n);
  sink->Pos += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t SinkWrite(thandle_t h, void* data, tmsize_t size) {
  auto* sink = static_cast<TTiffSink*>(h);
  const std::uint64_t end = sink->Pos + static_cast<std::uint64_t>(size);
  if (end > sink->Out->size()) sink->Out->resize(end);
  std::memcpy(sink->Out->data() + sink->Pos, data, static_cast<std::size_t>(size));
  sink->Pos = end;
  return size;
}
toff_t SinkSeek(thandle_t h, toff_t offset, int whence) {
  auto* sink = static_cast<TTiffSink*>(h);
  std::int64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<std::int64_t>(sink->Pos);
  if (whence == SEEK_END) base = static_cast<std::int64_t>(sink->Out->size());
  const std::int64_t pos = base + static_cast<std::int64_t>(offset);
  if (pos < 0) return static_cast<toff_t>(-1);
  sink->Pos = static_cast<std::uint64_t>(pos);
  return sink->Pos;
}
int SinkClose(thandle_t) {
  return 0;
}
toff_t SinkSize(thandle_t h) {
  return static_cast<TTiffSink*>(h)->Out->size();
}
int SinkMap(thandle_t, void**, toff_t*) {
  return 0;
}
void SinkUnmap(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* sink = static_cast<TTiffSink*>(user);
  if (sink->Error.empty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    sink->Error = std::string(module ? module : "TIFF") + ": " + text;
  }
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TOptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TTiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

}  // namespace

TBytes EncodeTiff(const TGifImage& image, int dpi) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  TBytes out;
  out.reserve(image.Indices.size() / 8 + 1024);
  TTiffSink sink{&out, 0, {}};
  std::unique_ptr<TIFFOpenOptions, TOptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (!options) throw EImageEncodeError("TIFF: out of memory");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &sink);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &sink);
  std::unique_ptr<TIFF, TTiffDeleter> tif(
      TIFFClientOpenExt("memory", "w", &sink, SinkRead, SinkWrite, SinkSeek, SinkClose, SinkSize,
                        SinkMap, SinkUnmap, options.get()));
  auto fail = [&sink]() {
    throw EImageEncodeError(sink.Error.empty() ? std::string("TIFF: write failed") : sink.Error);
  };
  if (!tif) fail();

  const int bits = image.BitsPerPixel();
  const std::size_t entries = std::size_t{1} << bits;
  std::vector<std::uint16_t> red(entries, 0), green(entries, 0), blue(entries, 0);
  for (std::size_t i = 0; i < image.Palette.size(); ++i) {
    red[i] = static_cast<std::uint16_t>(ColorR(image.Palette[i]) * 257);
    green[i] = static_cast<std::uint16_t>(ColorG(image.Palette[i]) * 257);
    blue[i] = static_cast<std::uint16_t>(ColorB(image.Palette[i]) * 257);
  }
  TIFF* t = tif.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.Width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.Height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(1));
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(PHOTOMETRIC_PALETTE));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(PLANARCONFIG_CONTIG));
  TIFFSetField(t, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(COMPRESSION_LZW));
  TIFFSetField(t, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  const double resolution = dpi > 0 ? dpi : 96.0;
  TIFFSetField(t, TIFFTAG_XRESOLUTION, resolution);
  TIFFSetField(t, TIFFTAG_YRESOLUTION, resolution);
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, static_cast<std::uint16_t>(RESUNIT_INCH));
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

  const int perByte = 8 / bits;
  std::vector<std::uint8_t> row(static_cast<std::size_t>((image.Width + perByte - 1) / perByte));
  const std::size_t width = static_cast<std::size_t>(image.Width);
  for (int y = 0; y < image.Height; ++y) {
    const std::uint8_t* src = image.Indices.data() + static_cast<std::size_t>(y) * width;
    if (bits == 8) {
      std::memcpy(row.data(), src, width);
    } else {
      std::fill(row.begin(), row.end(), std::uint8_t{0});
      for (std::size_t x = 0; x < width; ++x) {
        const std::size_t shift = 8 - static_cast<std::size_t>(bits) * (x % perByte + 1);
        row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | src[x] << shift);
      }
    }
    if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) fail();
  }
  if (!TIFFWriteDirectory(t)) fail();
  tif.reset();
  if (!sink.Error.empty()) fail();
  return out;
}

}  // namespace brevix
