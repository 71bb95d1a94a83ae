#include <cmath>

#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

const wchar_t* const kCatalogue[] = {
    L"Delay ",
    L"DiskSpace ",
    L"DocumentList ",
    L"ExecuteFile ",
    L"ExitWindows ",
    L"FindFilesAPI ",
    L"Launch ",
    L"MakeTransparentForm ",
    L"MenuBitmaps ",
    L"MoveFormWithoutBorders ",
    L"OpenWebSite ",
    L"PlayAudioCD ",
    L"PlayAvi ",
    L"PlaySound ",
    L"RegistryValueS ",
    L"RegistryValueD ",
    L"RegistryRun ",
    L"RegistryDeleteValue ",
    L"RegistryNewKey ",
    L"RegistryDeleteKey ",
    L"RegistryCreateRightClickAccess ",
    L"RegistryCreateAssociation ",
    L"RetrieveIcon ",
    L"SendEmail ",
    L"SetDeskWallPaper ",
    L"SetHotKey ",
    L"SetMousePos ",
    L"SetMyPosOnDesktop ",
    L"SetMyPosTopMost ",
    L"SetSysWorkArea ",
    L"ShowMouse ",
    L"ShowRecycleBin ",
    L"StartScreenSaver ",
    L"TaskBar ",
    L"TrayIcon ",
    L"**********Functions**********",
    L"GetSystemFolders()",
    L"RetrieveFileTypeName()",
    L"SoundCardDetect()",
    L"TtoP()",
    L"PtoT()",
    L"**********Properties**********",
    L"WorkAreaLeft, WorkAreaRight, WorkAreaTop, WorkAreaBottom",
    L"MouseX, MouseY ",
};

// A product of a pixel count and a factor, as a Double; a non-finite one is an overflow.
Variant Twips(int32_t pixels, double factor) {
  const double v = static_cast<double>(pixels) * factor;
  if (!std::isfinite(v)) throw RuntimeError(kErrOverflow);
  return Variant::Double(v);
}

}  // namespace

CWinAPI::CWinAPI() : CWinAPI(DefaultPlatform()) {}

CWinAPI::CWinAPI(Platform& platform)
    : platform_(platform),
      CachedLeft(Variant::Integer(0)),
      CachedTop(Variant::Integer(0)),
      CachedRight(Variant::Integer(0)),
      CachedBottom(Variant::Integer(0)),
      CachedMouseX(Variant::Integer(0)) {
  Class_Initialize();
}

double CWinAPI::FactorX() {
  return platform_.Runtime().TwipsPerPixelX();
}
double CWinAPI::FactorY() {
  return platform_.Runtime().TwipsPerPixelY();
}

void CWinAPI::Class_Initialize() {
  CachedLeft = CachedTop = CachedRight = CachedBottom = CachedMouseX = Variant::Integer(0);
  CachedMouseY = 0;
  IWindows& w = platform_.Windows();
  w.SystemParametersInfo(win::SPI_GETWORKAREA, 0, WorkArea,
                         win::SPIF_UPDATEINIFILE | win::SPIF_SENDWININICHANGE);
  CachedLeft = Twips(WorkArea.Left, FactorX());
  CachedTop = Twips(WorkArea.Top, FactorY());
  CachedRight = Twips(WorkArea.Right, FactorX());
  CachedBottom = Twips(WorkArea.Bottom, FactorY());
  w.GetCursorPos(CursorPos);
  CachedMouseX = Twips(CursorPos.X, FactorX());
  // A cursor row beyond the 16-bit range must not make the capture (and with it the creation of
  // the instance) fail: only MouseY, which needs that number, reports the overflow.
  const double y = RoundHalfEven(CursorPos.Y * FactorY());
  mouseYOverflow_ = !(y >= -32768.0 && y <= 32767.0);
  if (!mouseYOverflow_) CachedMouseY = static_cast<Integer>(y);
}

Integer CWinAPI::WorkAreaLeft() {
  Class_Initialize();
  return CInt(CachedLeft);
}

Integer CWinAPI::WorkAreaTop() {
  Class_Initialize();
  return CInt(CachedTop);
}

Integer CWinAPI::WorkAreaRight() {
  Class_Initialize();
  return CInt(CachedRight);
}

Integer CWinAPI::WorkAreaBottom() {
  Class_Initialize();
  return CInt(CachedBottom);
}

Integer CWinAPI::MouseX() {
  Class_Initialize();
  return CInt(CachedMouseX);
}

Integer CWinAPI::MouseY() {
  Class_Initialize();
  if (mouseYOverflow_) throw RuntimeError(kErrOverflow);
  return CachedMouseY;
}

Variant CWinAPI::PtoT(Variant& no) {
  Boolean horizontal = kFalse;
  return PtoT(no, horizontal);
}

Variant CWinAPI::PtoT(Variant& no, Boolean& YValue) {
  const float factor = static_cast<float>(YValue ? FactorY() : FactorX());
  return VarMul(no, Variant::Single(factor));
}

Variant CWinAPI::TtoP(Variant& no) {
  Boolean horizontal = kFalse;
  return TtoP(no, horizontal);
}

Variant CWinAPI::TtoP(Variant& no, Boolean& YValue) {
  const float factor = static_cast<float>(YValue ? FactorY() : FactorX());
  if (factor == static_cast<float>(RoundHalfEven(factor))) {
    // A whole factor (96, 120, 144, 240 pixels per inch): both rounded, divided, truncated.
    return Variant::Long(IntDiv(no, Variant::Single(factor)));
  }
  // At 175 %, 200 %, 225 % or 400 % the factor is fractional (7.5 at 192 pixels per inch):
  // rounded first, 7,500 twips would come out as 937 pixels instead of 1,000. The exact
  // quotient, rounded to the nearest pixel, gives back the pixels PtoT started from.
  return Variant::Long(CLng(Variant::Double(CDbl(no) / static_cast<double>(factor))));
}

std::wstring CWinAPI::Catalogue() {
  std::wstring text;
  for (const wchar_t* item : kCatalogue) text += std::wstring(L"\r\n") + item;
  return text;
}

void CWinAPI::ListFunc() {
  platform_.Runtime().MessageBox(Catalogue(), win::MB_OK, nullptr);
}

String CWinAPI::StripNull(String& text) {
  const size_t nul = text.find(L'\0');
  if (nul != String::npos) text.resize(nul);
  return text;
}

Variant CWinAPI::TextBeforeNull(const String& text) {
  const size_t nul = text.find(L'\0');
  // The position is kept in a 16-bit Integer.
  const Integer position =
      CInt(Variant::Long(nul == String::npos ? 0 : static_cast<Long>(nul + 1)));
  return position > 0 ? Variant(text.substr(0, static_cast<size_t>(position - 1))) : Variant(text);
}

}  // namespace qc
