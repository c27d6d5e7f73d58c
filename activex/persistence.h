#pragma once
// The control's published properties as a list of named values, and their storage in a stream
// (IPersistStreamInit) or a host's property bag (IPersistPropertyBag).

#include <ocidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/control.h"

namespace brevix::activex {

// A VARIANT that clears itself.
class TVariant {
 public:
  TVariant() { VariantInit(&FValue); }
  TVariant(const TVariant& other) : TVariant() {
    VariantCopy(&FValue, const_cast<VARIANT*>(&other.FValue));
  }
  TVariant& operator=(const TVariant& other) {
    if (this != &other) VariantCopy(&FValue, const_cast<VARIANT*>(&other.FValue));
    return *this;
  }
  ~TVariant() { VariantClear(&FValue); }
  static TVariant Int(long v);
  static TVariant Bool(bool v);
  static TVariant String(const std::string& v);

  VARIANT* Get() { return &FValue; }
  const VARIANT* Get() const { return &FValue; }

 private:
  VARIANT FValue;
};

struct TNamedValue {
  std::wstring Name;
  TVariant Value;
};

// Control size in HIMETRIC (1/100 mm) and back, at the screen's resolution.
SIZEL PixelsToHimetric(int width, int height);
SIZE HimetricToPixels(const SIZEL& himetric);

// The published properties, in the order they must be loaded back: the symbology before the
// text (a new symbology replaces the text), the ratio before the size (a ratio resizes).
std::vector<TNamedValue> SaveState(TCustomBC& control);
// Applies every value that lookup finds; a value that cannot be applied is skipped.
void LoadState(
    TCustomBC& control,
    const std::function<bool(const wchar_t* name, VARTYPE type, TVariant& value)>& lookup);

HRESULT WriteStateToStream(IStream* stream, const std::vector<TNamedValue>& values);
HRESULT ReadStateFromStream(IStream* stream, std::vector<TNamedValue>& values);
ULONG StreamSize(const std::vector<TNamedValue>& values);

}  // namespace brevix::activex
