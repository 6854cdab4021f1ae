#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Errors.h"
#include "framework/Graphics.h"

using namespace fw;

namespace {

// A committed picture of the source tree, found from this file's path; Wine sees / as Z:.
std::vector<std::uint8_t> SourceBytes(const std::string& relative) {
    std::string self = __FILE__;
    std::string path = self.substr(0, self.rfind("/tests/win/") + 1) + relative;
    if (path[0] == '/') path = "Z:" + path;
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Draws the icon over a grey background and returns the 32x32 result as 0xRRGGBB, top-down.
std::vector<std::uint32_t> Render(HICON icon) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    BitmapOwner bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    MemoryDC dc(nullptr);
    SelectScope select(dc.Get(), bitmap.Get());
    RECT all{0, 0, 32, 32};
    BrushOwner grey(::CreateSolidBrush(RGB(0x80, 0x80, 0x80)));
    ::FillRect(dc.Get(), &all, grey.Get());
    ::DrawIconEx(dc.Get(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> out(p, p + 32 * 32);
    for (auto& v : out) v &= 0xFFFFFF;
    return out;
}

std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[size_t(y * 32 + x)];
}

bool IsLiveIcon(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return false;
    BitmapOwner color(info.hbmColor), mask(info.hbmMask);
    return true;
}

struct Changes {
    int count = 0;
    void On(TObject*) { ++count; }
};

}  // namespace

TEST(Icon, LoadsAFourBitIconWhoseEntryCarriesNoDepthAndSavesTheSameBytes) {
    const std::vector<std::uint8_t> bytes = SourceBytes("src/app/res/frame0.ico");
    ASSERT_EQ(bytes.size(), 766u);
    ASSERT_EQ(bytes[12], 0);  // the directory entry's bit count
    TIcon icon;
    Changes changes;
    icon.OnChange = TNotifyEvent::Of<&Changes::On>(&changes);
    EXPECT_TRUE(icon.Empty());
    icon.LoadFromStream(bytes);
    EXPECT_EQ(changes.count, 1);
    EXPECT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);

    // Frame 0: transparent corners, black rim and cross, blue upper left, cyan upper right.
    std::vector<std::uint32_t> pixels = Render(icon.Handle());
    EXPECT_EQ(At(pixels, 0, 0), 0x808080u);
    EXPECT_EQ(At(pixels, 16, 1), 0x000000u);
    EXPECT_EQ(At(pixels, 16, 16), 0x000000u);
    EXPECT_EQ(At(pixels, 9, 9), 0x0000FFu);
    EXPECT_EQ(At(pixels, 22, 9), 0x00FFFFu);

    std::vector<std::uint8_t> saved{0xEE};
    icon.SaveToStream(saved);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 1, saved.end()), bytes);
}

TEST(Icon, BytesThatAreNoIconRaiseAndLeaveTheIconAsItWas) {
    std::vector<std::uint8_t> good = SourceBytes("src/app/res/frame1.ico");
    TIcon icon;
    icon.LoadFromStream(good);
    HICON before = icon.Handle();
    const long live = TIcon::LiveHandles();

    std::vector<std::vector<std::uint8_t>> bad;
    bad.push_back({});
    bad.push_back({0, 0, 1, 0});
    bad.push_back({0, 0, 1, 0, 0, 0});                          // no images
    bad.push_back(std::vector<std::uint8_t>(good.begin(), good.begin() + 100));  // cut short
    std::vector<std::uint8_t> cursor = good;
    cursor[2] = 2;  // a cursor file is not an icon file
    bad.push_back(cursor);
    std::vector<std::uint8_t> offset = good;
    offset[18] = 0xF0;  // image beyond the end
    bad.push_back(offset);
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_THROW(icon.LoadFromStream(bad[i]), Error) << "case " << i;
        EXPECT_EQ(icon.Handle(), before) << "case " << i;
    }
    EXPECT_EQ(TIcon::LiveHandles(), live);
    std::vector<std::uint8_t> saved;
    icon.SaveToStream(saved);
    EXPECT_EQ(saved, good);
}

