#include "EPUBTestBooks.hpp"

#include <minizip/zip.h>
#include <zlib.h>

#include "sales-service/DocumentFactory.hpp"
#include "util/ZipWriter.hpp"

namespace mv::test {
namespace {

std::string escaped(const std::string& text) { return sales::DocumentFactory::xmlEscape(text); }

}  // namespace

std::string unitDocument(const BookUnit& unit) {
  return "<?xml version=\"1.0\" encoding=\"" + unit.encoding +
         "\"?>\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\"" +
         unit.rootAttributes + "><head><title>" + escaped(unit.title) + "</title>" +
         (unit.styleSheet ? "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>" : "") + unit.head +
         "</head><body>" + unit.body + "</body></html>\n";
}

std::string filler(int paragraphs, const std::string& word) {
  std::string out;
  for (int p = 0; p < paragraphs; ++p) {
    out += "<p>";
    for (int w = 0; w < 60; ++w) out += word + (w % 7 == 6 ? ", " : " ");
    out += "end.</p>";
  }
  return out;
}

bool writeBook(const std::filesystem::path& file, const BookSpec& spec) {
  const std::string folder = spec.packageFolder.empty() ? "" : spec.packageFolder + "/";
  ZipWriter zip;
  bool ok = zip.open(file) && zip.addBytes("mimetype", "application/epub+zip", false) &&
            zip.addBytes("META-INF/container.xml",
                         "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
                         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile full-path=\"" +
                             folder + "content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles></container>");
  std::string manifest, spine, navPoints;
  for (std::size_t i = 0; i < spec.units.size(); ++i) {
    const BookUnit& u = spec.units[i];
    const std::string id = "unit" + std::to_string(i + 1);
    manifest += "<item id=\"" + id + "\" href=\"" + escaped(u.href) + "\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + id + "\"" + (u.properties.empty() ? "" : " properties=\"" + u.properties + "\"") + "/>";
    if (!u.title.empty()) {
      navPoints += "<navPoint id=\"np" + std::to_string(i + 1) + "\" playOrder=\"" + std::to_string(i + 1) +
                   "\"><navLabel><text>" + escaped(u.title) + "</text></navLabel><content src=\"" +
                   escaped(u.ncxSrc.empty() ? u.href : u.ncxSrc) + "\"/></navPoint>";
    }
    ok = ok && zip.addBytes(folder + (u.entryName.empty() ? u.href : u.entryName),
                            unitDocument(u), u.compress);
  }
  for (const auto& [id, href] : spec.extraItems) {
    manifest += "<item id=\"" + id + "\" href=\"" + escaped(href) + "\" media-type=\"application/xhtml+xml\"/>";
  }
  for (const auto& id : spec.extraItemrefs) spine += "<itemref idref=\"" + id + "\"/>";
  manifest += "<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>";
  if (spec.ncx) {
    manifest += "<item id=\"ncx\" href=\"" + escaped(spec.ncxEntry) + "\" media-type=\"application/x-dtbncx+xml\"/>";
    ok = ok && zip.addBytes(folder + spec.ncxEntry,
                            "<?xml version=\"1.0\"?>\n<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" "
                            "version=\"2005-1\"><head/><docTitle><text>Book</text></docTitle><navMap>" +
                                navPoints + "</navMap></ncx>");
  }
  ok = ok && zip.addBytes(folder + "style.css", spec.styleSheet) &&
       zip.addBytes(folder + "content.opf",
                    "<?xml version=\"1.0\"?>\n<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"" +
                        std::string(spec.ncx ? "2.0" : "3.0") +
                        "\" unique-identifier=\"id\"><metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                        "<dc:identifier id=\"id\">" +
                        escaped(spec.identifier) + "</dc:identifier><dc:title>Test</dc:title>" + spec.metadata +
                        "</metadata><manifest>" +
                        manifest + "</manifest><spine" + (spec.ncx ? " toc=\"ncx\"" : "") + spec.spineAttributes + ">" + spine +
                        "</spine></package>");
  for (const auto& [name, bytes] : spec.extraEntries) ok = ok && zip.addBytes(name, bytes, !spec.extraEntriesStored);
  for (const auto& [name, target] : spec.linkEntries) ok = ok && zip.addSymbolicLink(name, target);
  return zip.close() && ok;
}

bool appendZeroEntries(const std::filesystem::path& file, const std::string& prefix, int count, std::size_t bytes) {
  const std::string zeros(bytes, '\0');
  // Raw deflate, as a ZIP entry holds it.
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  std::string packed(deflateBound(&stream, static_cast<uLong>(bytes)), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
  stream.avail_in = static_cast<uInt>(bytes);
  stream.next_out = reinterpret_cast<Bytef*>(packed.data());
  stream.avail_out = static_cast<uInt>(packed.size());
  const bool deflated = deflate(&stream, Z_FINISH) == Z_STREAM_END;
  packed.resize(stream.total_out);
  deflateEnd(&stream);
  if (!deflated) return false;
  const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(bytes));

  zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_ADDINZIP);
  if (!zip) return false;
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    const std::string name = prefix + std::to_string(i);
    zip_fileinfo info{};
    ok = zipOpenNewFileInZip2_64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                 Z_BEST_COMPRESSION, 1, 0) == ZIP_OK &&
         zipWriteInFileInZip(zip, packed.data(), static_cast<unsigned>(packed.size())) == ZIP_OK &&
         zipCloseFileInZipRaw64(zip, bytes, crc) == ZIP_OK;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

}  // namespace mv::test
