// File downloads against the local sales service: files land whole in their
// type folder or not at all, names from the service stay one plain segment,
// interrupted transfers resume, and losing the network ends only the batch.
#include <gtest/gtest.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "NetworkTestSupport.hpp"
#include "PictureBytes.hpp"
#include "PictureRows.hpp"
#include "StallingProxy.hpp"
#include "platform/base/CancelTracker.hpp"
#include "platform/base/NotificationCenter.hpp"
#include "platform/base/UserDefaults.hpp"
#include "platform/gfx/ImageData.hpp"
#include "platform/gfx/JpegScanBound.hpp"
#include "platform/gfx/PictureWalk.hpp"
#include "platform/gfx/ProgressiveJpegReader.hpp"
#include "platform/gfx/ReadThroughBudget.hpp"
#include "sales-service/SampleData.hpp"
#include "sync/DownloadedFileCheck.hpp"
#include "sync/requests/RequestDownload.hpp"
#include "sync/requests/RequestGetUserinfo.hpp"
#include "transport/FormDataRequest.hpp"
#include "transport/RequestError.hpp"
#include "util/DiskRoom.hpp"
#include "util/PublicFunction.hpp"

namespace fs = std::filesystem;

namespace mv {
namespace {

using sales::FaultKind;
using sales::FaultRule;
using test::Recorder;

class DownloadNetworkTest : public test::NetworkTest {
 protected:
  // Names and bytes of the served files of a type.
  std::vector<std::pair<std::string, std::string>> filesOfType(int type) const {
    std::vector<std::pair<std::string, std::string>> out;
    const std::string prefix = sales::SampleData::typePath(type) + "/";
    for (const auto& [path, bytes] : service->backend().currentData("acme")->files) {
      if (path.rfind(prefix, 0) == 0 && path.find('/', prefix.size()) == std::string::npos) {
        out.emplace_back(path.substr(prefix.size()), *bytes);
      }
    }
    return out;
  }

  static std::shared_ptr<RequestDownload> download(std::vector<std::string> names, int type, int progressType) {
    auto request = std::make_shared<RequestDownload>();
    request->fileNameList = std::move(names);
    request->imgType = type;
    request->progressType = progressType;
    return request;
  }

  // Sends a download through the receiver and waits for its one outcome
  // (null on time-out, or when the session ended it).
  std::shared_ptr<DownloadRst> fetch(const std::shared_ptr<RequestDownload>& request,
                                     const std::shared_ptr<Recorder>& receiver, double timeout = 10) {
    auto result = replyTo<DownloadRst>(request, receiver, timeout);
    EXPECT_TRUE(result);
    return result;
  }

  static std::string contentsOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static bool writeFile(const fs::path& path, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
  }

  static fs::path destination(const std::string& name, int type) {
    return PublicFunction::filePathWithName(name, type).value_or(fs::path());
  }

