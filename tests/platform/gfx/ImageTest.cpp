#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "TestEnvironment.hpp"
#include "platform/base/Paths.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/gfx/ImageData.hpp"

using gfx::Color;
using gfx::Image;

namespace {

// A w x h image split in a red left half and a blue right half.
gfx::ImagePtr twoTone(int w, int h, double scale = 1) {
  auto ctx = gfx::Context::bitmap({w / scale, h / scale}, scale);
  ctx->setFillColor(Color::red());
  ctx->fillRect({0, 0, w / scale / 2, h / scale});
  ctx->setFillColor(Color::blue());
  ctx->fillRect({w / scale / 2, 0, w / scale / 2, h / scale});
  return ctx->makeImage();
}

void expectColor(const Color& c, double r, double g, double b, double a = 1.0, double tol = 0.02) {
  EXPECT_NEAR(c.r(), r, tol);
  EXPECT_NEAR(c.g(), g, tol);
  EXPECT_NEAR(c.b(), b, tol);
  EXPECT_NEAR(c.alpha(), a, tol);
}

class ImageTest : public mv::test::TestEnvironment {
 protected:
  void TearDown() override {
    Image::setDeviceScale(1);
    Image::clearCache();
    TestEnvironment::TearDown();
  }
};

}  // namespace

TEST_F(ImageTest, PngAndJpegRoundTrips) {
  auto img = twoTone(40, 20);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->size(), (base::Size{40, 20}));
  expectColor(img->pixelAt(5, 5), 1, 0, 0);
  expectColor(img->pixelAt(35, 5), 0, 0, 1);
  expectColor(img->pixelAt(99, 5), 0, 0, 0, 0);  // outside: clear

  auto png = img->pngData();
  ASSERT_TRUE(png);
  auto back = Image::fromData(*png);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixelWidth(), 40);
  expectColor(back->pixelAt(35, 15), 0, 0, 1);

  auto hi = img->jpegData(0.9);
  auto lo = img->jpegData(0.1);
  ASSERT_TRUE(hi && lo);
  EXPECT_EQ((*hi)[0], 0xFF);
  EXPECT_EQ((*hi)[1], 0xD8);
  EXPECT_LT(lo->size(), hi->size());
  auto jpeg = Image::fromData(*hi);
  ASSERT_TRUE(jpeg);
  expectColor(jpeg->pixelAt(5, 10), 1, 0, 0, 1, 0.1);

  // Pixels in and out of the drawing surface: opaque ones exactly, see-through
  // ones to within the rounding of their premultiplied colour, clear ones clear.
  gfx::ImageData mixed(3, 2);
  const std::uint8_t given[6][4] = {{200, 10, 99, 255}, {0, 255, 1, 255}, {200, 100, 50, 128},
                                    {255, 255, 255, 3},  {12, 34, 56, 0},  {7, 8, 9, 255}};
  for (int i = 0; i < 6; ++i) std::copy(given[i], given[i] + 4, mixed.pixel(i % 3, i / 3));
  auto surface = Image::fromImageData(mixed);
  ASSERT_TRUE(surface);
  const gfx::ImageData out = surface->toImageData();
  ASSERT_EQ(out.pixels.size(), mixed.pixels.size());
  for (int i : {0, 1, 5}) EXPECT_TRUE(std::equal(given[i], given[i] + 4, out.pixel(i % 3, i / 3))) << i;
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(out.pixel(2, 0)[c], given[2][c], 1) << c;
  EXPECT_EQ(out.pixel(2, 0)[3], 128);
  EXPECT_EQ(out.pixel(0, 1)[3], 3);
  EXPECT_EQ(std::vector<int>(out.pixel(1, 1), out.pixel(1, 1) + 4), (std::vector<int>{0, 0, 0, 0}));

  // Untrusted bytes never crash: garbage and truncated files are simply nothing.
  EXPECT_FALSE(Image::fromData(std::string("not an image at all")));
  EXPECT_FALSE(Image::fromData(std::vector<std::uint8_t>(png->begin(), png->begin() + 40)));
  EXPECT_FALSE(Image::fromData(std::string()));

  auto path = root / "out.png";
  ASSERT_TRUE(img->writePNG(path));
  auto fromFile = Image::fromFile(path);
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(fromFile->size(), img->size());
  EXPECT_FALSE(Image::fromFile(root / "missing.png"));
  EXPECT_FALSE(img->writePNG(root / "no-such-dir" / "x.png"));
}

