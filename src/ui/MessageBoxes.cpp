#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>

#include "ui/Headless.h"

namespace quilbex {

namespace {

MessagePresenter& CurrentPresenter() {
    static MessagePresenter presenter;
    return presenter;
}

}  // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter old = std::move(CurrentPresenter());
    CurrentPresenter() = std::move(presenter);
    return old;
}

void ShowMessageBox(MessageIcon icon, const QString& text, QWidget* owner) {
    MessageRequest request{owner, icon, QCoreApplication::applicationName(), text};
    if (const MessagePresenter& presenter = CurrentPresenter()) {
        presenter(request);
    } else {
        PresentMessage(request);
    }
}

void PresentMessage(const MessageRequest& request) {
    if (RunningHeadless()) {
        // No one can press OK: the text goes to standard error and counts as answered.
        const QByteArray line = (request.title + QStringLiteral(": ") + request.text).toUtf8();
        std::fprintf(stderr, "%s\n", line.constData());
        std::fflush(stderr);
        return;
    }
    QMessageBox box(
        request.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
        request.title, request.text, QMessageBox::Ok, request.owner);
    box.exec();
}

}  // namespace quilbex
