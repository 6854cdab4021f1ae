#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "TrayTestSupport.h"
#include "tray/TrayIcon.h"

using namespace sockmere;
using namespace traytest;

namespace {

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::Application().Initialize();
        ASSERT_TRUE(NoLiveThreads());
        LoadPicture(picture, "src/app/res/sockmere.ico");
        tray = std::make_unique<TTrayIcon>(nullptr);
        tray->SetHint("Sockmere");
        tray->SetIcon(&picture);
        tray->Icons().ReadIcons(FramesStream());
        ASSERT_TRUE(tray->Shown());
        shell.Clear();
    }
    void TearDown() override {
        tray.reset();
        EXPECT_TRUE(NoLiveThreads());
    }

    // The frame each recorded call showed: 0-3, -1 for the static picture.
    int FrameOf(const ShellCall& call) const {
        for (int i = 0; i < tray->Icons().Count(); ++i)
            if (tray->Icons().Items(i) && tray->Icons().Items(i)->Handle() == call.icon) return i;
        return -1;
    }
    std::vector<int> Frames(DWORD message) const {
        std::vector<int> frames;
        for (const ShellCall& c : shell.Calls())
            if (c.message == message) frames.push_back(FrameOf(c));
        return frames;
    }
    // Frame changes made by the frame thread, not by the GUI thread.
    std::vector<ShellCall> Steps() const {
        std::vector<ShellCall> steps;
        for (const ShellCall& c : shell.Calls())
            if (c.thread != ::GetCurrentThreadId()) steps.push_back(c);
        return steps;
    }

    FakeShell shell;
    fw::TIcon picture;
    std::unique_ptr<TTrayIcon> tray;
};

}  // namespace

TEST_F(AnimationTest, AnEmptyListStaysOffWithoutAThreadOrAShellCall) {
    tray->Icons().Clear();
    shell.Clear();
    tray->SetAnimated(true);
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(fw::TThread::LiveCount(), 0);
    EXPECT_EQ(shell.Total(), 0u);
    EXPECT_EQ(tray->FrameIndex(), -1);
}

TEST_F(AnimationTest, AnimatingWhileNotShownMakesAPausedThreadThatStepsFromFrameZeroOnceShown) {
    tray->SetInterval(40);
    tray->SetActive(false);
    shell.Clear();
    tray->SetAnimated(true);
    EXPECT_TRUE(tray->Animated());
    EXPECT_EQ(fw::TThread::LiveCount(), 1);
    Pump(150);
    EXPECT_EQ(shell.Count(NIM_ADD) + shell.Count(NIM_MODIFY), 0u);
    EXPECT_EQ(tray->FrameIndex(), 0);

    tray->SetActive(true);
    ASSERT_EQ(shell.Count(NIM_ADD), 1u);
    EXPECT_EQ(Frames(NIM_ADD), std::vector<int>{0});
    ASSERT_TRUE(WaitUntil([&] { return Steps().size() >= 1; }));
    const std::vector<ShellCall> steps = Steps();
    EXPECT_EQ(FrameOf(steps[0]), 1);
    EXPECT_EQ(steps[0].message, DWORD(NIM_MODIFY));
}

