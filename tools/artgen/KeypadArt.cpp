#include "tools/artgen/KeypadArt.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "keypad/KeyTable.h"
#include "tools/artgen/TextPainter.h"

namespace {

// Arrow marks inside legend lines.
constexpr char kUp = '\x01';
constexpr char kDown = '\x02';
constexpr char kLeft = '\x03';
constexpr char kRight = '\x04';

constexpr Rgb kLegend{24, 24, 28};
constexpr Rgb kLightLegend{226, 44, 92};
constexpr Rgb kPrint{128, 128, 134};
constexpr Rgb kKeyEdge{120, 120, 124};

// The rocker around Mem / Enter.
constexpr double kRockerX = 102.0;
constexpr double kRockerY = 232.0;
constexpr double kRockerRadius = 69.0;
constexpr double kRingOuter = 66.0;

enum class Shape { Rect, Round, Ring, Wide };

struct KeyArt {
  Shape shape;
  int width;   // Rect and Wide; Round uses width / 2 as the radius
  int height;
  double fontPx;  // largest size; smaller when a line would not fit the face
  std::vector<std::string> lines;
};

// One entry per defined slot, in slot order.
std::vector<KeyArt> KeyArtwork() {
  const std::string up(1, kUp), down(1, kDown), left(1, kLeft), right(1, kRight);
  std::vector<KeyArt> keys = {
      {Shape::Rect, 38, 24, 10, {"On-Off"}},
      {Shape::Rect, 38, 24, 10, {"THX"}},
      {Shape::Rect, 38, 24, 10, {"Dyn"}},
      // The step keys carry arrows; their names are printed on the body
      // between each pair (DrawStepLabels).
      {Shape::Rect, 38, 24, 12, {up}},
      {Shape::Rect, 38, 24, 12, {down}},
      {Shape::Rect, 38, 24, 12, {up}},
      {Shape::Rect, 38, 24, 12, {down}},
      {Shape::Rect, 38, 28, 9.5, {"Setup", "Trim"}},
      {Shape::Rect, 38, 24, 10, {"Mute"}},
      {Shape::Rect, 38, 24, 10, {"Tuning"}},
      {Shape::Rect, 38, 24, 10, {"Status"}},
      {Shape::Ring, 0, 0, 10, {"Vol", up}},
      {Shape::Ring, 0, 0, 9, {"Auto", "Audio", left + "Tune"}},
      {Shape::Round, 32, 32, 9.5, {"Mem", "Enter"}},
      {Shape::Ring, 0, 0, 9, {"Auto", "Video", "Tune" + right}},
      {Shape::Ring, 0, 0, 10, {"Vol", down}},
      {Shape::Rect, 38, 24, 10, {"FM/AM"}},
      {Shape::Rect, 38, 24, 10, {"A. Cal"}},
      {Shape::Rect, 38, 24, 10, {"Dim"}},
      {Shape::Rect, 38, 24, 10, {"Sleep"}},
  };
  for (int i = 1; i <= 6; ++i) keys.push_back({Shape::Rect, 38, 24, 10, {"Aud " + std::to_string(i)}});
  for (int i = 1; i <= 6; ++i) keys.push_back({Shape::Rect, 38, 24, 10, {"Vid " + std::to_string(i)}});
  for (int i = 1; i <= 10; ++i) keys.push_back({Shape::Round, 30, 30, 12, {std::to_string(i)}});
  for (int i = 1; i <= 4; ++i) keys.push_back({Shape::Rect, 38, 24, 10, {"MAC " + std::to_string(i)}});
  keys.push_back({Shape::Rect, 38, 24, 10, {"Shift"}});
  keys.push_back({Shape::Wide, 64, 24, 10, {"Light"}});
  keys.push_back({Shape::Rect, 38, 24, 10, {"Zone"}});
  return keys;
}

uint8_t Clamp8(double v) {
  return static_cast<uint8_t>(std::lround(v < 0 ? 0 : (v > 255 ? 255 : v)));
}

Rgb Grey(double v) { return {Clamp8(v), Clamp8(v), Clamp8(v + 3)}; }

// The body: near-black with a soft highlight down the left third, as light
// falls on a curved plastic case, and a thin bevel round the edge.
Rgb BodyColour(int x, int y) {
  const double t = (x - 55.0) / 45.0;
  double v = 20.0 + 9.0 * std::exp(-t * t);
  if (x <= 1 || y <= 1) v += 26.0;
  else if (x >= KeypadWidth - 3 || y >= KeypadHeight - 2) v -= 10.0;
  else if (x <= 3 || y <= 3) v += 12.0;
  return Grey(v);
}

// Key faces are lit from above: brightest at the top, a touch darker at the bottom.
Shader KeyFace(double top, double bottom) {
  return [top, bottom](int, int y) {
    const double t = std::min(1.0, std::max(0.0, (y + 0.5 - top) / (bottom - top)));
    return Grey(250.0 - 26.0 * t);
  };
}

ShapeTest Inset(const ShapeTest& shape, double d) {
  // A sample is inside the inset shape when it and its four neighbours at
  // distance d are inside the original.
  return [shape, d](double x, double y) {
    return shape(x, y) && shape(x - d, y) && shape(x + d, y) && shape(x, y - d) && shape(x, y + d);
  };
}

// A rocker key: the part of the rocker ring inside the key's own hit window
// (less a one-pixel margin), so it never reaches a neighbour's window.
ShapeTest RingKey(const KeySlot& k) {
  const ShapeTest window = RoundRect(k.X - 19.0, k.Y - 15.0, k.X + 20.0, k.Y + 16.0, 4.0);
  const ShapeTest ring = Circle(kRockerX, kRockerY, kRingOuter);
  return [=](double x, double y) { return window(x, y) && ring(x, y); };
}

ShapeTest KeyOutline(const KeySlot& k, const KeyArt& art) {
  const double cx = k.X + 0.5;
  const double cy = k.Y + 0.5;
  switch (art.shape) {
    case Shape::Round:
      return Circle(cx, cy, art.width / 2.0);
    case Shape::Ring:
      return RingKey(k);
    case Shape::Rect:
    case Shape::Wide:
      break;
  }
  return RoundRect(cx - art.width / 2.0, cy - art.height / 2.0, cx + art.width / 2.0,
                   cy + art.height / 2.0, 4.0);
}

void DrawArrow(Canvas& canvas, char arrow, double cx, double baseline, double size, Rgb colour) {
  const double h = size;
  const double w = size * 1.15;
  const double top = baseline - h;
  const PixelBox box{static_cast<int>(cx - w) - 1, static_cast<int>(top) - 1,
                     static_cast<int>(cx + w) + 1, static_cast<int>(baseline) + 1};
  ShapeTest tri;
  switch (arrow) {
    case kUp: tri = Triangle(cx - w / 2, baseline, cx + w / 2, baseline, cx, top); break;
    case kDown: tri = Triangle(cx - w / 2, top, cx + w / 2, top, cx, baseline); break;
    case kLeft: tri = Triangle(cx + h / 2, top, cx + h / 2, baseline, cx - h / 2, top + h / 2); break;
    default: tri = Triangle(cx - h / 2, top, cx - h / 2, baseline, cx + h / 2, top + h / 2); break;
  }
  canvas.Fill(box, tri, colour);
}

bool IsArrow(char c) { return c >= kUp && c <= kRight; }

// One legend line: text with at most one arrow before or after it, laid
// out as ink widths so the line centres on what is actually printed.
struct LegendLine {
  std::string text;
  char lead = 0;
  char trail = 0;
  int inkFirst = 0;
  int inkWidth = 0;
  int arrowWidth = 0;
  double spacing = 0;
  int Width() const {
    const int arrows = (lead ? 1 : 0) + (trail ? 1 : 0);
    if (text.empty()) return arrowWidth * arrows;
    return inkWidth + arrows * (arrowWidth + kArrowGap);
  }
  static constexpr int kArrowGap = 2;
};

LegendLine Layout(const TextPainter& font, const std::string& line, double spacing) {
  LegendLine out;
  out.spacing = spacing;
  for (char c : line) {
    if (!IsArrow(c)) out.text += c;
    else if (out.text.empty()) out.lead = c;
    else out.trail = c;
  }
  int end = 0;
  font.InkSpan(out.text, spacing, &out.inkFirst, &end);
  out.inkWidth = end - out.inkFirst;
  out.arrowWidth = font.CapHeight() + 1;
  return out;
}

void DrawLegendLine(Canvas& canvas, const TextPainter& font, const LegendLine& line, double cx,
                    int baseline, Rgb colour) {
  const double arrowSize = line.arrowWidth;
  if (line.text.empty()) {
    DrawArrow(canvas, line.lead, cx, baseline + 0.5, arrowSize, colour);
    return;
  }
  int x = static_cast<int>(std::floor(cx - line.Width() / 2.0 + 0.5));
  if (line.lead) {
    DrawArrow(canvas, line.lead, x + arrowSize / 2.0, baseline + 0.5, arrowSize, colour);
    x += line.arrowWidth + LegendLine::kArrowGap;
  }
  font.Draw(canvas, line.text, x - line.inkFirst, baseline, colour, line.spacing);
  x += line.inkWidth + LegendLine::kArrowGap;
  if (line.trail) DrawArrow(canvas, line.trail, x + arrowSize / 2.0, baseline + 0.5, arrowSize, colour);
}

// Room for a legend line across the key face.
double FaceWidth(const KeyArt& art) {
  switch (art.shape) {
    case Shape::Round: return art.width * 0.8;
    case Shape::Ring: return 30.0;
    case Shape::Rect:
    case Shape::Wide: break;
  }
  return art.width - 5.0;
}

// Middle of the face across the key's centre line. Left and right rocker
// keys are cut by the rocker's edge on one side, so their faces sit off the
// key's point.
double LegendCentre(const KeySlot& k, const KeyArt& art) {
  if (art.shape != Shape::Ring || k.Y != static_cast<int>(kRockerY) - 1) return k.X + 0.5;
  const double left = std::max(k.X - 19.0, kRockerX - kRingOuter);
  const double right = std::min(k.X + 20.0, kRockerX + kRingOuter);
  return (left + right) / 2.0;
}

// Prints the legend as large as the face allows, up to the key's own size,
// centred on the key's point.
void DrawLegend(Canvas& canvas, TextPainter& font, const KeySlot& k, const KeyArt& art,
                Rgb colour) {
  std::vector<LegendLine> lines;
  for (double px = art.fontPx;; px -= 0.5) {
    font.SetPixelSize(px);
    lines.clear();
    int widest = 0;
    for (const std::string& line : art.lines) {
      lines.push_back(Layout(font, line, 0));
      widest = std::max(widest, lines.back().Width());
    }
    if (widest <= FaceWidth(art) || px <= 6.0) break;
  }
  const int cap = font.CapHeight();
  const int lineGap = lines.size() > 2 ? 2 : 3;
  const int n = static_cast<int>(lines.size());
  const int block = n * cap + (n - 1) * lineGap;
  const int firstBaseline = k.Y - block / 2 + cap;
  const double cx = LegendCentre(k, art);
  for (int i = 0; i < n; ++i) {
    DrawLegendLine(canvas, font, lines[static_cast<size_t>(i)], cx,
                   firstBaseline + i * (cap + lineGap), colour);
  }
}

void DrawKey(Canvas& canvas, TextPainter& legends, TextPainter& digits, const KeySlot& k,
             const KeyArt& art) {
  const ShapeTest outline = KeyOutline(k, art);
  const PixelBox box{k.X - 40, k.Y - 30, k.X + 40, k.Y + 30};
  canvas.Fill(box, outline, kKeyEdge);
  const double half = art.shape == Shape::Ring ? 16.0 : art.height / 2.0;
  canvas.Fill(box, Inset(outline, 1.0), KeyFace(k.Y - half, k.Y + half));
  const bool light = k.Code == 104;
  TextPainter& font = art.shape == Shape::Round && art.fontPx >= 12 ? digits : legends;
  DrawLegend(canvas, font, k, art, light ? kLightLegend : kLegend);
}

void DrawRocker(Canvas& canvas) {
  const PixelBox box{30, 160, 174, 304};
  canvas.Fill(box, Circle(kRockerX, kRockerY, kRockerRadius), Grey(62));
  canvas.Fill(box, Circle(kRockerX, kRockerY, kRockerRadius - 1.5), Grey(40));
}

void DrawBar(Canvas& canvas, double left, double top, double w, double h) {
  canvas.Fill({static_cast<int>(left) - 1, static_cast<int>(top) - 1,
               static_cast<int>(left + w) + 1, static_cast<int>(top + h) + 1},
              Rect(left, top, left + w, top + h), kPrint);
}

// "Digital" and "Surround" in white between their up and down keys, as
// the names of the step pairs are printed on the case.
void DrawStepLabels(Canvas& canvas, TextPainter& font) {
  font.SetPixelSize(9);
  const struct {
    int up;
    int down;
    const char* name;
  } pairs[] = {{3, 4, "Digital"}, {5, 6, "Surround"}};
  for (const auto& p : pairs) {
    const KeySlot& up = KeyTable[p.up];
    const KeySlot& down = KeyTable[p.down];
    const int middle = (up.Y + down.Y + 1) / 2;
    font.DrawCentred(canvas, p.name, up.X + 0.5, middle + font.CapHeight() / 2, Grey(200));
  }
}

// Printed transport symbols: decoration on the body, no keys.
void DrawTransport(Canvas& canvas, TextPainter& font) {
  const double y = 152.0;
  // Pause, with the gap exactly on the body point below the Digital keys.
  DrawBar(canvas, 97, y - 4.5, 3, 9);
  DrawBar(canvas, 105, y - 4.5, 3, 9);
  // Skip back and skip forward.
  DrawBar(canvas, 31, y - 4.5, 2, 9);
  DrawArrow(canvas, kLeft, 37.5, y + 4.5, 9, kPrint);
  DrawArrow(canvas, kLeft, 45.5, y + 4.5, 9, kPrint);
  DrawArrow(canvas, kRight, 158.5, y + 4.5, 9, kPrint);
  DrawArrow(canvas, kRight, 166.5, y + 4.5, 9, kPrint);
  DrawBar(canvas, 171, y - 4.5, 2, 9);
  // Search back, stop, play Disc, search forward.
  const double y2 = 314.0;
  DrawArrow(canvas, kLeft, 28.5, y2 + 4.5, 9, kPrint);
  DrawArrow(canvas, kLeft, 36.5, y2 + 4.5, 9, kPrint);
  DrawBar(canvas, 74, y2 - 4.5, 9, 9);
  DrawArrow(canvas, kRight, 114.5, y2 + 4.5, 9, kPrint);
  font.SetPixelSize(9);
  font.Draw(canvas, "Disc", 121, static_cast<int>(y2) + 4, kPrint);
  DrawArrow(canvas, kRight, 167.5, y2 + 4.5, 9, kPrint);
  DrawArrow(canvas, kRight, 175.5, y2 + 4.5, 9, kPrint);
}

// The maker's emblem and name, above the first row of keys.
void DrawEmblem(Canvas& canvas, TextPainter& font) {
  const double cx = 101.5;
  const double cy = 20.5;
  const PixelBox box{80, 0, 123, 42};
  canvas.Fill(box, Circle(cx, cy, 11.5), Grey(190));
  canvas.Fill(box, Circle(cx, cy, 9.5), Grey(22));
  // Three level bars rising left to right inside the ring.
  const double heights[] = {6, 9, 12};
  for (int i = 0; i < 3; ++i) {
    const double left = cx - 6.0 + i * 4.5;
    canvas.Fill(box, Rect(left, cy + 6.0 - heights[i], left + 3.0, cy + 6.0), Rgb{210, 38, 66});
  }
  font.SetPixelSize(15);
  font.DrawCentred(canvas, "ORVANT", cx, 52, Grey(206), 3);
  canvas.Fill({60, 58, 143, 60}, Rect(62, 58, 141, 59), Grey(90));
}

}  // namespace

Canvas DrawKeypad(const std::string& fontDir) {
  Canvas canvas(KeypadWidth, KeypadHeight, Rgb{0, 0, 0});
  for (int y = 0; y < KeypadHeight; ++y) {
    for (int x = 0; x < KeypadWidth; ++x) canvas.Set(x, y, BodyColour(x, y));
  }
  TextPainter legends(fontDir + "/DejaVuSansCondensed-Bold.ttf");
  TextPainter digits(fontDir + "/DejaVuSans-Bold.ttf");
  DrawEmblem(canvas, digits);
  DrawTransport(canvas, legends);
  DrawStepLabels(canvas, legends);
  DrawRocker(canvas);
  const std::vector<KeyArt> art = KeyArtwork();
  for (int i = 0; i < DefinedKeyCount; ++i) DrawKey(canvas, legends, digits, KeyTable[i], art[static_cast<size_t>(i)]);
  return canvas;
}