  void trickleFiles(const std::string& pathPattern, std::size_t chunk, double seconds, int times = -1) {
    FaultRule rule;
    rule.path = pathPattern;
    rule.kind = FaultKind::Trickle;
    rule.chunkBytes = chunk;
    rule.seconds = seconds;
    rule.times = times;
    service->addFault(rule);
  }
};

// What a listing's size allows: every unit read as what it says, a bound
// several times the listing (a catalogue exported again, a listing rounded
// or not yet updated), and no bound but that of an unknown size for a
// listing that gives no size a file can have.
TEST(DownloadedFileCheckTest, ListedSizesBoundADocumentGenerously) {
  const auto listed = [](const std::string& size) {
    marvisto_library_files_Entity file;
    file.info = "PDF/" + size + ",01:30";
    return DownloadedFileCheck::listedSize(file);
  };
  const auto limit = [&](const std::string& size) {
    const auto l = listed(size);
    return DownloadedFileCheck::mostBytes(kFileTypePdf, l ? l->mostBytes : -1);
  };
  for (const char* unknown : {"", "M", "-2 M", "nan M", "NaN", "inf", "inf M", "1e308 M", "1e20 G", "2.5 parsecs"}) {
    EXPECT_FALSE(listed(unknown)) << unknown;
    EXPECT_EQ(limit(unknown), DownloadedFileCheck::kMostFileBytes) << unknown;
  }
  marvisto_library_files_Entity none;
  none.info = "PDF";
  EXPECT_FALSE(DownloadedFileCheck::listedSize(none));
  ASSERT_TRUE(listed("2.5"));
  EXPECT_EQ(listed("2.5")->megabytes, 2.5);
  EXPECT_EQ(listed("2.5")->mostBytes, -1) << "a number alone bounds nothing";
  for (const char* nothing : {"0 KB", "0.00 M", "0 B"}) EXPECT_EQ(listed(nothing)->mostBytes, -1) << nothing;
  EXPECT_DOUBLE_EQ(listed("3 KB")->megabytes, 3.0 / 1024);
  EXPECT_DOUBLE_EQ(listed("1.5 GB")->megabytes, 1536);
  EXPECT_DOUBLE_EQ(listed("2.53 M")->megabytes, 2.53);
  EXPECT_LT(limit("3 KB"), limit("3 M"));
  // Honest documents against their listings: exported again larger,
  // rounded down to nothing, listed in kilobytes, larger than 4 GB.
  const std::vector<std::pair<std::string, std::int64_t>> honest = {
      {"2.53 M", static_cast<std::int64_t>(2.53 * 1048576 * 1.01)},
      {"2.53 M", static_cast<std::int64_t>(2.53 * 1048576 * 1.3)},
      {"2.53 M", 1000},
      {"0.02 M", 40 * 1024},
      {"0.00 M", 300 * 1024},
      {"0.00 M", 1457520},
      {"0 KB", 1457520},
      {"300 KB", 400 * 1024},
      {"5 GB", std::int64_t{5} << 30}};
  for (const auto& [size, bytes] : honest) EXPECT_GE(limit(size), bytes) << size << " " << bytes;
  // Far past the listing is no such document.
  EXPECT_LT(limit("2.53 M"), static_cast<std::int64_t>(2.53 * 1048576 * 10));
  EXPECT_LT(limit("3 KB"), 3 * 1048576);

  // A document is refused only when a page came in its place, unless it is
  // a page, or an office file saved as one.
  const std::string page = "\n <!DOCTYPE html><html><body>Please sign in</body></html>";
  const std::string pdf = "%PDF-1.4 a document" + std::string(40 * 1024, ' ');
  const auto check = [](int type, const char* name, const std::string& bytes, std::int64_t listedBytes = -1) {
    return DownloadedFileCheck::check(type, name, bytes, static_cast<std::int64_t>(bytes.size()), {}, listedBytes)
        .refusal;
  };
  using Refusal = DownloadedFileCheck::Refusal;
  EXPECT_EQ(check(kFileTypePdf, "a.pdf", pdf), Refusal::None);
  EXPECT_EQ(check(kFileTypePdf, "a.pdf", page), Refusal::Page);
  EXPECT_EQ(check(kFileTypeKeynote, "a.html", page), Refusal::None);
  EXPECT_EQ(check(kFileTypeKeynote, "a.xlsx", page), Refusal::Page);
  // Office files saved as pages, at their listed sizes and far below them
  // (a listing not yet updated): a letter and a sheet with the suite's
  // namespaces and program id, a letter without them but with its styles, a
  // sheet a report tool wrote as a bare table, a letter without a listing.
  const std::string office = "<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
                             "xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n";
  const std::string letter = office + "xmlns:w=\"urn:schemas-microsoft-com:office:word\">\r\n<head>\r\n"
      "<meta http-equiv=Content-Type content=\"text/html; charset=windows-1252\">\r\n"
      "<meta name=ProgId content=Word.Document>\r\n<title>Spring catalogue</title>\r\n"
      "<!--[if gte mso 9]><xml>\r\n <o:DocumentProperties>\r\n  <o:Author>Sales</o:Author>\r\n"
      " </o:DocumentProperties>\r\n</xml><![endif]-->\r\n</head>\r\n<body lang=EN-GB>\r\n"
      "<div class=WordSection1>\r\n<p class=MsoNormal>Oak chairs and tables for the spring.</p>\r\n</div>\r\n"
      "</body>\r\n</html>\r\n";
  const std::string sheet = office + "xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\r\n<head>\r\n"
      "<meta name=ProgId content=Excel.Sheet>\r\n<!--[if gte mso 9]><xml>\r\n <x:ExcelWorkbook>\r\n"
      "  <x:ExcelWorksheets><x:ExcelWorksheet><x:Name>Prices</x:Name></x:ExcelWorksheet></x:ExcelWorksheets>\r\n"
      " </x:ExcelWorkbook>\r\n</xml><![endif]-->\r\n</head>\r\n<body>\r\n"
      "<table border=0 cellpadding=0 cellspacing=0 width=256>\r\n"
      " <tr height=20><td class=xl65>SKU</td><td>Price</td></tr>\r\n"
      " <tr height=20><td>SKU-1001</td><td align=right>12.50</td></tr>\r\n</table>\r\n</body>\r\n</html>\r\n";
  const std::string filtered = "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html\">\r\n"
      "<style>\r\n p.MsoNormal {margin:0cm;font-size:11.0pt;}\r\n</style>\r\n</head>\r\n<body lang=EN-US>\r\n"
      "<div class=WordSection1>\r\n<p class=MsoNormal>Price list valid from 1 March.</p>\r\n</div>\r\n"
      "</body>\r\n</html>\r\n";
  const std::string report = "<html><head><meta charset=\"utf-8\"></head><body><table border=\"1\"><tr><th>SKU</th>"
                             "<th>Stock</th></tr><tr><td>SKU-1001</td><td>40</td></tr></table></body></html>";
  const std::string plain = "<html><body><h1>Terms of sale</h1><p>Prices include delivery.</p></body></html>";
  const std::int64_t listing = static_cast<std::int64_t>(2.53 * 1048576);
  const struct {
    const char* name;
    const std::string& bytes;
    std::int64_t listed;
  } savedAsPages[] = {{"catalogue.doc", letter, -1}, {"catalogue.DOC", letter, listing}, {"prices.xls", sheet, 2048},
                {"prices.xlt", sheet, listing}, {"terms.dot", filtered, listing}, {"stock.xls", report, listing},
                {"terms.doc", plain, -1}, {"terms.doc", plain, 100}};
  for (const auto& h : savedAsPages)
    EXPECT_EQ(check(kFileTypeWord, h.name, h.bytes, h.listed), Refusal::None) << h.name;
  // A hotel's sign-in page in place of a document listed at 2.53 MB, one
  // that asks for a password in a table of its own, and one that asks the
  // user to accept its terms.
  std::string hotel = "<html><head><meta http-equiv=\"refresh\" content=\"0; url=http://wifi.hotel.example/login\">"
                      "</head><body>Redirecting to the sign-in page</body></html>";
  hotel += std::string(199 - hotel.size(), ' ');
  const std::string signIn = "<!DOCTYPE html><html><head><title>Guest Wi-Fi</title></head><body><table><tr><td>"
                             "<form method=\"post\" action=\"/login\">Room <input name=\"room\"> Password "
                             "<input type=\"password\" name=\"pw\"></form></td></tr></table></body></html>";
  const std::string terms = "<html><body><p>Accept the terms of use to go on.</p><form action=\"/accept\">"
                            "<button>Accept</button></form></body></html>";
  const std::string namespacedSignIn = office + "><body><input type=password name=pw></body></html>";
  EXPECT_EQ(check(kFileTypeWord, "catalogue.doc", hotel, listing), Refusal::Page);
  EXPECT_EQ(check(kFileTypeWord, "catalogue.doc", page, listing), Refusal::Page);
  EXPECT_EQ(check(kFileTypeExcel, "prices.xls", signIn, 2048), Refusal::Page);
  EXPECT_EQ(check(kFileTypeWord, "terms.doc", terms), Refusal::Page);
  EXPECT_EQ(check(kFileTypeWord, "letter.dot", namespacedSignIn), Refusal::Page);
}

// Under a picture's name every file but a page or a PNG or JPEG certainly
// cut is kept: too large to draw here, of a format the decoder does not
// read, without the marker after its data, bytes of a kind not known here;
// the download and a later sync's look at it agree. A picture is refused
// when its bytes are cut (a camera's picture whose thumbnail ends near the
// cut included), and a page is told apart.
TEST(DownloadedFileCheckTest, EveryHonestPictureIsTakenAndOnlyOneCutShortOrNoPictureRefused) {
  gfx::ImageData noise(96, 96);
  std::uint32_t seed = 7;
  for (auto& byte : noise.pixels) byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  const auto bytesOf = [](const std::optional<std::vector<std::uint8_t>>& encoded) {
    return encoded ? std::string(encoded->begin(), encoded->end()) : std::string();
  };
  const std::string png = bytesOf(noise.encodePNG()), jpeg = bytesOf(noise.encodeJPEG(0.9));
  const fs::path folder = fs::path(testing::TempDir()) / "pictures";
  fs::create_directories(folder);
  const auto fileBytes = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  int width = 96;
  const auto rows = [&width](std::uint8_t* row, int y) {
    for (int x = 0; x < width; ++x) row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = static_cast<std::uint8_t>(x * 7 ^ y);
  };
  ASSERT_TRUE(test::writePictureRows(folder / "p.jpg", test::PictureKind::ProgressiveJpeg, 96, 64, 90, rows));
  ASSERT_TRUE(test::writePictureRows(folder / "i.png", test::PictureKind::InterlacedPng, 96, 64, 90, rows));
  width = 17000;
  ASSERT_TRUE(test::writePictureRows(folder / "banner.jpg", test::PictureKind::BaselineJpeg, width, 16, 90, rows));
  ASSERT_TRUE(test::writePictureRows(folder / "banner.png", test::PictureKind::InterlacedPng, width, 16, 90, rows));
  const std::string progressive = fileBytes(folder / "p.jpg"), interlaced = fileBytes(folder / "i.png");
  const std::string bannerJpeg = fileBytes(folder / "banner.jpg"), bannerPng = fileBytes(folder / "banner.png");
  ASSERT_FALSE(gfx::ImageData::dimensions(bannerJpeg)) << "wider than the decoder draws";
  // A camera's picture: its EXIF block holds a thumbnail with its own end marker.
  const std::string thumb = bytesOf(gfx::ImageData(8, 8).encodeJPEG(0.5));
  const std::string exif = "Exif" + std::string(2, '\0') + std::string(40, 'x') + thumb;
  const std::string camera = "\xFF\xD8\xFF\xE1" + std::string(1, static_cast<char>((exif.size() + 2) >> 8)) +
                             std::string(1, static_cast<char>((exif.size() + 2) & 0xFF)) + exif + jpeg.substr(2);
  const std::size_t scan = camera.find("\xFF\xDA", 6 + exif.size());
  ASSERT_NE(scan, std::string::npos);
  const std::string cameraCut = camera.substr(0, scan + 200);
  ASSERT_LT(cameraCut.size() - cameraCut.rfind("\xFF\xD9"), 1024u) << "the thumbnail's end lies in the last kilobyte";

  const auto withoutEnd = [](const std::string& bytes, std::size_t end) { return bytes.substr(0, bytes.size() - end); };
  // A lossless JPEG, whose frame the decoder does not take: its tables, its
  // frame and its scan are whole.
  const std::string lossless = std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0\1\1\0\0\1\0\1\0\0", 20) +
                               std::string("\xFF\xC3\0\x0B\x08\0\x10\0\x10\x01\x01\x11\0", 13) +
                               std::string("\xFF\xDA\0\x08\x01\x01\0\x01\0\0", 10) + std::string(64, '\x55') + "\xFF\xD9";
  const std::size_t losslessScan = lossless.find("\xFF\xDA");
  std::vector<std::pair<std::string, std::string>> honest = {
      {"png", png},
      {"jpeg", jpeg},
      {"progressive", progressive},
      {"interlaced", interlaced},
      {"camera", camera},
      {"jpeg with a trailer", jpeg + std::string(5000, 'x')},
      {"banner jpeg", bannerJpeg},
      {"banner png", bannerPng},
      {"jpeg without its end marker", withoutEnd(jpeg, 2)},
      {"progressive without its end marker", withoutEnd(progressive, 2)},
      {"camera without its end marker", withoutEnd(camera, 2)},
      {"png without IEND", withoutEnd(png, 12)},
      {"interlaced without IEND", withoutEnd(interlaced, 12)},
      {"gif", std::string("GIF89a\x02\0\x02\0", 10)},
      {"webp", std::string("RIFF\x20\0\0\0WEBPVP8 ", 16)},
      {"bmp", "BM" + std::string(12, '\0') + std::string("\x28\0\0\0", 4) + std::string(40, '\0')},
      {"heic", std::string("\0\0\0\x18" "ftypheic\0\0\0\0mif1heic", 24)},
      {"avif", std::string("\0\0\0\x1C" "ftypavif\0\0\0\0avifmif1miaf", 28)},
      {"ico", std::string("\0\0\1\0\1\0\x10\x10\0\0\1\0\x20\0", 14) + std::string(60, '\0')},
      {"svg", "<?xml version=\"1.0\"?>\n<!-- drawn -->\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
              "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>"},
      {"jpeg 2000", std::string("\0\0\0\x0CjP  \r\n\x87\n\0\0\0\x14" "ftypjp2 ", 20)},
      {"lossless jpeg", lossless},
      {"svg with declarations of its own", "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"svg11.dtd\" [\n"
                                           "  <!ENTITY ns_flows \"http://ns.example/Flows/1.0/\">\n]>\n<svg>"},
      {"bytes of a kind not known here", "Sorry, no picture here."}};
  for (auto& other : test::picturesOfOtherKinds()) honest.push_back(std::move(other));
  using Refusal = DownloadedFileCheck::Refusal;
  const std::vector<std::tuple<std::string, std::string, Refusal>> refused = {
      {"page", "\n<!DOCTYPE html><html><body>Please sign in</body></html>", Refusal::Page},
      {"nothing", "", Refusal::CutShort},
      {"cut inside its signature", "\x89PNG", Refusal::CutShort},
      {"png cut", png.substr(0, png.size() / 2), Refusal::CutShort},
      {"jpeg cut", jpeg.substr(0, jpeg.size() * 2 / 3), Refusal::CutShort},
      {"progressive cut", progressive.substr(0, progressive.size() * 2 / 3), Refusal::CutShort},
      {"interlaced cut", interlaced.substr(0, interlaced.size() * 2 / 3), Refusal::CutShort},
      {"banner cut", bannerJpeg.substr(0, bannerJpeg.size() / 2), Refusal::CutShort},
      {"camera cut in its data", cameraCut, Refusal::CutShort},
      {"camera cut in its thumbnail", camera.substr(0, 4 + exif.size() / 2), Refusal::CutShort},
      {"lossless jpeg cut before its scan", lossless.substr(0, losslessScan + 1), Refusal::CutShort}};
  const fs::path written = folder / "picture.part";
  const auto write = [](const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(out << bytes);
  };
  const auto check = [&](const std::string& bytes, bool onDisk) {
    const auto size = static_cast<std::int64_t>(bytes.size());
    if (!onDisk) return DownloadedFileCheck::check(kFileTypeProductImage, "p.jpg", bytes, size, {}).refusal;
    EXPECT_TRUE(write(written, bytes));
    return DownloadedFileCheck::check(kFileTypeProductImage, "p.jpg", bytes.substr(0, 1024), size, written).refusal;
  };
  for (const bool onDisk : {false, true}) {
    for (const auto& [what, bytes] : honest) {
      SCOPED_TRACE(what + (onDisk ? " written" : " held"));
      EXPECT_EQ(check(bytes, onDisk), Refusal::None);
      ASSERT_TRUE(write(written, bytes));
      EXPECT_TRUE(DownloadedFileCheck::isPictureFile(written));
    }
    for (const auto& [what, bytes, refusal] : refused) {
      SCOPED_TRACE(what + (onDisk ? " written" : " held"));
      EXPECT_EQ(check(bytes, onDisk), refusal);
      ASSERT_TRUE(write(written, bytes));
      EXPECT_FALSE(DownloadedFileCheck::isPictureFile(written));
    }
  }
}

// Pictures a hostile service sends, each a few bytes that would hold a
// reader for minutes: the check reads them no further than an honest
// picture needs and keeps them (no cut shows), and the screens' decoders
// stop at the same bound. Honest pictures of the same shapes read whole.
TEST(DownloadedFileCheckTest, HostilePicturesAreSettledWithinWhatAnHonestOneNeeds) {
  const fs::path written = fs::path(testing::TempDir()) / "hostile.part";
  const auto kept = [&](const std::string& bytes) {
    std::ofstream(written, std::ios::binary | std::ios::trunc) << bytes;
    const auto size = static_cast<std::int64_t>(bytes.size());
    return DownloadedFileCheck::check(kFileTypeProductImage, "p.jpg", bytes.substr(0, 1024), size, written).refusal ==
               DownloadedFileCheck::Refusal::None &&
           DownloadedFileCheck::isPictureFile(written);
  };
  const auto shown = [](const std::string& bytes) {
    bool bounded = false;
    const bool reduced = gfx::ProgressiveJpegReader::read(bytes, nullptr, 1, 16, 16, &bounded).has_value();
    EXPECT_EQ(bounded, !reduced);
    return reduced && gfx::ImageData::decodeJPEG(bytes) && gfx::ImageData::decodeFitting(bytes, 16, 16);
  };
  // The usual six scans, then the last of them 2,000 times more: read to
  // the first repeat, which refines what is already whole. Without their
  // end marker, so that the check reads them through.
  const std::string honest = test::progressiveRepeatingItsLastScan(96, 64, 0);
  const std::string repeating = test::progressiveRepeatingItsLastScan(96, 64, 2000);
  for (const auto& [bytes, scans, bounded] : {std::tuple{honest, 6, false}, std::tuple{repeating, 7, true}}) {
    SCOPED_TRACE(scans);
    const auto ending = gfx::PictureWalk::ending(bytes.substr(0, bytes.size() - 2));
    EXPECT_TRUE(ending.readThrough);
    EXPECT_EQ(ending.scans, scans);
    EXPECT_EQ(ending.bounded, bounded);
    EXPECT_TRUE(kept(bytes.substr(0, bytes.size() - 2)));
    EXPECT_EQ(shown(bytes), !bounded);
  }
  // About 300 scans in an honest order, each refining one coefficient by a
  // bit: read no further than the few dozen an honest encoder writes.
  const std::string refined = test::progressiveOfManyScans(32, 32, 300);
  const auto slow = gfx::PictureWalk::ending(refined.substr(0, refined.size() - 2));
  EXPECT_TRUE(slow.bounded);
  EXPECT_LE(slow.scans, 40);
  EXPECT_TRUE(kept(refined.substr(0, refined.size() - 2)));
  // Scans in an honest order, as many as the bound and one more.
  constexpr int kMost = gfx::JpegScanBound::kMostScans;
  for (const int scans : {kMost, kMost + 1}) {
    SCOPED_TRACE(scans);
    const std::string many = test::progressiveOfManyScans(32, 32, scans);
    const auto ending = gfx::PictureWalk::ending(many.substr(0, many.size() - 2));
    EXPECT_EQ(ending.scans, scans);
    EXPECT_EQ(ending.bounded, scans > kMost);
    EXPECT_TRUE(kept(many.substr(0, many.size() - 2)));
    EXPECT_EQ(shown(many), scans <= kMost);
  }
  // 65,500 x 65,500 without IEND, of more pixels than any picture drawn:
  // settled by its chunks, not a row inflated; its bytes ending inside a
  // chunk are cut. One of as many pixels as the largest drawn is read
  // through, each row, and cut when its data stops short.
  const std::string huge = test::pngOfEmptyRowsWithoutEnd(65500, 65500, 64);
  auto ending = gfx::PictureWalk::ending(huge);
  EXPECT_FALSE(ending.readThrough);
  EXPECT_EQ(ending.rows, 0);
  EXPECT_TRUE(kept(huge));
  EXPECT_FALSE(kept(huge.substr(0, huge.size() - 100)));
  ending = gfx::PictureWalk::ending(test::pngOfEmptyRowsWithoutEnd(200, 200'000, 200'000));
  EXPECT_TRUE(ending.readThrough);
  EXPECT_EQ(ending.rows, 200'000);
  EXPECT_FALSE(ending.cutShort);
  ending = gfx::PictureWalk::ending(test::pngOfEmptyRowsWithoutEnd(200, 200'000, 100'000));
  EXPECT_TRUE(ending.cutShort);
}

// The read-throughs of one run draw on one budget: a read is begun only
// when the budget can pay the most it may cost, and gives back what it did
// not use. A picture the budget cannot pay for is settled by its walk
// alone, taken unless its bytes certainly end short (inside a segment, or
// before any image data): one cut within its image data is then taken;
// with the budget to read it through, it is refused.
TEST(DownloadedFileCheckTest, ARunsReadThroughsStopAtItsBudget) {
  // Twenty scans of 32 x 32 pixels, without its end marker: a read may
  // cost a pass a scan up to the bound and one for its coefficients, and
  // costs 21.
  const std::string many = test::progressiveOfManyScans(32, 32, 20);
  const std::string slow = many.substr(0, many.size() - 2);
  constexpr std::int64_t kPass = 32 * 32;
  constexpr std::int64_t kMost = kPass * (1 + gfx::JpegScanBound::kMostScans);
  gfx::ReadThroughBudget budget(kMost + 10 * kPass);
  auto ending = gfx::PictureWalk::ending(slow, &budget);
  EXPECT_TRUE(ending.readThrough);
  EXPECT_EQ(ending.scans, 20);
  EXPECT_FALSE(ending.outOfBudget);
  EXPECT_EQ(budget.left(), kMost + 10 * kPass - 21 * kPass);
  // Too little is left for the most the next may cost: it is not begun.
  for (int next = 0; next < 2; ++next) {
    ending = gfx::PictureWalk::ending(slow, &budget);
    EXPECT_TRUE(ending.outOfBudget);
    EXPECT_FALSE(ending.readThrough);
    EXPECT_EQ(ending.scans, 0);
    EXPECT_FALSE(ending.cutShort);
  }
  gfx::ImageData noise(64, 64);
  for (std::size_t i = 0; i < noise.pixels.size(); ++i) noise.pixels[i] = static_cast<std::uint8_t>(i * 7919 % 251);
  const auto jpeg = noise.encodeJPEG(0.9);
  ASSERT_TRUE(jpeg);
  const std::string whole(jpeg->begin(), jpeg->end());
  const std::string inData = whole.substr(0, whole.size() - 200), inHeader = whole.substr(0, 30);
  const auto refusal = [](const std::string& bytes, gfx::ReadThroughBudget* spent) {
    return DownloadedFileCheck::check(kFileTypeProductImage, "p.jpg", bytes, static_cast<std::int64_t>(bytes.size()),
                                      {}, -1, spent)
        .refusal;
  };
  using Refusal = DownloadedFileCheck::Refusal;
  gfx::ReadThroughBudget spent(0);
  EXPECT_EQ(refusal(inData, &spent), Refusal::None);
  EXPECT_EQ(refusal(inHeader, &spent), Refusal::CutShort);
  EXPECT_EQ(refusal(whole, &spent), Refusal::None);
  gfx::ReadThroughBudget fresh;
  EXPECT_EQ(refusal(inData, &fresh), Refusal::CutShort);
}

// Pictures that each hold their check as a picture of the slow shape does
// for seconds (only reading them through tells them whole), sent ahead of
// honest files in one batch: every honest file goes into place while the
// slow ones are still being checked, and the slow ones follow, kept.
TEST_F(DownloadNetworkTest, SlowPicturesHoldNoHonestFileBehindThem) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_GE(images.size(), 3u);
  const std::string honest = test::progressiveRepeatingItsLastScan(96, 64, 0);
  const std::string slow = honest.substr(0, honest.size() - 2);
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) {
    names.push_back("slow-" + std::to_string(i) + ".jpg");
    FaultRule served;
    served.path = "*/" + names.back();
    served.kind = FaultKind::FileContent;
    served.content = slow;
    service->addFault(served);
  }
  for (const auto& [name, bytes] : images) names.push_back(name);
  std::mutex mutex;
  std::condition_variable released;
  bool letGo = false;
  int held = 0;
  gfx::PictureWalk::setReadThroughObserver([&] {
    std::unique_lock<std::mutex> lock(mutex);
    ++held;
    released.wait_for(lock, std::chrono::seconds(30), [&] { return letGo; });
  });
  const auto release = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    letGo = true;
    released.notify_all();
  };
  struct Restore {
    std::function<void()> release;
    ~Restore() {
      release();
      gfx::PictureWalk::setReadThroughObserver({});
    }
  } restore{release};
  const auto arrived = [](const Recorder& receiver, const std::string& prefix) {
    return std::count_if(receiver.downloads.begin(), receiver.downloads.end(),
                         [&](const auto& d) { return d->fileName.rfind(prefix, 0) == 0; });
  };
  auto receiver = std::make_shared<Recorder>();
  receiver->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return receiver->downloads.size() == images.size(); }));
  EXPECT_EQ(arrived(*receiver, "slow-"), 0);
  for (const auto& d : receiver->downloads) EXPECT_EQ(d->status, "200") << d->fileName;
  // The slow lane's three checks hold them meanwhile.
  EXPECT_TRUE(runUntil([&] {
    std::lock_guard<std::mutex> lock(mutex);
    return held == 3;
  }));
  release();
  ASSERT_TRUE(runUntil([&] { return receiver->downloads.size() == names.size(); }));
  EXPECT_EQ(arrived(*receiver, "slow-"), 6);
  for (const auto& d : receiver->downloads) EXPECT_EQ(d->status, "200") << d->fileName;
  EXPECT_EQ(contentsOf(destination("slow-0.jpg", kFileTypeProductImage)), slow);
}

