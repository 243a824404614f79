#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "app/session.h"

namespace {

using namespace std::chrono_literals;

struct SessionTest : ::testing::Test {
    SessionTest() { bKeepRunning = 1; }
    ~SessionTest() override
    {
        hMainWnd = nullptr;
        bKeepRunning = 1;
    }
};

// A worker that takes the record, asks for a box unless told to stop first,
// and ends with the result 7.
std::atomic<bool> gAskBox{true};
int32_t BoxWorker(MangaInfo* manga)
{
    ++manga->BusyCnt;
    if (gAskBox)
        ShowBoxOnMainWindow(u"Текст", u"Curl вернул ошибку!");
    while (!gAskBox && bKeepRunning.load() != 0)
        std::this_thread::sleep_for(1ms);
    PostToMainWindow(UM_WORKERDONE, 0, 7);
    --manga->BusyCnt;
    return 7;
}

// A box with no text still holds its worker until the face has shown it.
int32_t EmptyBoxWorker(MangaInfo*)
{
    ShowBoxOnMainWindow(u"", u"");
    return 3;
}

int32_t NeverStarts(MangaInfo*)
{
    return app::kWorkerNotStarted;
}

// One wake-up per batch; progress of a row coalesces; a box is shown by the
// face while its worker waits; the thread's end comes last with the result.
TEST_F(SessionTest, RunDeliversInOrderAndShowsTheWorkersBox)
{
    std::atomic<int> wakes{0};
    app::Session session([&wakes] { ++wakes; });
    session.Post(UM_PROGRESS, 1, 10);
    session.Post(UM_PROGRESS, 1, 20);
    session.Post(UM_UPDATELLW, 1, 1);
    EXPECT_EQ(wakes.load(), 1);
    std::vector<Notification> seen;
    session.Drain([&](const Notification& n) { seen.push_back(n); }, [](const app::BoxText&) {});
    EXPECT_EQ(seen, (std::vector<Notification>{{UM_PROGRESS, 1, 20}, {UM_UPDATELLW, 1, 1}}));

    app::MainWindowScope scope(session);
    gAskBox = true;
    seen.clear();
    std::vector<std::u16string> boxes;
    const int32_t result = session.Run(
        BoxWorker, [&](const Notification& n) { seen.push_back(n); },
        [&](const app::BoxText& box) { boxes.push_back(box.caption); }, [] {});
    EXPECT_EQ(result, 7);
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"Curl вернул ошибку!"});
    EXPECT_EQ(seen, (std::vector<Notification>{{UM_WORKERDONE, 0, 7}}));
    EXPECT_FALSE(session.ThreadsBusy());
    EXPECT_EQ(session.Run(EmptyBoxWorker, [](const Notification&) {},
                          [&](const app::BoxText& box) { boxes.push_back(box.caption); }, [] {}),
              3);
    EXPECT_EQ(boxes.size(), 2u);

    EXPECT_EQ(session.Run(NeverStarts, [](const Notification&) {}, [](const app::BoxText&) {}, [] {}),
              app::kWorkerNotStarted);
    app::Session noThreads({}, [](std::function<void()>) { return false; });
    EXPECT_FALSE(noThreads.Start(BoxWorker));
    EXPECT_FALSE(noThreads.ThreadsBusy());
}

// A worker that checked the run flag just before Cancel and then asks for its
// box must not hold up the face waiting for it, nor the other way round.
TEST_F(SessionTest, CancelStopsTheWorkerAndRefusesItsBox)
{
    app::Session session;
    app::MainWindowScope scope(session);
    gAskBox = false;
    ASSERT_TRUE(session.Start(BoxWorker));
    while (!session.WorkerRunning())
        std::this_thread::sleep_for(1ms);
    gAskBox = true;  // it now asks for a box once the flag is down
    int polls = 0;
    const auto pressed = std::chrono::steady_clock::now();
    session.Cancel([&polls] { ++polls; });
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, 1s);
    EXPECT_FALSE(session.ThreadsBusy());
    EXPECT_EQ(bKeepRunning.load(), 1);
    int shown = 0;
    session.Drain([](const Notification&) {}, [&shown](const app::BoxText&) { ++shown; });
    EXPECT_EQ(shown, 0);

    // Cancel right after the start stops the worker to be, too.
    gAskBox = false;
    ASSERT_TRUE(session.Start(BoxWorker));
    session.Cancel();
    EXPECT_FALSE(session.ThreadsBusy());
}

// Between a thread's start and the worker's first step the record is not
// yet busy, but the session is: load and save must wait for that too.
TEST_F(SessionTest, AThreadNotYetAtItsFirstStepKeepsTheSessionBusy)
{
    std::function<void()> held;
    app::Session session({}, [&held](std::function<void()> body) {
        held = std::move(body);
        return true;
    });
    ASSERT_TRUE(session.Start(NeverStarts));
    EXPECT_FALSE(session.WorkerRunning());
    EXPECT_TRUE(session.ThreadsBusy());
    std::thread late(std::move(held));
    late.join();
    EXPECT_FALSE(session.ThreadsBusy());
    std::vector<Notification> seen;
    session.Drain([&](const Notification& n) { seen.push_back(n); }, [](const app::BoxText&) {});
    EXPECT_EQ(seen, (std::vector<Notification>{{app::kWorkerThreadEnded, 0, app::kWorkerNotStarted}}));
}

}  // namespace
