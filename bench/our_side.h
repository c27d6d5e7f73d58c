#pragma once
// Our side of each row: one control set up like the host would, one bitmap and canvas reused for
// every barcode as a painting window reuses its surface.

#include <cstddef>
#include <memory>
#include <string>

#include "bench/bench_rows.h"
#include "core/control.h"
#include "platform/bitmap.h"
#include "platform/raster_canvas.h"

// Module mode joins the benchmark once its layers are part of the build.
#if __has_include("output/module_mode.h")
#include "output/module_mode.h"
#define BREVIX_BENCH_HAVE_MODULE_MODE 1
#else
#define BREVIX_BENCH_HAVE_MODULE_MODE 0
#endif

// File output joins the benchmark once the export is part of the library.
#if __has_include("render/export.h")
#include "render/export.h"
#define BREVIX_BENCH_HAVE_EXPORT 1
#else
#define BREVIX_BENCH_HAVE_EXPORT 0
#endif

namespace brevix::bench {

class TOurSide {
 public:
  TOurSide(const TBenchRow& row, int width, int height);

  // Encode only: the dispatcher for linear rows, the row builder for PDF417. Returns the size of
  // the result so that the work cannot be optimised away.
  std::size_t Encode();
  // Encode and paint into the bitmap.
  void Paint();
#if BREVIX_BENCH_HAVE_EXPORT
  // Encode, paint and write a PNG file: the control's own export.
  void PaintToPng(const std::string& fileName);
#endif

#if BREVIX_BENCH_HAVE_MODULE_MODE
  // Text to symbol, layout in module mode (2 pixels per module, quiet zones), raster and PNG
  // file: what the tool does by default.
  void ModuleModeToPng(const std::string& fileName);
#endif

  const TBitmap& Bitmap() const {
    return FBitmap;
  }

 private:
  const TBenchRow& FRow;
  TBrevixBC FControl;
  TBitmap FBitmap;
  std::unique_ptr<TRasterCanvas> FCanvas;
#if BREVIX_BENCH_HAVE_MODULE_MODE
  TModuleOptions FModuleOptions;
  TModuleModeContext FModuleContext;
#endif
};

}  // namespace brevix::bench
