#include "framework/ExtCtrls.h"

#include <algorithm>

#include "framework/Platform.h"
#include "framework/SysUtils.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 105, 105); }

TImage::~TImage() {
  if (bitmap_) DeleteObject(bitmap_);
}

void TImage::LoadPictureResource(const std::string& name) {
  HBITMAP loaded = static_cast<HBITMAP>(
      Platform.LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!loaded) throw Exception("Picture resource " + name + " not found");
  bitmap_ = loaded;
  BITMAP info;
  GetObjectA(bitmap_, sizeof(info), &info);
  pictureSize_ = SIZE{info.bmWidth, info.bmHeight};
  Invalidate();
}

void TImage::Paint(HDC hdc) {
  HDC source = Platform.CreateCompatibleDC(hdc);
  HGDIOBJ old = SelectObject(source, bitmap_);
  // Natural size from the top-left corner; what lies beyond the control is
  // not drawn.
  const int w = std::min(Width(), static_cast<int>(pictureSize_.cx));
  const int h = std::min(Height(), static_cast<int>(pictureSize_.cy));
  BitBlt(hdc, Left(), Top(), w, h, source, 0, 0, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

TShape::TShape(TComponent* owner) : TGraphicControl(owner) { SetBounds(0, 0, 65, 65); }

void TShape::Paint(HDC hdc) {
  HPEN pen = Platform.CreatePen(PS_SOLID, 1, ColorToRGB(PenColor));
  HBRUSH brush = Platform.CreateSolidBrush(ColorToRGB(BrushColor));
  HGDIOBJ oldPen = SelectObject(hdc, pen);
  HGDIOBJ oldBrush = SelectObject(hdc, brush);
  const RECT r = BoundsRect();
  if (Shape == TShapeType::Circle) {
    // The circle fills the shorter side, centred in the control.
    const int d = std::min(Width(), Height());
    const int x = r.left + (Width() - d) / 2;
    const int y = r.top + (Height() - d) / 2;
    Ellipse(hdc, x, y, x + d, y + d);
  } else {
    Rectangle(hdc, r.left, r.top, r.right, r.bottom);
  }
  SelectObject(hdc, oldBrush);
  SelectObject(hdc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}
