// A control set up from arbitrary bytes, exported to every file format into a scratch directory:
// pictures up to a few hundred thousand pixels, metafiles, names of every case, unknown
// extensions. Each file written starts as its format does; a refused export leaves nothing.

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/control.h"
#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_support.h"
#include "imagewriters/image_file.h"
#include "pdf417/pdf417.h"
#include "render/export.h"

namespace {

using namespace brevix;

std::string_view MagicOf(TExportFormat format) {
  using namespace std::string_view_literals;
  switch (format) {
    case TExportFormat::Bmp:
      return "BM"sv;
    case TExportFormat::Gif:
      return "GIF8"sv;
    case TExportFormat::Png:
      return "\x89PNG"sv;
    case TExportFormat::Tiff:
      return "II*"sv;
    case TExportFormat::Jpeg:
      return "\xff\xd8\xff"sv;
    case TExportFormat::Wmf:
      return "\xd7\xcd\xc6\x9a"sv;
    case TExportFormat::Emf:
      return "\x01\0\0\0"sv;
    case TExportFormat::Svg:
      return "<?xml"sv;
    case TExportFormat::Eps:
      return "%!PS-Adobe"sv;
    case TExportFormat::Pdf:
      return "%PDF-"sv;
    case TExportFormat::None:
      break;
  }
  return {};
}

std::string Head(const std::string& file, std::size_t size) {
  std::string head(size, '\0');
  std::ifstream in(file, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(size));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return head;
}

// Exports under name; checks the file against the format its extension names.
void Export(TCustomBC& bc, const fuzz::TScratchDir& scratch, const std::string& name,
            const TBitmap* picture) {
  const std::string file = scratch.File(name);
  const TExportFormat format = ExportFormatOf(name);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  try {
    if (picture)
      WriteRenderedFile(bc, *picture, file);
    else
      DrawToFile(bc, file);
    fuzz::Require(format != TExportFormat::None, "an unknown extension was written");
    fuzz::Require(Head(file, MagicOf(format).size()) == MagicOf(format),
                  "the file does not start as its format does");
  } catch (const EImageWriteError& e) {
    fuzz::Require(e.FileName() == file, "a write error names another file");
    fuzz::Require(!std::filesystem::exists(file), "a refused export left a file");
  } catch (const EPDF417Error&) {
  }
  fuzz::Require(!scratch.HoldsTemporaries(), "a temporary file was left");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::TScratchDir scratch;
  scratch.Empty();
  FuzzedDataProvider in(data, size);
  TBrevixBC bc;
  try {
    bc.SetTypeBar(static_cast<TTypeBar>(in.ConsumeIntegralInRange<int>(0, kTypeBarCount)));
    bc.SetAngle(static_cast<TAngleType>(in.ConsumeIntegralInRange<int>(0, 4)));
    bc.SetDisplay(static_cast<TDisplayType>(in.ConsumeIntegralInRange<int>(0, 4)));
    bc.SetTransparent(in.ConsumeBool());
    bc.SetRatio(in.ConsumeIntegralInRange<int>(-3, 4));
    bc.SetColor_Back(in.ConsumeIntegral<std::uint32_t>() & 0xFFFFFF);
    // Up to 640 x 480: past the 65,536 pixels other targets paint, short of slow.
    const int width = in.ConsumeIntegralInRange<int>(-2, 640);
    bc.SetBounds(0, 0, width, in.ConsumeIntegralInRange<int>(-2, 480));
    const std::string stem = in.ConsumeRandomLengthString(16);
    bc.SetText(in.ConsumeRandomLengthString(512));
    // The stem stays one name inside the scratch directory.
    std::string safe;
    for (const char c : stem) safe += c == '/' || c == '\0' ? '_' : c;
    if (safe.empty() || safe == "." || safe == "..") safe = "x";
    // The writer's temporaries have names of this shape: one left behind is a finding.
    if (safe.starts_with(".brevix-")) safe[0] = '_';
    for (const TExportExtension& row : ExportExtensions()) {
      std::string ext(row.Extension);
      if (in.ConsumeBool())
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      Export(bc, scratch, safe + ext, nullptr);
    }
    // One picture drawn before it is written, and a name the export does not know.
    // It too stays in the scratch directory: no slash, no NUL.
    std::string extension = in.ConsumeRandomLengthString(8);
    for (char& c : extension)
      if (c == '/' || c == '\0') c = '_';
    if (bc.Width() > 0 && bc.Height() > 0 &&
        std::int64_t{bc.Width()} * bc.Height() <= kMaxImagePixels) {
      const TBitmap& picture = RenderForExport(bc);
      Export(bc, scratch, safe + ".png", &picture);
    }
    Export(bc, scratch, safe + "." + extension, nullptr);
  } catch (const EPDF417Error&) {
  }
  return 0;
}
