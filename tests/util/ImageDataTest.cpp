#include <zlib.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LargePicture.hpp"
#include "PublicFunctionFixture.hpp"
#include "platform/base/FileIO.hpp"
#include "platform/gfx/PictureCache.hpp"

namespace fs = std::filesystem;

namespace mv::test {
namespace {

using gfx::ImageData;

class ImageDataTest : public PublicFunctionFixture {
 protected:
  // An image whose pixels all differ, so a swapped row or channel shows.
  static ImageData pattern(int w, int h) {
    ImageData img(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = img.pixel(x, y);
        p[0] = static_cast<std::uint8_t>(x * 37 + y);
        p[1] = static_cast<std::uint8_t>(y * 53 + x);
        p[2] = static_cast<std::uint8_t>((x + y) * 11);
        p[3] = static_cast<std::uint8_t>(255 - x - y);
      }
    return img;
  }
  static ImageData solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    ImageData img(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = img.pixel(x, y);
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
      }
    return img;
  }
  static std::string bytesOf(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }
};

TEST_F(ImageDataTest, PngAndJpegRoundTrip) {
  const ImageData img = pattern(7, 5);
  auto png = img.encodePNG();
  ASSERT_TRUE(png.has_value());
  auto back = ImageData::decode(*png);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->width, 7);
  EXPECT_EQ(back->height, 5);
  EXPECT_EQ(back->pixels, img.pixels);
  // A picture written in one pass, and one too large for that, read back whole
  // and to their last byte.
  for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{2100, 2100}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    ImageData screen = solid(w, h, 30, 60, 90);
    std::copy_n(img.pixels.begin(), 4 * 7, screen.pixel(w - 7, h - 1));
    auto bytes = screen.encodePNG();
    ASSERT_TRUE(bytes.has_value());
    auto read = ImageData::decode(*bytes);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->pixels, screen.pixels);
  }

  const ImageData flat = solid(64, 48, 200, 100, 50);
  auto good = flat.encodeJPEG(0.9), poor = pattern(64, 48).encodeJPEG(0.05), rich = pattern(64, 48).encodeJPEG(1.0);
  ASSERT_TRUE(good && poor && rich);
  EXPECT_LT(poor->size(), rich->size());
  auto jpeg = ImageData::decode(*good);
  ASSERT_TRUE(jpeg.has_value());
  EXPECT_EQ(jpeg->width, 64);
  EXPECT_EQ(jpeg->height, 48);
  const std::uint8_t* p = jpeg->pixel(31, 20);
  EXPECT_NEAR(p[0], 200, 4);
  EXPECT_NEAR(p[1], 100, 4);
  EXPECT_NEAR(p[2], 50, 4);
  EXPECT_EQ(p[3], 255);

  // JPEG has no alpha: a transparent image is laid over white
  auto clear = ImageData::decode(*solid(8, 8, 0, 0, 0, 0).encodeJPEG(1.0));
  ASSERT_TRUE(clear.has_value());
  EXPECT_GE(clear->pixel(4, 4)[0], 250);

  // files
  EXPECT_TRUE(img.writePNG(root / "a.png"));
  EXPECT_TRUE(flat.writeJPEG(root / "a.jpg", 0.5));
  EXPECT_EQ(ImageData::decodeFile(root / "a.png")->pixels, img.pixels);
  EXPECT_EQ(ImageData::decodeFile(root / "a.jpg")->width, 64);
  EXPECT_FALSE(ImageData().encodePNG().has_value());
  EXPECT_FALSE(img.writePNG(root / "missing-folder" / "a.png"));
}

