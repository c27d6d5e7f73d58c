#pragma once
// The barcode control: owns the barcode state, keeps it consistent when a property changes,
// completes check characters, validates, and dispatches to the encoder of the current symbology.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "../encoders/datamatrix.h"
#include "../encoders/qrcode.h"
#include "../pdf417/pdf417_settings.h"
#include "../platform/control.h"
#include "captions.h"
#include "catalogue.h"
#include "pattern.h"
#include "types.h"
#include "validation.h"

namespace brevix {

// Buffers of the file export (render/export.cpp), opaque here.
class TExportScratch;
// What the control's own paints reuse (render/draw.h), opaque here.
struct TPaintContext;

// Fired after the barcode is drawn: the control, the paint rectangle, the text.
using TBarCodePaintEvent = std::function<void(TObject* sender, TRect& r, const std::string& text)>;

// Bounds of the module-mode properties: beyond them no picture fits the writers' limits anyway.
inline constexpr int kMaxQuietZone = 1000;
inline constexpr int kMaxModuleWidth = 100;
inline constexpr int kMaxResolution = 100000;
// Bounds of the QR Code and Data Matrix properties.
inline constexpr int kMaxQrVersion = 40;
inline constexpr int kMaxQrMask = 7;
inline constexpr int kMaxDmSide = 144;

class TCustomBC : public TCustomControl {
 public:
  explicit TCustomBC(TObject* owner = nullptr);
  ~TCustomBC() override;
  TCustomBC(const TCustomBC&) = delete;
  TCustomBC& operator=(const TCustomBC&) = delete;

  // Copies the settings listed for Assign (not Ratio, Display, fonts, PDF417 or error state).
  virtual void Assign(const TCustomBC& source);

  // --- Properties -------------------------------------------------------------------------
  const std::string& Text() const { return FText; }
  void SetText(const std::string& v);
  TTypeBar TypeBar() const { return FTypeBar; }
  virtual void SetTypeBar(TTypeBar v);
  TDisplayType Display() const { return FDisplay; }
  void SetDisplay(TDisplayType v);
  int Ratio() const { return FRatio; }
  void SetRatio(int v);
  TAngleType Angle() const { return FAngle; }
  void SetAngle(TAngleType v);
  int AngleDegrees() const { return FAngleDegrees; }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  TColor Color_Lines() const { return FColor_Lines; }
  void SetColor_Lines(TColor v);
  TColor Color_Back() const { return FColor_Back; }
  void SetColor_Back(TColor v);
  bool CompleteDraw() const { return FCompleteDraw; }
  void SetCompleteDraw(bool v);
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool v);
  const TFont& Font_Code() const { return FFont_Code; }
  void SetFont_Code(const TFont& f);
  const TFont& Font_Type() const { return FFont_Type; }
  void SetFont_Type(const TFont& f);
  csPDF417UserMode PDF417_Mode() const { return FPDF417_Mode; }
  void SetPDF417_Mode(csPDF417UserMode v);
  csPDF417UserError PDF417_SecurityLevel() const { return FPDF417_SecurityLevel; }
  void SetPDF417_SecurityLevel(csPDF417UserError v);
  bool PDF417_Truncate() const { return FPDF417_Truncate; }
  void SetPDF417_Truncate(bool v);
  const std::string& Version() const { return FVersion; }
  // Module mode (render/module_paint.h): modules of light margin added on each side beyond the
  // symbology's quiet zones, pixels per module (0: the symbol stretched over the box, as
  // always), and the resolution raster files record (0: the screen's 96 dots per inch). Setters
  // clamp to 0..the maximum below.
  int QuietZone() const { return FQuietZone; }
  void SetQuietZone(int v);
  int ModuleWidth() const { return FModuleWidth; }
  void SetModuleWidth(int v);
  int Resolution() const { return FResolution; }
  void SetResolution(int v);
  // QR Code: error correction level, the smallest version to use (0: the smallest that holds
  // the text, else 1..40) and the mask (-1: chosen by the penalty rules, else 0..7).
  TQrLevel QR_Level() const { return FQR_Level; }
  void SetQR_Level(TQrLevel v);
  int QR_MinVersion() const { return FQR_MinVersion; }
  void SetQR_MinVersion(int v);
  int QR_Mask() const { return FQR_Mask; }
  void SetQR_Mask(int v);
  // Data Matrix: the shape and a fixed size in modules (rows x columns; 0 x 0: the smallest that
  // holds the text). Values outside 0..144 are clamped.
  TDmShape DM_Shape() const { return FDM_Shape; }
  void SetDM_Shape(TDmShape v);
  int DM_Rows() const { return FDM_Rows; }
  void SetDM_Rows(int v);
  int DM_Columns() const { return FDM_Columns; }
  void SetDM_Columns(int v);
  // QR Code and Data Matrix: the text is in AI syntax and is encoded as GS1 data.
  bool GS1() const { return FGS1; }
  void SetGS1(bool v);

  // Result of the last check or paint.
  TLastError ErrorMessage() const { return FErrorMessage; }
  int Error() const { return FError; }
  char BadChar() const { return FBadChar; }
  // Renderers record their outcome here; a new code drops the message of the previous one.
  void SetErrorMessage(TLastError e) {
    if (e != FErrorMessage) FErrorDetail.clear();
    FErrorMessage = e;
  }
  // The outcome with its position and whole message (ErrorText gives the message).
  void SetErrorDetail(TLastError e, int position, const std::string& message);

  bool ShowCodeCaption() const { return FShowCodeCaption; }
  bool ShortUpcGuards() const { return FShortUpcGuards; }
  bool AddOnCaptionOnTop() const { return FAddOnCaptionOnTop; }
  bool CheckCharacters() const { return FCheckCharacters; }

