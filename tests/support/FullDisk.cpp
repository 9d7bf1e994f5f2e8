#include "FullDisk.hpp"

#include <sqlite3.h>

#include <atomic>
#include <cstdlib>

namespace mv::test {
namespace {

std::atomic<bool> full{false};
std::atomic<int> refused{0};
// The system's own file layer, which does the reading and writing.
sqlite3_vfs* systemLayer = nullptr;
sqlite3_vfs disk{};

// A file of the system's layer, kept right behind its header here.
struct File {
  sqlite3_file header;
  sqlite3_file* own() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

sqlite3_file* own(sqlite3_file* file) { return reinterpret_cast<File*>(file)->own(); }

int fileClose(sqlite3_file* f) { return own(f)->pMethods->xClose(own(f)); }
int fileRead(sqlite3_file* f, void* out, int amount, sqlite3_int64 offset) {
  return own(f)->pMethods->xRead(own(f), out, amount, offset);
}
int fileWrite(sqlite3_file* f, const void* bytes, int amount, sqlite3_int64 offset) {
  if (full.load()) {
    ++refused;
    return SQLITE_FULL;
  }
  return own(f)->pMethods->xWrite(own(f), bytes, amount, offset);
}
int fileTruncate(sqlite3_file* f, sqlite3_int64 size) { return own(f)->pMethods->xTruncate(own(f), size); }
int fileSync(sqlite3_file* f, int flags) { return own(f)->pMethods->xSync(own(f), flags); }
int fileFileSize(sqlite3_file* f, sqlite3_int64* size) { return own(f)->pMethods->xFileSize(own(f), size); }
int fileLock(sqlite3_file* f, int level) { return own(f)->pMethods->xLock(own(f), level); }
int fileUnlock(sqlite3_file* f, int level) { return own(f)->pMethods->xUnlock(own(f), level); }
int fileCheckReservedLock(sqlite3_file* f, int* out) { return own(f)->pMethods->xCheckReservedLock(own(f), out); }
int fileFileControl(sqlite3_file* f, int op, void* arg) { return own(f)->pMethods->xFileControl(own(f), op, arg); }
int fileSectorSize(sqlite3_file* f) { return own(f)->pMethods->xSectorSize(own(f)); }
int fileDeviceCharacteristics(sqlite3_file* f) { return own(f)->pMethods->xDeviceCharacteristics(own(f)); }
int fileShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return own(f)->pMethods->xShmMap(own(f), region, size, extend, out);
}
int fileShmLock(sqlite3_file* f, int offset, int n, int flags) { return own(f)->pMethods->xShmLock(own(f), offset, n, flags); }
void fileShmBarrier(sqlite3_file* f) { own(f)->pMethods->xShmBarrier(own(f)); }
int fileShmUnmap(sqlite3_file* f, int remove) { return own(f)->pMethods->xShmUnmap(own(f), remove); }
int fileFetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
  return own(f)->pMethods->xFetch(own(f), offset, amount, out);
}
int fileUnfetch(sqlite3_file* f, sqlite3_int64 offset, void* at) { return own(f)->pMethods->xUnfetch(own(f), offset, at); }

const sqlite3_io_methods methods = {3,
                                    fileClose,
                                    fileRead,
                                    fileWrite,
                                    fileTruncate,
                                    fileSync,
                                    fileFileSize,
                                    fileLock,
                                    fileUnlock,
                                    fileCheckReservedLock,
                                    fileFileControl,
                                    fileSectorSize,
                                    fileDeviceCharacteristics,
                                    fileShmMap,
                                    fileShmLock,
                                    fileShmBarrier,
                                    fileShmUnmap,
                                    fileFetch,
                                    fileUnfetch};

int fileOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
  sqlite3_file* inner = reinterpret_cast<File*>(file)->own();
  inner->pMethods = nullptr;
  const int rc = systemLayer->xOpen(systemLayer, name, inner, flags, outFlags);
  // Closed through the header only when the system's file opened.
  file->pMethods = inner->pMethods ? &methods : nullptr;
  return rc;
}

}  // namespace

FullDisk::FullDisk() {
  if (!systemLayer) {
    systemLayer = sqlite3_vfs_find(nullptr);
    if (!systemLayer) std::abort();
    disk = *systemLayer;
    disk.zName = "marvisto-test-disk";
    disk.szOsFile = static_cast<int>(sizeof(File)) + systemLayer->szOsFile;
    disk.xOpen = fileOpen;
    disk.pNext = nullptr;
  }
  full = false;
  refused = 0;
  sqlite3_vfs_register(&disk, 1);
}

FullDisk::~FullDisk() {
  full = false;
  // Files still open keep writing through it, as the system's.
  sqlite3_vfs_register(systemLayer, 1);
}

void FullDisk::fill() { full = true; }
void FullDisk::makeRoom() { full = false; }
bool FullDisk::isFull() const { return full.load(); }
int FullDisk::refusedWrites() const { return refused.load(); }

}  // namespace mv::test
