#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "TrayTestSupport.h"
#include "framework/Errors.h"
#include "tray/IconList.h"

using namespace sockmere;
using namespace traytest;

namespace {

struct Changes {
    int count = 0;
    void On(fw::TObject*) { ++count; }
};

void Put32(std::vector<std::uint8_t>& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
}

class IconListTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.OnChange = fw::TNotifyEvent::Of<&Changes::On>(&changes);
        LoadPicture(frame0, "src/app/res/frame0.ico");
        LoadPicture(frame1, "src/app/res/frame1.ico");
    }
    TIconList list;
    Changes changes;
    fw::TIcon frame0, frame1;
};

std::string ErrorOf(auto&& action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace

TEST_F(IconListTest, FourFramesLoadAs766ByteEntriesAndWriteBackTheSame3084Bytes) {
    std::vector<std::uint8_t> stream = FramesStream();
    ASSERT_EQ(stream.size(), 3084u);
    list.ReadIcons(stream);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(list.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        const fw::TIcon* icon = list.Items(i);
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->Empty());
        EXPECT_EQ(icon->Width(), 32);
        EXPECT_EQ(icon->Height(), 32);
        std::vector<std::uint8_t> saved;
        icon->SaveToStream(saved);
        EXPECT_EQ(saved, ReadBytes("src/app/res/frame" + std::to_string(i) + ".ico")) << "frame " << i;
    }
    std::vector<std::uint8_t> written;
    list.WriteIcons(written);
    EXPECT_EQ(written, stream);
}

TEST_F(IconListTest, EmptyStreamGivesEmptyListAndOneNotification) {
    list.Add(&frame0);
    list.Add(&frame1);
    changes.count = 0;
    std::vector<std::uint8_t> stream;
    Put32(stream, 0);
    list.ReadIcons(stream);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(changes.count, 1);
    std::vector<std::uint8_t> written;
    list.WriteIcons(written);
    EXPECT_EQ(written, stream);
}

TEST_F(IconListTest, EntriesOfZeroOrNegativeSizeLoadAsEmptyEntriesInPlace) {
    std::vector<std::uint8_t> frame = ReadBytes("src/app/res/frame2.ico");
    std::vector<std::uint8_t> stream;
    Put32(stream, 3);
    Put32(stream, 0);
    Put32(stream, std::int32_t(frame.size()));
    stream.insert(stream.end(), frame.begin(), frame.end());
    Put32(stream, -4);
    list.ReadIcons(stream);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Items(0), nullptr);
    ASSERT_NE(list.Items(1), nullptr);
    EXPECT_FALSE(list.Items(1)->Empty());
    EXPECT_EQ(list.Items(2), nullptr);

    // Written back, both empty entries are stored with S = 0, and so is a picture without image.
    list.Add(nullptr);
    std::vector<std::uint8_t> expected;
    Put32(expected, 4);
    Put32(expected, 0);
    Put32(expected, std::int32_t(frame.size()));
    expected.insert(expected.end(), frame.begin(), frame.end());
    Put32(expected, 0);
    Put32(expected, 0);
    std::vector<std::uint8_t> written;
    list.WriteIcons(written);
    EXPECT_EQ(written, expected);
}

TEST_F(IconListTest, BadOrShortStreamKeepsEntriesReadBeforeAndStillNotifiesOnce) {
    std::vector<std::uint8_t> frame = ReadBytes("src/app/res/frame0.ico");
    std::vector<std::uint8_t> bad;
    Put32(bad, 3);
    Put32(bad, std::int32_t(frame.size()));
    bad.insert(bad.end(), frame.begin(), frame.end());
    Put32(bad, 8);
    bad.insert(bad.end(), 8, 0xAB);
    Put32(bad, std::int32_t(frame.size()));
    bad.insert(bad.end(), frame.begin(), frame.end());
    const long icons = fw::TIcon::LiveHandles();
    EXPECT_THROW(list.ReadIcons(bad), fw::Error);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(fw::TIcon::LiveHandles(), icons + 1);

    std::vector<std::uint8_t> shortStream;
    Put32(shortStream, 2);
    Put32(shortStream, std::int32_t(frame.size()));
    shortStream.insert(shortStream.end(), frame.begin(), frame.end());
    Put32(shortStream, 766);
    shortStream.insert(shortStream.end(), 100, 0);
    changes.count = 0;
    EXPECT_EQ(ErrorOf([&] { list.ReadIcons(shortStream); }), "Stream read error");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(changes.count, 1);
}

TEST_F(IconListTest, IndexOfFindsOnlyTheStoredObject) {
    list.Add(&frame0);
    list.Add(&frame1);
    EXPECT_EQ(list.IndexOf(&frame0), -1);  // Add stored a copy
    EXPECT_EQ(list.IndexOf(list.Items(1)), 1);
    EXPECT_EQ(list.IndexOf(list.Items(0)), 0);
    EXPECT_NE(list.Items(0)->Handle(), frame0.Handle());
    const int before = changes.count;
    list.IndexOf(list.Items(0));
    EXPECT_EQ(changes.count, before);
}

