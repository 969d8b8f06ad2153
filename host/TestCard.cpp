#include "host/TestCard.h"

#include "host/Drawing.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

constexpr Colour kBackground{24, 24, 24};
constexpr Colour kGridFine{62, 62, 62};
constexpr Colour kGridCoarse{105, 105, 105};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};

constexpr std::array<Colour, 8> kBars = {{
    {255, 255, 255},
    {255, 255, 0},
    {0, 255, 255},
    {0, 255, 0},
    {255, 0, 255},
    {255, 0, 0},
    {0, 0, 255},
    {0, 0, 0},
}};

constexpr std::array<Colour, 4> kLineColours = {
    {{255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}}};

struct Box {
  int x, y, width, height;
};

// A share of a length in percent, in whole pixels.
int Share(int length, int percent) { return int(int64_t(length) * percent / 100); }

void DrawGrid(Frame &card) {
  for (int y = 0; y < card.Height(); y += 16)
    FillRect(card, 0, y, card.Width(), 1, y % 64 == 0 ? kGridCoarse : kGridFine);
  for (int x = 0; x < card.Width(); x += 16)
    FillRect(card, x, 0, 1, card.Height(), x % 64 == 0 ? kGridCoarse : kGridFine);
}

void DrawBars(Frame &card, int height) {
  for (size_t i = 0; i < kBars.size(); ++i) {
    int left = int(int64_t(card.Width()) * int64_t(i) / int64_t(kBars.size()));
    int right = int(int64_t(card.Width()) * int64_t(i + 1) / int64_t(kBars.size()));
    FillRect(card, left, 0, right - left, height, kBars[i]);
  }
}

enum class LineDirection { Vertical, Horizontal };

// Lines across the direction a shift would move them: vertical lines for sideways shifts.
// Each colour has its own strip; the first half of a strip has 1-pixel lines 4 apart, the
// second half 2-pixel lines 8 apart.
void DrawLineBlock(Frame &card, Box box, LineDirection direction) {
  FillRect(card, box.x, box.y, box.width, box.height, kBlack);
  for (size_t strip = 0; strip < kLineColours.size(); ++strip) {
    Colour colour = kLineColours[strip];
    if (direction == LineDirection::Vertical) {
      int top = box.y + box.height * int(strip) / 4;
      int bottom = box.y + box.height * int(strip + 1) / 4 - 1;
      for (int x = 1; x < box.width; x += 4) {
        bool wide = x >= box.width / 2;
        if (wide && (x - 1) % 8 != 0) continue;
        FillRect(card, box.x + x, top, wide ? 2 : 1, bottom - top, colour);
      }
    } else {
      int left = box.x + box.width * int(strip) / 4;
      int right = box.x + box.width * int(strip + 1) / 4 - 1;
      for (int y = 1; y < box.height; y += 4) {
        bool wide = y >= box.height / 2;
        if (wide && (y - 1) % 8 != 0) continue;
        FillRect(card, left, box.y + y, right - left, wide ? 2 : 1, colour);
      }
    }
  }
}

void DrawCircle(Frame &card, int cx, int cy, int radius, Colour colour) {
  int64_t outer = int64_t(radius) * radius;
  int64_t inner = int64_t(std::max(radius - 2, 0)) * std::max(radius - 2, 0);
  for (int y = -radius; y <= radius; ++y)
    for (int x = -radius; x <= radius; ++x) {
      int64_t d = int64_t(x) * x + int64_t(y) * y;
      if (d <= outer && d >= inner) PutPixel(card, cx + x, cy + y, colour);
    }
  FillRect(card, cx - radius, cy, 2 * radius + 1, 1, colour);
  FillRect(card, cx, cy - radius, 1, 2 * radius + 1, colour);
}

