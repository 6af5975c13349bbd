#include "model/Utf8.h"

#include <gtest/gtest.h>

using namespace ketterly;

TEST(ToValidUtf8, ReplacesEachInvalidSequence) {
    struct Case {
        std::string in, out;
    };
    const std::string fffd = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"plain", "plain"},
        {"Stra\xC3\x9F"
         "e",
         "Stra\xC3\x9F"
         "e"},
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        {"\xC3", fffd}, // truncated at the end
        {"\xE2\x82"
         "x",
         fffd + "x"},                             // truncated three-byte form is one replacement
        {"\xC0\xAF", fffd + fffd},                // overlong
        {"\xED\xA0\x80", fffd + fffd + fffd},     // surrogate
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"}, // emoji kept
    };
    for (const auto& c : cases)
        EXPECT_EQ(toValidUtf8(c.in), c.out) << c.in;
}
