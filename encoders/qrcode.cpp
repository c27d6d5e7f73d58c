#include "qrcode.h"

namespace brevix {

TMatrixResult EncodeQrCode(std::string_view, const TQrOptions&) {
  return {{}, erErrorInBarCode, 0, "QR Code is not available"};
}

}  // namespace brevix