TEST_F(ImageDataTest, BrokenAndHostileImagesAreRefused) {
  auto png = bytesOf(*pattern(40, 30).encodePNG());
  auto jpeg = bytesOf(*pattern(40, 30).encodeJPEG(0.8));
  EXPECT_FALSE(ImageData::decode(std::string_view()).has_value());
  EXPECT_FALSE(ImageData::decode(std::string_view("GIF89a....")).has_value());
  EXPECT_FALSE(ImageData::decode(std::string_view(png).substr(0, png.size() / 2)).has_value());
  EXPECT_FALSE(ImageData::decode(std::string_view(png).substr(0, 20)).has_value());
  EXPECT_FALSE(ImageData::decode(std::string_view(jpeg).substr(0, 12)).has_value());
  std::string garbage = jpeg.substr(0, 3) + std::string(200, '\x42');
  EXPECT_FALSE(ImageData::decode(garbage).has_value());
  EXPECT_FALSE(ImageData::decodeFile(root / "none.png").has_value());

  // a PNG header announcing 100000 x 100000 pixels is refused before allocating
  std::string ihdr = "IHDR";
  auto be32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
  };
  ihdr += be32(100000) + be32(100000) + std::string{8, 6, 0, 0, 0};
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(ihdr.data()), static_cast<uInt>(ihdr.size())));
  std::string huge = png.substr(0, 8) + be32(13) + ihdr + be32(crc) + png.substr(33);
  EXPECT_FALSE(ImageData::decode(huge).has_value());
}

TEST_F(ImageDataTest, ScalingAveragesAndRespectsAlpha) {
  // a checkerboard shrinks to grey
  ImageData board(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      std::uint8_t v = (x + y) % 2 ? 255 : 0;
      std::uint8_t* p = board.pixel(x, y);
      p[0] = p[1] = p[2] = v;
      p[3] = 255;
    }
  ImageData small = board.scaled(2, 2);
  ASSERT_EQ(small.width, 2);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(small.pixels[static_cast<std::size_t>(i) * 4], 128, 1);

  // a transparent neighbour does not bleed its colour into an opaque one
  ImageData edge(2, 1);
  std::uint8_t* a = edge.pixel(0, 0);
  a[0] = 255, a[3] = 255;                    // opaque red
  edge.pixel(1, 0)[1] = 255;                 // transparent green
  ImageData one = edge.scaled(1, 1);
  EXPECT_EQ(one.pixel(0, 0)[0], 255);
  EXPECT_EQ(one.pixel(0, 0)[1], 0);
  EXPECT_NEAR(one.pixel(0, 0)[3], 128, 1);

  // growing interpolates between neighbours
  ImageData ramp(2, 1);
  ramp.pixel(0, 0)[3] = ramp.pixel(1, 0)[3] = 255;
  ramp.pixel(1, 0)[0] = 200;
  ImageData wide = ramp.scaled(8, 1);
  for (int x = 1; x < 8; ++x) EXPECT_GE(wide.pixel(x, 0)[0], wide.pixel(x - 1, 0)[0]);
  EXPECT_EQ(wide.pixel(0, 0)[0], 0);
  EXPECT_EQ(wide.pixel(7, 0)[0], 200);

  EXPECT_TRUE(board.scaled(0, 3).empty());
  EXPECT_TRUE(ImageData().scaled(3, 3).empty());
}

TEST_F(ImageDataTest, ThumbnailsKeepAspectAndBounds) {
  struct Case {
    const char* name;
    int w, h;
    bool jpeg;
    int tw, th;
  };
  const std::vector<Case> cases = {
      {"wide", 800, 400, false, 160, 80},   {"tall", 300, 600, true, 55, 110},
      {"box", 1600, 1100, true, 160, 110},  {"small", 100, 50, false, 100, 50},
      {"strip", 2000, 3, false, 160, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path full = root / (std::string(c.name) + (c.jpeg ? ".jpg" : ".png"));
    const fs::path thumb = root / (std::string(c.name) + "_thumb.png");
    ImageData img = pattern(c.w, c.h);
    ASSERT_TRUE(c.jpeg ? img.writeJPEG(full, 0.8) : img.writePNG(full));
    ASSERT_TRUE(PublicFunction::createImgThumbWithImgName(full, thumb));
    auto t = ImageData::decodeFile(thumb);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->width, c.tw);
    EXPECT_EQ(t->height, c.th);
    auto head = base::readFileBytes(thumb);
    ASSERT_TRUE(head.has_value());
    EXPECT_EQ((*head)[1], 'P');  // always PNG, whatever the source was
  }

  // an existing thumbnail is left alone
  const fs::path full = root / "wide.png", kept = root / "kept.png";
  std::ofstream(kept) << "mine";
  EXPECT_TRUE(PublicFunction::createImgThumbWithImgName(full, kept));
  EXPECT_EQ(fs::file_size(kept), 4u);

  // unreadable sources make nothing
  EXPECT_FALSE(PublicFunction::createImgThumbWithImgName(root / "none.png", root / "none_thumb.png"));
  EXPECT_FALSE(fs::exists(root / "none_thumb.png"));
  std::ofstream(root / "junk.png") << "junk";
  EXPECT_FALSE(PublicFunction::createImgThumbWithImgName(root / "junk.png", root / "junk_thumb.png"));
  EXPECT_FALSE(fs::exists(root / "junk_thumb.png"));
}