TEST_F(DownloadNetworkTest, BatchFilesLandWholeAndUnsafeNamesAreRefused) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_GE(images.size(), 3u);
  auto receiver = std::make_shared<Recorder>();
  std::vector<std::string> names = {images[0].first, "../marvisto_lite.sqlite", images[1].first, "a/b.jpg",
                                    images[2].first, ".."};
  auto request = download(names, kFileTypeProductImage, kProgressTypeBatch);
  request->fileId = 77;
  EXPECT_EQ(receiver->send<DownloadRst>(request), request->downloadId);
  EXPECT_EQ(model().requestCount(), names.size());
  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == names.size(); }));

  ASSERT_EQ(receiver->downloads.size(), receiver->results.size());
  for (const auto& d : receiver->downloads) {
    EXPECT_EQ(d->downloadId, request->downloadId);
    EXPECT_EQ(d->fileId, 77);
    EXPECT_EQ(d->type, kFileTypeProductImage);
    EXPECT_EQ(d->cmdCode, 769);
    auto good = std::find_if(images.begin(), images.begin() + 3, [&](auto& f) { return f.first == d->fileName; });
    if (good != images.begin() + 3) {
      EXPECT_EQ(d->status, "200") << d->fileName;
      EXPECT_EQ(contentsOf(destination(d->fileName, kFileTypeProductImage)), good->second);
      EXPECT_FALSE(fs::exists(HttpNetworkCtrl::partialPathWithName(d->fileName, kFileTypeProductImage)));
    } else {
      EXPECT_EQ(d->status, "404") << d->fileName;
      EXPECT_EQ(d->message, test::textOfKey("404"));
    }
  }
  // Refused names never reach the service or the disk.
  EXPECT_EQ(fileRequests().size(), 3u);
  std::size_t stored = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) stored += entry.is_regular_file() && entry.path().extension() != ".json";
  EXPECT_EQ(stored, 3u);
  // The batch's receiver hears the end once, after its members.
  ASSERT_FALSE(receiver->progress.empty());
  EXPECT_EQ(receiver->progress.back(), 1.0f);
  EXPECT_EQ(std::count(receiver->progress.begin(), receiver->progress.end(), 1.0f), 1);
  EXPECT_EQ(model().requestCount(), 0u);

  // Nothing to fetch: the id comes back and nothing is sent.
  auto empty = download({}, kFileTypeProductImage, kProgressTypeBatch);
  EXPECT_EQ(receiver->send<DownloadRst>(empty), empty->downloadId);
  EXPECT_EQ(model().requestCount(), 0u);
}

