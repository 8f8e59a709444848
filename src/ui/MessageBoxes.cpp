#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <vector>

#include "ui/Headless.h"

namespace quilbex {

namespace {

MessagePresenter& CurrentPresenter() {
    static MessagePresenter presenter;
    return presenter;
}

ChoicePresenter& CurrentChoicePresenter() {
    static ChoicePresenter presenter;
    return presenter;
}

int PresentChoice(const MessageRequest& request, const QStringList& choices, int unattended) {
    if (RunningHeadless()) {
        PresentMessage(request);
        return unattended;
    }
    QMessageBox box(QMessageBox::Warning, request.title, request.text, QMessageBox::NoButton,
                    request.owner);
    std::vector<QPushButton*> buttons;
    for (const QString& choice : choices)
        buttons.push_back(box.addButton(choice, QMessageBox::AcceptRole));
    box.setDefaultButton(buttons.front());
    box.setEscapeButton(buttons.back());
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    }
    return static_cast<int>(choices.size()) - 1;
}

}  // namespace

ChoicePresenter SetChoicePresenter(ChoicePresenter presenter) {
    ChoicePresenter old = std::move(CurrentChoicePresenter());
    CurrentChoicePresenter() = std::move(presenter);
    return old;
}

int AskChoice(const QString& text, const QStringList& choices, int unattended, QWidget* owner) {
    const MessageRequest request{owner, MessageIcon::None, QCoreApplication::applicationName(),
                                 text};
    if (const ChoicePresenter& presenter = CurrentChoicePresenter())
        return presenter(request, choices);
    return PresentChoice(request, choices, unattended);
}

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
    QMessageBox box(request.icon == MessageIcon::Error     ? QMessageBox::Critical
                    : request.icon == MessageIcon::Warning ? QMessageBox::Warning
                                                           : QMessageBox::NoIcon,
                    request.title, request.text, QMessageBox::Ok, request.owner);
    box.exec();
}

}  // namespace quilbex
