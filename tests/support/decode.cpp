#include "tests/support/decode.h"

#include <png.h>

#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>

#ifdef BREVIX_HAVE_ZXING
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#endif

namespace brevix::test {

namespace {
bool IsDark(char c) {
  return c == '1' || c == '2' || c == 'M';
}
}  // namespace

TGreyImage ImageFromPattern(const std::string& pattern, int ppm, int height, int quiet) {
  TGreyImage img;
  img.Width = (static_cast<int>(pattern.size()) + 2 * quiet) * ppm;
  img.Height = height + 2 * quiet * ppm;
  img.Pixels.assign(static_cast<std::size_t>(img.Width) * static_cast<std::size_t>(img.Height),
                    255);
  for (int y = quiet * ppm; y < quiet * ppm + height; ++y)
    for (std::size_t m = 0; m < pattern.size(); ++m)
      if (IsDark(pattern[m]))
        for (int k = 0; k < ppm; ++k)
          img.Pixels[static_cast<std::size_t>(y * img.Width + (quiet + static_cast<int>(m)) * ppm +
                                              k)] = 0;
  return img;
}

TGreyImage ImageFromRows(const std::vector<std::string>& rows, int ppm, int rowHeight, int quiet) {
  TGreyImage img;
  const int modules = rows.empty() ? 0 : static_cast<int>(rows[0].size());
  img.Width = (modules + 2 * quiet) * ppm;
  img.Height = static_cast<int>(rows.size()) * rowHeight + 2 * quiet * ppm;
  img.Pixels.assign(static_cast<std::size_t>(img.Width) * static_cast<std::size_t>(img.Height),
                    255);
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (int dy = 0; dy < rowHeight; ++dy) {
      const int y = quiet * ppm + static_cast<int>(r) * rowHeight + dy;
      for (std::size_t m = 0; m < rows[r].size(); ++m)
        if (IsDark(rows[r][m]))
          for (int k = 0; k < ppm; ++k)
            img.Pixels[static_cast<std::size_t>(y * img.Width +
                                                (quiet + static_cast<int>(m)) * ppm + k)] = 0;
    }
  return img;
}

bool HaveZXing() {
#ifdef BREVIX_HAVE_ZXING
  return true;
#else
  return false;
#endif
}

std::vector<TDecoded> DecodeWithZXing(const TGreyImage& image) {
  std::vector<TDecoded> out;
#ifdef BREVIX_HAVE_ZXING
  ZXing::ImageView view(image.Pixels.data(), image.Width, image.Height, ZXing::ImageFormat::Lum);
  ZXing::DecodeHints hints;
  hints.setTryHarder(true)
      .setTryRotate(true)
      .setTryCode39ExtendedMode(true)
      .setReturnCodabarStartEnd(true)
      .setEanAddOnSymbol(ZXing::EanAddOnSymbol::Read);
  for (const auto& r : ZXing::ReadBarcodes(view, hints)) {
    if (!r.isValid()) continue;
    out.push_back({ZXing::ToString(r.format()), r.text(), r.symbologyIdentifier()});
  }
#else
  (void)image;
#endif
  return out;
}

void WritePng(const TGreyImage& image, const std::string& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) throw std::runtime_error("cannot write " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed on " + path);
  }
  png_init_io(png, f.get());
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width),
               static_cast<png_uint_32>(image.Height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < image.Height; ++y)
    png_write_row(png, image.Pixels.data() +
                           static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

bool HaveZbar() {
  return std::system("command -v zbarimg >/dev/null 2>&1") == 0;
}

std::vector<std::string> DecodeWithZbar(const std::string& pngPath, const std::string& extraArgs) {
  const std::string cmd =
      "zbarimg -q --nodbus -Sean2.enable -Sean5.enable -Supca.enable "
      "-Supce.enable -Sisbn13.enable " +
      extraArgs + " '" + pngPath + "' 2>/dev/null";
  std::vector<std::string> lines;
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), &pclose);
  if (!p) return lines;
  std::array<char, 4096> buf{};
  while (std::fgets(buf.data(), static_cast<int>(buf.size()), p.get())) {
    std::string line(buf.data());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace brevix::test
