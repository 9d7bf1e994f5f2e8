#pragma once
// Embedded fonts the drawing library cannot load lose their text: the page
// draws without it, where other PDF tools put a font of their own in its
// place. A copy of the file without those fonts lets the drawing library do
// the same (it draws text whose font is not embedded in a system font).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gfx {

// Whether the drawing library loads this embedded font program: the bytes of
// a font descriptor's "FontFile" (Type 1), "FontFile2" (TrueType) or
// "FontFile3" (CFF or OpenType) stream.
bool pdfFontLoads(std::string_view program, const std::string& fileKey);

// The file's bytes with every embedded font that does not load left out of
// its descriptor (unencrypted); nothing when every font loads, or the file
// cannot be read with `password`. Checked once per file as it is on disk
// (its size and time), however often it is opened; the copy is shared while
// any document holds it.
std::shared_ptr<const std::vector<std::uint8_t>> pdfWithoutDamagedFonts(const std::filesystem::path& path,
                                                                        const std::string& password);

}  // namespace gfx
