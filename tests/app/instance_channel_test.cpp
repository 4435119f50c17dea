// Shell open: a file handed over by a second start reaches the running instance.
#include "app/instance_channel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QUuid>
#include <atomic>
#include <thread>

namespace quorvane {
namespace {

QString UniqueName() {
    return QStringLiteral("quorvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// Sends `path` from another thread, as a second process would, while this thread keeps serving.
bool SendWhileServing(const QString& name, const QString& path) {
    std::atomic<bool> done{false};
    bool sent = false;
    std::thread sender([&] {
        sent = CInstanceChannel::SendToRunningInstance(name, path, 3000);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    sender.join();
    return sent;
}

TEST(InstanceChannel, FileSentByASecondStartReachesTheListener) {
    const QString name = UniqueName();
    CInstanceChannel channel(name);
    ASSERT_TRUE(channel.Listen());
    QSignalSpy requests(&channel, &CInstanceChannel::openRequested);
    EXPECT_TRUE(SendWhileServing(name, QStringLiteral("/models/ä teapot.off")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests.count() == 1; }, 2000));
    ASSERT_EQ(requests.count(), 1);
    EXPECT_EQ(requests.at(0).at(0).toString(), QStringLiteral("/models/ä teapot.off"));
}

TEST(InstanceChannel, BlanksAtEitherEndOfThePathArriveUnchanged) {
    const QString name = UniqueName();
    CInstanceChannel channel(name);
    ASSERT_TRUE(channel.Listen());
    QSignalSpy requests(&channel, &CInstanceChannel::openRequested);
    const QStringList paths{QStringLiteral("/models/  lead.off"), QStringLiteral("/models/trail.off  "),
                            QStringLiteral("/models/\ttab\t.off\t"), QStringLiteral("/models/cr.off\r")};
    for (const QString& path : paths) {
        EXPECT_TRUE(SendWhileServing(name, path));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return requests.count() == paths.size(); }, 3000));
    for (int i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(requests.at(i).at(0).toString(), paths[i]);
    }
}

TEST(InstanceChannel, APathHoldingALineEndIsNotHandedOver) {
    const QString name = UniqueName();
    CInstanceChannel channel(name);
    ASSERT_TRUE(channel.Listen());
    QSignalSpy requests(&channel, &CInstanceChannel::openRequested);
    // It would arrive as two requests; the second start opens it itself instead.
    EXPECT_FALSE(SendWhileServing(name, QStringLiteral("/models/a.off\n/etc/passwd")));
    QTest::qWait(100);
    EXPECT_EQ(requests.count(), 0);
}

TEST(InstanceChannel, NothingListeningMeansStartNormally) {
    EXPECT_FALSE(CInstanceChannel::SendToRunningInstance(UniqueName(), QStringLiteral("/a.off"), 300));
}

TEST(InstanceChannel, ASecondListenerOnTheSameNameIsRefused) {
    const QString name = UniqueName();
    CInstanceChannel first(name);
    ASSERT_TRUE(first.Listen());
    // A live listener is never replaced: the second one stays off.
    CInstanceChannel second(name);
    const bool listened = second.Listen();
    EXPECT_FALSE(listened);
    EXPECT_TRUE(first.IsListening());
}

TEST(InstanceChannel, DefaultNameIsPerUser) {
    EXPECT_TRUE(DefaultInstanceChannelName().startsWith(QStringLiteral("quorvane-")));
    EXPECT_GT(DefaultInstanceChannelName().size(), QStringLiteral("quorvane-").size());
}

}  // namespace
}  // namespace quorvane
