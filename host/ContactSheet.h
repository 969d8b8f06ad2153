// One picture that shows many: a grid of thumbnails with a label for each row and column.
#pragma once

#include "host/Frame.h"
#include "host/Status.h"

#include <optional>
#include <string>
#include <vector>

class ContactSheet {
public:
  // Thumbnails are at most `thumbnailWidth` pixels wide.
  ContactSheet(std::vector<std::string> rowLabels, std::vector<std::string> columnLabels,
               int thumbnailWidth);

  // Shrinks `picture` into the cell; every picture placed must have the same size.
  Status Place(size_t row, size_t column, const Frame &picture);

  // The sheet, opaque; cells never placed stay empty.
  Result<Frame> Compose() const;

private:
  std::vector<std::string> rowLabels;
  std::vector<std::string> columnLabels;
  int thumbnailWidth;
  FrameSize thumbnailSize;
  std::vector<std::optional<Frame>> cells; // row-major
};
