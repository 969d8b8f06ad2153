// The render entry on both paths: when a renderer or processor exists, which value and time a
// frame is drawn with, and what bad host input gets.
#include "ReferenceCount.h"
#include "effect/EffectObjectFixture.h"
#include "host/common/ModelSpaceView.h"
#include "params/XmlTestDocuments.h"
#include "support/TestDevice.h"
#include "render/software/SoftwareEffectProcessor.h"

#include <cmath>
#include <limits>

namespace zrq::test {
namespace {

constexpr int kW = 32;
constexpr int kH = 24;

// One frame through ISoftwareEffect at `time`.
std::vector<uint32_t> SoftwareFrame(EffectObject &e, double time, HRESULT *prepared = nullptr) {
  const std::vector<uint32_t> source = PatternPicture(kW, kH);
  std::vector<uint32_t> out(source);
  BYTE *sources[1] = {reinterpret_cast<BYTE *>(const_cast<uint32_t *>(source.data()))};
  LONG strides[1] = {kW * 4};
  const HRESULT hr = e.software->PrepareSoftwareFrame(time, 0, 0);
  if (prepared) *prepared = hr;
  EXPECT_EQ(e.software->ProcessFrame(sources, 0, strides, 0, reinterpret_cast<BYTE *>(out.data()),
                                     0, 0, kW, kH, kW * 4),
            S_OK);
  return out;
}

// The same frame from the processor alone, at `value` (0..1).
std::vector<uint32_t> ProcessorFrame(LONG effectId, double value) {
  const std::vector<uint32_t> source = PatternPicture(kW, kH);
  std::vector<uint32_t> out(source);
  SoftwareEffectProcessor processor(effectId);
  processor.SetSize(kW, kH);
  processor.SetEffectValue(&value, sizeof value);
  BYTE *sources[1] = {reinterpret_cast<BYTE *>(const_cast<uint32_t *>(source.data()))};
  LONG strides[1] = {kW * 4};
  processor.ProcessFrame(sources, 0, strides, 0, reinterpret_cast<BYTE *>(out.data()), 0, 0, kW, kH,
                         kW * 4);
  return out;
}

// An effect on the software path for `effectId`, ramped 0 → 100 over normalised time.
void SoftwareRamp(EffectObject &e, LONG effectId) {
  ASSERT_EQ(e.SetEffectId(effectId), S_OK);
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  ASSERT_EQ(e.Key(1.0, 100), S_OK);
  ASSERT_EQ(e.software->SetFrameSize(kW, kH, 0, 0), S_OK);
  ASSERT_EQ(e.device->SetDuration(10.0), S_OK);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
}

TEST(SoftwarePath, FramesTakeTheKeyFramedValueAtTheClampedNormalisedTime) {
  EffectObject e;
  SoftwareRamp(e, PanelRotateEffectId);
  EXPECT_EQ(SoftwareFrame(e, 2.5), ProcessorFrame(PanelRotateEffectId, 0.25));
  EXPECT_EQ(SoftwareFrame(e, 1.25), ProcessorFrame(PanelRotateEffectId, 0.125));
  EXPECT_EQ(SoftwareFrame(e, -1.0), ProcessorFrame(PanelRotateEffectId, 0.0));
  EXPECT_EQ(SoftwareFrame(e, 12.0), ProcessorFrame(PanelRotateEffectId, 1.0));
  EXPECT_EQ(SoftwareFrame(e, std::numeric_limits<double>::quiet_NaN()),
            ProcessorFrame(PanelRotateEffectId, 0.0));
}

TEST(SoftwarePath, ValuesOutsideThePercentRangeAreClamped) {
  for (const short percent : {short(150), short(32767), short(-1), short(-32768)}) {
    EffectObject e;
    ASSERT_EQ(e.SetEffectId(ReplicateEffectId), S_OK);
    ASSERT_EQ(e.Key(0.0, percent), S_OK);
    ASSERT_EQ(e.software->SetFrameSize(kW, kH, 0, 0), S_OK);
    ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
    EXPECT_EQ(SoftwareFrame(e, 0.0), ProcessorFrame(ReplicateEffectId, percent > 0 ? 1.0 : 0.0))
        << percent;
  }
}

TEST(SoftwarePath, FailsWithoutProcessorOrKeyFrames) {
  EffectObject e;
  BYTE pixel[4] = {};
  BYTE *sources[1] = {pixel};
  LONG strides[1] = {4};
  EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), E_FAIL);
  EXPECT_EQ(e.software->ProcessFrame(sources, 0, strides, 0, pixel, 0, 0, 1, 1, 4), E_FAIL);
  ASSERT_EQ(e.software->SetFrameSize(1, 1, 0, 0), S_OK);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), E_FAIL); // no key frame yet
  ASSERT_EQ(e.Key(0.0, 10), S_OK);
  EXPECT_EQ(e.software->PrepareSoftwareFrame(0.0, 0, 0), S_OK);
  EXPECT_EQ(e.software->ProcessFrame(sources, 0, strides, 0, pixel, 0, 0, 1, 1, 4), S_OK);
}

