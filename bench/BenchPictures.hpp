#pragma once
// Large product pictures on disk for the benchmarks of the screens that show
// them, and the wait until the screens have read them.
#include <cstddef>
#include <filesystem>
#include <functional>

#include "PictureRows.hpp"

namespace mv {
class DataAccessManager;
}  // namespace mv

namespace bench {

// A photograph-like picture of 7,680 x 5,160 of the kind, written a row at a
// time: colour gradients with a grain, so that it does not compress to
// nothing. False when it could not be written.
bool writeLargePicture(const std::filesystem::path& file, mv::test::PictureKind kind);

// Every product's thumbnail: `writeFirst` writes the first file and every
// other name is a hard link to it. How many were placed; 0 when one could not
// be (or the store lists none).
std::size_t placePictures(mv::DataAccessManager& store, const std::function<bool(const std::filesystem::path&)>& writeFirst);

// Until every picture read on the workers has come back and been fitted.
void waitForPictures();

}  // namespace bench
