// The desktop notifier against a stand-in notification service on a private
// session bus: what it sends, and how it acts on the user's answer.
#include <gtest/gtest.h>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <mutex>

#include "GuiSupport.h"
#include "ui/DesktopNotifier.h"

namespace quilbex::test {

// Answers Notify like a notification server and can send its signals.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Shown {
        QString app, icon, summary, body;
        uint replaces;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };
    std::vector<Shown> Calls() {
        std::lock_guard lock(mutex_);
        return shown_;
    }

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        std::lock_guard lock(mutex_);
        shown_.push_back({app, icon, summary, body, replaces, actions, hints, timeout});
        return uint(shown_.size()) + 40;
    }
    void CloseNotification(uint id) {
        std::lock_guard lock(mutex_);
        closed_.push_back(id);
    }
    std::vector<uint> Closed() {
        std::lock_guard lock(mutex_);
        return closed_;
    }

signals:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    std::mutex mutex_;
    std::vector<Shown> shown_;
    std::vector<uint> closed_;
};

// A file manager that notes the items it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList Shown() {
        std::lock_guard lock(mutex_);
        return shown_;
    }
public slots:
    void ShowItems(const QStringList& uris, const QString&) {
        std::lock_guard lock(mutex_);
        shown_ << uris;
    }

private:
    std::mutex mutex_;
    QStringList shown_;
};

// Takes the URLs the notifier asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

namespace {

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
        bus.start(daemon, {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(bus.waitForStarted());
        ASSERT_TRUE(WaitFor([&] { return bus.canReadLine(); }));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("notifier-client")));
        ASSERT_TRUE(client->isConnected());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    }
    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        if (serviceThread.isRunning()) {
            QMetaObject::invokeMethod(
                service, [this] { delete service; }, Qt::BlockingQueuedConnection);
            serviceThread.quit();
            serviceThread.wait();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("notifier-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("notifier-service"));
        if (bus.state() != QProcess::NotRunning) {
            bus.terminate();
            bus.waitForFinished();
        }
    }
    // The service runs on a thread of its own: the notifier waits for its answer.
    void StartService(bool withFileManager = false) {
        QDBusConnection connection =
            QDBusConnection::connectToBus(address, QStringLiteral("notifier-service"));
        service = new FakeNotificationService;
        if (withFileManager) fileManager = new FakeFileManager;
        if (fileManager) fileManager->setParent(service);
        service->moveToThread(&serviceThread);
        serviceThread.start();
        // Registered on its own thread, where its signals are sent from.
        bool registered = false;
        QMetaObject::invokeMethod(
            service,
            [&] {
                registered = connection.registerObject(
                    QStringLiteral("/org/freedesktop/Notifications"), service,
                    QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
                if (fileManager)
                    registered =
                        registered &&
                        connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                                  fileManager, QDBusConnection::ExportAllSlots) &&
                        connection.registerService(QStringLiteral("org.freedesktop.FileManager1"));
            },
            Qt::BlockingQueuedConnection);
        ASSERT_TRUE(registered);
        ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }
    static RunOutcome Converted() {
        RunOutcome outcome;
        outcome.status = ExitStatus::kDone;
        outcome.source = "/home/user/scan/scan.pdf";
        outcome.outPath = "/home/user/文書/scan.xdw";
        return outcome;
    }

    QProcess bus;
    QString address;
    std::unique_ptr<QDBusConnection> client;
    QThread serviceThread;
    FakeNotificationService* service = nullptr;
    FakeFileManager* fileManager = nullptr;  // owned by service
    UrlCatcher catcher;
};

TEST_F(DesktopNotifierTest, AConvertedDocumentIsNamedAndItsFolderOpensOnRequest) {
    StartService();
    DesktopNotifier notifier(*client);
    notifier.Notify(Converted());
    const auto calls = service->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].app, "Quilbex");
    EXPECT_EQ(calls[0].summary, "変換しました: scan.pdf");
    EXPECT_EQ(calls[0].body, "scan.xdw\n/home/user/文書");
    EXPECT_EQ(calls[0].icon, "quilbex");
    EXPECT_EQ(calls[0].actions, QStringList({"default", "開く", "folder", "フォルダーを開く"}))
        << "each action once";
    EXPECT_EQ(notifier.Id(), 41u);

    const uint id = notifier.Id();
    QMetaObject::invokeMethod(service,
                              [this, id] { emit service->ActionInvoked(id + 1, "default"); });
    QMetaObject::invokeMethod(service, [this, id] { emit service->ActionInvoked(id, "folder"); });
    QElapsedTimer clock;
    clock.start();
    notifier.AwaitAnswer(5000);
    EXPECT_LT(clock.elapsed(), 4000) << "the answer ends the wait";
    ASSERT_EQ(catcher.opened.size(), 1u) << "another notification's answer is not ours";
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile("/home/user/文書"));
}

