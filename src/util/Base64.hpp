#pragma once
// Standard Base64 (RFC 4648 alphabet) over byte strings.
#include <optional>
#include <string>
#include <string_view>

namespace mv {

// "=" padded, no line breaks.
std::string base64Encoding(std::string_view bytes);

// Decodes Base64 text. White space anywhere is skipped and missing "=" padding
// is accepted; any other character, padding in the middle, or a length no
// encoder produces gives nothing.
[[nodiscard]] std::optional<std::string> dataWithBase64EncodedString(std::string_view text);

}  // namespace mv
