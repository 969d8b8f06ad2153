#include "HostTestSupport.h"

#include "host/FrameShrink.h"
#include "host/PngFile.h"
#include "host/RawFrameStream.h"
#include "host/TestCard.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

// A PNG signature and an IHDR chunk claiming `width` x `height`, then an empty IDAT and IEND.
std::string PngHeaderOnly(uint32_t width, uint32_t height) {
  auto be32 = [](uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  std::string ihdr = "IHDR" + be32(width) + be32(height) + std::string{8, 6, 0, 0, 0};
  uLong crc = crc32(0, reinterpret_cast<const Bytef *>(ihdr.data()), uInt(ihdr.size()));
  auto empty = [&](std::string type) {
    uLong typeCrc = crc32(0, reinterpret_cast<const Bytef *>(type.data()), 4);
    return be32(0) + type + be32(uint32_t(typeCrc));
  };
  return std::string("\x89PNG\r\n\x1a\n", 8) + be32(13) + ihdr + be32(uint32_t(crc)) +
         empty("IDAT") + empty("IEND");
}

TEST(PngFile, RoundTripsEveryByteWithAlphaAndColoursWithout) {
  ScratchFolder folder;
  Frame picture = PatternFrame({37, 23});

  ASSERT_TRUE(WritePngFile(folder.File("rgba.png"), picture, PngChannels::Rgba).ok());
  Result<PngPicture> rgba = ReadPngFile(folder.File("rgba.png"));
  ASSERT_TRUE(rgba.ok()) << rgba.message();
  EXPECT_TRUE(rgba.value().hasAlpha);
  EXPECT_TRUE(SamePixels(rgba.value().frame, picture));

  ASSERT_TRUE(WritePngFile(folder.File("rgb.png"), picture, PngChannels::Rgb).ok());
  Result<PngPicture> rgb = ReadPngFile(folder.File("rgb.png"));
  ASSERT_TRUE(rgb.ok()) << rgb.message();
  EXPECT_FALSE(rgb.value().hasAlpha);
  const Frame &read = rgb.value().frame;
  for (size_t i = 0; i < read.ByteCount(); ++i)
    ASSERT_EQ(read.Data()[i], i % 4 == 3 ? 255 : picture.Data()[i]) << "byte " << i;
  EXPECT_EQ(folder.Names(), (std::vector<std::string>{"rgb.png", "rgba.png"}));
}

TEST(PngFile, WritesTheViewersTopRowFirst) {
  ScratchFolder folder;
  Frame picture = std::move(Frame::Allocate({3, 2}).value());
  std::memset(picture.Data(), 0, picture.ByteCount());
  picture.ViewPixel(0, 0)[2] = 255; // red at the top left, which is the last row in memory
  ASSERT_EQ(picture.ViewPixel(0, 0), picture.Data() + picture.RowBytes());
  ASSERT_TRUE(WritePngFile(folder.File("top.png"), picture, PngChannels::Rgb).ok());

  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, folder.File("top.png").c_str()));
  image.format = PNG_FORMAT_RGB;
  unsigned char pixels[3 * 3 * 2];
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels, 0, nullptr));
  EXPECT_EQ(pixels[0], 255); // first pixel of the file is red
  EXPECT_EQ(pixels[9], 0);   // the bottom row is black
}

TEST(PngFile, RefusesMissingDamagedAndOversizedFilesCleanly) {
  ScratchFolder folder;
  ASSERT_TRUE(
      WritePngFile(folder.File("good.png"), PatternFrame({64, 64}), PngChannels::Rgba).ok());
  std::string good = ReadWholeFile(folder.File("good.png"));
  WriteWholeFile(folder.File("cut.png"), good.substr(0, good.size() / 2));
  WriteWholeFile(folder.File("text.png"), "this is not a picture");
  WriteWholeFile(folder.File("empty.png"), "");
  WriteWholeFile(folder.File("huge.png"), PngHeaderOnly(100000, 100000));
  WriteWholeFile(folder.File("wide.png"), PngHeaderOnly(16385, 1));
  WriteWholeFile(folder.File("zero.png"), PngHeaderOnly(0, 5));

  struct Case {
    const char *name;
    const char *mentions;
  };
  for (Case c : {Case{"missing.png", "no such file"}, Case{"cut.png", "damaged"},
                 Case{"text.png", "not a PNG"}, Case{"empty.png", "not a PNG"},
                 Case{"huge.png", "larger than"},
                 Case{"wide.png", "wide.png': 16385x1 is larger than the largest picture taken"},
                 Case{"zero.png", ""}}) {
    Result<PngPicture> read = ReadPngFile(folder.File(c.name));
    ASSERT_FALSE(read.ok()) << c.name;
    if (*c.mentions) {
      EXPECT_NE(read.message().find(c.mentions), std::string::npos) << read.message();
    }
  }
}