// An arrow from (x, y), the middle of its tail, `length` pixels up (or to the right).
void DrawArrow(Frame &card, int x, int y, int length, bool right, Colour colour) {
  int head = std::max(length / 3, 1);
  int shaft = std::max(length / 8, 1);
  for (int k = 0; k < head; ++k) {
    int half = k * 2 / 3;
    if (right)
      FillRect(card, x + length - k, y - half, 1, 2 * half + 1, colour);
    else
      FillRect(card, x - half, y - length + k, 2 * half + 1, 1, colour);
  }
  if (right)
    FillRect(card, x, y - shaft / 2, length - head + 1, shaft, colour);
  else
    FillRect(card, x - shaft / 2, y - length + head, shaft, length - head + 1, colour);
}

void DrawRamps(Frame &card, Box box) {
  int span = std::max(box.width - 1, 1);
  for (int x = 0; x < box.width; ++x) {
    BYTE grey = BYTE(255 * x / span);
    FillRect(card, box.x + x, box.y, 1, box.height / 2, Colour{grey, grey, grey});
    // Hue round the colour circle: six segments of a rising or falling channel.
    int hue = int(int64_t(1536) * x / (box.width + 1));
    int segment = hue / 256;
    BYTE rise = BYTE(hue % 256);
    BYTE fall = BYTE(255 - rise);
    Colour c;
    switch (segment) {
    case 0:
      c = {255, rise, 0};
      break;
    case 1:
      c = {fall, 255, 0};
      break;
    case 2:
      c = {0, 255, rise};
      break;
    case 3:
      c = {0, fall, 255};
      break;
    case 4:
      c = {rise, 0, 255};
      break;
    default:
      c = {255, 0, fall};
      break;
    }
    FillRect(card, box.x + x, box.y + box.height / 2, 1, box.height - box.height / 2, c);
  }
}

} // namespace

Result<Frame> MakeTestCard(FrameSize size) {
  Result<Frame> made = Frame::Allocate(size);
  ZRQ_RETURN_IF_FAILED(made);
  Frame &card = made.value();
  int w = card.Width();
  int h = card.Height();
  int textScale = std::max(1, h / 140);

  FillRect(card, 0, 0, w, h, kBackground);
  DrawGrid(card);
  int barHeight = Share(h, 18);
  DrawBars(card, barHeight);

  DrawCircle(card, w / 2, Share(h, 52), std::min(Share(w, 28), Share(h, 30)), kWhite);

  DrawLineBlock(card, Box{Share(w, 4), Share(h, 32), Share(w, 22), Share(h, 48)},
                LineDirection::Vertical);
  DrawLineBlock(card, Box{Share(w, 74), Share(h, 32), Share(w, 22), Share(h, 48)},
                LineDirection::Horizontal);

  int arrow = Share(h, 11);
  DrawArrow(card, Share(w, 6), barHeight + Share(h, 2) + arrow, arrow, false, kWhite);
  DrawText(card, Share(w, 6) + arrow / 2 + textScale * 3, barHeight + Share(h, 2) + arrow / 3,
           "TOP", textScale, kWhite);
  int rightY = Share(h, 84) - arrow / 4;
  DrawArrow(card, w - Share(w, 3) - arrow, rightY, arrow, true, kWhite);
  DrawText(card, w - Share(w, 3) - arrow - TextWidth("RIGHT", textScale) - textScale * 3,
           rightY - TextHeight(textScale) / 2, "RIGHT", textScale, kWhite);
  std::string label = std::to_string(w) + "x" + std::to_string(h);
  DrawText(card, Share(w, 4), Share(h, 84) - TextHeight(textScale) / 2, label, textScale, kWhite);

  DrawRamps(card, Box{0, Share(h, 88), w, h - Share(h, 88)});

  // A one-pixel frame marks the picture's edges.
  FillRect(card, 0, 0, w, 1, kWhite);
  FillRect(card, 0, h - 1, w, 1, kWhite);
  FillRect(card, 0, 0, 1, h, kWhite);
  FillRect(card, w - 1, 0, 1, h, kWhite);
  return made;
}
