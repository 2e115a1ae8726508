// The three embedded pictures keep the formats the window relies on. These read the files
// the build embeds, so a regenerated picture that breaks a format fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/shared/cursor_file.h"

namespace tessiva {
namespace {

std::string asset(const std::string& name) {
    std::ifstream in(std::string(TESSIVA_ASSETS_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int le16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}
long le32(const std::string& b, std::size_t at) { return le16(b, at) | (static_cast<long>(le16(b, at + 2)) << 16); }

// Checks one directory entry's image: a 16-colour DIB of the given size with its AND mask.
void expectSixteenColourImage(const std::string& file, std::size_t entry, int size) {
    const std::size_t e = 6 + 16 * entry;
    EXPECT_EQ(static_cast<unsigned char>(file[e]), size);
    EXPECT_EQ(static_cast<unsigned char>(file[e + 1]), size);
    EXPECT_EQ(static_cast<unsigned char>(file[e + 2]), 16);  // colours in the palette
    const long bytes = le32(file, e + 8);
    const long offset = le32(file, e + 12);
    ASSERT_LE(static_cast<std::size_t>(offset + bytes), file.size());
    const auto dib = static_cast<std::size_t>(offset);
    EXPECT_EQ(le32(file, dib), 40);                  // BITMAPINFOHEADER
    EXPECT_EQ(le32(file, dib + 4), size);            // width
    EXPECT_EQ(le32(file, dib + 8), 2 * size);        // XOR and AND masks stacked
    EXPECT_EQ(le16(file, dib + 14), 4);              // bits per pixel
    const long rowXor = ((size * 4 + 31) / 32) * 4;
    const long rowAnd = ((size + 31) / 32) * 4;
    EXPECT_EQ(bytes, 40 + 16 * 4 + size * rowXor + size * rowAnd);
}

TEST(Assets, TheIconHoldsA32AndA16PixelSixteenColourImage) {
    const std::string ico = asset("tessiva.ico");
    ASSERT_GE(ico.size(), 6u + 32u);
    EXPECT_EQ(le16(ico, 2), 1);  // icon
    ASSERT_EQ(le16(ico, 4), 2);
    expectSixteenColourImage(ico, 0, 32);
    expectSixteenColourImage(ico, 1, 16);
}

TEST(Assets, TheHandPointsWithItsHotSpotAtTheFingertip) {
    const std::string cur = asset("hand.cur");
    ASSERT_EQ(le16(cur, 4), 1);
    expectSixteenColourImage(cur, 0, 32);
    const auto hotSpot = cursorHotSpot(cur);
    ASSERT_TRUE(hotSpot.has_value());
    EXPECT_EQ(hotSpot->x, 12);
    EXPECT_EQ(hotSpot->y, 1);
}

TEST(Assets, HotSpotReaderRefusesWhatIsNotACursor) {
    EXPECT_FALSE(cursorHotSpot(asset("tessiva.ico")).has_value());
    EXPECT_FALSE(cursorHotSpot("").has_value());
    EXPECT_FALSE(cursorHotSpot(std::string("\0\0\2\0\1\0", 6)).has_value());
}

TEST(Assets, ThePreviewIsAProgressiveFullColourJpeg) {
    const std::string jpg = asset("preview.jpg");
    ASSERT_GE(jpg.size(), 4u);
    ASSERT_EQ(static_cast<unsigned char>(jpg[0]), 0xFF);
    ASSERT_EQ(static_cast<unsigned char>(jpg[1]), 0xD8);
    // Walk the markers to the frame header; progressive frames are SOF2.
    std::size_t at = 2;
    bool found = false;
    while (at + 4 <= jpg.size() && static_cast<unsigned char>(jpg[at]) == 0xFF) {
        const unsigned char marker = static_cast<unsigned char>(jpg[at + 1]);
        const int length = (static_cast<unsigned char>(jpg[at + 2]) << 8) | static_cast<unsigned char>(jpg[at + 3]);
        if (marker >= 0xC0 && marker <= 0xC3) {
            EXPECT_EQ(marker, 0xC2) << "not progressive";
            const std::size_t f = at + 4;
            EXPECT_EQ(static_cast<unsigned char>(jpg[f]), 8);  // bits per sample
            EXPECT_EQ((static_cast<unsigned char>(jpg[f + 1]) << 8) | static_cast<unsigned char>(jpg[f + 2]), 115);
            EXPECT_EQ((static_cast<unsigned char>(jpg[f + 3]) << 8) | static_cast<unsigned char>(jpg[f + 4]), 153);
            ASSERT_EQ(static_cast<unsigned char>(jpg[f + 5]), 3);
            for (int c = 0; c < 3; ++c) EXPECT_EQ(static_cast<unsigned char>(jpg[f + 6 + 3 * c + 1]), 0x11) << c;
            found = true;
            break;
        }
        at += 2 + static_cast<std::size_t>(length);
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace tessiva
