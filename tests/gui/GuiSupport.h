// Helpers of the window tests: the scripted engine's defaults, a recorder that
// answers message boxes, a temporary program folder and small widget utilities.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "FakeEngine.h"
#include "TempDir.h"
#include "ui/MessageBoxes.h"

namespace quilbex::test {

// The scripted engine as the window tests start it: a documents folder of its
// own, direct conversions that refuse the file, a document that cannot be
// opened and application printing that stays in its printing phase.
class FakeEngine : public testing::FakeEngine {
public:
    FakeEngine() {
        defaultFolder = "/srv/xdw";
        imagePdfResult = XDW_E_CANNOT_READ;
        openResult = XDW_E_FAIL;
        pages = 0;
        statusPhase = XDW_PHASE_PRINTING;
    }
};

// Answers every message box with OK and keeps what it showed.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<MessageRequest>& Shown() const { return shown_; }
    // Runs while the box would be on screen (for example to look at a dialog behind it).
    std::function<void(const MessageRequest&)> onShow;

private:
    std::vector<MessageRequest> shown_;
    MessagePresenter previous_;
};

// A fresh program folder: Quilbex.ini and Quilbex.log go here.
class ProgramDir {
public:
    ProgramDir();
    std::string Path() const;     // ends with '/'
    std::string IniPath() const;  // Path() + "Quilbex.ini"
    // Writes Quilbex.ini as given (UTF-8 text is stored in code page 932).
    void WriteIni(const std::string& utf8Text) const;
    // Quilbex.ini's lines, as UTF-8, without line ends.
    std::vector<std::string> IniLines() const;

private:
    testing::TempDir dir_;
};

// Shows the window and waits until it is active, so that focus works.
void ShowActive(QWidget* window);

// The widget that has the keyboard focus, by object name ("" when none).
QString FocusName();

// The colour the widget paints at a point of its own background.
QColor BackgroundPixel(QWidget* widget, QPoint at = QPoint(2, 2));

// The share (0 to 1) of the widget's painted pixels that have exactly this colour.
double ShareOfColour(QWidget* widget, const QColor& colour);

// The share of the widget's painted pixels within tolerance (the sum of the three
// channel differences) of colour.
double ShareNear(QWidget* widget, const QColor& colour, int tolerance);

// Lets events through until done() holds or timeoutMs have passed; returns done().
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// A gate a worker stops at until the test opens it.
class Gate {
public:
    // On the worker: blocks until Open. Notes that it has been reached.
    void Pass();
    // On the test's thread: lets events through until the worker waits here.
    bool Reached(int timeoutMs = 5000);
    void Open();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool open_ = false;
};

template <typename T>
T* Find(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child) throw std::runtime_error(std::string("no child named ") + name);
    return child;
}

}  // namespace quilbex::test
