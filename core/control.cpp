#include "core/control.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "encoders/dispatch.h"
#include "pdf417/pdf417.h"
#include "render/draw.h"

namespace brevix {

namespace {

constexpr const char* kVersionBanner = "Brevix Barcode control, version 4.00";
constexpr const char* kInitialText = "0123";
constexpr int kInitialHeight = 80;
// Room beside the pattern of the initial text.
constexpr int kInitialWidthMargin = 20;

// Host-facing PDF417 options to the settings object's values; anything unknown falls back to the
// first entry.
constexpr std::array<csPDF417Mode, 3> kPDF417Modes{csPDF417Alphanumeric, csPDF417Binary,
                                                   csPDF417Numeric};
constexpr std::array<csPDF417ErrorCorrection, 9> kPDF417Levels{
    csPDF417Error0, csPDF417Error1, csPDF417Error2, csPDF417Error3, csPDF417Error4,
    csPDF417Error5, csPDF417Error6, csPDF417Error7, csPDF417Error8};

constexpr std::array<int, 4> kAngleDegrees{0, 90, 180, 270};

int ClampToInt(std::int64_t v) {
  if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

}  // namespace

TCustomBC::TCustomBC(TObject* owner) : TCustomControl(owner) {
  FVersion = kVersionBanner;
  FTypeCaption = std::make_unique<TTypeCaption>(this);
  FCodeCaption = std::make_unique<TCodeCaption>(this);
  FPDF417 = std::make_unique<TPDF417>(this);
  FFont_Type.Assign(FTypeCaption->Font());
  FFont_Code.Assign(FCodeCaption->Font());
  // Both equal the stored zero values: the settings object keeps its automatic level.
  SetPDF417_SecurityLevel(csPDF417_Level_0);
  SetPDF417_Mode(csPDF417_Alphanumeric);
  OnPaint = nullptr;
  OnChangeTypeCode = nullptr;
  OnChangeTextCode = nullptr;
  FColor_Back = clWhite;
  SetText(kInitialText);
  FShowCodeCaption = true;
  FShortUpcGuards = true;
  FAddOnCaptionOnTop = true;
  FCheckCharacters = true;
  FTypeBar = csCode_2_5_interleaved;
  FColor_Lines = clBlack;
  FCompleteDraw = false;
  FAngle = csHorizontal;
  FRatio = 1;
  FDisplay = csOutputCode;
  FAutoSize = false;
  Font().SetName("Arial");
  Font().SetSize(8);
  SetHeight(kInitialHeight);
  SetWidth(static_cast<int>(Encode(FText).size()) + kInitialWidthMargin);
  const int minWidth = MinWidth();
  if (minWidth > Width()) SetWidth(minWidth);
  FHorzLines = std::make_unique<TBarCodeHorzLines>();
  FHorzLines->OnChange = [this](TObject*) { Invalidate(); };
}

TCustomBC::~TCustomBC() {
  FPDF417.reset();
  FHorzLines.reset();
  FTypeCaption.reset();
  FCodeCaption.reset();
}

const std::string& TCustomBC::DrawnPattern() const {
  if (FDrawnStale) {
    FDrawnPattern = ScalePattern(FDrawnModules, {}, FDrawnWidth, FDrawnComplete).Pixels;
    FDrawnStale = false;
  }
  return FDrawnPattern;
}

void TCustomBC::SetDrawnPattern(std::string_view modules, int width, bool completeDraw) {
  FDrawnModules.assign(modules);
  FDrawnWidth = width;
  FDrawnComplete = completeDraw;
  FDrawnStale = true;
}

void TCustomBC::Assign(const TCustomBC& source) {
  if (&source == this) return;
  FShortUpcGuards = source.FShortUpcGuards;
  FAddOnCaptionOnTop = source.FAddOnCaptionOnTop;
  FCompleteDraw = source.FCompleteDraw;
  FTransparent = source.FTransparent;
  FColor_Back = source.FColor_Back;
  FShowCodeCaption = source.FShowCodeCaption;
  FTypeBar = source.FTypeBar;
  FColor_Lines = source.FColor_Lines;
  OnPaint = source.OnPaint;
  OnChangeTypeCode = source.OnChangeTypeCode;
  OnChangeTextCode = source.OnChangeTextCode;
  FText = source.FText;
  FAngle = source.FAngle;
  FAngleDegrees = source.FAngleDegrees;
  FTypeCaption->Assign(*source.FTypeCaption);
  FAutoSize = source.FAutoSize;
  FHorzLines->Assign(*source.FHorzLines);
  FQuietZone = source.FQuietZone;
  FModuleWidth = source.FModuleWidth;
  FResolution = source.FResolution;
  FQR_Level = source.FQR_Level;
  FQR_MinVersion = source.FQR_MinVersion;
  FQR_Mask = source.FQR_Mask;
  FDM_Shape = source.FDM_Shape;
  FDM_Rows = source.FDM_Rows;
  FDM_Columns = source.FDM_Columns;
  FGS1 = source.FGS1;
  Invalidate();
}

// --- Properties ---------------------------------------------------------------------------------

void TCustomBC::SetText(const std::string& v) {
  if (v == FText) return;
  FText = v;
  CompleteCheckDigits();
  Invalidate();
  if (OnChangeTextCode) OnChangeTextCode(this);
}

void TCustomBC::SetTypeBar(TTypeBar v) {
  if (v == FTypeBar) return;
  FTypeBar = v;
  const std::string sample{CatalogueRow(v).Sample};
  if (sample != FText) {
    SetText(sample);
  } else {
    // The text is already the sample, but it was completed for the previous symbology: complete
    // it for this one, or a text short of its check digit would draw nothing and report success.
    CompleteCheckDigits();
    if (FText != sample) {
      Invalidate();
      if (OnChangeTextCode) OnChangeTextCode(this);
    }
  }
  if (FDisplay == csOutputType || FDisplay == csOutputBoth)
    FTypeCaption->SetCaption(TypeCaptionText());
  // May raise for a sample the PDF417 mode refuses: the text stays replaced, no type event.
  const int minWidth = MinWidth();
  if (minWidth > Width()) SetWidth(minWidth);
  if (OnChangeTypeCode) OnChangeTypeCode(this);
  Invalidate();
}

std::string TCustomBC::TypeCaptionText() const {
  switch (FDisplay) {
    case csOutputType:
      return TypeBarName();
    case csOutputBoth:
      return CatalogueRow(FTypeBar).Name;
    default:
      return {};
  }
}

void TCustomBC::SetDisplay(TDisplayType v) {
  if (v == FDisplay) return;
  FDisplay = v;
  const bool showCode = v == csOutputCode || v == csOutputBoth;
  if (showCode != FShowCodeCaption) {
    FShowCodeCaption = showCode;
    Invalidate();
  }
  FTypeCaption->SetCaption(TypeCaptionText());
  Invalidate();
}

void TCustomBC::SetQuietZone(int v) {
  v = std::clamp(v, 0, kMaxQuietZone);
  if (v == FQuietZone) return;
  FQuietZone = v;
  Invalidate();
}

void TCustomBC::SetModuleWidth(int v) {
  v = std::clamp(v, 0, kMaxModuleWidth);
  if (v == FModuleWidth) return;
  FModuleWidth = v;
  Invalidate();
}

void TCustomBC::SetResolution(int v) {
  FResolution = std::clamp(v, 0, kMaxResolution);
}

void TCustomBC::SetQR_Level(TQrLevel v) {
  if (static_cast<int>(v) > static_cast<int>(TQrLevel::H)) v = TQrLevel::M;
  if (v == FQR_Level) return;
  FQR_Level = v;
  Invalidate();
}

void TCustomBC::SetQR_MinVersion(int v) {
  v = std::clamp(v, 0, kMaxQrVersion);
  if (v == FQR_MinVersion) return;
  FQR_MinVersion = v;
  Invalidate();
}

void TCustomBC::SetQR_Mask(int v) {
  if (v < -1 || v > kMaxQrMask) v = -1;
  if (v == FQR_Mask) return;
  FQR_Mask = v;
  Invalidate();
}

void TCustomBC::SetDM_Shape(TDmShape v) {
  if (static_cast<int>(v) > static_cast<int>(TDmShape::Auto)) v = TDmShape::Square;
  if (v == FDM_Shape) return;
  FDM_Shape = v;
  Invalidate();
}

void TCustomBC::SetDM_Rows(int v) {
  v = std::clamp(v, 0, kMaxDmSide);
  if (v == FDM_Rows) return;
  FDM_Rows = v;
  Invalidate();
}

void TCustomBC::SetDM_Columns(int v) {
  v = std::clamp(v, 0, kMaxDmSide);
  if (v == FDM_Columns) return;
  FDM_Columns = v;
  Invalidate();
}

void TCustomBC::SetGS1(bool v) {
  if (v == FGS1) return;
  FGS1 = v;
  Invalidate();
}

void TCustomBC::SetRatio(int v) {
  if (v == FRatio) return;
  FRatio = v;
  // Widened arithmetic: a ratio from the host may be any integer.
  SetWidth(ClampToInt(static_cast<std::int64_t>(v) * MinWidth() + 2));
  Invalidate();
}

void TCustomBC::SetAngle(TAngleType v) {
  if (v == FAngle) return;
  FAngle = v;
  FAngleDegrees = static_cast<std::size_t>(v) < kAngleDegrees.size() ? kAngleDegrees[v] : 0;
  Invalidate();
}

void TCustomBC::SetTransparent(bool v) {
  if (v == FTransparent) return;
  FTransparent = v;
  Invalidate();
}

void TCustomBC::SetColor_Lines(TColor v) {
  if (v == FColor_Lines) return;
  FColor_Lines = v;
  Invalidate();
}

void TCustomBC::SetColor_Back(TColor v) {
  if (v == FColor_Back) return;
  FColor_Back = v;
  Invalidate();
}

void TCustomBC::SetCompleteDraw(bool v) {
  if (v == FCompleteDraw) return;
  FCompleteDraw = v;
  Invalidate();
}

void TCustomBC::SetAutoSize(bool v) {
  if (v == FAutoSize) return;
  FAutoSize = v;
  if (v) {
    const int minWidth = MinWidth();
    if (minWidth > Width()) SetWidth(minWidth);
  }
}

void TCustomBC::SetFont_Code(const TFont& f) {
  FFont_Code.Assign(f);
  FCodeCaption->SetFont(f);
}

void TCustomBC::SetFont_Type(const TFont& f) {
  FFont_Type.Assign(f);
  FTypeCaption->SetFont(f);
}

void TCustomBC::SetPDF417_Mode(csPDF417UserMode v) {
  if (v == FPDF417_Mode) return;
  FPDF417_Mode = v;
  FPDF417->SetMode(static_cast<std::size_t>(v) < kPDF417Modes.size() ? kPDF417Modes[v]
                                                                     : csPDF417Alphanumeric);
  Invalidate();
}

void TCustomBC::SetPDF417_SecurityLevel(csPDF417UserError v) {
  if (v == FPDF417_SecurityLevel) return;
  FPDF417_SecurityLevel = v;
  FPDF417->SetSecurityLevel(static_cast<std::size_t>(v) < kPDF417Levels.size() ? kPDF417Levels[v]
                                                                               : csPDF417Error0);
  Invalidate();
}

void TCustomBC::SetPDF417_Truncate(bool v) {
  if (v == FPDF417_Truncate) return;
  FPDF417_Truncate = v;
  FPDF417->SetTruncated(v);
  Invalidate();
}

// --- Operations ---------------------------------------------------------------------------------

int TCustomBC::MinWidth() {
  try {
    return PDF417SymbolWidth(FText, FPDF417->Cols(), FPDF417->Rows(), FPDF417->SecurityLevel(),
                             FPDF417->Mode(), FPDF417->Truncated());
  } catch (const EPDF417TooLarge&) {
    // A long linear text has no PDF417 width to honour; only a PDF417 control reports it.
    if (FTypeBar == csCodePDF417) throw;
    return 0;
  }
}

std::string TCustomBC::TypeBarName() const {
  return TypeBarIdentifier(FTypeBar);
}

std::string TCustomBC::ErrorText() const {
  return CheckErrorText(LastCheck());
}

TTextCheck TCustomBC::LastCheck() const {
  return TTextCheck{FErrorMessage, FError, FBadChar, FMustBe, FErrorDetail};
}

void TCustomBC::SetLastCheck(const TTextCheck& check) {
  FErrorMessage = check.Code;
  FError = check.Position;
  FBadChar = check.BadChar;
  FMustBe = check.MustBe;
  FErrorDetail = check.Detail;
}

void TCustomBC::SetErrorDetail(TLastError e, int position, const std::string& message) {
  FErrorMessage = e;
  FError = position;
  FErrorDetail = e == erOK ? std::string() : message;
}

TEncodeResult TCustomBC::EncodeText(std::string_view text) {
  TTextCheck check = LastCheck();
  const TEncodeResult result =
      EncodeCheckedText(text, TEncodeOptions{FTypeBar, FShowCodeCaption, FCheckCharacters}, check);
  SetLastCheck(check);
  return result;
}

void TCustomBC::CompleteCheckDigits() {
  std::string t = brevix::CompleteCheckDigits(FTypeBar, FText);
  if (t != FText) FText = std::move(t);
}

bool TCustomBC::PreEncodeCheck(std::string_view text) {
  TTextCheck check = LastCheck();
  const bool ok = brevix::PreEncodeCheck(FTypeBar, text, check);
  SetLastCheck(check);
  return ok;
}

bool TCustomBC::CheckCharSet(std::string_view s) {
  TTextCheck check = LastCheck();
  const bool ok = brevix::CheckCharSet(FTypeBar, s, check);
  SetLastCheck(check);
  return ok;
}

void TCustomBC::SetBounds(int left, int top, int width, int height) {
  const bool changed = left != Left() || top != Top() || width != Width() || height != Height();
  TCustomControl::SetBounds(left, top, width, height);
  if (changed && OnResize) OnResize(this);
}

void TCustomBC::DblClick() {
  TCustomControl::DblClick();
}

void TCustomBC::Paint() {
  if (FText.empty() || Canvas() == nullptr) return;
  DrawBarCode(*Canvas(), ClientRect(), *this);
}

}  // namespace brevix
