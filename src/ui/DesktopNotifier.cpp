#include "ui/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDesktopServices>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace quilbex {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 3000;
// How long a bubble stays: a document made stays as long as the desktop keeps
// its notifications; a failure (or a batch with one) until it is dismissed.
constexpr int kServerDecides = -1;
constexpr int kUntilDismissed = 0;
constexpr uchar kNormal = 1;
constexpr uchar kCritical = 2;
constexpr int kBusCheckMs = 5000;

// Asks the file manager to show the folder with item selected; false when no
// file manager on the bus answers.
bool ShowInFileManager(QDBusConnection& bus, const QString& item) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(item).toString()} << QString();
    return bus.call(call, QDBus::Block, kCallTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

void DesktopNotifier::Notify(const RunOutcome& outcome) {
    QDBusConnection& bus = bus_;
    if (!bus.isConnected()) return;
    NotificationText text = DescribeOutcome(outcome);
    const bool failed = outcome.status == ExitStatus::kFailed;
    const bool needsUser = failed || !batchFailures_.isEmpty() || text.warns;
    if (!tally_.isEmpty()) {
        QStringList lines = batchFailures_;
        // A failure of this run is among the batch's.
        if (!failed) lines << text.summary + QLatin1Char('\n') + text.body;
        text.body = lines.join(QLatin1Char('\n'));
        text.summary = tally_;
        if (!batchFailures_.isEmpty()) text.icon = QStringLiteral("dialog-error");
    }

    // "default" is a click on the notification itself; services list it
    // in their menus too, so 開く is offered once, through it.
    QStringList actions;
    if (!text.document.isEmpty()) actions << QStringLiteral("default") << QStringLiteral("開く");
    if (!text.folder.isEmpty())
        actions << QStringLiteral("folder") << QStringLiteral("フォルダーを開く");
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quilbex"));
    hints.insert(
        QStringLiteral("urgency"),
        QVariant::fromValue<uchar>(failed || !batchFailures_.isEmpty() ? kCritical : kNormal));

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Quilbex") << replaces_ << text.icon << text.summary
         << text.body.toHtmlEscaped() << actions << hints
         << (needsUser ? kUntilDismissed : kServerDecides);

    const bool offers = !actions.isEmpty();
    if (offers) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onNotificationClosed(uint, uint)));
        // A service that goes away will not answer any more.
        auto* watcher = new QDBusServiceWatcher(kService, bus,
                                                QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { onNotificationClosed(id_, 0); });
    }
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    id_ = reply.arguments().first().toUInt();
    waiting_ = offers;
    document_ = text.document;
    folder_ = text.folder;
    selected_ = text.selected;
}

void DesktopNotifier::JoinBatch(uint replaces, const QString& tally, const QStringList& failures) {
    replaces_ = replaces;
    tally_ = tally;
    batchFailures_ = failures;
}

void DesktopNotifier::AwaitAnswer(int limitMs, std::function<bool()> stillWanted) {
    if (!waiting_) return;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &DesktopNotifier::Answered, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    // A bus that went away (the session ended) will not answer any more, and
    // a bubble a later run of a batch took over is that run's to answer.
    QTimer bus;
    connect(&bus, &QTimer::timeout, &loop, [&] {
        if (!bus_.isConnected() || (answerCheck_ && !answerCheck_(id_))) {
            waiting_ = false;
            loop.quit();
        } else if (stillWanted && !stillWanted()) {
            loop.quit();
        }
    });
    bus.start(kBusCheckMs);
    loop.exec();
    // Given up on: its actions would reach nobody.
    if (waiting_) Close();
}

void DesktopNotifier::Close() {
    waiting_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << id_;
    bus_.call(call, QDBus::Block, kCallTimeoutMs);
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (id != id_ || !waiting_) return;
    waiting_ = false;
    if (answerCheck_ && !answerCheck_(id)) {
        emit Answered();
        return;
    }
    if (action == QLatin1String("folder") && !folder_.isEmpty()) {
        // The folder with the document chosen in it, where the file manager
        // can do that; the folder alone otherwise.
        if (selected_.isEmpty() || !ShowInFileManager(bus_, selected_))
            QDesktopServices::openUrl(QUrl::fromLocalFile(folder_));
    } else if (action == QLatin1String("default") && !document_.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(document_));
    }
    emit Answered();
}

void DesktopNotifier::onNotificationClosed(uint id, uint) {
    // Expired, dismissed, closed after an answer, or the service gone: its
    // actions can no longer be chosen, and nobody needs to wait for them.
    if (id != id_ || !waiting_) return;
    waiting_ = false;
    emit Answered();
}

}  // namespace quilbex
