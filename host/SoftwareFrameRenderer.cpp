#include "host/SoftwareFrameRenderer.h"

#include "host/StatusCode.h"

#include <cstring>

Result<std::unique_ptr<FrameRenderer>> SoftwareFrameRenderer::Create(IUnknown *effect,
                                                                     FrameSize size) {
  CComPtr<ISoftwareEffect> software;
  HRESULT hr = effect->QueryInterface(IID_ISoftwareEffect, reinterpret_cast<void **>(&software));
  if (FAILED(hr)) return Error{"the module's effect has no software path (" + StatusCode(hr) + ")"};
  hr = software->SetFrameSize(size.width, size.height, 0, 0);
  if (FAILED(hr))
    return Error{"the effect refused the frame size " + std::to_string(size.width) + "x" +
                 std::to_string(size.height) + " (" + StatusCode(hr) + ")"};
  ZRQ_RETURN_IF_FAILED(StartEffectOnPath(effect));
  return std::unique_ptr<FrameRenderer>(new SoftwareFrameRenderer(std::move(software), size));
}

Status SoftwareFrameRenderer::Render(const Frame &source, Frame &destination, double time) {
  if (source.Size() != size || destination.Size() != size)
    return Status::Fail("the pictures differ in size from the frames the effect was set up for");
  HRESULT hr = effect->PrepareSoftwareFrame(time, 0, 0);
  if (FAILED(hr))
    return Status::Fail("the effect cannot prepare the frame (" + StatusCode(hr) + ")");
  std::memcpy(destination.Data(), source.Data(), source.ByteCount());
  BYTE *sources[1] = {const_cast<BYTE *>(source.Data())};
  LONG sourceStrides[1] = {source.Stride()};
  hr = effect->ProcessFrame(sources, 0, sourceStrides, 0, destination.Data(), 0, 0, source.Width(),
                            source.Height(), destination.Stride());
  if (FAILED(hr)) return Status::Fail("the effect's software path failed (" + StatusCode(hr) + ")");
  return Status::Ok();
}