TEST_F(ImageDataTest, ThumbnailsFromSeveralThreadsAtOnce) {
  const fs::path dir = root / "ProductImages";
  fs::create_directories(dir);
  ASSERT_TRUE(pattern(640, 480).writeJPEG(dir / "p.jpg", 0.7));
  ASSERT_TRUE(pattern(300, 300).writePNG(dir / "q.png"));
  std::atomic<int> ok{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      const bool first = i % 2 == 0;
      if (PublicFunction::createImgThumbWithImgName(dir / (first ? "p.jpg" : "q.png"),
                                                    dir / (first ? "p_t.png" : "q_t.png")))
        ++ok;
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(ok.load(), 8);
  auto p = ImageData::decodeFile(dir / "p_t.png");
  auto q = ImageData::decodeFile(dir / "q_t.png");
  ASSERT_TRUE(p && q);
  EXPECT_EQ(p->width, 147);  // 640 x 480 by 110/480
  EXPECT_EQ(p->height, 110);
  EXPECT_EQ(q->width, 110);
  EXPECT_EQ(q->height, 110);
  // no half-written files are left behind
  int files = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 4);
}

TEST_F(ImageDataTest, FittingIntoASize) {
  auto img = std::make_shared<const ImageData>(pattern(400, 300));
  EXPECT_TRUE(PublicFunction::image(*img, {200, 200}));
  EXPECT_FALSE(PublicFunction::image(*img, {400, 300}));
  auto fitted = PublicFunction::scaleImage(img, {200, 200});
  ASSERT_TRUE(fitted);
  EXPECT_EQ(fitted->width, 200);
  EXPECT_EQ(fitted->height, 150);
  EXPECT_EQ(PublicFunction::scaleImage(img, {500, 300}), img);  // fits: the same image
  EXPECT_EQ(PublicFunction::scaleImage(img, {0, 0}), img);
  EXPECT_EQ(PublicFunction::scaleImage(nullptr, {10, 10}), nullptr);

  // on a scale-2 screen a size holds twice the pixels
  PublicFunction::setScreenScale(2.0);
  EXPECT_FALSE(PublicFunction::image(*img, {200, 200}));
  EXPECT_EQ(PublicFunction::scaleImage(img, {200, 200}), img);
  auto retina = PublicFunction::scaleImage(img, {100, 100});
  EXPECT_EQ(retina->width, 200);
  EXPECT_EQ(retina->height, 150);
}

// Four quarters of plain colours, so that a picture shrunk shows them still.
ImageData quarters(int w, int h, std::uint8_t alpha = 255) {
  ImageData img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = img.pixel(x, y);
      const bool right = x >= w / 2, bottom = y >= h / 2;
      p[0] = right ? 0 : 220, p[1] = bottom ? 200 : 20, p[2] = right ? 240 : 10, p[3] = alpha;
    }
  return img;
}