TEST(PngFile, LeavesNoFileBehindWhenWritingFails) {
  ScratchFolder folder;
  Frame picture = PatternFrame({8, 8});
  EXPECT_FALSE(WritePngFile(folder.File("no/such/folder/a.png"), picture, PngChannels::Rgb).ok());
  // The final name is taken by a folder, so the last step (the rename) fails.
  std::filesystem::create_directory(folder.File("taken.png"));
  Status status = WritePngFile(folder.File("taken.png"), picture, PngChannels::Rgb);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("taken.png"), std::string::npos);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"taken.png"});
}

// A write that fails says why in the system's words, not libpng's "Write Error".
TEST(PngFile, SaysWhyAWriteFailed) {
  Status full = WritePngFile("/dev/full", PatternFrame({64, 64}), PngChannels::Rgba);
  ASSERT_FALSE(full.ok());
  EXPECT_NE(full.message().find("no space is left on the device"), std::string::npos)
      << full.message();
  EXPECT_NE(full.message().find("'/dev/full'"), std::string::npos) << full.message();
}

TEST(TestCard, IsDeterministicAtEverySizeAndShowsWhichWayIsUp) {
  Frame card = std::move(MakeTestCard(kDefaultTestCardSize).value());
  EXPECT_EQ(card.Size(), (FrameSize{1280, 720}));
  EXPECT_TRUE(SamePixels(card, MakeTestCard(kDefaultTestCardSize).value()));

  // Neither a flip nor a mirror gives the same picture back, so both show.
  bool flipDiffers = false;
  bool mirrorDiffers = false;
  for (int y = 0; y < card.Height() && !(flipDiffers && mirrorDiffers); ++y)
    for (int x = 0; x < card.Width(); ++x) {
      flipDiffers |= std::memcmp(card.ViewPixel(x, y), card.ViewPixel(x, card.Height() - 1 - y), 4);
      mirrorDiffers |=
          std::memcmp(card.ViewPixel(x, y), card.ViewPixel(card.Width() - 1 - x, y), 4);
    }
  EXPECT_TRUE(flipDiffers);
  EXPECT_TRUE(mirrorDiffers);

  // One-pixel lines of pure red, green and blue between black pixels on the same row.
  for (int channel = 0; channel < 3; ++channel) {
    int lines = 0;
    for (int y = 0; y < card.Height(); ++y)
      for (int x = 1; x + 1 < card.Width(); ++x) {
        const BYTE *p = card.ViewPixel(x, y);
        bool pure = p[channel] == 255 && p[(channel + 1) % 3] == 0 && p[(channel + 2) % 3] == 0;
        bool blackAround =
            (card.ViewPixel(x - 1, y)[channel] | card.ViewPixel(x + 1, y)[channel]) == 0;
        lines += pure && blackAround;
      }
    EXPECT_GT(lines, 1000) << "channel " << channel;
  }

  for (FrameSize tiny : {FrameSize{1, 1}, FrameSize{2, 3}, FrameSize{7, 1}, FrameSize{1, 9}}) {
    Result<Frame> small = MakeTestCard(tiny);
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(small.value().Size(), tiny);
  }
  EXPECT_FALSE(MakeTestCard({0, 10}).ok());
}

