// Every message box of the program goes through here, so that a run without
// a display can answer them on standard error and tests can answer them too.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quilbex {

enum class MessageIcon { None, Error };

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

}  // namespace quilbex
