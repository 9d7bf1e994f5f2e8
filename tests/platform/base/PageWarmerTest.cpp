#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/base/PageWarmer.hpp"

namespace {

// Fresh anonymous memory, none of it resident until touched.
class FreshMemory {
 public:
  explicit FreshMemory(std::size_t size) : size_(size) {
    void* at = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    data_ = at == MAP_FAILED ? nullptr : static_cast<char*>(at);
    // Page by page, as the checks count them, whatever the system's huge
    // page setting.
    if (data_) ::madvise(data_, size_, MADV_NOHUGEPAGE);
  }
  ~FreshMemory() {
    if (data_) ::munmap(data_, size_);
  }
  FreshMemory(const FreshMemory&) = delete;
  FreshMemory& operator=(const FreshMemory&) = delete;

  char* data() const { return data_; }
  // Which of its pages are resident.
  std::vector<bool> resident() const {
    const std::size_t page = pageSize();
    std::vector<unsigned char> marks((size_ + page - 1) / page);
    if (::mincore(data_, size_, marks.data()) != 0) return {};
    std::vector<bool> out;
    for (unsigned char m : marks) out.push_back((m & 1) != 0);
    return out;
  }
  static std::size_t pageSize() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

 private:
  std::size_t size_;
  char* data_ = nullptr;
};

// The kernel faults pages in ahead of a writer only since 5.14.
bool kernelWarms() {
  FreshMemory probe(FreshMemory::pageSize());
  return probe.data() && ::madvise(probe.data(), FreshMemory::pageSize(), MADV_POPULATE_WRITE) == 0;
}

TEST(PageWarmerTest, EveryWholePageOfTheRangeIsFaultedInAndNoByteChanges) {
  if (!kernelWarms()) GTEST_SKIP() << "this kernel cannot fault pages in ahead";
  const std::size_t page = FreshMemory::pageSize();
  const std::size_t pages = base::PageWarmer::kLeast / page + 4;
  FreshMemory memory(pages * page);
  ASSERT_TRUE(memory.data());
  // The first page is written before the warming; the range starts inside it
  // and ends inside the last page but one.
  std::memset(memory.data(), 'a', page);
  char* from = memory.data() + 100;
  const std::size_t size = (pages - 2) * page;
  ASSERT_EQ(memory.resident(), [&] {
    std::vector<bool> before(pages, false);
    before[0] = true;
    return before;
  }());

  base::PageWarmer warmer;
  warmer.start(from, size);
  EXPECT_TRUE(warmer.running());
  warmer.filled(size);
  warmer.finish();
  EXPECT_FALSE(warmer.running());

  const std::vector<bool> after = memory.resident();
  ASSERT_EQ(after.size(), pages);
  EXPECT_TRUE(after[0]);
  for (std::size_t i = 1; i < pages - 2; ++i) EXPECT_TRUE(after[i]) << "page " << i;
  // The page the range ends in is not whole, and the last is outside it.
  EXPECT_FALSE(after[pages - 2]);
  EXPECT_FALSE(after[pages - 1]);
  for (std::size_t i = 0; i < page; ++i) ASSERT_EQ(memory.data()[i], 'a');
  for (std::size_t i = page; i < pages * page; i += 997) ASSERT_EQ(memory.data()[i], 0);
}

TEST(PageWarmerTest, TheWarmingStaysItsLeadAheadOfWhatIsFilled) {
  if (!kernelWarms()) GTEST_SKIP() << "this kernel cannot fault pages in ahead";
  const std::size_t page = FreshMemory::pageSize();
  const std::size_t size = base::PageWarmer::kLead * 4;
  FreshMemory memory(size);
  ASSERT_TRUE(memory.data());
  auto residentPages = [&] {
    const std::vector<bool> r = memory.resident();
    return static_cast<std::size_t>(std::count(r.begin(), r.end(), true));
  };
  base::PageWarmer warmer;
  warmer.start(memory.data(), size);
  while (!warmer.waitingForFill()) std::this_thread::yield();
  EXPECT_EQ(residentPages(), base::PageWarmer::kLead / page);

  // The writer's progress lets it on by as much.
  const std::size_t written = base::PageWarmer::kLead + 3 * page;
  std::memset(memory.data(), 'w', written);
  warmer.filled(written);
  while (!warmer.waitingForFill()) std::this_thread::yield();
  const std::vector<bool> r = memory.resident();
  // It goes on in whole steps, up to the first step past the lead.
  const std::size_t reached = static_cast<std::size_t>(std::find(r.begin(), r.end(), false) - r.begin());
  EXPECT_GE(reached * page, written + base::PageWarmer::kLead);
  EXPECT_LT(reached * page, written + base::PageWarmer::kLead + (std::size_t{1} << 20));
  EXPECT_EQ(residentPages(), reached);

  // Stopped where it waits; the bytes written stay as they were.
  warmer.stop();
  EXPECT_FALSE(warmer.running());
  EXPECT_EQ(residentPages(), reached);
  for (std::size_t i = 0; i < written; i += 331) ASSERT_EQ(memory.data()[i], 'w');
}

TEST(PageWarmerTest, ASmallRangeIsLeftAloneAndAStoppedWarmingStartsAgain) {
  const std::size_t page = FreshMemory::pageSize();
  FreshMemory memory(base::PageWarmer::kLeast * 4);
  ASSERT_TRUE(memory.data());
  base::PageWarmer warmer;
  warmer.start(memory.data(), base::PageWarmer::kLeast - 1);
  EXPECT_FALSE(warmer.running());
  warmer.start(nullptr, base::PageWarmer::kLeast * 4);
  EXPECT_FALSE(warmer.running());
  for (bool r : memory.resident()) ASSERT_FALSE(r);

  // Stopped at once, then started on another range, which it finishes.
  warmer.start(memory.data(), base::PageWarmer::kLeast * 2);
  warmer.stop();
  EXPECT_FALSE(warmer.running());
  if (!kernelWarms()) return;
  char* second = memory.data() + base::PageWarmer::kLeast * 2;
  warmer.start(second, base::PageWarmer::kLeast * 2);
  warmer.finish();
  EXPECT_FALSE(warmer.running());
  const std::vector<bool> after = memory.resident();
  const std::size_t firstOfSecond = base::PageWarmer::kLeast * 2 / page;
  for (std::size_t i = firstOfSecond; i < after.size(); ++i) ASSERT_TRUE(after[i]) << "page " << i;
}

}  // namespace
