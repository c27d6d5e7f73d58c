#include <gif_lib.h>

#include <cassert>
#include <cstring>
#include <memory>

#include "imagewriters/image_writers.h"

namespace brevix {

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
  auto* out = static_cast<TBytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

struct TMapDeleter {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

[[noreturn]] void Fail(const char* step, int error) {
  const char* text = GifErrorString(error);
  throw EImageEncodeError(std::string("GIF ") + step + ": " + (text ? text : "unknown error"));
}

}  // namespace

TBytes EncodeGif(const TGifImage& image) {
  CheckImageSize(image.Width, image.Height);
  assert(!image.Palette.empty() && image.Palette.size() <= kMaxGifColors);
  const int bits = image.BitsPerPixel();
  // giflib needs a power-of-two colour table of at least two entries; unused ones stay black.
  std::unique_ptr<ColorMapObject, TMapDeleter> map(GifMakeMapObject(1 << bits, nullptr));
  if (!map) throw EImageEncodeError("GIF: out of memory");
  std::memset(map->Colors, 0, sizeof(GifColorType) * (std::size_t{1} << bits));
  for (std::size_t i = 0; i < image.Palette.size(); ++i) {
    map->Colors[i] = GifColorType{static_cast<GifByteType>(ColorR(image.Palette[i])),
                                  static_cast<GifByteType>(ColorG(image.Palette[i])),
                                  static_cast<GifByteType>(ColorB(image.Palette[i]))};
  }

  TBytes out;
  out.reserve(image.Indices.size() / 8 + 1024);
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendBytes, &error);
  if (!gif) Fail("open", error);
  // Closes the encoder on every path; on success the close writes the trailer.
  struct TCloser {
    GifFileType* Gif;
    bool Done = false;
    ~TCloser() {
      if (!Done) EGifCloseFile(Gif, nullptr);
    }
  } closer{gif};

  const bool transparent = image.TransparentIndex >= 0;
  EGifSetGifVersion(gif, transparent);
  if (EGifPutScreenDesc(gif, image.Width, image.Height, bits, 0, map.get()) == GIF_ERROR) {
    Fail("screen descriptor", gif->Error);
  }
  if (transparent) {
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = 0;
    gcb.TransparentColor = image.TransparentIndex;
    GifByteType extension[4];
    EGifGCBToExtension(&gcb, extension);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_ERROR) {
      Fail("graphic control extension", gif->Error);
    }
  }
  if (EGifPutImageDesc(gif, 0, 0, image.Width, image.Height, false, nullptr) == GIF_ERROR) {
    Fail("image descriptor", gif->Error);
  }
  // giflib masks the row it is given in place, so it gets a copy.
  std::vector<GifPixelType> row(static_cast<std::size_t>(image.Width));
  for (int y = 0; y < image.Height; ++y) {
    const auto* src = image.Indices.data() + static_cast<std::size_t>(y) * row.size();
    std::memcpy(row.data(), src, row.size());
    if (EGifPutLine(gif, row.data(), image.Width) == GIF_ERROR) Fail("image data", gif->Error);
  }
  closer.Done = true;
  if (EGifCloseFile(gif, &error) == GIF_ERROR) Fail("close", error);
  return out;
}

}  // namespace brevix
