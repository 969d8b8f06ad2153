#include "host/EffectRenderer.h"

#include <cstdio>
#include <cstring>

Status EffectRenderer::Render(const Frame &source, Frame &destination, double effectValue) {
  if (source.Size() != destination.Size())
    return Status::Fail("source and destination pictures differ in size");
  if (source.Size() != processorSize) {
    processor.SetSize(source.Width(), source.Height());
    processorSize = source.Size();
  }
  processor.SetEffectValue(&effectValue, sizeof effectValue);

  std::memcpy(destination.Data(), source.Data(), source.ByteCount());
  BYTE *sources[1] = {const_cast<BYTE *>(source.Data())};
  LONG sourceStrides[1] = {source.Stride()};
  HRESULT hr = processor.ProcessFrame(sources, 0, sourceStrides, 0, destination.Data(), 0, 0,
                                      source.Width(), source.Height(), destination.Stride());
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", unsigned(hr));
    return Status::Fail(std::string("the effect processor failed (") + code + ")");
  }
  return Status::Ok();
}
