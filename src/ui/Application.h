// The GUI application: its title, fonts and resources, and the one place where
// an error that escapes an event handler is caught and handed on.
#pragma once

#include <QApplication>
#include <exception>
#include <functional>

namespace quilbex {

class QuilbexApplication : public QApplication {
    Q_OBJECT

public:
    using ErrorHandler = std::function<void(const std::exception&)>;

    QuilbexApplication(int& argc, char** argv);

    // Receives every error that escapes the delivery of an event; the
    // interrupted handler is abandoned and the event loop goes on.
    void SetErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    ErrorHandler errorHandler_;
};

// Runs deliver; an error it throws goes to onError (or standard error when
// there is none) and counts as an event not handled.
bool DeliverCatching(const std::function<bool()>& deliver,
                     const std::function<void(const std::exception&)>& onError);

// Title, fonts, icon and the compiled-in resources; QuilbexApplication does
// this itself, tests with a plain QApplication call it once.
void PrepareApplication();

}  // namespace quilbex