  TTypeCaption& TypeCaption() { return *FTypeCaption; }
  const TTypeCaption& TypeCaption() const { return *FTypeCaption; }
  TCodeCaption& CodeCaption() { return *FCodeCaption; }
  const TCodeCaption& CodeCaption() const { return *FCodeCaption; }
  TBarCodeHorzLines& HorzLines() { return *FHorzLines; }
  const TBarCodeHorzLines& HorzLines() const { return *FHorzLines; }
  TPDF417& PDF417() { return *FPDF417; }
  const TPDF417& PDF417() const { return *FPDF417; }

  // Pixel pattern of the last linear drawing, one character per pixel column; its length is the
  // drawn width. A paint records its modules and the width they were spread over, and the pixels
  // are spelled out when first asked for: painting itself works from the module columns.
  const std::string& DrawnPattern() const;
  // The modules are copied into a string kept from the last paint, which keeps its memory.
  void SetDrawnPattern(std::string_view modules, int width, bool completeDraw);

  // Buffers the file export keeps from one picture to the next, made on first use. Each control
  // has its own (Assign leaves them alone); like the control, they serve one thread at a time.
  using TExportScratchPtr = std::unique_ptr<TExportScratch, void (*)(TExportScratch*)>;
  TExportScratchPtr& ExportScratch() { return FExportScratch; }
  // The paint context of the control's own paints (its drawing and the buffers behind it), made
  // on first use; likewise the control's own, never copied. A caller may paint the control with a
  // context of its own instead.
  using TPaintContextPtr = std::unique_ptr<TPaintContext, void (*)(TPaintContext*)>;
  TPaintContextPtr& PaintContext() { return FPaintContext; }

  // --- Events -----------------------------------------------------------------------------
  TBarCodePaintEvent OnPaint;
  TNotifyEvent OnChangeTypeCode;
  TNotifyEvent OnChangeTextCode;
  TNotifyEvent OnResize;

  // --- Operations -------------------------------------------------------------------------
  // Validates text for the current symbology and encodes it: the pattern and the anchors of this
  // one encoding (never shared between controls). Empty pattern when the check fails.
  TEncodeResult EncodeText(std::string_view text);
  std::string Encode(std::string_view text) { return EncodeText(text).Pattern; }
  // Width in pixels of the PDF417 symbol the current text gives. Raises EPDF417Error.
  int MinWidth();
  // "csCode39" for the current symbology.
  std::string TypeBarName() const;
  // The message of the current ErrorMessage, filled in with Error and the rejected character.
  std::string ErrorText() const;
  // The result of the last check or paint as one record, for the layouts' messages.
  TTextCheck LastCheck() const;

  // Validation (also used by the renderers and tests).
  bool PreEncodeCheck(std::string_view text);
  bool CheckCharSet(std::string_view s);
  void CompleteCheckDigits();

  void SetBounds(int left, int top, int width, int height) override;
  void DblClick() override;

 protected:
  void Paint() override;

 private:
  // Its check fills the result of the last check in.
  void SetLastCheck(const TTextCheck& check);
  // The caption text Display asks for, for the current symbology.
  std::string TypeCaptionText() const;

  std::string FText;
  bool FShowCodeCaption = true;
  bool FShortUpcGuards = true;
  TTypeBar FTypeBar = csCode_2_5_interleaved;
  TColor FColor_Lines = clBlack;
  bool FAddOnCaptionOnTop = true;
  bool FCompleteDraw = false;
  bool FTransparent = false;
  TColor FColor_Back = clWhite;
  TLastError FErrorMessage = erOK;
  int FError = 0;
  char FBadChar = 0;
  int FRatio = 1;
  TDisplayType FDisplay = csOutputCode;
  TAngleType FAngle = csHorizontal;
  int FAngleDegrees = 0;
  csPDF417UserMode FPDF417_Mode = csPDF417_Alphanumeric;
  csPDF417UserError FPDF417_SecurityLevel = csPDF417_Level_0;
  bool FPDF417_Truncate = false;
  std::unique_ptr<TTypeCaption> FTypeCaption;
  std::unique_ptr<TCodeCaption> FCodeCaption;
  TFont FFont_Code;
  TFont FFont_Type;
  bool FAutoSize = false;
  std::string FVersion;
  std::string FDrawnModules;  // the last drawing's modules, FDrawnWidth and FDrawnComplete
  int FDrawnWidth = 0;        // its scaling: the pixel pattern follows from them
  bool FDrawnComplete = false;
  mutable std::string FDrawnPattern;  // spelled out from the three above when stale
  mutable bool FDrawnStale = false;
  std::unique_ptr<TBarCodeHorzLines> FHorzLines;
  bool FCheckCharacters = true;
  std::unique_ptr<TPDF417> FPDF417;
  int FMustBe = 0;  // the digit erMustBe asks for
  TExportScratchPtr FExportScratch{nullptr, nullptr};
  TPaintContextPtr FPaintContext{nullptr, nullptr};
  int FQuietZone = 0;
  int FModuleWidth = 0;
  int FResolution = 0;
  std::string FErrorDetail;  // the whole message of the last check, when it has one
  TQrLevel FQR_Level = TQrLevel::M;
  int FQR_MinVersion = 0;
  int FQR_Mask = -1;
  TDmShape FDM_Shape = TDmShape::Square;
  int FDM_Rows = 0;
  int FDM_Columns = 0;
  bool FGS1 = false;
};

// Publishes the properties; all behaviour is in TCustomBC.
class TBrevixBC : public TCustomBC {
 public:
  using TCustomBC::TCustomBC;
};

}  // namespace brevix
