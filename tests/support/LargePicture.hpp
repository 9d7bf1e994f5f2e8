#pragma once
// Pictures of tens of megapixels for the tests, written a row at a time so
// that the test never holds one whole, and the bytes the calling thread
// allocates while it does something (under AddressSanitizer, which every
// test build uses; elsewhere nothing is measured).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "PictureRows.hpp"
#include "platform/gfx/Image.hpp"
#include "platform/ui/ImageView.hpp"

namespace mv::test {

// A picture that declares more pixels than an image reads whole, at a
// camera's aspect: a screen reads it at its view's size off the main thread
// as it reads one of 39.6 megapixels (the bench's), and the sanitizers'
// build decodes it in a moment.
constexpr int kHugePictureWidth = 2560, kHugePictureHeight = 1720;
static_assert(std::uint64_t(kHugePictureWidth) * kHugePictureHeight > gfx::Image::kWholeReadPixels);

// Left half red, right half blue, with a grain so that it does not compress
// to nothing; false when the file could not be written.
bool writeLargePicture(const std::filesystem::path& file, PictureKind kind, int width = kLargePictureWidth,
                       int height = kLargePictureHeight);

// Until every picture read on the workers has come back and been fitted
// into its view.
void settlePictures();

// The view shows a picture read at no more than its own pixels (its points
// times the screen's scale), and no picture as large as a huge one was
// decoded on the main thread since ImageData::resetLargestDecodeOnMainThread.
void expectReadAtShownSize(const ui::ImageView& view);

// The most bytes that the process had allocated at once while `work` ran,
// above what it held when `work` began (every thread counts: run nothing
// else meanwhile); nothing where allocations cannot be seen.
std::optional<std::size_t> peakAllocatedBy(const std::function<void()>& work);

}  // namespace mv::test
