#pragma once
// EAN-8, EAN-13 (JAN, ISBN, ISSN, ISMN through BooklandToEAN13), UPC-A and UPC-E with their 2- and
// 5-digit add-ons. Inputs are texts that validation accepted.

#include <string>
#include <string_view>

#include "../core/pattern.h"

namespace brevix {

TEncodeResult EncodeEAN8(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeEAN13(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeUPCA(std::string_view text, const TEncodeOptions& opts);
TEncodeResult EncodeUPCE(std::string_view text, const TEncodeOptions& opts);
// The add-on pattern to append to a main pattern of mainLength modules; sets anchors.AddOnFrom.
std::string EncodeAddOn(std::string_view addOn, int mainLength, TCaptionAnchors& anchors);
// Room for the leading (and trailing) digit when the code caption is shown.
void AddLeadingRoom(TEncodeResult& result, const TEncodeOptions& opts);
// ISBN/ISSN/ISMN/JAN-13 text to the 13-digit EAN text (add-on kept).
std::string BooklandToEAN13(std::string_view text, TTypeBar typeBar);

}  // namespace brevix
