#pragma once
// A disk that fills when a test says so, for the store's files. For as long
// as it lives, the databases opened (their logs and journals included) are
// written through it; once it is full, every write to them fails as a write
// to a full disk does, with SQLite's own SQLITE_FULL, until room is made.
// One at a time; any thread may write while it lives.
namespace mv::test {

class FullDisk {
 public:
  FullDisk();
  ~FullDisk();
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  void fill();
  void makeRoom();
  bool isFull() const;
  // Writes refused since the disk was made.
  int refusedWrites() const;
};

}  // namespace mv::test
