#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tray/IconFiles.h"
#include "tray/TrayHint.h"

using namespace sockmere;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Committed(const std::string& name) {
    // A compiler cache may hand the compiler a path relative to the build folder; the suite
    // then runs from the source folder.
    std::string self = __FILE__;
    std::string root = self.front() == '/' ? self.substr(0, self.rfind("/tests/native/") + 1) : "";
    std::string path = root + "src/app/res/" + name;
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void Put32(Bytes& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
}

std::uint8_t At(const Icon16Pixels& p, int x, int y) { return p[std::size_t(y * kIconSide + x)]; }

}  // namespace

TEST(ShortHint, IsTheTextBeforeTheFirstBarCutTo63Characters) {
    EXPECT_EQ(ShortHint(std::string(70, 'a')), std::string(63, 'a'));
    EXPECT_EQ(ShortHint(std::string(63, 'b')), std::string(63, 'b'));
    EXPECT_EQ(ShortHint("Sockmere|last update 12:00|more"), "Sockmere");
    EXPECT_EQ(ShortHint("|hidden"), "");
    EXPECT_EQ(ShortHint(""), "");
    EXPECT_EQ(ShortHint(std::string(80, 'c') + "|tail"), std::string(63, 'c'));
}

Bytes Take(IconStreamReader& reader) {
    auto entry = reader.Next();
    return Bytes(entry.begin(), entry.end());
}

TEST(IconStream, ReadsEntriesInPlaceWithEmptyOnesForZeroOrNegativeSizes) {
    Bytes stream;
    Put32(stream, 4);
    Put32(stream, 3);
    stream.insert(stream.end(), {1, 2, 3});
    Put32(stream, 0);
    Put32(stream, -7);
    Put32(stream, 1);
    stream.push_back(9);
    IconStreamReader reader(stream);
    ASSERT_EQ(reader.Count(), 4);
    EXPECT_EQ(Take(reader), (Bytes{1, 2, 3}));
    EXPECT_EQ(Take(reader), Bytes{});
    EXPECT_EQ(Take(reader), Bytes{});
    EXPECT_EQ(Take(reader), Bytes{9});
    EXPECT_THROW(reader.Next(), IconStreamError);  // all N read

    IconStreamWriter writer(4);
    writer.Add(Bytes{1, 2, 3});
    writer.Add({});
    writer.Add({});
    writer.Add(Bytes{9});
    Bytes expected = stream;
    expected[15] = expected[16] = expected[17] = expected[18] = 0;  // -7 is written back as 0
    EXPECT_EQ(writer.Bytes(), expected);
}

TEST(IconStream, ShortStreamsRaiseAfterTheEntriesBeforeTheBreak) {
    EXPECT_THROW(IconStreamReader(Bytes{1, 0, 0}), IconStreamError);
    Bytes none;
    Put32(none, 0);
    EXPECT_EQ(IconStreamReader(none).Count(), 0);
    Bytes negative;
    Put32(negative, -3);
    EXPECT_EQ(IconStreamReader(negative).Count(), 0);

    Bytes cut;
    Put32(cut, 3);
    Put32(cut, 2);
    cut.insert(cut.end(), {7, 7});
    Put32(cut, 0x7FFFFFFF);  // far more than is left
    cut.insert(cut.end(), {1, 2, 3});
    IconStreamReader reader(cut);
    EXPECT_EQ(Take(reader), (Bytes{7, 7}));
    try {
        reader.Next();
        FAIL();
    } catch (const IconStreamError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
    Bytes noLength;
    Put32(noLength, 1);
    noLength.push_back(5);
    IconStreamReader lengthless(noLength);
    EXPECT_THROW(lengthless.Next(), IconStreamError);
}

TEST(ProgramPictures, TheFramesStreamHoldsTheFourFrameFilesAnd3084Bytes) {
    Bytes stream = Committed("trayframes.bin");
    ASSERT_EQ(stream.size(), 3084u);
    IconStreamReader reader(stream);
    ASSERT_EQ(reader.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        Bytes entry = Take(reader);
        EXPECT_EQ(entry.size(), 766u);
        EXPECT_EQ(entry, Committed("frame" + std::to_string(i) + ".ico")) << "frame " << i;
    }
}

TEST(ProgramPictures, EveryIconHasTheExactSingleImageLayout) {
    for (const char* name : {"frame0.ico", "frame1.ico", "frame2.ico", "frame3.ico", "sockmere.ico"}) {
        Bytes file = Committed(name);
        EXPECT_EQ(CheckIcon16Layout(file), "") << name;
        const Bytes head{0, 0, 1, 0, 1, 0, 32, 32, 4, 0, 0, 0, 0, 0, 0xE8, 2, 0, 0, 22, 0, 0, 0};
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 22), head) << name;
    }
    Bytes file = Committed("frame0.ico");
    file[8] = 16;
    EXPECT_EQ(CheckIcon16Layout(file), "entry colour count is 16, not 4");
    file = Committed("frame0.ico");
    file[36] = 8;
    EXPECT_EQ(CheckIcon16Layout(file), "bitmap bit count is 8, not 4");
    file[36] = 4;
    file[22 + 40 + 12 * 4] = 0;  // palette colour 12, blue, made black
    EXPECT_EQ(CheckIcon16Layout(file), "palette colour 12 is not the standard one");
    file.pop_back();
    EXPECT_EQ(CheckIcon16Layout(file), "size is 765, not 766");
    EXPECT_THROW(DecodeIcon16(file), IconStreamError);
}