// The bubble timed out, was dismissed or the service went away: the helper
// waits no more, whichever way; one it gave up on is taken down.
TEST_F(DesktopNotifierTest, AClosedNotificationEndsTheWaitWhicheverWay) {
    StartService(true);
    for (const uint reason : {1u, 2u, 3u, 4u}) {
        DesktopNotifier notifier(*client);
        notifier.Notify(Converted());
        const uint id = notifier.Id();
        QMetaObject::invokeMethod(
            service, [this, id, reason] { emit service->NotificationClosed(id, reason); });
        QElapsedTimer clock;
        clock.start();
        notifier.AwaitAnswer(20000);
        EXPECT_LT(clock.elapsed(), 4000) << "closed with reason " << reason;
    }
    EXPECT_EQ(service->Calls().front().timeout, -1) << "the desktop decides how long it stays";
    EXPECT_TRUE(service->Closed().empty());
    DesktopNotifier unwanted(*client);
    unwanted.Notify(Converted());
    unwanted.AwaitAnswer(20000, [] { return false; });  // the program was removed
    EXPECT_EQ(service->Closed(), std::vector<uint>{unwanted.Id()});
    EXPECT_TRUE(catcher.opened.empty());
    EXPECT_TRUE(fileManager->Shown().isEmpty());
}

TEST_F(DesktopNotifierTest, ARunOfABatchReplacesTheBubbleAndAnswersOnlyWhileItOwnsIt) {
    StartService();
    DesktopNotifier notifier(*client);
    notifier.JoinBatch(7, "2件の文書を作成しました");
    bool owned = false;
    notifier.SetAnswerCheck([&](uint) { return owned; });
    notifier.Notify(Converted());
    DesktopNotifier failed(*client);
    failed.JoinBatch(7, "2件の文書を作成しました、1件は変換できませんでした",
                     {"変換できませんでした: a.doc — 理由"});
    failed.Notify(Converted());
    const auto calls = service->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].replaces, 7u);
    EXPECT_EQ(calls[0].summary, "2件の文書を作成しました");
    EXPECT_EQ(calls[0].body, "変換しました: scan.pdf\nscan.xdw\n/home/user/文書");
    EXPECT_EQ(
        calls[1].body,
        "変換できませんでした: a.doc — 理由\n変換しました: scan.pdf\nscan.xdw\n/home/user/文書");
    EXPECT_EQ(calls[1].icon, "dialog-error");
    EXPECT_EQ(calls[1].timeout, 0) << "a batch with a failure stays until dismissed";
    const uint id = notifier.Id();
    QMetaObject::invokeMethod(service, [this, id] { emit service->ActionInvoked(id, "default"); });
    notifier.AwaitAnswer(5000);
    EXPECT_TRUE(catcher.opened.empty()) << "a later run's helper answers the bubble it took over";
}

TEST_F(DesktopNotifierTest, AFailureCarriesItsReasonAndOffersNothingToOpen) {
    StartService();
    DesktopNotifier notifier(*client);
    RunOutcome failed;
    failed.status = ExitStatus::kFailed;
    failed.source = "/data/memo.doc";  // and no document
    failed.reason = "指定されたファイルが見つかりません。";
    notifier.Notify(failed);
    const auto calls = service->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].summary, "変換できませんでした: memo.doc");
    EXPECT_EQ(calls[0].body, "指定されたファイルが見つかりません。");
    EXPECT_EQ(calls[0].icon, "dialog-error");
    EXPECT_EQ(calls[0].timeout, 0);
    EXPECT_EQ(calls[0].hints.value("urgency").toInt(), 2);
    EXPECT_TRUE(calls[0].actions.isEmpty());
    QElapsedTimer clock;
    clock.start();
    notifier.AwaitAnswer(5000);
    EXPECT_LT(clock.elapsed(), 500) << "nothing to wait for";
}

TEST_F(DesktopNotifierTest, WithoutAServiceOrABusNothingBreaks) {
    DesktopNotifier notifier(*client);  // a bus, but no notification service on it
    notifier.Notify(Converted());
    EXPECT_EQ(notifier.Id(), 0u);
    DesktopNotifier unconnected(QDBusConnection(QStringLiteral("no such bus")));
    unconnected.Notify(Converted());
    QElapsedTimer clock;
    clock.start();
    notifier.AwaitAnswer(5000);
    unconnected.AwaitAnswer(5000);
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_TRUE(catcher.opened.empty());
}

}  // namespace
}  // namespace quilbex::test

#include "test_desktop_notifier.moc"
