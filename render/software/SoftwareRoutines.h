// The ten per-pixel routines of the software processor, one family per source file. Each takes
// pictures already checked by SoftwareEffectProcessor::ProcessFrame and an effect value in 0..1.
#pragma once

#include "render/software/SoftwarePicture.h"
#include "render/software/WorkingMemory.h"

// Destination := source, over the first 4 x width bytes of every row.
void CopyPicture(const SourcePicture &src, const DestinationPicture &dst, PictureSize size);

// Identifiers 2003 to 2006 in that order.
void MirrorFromTop(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                   double x);
void MirrorFromBottom(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                      double x);
void MirrorFromLeft(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                    double x);
void MirrorFromRight(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                     double x);

// Identifiers 2007 to 2009.
void ColorShiftHorizontal(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                          double x);
void ColorShiftVertical(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                        double x);
void ColorShiftDiagonal(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                        double x);

// Identifier 2002.
void Replicate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x);

// Identifier 2010. Its column table lives in `memory`; without it the picture is still made,
// the slow way.
void PanelRotate(const SourcePicture &src, const DestinationPicture &dst, PictureSize size,
                 double x, WorkingMemory &memory);

// Identifier 2001. The tables hold 256 entries each (see WaveTables.h); returns E_OUTOFMEMORY
// with nothing written when `memory` cannot hold the per-frame displacement arrays.
HRESULT Wave(const SourcePicture &src, const DestinationPicture &dst, PictureSize size, double x,
             const signed char *sineTable, const signed char *cosineTable, WorkingMemory &memory);