TEST_F(DownloadNetworkTest, FailedDownloadsLeaveNothingBehind) {
  auto images = filesOfType(kFileTypeLibraryImage);
  ASSERT_GE(images.size(), 2u);
  auto receiver = std::make_shared<Recorder>();

  // A file the service does not have.
  auto result = fetch(download({"nope.jpg"}, kFileTypeLibraryImage, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "404");
  EXPECT_EQ(result->httpRsp, 0);
  EXPECT_FALSE(fs::exists(destination("nope.jpg", kFileTypeLibraryImage)));

  // An error page (500, 403), an answer without the file (202, 204, an
  // empty 200) or a part that stops short is never stored as the file; it is
  // a failed attempt of the service, retried like a lost connection, and the
  // good copy on disk stays.
  const std::string server = "127.0.0.1:" + std::to_string(service->filePort());
  const std::string name = images[0].first;
  const fs::path target = destination(name, kFileTypeLibraryImage);
  const fs::path partial = HttpNetworkCtrl::partialPathWithName(name, kFileTypeLibraryImage);
  FaultRule empty200;
  empty200.kind = FaultKind::EmptyFile;
  FaultRule shortPart;
  shortPart.kind = FaultKind::WrongRange;
  shortPart.chunkBytes = 100;
  ASSERT_GT(images[0].second.size(), 4 * shortPart.chunkBytes);
  const std::vector<FaultRule> refusals = {FaultRule::fileStatus("", 500), FaultRule::fileStatus("", 403),
                                           FaultRule::fileStatus("", 202), FaultRule::fileStatus("", 204), empty200,
                                           shortPart};
  for (FaultRule refusal : refusals) {
    const std::string what = std::string(sales::faultKindName(refusal.kind)) + " " + std::to_string(refusal.httpStatus);
    service->clearRequestLog();
    ASSERT_TRUE(writeFile(target, "old copy"));
    refusal.path = "*/" + name;
    service->addFault(refusal);
    result = fetch(download({name}, kFileTypeLibraryImage, 0), receiver);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, "999") << what;
    EXPECT_EQ(result->httpRsp, kHttpRspServiceFailed) << what;
    EXPECT_EQ(result->message, test::textOfKey("FILESERVICEFAILED") + "-" + server) << what;
    EXPECT_EQ(contentsOf(target), "old copy") << what;
    EXPECT_EQ(fileRequests().size(), 4u) << what;
    if (refusal.kind == FaultKind::WrongRange) {
      // Each attempt continued the last: four parts are kept for the next.
      EXPECT_EQ(contentsOf(partial), images[0].second.substr(0, 4 * shortPart.chunkBytes));
      ASSERT_EQ(fileRequests().size(), 4u);
      EXPECT_EQ(fileRequests()[3].range, "bytes=300-");
      fs::remove(partial);
    } else {
      EXPECT_FALSE(fs::exists(partial)) << what;
    }
    service->clearFaults();
  }
  // A page in place of one picture fails that picture alone, however often
  // it is asked for; pages for three files in a row stop every download to
  // the server, named.
  FaultRule page;
  page.path = "*/" + name;
  page.kind = FaultKind::FileContent;
  page.content = "<!DOCTYPE html><html><body>Please sign in to use the Internet.</body></html>";
  service->addFault(page);
  service->clearRequestLog();
  result = fetch(download({name}, kFileTypeLibraryImage, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, kHttpRspNotTheFile);
  EXPECT_EQ(result->message, test::textOfKey("NOTTHEFILE") + "-" + server + "-" + name);
  EXPECT_EQ(fileRequests().size(), 4u);
  EXPECT_EQ(contentsOf(target), "old copy");
  page.path = "";
  service->addFault(page);
  ASSERT_GE(images.size(), 3u);
  const auto pages = std::make_shared<Recorder>();
  pages->send<DownloadRst>(download({images[0].first, images[1].first, images[2].first}, kFileTypeLibraryImage,
                                    kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return pages->downloads.size() == 3; }));
  const auto& stop = pages->downloads.back();
  EXPECT_EQ(stop->httpRsp, kHttpRspEndpointSendsNoFiles);
  for (int i = 0; i < 3; ++i) EXPECT_NE(stop->message.find(images[i].first), std::string::npos) << stop->message;
  // A hotel's sign-in page in place of a letter listed at 2.53 MB, under a
  // name office files are saved as pages under, is no more kept, and counts
  // toward the stop.
  service->clearFaults();
  FaultRule hotel = page;
  hotel.path = "*/catalogue.doc";
  hotel.content = "<html><head><meta http-equiv=\"refresh\" content=\"0; url=http://wifi.hotel.example/\"></head>"
                  "<body>Redirecting to the sign-in page</body></html>";
  service->addFault(hotel);
  auto letter = download({"catalogue.doc"}, kFileTypeWord, 0);
  letter->listedBytes = static_cast<std::int64_t>(2.53 * 1048576);
  result = fetch(letter, receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, kHttpRspNotTheFile);
  EXPECT_FALSE(fs::exists(destination("catalogue.doc", kFileTypeWord)));
  service->addFault(page);
  pages->send<DownloadRst>(download({images[0].first, images[1].first}, kFileTypeLibraryImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return pages->downloads.size() == 5; }));
  EXPECT_EQ(pages->downloads.back()->httpRsp, kHttpRspEndpointSendsNoFiles);
  EXPECT_NE(pages->downloads.back()->message.find("catalogue.doc"), std::string::npos);
  service->clearFaults();
  const auto documents = filesOfType(kFileTypePdf);
  ASSERT_FALSE(documents.empty());
  auto listed = download({documents[0].first}, kFileTypePdf, 0);
  listed->mostBytes = static_cast<std::int64_t>(documents[0].second.size()) - 1;
  result = fetch(listed, receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, kHttpRspLargerThanListed);
  EXPECT_EQ(result->message, test::textOfKey("FILELARGERTHANLISTED") + "-" + server + "-" + documents[0].first);
  EXPECT_FALSE(fs::exists(destination(documents[0].first, kFileTypePdf)));

  // One refusal followed by the file: the retry brings it.
  FaultRule once = FaultRule::fileStatus("*/" + name, 500);
  once.times = 1;
  service->addFault(once);
  result = fetch(download({name}, kFileTypeLibraryImage, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(target), images[0].second);

  // A 206 whose range starts at byte 0 carries the whole file.
  FaultRule whole206;
  whole206.path = "*/" + images[1].first;
  whole206.kind = FaultKind::WholeAs206;
  service->addFault(whole206);
  service->clearRequestLog();
  result = fetch(download({images[1].first}, kFileTypeLibraryImage, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(destination(images[1].first, kFileTypeLibraryImage)), images[1].second);
  ASSERT_EQ(fileRequests().size(), 1u);
  EXPECT_EQ(fileRequests()[0].httpStatus, 206);
  ASSERT_TRUE(fs::remove(destination(images[1].first, kFileTypeLibraryImage)));

  // A single download that keeps failing is tried four times and reported
  // once; one that the server leaves without a byte stops at the limit of
  // such failures in a row; a batch member is tried once.
  HttpNetworkCtrl::Settings settings = ctrl().settings();
  settings.downloadTimeOutSeconds = 0.5;
  ctrl().setSettings(settings);
  service->clearFaults();
  service->clearRequestLog();
  const std::string other = images[1].first;
  service->addFault(FaultRule::fileStatus("*/" + other, 500));
  result = fetch(download({other}, kFileTypeLibraryImage, 0), receiver, 20);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(fileRequests().size(), 4u);
  service->clearFaults();
  service->clearRequestLog();
  FaultRule stall;
  stall.path = "*/" + other;
  stall.kind = FaultKind::Stall;
  stall.seconds = 1.0;
  service->addFault(stall);
  result = fetch(download({other}, kFileTypeLibraryImage, 0), receiver, 20);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, kHttpRspEndpointGone);
  EXPECT_EQ(fileRequests().size(), static_cast<std::size_t>(settings.endpointFailureLimit));
  service->clearRequestLog();
  result = fetch(download({other}, kFileTypeLibraryImage, kProgressTypeBatch), receiver, 20);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(fileRequests().size(), 1u);
  EXPECT_EQ(receiver->progress.back(), 1.0f);
  EXPECT_FALSE(fs::exists(destination(other, kFileTypeLibraryImage)));
}

