#pragma once

#include <string>
#include <string_view>

namespace ketterly {

// Returns `bytes` as valid UTF-8: each invalid or truncated sequence becomes U+FFFD.
std::string toValidUtf8(std::string_view bytes);

// The length of the longest prefix of `bytes` that is valid UTF-8; bytes.size() when all of it is.
std::size_t validUtf8Length(std::string_view bytes);

// The number of Unicode code points in valid UTF-8 text.
std::size_t codePointCount(std::string_view utf8);

// ASCII letters lower-cased; every other byte, UTF-8 sequences included, left as it is.
char toLowerAscii(char c);
std::string toLowerAscii(std::string_view text);

// Equal once ASCII letters are lower-cased: how table names are matched everywhere.
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace ketterly
