#pragma once
// The picture files the library, the control and the tool write: one row per extension, read by
// the Linux export, the Windows export, the module-mode writer and the tool's help, so that every
// one of them knows the same names and says the same thing about an unknown one.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brevix {

enum class TFileFormat : std::uint8_t { None, Bmp, Emf, Eps, Gif, Jpeg, Pdf, Png, Svg, Tiff, Wmf };

// How a format is made: pixels encoded, a recording of the drawing calls, or a document of bars
// and text written from the module-mode layout.
enum class TWriterKind : std::uint8_t { Raster, Metafile, Vector };

struct TFileFormatRow {
  std::string_view Extension;  // lower case, with its dot
  std::string_view Name;
  TFileFormat Format;
  TWriterKind Kind;
};

// Every extension, in alphabetical order.
std::span<const TFileFormatRow> FileFormats();

// From the last dot after the last slash or backslash; empty when there is none.
std::string_view ExtensionOf(std::string_view fileName);

// The row of the name's extension, compared without regard to case; nullptr for none.
const TFileFormatRow* FileFormatRowOf(std::string_view fileName);
TFileFormat FileFormatOf(std::string_view fileName);
TWriterKind WriterKindOf(TFileFormat format);

// The extensions for messages: ".bmp, .emf, ... or .wmf".
std::string FileFormatList();

// Why fileName names no format, with the extensions that work: `unknown picture type ".xyz"
// (use .bmp, ...)` or `the name has no extension (use .bmp, ...)`.
std::string UnknownFormatCause(std::string_view fileName);
// The whole message both platforms raise: `cannot write "NAME": ` and the cause above.
std::string UnknownFormatMessage(std::string_view fileName);

}  // namespace brevix