TEST_F(ImageDataTest, LargePicturesAreShrunkAsTheyAreRead) {
  struct Fit {
    int w, h, maxW, maxH, outW, outH;
  };
  for (const Fit& f : {Fit{1600, 1200, 320, 220, 293, 220}, Fit{1600, 1200, 160, 1000, 160, 120},
                       Fit{100, 80, 320, 220, 100, 80}, Fit{5000, 1, 100, 100, 100, 1}, Fit{10, 10, 0, 0, 1, 1}}) {
    EXPECT_EQ(ImageData::fittedSize(f.w, f.h, f.maxW, f.maxH), std::make_pair(f.outW, f.outH))
        << f.w << "x" << f.h << " in " << f.maxW << "x" << f.maxH;
  }
  const ImageData big = quarters(1600, 1200);
  // A JPEG decoded at an eighth and averaged down: the quarters' colours in their places.
  const auto jpeg = bytesOf(*big.encodeJPEG(0.9));
  auto small = ImageData::decodeFitting(jpeg, 320, 220);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->width, 293);
  EXPECT_EQ(small->height, 220);
  for (auto [x, y] : {std::pair{70, 50}, std::pair{220, 50}, std::pair{70, 170}, std::pair{220, 170}}) {
    const std::uint8_t* want = big.pixel(x * 1600 / 293, y * 1200 / 220);
    const std::uint8_t* got = small->pixel(x, y);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 6) << x << "," << y << " channel " << c;
  }
  // A PNG averaged down row by row gives what shrinking the whole picture does.
  const ImageData seeThrough = quarters(900, 700, 128);
  const auto png = bytesOf(*seeThrough.encodePNG());
  auto fitted = ImageData::decodeFitting(png, 300, 300);
  ASSERT_TRUE(fitted);
  EXPECT_EQ(fitted->pixels, seeThrough.scaled(300, 233).pixels);
  // Small pictures stay as they are; damaged ones are refused.
  EXPECT_EQ(ImageData::decodeFitting(png, 2000, 2000)->pixels, seeThrough.pixels);
  EXPECT_FALSE(ImageData::decodeFitting(std::string_view(png).substr(0, png.size() / 2), 300, 300));
  EXPECT_FALSE(ImageData::decodeFitting(std::string_view(jpeg).substr(0, 12), 300, 300));
  EXPECT_FALSE(ImageData::decodeFitting("GIF89a....", 300, 300));
  ASSERT_TRUE(big.writeJPEG(root / "big.jpg", 0.9));
  EXPECT_EQ(ImageData::decodeFileFitting(root / "big.jpg", 160, 110)->width, 147);
}

// Huge pictures of every kind read at a card's size (an eighth of their
// own) and at two eighths: what the decoders allocate stays far below the
// picture whole, and far below the coefficients a decoder keeps of a
// progressive one (3 bytes a pixel in 4:2:0, 6 in 4:4:4, 8 in CMYK). The
// bench reads them at 39.6 megapixels.
TEST_F(ImageDataTest, HugePicturesOfEveryKindAreReadWithinABound) {
  constexpr int kWidth = kHugePictureWidth, kHeight = kHugePictureHeight;
  const std::size_t pixels = std::size_t(kWidth) * kHeight;
  const std::size_t whole = pixels * 4;
  const std::size_t coefficients = pixels * 3;
  // The meter sees what is allocated (where it can see at all).
  const auto meter = peakAllocatedBy([&] {
    std::vector<char> block(whole, 1);
    EXPECT_EQ(block[whole / 2], 1);
  });
  if (meter) {
    EXPECT_GE(*meter, whole);
  }
  struct Case {
    PictureKind kind;
    const char* name;
    std::size_t bound;  // at two eighths
  };
  for (const Case& c : {Case{PictureKind::BaselineJpeg, "huge.jpg", whole / 8},
                        Case{PictureKind::InterlacedPng, "huge.png", whole / 2},
                        Case{PictureKind::ProgressiveJpeg, "huge-progressive.jpg", coefficients / 3},
                        Case{PictureKind::Progressive444Jpeg, "huge-444.jpg", pixels * 6 / 3},
                        Case{PictureKind::ProgressiveCmykJpeg, "huge-cmyk.jpg", pixels * 8 / 3},
                        Case{PictureKind::ProgressiveCmykBlackAtHalfJpeg, "huge-cmyk-black-at-half.jpg",
                             pixels * 8 / 3}}) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(writeLargePicture(root / c.name, c.kind, kWidth, kHeight));
    for (const int box : {kWidth / 8, kWidth / 4}) {
      std::optional<ImageData> fitted;
      const auto peak = peakAllocatedBy([&] { fitted = ImageData::decodeFileFitting(root / c.name, box, box); });
      ASSERT_TRUE(fitted);
      EXPECT_EQ(fitted->width, box);
      EXPECT_EQ(fitted->height, box * kHeight / kWidth);
      // Red on the left, blue on the right, as the file has it.
      const int left = box / 4, right = box * 3 / 4, middle = fitted->height / 2;
      EXPECT_GT(fitted->pixel(left, middle)[0], 200);
      EXPECT_LT(fitted->pixel(left, middle)[2], 60);
      EXPECT_LT(fitted->pixel(right, middle)[0], 60);
      EXPECT_GT(fitted->pixel(right, middle)[2], 200);
      if (peak) {
        EXPECT_LE(*peak, box == kWidth / 8 ? whole / 6 : c.bound) << box << ": " << (*peak >> 10) << " KB";
      }
    }
  }
  // An interlaced picture shrunk pass by pass gives what shrinking it whole does.
  {
    ASSERT_TRUE(writeLargePicture(root / "small-interlaced.png", PictureKind::InterlacedPng, 900, 700));
    const auto whole = ImageData::decodeFile(root / "small-interlaced.png");
    ASSERT_TRUE(whole);
    auto fitted = ImageData::decodeFileFitting(root / "small-interlaced.png", 300, 300);
    ASSERT_TRUE(fitted);
    const ImageData expected = whole->scaled(300, 233);
    ASSERT_EQ(fitted->pixels.size(), expected.pixels.size());
    int worst = 0;
    for (std::size_t i = 0; i < expected.pixels.size(); ++i)
      worst = std::max(worst, std::abs(int(fitted->pixels[i]) - int(expected.pixels[i])));
    EXPECT_LE(worst, 1);
  }
  // Two read at about a quarter at once: less than the decoder's coefficients of one.
  const auto both = peakAllocatedBy([&] {
    std::thread other([&] { EXPECT_TRUE(ImageData::decodeFileFitting(root / "huge-progressive.jpg", 600, 600)); });
    EXPECT_TRUE(ImageData::decodeFileFitting(root / "huge-progressive.jpg", 500, 500));
    other.join();
  });
  if (both) {
    EXPECT_LE(*both, coefficients) << (*both >> 10) << " KB";
  }
}

