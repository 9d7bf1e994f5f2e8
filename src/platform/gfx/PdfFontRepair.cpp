#include "platform/gfx/PdfFontRepair.hpp"

// qpdf's own smart pointer is not used here.
#define POINTERHOLDER_TRANSITION 4
#include <ft2build.h>
#include FT_FREETYPE_H
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <map>
#include <mutex>
#include <set>

#include "platform/base/Log.hpp"

namespace gfx {

namespace {

std::uint32_t bigEndian(std::string_view b, std::size_t at, std::size_t bytes) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < bytes; ++i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

// What the drawing library's TrueType reader asks of a font before it hands
// it on: a table directory inside the file, the tables it needs, and the
// parts of them it reads (the cmap records, the glyph count, the loca format).
bool trueTypeTablesWhole(std::string_view f) {
  if (f.size() < 12) return false;
  const std::size_t count = bigEndian(f, 4, 2);
  if (12 + 16 * count > f.size()) return false;
  std::map<std::string, std::pair<std::size_t, std::size_t>> tables;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = 12 + 16 * i;
    const std::size_t offset = bigEndian(f, entry + 8, 4), length = bigEndian(f, entry + 12, 4);
    // Tables that lie outside the file are passed over, as the reader does.
    if (offset <= f.size() && length <= f.size() - offset) tables[std::string(f.substr(entry, 4))] = {offset, length};
  }
  const bool cff = tables.count("CFF ") != 0;
  for (const char* needed : {"head", "hhea", "maxp"})
    if (!tables.count(needed)) return false;
  if (!cff && (!tables.count("loca") || !tables.count("glyf"))) return false;
  auto readable = [&](std::size_t at, std::size_t bytes) { return at <= f.size() && bytes <= f.size() - at; };
  if (auto cmap = tables.find("cmap"); cmap != tables.end()) {
    const std::size_t at = cmap->second.first;
    if (!readable(at, 4) || !readable(at + 4, 8 * bigEndian(f, at + 2, 2))) return false;
  }
  return readable(tables["maxp"].first + 4, 2) && readable(tables["head"].first + 36, 16);
}

bool freeTypeLoads(std::string_view program) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return true;  // nothing to judge with: leave the font be
  FT_Face face = nullptr;
  const bool loads = FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(program.data()),
                                        static_cast<FT_Long>(program.size()), 0, &face) == 0 &&
                     face->num_glyphs > 0;
  if (face) FT_Done_Face(face);
  FT_Done_FreeType(library);
  return loads;
}

// Walks the fonts a page's resources name: their own, those of the forms
// and patterns they draw and of Type 3 glyph programs, each object once.
class FontWalk {
 public:
  bool changed = false;

  void resources(QPDFObjectHandle res, int depth) {
    if (depth > 16 || !res.isDictionary() || !firstVisit(res)) return;
    QPDFObjectHandle fonts = res.getKey("/Font");
    if (fonts.isDictionary())
      for (auto& key : fonts.getKeys()) font(fonts.getKey(key), depth);
    for (const char* kind : {"/XObject", "/Pattern"}) {
      QPDFObjectHandle all = res.getKey(kind);
      if (!all.isDictionary()) continue;
      for (auto& key : all.getKeys()) {
        QPDFObjectHandle item = all.getKey(key);
        if (item.isStream()) item = item.getDict();
        if (item.isDictionary()) resources(item.getKey("/Resources"), depth + 1);
      }
    }
  }

 private:
  bool firstVisit(QPDFObjectHandle h) {
    return !h.isIndirect() || seen_.insert(h.getObjGen().getObj() * 65536ULL + h.getObjGen().getGen()).second;
  }

  void font(QPDFObjectHandle f, int depth) {
    if (!f.isDictionary() || !firstVisit(f)) return;
    QPDFObjectHandle descendants = f.getKey("/DescendantFonts");
    if (descendants.isArray())
      for (int i = 0; i < descendants.getArrayNItems(); ++i) font(descendants.getArrayItem(i), depth);
    resources(f.getKey("/Resources"), depth + 1);
    QPDFObjectHandle descriptor = f.getKey("/FontDescriptor");
    if (!descriptor.isDictionary()) return;
    for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"}) {
      QPDFObjectHandle program = descriptor.getKey(key);
      if (!program.isStream()) continue;
      bool loads = false;
      try {
        auto data = program.getStreamData(qpdf_dl_generalized);
        loads = pdfFontLoads(std::string_view(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()),
                             key + 1);
      } catch (const std::exception&) {
      }
      if (loads) continue;
      descriptor.removeKey(key);
      changed = true;
    }
  }

  std::set<unsigned long long> seen_;
};

std::shared_ptr<const std::vector<std::uint8_t>> repaired(const std::filesystem::path& path,
                                                          const std::string& password) {
  try {
    QPDF file;
    file.setSuppressWarnings(true);
    file.processFile(path.c_str(), password.empty() ? nullptr : password.c_str());
    FontWalk walk;
    for (auto& page : file.getAllPages())
      walk.resources(QPDFPageObjectHelper(page).getAttribute("/Resources", false), 0);
    if (!walk.changed) return nullptr;
    QPDFWriter writer(file);
    writer.setOutputMemory();
    writer.setPreserveEncryption(false);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    MV_LOG("Fonts of ", path.filename().string(), " do not load: they are drawn with the system's fonts");
    return std::make_shared<const std::vector<std::uint8_t>>(buffer->getBuffer(),
                                                             buffer->getBuffer() + buffer->getSize());
  } catch (const std::exception&) {
    return nullptr;
  }
}

}  // namespace

bool pdfFontLoads(std::string_view program, const std::string& fileKey) {
  if (fileKey == "FontFile2" && !trueTypeTablesWhole(program)) return false;
  return freeTypeLoads(program);
}

std::shared_ptr<const std::vector<std::uint8_t>> pdfWithoutDamagedFonts(const std::filesystem::path& path,
                                                                        const std::string& password) {
  struct Checked {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
    std::string password;
    bool damaged = false;
    std::weak_ptr<const std::vector<std::uint8_t>> copy;
  };
  static std::mutex mutex;
  // Never destroyed: documents open on worker threads may outlive the statics.
  static auto* checked = new std::map<std::filesystem::path, Checked>();
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return nullptr;
  const auto time = std::filesystem::last_write_time(path, ec);
  if (ec) return nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = checked->find(path);
  if (it != checked->end() && it->second.size == size && it->second.time == time && it->second.password == password) {
    if (!it->second.damaged) return nullptr;
    if (auto copy = it->second.copy.lock()) return copy;
  }
  auto copy = repaired(path, password);
  (*checked)[path] = Checked{size, time, password, copy != nullptr, copy};
  return copy;
}

}  // namespace gfx