TEST_F(IconListTest, IndexOutsideTheListRaisesListError) {
    list.Add(&frame0);
    EXPECT_EQ(ErrorOf([&] { list.Items(1); }), "List index out of bounds (1)");
    EXPECT_EQ(ErrorOf([&] { list.Items(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorOf([&] { list.Delete(4); }), "List index out of bounds (4)");
    EXPECT_EQ(ErrorOf([&] { list.SetItems(2, &frame1); }), "List index out of bounds (2)");
    EXPECT_EQ(ErrorOf([&] { list.Insert(3, &frame1); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 5); }), "List index out of bounds (5)");
    EXPECT_EQ(ErrorOf([&] { list.Move(7, 0); }), "List index out of bounds (7)");
    EXPECT_THROW(list.Items(9), fw::ListError);
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(IconListTest, AssignTakesListsAndIconsAndRefusesOtherClasses) {
    fw::TComponent component(nullptr);
    EXPECT_EQ(ErrorOf([&] { list.Assign(&component); }), "Cannot assign a TComponent to a TIconList");
    EXPECT_THROW(list.Assign(&component), fw::ConvertError);
    fw::TIcon target;
    EXPECT_EQ(ErrorOf([&] { target.Assign(&list); }), "Cannot assign a TIconList to a TIcon");

    TIconList source;
    source.ReadIcons(FramesStream());
    changes.count = 0;
    list.Assign(&source);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(list.Count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.IndexOf(source.Items(i)), -1);
        std::vector<std::uint8_t> a, b;
        list.Items(i)->SaveToStream(a);
        source.Items(i)->SaveToStream(b);
        EXPECT_EQ(a, b);
    }

    changes.count = 0;
    list.Assign(&frame1);
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.Items(0)->Empty());

    list.Assign(nullptr);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(IconListTest, ChangesInsideAnUpdateBracketNotifyOnceAtTheEnd) {
    list.BeginUpdate();
    list.Add(&frame0);
    list.BeginUpdate();
    list.Add(&frame1);
    list.Insert(0, nullptr);
    list.EndUpdate();
    list.Delete(0);
    EXPECT_EQ(changes.count, 0);
    list.EndUpdate();
    EXPECT_EQ(changes.count, 1);
    list.BeginUpdate();
    list.EndUpdate();  // notifies even when nothing changed
    EXPECT_EQ(changes.count, 2);
    list.Clear();
    EXPECT_EQ(changes.count, 3);
}

TEST_F(IconListTest, EachOperationNotifiesOnceAndKeepsTheOrder) {
    list.Add(&frame0);
    list.Add(&frame1);
    list.Add(nullptr);
    const fw::TIcon* a = list.Items(0);
    const fw::TIcon* b = list.Items(1);
    const fw::TIcon* c = list.Items(2);
    changes.count = 0;
    list.Exchange(0, 2);
    EXPECT_EQ(list.Items(0), c);
    EXPECT_EQ(list.Items(2), a);
    list.Move(0, 2);
    EXPECT_EQ(list.Items(0), b);
    EXPECT_EQ(list.Items(1), a);
    EXPECT_EQ(list.Items(2), c);
    list.Delete(1);
    EXPECT_EQ(list.IndexOf(b), 0);
    EXPECT_EQ(changes.count, 3);

    // Writing an entry copies into it, in one notification; at Count it appends.
    list.SetItems(1, &frame0);
    EXPECT_EQ(list.Items(1), c);
    EXPECT_FALSE(c->Empty());
    list.SetItems(2, &frame1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(changes.count, 5);
}

TEST_F(IconListTest, WritingAnEmptyEntryGivesItAPictureOfItsOwn) {
    std::vector<std::uint8_t> stream;
    Put32(stream, 1);
    Put32(stream, 0);
    list.ReadIcons(stream);
    ASSERT_EQ(list.Items(0), nullptr);
    changes.count = 0;
    list.SetItems(0, &frame0);
    ASSERT_NE(list.Items(0), nullptr);
    EXPECT_FALSE(list.Items(0)->Empty());
    EXPECT_EQ(changes.count, 1);
}

TEST_F(IconListTest, ResourcesLoadAsCopiesAndAFailedLoadLeavesTheListAlone) {
    const long icons = fw::TIcon::LiveHandles();
    EXPECT_EQ(list.AddResource(nullptr, IDI_APPLICATION), 0);
    list.InsertResource(0, nullptr, IDI_ERROR);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(fw::TIcon::LiveHandles(), icons + 2);
    changes.count = 0;
    EXPECT_THROW(list.AddResource(::GetModuleHandleA(nullptr), "NO_SUCH_ICON"), fw::Error);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(changes.count, 0);
    list.Clear();
    EXPECT_EQ(fw::TIcon::LiveHandles(), icons);
}

TEST_F(IconListTest, StoredAgainstAnAncestorOnlyWhenAnEntryIsAnotherObject) {
    EXPECT_FALSE(list.StoresIcons(nullptr));
    list.Add(&frame0);
    EXPECT_TRUE(list.StoresIcons(nullptr));
    TIconList ancestor;
    ancestor.Add(&frame0);
    ancestor.Add(&frame1);
    EXPECT_TRUE(list.StoresIcons(&ancestor));
    ancestor.Delete(1);
    EXPECT_TRUE(list.StoresIcons(&ancestor));  // same count, but copies are other objects
    TIconList empties, emptyAncestor;
    std::vector<std::uint8_t> stream;
    Put32(stream, 1);
    Put32(stream, 0);
    empties.ReadIcons(stream);
    emptyAncestor.ReadIcons(stream);
    EXPECT_FALSE(empties.StoresIcons(&emptyAncestor));
}