TEST(SoftwarePath, BadSizesAndDurationsChangeNothing) {
  EffectObject e;
  SoftwareRamp(e, PanelRotateEffectId);
  const std::vector<uint32_t> quarter = ProcessorFrame(PanelRotateEffectId, 0.25);
  for (const double bad : {0.0, -1.0, std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(e.device->SetDuration(bad), E_INVALIDARG) << bad;
  EXPECT_EQ(SoftwareFrame(e, 2.5), quarter); // still a duration of 10

  EXPECT_EQ(e.software->SetFrameSize(0, kH, 0, 0), E_INVALIDARG);
  EXPECT_EQ(e.software->SetFrameSize(kW, -3, 0, 0), E_INVALIDARG);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK); // rebuilds at the recorded size
  EXPECT_EQ(SoftwareFrame(e, 2.5), quarter);
}

class DevicePath : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(target.device);
    ASSERT_EQ(zrq::host::ApplyModelSpaceView(target.device, kW, kH), S_OK);
    texture = target.Texture(kW, kH, PatternPicture(kW, kH));
    ASSERT_TRUE(texture);
    deviceCount = ReferenceCount(target.device);
    textureCount = ReferenceCount(texture);
  }

  HRESULT Frame(EffectObject &e, double time) {
    target.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
    const float aspects[1] = {float(kW) / kH};
    const HRESULT prepared = e.device->PrepareFrame(time, const_cast<float *>(aspects), 1);
    if (FAILED(prepared)) return prepared;
    IDirect3DTexture9 *textures[1] = {texture};
    return e.device->RenderFrame(textures, 1);
  }

  size_t CountCalls(const char *method) {
    size_t n = 0;
    for (const ZRQ_D3D9_CALL &call : target.Calls()) n += std::string(call.Method) == method;
    return n;
  }

  TestDevice target{kW, kH};
  CComPtr<IDirect3DTexture9> texture;
  ULONG deviceCount = 0;
  ULONG textureCount = 0;
};

TEST_F(DevicePath, NoRendererUntilTheParametersAreApplied) {
  EffectObject e;
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  EXPECT_EQ(Frame(e, 0.0), E_POINTER); // no device
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  EXPECT_EQ(Frame(e, 0.0), E_FAIL); // no renderer
  IDirect3DTexture9 *textures[1] = {texture};
  EXPECT_EQ(e.device->RenderFrame(textures, 1), E_POINTER);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  EXPECT_EQ(Frame(e, 0.0), S_OK);
  // Replicate at 0 is the picture itself.
  EXPECT_EQ(target.ReadBack(), PatternPicture(kW, kH));
}

TEST_F(DevicePath, OutOfRangeValuesDrawAsTheNearestEnd) {
  // A typed 150 would be an 11 × 11 grid and -32768 a grid of a hundred thousand cells a side.
  EffectObject reference, high, low;
  for (EffectObject *e : {&reference, &high, &low}) {
    ASSERT_EQ(e->device->SetDevice(target.device, kW, kH), S_OK);
    ASSERT_EQ(e->parameters->ApplyParameters(), S_OK);
  }
  ASSERT_EQ(reference.Key(0.0, 100), S_OK);
  ASSERT_EQ(high.Key(0.0, 150), S_OK);
  ASSERT_EQ(low.Key(0.0, -32768), S_OK);
  ASSERT_EQ(Frame(reference, 0.0), S_OK);
  const std::vector<uint32_t> full = target.ReadBack();
  ASSERT_EQ(Frame(high, 0.0), S_OK);
  EXPECT_EQ(target.ReadBack(), full);
  ASSERT_EQ(Frame(low, 0.0), S_OK);
  EXPECT_EQ(target.ReadBack(), PatternPicture(kW, kH));
}

TEST_F(DevicePath, ApplyingAnUnchangedIdKeepsTheRendererButALoadReattachesIt) {
  EffectObject e;
  ASSERT_EQ(e.SetEffectId(MirrorFromTopEffectId), S_OK);
  ASSERT_EQ(e.Key(0.0, 50), S_OK);
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  target.Record(true);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  EXPECT_EQ(CountCalls("CreateVertexBuffer"), 1u); // attached: two panels' buffers

  target.Record(true);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  EXPECT_EQ(CountCalls("CreateVertexBuffer"), 0u);

  CComPtr<IXMLDOMElement> project = NewHostElement();
  ASSERT_EQ(e.parameters->SaveParameters(project), S_OK);
  target.Record(true);
  ASSERT_EQ(e.parameters->LoadParameters(project), S_OK);
  EXPECT_EQ(CountCalls("CreateVertexBuffer"), 1u);
  target.Record(false);
  EXPECT_EQ(Frame(e, 0.0), S_OK);
}

