#pragma once
// Text helpers shared by every subsystem: trimming, blank checks, case-blind
// comparison and lower-casing, and percent-escaping for URLs. All texts are
// UTF-8; case work goes through ICU so non-ASCII letters fold correctly.
#include <string>
#include <string_view>

namespace mv {

// The text with every byte sequence that is not UTF-8 (a stray byte, a cut
// or overlong sequence, a surrogate) replaced by U+FFFD.
std::string validUtf8(std::string_view text);

// Trims spaces and tabs at both ends (line ends are kept).
std::string trimWhitespace(std::string_view text);
// Trims spaces, tabs, line feeds, carriage returns, vertical tabs and form feeds.
std::string trimWhitespaceAndNewlines(std::string_view text);
// Nothing but Unicode white space (U+3000 and U+00A0 included), or empty.
bool isBlank(std::string_view text);
// Trims Unicode white space at both ends.
std::string trimUnicodeWhitespace(std::string_view text);
// Drops every Unicode white space character.
std::string withoutUnicodeWhitespace(std::string_view text);
// The form texts are compared in when searching: NFKC-normalised and
// case-folded, so a name stored decomposed matches the same text typed
// composed, full-width letters match their ASCII forms and case never matters. Searching folds both sides with it and
// compares bytes.
std::string foldForSearch(std::string_view text);

// Negative, zero or positive as `a` sorts before, equal to or after `b` when
// case is ignored (full Unicode case folding).
int caseInsensitiveCompare(std::string_view a, std::string_view b);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// True when `needle` occurs in `haystack` ignoring case; an empty needle is
// never found.
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

// Two sentences as one text: a space between them, but none after a
// full-width full stop, question or exclamation mark, which a Chinese text
// writes the next sentence straight after; either alone when the other is
// blank.
std::string joinSentences(std::string_view first, std::string_view second);

// Lower/upper case in the root locale (no Turkish dotless i surprises).
std::string lowercase(std::string_view text);
std::string uppercase(std::string_view text);
// ASCII-only lower-casing: the file system names of client folders.
std::string asciiLowercase(std::string_view text);

// Percent-escapes the UTF-8 bytes of `text`, keeping the unreserved characters
// (A-Z a-z 0-9 - . _ ~) and the ASCII characters listed in `keep`.
std::string percentEscape(std::string_view text, std::string_view keep = {});
// Escapes a text that goes into a URL as one path segment: "/", "?", "#", "%"
// and everything outside the unreserved set are escaped.
std::string percentEscapePathSegment(std::string_view text);
// Escapes a query value: only the unreserved characters stay.
std::string percentEscapeQueryValue(std::string_view text);
// Escapes a whole URL text: the URL delimiters (":/?#[]@!$&'()*+,;=") and
// the unreserved characters stay, everything else (space, "%", "\"", non-ASCII
// bytes, control characters) is escaped.
std::string percentEscapeURL(std::string_view text);
// Decodes every "%XX" escape into its byte; a "%" not followed by two hex
// digits is kept as it stands.
std::string percentDecode(std::string_view text);

}  // namespace mv
