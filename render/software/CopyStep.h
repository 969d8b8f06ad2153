// The copy that most routines start from, split by rows so a routine can copy a row and patch
// it while it is still in the cache.
#pragma once

#include "render/software/SoftwarePicture.h"

// Copies rows [firstRow, endRow). With equal strides the rows travel as one block, the bytes
// between the rows included (but never past the last row's 4 x width bytes); otherwise each
// row's first 4 x width bytes.
void CopyRows(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
              LONG firstRow, LONG endRow);
