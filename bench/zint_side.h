#pragma once
// The peer: libzint doing the same work per barcode. A zint symbol is created and deleted for
// every barcode, since encoding into a used symbol adds rows to it.

#include <string>

#include "bench/bench_rows.h"

namespace brevix::bench {

struct TZintSize {
  int Width = 0;
  int Height = 0;
};

// Size of the bitmap zint renders for the row at its default scale.
TZintSize ZintImageSize(const TBenchRow& row);
// Encode only; returns the symbol width in modules so the work cannot be optimised away.
int ZintEncode(const TBenchRow& row);
// Encode and render into zint's RGB bitmap; returns the bitmap width.
int ZintRaster(const TBenchRow& row);
// Encode, render and write a PNG file.
void ZintPng(const TBenchRow& row, const std::string& fileName);

}  // namespace brevix::bench