TEST(ProgramPictures, FramesFollowTheFrameTableTurning45DegreesClockwise) {
    // Sample points: the four quadrants and the four sides, between cross and rim.
    struct Point {
        int x, y;
    };
    const Point upperLeft{9, 9}, upperRight{22, 9}, lowerLeft{9, 22}, lowerRight{22, 22};
    const Point top{15, 5}, bottom{16, 26}, left{5, 15}, right{26, 16};
    struct Expect {
        std::vector<Point> blue, cyan, black;
    };
    const Expect table[4] = {
        {{upperLeft, lowerRight}, {upperRight, lowerLeft}, {top, bottom, left, right}},
        {{top, bottom}, {left, right}, {upperLeft, upperRight, lowerLeft, lowerRight}},
        {{upperRight, lowerLeft}, {upperLeft, lowerRight}, {top, bottom, left, right}},
        {{left, right}, {top, bottom}, {upperLeft, upperRight, lowerLeft, lowerRight}},
    };
    for (int f = 0; f < 4; ++f) {
        Icon16Pixels p = DecodeIcon16(Committed("frame" + std::to_string(f) + ".ico"));
        for (Point pt : table[f].blue) EXPECT_EQ(At(p, pt.x, pt.y), kBlue) << f << ":" << pt.x << "," << pt.y;
        for (Point pt : table[f].cyan) EXPECT_EQ(At(p, pt.x, pt.y), kCyan) << f << ":" << pt.x << "," << pt.y;
        for (Point pt : table[f].black) EXPECT_EQ(At(p, pt.x, pt.y), kBlack) << f << ":" << pt.x << "," << pt.y;
        // A disc with a rim on a transparent background, black at the crossing.
        EXPECT_EQ(At(p, 0, 0), kTransparentPixel);
        EXPECT_EQ(At(p, 31, 31), kTransparentPixel);
        EXPECT_EQ(At(p, 16, 1), kBlack);
        EXPECT_EQ(At(p, 1, 16), kBlack);
        EXPECT_EQ(At(p, 15, 15), kBlack);
        std::set<std::uint8_t> used(p.begin(), p.end());
        EXPECT_EQ(used, (std::set<std::uint8_t>{kBlack, kBlue, kCyan, kTransparentPixel})) << f;
    }
}

TEST(ProgramPictures, TheProgramIconIsAWhiteWindowWithARedTitleAndFourColouredSquares) {
    Icon16Pixels p = DecodeIcon16(Committed("sockmere.ico"));
    EXPECT_EQ(At(p, 10, 5), kRed);    // title bar
    EXPECT_EQ(At(p, 28, 12), kWhite);  // client area
    EXPECT_EQ(At(p, 0, 16), kBlack);   // frame
    std::set<std::uint8_t> used(p.begin(), p.end());
    for (std::uint8_t colour : {kCyan, kYellow, kGreen, kRed, kWhite, kBlack})
        EXPECT_TRUE(used.count(colour)) << int(colour);
}

TEST(ProgramPictures, TheHandCursorIsMonochromeWithItsHotSpotOnTheFingerTip) {
    Bytes cur = Committed("hand.cur");
    ASSERT_EQ(cur.size(), 22u + 40 + 8 + 128 + 128);
    EXPECT_EQ(Bytes(cur.begin(), cur.begin() + 6), (Bytes{0, 0, 2, 0, 1, 0}));
    EXPECT_EQ(cur[6], 32);
    EXPECT_EQ(cur[7], 32);
    EXPECT_EQ(cur[10] | cur[11] << 8, 5);  // hot spot x
    EXPECT_EQ(cur[12] | cur[13] << 8, 0);  // hot spot y
    EXPECT_EQ(cur[22 + 14], 1);            // one bit a pixel
    // The hot spot pixel is part of the picture (mask bit clear), the corner is not.
    auto opaque = [&](int x, int y) {
        const std::size_t mask = 22 + 40 + 8 + 128;
        return !(cur[mask + std::size_t(31 - y) * 4 + std::size_t(x / 8)] & (0x80 >> (x % 8)));
    };
    EXPECT_TRUE(opaque(5, 0));
    EXPECT_FALSE(opaque(4, 0));
    EXPECT_FALSE(opaque(31, 31));
}
