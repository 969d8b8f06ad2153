// The page edits on its window's thread while a host's render thread draws frames of the same
// effect: neither waits for the other beyond the effect's own guarding.
#include "proppage/PageFixture.h"

#include <atomic>
#include <string>
#include <thread>

namespace zrq::test {
namespace {

constexpr int kW = 16;
constexpr int kH = 12;
constexpr int kEdits = 1000;

bool Defined(HRESULT hr) { return hr == S_OK || hr == S_FALSE || hr == E_FAIL; }

// Draws software frames along the clip until the editor is done.
void Render(EffectObject &e, const std::atomic<bool> &done) {
  const std::vector<uint32_t> source = PatternPicture(kW, kH);
  std::vector<uint32_t> out(source.size());
  BYTE *sources[1] = {reinterpret_cast<BYTE *>(const_cast<uint32_t *>(source.data()))};
  LONG strides[1] = {kW * 4};
  for (int frame = 0; !done || frame < 10; ++frame) {
    const HRESULT prepared = e.software->PrepareSoftwareFrame((frame % 11) / 10.0, 0, 0);
    EXPECT_TRUE(Defined(prepared)) << std::hex << prepared;
    const HRESULT drawn = e.software->ProcessFrame(
        sources, 0, strides, 0, reinterpret_cast<BYTE *>(out.data()), 0, 0, kW, kH, kW * 4);
    EXPECT_TRUE(Defined(drawn)) << std::hex << drawn;
  }
}

using PageThreads = PageFixture;

TEST_F(PageThreads, KeyFramesEditedWhileAnotherThreadRenders) {
  ASSERT_EQ(effect.software->SetFrameSize(kW, kH, 0, 0), S_OK);
  ASSERT_EQ(effect.device->SetDuration(1.0), S_OK);
  ASSERT_EQ(effect.Key(0.0, 50), S_OK);
  ASSERT_EQ(effect.parameters->ApplyParameters(), S_OK);
  Open();

  std::atomic<bool> done{false};
  std::thread renderer(Render, std::ref(effect), std::cref(done));
  for (int i = 0; i < kEdits; ++i) {
    Type(TimeFieldId, std::u16string(1, char16_t(u'0' + i % 10)).append(u"5").c_str());
    Type(EffectValueFieldId, std::u16string(1, char16_t(u'1' + i % 9)).append(u"0").c_str());
    EXPECT_EQ(Press(AddKeyFrameButtonId), S_OK);
    EXPECT_TRUE(Defined(Press(i % 2 ? NextKeyFrameButtonId : PreviousKeyFrameButtonId)));
    if (i % 7 == 0) {
      EXPECT_TRUE(Defined(Press(RemoveKeyFrameButtonId)));
    }
    if (i % 25 == 0) {
      SendMessageW(Control(EffectListId), CB_SETCURSEL, i % 10, 0);
      EXPECT_EQ(Command(EffectListId, CBN_SELCHANGE), S_OK);
    }
  }
  done = true;
  renderer.join();
  EXPECT_FALSE(KeyTimes().empty());
}

} // namespace
} // namespace zrq::test