TEST(Icon, AssignGivesAPictureOfItsOwnAndRefusesOtherClasses) {
    TIcon source;
    source.LoadFromStream(SourceBytes("src/app/res/sockmere.ico"));
    TIcon copy;
    Changes changes;
    copy.OnChange = TNotifyEvent::Of<&Changes::On>(&changes);
    copy.Assign(&source);
    EXPECT_EQ(changes.count, 1);
    ASSERT_FALSE(copy.Empty());
    EXPECT_NE(copy.Handle(), source.Handle());
    EXPECT_EQ(Render(copy.Handle()), Render(source.Handle()));
    std::vector<std::uint8_t> a, b;
    copy.SaveToStream(a);
    source.SaveToStream(b);
    EXPECT_EQ(a, b);

    // A picture known only by its handle is copied as a handle.
    TIcon byHandle;
    byHandle.SetHandle(::CopyIcon(source.Handle()));
    TIcon second;
    second.Assign(&byHandle);
    EXPECT_NE(second.Handle(), byHandle.Handle());
    EXPECT_EQ(Render(second.Handle()), Render(source.Handle()));

    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(changes.count, 2);

    TComponent component(nullptr);
    try {
        copy.Assign(&component);
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TComponent to a TIcon");
    }
}

TEST(Icon, AnIconKnownOnlyByItsHandleSavesAFileThatLoadsBackTheSamePicture) {
    TIcon source;
    source.LoadFromStream(SourceBytes("src/app/res/frame2.ico"));
    TIcon byHandle;
    byHandle.SetHandle(::CopyIcon(source.Handle()));
    std::vector<std::uint8_t> file;
    byHandle.SaveToStream(file);
    ASSERT_GT(file.size(), 22u);
    TIcon reloaded;
    reloaded.LoadFromStream(file);
    EXPECT_EQ(reloaded.Width(), 32);
    EXPECT_EQ(Render(reloaded.Handle()), Render(source.Handle()));

    // A monochrome icon: left half black, right half white, bottom rows transparent.
    std::uint8_t andBits[32 * 4], xorBits[32 * 4];
    for (int y = 0; y < 32; ++y)
        for (int b = 0; b < 4; ++b) {
            andBits[y * 4 + b] = y >= 24 ? 0xFF : 0x00;
            xorBits[y * 4 + b] = b >= 2 && y < 24 ? 0xFF : 0x00;
        }
    TIcon mono;
    mono.SetHandle(::CreateIcon(nullptr, 32, 32, 1, 1, andBits, xorBits));
    ASSERT_FALSE(mono.Empty());
    file.clear();
    mono.SaveToStream(file);
    reloaded.LoadFromStream(file);
    std::vector<std::uint32_t> pixels = Render(reloaded.Handle());
    EXPECT_EQ(At(pixels, 3, 3), 0x000000u);
    EXPECT_EQ(At(pixels, 28, 3), 0xFFFFFFu);
    EXPECT_EQ(At(pixels, 28, 30), 0x808080u);
}

TEST(Icon, EveryHandleTakenIsGivenBackOnce) {
    const long live = TIcon::LiveHandles();
    {
        TIcon a, b;
        a.LoadFromStream(SourceBytes("src/app/res/frame3.ico"));
        b.Assign(&a);
        b.Assign(&a);
        EXPECT_EQ(TIcon::LiveHandles(), live + 2);
        b.SetHandle(b.Handle());  // its own handle again: kept, not destroyed
        EXPECT_TRUE(IsLiveIcon(b.Handle()));
        EXPECT_EQ(TIcon::LiveHandles(), live + 2);
    }
    EXPECT_EQ(TIcon::LiveHandles(), live);
}
