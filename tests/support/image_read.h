#pragma once
// Independent readers for the files the writers produce: libpng, giflib, libtiff and libjpeg
// read them back, ImageMagick's identify and convert check them from outside the process.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/decode.h"

namespace brevix::test {

struct TReadImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0x00BBGGRR, row-major, top row first
  int PaletteSize = 0;                // 0 for a true-colour file
  int TransparentIndex = -1;          // GIF graphic control extension
  std::uint32_t TransparentColor = 0;
  bool HasGraphicControl = false;

  std::uint32_t At(int x, int y) const {
    return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                  static_cast<std::size_t>(x)];
  }
  // Luma, 0 = black, for the barcode decoders.
  TGreyImage Grey() const;
};

// Each returns nothing when the library rejects the file.
std::optional<TReadImage> ReadPngFile(const std::string& path);
std::optional<TReadImage> ReadGifFile(const std::string& path);
std::optional<TReadImage> ReadTiffFile(const std::string& path);
std::optional<TReadImage> ReadJpegFile(const std::string& path);
// Any format ImageMagick knows (used for BMP), through `convert FILE rgb:-`.
std::optional<TReadImage> ReadWithImageMagick(const std::string& path);

// identify's "FORMAT WIDTH HEIGHT" for the first frame, empty when it cannot read the file.
std::string Identify(const std::string& path);
bool HaveImageMagick();

// Runs a shell command, returns its standard output; exitCode receives the exit status.
std::string RunCommand(const std::string& command, int* exitCode = nullptr);
std::string ReadFileBytes(const std::string& path);
// A fresh empty directory under the system's temporary directory, removed by the destructor.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

}  // namespace brevix::test
