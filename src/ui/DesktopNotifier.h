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

    // The next notification replaces the bubble replaces (0: a new one), says
    // tally above what it would say of its own run and lists the batch's
    // failures (one line each, with its reason) before it.
    void JoinBatch(uint replaces, const QString& tally, const QStringList& failures = {});
    // Asked before acting on an answer: false when the bubble is no longer
    // this notifier's to answer (a later one took it over).
    void SetAnswerCheck(std::function<bool(uint)> check) { answerCheck_ = std::move(check); }

    // The notification offers to open the document or a folder: wait up to
    // limitMs for the user to choose and act on the choice. The wait ends as
    // soon as the notification is closed, whichever way (it expired, the user
    // dismissed it, the service went away), or when stillWanted says no
    // more; a notification the wait gave up on is taken down. Returns at once
    // when there is nothing to wait for.
    void AwaitAnswer(int limitMs, std::function<bool()> stillWanted = {});

    // The id the service gave the last notification (0: none was shown).
    uint Id() const { return id_; }

signals:
    void Answered();

private:
    void Close();

private slots:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    QDBusConnection bus_;
    uint id_ = 0;
    uint replaces_ = 0;
    QString tally_;
    QStringList batchFailures_;
    std::function<bool(uint)> answerCheck_;
    bool waiting_ = false;  // the notification offers actions and is still up
    QString document_;
    QString folder_;
    QString selected_;
};

}  // namespace quilbex
