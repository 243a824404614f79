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
    const Notification pushed[] = {
        {UM_PROGRESS, 3, 10},  {UM_PROGRESS, 5, 1},   {UM_PROGRESS, 3, 20}, {UM_PROGRESS, 3, 30},
        {UM_ERRORCODE, 3, 22}, {UM_UPDATELLW, 3, 1},  {UM_PROGRESS, 3, 5},  {UM_PROGRESS, 3, 7},
        {UM_PROGRESS, 5, 2},   {UM_WORKERDONE, 1, 0}, {UM_PROGRESS, 5, 3},
    };
    for (const Notification& n : pushed)
        queue.Push(n.message, n.wParam, n.lParam);
    const std::vector<Notification> expected = {
        {UM_PROGRESS, 3, 30}, {UM_PROGRESS, 5, 2},   {UM_ERRORCODE, 3, 22}, {UM_UPDATELLW, 3, 1},
        {UM_PROGRESS, 3, 7},  {UM_WORKERDONE, 1, 0}, {UM_PROGRESS, 5, 3},
    };
    EXPECT_EQ(TakeAll(queue), expected);

    // A flood stays one entry per row; after a take, a row's entry starts anew at the back.
    for (int i = 0; i < 100000; ++i)
        queue.Push(UM_PROGRESS, i % 4, -i);
    EXPECT_EQ(queue.Pending(), 4u);
    const auto flood = TakeAll(queue);
    ASSERT_EQ(flood.size(), 4u);
    EXPECT_EQ(flood[3], (Notification{UM_PROGRESS, 3, -99999}));
    queue.Push(UM_PROGRESS, 0, 1);
    queue.Push(UM_PROGRESS, 0, 2);
    EXPECT_EQ(TakeAll(queue), (std::vector<Notification>{{UM_PROGRESS, 0, 2}}));

    std::vector<Notification> none;
    queue.Wake();
    EXPECT_FALSE(queue.WaitAndTake(none, std::chrono::hours(1)));  // would hang if the wake were lost
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
                // Only values of the item in flight, never one from before its update.
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
