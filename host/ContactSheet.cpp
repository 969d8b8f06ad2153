#include "host/ContactSheet.h"

#include "host/Drawing.h"
#include "host/FrameShrink.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMargin = 12;
constexpr int kTextScale = 2;
constexpr Colour kSheetBackground{40, 40, 40};
constexpr Colour kLabelColour{230, 230, 230};

} // namespace

ContactSheet::ContactSheet(std::vector<std::string> rowLabels,
                           std::vector<std::string> columnLabels, int thumbnailWidth)
    : rowLabels(std::move(rowLabels)), columnLabels(std::move(columnLabels)),
      thumbnailWidth(thumbnailWidth) {
  cells.resize(this->rowLabels.size() * this->columnLabels.size());
}

Status ContactSheet::Place(size_t row, size_t column, const Frame &picture) {
  if (row >= rowLabels.size() || column >= columnLabels.size())
    return Status::Fail("no such cell in the contact sheet");
  FrameSize size = ThumbnailSize(picture.Size(), thumbnailWidth);
  if (thumbnailSize.width == 0) thumbnailSize = size;
  if (size != thumbnailSize)
    return Status::Fail("the pictures of a contact sheet must have one size");
  Result<Frame> thumbnail = ShrinkFrame(picture, size);
  ZRQ_RETURN_IF_FAILED(thumbnail);
  cells[row * columnLabels.size() + column] = std::move(thumbnail.value());
  return Status::Ok();
}

Result<Frame> ContactSheet::Compose() const {
  int labelWidth = 0;
  for (const std::string &label : rowLabels)
    labelWidth = std::max(labelWidth, TextWidth(label, kTextScale));
  int cellWidth = std::max(thumbnailSize.width, 1);
  int cellHeight = std::max(thumbnailSize.height, TextHeight(kTextScale));
  int headerHeight = TextHeight(kTextScale) + kMargin;
  int columns = int(columnLabels.size());
  int rows = int(rowLabels.size());
  FrameSize size{kMargin + labelWidth + kMargin + columns * (cellWidth + kMargin),
                 kMargin + headerHeight + rows * (cellHeight + kMargin)};
  Result<Frame> made = Frame::Allocate(size);
  ZRQ_RETURN_IF_FAILED(made);
  Frame &sheet = made.value();
  FillRect(sheet, 0, 0, size.width, size.height, kSheetBackground);

  int gridLeft = kMargin + labelWidth + kMargin;
  int gridTop = kMargin + headerHeight;
  for (int column = 0; column < columns; ++column) {
    const std::string &label = columnLabels[size_t(column)];
    int x =
        gridLeft + column * (cellWidth + kMargin) + (cellWidth - TextWidth(label, kTextScale)) / 2;
    DrawText(sheet, x, kMargin, label, kTextScale, kLabelColour);
  }
  for (int row = 0; row < rows; ++row) {
    int top = gridTop + row * (cellHeight + kMargin);
    DrawText(sheet, kMargin, top + (cellHeight - TextHeight(kTextScale)) / 2,
             rowLabels[size_t(row)], kTextScale, kLabelColour);
    for (int column = 0; column < columns; ++column) {
      const std::optional<Frame> &cell = cells[size_t(row * columns + column)];
      if (!cell) continue;
      int left = gridLeft + column * (cellWidth + kMargin);
      for (int y = 0; y < cell->Height(); ++y) {
        BYTE *to = sheet.ViewPixel(left, top + y);
        std::memcpy(to, cell->ViewRow(y), cell->RowBytes());
        // The sheet is opaque: what an effect left transparent shows as black.
        for (int x = 0; x < cell->Width(); ++x) to[4 * x + 3] = 255;
      }
    }
  }
  return made;
}
