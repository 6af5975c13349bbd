#include "model/Utf8.h"

namespace ketterly {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// Length of the well-formed sequence starting at `i`, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are rejected).
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0)
            low = 0xA0;
        if (b0 == 0xED)
            high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return length;
}

// How many bytes of the ill-formed sequence at `i` one replacement character stands for:
// the longest prefix of a well-formed sequence, at least one byte.
std::size_t illFormedLength(std::string_view s, std::size_t i) {
    std::size_t k = i + 1;
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    std::size_t expected = b0 >= 0xF0 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 ? 2 : 1;
    if (b0 > 0xF4)
        expected = 1;
    while (k < s.size() && k - i < expected) {
        const unsigned char b = static_cast<unsigned char>(s[k]);
        unsigned char low = 0x80, high = 0xBF;
        if (k == i + 1) {
            if (b0 == 0xE0)
                low = 0xA0;
            if (b0 == 0xED)
                high = 0x9F;
            if (b0 == 0xF0)
                low = 0x90;
            if (b0 == 0xF4)
                high = 0x8F;
        }
        if (b < low || b > high)
            break;
        ++k;
    }
    return k - i;
}

} // namespace

std::size_t validUtf8Length(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length == 0)
            break;
        i += length;
    }
    return i;
}

std::string toValidUtf8(std::string_view bytes) {
    std::size_t i = validUtf8Length(bytes);
    if (i == bytes.size())
        return std::string(bytes);

    std::string result(bytes.substr(0, i));
    while (i < bytes.size()) {
        const std::size_t length = sequenceLength(bytes, i);
        if (length > 0) {
            result.append(bytes.substr(i, length));
            i += length;
        } else {
            result.append(replacement);
            i += illFormedLength(bytes, i);
        }
    }
    return result;
}

char toLowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string toLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = toLowerAscii(c);
    return lower;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toLowerAscii(a[i]) != toLowerAscii(b[i]))
            return false;
    return true;
}

std::size_t codePointCount(std::string_view utf8) {
    std::size_t count = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++count;
    return count;
}

} // namespace ketterly
