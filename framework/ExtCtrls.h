// Graphic controls drawn on the form's surface: TImage shows a bitmap at its
// natural size from its top-left corner, clipped to the control; TShape draws
// a filled shape with a one-pixel outline and lets the mouse fall through.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Controls.h"

class TImage : public TGraphicControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // Loads the picture from a bitmap resource of the program, once: the
  // layout gives each image its picture before the form is shown.
  void LoadPictureResource(const std::string& name);
  HBITMAP Picture() const { return bitmap_; }
  SIZE PictureSize() const { return pictureSize_; }

  void Paint(HDC hdc) override;
  bool WantsMouse() const override { return true; }

private:
  HBITMAP bitmap_ = nullptr;
  SIZE pictureSize_{0, 0};
};

enum class TShapeType { Rectangle, Circle };

class TShape : public TGraphicControl {
public:
  explicit TShape(TComponent* owner);

  TShapeType Shape = TShapeType::Rectangle;
  TColor BrushColor = RGB(255, 255, 255);
  TColor PenColor = RGB(0, 0, 0);

  void Paint(HDC hdc) override;
};
