// Every message box of the program goes through here, so that a run without
// a display can answer them on standard error and tests can answer them too.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace quilbex {

enum class MessageIcon { None, Warning, Error };

struct MessageRequest {
    QWidget* owner = nullptr;
    MessageIcon icon = MessageIcon::None;
    QString title;
    QString text;
};

// Shows the box and returns once it has been answered (there is only OK).
using MessagePresenter = std::function<void(const MessageRequest&)>;

// Replaces the presenter; an empty one restores the default. Returns the old one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// A modal box with an OK button, titled with the application name.
void ShowMessageBox(MessageIcon icon, const QString& text, QWidget* owner = nullptr);

// The default: a QMessageBox, or a line on standard error when headless.
void PresentMessage(const MessageRequest& request);

// A question with a button for each choice (the last one also answers
// Escape). Returns the index of the choice taken; without a display the
// question goes to standard error and `unattended` is taken.
using ChoicePresenter = std::function<int(const MessageRequest&, const QStringList& choices)>;
ChoicePresenter SetChoicePresenter(ChoicePresenter presenter);
int AskChoice(const QString& text, const QStringList& choices, int unattended, QWidget* owner);

}  // namespace quilbex
