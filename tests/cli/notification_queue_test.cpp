#include "cli/notification_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "transfer/notifications.h"

namespace {

std::vector<Notification> TakeAll(NotificationQueue& queue)
{
    std::vector<Notification> out;
    queue.WaitAndTake(out, std::chrono::milliseconds(0));
    return out;
}

TEST(NotificationQueue, KeepsOnlyTheLatestProgressPerRowAndEverythingElseInOrder)
{
    NotificationQueue queue;
    queue.Push(UM_PROGRESS, 3, 10);
    queue.Push(UM_PROGRESS, 5, 1);
    queue.Push(UM_PROGRESS, 3, 20);
    queue.Push(UM_PROGRESS, 3, 30);
    queue.Push(UM_ERRORCODE, 3, 22);
    queue.Push(UM_UPDATELLW, 3, 1);
    // Progress of the next item of row 3 must not jump ahead of its update.
    queue.Push(UM_PROGRESS, 3, 5);
    queue.Push(UM_PROGRESS, 3, 7);
    queue.Push(UM_PROGRESS, 5, 2);
    queue.Push(UM_WORKERDONE, 1, 0);
    queue.Push(UM_PROGRESS, 5, 3);

    const std::vector<Notification> expected = {
        {UM_PROGRESS, 3, 30}, {UM_PROGRESS, 5, 2},  {UM_ERRORCODE, 3, 22},  {UM_UPDATELLW, 3, 1},
        {UM_PROGRESS, 3, 7},  {UM_WORKERDONE, 1, 0}, {UM_PROGRESS, 5, 3},
    };
    EXPECT_EQ(TakeAll(queue), expected);
    EXPECT_EQ(queue.Pending(), 0u);
}

TEST(NotificationQueue, StaysBoundedUnderAFloodOfProgress)
{
    NotificationQueue queue;
    for (int i = 0; i < 100000; ++i)
        queue.Push(UM_PROGRESS, i % 4, -i);
    EXPECT_EQ(queue.Pending(), 4u);
    const auto taken = TakeAll(queue);
    ASSERT_EQ(taken.size(), 4u);
    EXPECT_EQ(taken[3].lParam, -99999);
    // After a take, a new progress entry starts again at the back.
    queue.Push(UM_PROGRESS, 0, 1);
    queue.Push(UM_PROGRESS, 0, 2);
    EXPECT_EQ(TakeAll(queue), (std::vector<Notification>{{UM_PROGRESS, 0, 2}}));
}

TEST(NotificationQueue, WaitReturnsWhenSomethingArrivesOrWhenWoken)
{
    NotificationQueue queue;
    std::vector<Notification> out;
    EXPECT_FALSE(queue.WaitAndTake(out, std::chrono::milliseconds(1)));
    queue.Wake();
    EXPECT_FALSE(queue.WaitAndTake(out, std::chrono::hours(1)));  // would hang if Wake were lost
    EXPECT_TRUE(out.empty());
}

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
    bool done = false;
    std::vector<Notification> batch;
    while (!done) {
        batch.clear();
        queue.WaitAndTake(batch, std::chrono::milliseconds(50));
        for (const Notification& n : batch) {
            if (n.message == UM_UPDATELLW) {
                ASSERT_EQ(n.lParam, lastUpdate + 1);
                lastUpdate = n.lParam;
            } else if (n.message == UM_PROGRESS) {
                // Only values of the item in flight: never one from before its update.
                const int item = lastUpdate + 1;
                ASSERT_TRUE(n.lParam == item % 100 || n.lParam == 100) << n.lParam << " during item " << item;
            } else if (n.message == UM_WORKERDONE) {
                done = true;
            }
        }
    }
    producer.join();
    EXPECT_EQ(lastUpdate, kItems);
}

}  // namespace
