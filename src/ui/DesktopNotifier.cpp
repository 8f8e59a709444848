#include "ui/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace quilbex {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 3000;
constexpr int kShownForMs = 10000;

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

void DesktopNotifier::Notify(const RunOutcome& outcome) {
    QDBusConnection& bus = bus_;
    if (!bus.isConnected()) return;
    const NotificationText text = DescribeOutcome(outcome);

    QStringList actions;
    if (text.offersOpen) {
        // "default" is a click on the notification itself.
        actions << QStringLiteral("default") << QStringLiteral("開く") << QStringLiteral("open")
                << QStringLiteral("開く") << QStringLiteral("folder")
                << QStringLiteral("フォルダーを開く");
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("quilbex"));
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(outcome.status == ExitStatus::kFailed ? 2 : 1));

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Quilbex") << uint(0) << QStringLiteral("quilbex") << text.summary
         << text.body.toHtmlEscaped() << actions << hints << int(kShownForMs);

    if (text.offersOpen) {
        bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                    SLOT(onActionInvoked(uint, QString)));
        bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                    SLOT(onNotificationClosed(uint, uint)));
    }
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
    id_ = reply.arguments().first().toUInt();
    waiting_ = text.offersOpen;
    document_ = QString::fromStdString(outcome.outPath);
}

void DesktopNotifier::AwaitAnswer(int limitMs) {
    if (!waiting_) return;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(this, &DesktopNotifier::Answered, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    loop.exec();
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action) {
    if (id != id_ || !waiting_) return;
    waiting_ = false;
    const QFileInfo document(document_);
    if (action == QLatin1String("folder")) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(document.absolutePath()));
    } else if (action == QLatin1String("default") || action == QLatin1String("open")) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(document.absoluteFilePath()));
    }
    emit Answered();
}

void DesktopNotifier::onNotificationClosed(uint id, uint) {
    if (id != id_ || !waiting_) return;
    waiting_ = false;
    emit Answered();
}

}  // namespace quilbex