TEST_F(ImageTest, BundleNamesPreferRetinaFilesAtScaleTwo) {
  auto res = root / "res";
  std::filesystem::create_directories(res);
  ASSERT_TRUE(twoTone(20, 10)->writePNG(res / "Badge.png"));
  ASSERT_TRUE(twoTone(40, 20)->writePNG(res / "Badge@2x.png"));
  ASSERT_TRUE(twoTone(8, 8)->writePNG(res / "Plain.png"));
  auto saved = base::Bundle::resourceDir();
  base::Bundle::setResourceDir(res);

  auto one = Image::named("Badge.png");
  ASSERT_TRUE(one);
  EXPECT_EQ(one->scale(), 1);
  EXPECT_EQ(one->size(), (base::Size{20, 10}));
  EXPECT_EQ(Image::named("Badge"), one);  // no extension means PNG; cached

  Image::setDeviceScale(2);
  auto two = Image::named("Badge.png");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->scale(), 2);
  EXPECT_EQ(two->size(), (base::Size{20, 10}));  // same size in points
  EXPECT_EQ(two->pixelWidth(), 40);
  auto plain = Image::named("Plain.png");  // no @2x file: the plain one at scale 1
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->scale(), 1);
  auto file2x = Image::fromFile(res / "Badge.png");
  ASSERT_TRUE(file2x);
  EXPECT_EQ(file2x->scale(), 2);

  EXPECT_FALSE(Image::named("Missing.png"));
  EXPECT_FALSE(Image::named("../res/Badge.png"));  // names are names, not paths
  EXPECT_FALSE(Image::named(""));
  base::Bundle::setResourceDir(saved);
}

TEST_F(ImageTest, StretchableImagesKeepTheirCaps) {
  auto img = twoTone(20, 10);
  auto s = img->stretchableImage(5, 4);
  EXPECT_EQ(s->leftCapWidth(), 5);
  EXPECT_EQ(s->topCapHeight(), 4);
  EXPECT_EQ(s->capInsets(), (base::EdgeInsets{4, 5, 5, 14}));
  EXPECT_EQ(s->resizingMode(), Image::ResizingMode::Stretch);
  EXPECT_EQ(s->surface(), img->surface());  // shares the pixels
  auto r = img->resizableImage({2, 3, 2, 3});
  EXPECT_TRUE(r->isResizable());
  EXPECT_EQ(r->resizingMode(), Image::ResizingMode::Tile);
  // Caps larger than the image are clamped so the parts never overlap.
  auto big = img->resizableImage({50, 50, 50, 50});
  EXPECT_LE(big->capInsets().left + big->capInsets().right, 20);
  EXPECT_LE(big->capInsets().top + big->capInsets().bottom, 10);
  EXPECT_FALSE(img->isResizable());

  // Drawn 100 wide, the left cap stays red and the right cap blue; the
  // stretched middle column (x = 5, red) fills everything between.
  auto ctx = gfx::Context::bitmap({100, 10});
  ctx->drawImage(*s, base::Rect{0, 0, 100, 10});
  auto out = ctx->makeImage();
  expectColor(out->pixelAt(2, 5), 1, 0, 0);
  expectColor(out->pixelAt(50, 5), 1, 0, 0);
  expectColor(out->pixelAt(97, 5), 0, 0, 1);

  auto scaled = img->scaledToSize({10, 5}, 2);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->pixelWidth(), 20);
  EXPECT_EQ(scaled->size(), (base::Size{10, 5}));
  expectColor(scaled->pixelAt(2, 5), 1, 0, 0);
  EXPECT_FALSE(img->scaledToSize({0, 5}));
}