// Pages served under the names office files are saved as pages under, at
// their listed names and sizes, are judged by what they ask for and hold:
// a sign-in however its password field is written or wherever it sits, a
// frame showing the network's own address, a note with a link to accept
// padded out to its listing, and a page nested past any document are
// refused; a letter with its links, a workbook's frameset, a report saved
// whole with its filter form, and one of paragraphs to read far below its
// listing, are kept.
TEST_F(DownloadNetworkTest, APageUnderAnOfficeNameIsJudgedByWhatItAsksForAndHolds) {
  HttpNetworkCtrl::Settings settings = ctrl().settings();
  // Every refusal here is one file; none of them stops the others.
  settings.endpointFailureLimit = 1000;
  ctrl().setSettings(settings);
  const std::string office = "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
                             "xmlns:w=\"urn:schemas-microsoft-com:office:word\">\r\n<head>\r\n"
                             "<meta name=ProgId content=Word.Document>\r\n";
  const auto signIn = [&](const std::string& field, const std::string& inHead = "") {
    return office + inHead + "</head>\r\n<body lang=EN-GB>\r\n<p class=MsoNormal>Guest Wi-Fi</p>\r\n"
           "<form method=post action=\"/login\">Room <input name=room> Password " + field + "</form>\r\n</body>\r\n</html>\r\n";
  };
  std::string padded = "<html><body><table><tr><td><p>Welcome to the hotel's guest network. By going on you "
                       "accept its terms of use.</p><a href=\"http://wifi.hotel.example/accept\">Accept and go "
                       "on</a></td></tr></table>";
  const std::string paddedEnd = "</body></html>";
  padded += std::string((3 << 20) - padded.size() - paddedEnd.size(), ' ') + paddedEnd;
  std::string stock = "<html><head><meta charset=\"utf-8\"><title>Stock by warehouse</title></head><body>"
                      "<h1>Stock by warehouse</h1><form method=\"get\" action=\"/reports/stock\">Warehouse "
                      "<select name=\"warehouse\"><option>All</option><option>North</option></select> From "
                      "<input type=\"date\" name=\"from\"> <input type=\"submit\" value=\"Filter\"></form>"
                      "<table border=\"1\"><tr><th>SKU</th><th>Warehouse</th><th>Stock</th></tr>\n";
  for (int row = 0; row < 400; ++row)
    stock += "<tr><td>SKU-" + std::to_string(1000 + row) + "</td><td>North</td><td>" + std::to_string(row % 70) +
             "</td></tr>\n";
  stock += "</table></body></html>\n";
  std::string quarter = "<html><head><title>Quarterly sales</title></head><body><h1>Quarterly sales</h1>\n";
  for (const char* region : {"North", "South", "East", "West", "Coast", "Islands"})
    quarter += std::string("<p>Sales in the ") + region + " region grew over the quarter, led by oak chairs and "
               "tables, while the stock of beech stools ran low before the spring catalogue reached the shops. "
               "The representatives of the region visited most of their customers twice.</p>\n";
  quarter += "</body></html>\n";
  const auto kilobytes = [](const std::string& bytes, int times) {
    return std::to_string((bytes.size() * times + 1023) / 1024 + 1) + " KB";
  };
  const struct {
    const char* what;
    std::string name, type, size, bytes;
    bool kept;
  } pages[] = {
      {"a password field a script makes", "guest.doc", "WORD", "2.53 M",
       signIn("<input id=pw name=pw><script>document.getElementById(\"pw\").type = \"password\";</script>"), false},
      {"a letter whose script makes its field a password field from quoted pieces", "guest9.doc", "WORD", "2.53 M",
       office + "</head><body>" + quarter.substr(quarter.find("<p>"), quarter.find("</body>") - quarter.find("<p>")) +
           "<form method=post action=/login>Password <input id=pw name=pw></form><script>var kind = 'pa' + 'ss' "
           "+\n 'wo' + 'rd'; document.getElementById('pw').type = kind;</script></body></html>",
       false},
      {"a field that becomes one when typed in", "guest2.doc", "WORD", "2.53 M",
       signIn("<input name=pw onfocus=\"this.type='password'\">"), false},
      {"a password field spelled with spaces", "guest3.doc", "WORD", "2.53 M",
       signIn("<input type = \"password\" name=pw>"), false},
      {"a password field spelled with an entity", "guest4.xls", "EXCEL", "2.53 M",
       signIn("<input type=\"&#112;assword\" name=pw>"), false},
      {"a password field after a long comment", "guest5.doc", "WORD", "2.53 M",
       signIn("<input type=password name=pw>", "<!--" + std::string(300 * 1024, 'x') + "-->\r\n"), false},
      {"a sign-in in a frame", "guest6.doc", "WORD", "2.53 M",
       office + "</head><body><iframe src=\"http://wifi.hotel.example/login\" width=\"100%\" height=\"100%\">"
                "</iframe></body></html>",
       false},
      {"a sign-in after a comment", "guest7.dot", "WORD", "2.53 M",
       "<!-- portal -->\n<html><body><form method=post action=/login>Password <input type=password name=pw>"
       "</form></body></html>",
       false},
      {"a note with a link to accept, padded to its listing", "terms.xls", "EXCEL", "3 M", padded, false},
      {"a sign-in that asks for an e-mail address", "guest8.doc", "WORD", "2.53 M",
       office + "</head><body><form method=post action=/join>E-mail <input type=email name=mail>"
                "<button>Go on</button></form></body></html>",
       false},
      {"a page nested deeper than any document", "deep.doc", "WORD", "2.53 M",
       office + "</head><body>" + [] {
         std::string nested;
         for (int level = 0; level < 300; ++level) nested += "<div>";
         return nested;
       }() + "Sign in</body></html>",
       false},
      {"a letter with its contents list and a link to the company's site", "letter.doc", "WORD", "2.53 M",
       office + "</head><body><p class=MsoToc1><a href=\"#_Toc1\">Prices</a></p><h1><a name=_Toc1>Prices</a></h1>"
                "<p class=MsoNormal>See <a href=\"http://www.example.com/prices\">our prices</a>.</p></body></html>",
       true},
      {"a workbook saved as a frameset of its sheets", "book.xls", "EXCEL", "2.53 M",
       "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
       "xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><head><meta name=ProgId content=Excel.Sheet>"
       "<script language=\"JavaScript\">var c_lTabs = 2; function fnGoSheet(i) { frames['frSheet'].location = "
       "'book_files/sheet00' + (i + 1) + '.htm'; }</script></head><frameset rows=\"*,39\" border=0>"
       "<frame src=\"book_files/sheet001.htm\" name=\"frSheet\"><frame src=\"book_files/tabstrip.htm\" "
       "name=\"frTabs\"></frameset></html>",
       true},
      {"a report saved whole with its filter form", "stock.xls", "EXCEL", kilobytes(stock, 1), stock, true},
      {"a report of paragraphs far below its listing", "quarter.doc", "WORD", kilobytes(quarter, 4), quarter, true},
  };
  const std::string server = "127.0.0.1:" + std::to_string(service->filePort());
  auto receiver = std::make_shared<Recorder>();
  int id = 0;
  for (const auto& page : pages) {
    SCOPED_TRACE(page.what);
    FaultRule served;
    served.path = "*/" + page.name;
    served.kind = FaultKind::FileContent;
    served.content = page.bytes;
    service->addFault(served);
    marvisto_library_files_Entity file;
    file.file_id = ++id;
    file.file_name = page.name;
    file.type = page.type;
    file.info = page.type + "/" + page.size + ",";
    const auto result = fetch(RequestDownload::forLibraryFile(file), receiver);
    ASSERT_TRUE(result);
    const fs::path target = destination(page.name, PublicFunction::getFileType(page.type));
    if (page.kept) {
      EXPECT_EQ(result->status, "200");
      EXPECT_TRUE(contentsOf(target) == page.bytes);
    } else {
      EXPECT_EQ(result->httpRsp, kHttpRspNotTheFile);
      EXPECT_EQ(result->message, test::textOfKey("NOTTHEFILE") + "-" + server + "-" + page.name);
      EXPECT_FALSE(fs::exists(target));
    }
    service->clearFaults();
  }
}

TEST_F(DownloadNetworkTest, AFileSentCompressedUnaskedIsRefusedOnceAndLeavesNothingBehind) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_GE(images.size(), 3u);
  auto receiver = std::make_shared<Recorder>();
  // Every picture comes gzip-compressed, some ten kilobytes that inflate to 16 MB.
  FaultRule bomb;
  bomb.path = "*";
  bomb.kind = FaultKind::Gzipped;
  bomb.chunkBytes = 16 << 20;
  service->addFault(bomb);

  // The copy in place stays, the partial data and its record go, and the
  // same answer is not asked for again.
  const std::string& name = images[0].first;
  const fs::path target = destination(name, kFileTypeProductImage);
  const fs::path partial = HttpNetworkCtrl::partialPathWithName(name, kFileTypeProductImage);
  const fs::path record = FormDataRequest::resumeRecordPath(partial);
  ASSERT_TRUE(writeFile(target, "old copy"));
  ASSERT_TRUE(writeFile(partial, images[0].second.substr(0, 100)));
  ASSERT_TRUE(writeFile(record, "\n" + std::to_string(images[0].second.size()) + "\n"));
  service->clearRequestLog();
  auto result = fetch(download({name}, kFileTypeProductImage, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->message, test::textOfKey("DOWNLOADERROR"));
  // Compared whole, the inflated file would fill the report.
  EXPECT_TRUE(contentsOf(target) == "old copy") << fs::file_size(target) << " bytes in place";
  EXPECT_FALSE(fs::exists(partial));
  EXPECT_FALSE(fs::exists(record));
  ASSERT_EQ(fileRequests().size(), 1u);
  EXPECT_EQ(fileRequests()[0].fault, "gzipped");

  // A batch of pictures stores none of them.
  ASSERT_TRUE(fs::remove(target));
  receiver->results.clear();
  std::vector<std::string> names = {images[0].first, images[1].first, images[2].first};
  receiver->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return receiver->results.size() == names.size(); }));
  for (const auto& d : receiver->downloads) EXPECT_EQ(d->status, "999") << d->fileName;
  std::size_t stored = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    stored += entry.is_regular_file() && entry.path().extension() != ".json";
  EXPECT_EQ(stored, 0u);
}