TEST_F(DevicePath, AnIdOutsideTheCatalogueDropsTheRendererUntilAValidOneReturns) {
  EffectObject e;
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  ASSERT_EQ(e.SetEffectId(2011), S_OK);
  EXPECT_EQ(e.parameters->ApplyParameters(), E_OUTOFMEMORY);
  EXPECT_EQ(Frame(e, 0.0), E_FAIL);
  ASSERT_EQ(e.SetEffectId(ReplicateEffectId), S_OK);
  EXPECT_EQ(e.parameters->ApplyParameters(), S_OK);
  EXPECT_EQ(Frame(e, 0.0), S_OK);
}

TEST_F(DevicePath, DeviceReferencesFollowTheHost) {
  {
    EffectObject e;
    ASSERT_EQ(e.Key(0.0, 30), S_OK);
    ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
    EXPECT_EQ(ReferenceCount(target.device), deviceCount + 1);
    // The same device again: the reference is taken before the old one goes.
    ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
    EXPECT_EQ(ReferenceCount(target.device), deviceCount + 1);
    ASSERT_EQ(e.device->ResetDevice(target.device), S_OK);
    EXPECT_EQ(ReferenceCount(target.device), deviceCount + 1);
    // A bad size is refused without touching the device held.
    EXPECT_EQ(e.device->SetDevice(nullptr, 0, kH), E_INVALIDARG);
    EXPECT_EQ(ReferenceCount(target.device), deviceCount + 1);

    ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
    ASSERT_EQ(Frame(e, 0.0), S_OK);
    // In software mode the device calls refuse and keep the device.
    ASSERT_EQ(e.software->SetFrameSize(kW, kH, 0, 0), S_OK);
    EXPECT_EQ(e.device->ReleaseDevice(), E_FAIL);
    EXPECT_EQ(e.device->ResetDevice(target.device), E_FAIL);
    EXPECT_GT(ReferenceCount(target.device), deviceCount);
  }
  // The last release destroys the renderer and lets go of the device and the texture.
  EXPECT_EQ(ReferenceCount(target.device), deviceCount);
  EXPECT_EQ(ReferenceCount(texture), textureCount);
}

TEST_F(DevicePath, ReleasingTheDeviceKeepsTheRendererForALaterDevice) {
  EffectObject e;
  ASSERT_EQ(e.SetEffectId(PanelRotateEffectId), S_OK);
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  ASSERT_EQ(e.device->ReleaseDevice(), S_OK);
  EXPECT_EQ(ReferenceCount(target.device), deviceCount);
  EXPECT_EQ(Frame(e, 0.0), E_POINTER);

  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  // Recorded only: the renderer is reconnected by the next load.
  CComPtr<IXMLDOMElement> project = NewHostElement();
  ASSERT_EQ(e.parameters->SaveParameters(project), S_OK);
  ASSERT_EQ(e.parameters->LoadParameters(project), S_OK);
  EXPECT_EQ(Frame(e, 0.0), S_OK);
  EXPECT_EQ(target.ReadBack(), PatternPicture(kW, kH));
}

TEST_F(DevicePath, NullTexturesAreRefusedAndNoTexturesDrawUntextured) {
  EffectObject e;
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  ASSERT_EQ(e.parameters->ApplyParameters(), S_OK);
  const float aspects[1] = {float(kW) / kH};
  ASSERT_EQ(e.device->PrepareFrame(0.0, const_cast<float *>(aspects), 1), S_OK);
  EXPECT_EQ(e.device->RenderFrame(nullptr, 1), E_POINTER);
  ASSERT_EQ(e.device->PrepareFrame(0.0, const_cast<float *>(aspects), 1), S_OK);
  EXPECT_EQ(e.device->RenderFrame(nullptr, 0), S_OK);
}

TEST_F(DevicePath, AFailedAttachLeavesNothingHalfBuiltAndIsTriedAgain) {
  EffectObject e;
  ASSERT_EQ(e.SetEffectId(MirrorFromLeftEffectId), S_OK);
  ASSERT_EQ(e.Key(0.0, 0), S_OK);
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  ZRQ_D3D9_DEVICE_OPTIONS starved{};
  starved.MemoryBudget = 1; // every buffer creation fails
  ASSERT_EQ(ZrqD3D9SetDeviceOptions(target.device, &starved), S_OK);
  EXPECT_TRUE(FAILED(e.parameters->ApplyParameters()));
  EXPECT_TRUE(FAILED(Frame(e, 0.0)));

  ZRQ_D3D9_DEVICE_OPTIONS plenty{};
  ASSERT_EQ(ZrqD3D9SetDeviceOptions(target.device, &plenty), S_OK);
  CComPtr<IXMLDOMElement> project = NewHostElement();
  ASSERT_EQ(e.parameters->SaveParameters(project), S_OK);
  ASSERT_EQ(e.parameters->LoadParameters(project), S_OK);
  EXPECT_EQ(Frame(e, 0.0), S_OK);
  EXPECT_EQ(target.ReadBack(), PatternPicture(kW, kH));
}

} // namespace
} // namespace zrq::test
