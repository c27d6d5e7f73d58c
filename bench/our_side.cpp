#include "bench/our_side.h"

#include <stdexcept>
#include <vector>

#include "pdf417/pdf417.h"
#include "render/draw.h"
#if BREVIX_BENCH_HAVE_MODULE_MODE
#include "encode/build_symbol.h"
#endif

namespace brevix::bench {

TOurSide::TOurSide(const TBenchRow& row, int width, int height)
    : FRow(row), FBitmap(width, height) {
  FControl.SetTypeBar(row.TypeBar);
  FControl.SetText(row.Text);
  FControl.SetDisplay(row.Caption ? csOutputCode : csOutputNone);
  FControl.SetBounds(0, 0, width, height);
  FCanvas = std::make_unique<TRasterCanvas>(FBitmap);
#if BREVIX_BENCH_HAVE_MODULE_MODE
  FModuleOptions.ShowText = row.Caption;
#endif
  if (Encode() == 0) throw std::runtime_error(std::string("cannot encode ") + row.Name);
}

std::size_t TOurSide::Encode() {
  if (FRow.TypeBar != csCodePDF417) return FControl.EncodeText(FControl.Text()).Pattern.size();
  const TPDF417& p = FControl.PDF417();
  int cols = p.Cols();
  int rows = p.Rows();
  return PDF417BuildRows(FControl.Text(), cols, rows, p.Truncated(), p.Mode(), p.SecurityLevel())
      .size();
}

void TOurSide::Paint() {
  DrawBarCode(*FCanvas, FControl.ClientRect(), FControl);
}

#if BREVIX_BENCH_HAVE_EXPORT
void TOurSide::PaintToPng(const std::string& fileName) {
  DrawToFile(FControl, fileName);
}
#endif

#if BREVIX_BENCH_HAVE_MODULE_MODE
void TOurSide::ModuleModeToPng(const std::string& fileName) {
  const TBuiltSymbol built = BuildSymbol(FRow.TypeBar, FRow.Text);
  WriteModuleModeFile(fileName, built.Symbol, FModuleOptions, FModuleContext);
}
#endif

}  // namespace brevix::bench
