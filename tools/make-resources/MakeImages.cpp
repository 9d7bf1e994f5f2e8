// Build step: draws every picture the application ships into the resource
// folder. With --check it verifies instead that each one is there, decodes,
// has its size and is not a blank fill.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ImageCatalog.hpp"

namespace fs = std::filesystem;
using mv::resources::Canvas;
using mv::resources::Picture;

namespace {

bool draw(const Picture& picture, const fs::path& dir) {
  Canvas canvas(picture.width, picture.height);
  picture.paint(canvas);
  const fs::path file = dir / picture.name;
  const fs::path tmp = dir / (picture.name + ".tmp");
  const bool ok = picture.name.ends_with(".jpg") ? canvas.writeJpeg(tmp, 88) : canvas.writePng(tmp);
  std::error_code ec;
  if (ok) fs::rename(tmp, file, ec);
  if (!ok || ec) {
    fs::remove(tmp, ec);
    return false;
  }
  return true;
}

std::string check(const Picture& picture, const fs::path& dir) {
  auto probe = Canvas::probe(dir / picture.name);
  if (!probe) return picture.name + ": missing or unreadable";
  if (probe->width != picture.width || probe->height != picture.height)
    return picture.name + ": " + std::to_string(probe->width) + "x" + std::to_string(probe->height) + " instead of " +
           std::to_string(picture.width) + "x" + std::to_string(picture.height);
  // one- and two-pixel lines are a single colour by design
  if (probe->uniform && picture.width * picture.height > 2) return picture.name + ": a blank fill";
  return {};
}

// One overview picture of the whole catalogue, for reviewing the look: every
// picture scaled into a cell over a checkerboard (to show transparency) with
// its name below.
bool contactSheet(const std::vector<Picture>& all, const fs::path& file, int page) {
  const int cellW = 210, cellH = 170, columns = 8, perPage = 48;
  std::vector<Picture> catalog;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (page < 0 || static_cast<int>(i) / perPage == page) catalog.push_back(all[i]);
  if (catalog.empty()) return false;
  const int rows = static_cast<int>((catalog.size() + columns - 1) / columns);
  Canvas sheet(cellW * columns, cellH * rows);
  sheet.paint(mv::resources::rgb(255, 255, 255));
  cairo_t* cr = sheet.cr();
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    const auto& picture = catalog[i];
    Canvas drawn(picture.width, picture.height);
    picture.paint(drawn);
    const double x = static_cast<double>(i % columns) * cellW, y = static_cast<double>(i / columns) * cellH;
    const double scale = std::min({3.0, (cellW - 20.0) / picture.width, (cellH - 40.0) / picture.height});
    const double w = picture.width * scale, h = picture.height * scale;
    const double px = x + (cellW - w) / 2, py = y + 8 + (cellH - 40 - h) / 2;
    for (double cy = 0; cy < h; cy += 8)
      for (double cx = 0; cx < w; cx += 8) {
        const bool dark = (static_cast<int>(cx / 8) + static_cast<int>(cy / 8)) % 2;
        cairo_rectangle(cr, px + cx, py + cy, std::min(8.0, w - cx), std::min(8.0, h - cy));
        sheet.fill(dark ? mv::resources::rgb(200, 200, 200) : mv::resources::rgb(235, 235, 235));
      }
    cairo_save(cr);
    cairo_translate(cr, px, py);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, cairo_get_target(drawn.cr()), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    sheet.text(picture.name + " " + std::to_string(picture.width) + "x" + std::to_string(picture.height), x + 4,
               y + cellH - 30, cellW - 8, 26, 10, mv::resources::rgb(40, 40, 40));
  }
  return sheet.writePng(file);
}

}  // namespace

int main(int argc, char** argv) {
  const bool checking = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  const bool listing = argc == 2 && std::strcmp(argv[1], "--list") == 0;
  const bool sheet = (argc == 3 || argc == 4) && std::strcmp(argv[1], "--sheet") == 0;
  if (!checking && !listing && !sheet && argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR | --check DIR | --list | --sheet FILE.png [PAGE]\n", argv[0]);
    return 2;
  }
  const auto catalog = mv::resources::imageCatalog();
  std::set<std::string> names;
  for (const auto& picture : catalog)
    if (!names.insert(picture.name).second) {
      std::fprintf(stderr, "%s listed twice\n", picture.name.c_str());
      return 1;
    }
  if (listing) {
    for (const auto& picture : catalog) std::printf("%s %dx%d\n", picture.name.c_str(), picture.width, picture.height);
    return 0;
  }
  if (sheet) return contactSheet(catalog, argv[2], argc == 4 ? std::atoi(argv[3]) : -1) ? 0 : 1;
  const fs::path dir = checking ? argv[2] : argv[1];
  std::error_code ec;
  fs::create_directories(dir, ec);

  // pictures are independent, so they are drawn on all cores
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::vector<std::string> problems;
  auto worker = [&] {
    for (std::size_t i = next++; i < catalog.size(); i = next++) {
      std::string problem;
      if (checking) problem = check(catalog[i], dir);
      else if (!draw(catalog[i], dir)) problem = catalog[i].name + ": cannot write";
      if (!problem.empty()) {
        std::lock_guard<std::mutex> lock(mutex);
        problems.push_back(std::move(problem));
      }
    }
  };
  const unsigned threads = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
  for (auto& t : pool) t.join();

  for (const auto& p : problems) std::fprintf(stderr, "%s\n", p.c_str());
  if (checking) std::printf("%zu pictures checked, %zu problems\n", catalog.size(), problems.size());
  return problems.empty() ? 0 : 1;
}
