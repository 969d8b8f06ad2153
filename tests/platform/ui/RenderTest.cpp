#include <png.h>
#include <winerror.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/platform/ui/UiTestSupport.h"

namespace {

using namespace uitest;

struct Picture {
  LONG width = 0, height = 0;
  std::vector<BYTE> bits;
  ZRQUISURFACE Surface() { return ZRQUISURFACE{bits.data(), width, height, width * 4}; }
};

Picture Render(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  Picture p{r.right - r.left, r.bottom - r.top, {}};
  p.bits.assign(static_cast<size_t>(p.width * p.height * 4), 0);
  const ZRQUISURFACE s = p.Surface();
  EXPECT_EQ(ZrqUiRenderWindow(hwnd, &s), S_OK);
  return p;
}

std::string ReferencePath(const char *name) {
  const char *source = std::getenv("ZRQ_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/platform/ui/data/" + name;
}

bool ReadPng(const std::string &path, Picture &out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  out.width = static_cast<LONG>(image.width);
  out.height = static_cast<LONG>(image.height);
  out.bits.assign(PNG_IMAGE_SIZE(image), 0);
  return png_image_finish_read(&image, nullptr, out.bits.data(), 0, nullptr) != 0;
}

void WritePng(const std::string &path, const Picture &picture) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = PNG_FORMAT_BGRA;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, picture.bits.data(), 0, nullptr))
      << path;
}

// Exact pixels against the picture kept in the tree; ZRQ_UPDATE_REFERENCES=1 rewrites it after a
// deliberate change of the drawing.
void ExpectMatchesReference(const Picture &picture, const char *name) {
  const std::string path = ReferencePath(name);
  if (std::getenv("ZRQ_UPDATE_REFERENCES")) WritePng(path, picture);
  Picture reference;
  ASSERT_TRUE(ReadPng(path, reference)) << "no reference picture " << path;
  ASSERT_EQ(reference.width, picture.width);
  ASSERT_EQ(reference.height, picture.height);
  size_t differing = 0;
  for (size_t i = 0; i < picture.bits.size(); i += 4)
    differing += std::memcmp(&picture.bits[i], &reference.bits[i], 4) != 0;
  EXPECT_EQ(differing, 0u) << "pixels differ from " << path;
}

DWORD PixelAt(const Picture &p, int x, int y) {
  const BYTE *b = &p.bits[static_cast<size_t>((y * p.width + x) * 4)];
  return static_cast<DWORD>(b[2]) << 16 | static_cast<DWORD>(b[1]) << 8 | b[0];
}

class RenderTest : public WindowsTest {
protected:
  void SetUp() override {
    WindowsTest::SetUp();
    dialog = CreateSampleDialog(frame);
    ASSERT_NE(dialog, nullptr);
    const HWND combo = GetDlgItem(dialog, kCombo);
    for (const char16_t *name : {u"Wave", u"Replicate", u"Mirror from Left"})
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageW(dialog, kSlider, TBM_SETPOS, TRUE, 40);
    SetDlgItemTextW(dialog, kField, u"40");
    SendDlgItemMessageW(dialog, kTimeSlider, TBM_SETPOS, TRUE, 25);
    SetDlgItemTextW(dialog, kTimeField, u"25");
    SetFocus(GetDlgItem(dialog, kAdd));
  }
  HWND dialog = nullptr;
};

TEST_F(RenderTest, TheDialogLooksAsItsReferencePicture) {
  ExpectMatchesReference(Render(dialog), "sample-dialog.png");
}

TEST_F(RenderTest, AnOpenListIsDrawnOverWhatLiesBelowTheCombo) {
  const HWND combo = GetDlgItem(dialog, kCombo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  const Picture picture = Render(dialog);
  ExpectMatchesReference(picture, "sample-dialog-open-list.png");
  RECT r, d;
  GetWindowRect(combo, &r);
  GetWindowRect(dialog, &d);
  // The third entry is highlighted, three rows under the field, over the slider's label.
  EXPECT_EQ(PixelAt(picture, r.left - d.left + 1, r.bottom - d.top + 1 + 2 * 15 + 1), 0x0078D7u);
}

TEST_F(RenderTest, ASmallSurfaceIsClippedAndNothingOutsideItIsWritten) {
  // 10 x 10 pixels in rows of 16, with guard bytes after the last row.
  std::vector<BYTE> bits(16 * 4 * 10 + 64, 0xAB);
  const ZRQUISURFACE surface{bits.data(), 10, 10, 16 * 4};
  ASSERT_EQ(ZrqUiRenderWindow(dialog, &surface), S_OK);
  for (size_t y = 0; y < 10; ++y)
    for (size_t x = 10; x < 16; ++x)
      EXPECT_EQ(bits[y * 64 + x * 4], 0xAB) << "row padding written at " << x << "," << y;
  for (size_t i = 640; i < bits.size(); ++i) EXPECT_EQ(bits[i], 0xAB);
  EXPECT_EQ(bits[0], 0xF0) << "the face colour";
}

TEST_F(RenderTest, BadArgumentsAreRefused) {
  std::vector<BYTE> bits(64);
  const ZRQUISURFACE narrow{bits.data(), 4, 4, 8};
  EXPECT_EQ(ZrqUiRenderWindow(dialog, &narrow), E_POINTER);
  EXPECT_EQ(ZrqUiRenderWindow(dialog, nullptr), E_POINTER);
  const ZRQUISURFACE fine{bits.data(), 4, 4, 16};
  EXPECT_EQ(ZrqUiRenderWindow(reinterpret_cast<HWND>(0x99), &fine), E_INVALIDARG);
}

} // namespace
