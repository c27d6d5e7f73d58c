#pragma once
// Caption and bearer-line settings owned by the control. Their painting lives in render/.

#include <string>

#include "../platform/canvas.h"
#include "../platform/control.h"

namespace brevix {

// The one-line caption above the bars: a symbology name or identifier.
class TTypeCaption : public TObject {
 public:
  explicit TTypeCaption(TCustomControl* owner);
  // The font's change handler points back at this caption: not copyable.
  TTypeCaption(const TTypeCaption&) = delete;
  TTypeCaption& operator=(const TTypeCaption&) = delete;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& f);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  void Assign(const TTypeCaption& source);

 private:
  void Changed();
  TCustomControl* FOwner;
  std::string FCaption;
  TFont FFont;  // Arial 10
  bool FAutoSize = false;
};

// The human-readable text under the bars.
class TCodeCaption : public TObject {
 public:
  explicit TCodeCaption(TCustomControl* owner);
  TCodeCaption(const TCodeCaption&) = delete;
  TCodeCaption& operator=(const TCodeCaption&) = delete;
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& f);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool v);
  void Assign(const TCodeCaption& source);

 private:
  void Changed();
  TCustomControl* FOwner;
  TFont FFont;  // Arial 8, black
  bool FAutoSize = false;
};

// Horizontal bearer lines: a pen plus a count. OnChange fires on every change.
class TBarCodeHorzLines : public TObject {
 public:
  TColor Color() const { return FPen.Color; }
  void SetColor(TColor v);
  TPenStyle Style() const { return FPen.Style; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return FPen.Mode; }
  void SetMode(TPenMode v);
  int Width() const { return FPen.Width; }
  void SetWidth(int v);
  int LinesCount() const { return FLinesCount; }
  void SetLinesCount(int n);
  const TPen& Pen() const { return FPen; }
  void Assign(const TBarCodeHorzLines& source);

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  TPen FPen;
  int FLinesCount = 0;
};

}  // namespace brevix
