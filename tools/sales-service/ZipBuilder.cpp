#include "sales-service/ZipBuilder.hpp"

#include <zip.h>

#include <cstring>

namespace mv::sales {

namespace {

// A growable memory file behind minizip's I/O callbacks.
struct MemoryFile {
  std::string data;
  size_t position = 0;
  bool failed = false;
};

voidpf ZCALLBACK memOpen(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK memRead(voidpf, voidpf stream, void* buf, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  if (f->position >= f->data.size()) return 0;
  size_t n = std::min<size_t>(size, f->data.size() - f->position);
  std::memcpy(buf, f->data.data() + f->position, n);
  f->position += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK memWrite(voidpf, voidpf stream, const void* buf, uLong size) {
  auto* f = static_cast<MemoryFile*>(stream);
  if (f->position + size > f->data.size()) f->data.resize(f->position + size);
  std::memcpy(f->data.data() + f->position, buf, size);
  f->position += size;
  return size;
}

ZPOS64_T ZCALLBACK memTell(voidpf, voidpf stream) {
  return static_cast<MemoryFile*>(stream)->position;
}

long ZCALLBACK memSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* f = static_cast<MemoryFile*>(stream);
  size_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = f->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = f->data.size(); break;
    default: return -1;
  }
  f->position = base + static_cast<size_t>(offset);
  return 0;
}

int ZCALLBACK memClose(voidpf, voidpf) { return 0; }

int ZCALLBACK memError(voidpf, voidpf stream) {
  return static_cast<MemoryFile*>(stream)->failed ? 1 : 0;
}

}  // namespace

struct ZipBuilder::Impl {
  MemoryFile file;
  zipFile zip = nullptr;
  bool ok = true;
};

ZipBuilder::ZipBuilder() : impl_(std::make_unique<Impl>()) {
  zlib_filefunc64_def funcs{};
  funcs.zopen64_file = memOpen;
  funcs.zread_file = memRead;
  funcs.zwrite_file = memWrite;
  funcs.ztell64_file = memTell;
  funcs.zseek64_file = memSeek;
  funcs.zclose_file = memClose;
  funcs.zerror_file = memError;
  funcs.opaque = &impl_->file;
  impl_->zip = zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &funcs);
  impl_->ok = impl_->zip != nullptr;
}

ZipBuilder::~ZipBuilder() {
  if (impl_ && impl_->zip) zipClose(impl_->zip, nullptr);
}

bool ZipBuilder::add(const std::string& name, const std::string& data, bool store) {
  if (!impl_->ok || !impl_->zip || name.empty()) return false;
  zip_fileinfo info{};
  info.tmz_date.tm_year = 2024;
  info.tmz_date.tm_mon = 0;
  info.tmz_date.tm_mday = 1;
  info.tmz_date.tm_hour = 12;
  int rc = zipOpenNewFileInZip3_64(impl_->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   store ? 0 : Z_DEFLATED, store ? 0 : Z_DEFAULT_COMPRESSION, 0,
                                   -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0);
  if (rc != ZIP_OK) {
    impl_->ok = false;
    return false;
  }
  if (!data.empty() &&
      zipWriteInFileInZip(impl_->zip, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK) {
    impl_->ok = false;
  }
  if (zipCloseFileInZip(impl_->zip) != ZIP_OK) impl_->ok = false;
  return impl_->ok;
}

bool ZipBuilder::addFolder(const std::string& name) {
  std::string folder = name;
  if (folder.empty()) return false;
  if (folder.back() != '/') folder.push_back('/');
  return add(folder, std::string(), true);
}

std::optional<std::string> ZipBuilder::finish() {
  if (!impl_->zip) return std::nullopt;
  int rc = zipClose(impl_->zip, nullptr);
  impl_->zip = nullptr;
  if (rc != ZIP_OK || !impl_->ok) return std::nullopt;
  return std::move(impl_->file.data);
}

}  // namespace mv::sales