TEST_F(ImageTest, DimensionsComeFromTheHeaderAlone) {
  gfx::ImageData pixels(64, 48);
  auto png = pixels.encodePNG();
  auto jpeg = pixels.encodeJPEG(0.8);
  ASSERT_TRUE(png && jpeg);
  const std::string pngBytes(png->begin(), png->end());
  const std::string jpegBytes(jpeg->begin(), jpeg->end());
  EXPECT_EQ(gfx::ImageData::dimensions(pngBytes), (std::pair<int, int>{64, 48}));
  EXPECT_EQ(gfx::ImageData::dimensions(jpegBytes), (std::pair<int, int>{64, 48}));
  // The header is enough: a file cut short in its pixel data still tells its size.
  EXPECT_EQ(gfx::ImageData::dimensions(pngBytes.substr(0, pngBytes.size() - 16)), (std::pair<int, int>{64, 48}));
  const auto scan = jpegBytes.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  EXPECT_EQ(gfx::ImageData::dimensions(jpegBytes.substr(0, scan + 20)), (std::pair<int, int>{64, 48}));
  EXPECT_FALSE(gfx::ImageData::dimensions(pngBytes.substr(0, 20)));
  EXPECT_FALSE(gfx::ImageData::dimensions(jpegBytes.substr(0, 4)));
  EXPECT_FALSE(gfx::ImageData::dimensions("GIF89a...."));
  EXPECT_FALSE(gfx::ImageData::dimensions(""));

  ASSERT_TRUE(pixels.writeJPEG(root / "p.jpg", 0.8));
  EXPECT_EQ(gfx::ImageData::dimensionsOfFile(root / "p.jpg"), (std::pair<int, int>{64, 48}));
  EXPECT_FALSE(gfx::ImageData::dimensionsOfFile(root / "missing.jpg"));
  std::ofstream(root / "empty.png").close();
  EXPECT_FALSE(gfx::ImageData::dimensionsOfFile(root / "empty.png"));
}

TEST_F(ImageTest, FilesReadOnFirstUseDecodeWhenTheirPixelsAreNeeded) {
  const std::filesystem::path path = root / "late.png";
  ASSERT_TRUE(twoTone(8, 4)->writePNG(path));
  auto late = Image::fromFileOnFirstUse(path);
  ASSERT_TRUE(late);
  // Its size comes from the header; a stretchable variant made before any
  // drawing shares the pixels still to come.
  EXPECT_EQ(late->size(), (base::Size{8, 4}));
  auto stretched = late->stretchableImage(2, 1);
  EXPECT_EQ(stretched->pixelWidth(), 8);

  // Replaced before first use: the pixels are the file's as it is then.
  gfx::ImageData green(8, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      std::uint8_t* p = green.pixel(x, y);
      p[1] = 255;
      p[3] = 255;
    }
  ASSERT_TRUE(green.writePNG(path));
  expectColor(stretched->pixelAt(1, 1), 0, 1, 0);
  expectColor(late->pixelAt(6, 2), 0, 1, 0);
  // Decoded once: later changes to the file no longer reach it.
  ASSERT_TRUE(twoTone(8, 4)->writePNG(path));
  expectColor(late->pixelAt(6, 2), 0, 1, 0);

  // A file cut short after its header keeps its size and draws as nothing.
  auto png = green.encodePNG();
  ASSERT_TRUE(png);
  {
    std::ofstream out(root / "cut.png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size() - 20));
  }
  auto cut = Image::fromFileOnFirstUse(root / "cut.png");
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->pixelWidth(), 8);
  expectColor(cut->pixelAt(3, 3), 0, 0, 0, 0);
  auto drawn = cut->scaledToSize({4, 2});
  ASSERT_TRUE(drawn);
  expectColor(drawn->pixelAt(1, 1), 0, 0, 0, 0);

  // Missing files and files that are no picture give nothing, as before.
  EXPECT_FALSE(Image::fromFileOnFirstUse(root / "missing.png"));
  std::ofstream(root / "text.png") << "not a picture";
  EXPECT_FALSE(Image::fromFileOnFirstUse(root / "text.png"));
}