TEST_F(DownloadNetworkTest, InterruptedDownloadResumesFromItsPartialData) {
  auto videos = filesOfType(kFileTypeVideo);
  ASSERT_FALSE(videos.empty());
  const auto& [name, bytes] = *std::max_element(videos.begin(), videos.end(),
                                                [](auto& a, auto& b) { return a.second.size() < b.second.size(); });
  ASSERT_GT(bytes.size(), 8000u) << "the sample video is too small to interrupt";
  const std::size_t chunk = bytes.size() / 40;
  const fs::path partial = HttpNetworkCtrl::partialPathWithName(name, kFileTypeVideo);
  const fs::path target = destination(name, kFileTypeVideo);
  auto receiver = std::make_shared<Recorder>();

  auto interrupt = [&] {
    trickleFiles("*/" + name, chunk, 0.05, 1);
    receiver->percents.clear();
    base::CancelTracker owner;
    receiver->send<DownloadRst>(download({name}, kFileTypeVideo, kProgressTypeSingleWithPercent), &owner);
    EXPECT_TRUE(runUntil([&] { return !receiver->percents.empty() && receiver->percents.back().downloadPercent > 0.25f; }));
    owner.cancelAll();
    EXPECT_EQ(model().requestCount(), 0u);
    // Nothing more of it reaches its handlers, its share included.
    const std::size_t heard = receiver->percents.size();
    waitFor(0.3);
    EXPECT_TRUE(receiver->results.empty());
    EXPECT_EQ(receiver->percents.size(), heard);
    EXPECT_FALSE(fs::exists(target));
    std::error_code ec;
    auto size = fs::file_size(partial, ec);
    EXPECT_FALSE(ec) << partial;
    return ec ? std::uintmax_t(0) : size;
  };

  const std::uintmax_t kept = interrupt();
  ASSERT_GT(kept, 0u);
  float last = 0;
  for (const auto& p : receiver->percents) {
    EXPECT_EQ(p.fileName, name);
    EXPECT_GE(p.downloadPercent, last);
    EXPECT_LE(p.downloadPercent, 1.0f);
    last = p.downloadPercent;
  }

  // The next request continues from the partial data.
  service->clearRequestLog();
  receiver->percents.clear();
  auto result = fetch(download({name}, kFileTypeVideo, kProgressTypeSingleWithPercent), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(target), bytes);
  EXPECT_FALSE(fs::exists(partial));
  ASSERT_EQ(fileRequests().size(), 1u);
  EXPECT_EQ(fileRequests()[0].range, "bytes=" + std::to_string(kept) + "-");
  EXPECT_EQ(fileRequests()[0].httpStatus, 206);
  for (const auto& p : receiver->percents) {
    EXPECT_GE(p.downloadPercent + 1e-6f, static_cast<float>(kept) / static_cast<float>(bytes.size()));
  }

  // A service that ignores the range sends the whole file, which replaces
  // the partial data instead of being appended to it.
  ASSERT_TRUE(fs::remove(target));
  receiver->results.clear();
  ASSERT_GT(interrupt(), 0u);
  FaultRule whole;
  whole.path = "*/" + name;
  whole.kind = FaultKind::IgnoreRange;
  service->addFault(whole);
  result = fetch(download({name}, kFileTypeVideo, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(target), bytes);

  // Partial data longer than the file (a range the service cannot serve).
  service->clearFaults();
  ASSERT_TRUE(fs::remove(target));
  ASSERT_TRUE(writeFile(partial, bytes + "trailing junk"));
  result = fetch(download({name}, kFileTypeVideo, 0), receiver);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(target), bytes);
}

// A file arriving in hundreds of chunks reports at most once per whole
// percent, always further, and the whole file once it is in place.
TEST_F(DownloadNetworkTest, ProgressIsReportedOncePerWholePercent) {
  auto videos = filesOfType(kFileTypeVideo);
  ASSERT_FALSE(videos.empty());
  const auto& [name, bytes] = *std::max_element(videos.begin(), videos.end(),
                                                [](auto& a, auto& b) { return a.second.size() < b.second.size(); });
  ASSERT_GT(bytes.size(), 8000u) << "the sample video is too small to cut into chunks";
  const std::size_t chunks = 400;
  trickleFiles("*/" + name, bytes.size() / chunks, 0.001);
  auto receiver = std::make_shared<Recorder>();
  auto result = fetch(download({name}, kFileTypeVideo, kProgressTypeSingleWithPercent), receiver, 30);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(destination(name, kFileTypeVideo)), bytes);

  ASSERT_FALSE(receiver->percents.empty());
  // Whole percents 0 to 99, and the whole file.
  EXPECT_LE(receiver->percents.size(), 101u) << "more reports than whole percents";
  // Chunks of a quarter percent: nearly every whole percent is passed on its own.
  EXPECT_GE(receiver->percents.size(), 50u);
  int lastWhole = -1;
  for (std::size_t i = 0; i + 1 < receiver->percents.size(); ++i) {
    const int whole = static_cast<int>(receiver->percents[i].downloadPercent * 100.0f);
    EXPECT_GT(whole, lastWhole) << "report " << i << " repeats or goes back";
    EXPECT_LT(whole, 100) << "the whole file reported before it was in place";
    lastWhole = whole;
  }
  EXPECT_EQ(receiver->percents.back().downloadPercent, 1.0f);
}

// Through the request seam a download's progress reaches its progress
// handler, whole percents up to the whole file before the reply; once its
// tracker lets go, nothing more of it is heard.
TEST_F(DownloadNetworkTest, TheSenderHandsADownloadsProgressToItsHandlerWhileTheTrackerHoldsIt) {
  auto videos = filesOfType(kFileTypeVideo);
  ASSERT_FALSE(videos.empty());
  const auto& [name, bytes] = videos.front();
  ASSERT_GT(bytes.size(), 8000u);
  RequestSender& sender = model();
  auto tracker = std::make_unique<base::CancelTracker>();
  std::vector<float> shares;
  std::vector<std::string> heard;
  auto send = [&] {
    auto request = std::make_shared<RequestDownload>();
    request->fileNameList = {name};
    request->imgType = kFileTypeVideo;
    request->progressType = kProgressTypeSingleWithPercent;
    return sender.sendFor<DownloadRst>(
        request, *tracker, [&](const DownloadRst& reply) { heard.push_back(reply.fileName + " " + reply.status); },
        [&](const NetBaseRst& reply) { heard.push_back("ended " + reply.status); },
        [&](const DownLoadRequestInfo& info) {
          EXPECT_EQ(info.fileName, name);
          EXPECT_TRUE(heard.empty()) << "progress after the outcome";
          shares.push_back(info.downloadPercent);
        });
  };
  trickleFiles("*/" + name, bytes.size() / 50, 0.001);
  ASSERT_GT(send(), 0);
  ASSERT_TRUE(runUntil([&] { return !heard.empty(); }, 30));
  EXPECT_EQ(heard, std::vector<std::string>{name + " 200"});
  ASSERT_GE(shares.size(), 2u);
  EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
  EXPECT_EQ(shares.back(), 1.0f);

  // Let go of half-way: no more progress and no reply.
  ASSERT_TRUE(fs::remove(destination(name, kFileTypeVideo)));
  service->clearFaults();
  trickleFiles("*/" + name, bytes.size() / 50, 0.02);
  shares.clear();
  heard.clear();
  ASSERT_GT(send(), 0);
  ASSERT_TRUE(runUntil([&] { return !shares.empty(); }, 30));
  tracker.reset();
  const std::size_t seen = shares.size();
  waitFor(0.5);
  EXPECT_EQ(shares.size(), seen);
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(model().requestCount(), 0u);
}

TEST_F(DownloadNetworkTest, FileNamesTravelAsOneSegmentAndUnknownLengthsReportOnlyTheWholeFile) {
  httplib::Server server;
  server.set_keep_alive_max_count(1);
  std::mutex mutex;
  std::vector<std::string> paths;
  const std::string body(20000, 'x');
  server.Post(R"(/.*)", [&](const httplib::Request& req, httplib::Response& res) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      paths.push_back(req.path);
    }
    // Chunked: no Content-Length.
    res.set_chunked_content_provider("application/octet-stream", [&](size_t offset, httplib::DataSink& sink) {
      if (offset < body.size()) {
        sink.write(body.data() + offset, std::min<size_t>(1000, body.size() - offset));
      } else {
        sink.done();
      }
      return true;
    });
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  auto& defaults = base::UserDefaults::standard();
  defaults.setString("ImageIP", "127.0.0.1");
  defaults.setInteger("ImagePort", port);
  defaults.setString("ImagePath", " ");

  auto receiver = std::make_shared<Recorder>();
  const std::string name = "a b#c%d?é.pdf";
  auto result =
      fetch(download({name}, kFileTypePdf, kProgressTypeSingleWithPercent), receiver);
  server.stop();
  thread.join();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "200");
  EXPECT_EQ(contentsOf(destination(name, kFileTypePdf)), body);
  // Without a length only the whole file is reported.
  ASSERT_EQ(receiver->percents.size(), 1u);
  EXPECT_EQ(receiver->percents[0].downloadPercent, 1.0f);
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0], "/images/acme/library/pdf/" + name);
}

