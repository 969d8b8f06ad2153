// One panel-rotate frame's geometry: picture size, centre, the angle's cosine and sine (single
// precision, as the effect computes them) and the per-column products formed once per frame.
#pragma once

#include <windows.h>

struct RotateFrame {
  LONG w, h, cx, cy;
  float cosTheta, sinTheta;
  const double *columnCos; // dx x cos theta per column
  const double *columnSin; // -dx x sin theta per column

  // Source column and row of destination column i, given the row's dy x sin and dy x cos.
  LONG SourceColumn(LONG i, double dySin) const { return cx + LONG(columnCos[i] + dySin); }
  LONG SourceRow(LONG i, double dyCos) const { return cy + LONG(columnSin[i] + dyCos); }
};
