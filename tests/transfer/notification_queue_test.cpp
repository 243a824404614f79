#include "transfer/notification_queue.h"

#include <gtest/gtest.h>

#include <thread>

#include "transfer/notifications.h"

namespace {

std::vector<Notification> TakeAll(NotificationQueue& queue)
{
    std::vector<Notification> out;
    queue.WaitAndTake(out, std::chrono::milliseconds(0));
    return out;
}

TEST(NotificationQueue, KeepsTheLatestProgressPerRowAndEverythingElseInOrder)
{
    NotificationQueue queue;
    // Progress of the next item of row 3 must not jump ahead of its update.
    const Notification pushed[] = {{UM_PROGRESS, 3, 10},  {UM_PROGRESS, 5, 1},  {UM_PROGRESS, 3, 20}, {UM_PROGRESS, 3, 30},
                                   {UM_ERRORCODE, 3, 22}, {UM_UPDATELLW, 3, 1}, {UM_PROGRESS, 3, 5},  {UM_PROGRESS, 3, 7},
                                   {UM_PROGRESS, 5, 2},   {UM_WORKERDONE, 1, 0}, {UM_PROGRESS, 5, 3}};
    for (const Notification& n : pushed)  // only the first push of a batch wakes the consumer
        EXPECT_EQ(queue.Push(n.message, n.wParam, n.lParam), &n == pushed);
    EXPECT_EQ(TakeAll(queue), (std::vector<Notification>{{UM_PROGRESS, 3, 30}, {UM_PROGRESS, 5, 2}, {UM_ERRORCODE, 3, 22},
                                                         {UM_UPDATELLW, 3, 1}, {UM_PROGRESS, 3, 7}, {UM_WORKERDONE, 1, 0},
                                                         {UM_PROGRESS, 5, 3}}));
    // A flood stays one entry per row; after a take, a row's entry starts anew at the back.
    for (int i = 0; i < 100000; ++i)
        queue.Push(UM_PROGRESS, i % 4, -i);
    EXPECT_EQ(queue.Pending(), 4u);
    const auto flood = TakeAll(queue);
    ASSERT_EQ(flood.size(), 4u);
    EXPECT_EQ(flood[3], (Notification{UM_PROGRESS, 3, -99999}));
    EXPECT_TRUE(queue.Push(UM_PROGRESS, 0, 1));
    queue.Push(UM_PROGRESS, 0, 2);
    EXPECT_EQ(TakeAll(queue), (std::vector<Notification>{{UM_PROGRESS, 0, 2}}));
    std::vector<Notification> none;
    queue.Wake();
    EXPECT_FALSE(queue.WaitAndTake(none, std::chrono::hours(1)));  // would hang if the wake were lost
}

// Only values of the item in flight, never one from before its update.
TEST(NotificationQueue, ConsumerOnAnotherThreadSeesEveryOrdinaryNotificationInOrder)
{
    NotificationQueue queue;
    constexpr int kItems = 20000;
    std::thread producer([&] {
        for (int i = 1; i <= kItems; ++i) {
            queue.Push(UM_PROGRESS, 0, i % 100);
            queue.Push(UM_PROGRESS, 0, 100);
            queue.Push(UM_UPDATELLW, 0, i);
        }
        queue.Push(UM_WORKERDONE, 1, 0);
    });
    int lastUpdate = 0;
    for (bool done = false; !done;) {
        std::vector<Notification> batch;
        queue.WaitAndTake(batch, std::chrono::milliseconds(50));
        for (const Notification& n : batch) {
            done = done || n.message == UM_WORKERDONE;
            lastUpdate += n.message == UM_UPDATELLW;
            ASSERT_TRUE(n.message != UM_UPDATELLW || n.lParam == lastUpdate) << n.lParam << " after " << lastUpdate - 1;
            ASSERT_TRUE(n.message != UM_PROGRESS || n.lParam == (lastUpdate + 1) % 100 || n.lParam == 100)
                << n.lParam << " during " << lastUpdate + 1;
        }
    }
    producer.join();
    EXPECT_EQ(lastUpdate, kItems);
}

}  // namespace