TEST_F(DownloadNetworkTest, NetworkLossEndsTheBatchOnly) {
  signIn();
  auto images = filesOfType(kFileTypeProductImage);
  auto catalog = filesOfType(kFileTypeLibraryImage);
  ASSERT_GE(images.size(), 4u);
  ASSERT_FALSE(catalog.empty());
  trickleFiles("*/product/*", 512, 0.1);
  trickleFiles("*/cover_image/*", catalog[0].second.size() / 8 + 1, 0.1);
  service->addFault(FaultRule::stallFor("getuserinfo", 0.5));

  auto batch = std::make_shared<Recorder>();
  auto single = std::make_shared<Recorder>();
  auto messages = std::make_shared<Recorder>();
  std::vector<std::string> names;
  for (int i = 0; i < 4; ++i) names.push_back(images[i].first);
  batch->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  single->send<DownloadRst>(download({catalog[0].first}, kFileTypeLibraryImage, 0));
  auto userinfo = std::make_shared<RequestGetUserinfo>();
  messages->send(userinfo);
  ASSERT_TRUE(runUntil([&] { return fileRequests().size() >= 4; }));

  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_TRUE(runUntil([&] { return batch->results.size() == 4; }));
  ASSERT_EQ(batch->downloads.size(), 4u);
  for (const auto& d : batch->downloads) {
    EXPECT_EQ(d->status, "999");
    EXPECT_EQ(d->httpRsp, 1);
    EXPECT_FALSE(fs::exists(destination(d->fileName, kFileTypeProductImage)));
  }
  EXPECT_EQ(batch->progress.back(), 1.0f);
  ASSERT_TRUE(runUntil([&] { return single->results.size() == 1 && messages->results.size() == 1; }, 20));
  EXPECT_EQ(single->results[0]->status, "200");
  EXPECT_EQ(contentsOf(destination(catalog[0].first, kFileTypeLibraryImage)), catalog[0].second);
  EXPECT_EQ(messages->results[0]->status, "200");
  EXPECT_EQ(model().requestCount(), 0u);
}

TEST_F(DownloadNetworkTest, DownloadsToAnEndpointThatKeepsRefusingOrStallingStopAtOnce) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_GE(images.size(), 8u);
  auto& defaults = base::UserDefaults::standard();
  const auto port = defaults.integerForKey("ImagePort");
  const int refusing = unusedPort();
  defaults.setInteger("ImagePort", refusing);
  const std::string refusingServer = "127.0.0.1:" + std::to_string(refusing);

  // Connection failures in a row stop the whole batch: after the first ones,
  // every member is ended with the endpoint's reason, those never tried
  // included, and the server is named.
  auto batch = std::make_shared<Recorder>();
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back(images[i].first);
  batch->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return batch->results.size() == names.size(); }));
  const int limit = ctrl().settings().endpointFailureLimit;
  const int refused = HttpNetworkCtrl::httpRspForError(static_cast<long>(RequestError::ConnectionFailure));
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(batch->results[i]->status, "999");
    EXPECT_EQ(batch->results[i]->httpRsp, static_cast<int>(i) < limit - 1 ? refused : kHttpRspEndpointGone)
        << i;
    EXPECT_EQ(batch->results[i]->server, refusingServer) << i;
  }
  EXPECT_EQ(HttpNetworkCtrl::sharedInstance().pendingCount(), 0u);

  // A single download stops too, at the limit rather than after all its
  // attempts; an answer from the endpoint clears its count: a failure after
  // it is one failure again.
  ASSERT_GE(ctrl().settings().singleDownloadRetries, limit);
  auto single = std::make_shared<Recorder>();
  auto result = fetch(download({images[0].first}, kFileTypeProductImage, 0), single);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, kHttpRspEndpointGone);
  defaults.setInteger("ImagePort", port);
  auto good = std::make_shared<Recorder>();
  ASSERT_EQ(fetch(download({images[1].first}, kFileTypeProductImage, kProgressTypeBatch), good)->status,
            "200");
  defaults.setInteger("ImagePort", unusedPort());
  auto one = std::make_shared<Recorder>();
  result = fetch(download({images[2].first}, kFileTypeProductImage, kProgressTypeBatch), one);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, refused);

  // A network that keeps the connections open and brings nothing: time-outs
  // count as refusals do, batch and single.
  test::StallingProxy proxy(service->filePort());
  std::string error;
  ASSERT_TRUE(proxy.start(&error)) << error;
  proxy.stall();
  defaults.setInteger("ImagePort", proxy.port());
  const std::string stalledServer = "127.0.0.1:" + std::to_string(proxy.port());
  auto stalled = std::make_shared<Recorder>();
  stalled->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return stalled->results.size() == names.size(); }, 30));
  const int timedOut = HttpNetworkCtrl::httpRspForError(static_cast<long>(RequestError::TimedOut));
  int gone = 0;
  for (const auto& r : stalled->results) {
    EXPECT_EQ(r->status, "999");
    EXPECT_TRUE(r->httpRsp == timedOut || r->httpRsp == kHttpRspEndpointGone) << r->httpRsp;
    EXPECT_EQ(r->server, stalledServer);
    gone += r->httpRsp == kHttpRspEndpointGone ? 1 : 0;
  }
  EXPECT_EQ(gone, static_cast<int>(names.size()) - (limit - 1));
  // A single download, alone on another stalled endpoint.
  test::StallingProxy quiet(service->filePort());
  ASSERT_TRUE(quiet.start(&error)) << error;
  quiet.stall();
  defaults.setInteger("ImagePort", quiet.port());
  auto lone = std::make_shared<Recorder>();
  result = fetch(download({images[3].first}, kFileTypeProductImage, kProgressTypeSingleWithPercent), lone, 30);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->httpRsp, kHttpRspEndpointGone);
  EXPECT_EQ(result->server, "127.0.0.1:" + std::to_string(quiet.port()));
  EXPECT_EQ(quiet.connections(), limit) << "one attempt per failure up to the limit, no more";
  EXPECT_EQ(HttpNetworkCtrl::sharedInstance().pendingCount(), 0u);
  defaults.setInteger("ImagePort", port);
}

// A connection that trickles a file below the byte floor is never silent,
// yet brings the file no nearer: it fails as a stalled one does.
TEST_F(DownloadNetworkTest, AFileTrickledBelowTheFloorTimesOut) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_FALSE(images.empty());
  HttpNetworkCtrl::Settings settings = ctrl().settings();
  settings.downloadTimeOutSeconds = 1;
  ctrl().setSettings(settings);
  const auto& [name, bytes] = images[0];
  // A byte every twentieth of a second: a fifth of the floor, for far
  // longer than the time-out.
  ASSERT_GT(bytes.size(), 400u);
  ASSERT_LT(20, settings.downloadLowSpeedBytesPerSecond);
  trickleFiles("*/" + name, 1, 0.05);
  auto receiver = std::make_shared<Recorder>();
  const auto result = fetch(download({name}, kFileTypeProductImage, kProgressTypeBatch), receiver, 15);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, "999");
  EXPECT_EQ(result->httpRsp, HttpNetworkCtrl::httpRspForError(static_cast<long>(RequestError::TimedOut)));
  EXPECT_FALSE(fs::exists(destination(name, kFileTypeProductImage)));
}

// A device without room above its disk's margin takes no file: the first
// download that meets it stops every other at once, batch and single, each
// told why; nothing of them is left. With room, the same files arrive.
TEST_F(DownloadNetworkTest, ADiskWithoutRoomStopsEveryDownloadAtOnce) {
  auto images = filesOfType(kFileTypeProductImage);
  const auto documents = filesOfType(kFileTypePdf);
  ASSERT_GE(images.size(), 8u);
  ASSERT_FALSE(documents.empty());
  const std::uint64_t capacity = std::uint64_t{32} << 30;
  // Read on the transport's thread while the test changes it.
  std::atomic<std::uint64_t> room = 0;
  DiskRoom::setReading([&](const fs::path&) -> std::optional<DiskRoom::Space> {
    return DiskRoom::Space{capacity, DiskRoom::kMarginBytes + room.load()};
  });
  struct Restore {
    ~Restore() { DiskRoom::setReading(nullptr); }
  } restore;
  std::vector<std::string> names;
  for (int i = 0; i < 8; ++i) names.push_back(images[i].first);
  const auto sendAll = [&] {
    auto batch = std::make_shared<Recorder>();
    batch->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
    auto single = std::make_shared<Recorder>();
    single->send<DownloadRst>(download({documents[0].first}, kFileTypePdf, kProgressTypeSingleWithPercent));
    EXPECT_TRUE(runUntil([&] { return batch->results.size() == names.size() && single->results.size() == 1; }));
    return std::pair{batch, single};
  };

  // The kilobytes a stop says the files need ("...NEEDS-4.2 MB"), or need
  // about when some of their sizes were judged from others ("...ABOUT-").
  const auto kilobytesTold = [&](const std::string& told, bool about) {
    const std::string lead = about ? "text-DOWNLOADNOROOMNEEDSABOUT-" : "text-DOWNLOADNOROOMNEEDS-";
    EXPECT_TRUE(told.starts_with(lead) && (told.ends_with(" KB") || told.ends_with(" MB"))) << told;
    if (!told.starts_with(lead)) return 0.0;
    return std::stod(told.substr(lead.size())) * (told.ends_with(" MB") ? 1024 : 1);
  };
  std::uint64_t total = documents[0].second.size(), smallest = documents[0].second.size();
  for (int i = 0; i < 8; ++i) {
    total += images[i].second.size();
    smallest = std::min<std::uint64_t>(smallest, images[i].second.size());
  }

  // Room for a few bytes only. Each is told how much more room the files
  // need, none of which is listed with its size and none of whose kind came
  // yet: those whose replies said their size, and the others of their kind
  // judged from them; at least what the one that found no room lacks.
  room = 10;
  auto [batch, single] = sendAll();
  ASSERT_EQ(single->downloads.size(), 1u);
  EXPECT_EQ(single->downloads[0]->httpRsp, kHttpRspNoRoom);
  const std::string& first = single->downloads[0]->message;
  EXPECT_GE(kilobytesTold(first, first.starts_with("text-DOWNLOADNOROOMNEEDSABOUT-")), (smallest - 10) / 1024.0);
  for (const auto& r : batch->downloads) {
    EXPECT_EQ(r->status, "999") << r->fileName;
    EXPECT_EQ(r->httpRsp, kHttpRspNoRoom) << r->fileName;
    EXPECT_EQ(r->message, single->downloads[0]->message) << r->fileName;
  }
  // No file was asked for twice: none is tried again for want of room.
  EXPECT_LE(fileRequests().size(), names.size() + 1);
  EXPECT_EQ(HttpNetworkCtrl::sharedInstance().pendingCount(), 0u);
  std::size_t stored = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    stored += entry.is_regular_file() && entry.path().extension() != ".json";
  }
  EXPECT_EQ(stored, 0u) << "neither a file nor a partial one";

  // Once pictures have come, the others are judged from them, and a
  // document listed with its size counts as much: the figure is near what
  // the files need beyond the room.
  ASSERT_GE(images.size(), 12u);
  room = total;
  for (int i = 8; i < 12; ++i) {
    auto arrived = fetch(download({images[i].first}, kFileTypeProductImage, kProgressTypeBatch),
                         std::make_shared<Recorder>());
    ASSERT_TRUE(arrived && arrived->isSuccess()) << images[i].first;
  }
  room = 10;
  {
    auto pictures = std::make_shared<Recorder>();
    pictures->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
    auto listed = download({documents[0].first}, kFileTypePdf, kProgressTypeSingleWithPercent);
    listed->listedBytes = static_cast<std::int64_t>(documents[0].second.size());
    auto document = std::make_shared<Recorder>();
    document->send<DownloadRst>(listed);
    ASSERT_TRUE(runUntil([&] { return pictures->results.size() == names.size() && document->results.size() == 1; }));
    const double told = kilobytesTold(document->downloads[0]->message, true);
    EXPECT_GE(told, (total - 10) / 1024.0 / 2) << total << " bytes";
    EXPECT_LE(told, (total - 10) / 1024.0 * 2) << total << " bytes";
  }

  // Room for exactly what comes: every file arrives.
  room = total;
  std::tie(batch, single) = sendAll();
  for (const auto& r : batch->downloads) EXPECT_EQ(r->status, "200") << r->fileName;
  EXPECT_EQ(single->downloads[0]->status, "200");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(contentsOf(destination(names[i], kFileTypeProductImage)), images[i].second);
  EXPECT_EQ(contentsOf(destination(documents[0].first, kFileTypePdf)), documents[0].second);
}

