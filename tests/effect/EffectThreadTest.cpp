// A host's render thread against an editor on another thread: key frames edited, the effect
// changed and applied, projects loaded, while frames are drawn on each path.
#include "effect/EffectObjectFixture.h"
#include "host/common/ModelSpaceView.h"
#include "params/XmlTestDocuments.h"
#include "support/TestDevice.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace zrq::test {
namespace {

constexpr int kW = 24;
constexpr int kH = 16;
constexpr int kEdits = 1000;

bool Defined(HRESULT hr) { return hr == S_OK || hr == E_FAIL || hr == E_POINTER; }

// Changes the effect and its key frames, and now and then loads a project saved earlier.
void Edit(EffectObject &e, IXMLDOMElement *project, std::atomic<bool> &done) {
  for (int i = 0; i < kEdits; ++i) {
    const LONG id = WaveEffectId + i % 10;
    EXPECT_EQ(e.SetEffectId(id), S_OK);
    EXPECT_EQ(e.parameters->ApplyParameters(), S_OK);
    EXPECT_EQ(e.Key(double(i % 7) / 6.0, short(i % 101)), S_OK);
    if (i % 5 == 0) {
      EXPECT_EQ(e.parameters->RemoveAllKeyFrameValues(EffectValueParameter, AllTimeBases), S_OK);
    }
    if (i % 9 == 0) {
      EXPECT_EQ(e.parameters->LoadParameters(project), S_OK);
    }
  }
  done = true;
}

// A project of one effect with a ramp of "Effect Value" from `from` at time 0 to `to` at 1.
CComPtr<IXMLDOMElement> SavedProject(LONG effectId = PanelRotateEffectId, short from = 20,
                                     short to = 80) {
  EffectObject source;
  EXPECT_EQ(source.SetEffectId(effectId), S_OK);
  EXPECT_EQ(source.Key(0.0, from), S_OK);
  EXPECT_EQ(source.Key(1.0, to), S_OK);
  CComPtr<IXMLDOMElement> project = NewHostElement();
  EXPECT_EQ(source.parameters->SaveParameters(project), S_OK);
  return project;
}

// The software path's frame of `e` from the pattern picture; empty when a call fails.
std::vector<uint32_t> SoftwareFrame(EffectObject &e) {
  const std::vector<uint32_t> source = PatternPicture(kW, kH);
  std::vector<uint32_t> out(source.size());
  BYTE *sources[1] = {reinterpret_cast<BYTE *>(const_cast<uint32_t *>(source.data()))};
  LONG strides[1] = {kW * 4};
  if (FAILED(e.software->ProcessFrame(sources, 0, strides, 0, reinterpret_cast<BYTE *>(out.data()),
                                      0, 0, kW, kH, kW * 4)))
    out.clear();
  return out;
}

TEST(EffectThreads, DeviceFramesWhileAnotherThreadEdits) {
  TestDevice target(kW, kH);
  ASSERT_TRUE(target.device);
  ASSERT_EQ(zrq::host::ApplyModelSpaceView(target.device, kW, kH), S_OK);
  CComPtr<IDirect3DTexture9> texture = target.Texture(kW, kH, PatternPicture(kW, kH));
  CComPtr<IXMLDOMElement> project = SavedProject();
  EffectObject e;
  ASSERT_EQ(e.device->SetDevice(target.device, kW, kH), S_OK);
  ASSERT_EQ(e.device->SetDuration(1.0), S_OK);

  std::atomic<bool> done{false};
  std::thread editor(Edit, std::ref(e), project.p, std::ref(done));
  int frames = 0;
  while (!done || frames < 10) {
    const float aspect = float(kW) / kH;
    const HRESULT prepared =
        e.device->PrepareFrame((frames % 11) / 10.0, const_cast<float *>(&aspect), 1);
    EXPECT_TRUE(Defined(prepared)) << std::hex << prepared;
    IDirect3DTexture9 *textures[1] = {texture};
    const HRESULT drawn = e.device->RenderFrame(textures, 1);
    EXPECT_TRUE(Defined(drawn)) << std::hex << drawn;
    ++frames;
  }
  editor.join();
}

TEST(EffectThreads, SoftwareFramesWhileAnotherThreadEdits) {
  CComPtr<IXMLDOMElement> project = SavedProject();
  EffectObject e;
  ASSERT_EQ(e.software->SetFrameSize(kW, kH, 0, 0), S_OK);
  ASSERT_EQ(e.device->SetDuration(1.0), S_OK);
  const std::vector<uint32_t> source = PatternPicture(kW, kH);
  std::vector<uint32_t> out(source.size());
  BYTE *sources[1] = {reinterpret_cast<BYTE *>(const_cast<uint32_t *>(source.data()))};
  LONG strides[1] = {kW * 4};

  std::atomic<bool> done{false};
  std::thread editor(Edit, std::ref(e), project.p, std::ref(done));
  int frames = 0;
  while (!done || frames < 10) {
    EXPECT_TRUE(Defined(e.software->PrepareSoftwareFrame((frames % 11) / 10.0, 0, 0)));
    const HRESULT hr = e.software->ProcessFrame(
        sources, 0, strides, 0, reinterpret_cast<BYTE *>(out.data()), 0, 0, kW, kH, kW * 4);
    EXPECT_TRUE(Defined(hr)) << std::hex << hr;
    ++frames;
  }
  editor.join();
}

TEST(EffectThreads, SoftwareFramesAreWholePicturesOfOneProject) {
  // Two projects, loaded in turn on one thread while the other draws. Each frame must be a
  // picture of one of them: at the value prepared for it, or at the value a processor a load
  // has just made starts with; never a mixture of the two.
  const CComPtr<IXMLDOMElement> projects[2] = {SavedProject(PanelRotateEffectId, 30, 30),
                                               SavedProject(WaveEffectId, 80, 80)};
  std::vector<std::vector<uint32_t>> wholes;
  for (IXMLDOMElement *project : projects) {
    EffectObject reference;
    ASSERT_EQ(reference.software->SetFrameSize(kW, kH, 0, 0), S_OK);
    ASSERT_EQ(reference.device->SetDuration(1.0), S_OK);
    ASSERT_EQ(reference.xml->LoadParameters(project), S_OK);
    wholes.push_back(SoftwareFrame(reference)); // as a load leaves it
    ASSERT_EQ(reference.software->PrepareSoftwareFrame(0.5, 0, 0), S_OK);
    wholes.push_back(SoftwareFrame(reference));
  }
  for (const std::vector<uint32_t> &whole : wholes) ASSERT_FALSE(whole.empty());
  ASSERT_NE(wholes[1], wholes[3]);

  EffectObject e;
  ASSERT_EQ(e.software->SetFrameSize(kW, kH, 0, 0), S_OK);
  ASSERT_EQ(e.device->SetDuration(1.0), S_OK);
  ASSERT_EQ(e.xml->LoadParameters(projects[0]), S_OK);
  std::atomic<bool> done{false};
  std::thread loader([&] {
    for (int i = 1; i <= kEdits; ++i) EXPECT_EQ(e.xml->LoadParameters(projects[i % 2]), S_OK);
    done = true;
  });
  int frames = 0, mixed = 0;
  while (!done || frames < 10) {
    EXPECT_EQ(e.software->PrepareSoftwareFrame(0.5, 0, 0), S_OK);
    const std::vector<uint32_t> frame = SoftwareFrame(e);
    mixed += std::find(wholes.begin(), wholes.end(), frame) == wholes.end();
    ++frames;
  }
  loader.join();
  EXPECT_EQ(mixed, 0) << "of " << frames << " frames";
}

} // namespace
} // namespace zrq::test
