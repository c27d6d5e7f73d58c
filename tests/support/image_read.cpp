#include "tests/support/image_read.h"

// clang-format off
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <gif_lib.h>
#include <png.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <array>
#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace brevix::test {

namespace {

std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}

}  // namespace

TGreyImage TReadImage::Grey() const {
  TGreyImage g;
  g.Width = Width;
  g.Height = Height;
  g.Pixels.resize(Pixels.size());
  for (std::size_t i = 0; i < Pixels.size(); ++i) {
    const std::uint32_t c = Pixels[i];
    const int r = c & 0xFF, gr = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    g.Pixels[i] = static_cast<std::uint8_t>((r * 299 + gr * 587 + b * 114) / 1000);
  }
  return g;
}

std::optional<TReadImage> ReadPngFile(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return std::nullopt;
  TReadImage out;
  out.Width = static_cast<int>(png.width);
  out.Height = static_cast<int>(png.height);
  if (png.format & PNG_FORMAT_FLAG_COLORMAP)
    out.PaletteSize = static_cast<int>(png.colormap_entries);
  png.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return std::nullopt;
  }
  out.Pixels.resize(rgb.size() / 3);
  for (std::size_t i = 0; i < out.Pixels.size(); ++i) {
    out.Pixels[i] = Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  return out;
}

std::optional<TReadImage> ReadGifFile(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif) return std::nullopt;
  if (DGifSlurp(gif) == GIF_ERROR || gif->ImageCount < 1) {
    DGifCloseFile(gif, &error);
    return std::nullopt;
  }
  const SavedImage& frame = gif->SavedImages[0];
  const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
  TReadImage out;
  out.Width = gif->SWidth;
  out.Height = gif->SHeight;
  out.PaletteSize = map ? map->ColorCount : 0;
  GraphicsControlBlock gcb{};
  if (DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK) {
    out.HasGraphicControl = true;
    out.TransparentIndex = gcb.TransparentColor;
    if (map && gcb.TransparentColor >= 0 && gcb.TransparentColor < map->ColorCount) {
      const GifColorType c = map->Colors[gcb.TransparentColor];
      out.TransparentColor = Rgb(c.Red, c.Green, c.Blue);
    }
  }
  out.Pixels.assign(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(out.Height), 0);
  const int fw = frame.ImageDesc.Width, fh = frame.ImageDesc.Height;
  for (int y = 0; y < fh; ++y) {
    for (int x = 0; x < fw; ++x) {
      const int index =
          frame.RasterBits[static_cast<std::size_t>(y) * static_cast<std::size_t>(fw) +
                           static_cast<std::size_t>(x)];
      const GifColorType c = map->Colors[index];
      const int tx = x + frame.ImageDesc.Left, ty = y + frame.ImageDesc.Top;
      if (tx < out.Width && ty < out.Height) {
        out.Pixels[static_cast<std::size_t>(ty) * static_cast<std::size_t>(out.Width) +
                   static_cast<std::size_t>(tx)] = Rgb(c.Red, c.Green, c.Blue);
      }
    }
  }
  DGifCloseFile(gif, &error);
  return out;
}

std::optional<TReadImage> ReadTiffFile(const std::string& path) {
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return std::nullopt;
  std::uint32_t w = 0, h = 0;
  std::uint16_t photometric = 0, bits = 0;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TReadImage out;
  out.Width = static_cast<int>(w);
  out.Height = static_cast<int>(h);
  if (photometric == PHOTOMETRIC_PALETTE) out.PaletteSize = 1 << bits;
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(w) * h);
  const bool ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
  TIFFClose(tif);
  if (!ok) return std::nullopt;
  out.Pixels.resize(raster.size());
  for (std::size_t i = 0; i < raster.size(); ++i) {
    out.Pixels[i] =
        Rgb(static_cast<int>(TIFFGetR(raster[i])), static_cast<int>(TIFFGetG(raster[i])),
            static_cast<int>(TIFFGetB(raster[i])));
  }
  return out;
}

namespace {
struct TJpegReadError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};
void OnJpegError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegReadError*>(cinfo->err)->Jump, 1);
}
bool DecodeJpeg(std::FILE* f, TJpegReadError& error, std::vector<std::uint8_t>& rgb, int& w,
                int& h) {
  jpeg_decompress_struct cinfo;
  cinfo.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnJpegError;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  w = static_cast<int>(cinfo.output_width);
  h = static_cast<int>(cinfo.output_height);
  rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row =
        rgb.data() + std::size_t{cinfo.output_scanline} * static_cast<std::size_t>(w) * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}
}  // namespace

std::optional<TReadImage> ReadJpegFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  TJpegReadError error{};
  std::vector<std::uint8_t> rgb;
  int w = 0, h = 0;
  const bool ok = DecodeJpeg(f, error, rgb, w, h);
  std::fclose(f);
  if (!ok) return std::nullopt;
  TReadImage out;
  out.Width = w;
  out.Height = h;
  out.Pixels.resize(rgb.size() / 3);
  for (std::size_t i = 0; i < out.Pixels.size(); ++i) {
    out.Pixels[i] = Rgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
  }
  return out;
}

std::string RunCommand(const std::string& command, int* exitCode) {
  std::string output;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (exitCode) *exitCode = -1;
    return output;
  }
  std::array<char, 4096> buffer;
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    output.append(buffer.data(), n);
  const int status = pclose(pipe);
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return output;
}

bool HaveImageMagick() {
  int code = 0;
  RunCommand("identify -version >/dev/null 2>&1", &code);
  return code == 0;
}

std::string Identify(const std::string& path) {
  int code = 0;
  std::string out = RunCommand("identify -format '%m %w %h\\n' '" + path + "' 2>/dev/null", &code);
  if (code != 0) return {};
  const auto nl = out.find('\n');
  return nl == std::string::npos ? out : out.substr(0, nl);
}

std::optional<TReadImage> ReadWithImageMagick(const std::string& path) {
  const std::string size = Identify(path);
  if (size.empty()) return std::nullopt;
  std::istringstream in(size);
  std::string format;
  TReadImage out;
  in >> format >> out.Width >> out.Height;
  int code = 0;
  const std::string rgb =
      RunCommand("/usr/bin/convert '" + path + "[0]' -depth 8 rgb:- 2>/dev/null", &code);
  if (code != 0 || rgb.size() != static_cast<std::size_t>(out.Width) *
                                     static_cast<std::size_t>(out.Height) * 3) {
    return std::nullopt;
  }
  out.Pixels.resize(rgb.size() / 3);
  for (std::size_t i = 0; i < out.Pixels.size(); ++i) {
    out.Pixels[i] =
        Rgb(static_cast<std::uint8_t>(rgb[3 * i]), static_cast<std::uint8_t>(rgb[3 * i + 1]),
            static_cast<std::uint8_t>(rgb[3 * i + 2]));
  }
  return out;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TTempDir::TTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "brevix-test-XXXXXX").string();
  if (mkdtemp(pattern.data())) FPath = pattern;
}

TTempDir::~TTempDir() {
  if (FPath.empty()) return;
  std::error_code ec;
  // Restore write permission that a test may have taken away, so everything can go.
  std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(FPath, ec)) {
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(FPath, ec);
}

}  // namespace brevix::test