TEST_F(DownloadNetworkTest, OneFileIsNeverWrittenByTwoTransfersAtOnce) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_FALSE(images.empty());
  const auto& [name, bytes] = images[0];
  trickleFiles("*/" + name, bytes.size() / 6 + 1, 0.1);
  auto first = std::make_shared<Recorder>();
  auto second = std::make_shared<Recorder>();
  first->send<DownloadRst>(download({name}, kFileTypeProductImage, 0));
  second->send<DownloadRst>(download({name}, kFileTypeProductImage, kProgressTypeSingleWithPercent));
  ASSERT_TRUE(runUntil([&] { return fileRequests().size() == 1; }));
  waitFor(0.3);
  EXPECT_EQ(fileRequests().size(), 1u);
  ASSERT_TRUE(runUntil([&] { return first->results.size() == 1 && second->results.size() == 1; }, 20));
  EXPECT_EQ(first->results[0]->status, "200");
  EXPECT_EQ(second->results[0]->status, "200");
  EXPECT_EQ(fileRequests().size(), 2u);
  EXPECT_EQ(contentsOf(destination(name, kFileTypeProductImage)), bytes);

  // Cancelling its owner's tracker ends that owner's transfers only, single
  // and batch; another owner's download of the same name goes on.
  auto third = std::make_shared<Recorder>();
  auto fourth = std::make_shared<Recorder>();
  base::CancelTracker owner;
  third->send<DownloadRst>(download({name}, kFileTypeProductImage, 0), &owner);
  third->send<DownloadRst>(download({name, images[1].first}, kFileTypeProductImage, kProgressTypeBatch), &owner);
  ASSERT_GE(images.size(), 3u);
  fourth->send<DownloadRst>(download({images[2].first}, kFileTypeProductImage, 0));
  EXPECT_EQ(model().requestCount(), 4u);
  owner.cancelAll();
  EXPECT_EQ(model().requestCount(), 1u);
  ASSERT_TRUE(runUntil([&] { return fourth->results.size() == 1; }));
  ASSERT_EQ(fourth->downloads.size(), 1u);
  EXPECT_EQ(fourth->downloads[0]->fileName, images[2].first);
  waitFor(0.5);
  EXPECT_TRUE(third->results.empty());
}

// A batch far larger than what the transport is given at once: the files go
// a window at a time, every one of them ends exactly once, and the batch's
// share grows with its files and ends at 1 once, before the last outcome.
TEST_F(DownloadNetworkTest, ABatchGoesToTheTransportAWindowAtATimeAndEveryFileEnds) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_FALSE(images.empty());
  const std::size_t window = NetworkModel::kBatchWindow;
  std::vector<std::string> names;
  for (const auto& [name, bytes] : images) names.push_back(name);
  // Names the service does not have end as missing files, each on its own.
  for (std::size_t i = 0; names.size() < 3 * window + 5; ++i) names.push_back("absent-" + std::to_string(i) + ".jpg");

  auto batch = std::make_shared<Recorder>();
  std::size_t mostUnderWay = 0;
  std::size_t shareHeardBeforeLast = 0;
  batch->onResult = [&](const std::shared_ptr<NetBaseRst>&) {
    mostUnderWay = std::max(mostUnderWay, ctrl().pendingCount());
    if (batch->results.size() == names.size()) shareHeardBeforeLast = batch->progress.size();
  };
  batch->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  EXPECT_EQ(ctrl().pendingCount(), window);
  // The files not yet handed over still count as waiting for their reply.
  EXPECT_EQ(model().requestCount(), names.size());
  ASSERT_TRUE(runUntil([&] { return batch->results.size() == names.size(); }, 60));
  EXPECT_LE(mostUnderWay, window);

  std::map<std::string, std::string> statusOf;
  ASSERT_EQ(batch->downloads.size(), names.size());
  for (const auto& d : batch->downloads) {
    EXPECT_TRUE(statusOf.emplace(d->fileName, d->status).second) << d->fileName << " ended twice";
  }
  ASSERT_EQ(statusOf.size(), names.size());
  for (const auto& [name, bytes] : images) {
    EXPECT_EQ(statusOf[name], "200") << name;
    EXPECT_EQ(contentsOf(destination(name, kFileTypeProductImage)), bytes);
  }
  EXPECT_EQ(statusOf["absent-0.jpg"], "404");

  ASSERT_FALSE(batch->progress.empty());
  EXPECT_TRUE(std::is_sorted(batch->progress.begin(), batch->progress.end()));
  EXPECT_EQ(batch->progress.back(), 1.0f);
  EXPECT_EQ(std::count(batch->progress.begin(), batch->progress.end(), 1.0f), 1);
  EXPECT_GT(batch->progress.size(), 10u) << "the share grows with the files";
  EXPECT_EQ(shareHeardBeforeLast, batch->progress.size());
  EXPECT_EQ(model().requestCount(), 0u);
  EXPECT_EQ(ctrl().pendingCount(), 0u);
}

// When the network goes, the files of a batch not yet handed over end as
// the ones under way do, without being asked for.
TEST_F(DownloadNetworkTest, NetworkLossEndsTheFilesOfABatchNotYetSent) {
  auto images = filesOfType(kFileTypeProductImage);
  ASSERT_FALSE(images.empty());
  trickleFiles("*/product/*", 256, 0.1);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < 2 * NetworkModel::kBatchWindow; ++i) names.push_back(images[i % images.size()].first);
  auto batch = std::make_shared<Recorder>();
  batch->send<DownloadRst>(download(names, kFileTypeProductImage, kProgressTypeBatch));
  ASSERT_TRUE(runUntil([&] { return !fileRequests().empty(); }));
  base::NotificationCenter::defaultCenter().post("netUnconnect");
  ASSERT_TRUE(runUntil([&] { return batch->results.size() == names.size(); }, 30));
  for (const auto& r : batch->results) {
    EXPECT_EQ(r->status, "999");
    EXPECT_EQ(r->httpRsp, 1);
  }
  EXPECT_LT(fileRequests().size(), names.size());
  EXPECT_EQ(batch->progress.back(), 1.0f);
  EXPECT_EQ(model().requestCount(), 0u);
  EXPECT_EQ(ctrl().pendingCount(), 0u);
}

class PartialDataTest : public test::ProtocolTest {};

TEST_F(PartialDataTest, PartialDataIsKeptApartPerClientAndType) {
  const fs::path image = HttpNetworkCtrl::partialPathWithName("a.jpg", kFileTypeProductImage);
  const fs::path cover = HttpNetworkCtrl::partialPathWithName("a.jpg", kFileTypeLibraryImage);
  EXPECT_NE(image, cover);
  EXPECT_EQ(image.filename(), "a.jpg");
  // Inside the client's own folder, which is named in lower case.
  const fs::path folder = PublicFunction::clientFolder("AcmeCo").value_or(fs::path());
  EXPECT_EQ(std::mismatch(folder.begin(), folder.end(), image.begin()).first, folder.end());
  test::installSession("OtherCo");
  EXPECT_NE(HttpNetworkCtrl::partialPathWithName("a.jpg", kFileTypeProductImage), image);
  for (const char* unsafe : {"", ".", "..", "../a.jpg", "a\\b", "x/y", "bell\a"}) {
    EXPECT_TRUE(HttpNetworkCtrl::partialPathWithName(unsafe, kFileTypeProductImage).empty()) << unsafe;
  }
  test::installSession("../evil");
  EXPECT_TRUE(HttpNetworkCtrl::partialPathWithName("a.jpg", kFileTypeProductImage).empty());
}

}  // namespace
}  // namespace mv
