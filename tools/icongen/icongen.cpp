// Draws the program's pictures from code and writes them into the folder given:
// frame0.ico ... frame3.ico (the tray animation), trayframes.bin (the four frames as one
// "Icons" stream), sockmere.ico (the program's icon) and hand.cur (the hyperlink cursor).
// Integer geometry only, so that every build draws the very same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tray/IconFiles.h"

using namespace sockmere;

namespace {

struct Canvas {
    Icon16Pixels pixels;
    Canvas() { pixels.fill(kTransparentPixel); }
    void Set(int x, int y, std::uint8_t color) {
        if (x >= 0 && x < kIconSide && y >= 0 && y < kIconSide) pixels[std::size_t(y * kIconSide + x)] = color;
    }
    void Fill(int left, int top, int right, int bottom, std::uint8_t color) {
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) Set(x, y, color);
    }
    void Box(int left, int top, int right, int bottom, std::uint8_t fill) {
        Fill(left, top, right, bottom, kBlack);
        Fill(left + 1, top + 1, right - 1, bottom - 1, fill);
    }
};

// One animation frame: a black-rimmed disc cut into four sectors by a thick black cross,
// upright on even frames and diagonal on odd ones; the blue pair turns 45 degrees clockwise
// a frame: upper left and lower right, top and bottom, upper right and lower left, left and right.
Icon16Pixels DrawFrame(int frame) {
    Canvas c;
    const bool upright = frame % 2 == 0;
    const bool swapped = frame >= 2;
    for (int y = 0; y < kIconSide; ++y) {
        for (int x = 0; x < kIconSide; ++x) {
            // Twice the offset of the pixel's centre from the picture's centre: odd, never zero.
            const int dx = 2 * x + 1 - kIconSide, dy = 2 * y + 1 - kIconSide;
            const int r2 = dx * dx + dy * dy;
            if (r2 > 30 * 30) continue;  // outside a disc of radius 15
            if (r2 > 26 * 26) {          // a rim two pixels wide
                c.Set(x, y, kBlack);
                continue;
            }
            const bool cross = upright ? (dx > -4 && dx < 4) || (dy > -4 && dy < 4)
                                       : (dx - dy) * (dx - dy) < 32 || (dx + dy) * (dx + dy) < 32;
            if (cross) {
                c.Set(x, y, kBlack);
                continue;
            }
            bool firstPair;
            if (upright)
                firstPair = (dx < 0) == (dy < 0);  // upper left or lower right
            else
                firstPair = std::abs(dy) > std::abs(dx);  // top or bottom
            c.Set(x, y, firstPair != swapped ? kBlue : kCyan);
        }
    }
    return c.pixels;
}

// The program's icon: a white window with a red title bar, showing a tree of four small
// squares (cyan, yellow, green and red) joined by black lines.
Icon16Pixels DrawProgramIcon() {
    Canvas c;
    c.Box(0, 2, 31, 29, kWhite);
    c.Fill(1, 3, 30, 7, kRed);
    c.Fill(1, 8, 30, 8, kBlack);
    c.Box(25, 4, 28, 6, kSilver);  // close box

    c.Fill(6, 16, 6, 25, kBlack);    // trunk from the root
    c.Fill(7, 18, 11, 18, kBlack);   // to the first child
    c.Fill(7, 25, 11, 25, kBlack);   // to the second child
    c.Fill(19, 18, 22, 18, kBlack);  // from the first child to the grandchild
    c.Box(3, 11, 9, 16, kCyan);
    c.Box(12, 15, 18, 21, kYellow);
    c.Box(12, 22, 18, 28, kGreen);
    c.Box(23, 15, 29, 21, kRed);
    return c.pixels;
}

// A pointing hand for the hyperlink cursor: X black, o white, . transparent; the tip of the
// index finger, the cursor's hot spot, is at (5, 0).
constexpr const char* kHand[] = {
    ".....XX.........",
    "....XooX........",
    "....XooX........",
    "....XooX........",
    "....XooX........",
    "....XooXXX......",
    "....XooXooXXX...",
    "....XooXooXooXX.",
    "....XooXooXooXoX",
    "XX..XooXooXooXoX",
    "XoX.XooooooooooX",
    "XooXXooooooooooX",
    ".XoooooooooooooX",
    "..XooooooooooooX",
    "..XooooooooooooX",
    "...XoooooooooooX",
    "...XooooooooooX.",
    "....XoooooooooX.",
    "....XoooooooooX.",
    ".....XooooooooX.",
    ".....XooooooooX.",
    ".....XXXXXXXXXX.",
};
constexpr int kHotSpotX = 5, kHotSpotY = 0;

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int size) {
    for (int i = 0; i < size; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}

// A single-image 32x32 monochrome cursor file.
std::vector<std::uint8_t> DrawHandCursor() {
    constexpr int rowBytes = kIconSide / 8;
    std::vector<std::uint8_t> xorBits(rowBytes * kIconSide, 0), andBits(rowBytes * kIconSide, 0xFF);
    const int rows = int(sizeof kHand / sizeof kHand[0]);
    for (int y = 0; y < rows; ++y) {
        const std::string row = kHand[y];
        for (int x = 0; x < int(row.size()); ++x) {
            if (row[std::size_t(x)] == '.') continue;
            const std::size_t at = std::size_t((kIconSide - 1 - y) * rowBytes + x / 8);  // bottom-up
            const std::uint8_t bit = std::uint8_t(0x80 >> (x % 8));
            andBits[at] &= std::uint8_t(~bit);
            if (row[std::size_t(x)] == 'o') xorBits[at] |= bit;
        }
    }
    const std::uint32_t imageSize = 40 + 8 + std::uint32_t(xorBits.size() + andBits.size());
    std::vector<std::uint8_t> out;
    Put(out, 0, 2), Put(out, 2, 2), Put(out, 1, 2);                    // a cursor file, one image
    Put(out, kIconSide, 1), Put(out, kIconSide, 1), Put(out, 0, 1), Put(out, 0, 1);
    Put(out, kHotSpotX, 2), Put(out, kHotSpotY, 2), Put(out, imageSize, 4), Put(out, 22, 4);
    Put(out, 40, 4), Put(out, kIconSide, 4), Put(out, 2 * kIconSide, 4), Put(out, 1, 2), Put(out, 1, 2);
    Put(out, 0, 4), Put(out, std::uint32_t(xorBits.size() + andBits.size()), 4);
    out.insert(out.end(), 16, 0);  // resolution and colour counts: unused
    Put(out, 0x000000, 4), Put(out, 0xFFFFFF, 4);
    out.insert(out.end(), xorBits.begin(), xorBits.end());
    out.insert(out.end(), andBits.begin(), andBits.end());
    return out;
}

bool Write(const std::string& dir, const char* name, const std::vector<std::uint8_t>& bytes) {
    std::string path = dir + "/" + name;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!file) {
        std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    IconStreamWriter stream(4);
    for (int frame = 0; frame < 4; ++frame) {
        std::vector<std::uint8_t> file = EncodeIcon16(DrawFrame(frame));
        stream.Add(file);
        const std::string name = "frame" + std::to_string(frame) + ".ico";
        ok = Write(dir, name.c_str(), file) && ok;
    }
    ok = Write(dir, "trayframes.bin", stream.Bytes()) && ok;
    ok = Write(dir, "sockmere.ico", EncodeIcon16(DrawProgramIcon())) && ok;
    ok = Write(dir, "hand.cur", DrawHandCursor()) && ok;
    return ok ? 0 : 1;
}
