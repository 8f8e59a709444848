// Notifications through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Without a bus or a
// service nothing is shown and nothing fails.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

#include "ui/Notifier.h"

namespace quilbex {

class DesktopNotifier : public QObject, public Notifier {
    Q_OBJECT

public:
    explicit DesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(),
                             QObject* parent = nullptr);

    void Notify(const RunOutcome& outcome) override;

    // The next notification replaces the bubble replaces (0: a new one) and
    // says tally above what it would say of its own run.
    void JoinBatch(uint replaces, const QString& tally);
    // Asked before acting on an answer: false when the bubble is no longer
    // this notifier's to answer (a later one took it over).
    void SetAnswerCheck(std::function<bool(uint)> check) { answerCheck_ = std::move(check); }

    // The notification offers to open the document or a folder: wait up to
    // limitMs for the user to choose, or for the service to drop the
    // notification, and act on the choice. A notification that expired or was
    // dismissed stays answerable from the service's history. Returns at once
    // when there is nothing to wait for.
    void AwaitAnswer(int limitMs);

    // The id the service gave the last notification (0: none was shown).
    uint Id() const { return id_; }

signals:
    void Answered();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    uint id_ = 0;
    uint replaces_ = 0;
    QString tally_;
    std::function<bool(uint)> answerCheck_;
    bool waiting_ = false;  // the notification offers actions and is still up
    QString document_;
    QString folder_;
    QString selected_;
};

}  // namespace quilbex
