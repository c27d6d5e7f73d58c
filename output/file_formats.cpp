#include "output/file_formats.h"

#include <algorithm>
#include <array>

namespace brevix {

namespace {

using enum TFileFormat;
using enum TWriterKind;

constexpr std::array<TFileFormatRow, 13> kFormats{{
    {".bmp", "BMP", Bmp, Raster},
    {".emf", "EMF", Emf, Metafile},
    {".eps", "EPS", Eps, Vector},
    {".gif", "GIF", Gif, Raster},
    {".jpe", "JPEG", Jpeg, Raster},
    {".jpeg", "JPEG", Jpeg, Raster},
    {".jpg", "JPEG", Jpeg, Raster},
    {".pdf", "PDF", Pdf, Vector},
    {".png", "PNG", Png, Raster},
    {".svg", "SVG", Svg, Vector},
    {".tif", "TIFF", Tiff, Raster},
    {".tiff", "TIFF", Tiff, Raster},
    {".wmf", "WMF", Wmf, Metafile},
}};

constexpr bool Sorted() {
  for (std::size_t i = 1; i < kFormats.size(); ++i)
    if (!(kFormats[i - 1].Extension < kFormats[i].Extension)) return false;
  return true;
}
static_assert(Sorted(), "the extensions stay in alphabetical order, each once");

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameLetters(std::string_view a, std::string_view lower) {
  return a.size() == lower.size() && std::equal(a.begin(), a.end(), lower.begin(),
                                                [](char x, char y) { return Lower(x) == y; });
}

}  // namespace

std::span<const TFileFormatRow> FileFormats() {
  return kFormats;
}

std::string_view ExtensionOf(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return fileName.substr(dot);
}

const TFileFormatRow* FileFormatRowOf(std::string_view fileName) {
  const std::string_view extension = ExtensionOf(fileName);
  for (const TFileFormatRow& row : kFormats)
    if (SameLetters(extension, row.Extension)) return &row;
  return nullptr;
}

TFileFormat FileFormatOf(std::string_view fileName) {
  const TFileFormatRow* row = FileFormatRowOf(fileName);
  return row ? row->Format : None;
}

TWriterKind WriterKindOf(TFileFormat format) {
  for (const TFileFormatRow& row : kFormats)
    if (row.Format == format) return row.Kind;
  return Raster;
}

std::string FileFormatList() {
  std::string list;
  for (std::size_t i = 0; i < kFormats.size(); ++i) {
    if (i > 0) list += i + 1 == kFormats.size() ? " or " : ", ";
    list += kFormats[i].Extension;
  }
  return list;
}

std::string UnknownFormatCause(std::string_view fileName) {
  const std::string_view extension = ExtensionOf(fileName);
  return (extension.empty() ? std::string("the name has no extension")
                            : "unknown picture type \"" + std::string(extension) + "\"") +
         " (use " + FileFormatList() + ")";
}

std::string UnknownFormatMessage(std::string_view fileName) {
  return "cannot write \"" + std::string(fileName) + "\": " + UnknownFormatCause(fileName);
}

}  // namespace brevix
