// The window, controls and timer that the forms runtime provides: the logic describes the form
// (positions already in pixels), the backend creates it and reports clicks and timer ticks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qc {

enum class ControlKind { Button, Label };
enum class TextAlign { Left, Center, Right };

struct FontSpec {
  std::wstring face;
  double points = 0;
  int weight = 400;  // 400 regular, 700 bold
  int charset = 0;
};

struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

// Colours are 0x00BBGGRR, or a system colour: the top bit set plus the system colour index.
// kDefaultColour keeps the platform's.
inline constexpr uint32_t kDefaultColour = 0xFFFFFFFFu;
inline constexpr uint32_t kSystemColourFlag = 0x80000000u;
constexpr uint32_t SystemColour(uint32_t index) {
  return kSystemColourFlag | index;
}

struct ControlSpec {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  std::wstring name;  // Command1, Label1 ...
  std::wstring caption;
  PixelRect rect;
  FontSpec font;
  int tabIndex = 0;
  TextAlign align = TextAlign::Left;
  uint32_t foreColour = kDefaultColour;
  bool wordWrap = true;
};

struct FormSpec {
  std::wstring caption;
  int clientWidth = 0, clientHeight = 0;  // pixels
  uint32_t backColour = kDefaultColour;
  int iconResource = 1;
  std::vector<ControlSpec> controls;
  int focusControl = 0;   // id of the control that has the focus at start
  int timerInterval = 0;  // milliseconds; 0 = no timer
};

class IFormEvents {
 public:
  virtual ~IFormEvents() = default;
  virtual void OnClick(int controlId) = 0;
  virtual void OnTimer() = 0;
};

class IForms {
 public:
  virtual ~IForms() = default;
  virtual void CreateForm(const FormSpec& layout, IFormEvents& events) = 0;
  // Setting the text or colour a control already has changes nothing on screen (no flicker).
  virtual void SetCaption(int controlId, const std::wstring& text) = 0;
  virtual void SetForeColour(int controlId, uint32_t colour) = 0;
  virtual std::wstring Caption(int controlId) = 0;
  // Runs until the form is closed; returns the process exit code.
  virtual int RunMessageLoop() = 0;
};

}  // namespace qc
