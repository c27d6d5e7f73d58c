#include "pdf417/pdf417.h"

// Not built yet: placeholder layout of a 10-column symbol.
namespace brevix {

int PDF417SymbolWidth(std::string_view, int cols, int, csPDF417ErrorCorrection, csPDF417Mode,
                      bool truncated) {
  const int c = cols < 1 ? 1 : cols;
  return truncated ? 17 * c + 35 : 17 * c + 69;
}

std::vector<std::string> PDF417BuildRows(std::string_view, int&, int&, bool, csPDF417Mode,
                                         csPDF417ErrorCorrection) {
  return {};
}

}  // namespace brevix