TEST(RawFrameStream, ReadsAndWritesTopRowFirstAndCountsWhatAShortFrameLacks) {
  FrameSize size{5, 3};
  Frame first = PatternFrame(size, 1);
  Frame second = PatternFrame(size, 2);
  FILE *stream = tmpfile();
  ASSERT_NE(stream, nullptr);
  RawFrameWriter writer(fileno(stream), "the test file");
  ASSERT_TRUE(writer.Write(first).ok());
  ASSERT_TRUE(writer.Write(second).ok());
  std::string tail = RawBytes(first).substr(0, 17);
  ASSERT_EQ(write(fileno(stream), tail.data(), tail.size()), ssize_t(tail.size()));
  ASSERT_EQ(lseek(fileno(stream), 0, SEEK_SET), 0);

  std::string written(2 * 60, '\0');
  ASSERT_EQ(read(fileno(stream), written.data(), written.size()), ssize_t(written.size()));
  EXPECT_EQ(written, RawBytes(first) + RawBytes(second));
  ASSERT_EQ(lseek(fileno(stream), 0, SEEK_SET), 0);

  RawFrameReader reader(fileno(stream), size);
  Frame frame = std::move(Frame::Allocate(size).value());
  ASSERT_EQ(reader.Read(frame), RawFrameReader::Outcome::Frame);
  EXPECT_TRUE(SamePixels(frame, first));
  ASSERT_EQ(reader.Read(frame), RawFrameReader::Outcome::Frame);
  EXPECT_TRUE(SamePixels(frame, second));
  ASSERT_EQ(reader.Read(frame), RawFrameReader::Outcome::Short);
  EXPECT_EQ(reader.MissingBytes(), 60u - 17u);
  fclose(stream);

  FILE *empty = tmpfile();
  RawFrameReader atEnd(fileno(empty), size);
  EXPECT_EQ(atEnd.Read(frame), RawFrameReader::Outcome::End);
  fclose(empty);
}

// A pipe hands over what it holds, often less than a frame and rarely on a row's edge: the
// frames still come out whole, in order, and so do the rows a full pipe takes piece by piece.
TEST(RawFrameStream, CarriesFramesThroughAPipeInOddPieces) {
  FrameSize size{300, 200}; // 240,000 bytes a frame, more than a pipe holds
  Frame frames[2] = {PatternFrame(size, 3), PatternFrame(size, 4)};
  int in[2];
  ASSERT_EQ(pipe(in), 0);
  std::thread feeder([&] {
    const std::string bytes = RawBytes(frames[0]) + RawBytes(frames[1]);
    for (size_t at = 0; at < bytes.size(); at += 4097)
      if (write(in[1], bytes.data() + at, std::min<size_t>(4097, bytes.size() - at)) < 0) break;
    close(in[1]);
  });
  RawFrameReader reader(in[0], size);
  Frame frame = std::move(Frame::Allocate(size).value());
  for (const Frame &expected : frames) {
    ASSERT_EQ(reader.Read(frame), RawFrameReader::Outcome::Frame);
    EXPECT_TRUE(SamePixels(frame, expected));
  }
  EXPECT_EQ(reader.Read(frame), RawFrameReader::Outcome::End);
  feeder.join();
  close(in[0]);

  int out[2];
  ASSERT_EQ(pipe(out), 0);
  std::string received;
  std::thread drain([&] {
    char buffer[1000];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
      received.append(buffer, size_t(n));
  });
  RawFrameWriter writer(out[1], "the pipe");
  for (const Frame &f : frames) ASSERT_TRUE(writer.Write(f).ok());
  close(out[1]);
  drain.join();
  close(out[0]);
  EXPECT_EQ(received, RawBytes(frames[0]) + RawBytes(frames[1]));
}

TEST(FrameShrink, AveragesEachBlockOfSourcePixels) {
  Frame source = std::move(Frame::Allocate({4, 2}).value());
  const BYTE values[4] = {0, 10, 100, 200};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) std::memset(source.ViewPixel(x, y), values[x], 4);
  Frame shrunk = std::move(ShrinkFrame(source, {2, 1}).value());
  EXPECT_EQ(shrunk.ViewPixel(0, 0)[0], 5);
  EXPECT_EQ(shrunk.ViewPixel(1, 0)[3], 150);
  EXPECT_EQ(ThumbnailSize({1280, 720}, 320), (FrameSize{320, 180}));
  EXPECT_EQ(ThumbnailSize({100, 50}, 320), (FrameSize{100, 50}));
  EXPECT_FALSE(ShrinkFrame(source, {8, 1}).ok());
}

} // namespace
