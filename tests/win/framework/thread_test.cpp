#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Thread.h"

using namespace fw;

namespace {

bool WaitFor(auto done, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        Application().ProcessMessages();
        ::Sleep(2);
    }
    return true;
}

// Counts its passes; each pass takes passMs and passes the pause gate first.
class Counter : public TThread {
public:
    Counter(bool paused, DWORD passMs, std::atomic<bool>* freed = nullptr)
        : TThread(paused), passMs_(passMs), freed_(freed) {}
    ~Counter() override {
        if (freed_) freed_->store(true);
    }
    std::atomic<int> started{0}, finished{0};

protected:
    void Execute() override {
        while (WaitWhilePaused()) {
            started.fetch_add(1);
            ::Sleep(passMs_);
            finished.fetch_add(1);
        }
    }

private:
    DWORD passMs_;
    std::atomic<bool>* freed_;
};

class Failing : public TThread {
public:
    Failing() : TThread(false) { SetFreeOnTerminate(true); }

protected:
    void Execute() override { throw std::runtime_error("Thread failed"); }
};

// A self-freeing thread whose memory is never given back: it is poisoned and kept, so that
// any write through the object after its delete shows as a changed byte.
class Quarantined : public TThread {
public:
    explicit Quarantined(bool paused) : TThread(paused) { SetFreeOnTerminate(true); }
    static void* operator new(size_t size) { return ::operator new(size); }
    static void operator delete(void* block, size_t size) {
        std::memset(block, kPoison, size);
        Lock lock(QuarantineLock());
        Kept().push_back({static_cast<unsigned char*>(block), size});
    }
    // Blocks with a byte written after their delete; the blocks are given back.
    static int Corrupted() {
        int corrupted = 0;
        for (auto [block, size] : Kept()) {
            corrupted += std::any_of(block, block + size, [](unsigned char b) { return b != kPoison; });
            ::operator delete(block);
        }
        Kept().clear();
        return corrupted;
    }

protected:
    void Execute() override {
        while (WaitWhilePaused() && Rest(INFINITE)) {}
    }

private:
    static constexpr unsigned char kPoison = 0xDD;
    static std::vector<std::pair<unsigned char*, size_t>>& Kept() {
        static std::vector<std::pair<unsigned char*, size_t>> kept;
        return kept;
    }
    static CriticalSection& QuarantineLock() {
        static CriticalSection lock;
        return lock;
    }
};

struct Reports {
    std::vector<std::string> texts;
    void On(TComponent*, const std::string& t) { texts.push_back(t); }
};

}  // namespace

TEST(Thread, AFreeOnTerminateThreadRunsUntilTerminatedAndThenFreesItself) {
    Application().Initialize();
    ASSERT_TRUE(WaitFor([] { return TThread::LiveCount() == 0; }));
    std::atomic<bool> freed{false};
    auto* thread = new Counter(false, 1, &freed);
    thread->SetFreeOnTerminate(true);
    thread->Start();
    EXPECT_EQ(TThread::LiveCount(), 1);
    ASSERT_TRUE(WaitFor([&] { return thread->finished.load() >= 3; }));
    thread->Terminate();  // the last touch: it may be gone from here on
    EXPECT_TRUE(WaitFor([&] { return freed.load() && TThread::LiveCount() == 0; }));
}

TEST(Thread, TerminateNeverWritesToASelfFreedThread) {
    Application().Initialize();
    for (int i = 0; i < 3000; ++i) {
        auto* thread = new Quarantined(i % 2 == 0);
        thread->Start();
        if (i % 3 == 0) ::Sleep(0);  // sometimes the body waits already, sometimes not yet
        thread->Terminate();
    }
    ASSERT_TRUE(WaitFor([] { return TThread::LiveCount() == 0; }, 20000));
    EXPECT_EQ(Quarantined::Corrupted(), 0);
}

TEST(Thread, AThreadStartedPausedRunsNoPassUntilResumed) {
    Counter thread(true, 1);
    thread.Start();
    EXPECT_TRUE(thread.Paused());
    ::Sleep(80);
    EXPECT_EQ(thread.started.load(), 0);
    thread.Resume();
    EXPECT_TRUE(WaitFor([&] { return thread.started.load() > 0; }));
}

TEST(Thread, APauseWaitsForThePassInHandToEnd) {
    Counter thread(false, 60);
    thread.Start();
    ASSERT_TRUE(WaitFor([&] { return thread.started.load() >= 1; }));
    thread.Pause();
    // The pass in hand completes...
    ASSERT_TRUE(WaitFor([&] { return thread.finished.load() == thread.started.load(); }));
    const int passes = thread.started.load();
    ::Sleep(150);
    EXPECT_EQ(thread.started.load(), passes);  // ...and no new one begins
    thread.Resume();
    EXPECT_TRUE(WaitFor([&] { return thread.started.load() > passes; }));
}

TEST(Thread, TerminateWakesAPausedThreadAndTheOwnerWaitsForItsEnd) {
    auto* thread = new Counter(true, 1);
    thread->Start();
    EXPECT_EQ(TThread::LiveCount(), 1);
    thread->Terminate();
    EXPECT_TRUE(WaitFor([] { return TThread::LiveCount() == 0; }));
    EXPECT_EQ(thread->started.load(), 0);
    delete thread;

    // Deleting a running thread that is not free-on-terminate stops it and waits.
    auto* running = new Counter(false, 5);
    running->Start();
    ASSERT_TRUE(WaitFor([&] { return running->started.load() > 0; }));
    delete running;
    EXPECT_EQ(TThread::LiveCount(), 0);
}

TEST(Thread, AnExceptionInTheBodyReachesTheApplicationsReport) {
    Application().Initialize();
    Reports reports;
    Application().OnException = Event<TComponent*, const std::string&>::Of<&Reports::On>(&reports);
    (new Failing)->Start();
    EXPECT_TRUE(WaitFor([&] { return !reports.texts.empty(); }));
    EXPECT_EQ(reports.texts, std::vector<std::string>{"Thread failed"});
    EXPECT_TRUE(WaitFor([] { return TThread::LiveCount() == 0; }));
    Application().OnException.Clear();
}
