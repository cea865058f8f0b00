#include "platform/text_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

using orvtest::Hex;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

// Narrow literals are Shift-JIS here, u8 literals UTF-8.
struct Pair {
    std::string sjis;
    std::string utf8;
};

TEST(TextCodec, ConvertsBothWays) {
    const Pair cases[] = {
        {"", ""},
        {"abc \\~", "abc \\~"},
        {"エラー", U8(u8"エラー")},
        {"ソ表", U8(u8"ソ表")},             // trail byte 5C
        {"ｱｲｳ", U8(u8"ｱｲｳ")},               // half-width katakana, one byte each
        {"①Ⅱ", U8(u8"①Ⅱ")},                // code page 932's own additions
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(Hex(plat::SjisToUtf8(c.sjis, &ok)), Hex(c.utf8)) << Hex(c.sjis);
        EXPECT_TRUE(ok);
        ok = false;
        EXPECT_EQ(Hex(plat::Utf8ToSjis(c.utf8, &ok)), Hex(c.sjis)) << Hex(c.sjis);
        EXPECT_TRUE(ok);
    }
}

TEST(TextCodec, SjisBytesThatDoNotConvertAreKept) {
    const Pair cases[] = {
        {"A\x80" "B", "A\x80" "B"},                  // never a character
        {"\x81 x", "\x81 x"},                        // lead byte without its trail
        {"エ\x83", U8(u8"エ") + "\x83"},             // cut short at the end
        {"\xFF\xFF" "ソ", "\xFF\xFF" + U8(u8"ソ")},
    };
    for (const auto& c : cases) {
        bool ok = true;
        EXPECT_EQ(Hex(plat::SjisToUtf8(c.sjis, &ok)), Hex(c.utf8)) << Hex(c.sjis);
        EXPECT_FALSE(ok) << Hex(c.sjis);
    }
}

TEST(TextCodec, ShownTextReplacesWhatDoesNotConvert) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(Hex(plat::SjisToShownUtf8("A\x80" "B")), Hex("A" + fffd + "B"));
    EXPECT_EQ(Hex(plat::SjisToShownUtf8("エ\x83")), Hex(U8(u8"エ") + fffd));
    EXPECT_EQ(Hex(plat::SjisToShownUtf8("エラー")), Hex(U8(u8"エラー")));
}

TEST(TextCodec, Utf8ThatDoesNotConvertBecomesQuestionMarks) {
    const Pair cases[] = {
        {"a?b", U8(u8"a😀b")},            // not in code page 932: one "?" per character
        {"?エ", "\xFF" + U8(u8"エ")},      // not UTF-8
        {"x?", "x\xE3\x82"},              // cut short: one "?"
        {"??", "\x80\x80"},               // stray continuation bytes
    };
    for (const auto& c : cases) {
        bool ok = true;
        EXPECT_EQ(Hex(plat::Utf8ToSjis(c.utf8, &ok)), Hex(c.sjis)) << Hex(c.utf8);
        EXPECT_FALSE(ok) << Hex(c.utf8);
    }
    EXPECT_EQ(plat::Utf8ToSjis("plain"), "plain");  // ok may be left out
}

TEST(TextCodec, LongTextWithBadBytesThroughout) {
    // Longer than any one pass of the converter, with faults in several passes.
    std::string sjis, utf8;
    for (int i = 0; i < 900; ++i) {
        sjis += "表";
        utf8 += U8(u8"表");
        if (i % 300 == 299) {
            sjis += '\x80';
            utf8 += '\x80';
        }
    }
    bool ok = true;
    EXPECT_EQ(plat::SjisToUtf8(sjis, &ok), utf8);
    EXPECT_FALSE(ok);
}

TEST(TextCodec, ThreadsConvertIndependently) {
    const std::string sjis = "エラー: ソフト表示 ｱｲｳ";
    const std::string utf8 = U8(u8"エラー: ソフト表示 ｱｲｳ");
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                if (plat::SjisToUtf8(sjis) != utf8) ++failures[t];
                if (plat::Utf8ToSjis(utf8) != sjis) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
