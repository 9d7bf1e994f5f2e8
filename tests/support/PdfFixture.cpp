#include "PdfFixture.hpp"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "TestEnvironment.hpp"

namespace fs = std::filesystem;

namespace mv::test {

namespace {

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%g", v);
  return b;
}

std::string rectText(const base::Rect& r) {
  return "[" + num(r.x()) + " " + num(r.y()) + " " + num(r.x() + r.width()) + " " + num(r.y() + r.height()) + "]";
}

std::string withPageRefs(std::string text, int pageCount) {
  for (int n = pageCount; n >= 1; --n) {
    std::string tag = "@" + std::to_string(n), ref = std::to_string(2 + n) + " 0 R";
    for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + ref.size()))
      text.replace(at, tag.size(), ref);
  }
  return text;
}

}  // namespace

int RawPdf::addStream(const std::string& data, const std::string& dictEntries) {
  return add("<< /Length " + std::to_string(data.size()) + " " + dictEntries + " >>\nstream\n" + data +
             "\nendstream");
}

std::string RawPdf::bytes(int root) const {
  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  int size = objects_.empty() ? 1 : objects_.rbegin()->first + 1;
  std::vector<std::size_t> offsets(static_cast<std::size_t>(size), 0);
  for (const auto& [n, body] : objects_) {
    offsets[static_cast<std::size_t>(n)] = out.size();
    out += std::to_string(n) + " 0 obj\n" + body + "\nendobj\n";
  }
  std::size_t xref = out.size();
  out += "xref\n0 " + std::to_string(size) + "\n0000000000 65535 f \n";
  for (int n = 1; n < size; ++n) {
    char line[32];
    if (offsets[static_cast<std::size_t>(n)])
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offsets[static_cast<std::size_t>(n)]);
    else
      std::snprintf(line, sizeof line, "0000000000 65535 f \n");
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(size) + " /Root " + std::to_string(root) + " 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return out;
}

bool RawPdf::write(const fs::path& file, int root) const { return writeFile(file, bytes(root)); }

int firstExtraObject(int pageCount) { return 3 + 2 * pageCount; }

std::string pagesPdf(const std::vector<PdfPageSpec>& pages, const std::string& catalogEntries,
                     const std::vector<std::string>& extraObjects) {
  RawPdf pdf;
  const int count = static_cast<int>(pages.size());
  int catalog = pdf.reserve(), tree = pdf.reserve();
  std::vector<int> pageIds;
  for (int i = 0; i < count; ++i) pageIds.push_back(pdf.reserve());
  std::string kids;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const PdfPageSpec& p = pages[i];
    int content = pdf.addStream(p.content);
    std::string body = "<< /Type /Page /Parent 2 0 R /MediaBox " + rectText(p.mediaBox);
    if (p.cropBox) body += " /CropBox " + rectText(*p.cropBox);
    if (p.rotate) body += " /Rotate " + std::to_string(p.rotate);
    body += " /Contents " + std::to_string(content) + " 0 R";
    if (!p.annots.empty()) {
      body += " /Annots [";
      for (const auto& a : p.annots) body += " " + withPageRefs(a, count);
      body += " ]";
    }
    body += " >>";
    pdf.set(pageIds[i], body);
    kids += " " + std::to_string(pageIds[i]) + " 0 R";
  }
  for (const auto& extra : extraObjects) pdf.add(withPageRefs(extra, count));
  pdf.set(tree, "<< /Type /Pages /Kids [" + kids + " ] /Count " + std::to_string(count) + " >>");
  pdf.set(catalog, "<< /Type /Catalog /Pages 2 0 R " + withPageRefs(catalogEntries, count) + " >>");
  return pdf.bytes(catalog);
}

bool writeFile(const fs::path& file, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

bool encryptPdf(const fs::path& in, const fs::path& out, const std::string& user, const std::string& owner) {
  try {
    QPDF q;
    q.setSuppressWarnings(true);
    q.processFile(in.c_str());
    QPDFWriter w(q, out.c_str());
    w.setR6EncryptionParameters(user.c_str(), owner.c_str(), true, true, true, true, true, true, qpdf_r3p_full,
                                true);
    w.write();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string squareAt(double x, double y, double side) {
  return "0 0 0 rg " + num(x) + " " + num(y) + " " + num(side) + " " + num(side) + " re f\n";
}

std::vector<fs::path> corpusFiles(const std::string& folder) {
  std::vector<fs::path> out;
  const fs::path dir = corpusDir() / folder;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) out.push_back(it->path());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<fs::path> corpusPdfs() { return corpusFiles("pdf"); }

void checkEveryFile(const std::vector<fs::path>& files, const std::function<void(const fs::path&)>& check) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  auto failures = [test] { return test ? test->result()->total_part_count() : 0; };
  std::string failed;
  for (const auto& file : files) {
    const int before = failures();
    {
      SCOPED_TRACE(file.filename().string());
      check(file);
    }
    if (failures() != before) failed += (failed.empty() ? "" : ", ") + file.filename().string();
  }
  EXPECT_TRUE(failed.empty()) << "files that failed: " << failed;
}

}  // namespace mv::test
