#include "bench/zint_side.h"

#include <zint.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace brevix::bench {

namespace {

struct TZintDeleter {
  void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};
using TZintSymbol = std::unique_ptr<zint_symbol, TZintDeleter>;

TZintSymbol Encoded(const TBenchRow& row, const char* outFile = nullptr) {
  TZintSymbol s(ZBarcode_Create());
  if (!s) throw std::runtime_error("zint: out of memory");
  s->symbology = row.ZintSymbology;
  s->show_hrt = row.Caption ? 1 : 0;
  if (row.ZintColumns > 0) s->option_2 = row.ZintColumns;
  if (outFile) std::strncpy(s->outfile, outFile, sizeof s->outfile - 1);
  const auto* data = reinterpret_cast<const unsigned char*>(row.Text.data());
  if (ZBarcode_Encode(s.get(), data, static_cast<int>(row.Text.size())) >= ZINT_ERROR)
    throw std::runtime_error(std::string("zint encode: ") + s->errtxt);
  return s;
}

}  // namespace

TZintSize ZintImageSize(const TBenchRow& row) {
  TZintSymbol s = Encoded(row);
  if (ZBarcode_Buffer(s.get(), 0) >= ZINT_ERROR)
    throw std::runtime_error(std::string("zint buffer: ") + s->errtxt);
  return {s->bitmap_width, s->bitmap_height};
}

int ZintEncode(const TBenchRow& row) {
  return Encoded(row)->width;
}

int ZintRaster(const TBenchRow& row) {
  TZintSymbol s = Encoded(row);
  if (ZBarcode_Buffer(s.get(), 0) >= ZINT_ERROR)
    throw std::runtime_error(std::string("zint buffer: ") + s->errtxt);
  return s->bitmap_width;
}

void ZintPng(const TBenchRow& row, const std::string& fileName) {
  TZintSymbol s = Encoded(row, fileName.c_str());
  if (ZBarcode_Print(s.get(), 0) >= ZINT_ERROR)
    throw std::runtime_error(std::string("zint print: ") + s->errtxt);
}

}  // namespace brevix::bench
