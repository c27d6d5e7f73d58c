#include "datamatrix.h"

namespace brevix {

TMatrixResult EncodeDataMatrix(std::string_view, const TDmOptions&) {
  return {{}, erErrorInBarCode, 0, "Data Matrix is not available"};
}

}  // namespace brevix
