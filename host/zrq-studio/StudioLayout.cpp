#include "host/zrq-studio/StudioLayout.h"

#include <algorithm>

namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kTimelineHeight = 132;
constexpr int kMessageHeight = 18;
// The column is at least this wide, so the studio's rows of buttons fit beside a small page.
constexpr int kColumnWidth = 512;

} // namespace

StudioLayout LayOutStudio(int width, int height, SIZE pageSize) {
  width = std::max(width, kMinimumStudioWidth);
  height = std::max(height, kMinimumStudioHeight);
  const int column = std::max<int>(kColumnWidth, pageSize.cx);
  StudioLayout layout;
  layout.page = {kMargin, kMargin, int(pageSize.cx), int(pageSize.cy)};
  int y = layout.page.Bottom() + kMargin;
  layout.frameButtons = {kMargin, y, column, kRowHeight};
  y += kRowHeight + 2 * kMargin;
  layout.fileRow = {kMargin, y, column, kRowHeight - 2};
  y += kRowHeight + kMargin / 2;
  layout.commandRow = {kMargin, y, column, kRowHeight};
  y += kRowHeight + kMargin / 2;
  layout.viewRow = {kMargin, y, column, kRowHeight};
  y += kRowHeight + kMargin;
  layout.progress = {kMargin, y, column, 12};

  layout.message = {kMargin, height - kMargin / 2 - kMessageHeight, width - 2 * kMargin,
                    kMessageHeight};
  layout.timeline = {kMargin, layout.message.y - kMargin / 2 - kTimelineHeight, width - 2 * kMargin,
                     kTimelineHeight};
  const int previewX = kMargin + column + kMargin;
  layout.preview = {previewX, kMargin, width - kMargin - previewX, layout.timeline.y - 2 * kMargin};
  return layout;
}