// A progressive JPEG read smaller than whole from the coefficients that
// size shows gives what the decoder gives from all of them: at an eighth
// (the blocks' averages) and at two and three eighths, grey, colour in 4:2:0
// and 4:4:4, CMYK (its black at half too) and YCCK, with restart markers too.
TEST_F(ImageDataTest, AProgressivePictureReadSmallerLooksAsTheWholeDecodeDoes) {
  enum class Coding { Grey, Colour, Colour444, Cmyk, Ycck, BrightnessUnderColour, RgbGreenBlueAtHalf, BlackAtHalf };
  const auto encode = [&](const ImageData& image, bool progressive, int restartRows, Coding coding) {
    const fs::path file = root / "encoded.jpg";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    EXPECT_TRUE(out);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    const bool inks = coding == Coding::Cmyk || coding == Coding::Ycck || coding == Coding::BlackAtHalf;
    const int channels = coding == Coding::Grey ? 1 : inks ? 4 : 3;
    cinfo.image_width = static_cast<JDIMENSION>(image.width);
    cinfo.image_height = static_cast<JDIMENSION>(image.height);
    cinfo.input_components = channels;
    cinfo.in_color_space = coding == Coding::Grey ? JCS_GRAYSCALE : inks ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (coding == Coding::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (coding == Coding::Colour444) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (coding == Coding::RgbGreenBlueAtHalf) jpeg_set_colorspace(&cinfo, JCS_RGB);
    // The first component sampled at its full size, the others at half (or
    // the other way round).
    if (coding == Coding::BrightnessUnderColour || coding == Coding::RgbGreenBlueAtHalf) {
      const int first = coding == Coding::RgbGreenBlueAtHalf ? 2 : 1;
      for (int c = 0; c < 3; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = c == 0 ? first : 3 - first;
    }
    jpeg_set_quality(&cinfo, 90, TRUE);
    cinfo.restart_in_rows = restartRows;
    if (progressive) jpeg_simple_progression(&cinfo);
    // The inks at full size, black at half; the picture drawn in black.
    if (coding == Coding::BlackAtHalf) blackAtHalf(cinfo, progressive);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width) * 4);
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x)
        for (int c = 0; c < channels; ++c)
          row[static_cast<std::size_t>(x * channels + c)] = coding == Coding::BlackAtHalf ? (c < 3 ? 255 : image.pixel(x, y)[0])
                                                            : c < 3 ? image.pixel(x, y)[c]
                                                                    : 255;
      JSAMPROW r = row.data();
      jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
    return bytesOf(*base::readFileBytes(file, ImageData::kMaxFileBytes));
  };
  const ImageData picture = quarters(803, 603);
  const std::pair<Coding, const char*> codings[] = {{Coding::Grey, "grey"},
                                                     {Coding::Colour, "colour"},
                                                     {Coding::Colour444, "colour 4:4:4"},
                                                     {Coding::Cmyk, "CMYK"},
                                                     {Coding::Ycck, "YCCK"},
                                                     {Coding::BlackAtHalf, "CMYK, black at half"}};
  for (int restartRows : {0, 1}) {
    for (const auto& [coding, name] : codings) {
      SCOPED_TRACE(std::string(name) + (restartRows ? ", restarts" : ""));
      const auto progressive = encode(picture, true, restartRows, coding);
      const auto sequential = encode(picture, false, restartRows, coding);
      // The library's usual progression (six scans for grey, ten for colour,
      // eighteen for four inks) is read through to its end, well within
      // what an honest picture may have.
      const auto read = ImageData::extent(std::string_view(progressive).substr(0, progressive.size() - 2));
      ASSERT_TRUE(read);
      const int scans = coding == Coding::Grey                                     ? 6
                        : coding == Coding::Colour || coding == Coding::Colour444 ? 10
                        : coding == Coding::BlackAtHalf                            ? 8
                                                                                   : 18;
      EXPECT_EQ(read->scans, scans);
      EXPECT_FALSE(read->bounded);
      EXPECT_FALSE(read->cutShort);
      // At an eighth (101 x 76) and smaller, at two eighths, at three.
      for (auto [w, h] : {std::pair{101, 76}, std::pair{60, 60}, std::pair{201, 151}, std::pair{280, 280}}) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        auto reduced = ImageData::decodeFitting(progressive, w, h);
        auto decoded = ImageData::decodeFitting(sequential, w, h);
        ASSERT_TRUE(reduced);
        ASSERT_TRUE(decoded);
        ASSERT_EQ(reduced->width, decoded->width);
        ASSERT_EQ(reduced->height, decoded->height);
        long total = 0;
        for (std::size_t i = 0; i < decoded->pixels.size(); ++i)
          total += std::abs(int(reduced->pixels[i]) - int(decoded->pixels[i]));
        EXPECT_LT(double(total) / double(decoded->pixels.size()), 2.0);
        // Inside each quarter the colours agree closely.
        for (auto [x, y] :
             {std::pair{0.25, 0.25}, std::pair{0.75, 0.25}, std::pair{0.25, 0.75}, std::pair{0.75, 0.75}}) {
          const int px = int(x * reduced->width), py = int(y * reduced->height);
          for (int c = 0; c < 3; ++c) EXPECT_NEAR(reduced->pixel(px, py)[c], decoded->pixel(px, py)[c], 3);
        }
      }
      // Cut short anywhere: read as far as it goes or refused, never past its end.
      for (std::size_t cut : {std::size_t(100), std::size_t(700), progressive.size() / 2}) {
        for (int size : {60, 200}) {
          if (auto partial = ImageData::decodeFitting(std::string_view(progressive).substr(0, cut), size, size)) {
            EXPECT_EQ(partial->width, size);
          }
        }
      }
    }
  }
  // Brightness sampled below the colour differences, or two planes of RGB
  // at half: the detail the file holds of them shows, stripes eight pixels
  // wide read at a quarter of the size as the whole decode reads them.
  ImageData stripes(800, 600);
  for (int y = 0; y < stripes.height; ++y)
    for (int x = 0; x < stripes.width; ++x) {
      std::uint8_t* p = stripes.pixel(x, y);
      p[0] = p[1] = p[2] = (x / 8) % 2 ? 255 : 0;
      p[3] = 255;
    }
  for (const auto& [coding, name] : {std::pair{Coding::BrightnessUnderColour, "brightness under colour"},
                                     std::pair{Coding::RgbGreenBlueAtHalf, "RGB, green and blue at half"}}) {
    SCOPED_TRACE(name);
    auto reduced = ImageData::decodeFitting(encode(stripes, true, 0, coding), 200, 150);
    auto decoded = ImageData::decodeFitting(encode(stripes, false, 0, coding), 200, 150);
    ASSERT_TRUE(reduced);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(reduced->pixels.size(), decoded->pixels.size());
    long total = 0;
    for (std::size_t i = 0; i < decoded->pixels.size(); ++i)
      total += std::abs(int(reduced->pixels[i]) - int(decoded->pixels[i]));
    EXPECT_LT(double(total) / double(decoded->pixels.size()), 2.0);
  }
}