TEST_F(AnimationTest, AnimatingTwiceGivesOneThreadAndStoppingTwiceChangesNothing) {
    tray->SetAnimated(true);
    tray->SetAnimated(true);
    EXPECT_EQ(fw::TThread::LiveCount(), 1);
    tray->SetAnimated(false);
    EXPECT_TRUE(NoLiveThreads());
    tray->SetAnimated(true);
    tray->SetAnimated(false);
    shell.Clear();
    tray->SetAnimated(false);
    EXPECT_EQ(shell.Total(), 0u);
    EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(AnimationTest, FramesRunZeroOneTwoThreeZeroAtInterval70) {
    tray->SetInterval(70);
    tray->SetAnimated(true);
    EXPECT_EQ(Frames(NIM_MODIFY), std::vector<int>{0});  // frame 0 at once
    ASSERT_TRUE(WaitUntil([&] { return Steps().size() >= 5; }));
    tray->SetAnimated(false);
    const std::vector<ShellCall> steps = Steps();
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(FrameOf(steps[i]), int((i + 1) % 4)) << "step " << i;
    for (size_t i = 1; i < 5; ++i) EXPECT_GE(steps[i].time - steps[i - 1].time, 50u) << "step " << i;

    // Stopped: the static picture is back and the index is 0.
    EXPECT_EQ(shell.Calls().back().icon, tray->Icon().Handle());
    EXPECT_EQ(tray->FrameIndex(), 0);
}

TEST_F(AnimationTest, RemovingAndAddingAgainContinuesFromTheSameFrame) {
    tray->SetInterval(25);
    tray->SetAnimated(true);
    ASSERT_TRUE(WaitUntil([&] { return tray->FrameIndex() >= 1; }));
    tray->SetActive(false);
    const int frame = tray->FrameIndex();
    const size_t calls = shell.Total();
    Pump(150);
    EXPECT_EQ(tray->FrameIndex(), frame);
    EXPECT_EQ(shell.Total(), calls);
    EXPECT_TRUE(tray->Animated());

    tray->SetActive(true);
    EXPECT_EQ(FrameOf(shell.Calls().back()), frame);
    EXPECT_EQ(shell.Calls().back().message, DWORD(NIM_ADD));
    ASSERT_TRUE(WaitUntil([&] { return tray->FrameIndex() != frame; }));
    EXPECT_EQ(tray->FrameIndex(), (frame + 1) % 4);
}

TEST_F(AnimationTest, ClearingTheFramesStopsTheAnimation) {
    tray->SetInterval(10);
    tray->SetAnimated(true);
    ASSERT_TRUE(WaitUntil([&] { return Steps().size() >= 2; }));
    tray->Icons().Clear();
    EXPECT_FALSE(tray->Animated());
    EXPECT_EQ(shell.Calls().back().icon, tray->Icon().Handle());
    EXPECT_TRUE(NoLiveThreads());
    EXPECT_TRUE(tray->Shown());
}

TEST_F(AnimationTest, AnEmptyFrameRemovesTheIconAndPausesUntilTheAnimationStops) {
    std::vector<std::uint8_t> stream = FramesStream();
    // Entry 2's length becomes 0 and its bytes go: N, then (S, bytes) for entries 0 and 1.
    const size_t entry2 = 4 + 2 * (4 + 766);
    stream.erase(stream.begin() + std::ptrdiff_t(entry2 + 4), stream.begin() + std::ptrdiff_t(entry2 + 4 + 766));
    stream[entry2] = stream[entry2 + 1] = 0;
    tray->Icons().ReadIcons(stream);
    ASSERT_EQ(tray->Icons().Items(2), nullptr);
    tray->SetInterval(20);
    shell.Clear();
    tray->SetAnimated(true);
    ASSERT_TRUE(WaitUntil([&] { return !tray->Shown(); }));
    EXPECT_EQ(tray->FrameIndex(), 2);
    EXPECT_EQ(shell.Calls().back().message, DWORD(NIM_DELETE));
    const size_t calls = shell.Total();
    Pump(150);
    EXPECT_EQ(shell.Total(), calls);
    EXPECT_EQ(tray->FrameIndex(), 2);

    tray->SetAnimated(false);
    EXPECT_TRUE(tray->Shown());
    EXPECT_EQ(shell.Calls().back().message, DWORD(NIM_ADD));
    EXPECT_EQ(shell.Calls().back().icon, tray->Icon().Handle());
}

TEST_F(AnimationTest, ANewIntervalTakesEffectAtTheNextWait) {
    tray->SetInterval(600);
    tray->SetAnimated(true);
    Pump(50);
    tray->SetInterval(10);
    Pump(250);
    EXPECT_EQ(Steps().size(), 0u);  // still in the long wait
    ASSERT_TRUE(WaitUntil([&] { return Steps().size() >= 6; }));
    const std::vector<ShellCall> steps = Steps();
    EXPECT_LT(steps[5].time - steps[1].time, 400u);
}

TEST_F(AnimationTest, StoppingDuringAWaitAndRestartingAtOnceLeavesOnlyTheNewThreadStepping) {
    tray->SetInterval(150);
    tray->SetAnimated(true);
    Pump(40);
    tray->SetAnimated(false);
    tray->SetAnimated(true);
    shell.Clear();
    ASSERT_TRUE(WaitUntil([&] { return Steps().size() >= 4; }));
    Pump(200);  // the old thread's wait is long over by now
    tray->SetAnimated(false);
    const std::vector<ShellCall> steps = Steps();
    std::set<DWORD> threads;
    for (const ShellCall& s : steps) threads.insert(s.thread);
    EXPECT_EQ(threads.size(), 1u);
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(FrameOf(steps[i]), int((i + 1) % 4)) << "step " << i;
}

// Bounds far below the 10 s interval: only a stop that sat out the interval can miss them.
TEST_F(AnimationTest, StoppingOrRemovingWakesTheThreadInTheMiddleOfALongInterval) {
    tray->SetInterval(10000);
    tray->SetAnimated(true);
    Pump(50);
    tray->SetAnimated(false);
    EXPECT_TRUE(NoLiveThreads(2000));

    tray->SetAnimated(true);
    Pump(50);
    ASSERT_EQ(fw::TThread::LiveCount(), 1);
    const DWORD start = ::GetTickCount();
    tray.reset();
    const DWORD took = ::GetTickCount() - start;
    std::printf("removing an icon animated at 10 s took %lu ms\n", static_cast<unsigned long>(took));
    EXPECT_LT(took, 2000u);
    // No thread outlives its icon.
    EXPECT_EQ(fw::TThread::LiveCount(), 0);
}