// A progressive grey picture of side x side, every block of its one scan of
// averages coded as the largest step up from the one before: past 65,536
// blocks their sum leaves the integers.
std::string risingAverages(int side) {
  std::string jpeg = "\xFF\xD8";
  const auto segment = [&](unsigned char marker, const std::string& body) {
    const std::size_t length = body.size() + 2;
    jpeg += {'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 255)};
    jpeg += body;
  };
  const char high = static_cast<char>(side >> 8), low = static_cast<char>(side & 255);
  segment(0xDB, std::string(1, '\0') + std::string(64, '\1'));
  segment(0xC2, {8, high, low, high, low, 1, 1, 0x11, 0});
  // One code, "0", for a step of 15 bits.
  std::string table(17, '\0');
  table[1] = 1;
  segment(0xC4, table + '\x0F');
  segment(0xDA, {1, 1, 0, 0, 0, 0});
  const int blocks = ((side + 7) / 8) * ((side + 7) / 8);
  // "0" and fifteen ones, 0x7F 0xFF, the 0xFF stuffed with a zero.
  for (int i = 0; i < blocks; ++i) jpeg += std::string("\x7F\xFF\x00", 3);
  return jpeg + "\xFF\xD9";
}

// Crafted files the progressive reader met under the fuzzer
// (tests/fuzz/run): refused, or read within the box, never past what they
// hold.
TEST_F(ImageDataTest, CraftedProgressivePicturesAreRefused) {
  const std::string rising = risingAverages(2100);
  // At an eighth (the averages alone) and at two eighths.
  for (int box : {120, 500}) {
    EXPECT_FALSE(ImageData::decodeFitting(rising, box, box)) << box;
  }
}

TEST_F(ImageDataTest, ThePictureCacheKeepsWithinItsBudget) {
  // Room for two pictures of 100 x 75.
  gfx::PictureCache cache(2 * 100 * 75 * 4);
  for (const char* name : {"a.png", "b.png", "c.png"}) ASSERT_TRUE(quarters(800, 600).writePNG(root / name));
  auto a = cache.picture(root / "a.png", 100, 100);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->pixelWidth(), 100);
  EXPECT_EQ(a->pixelHeight(), 75);
  auto b = cache.picture(root / "b.png", 100, 100);
  EXPECT_EQ(cache.picture(root / "a.png", 100, 100), a) << "kept, and now the most recent";
  EXPECT_EQ(cache.bytes(), 2u * 100 * 75 * 4);
  auto c = cache.picture(root / "c.png", 100, 100);
  EXPECT_LE(cache.bytes(), cache.budget());
  EXPECT_EQ(cache.picture(root / "a.png", 100, 100), a);
  EXPECT_NE(cache.picture(root / "b.png", 100, 100), b) << "the least recent went first";
  // Another size is another picture; a picture larger than the budget is not kept.
  EXPECT_EQ(cache.picture(root / "a.png", 50, 50)->pixelWidth(), 50);
  auto large = cache.picture(root / "a.png", 400, 400);
  ASSERT_TRUE(large);
  EXPECT_NE(cache.picture(root / "a.png", 400, 400), large);
  EXPECT_LE(cache.bytes(), cache.budget());
  // A file written anew is read anew.
  ASSERT_TRUE(quarters(400, 300).writePNG(root / "a.png"));
  EXPECT_NE(cache.picture(root / "a.png", 100, 100), a);
  EXPECT_FALSE(cache.picture(root / "missing.png", 100, 100));
}

}  // namespace
}  // namespace mv::test
