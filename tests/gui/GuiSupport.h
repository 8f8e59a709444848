// Helpers of the window tests: a scripted engine, a recorder that answers
// message boxes, a temporary program folder and small widget utilities.
#pragma once

#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "docuworks/DocuWorksApi.h"
#include "ui/MessageBoxes.h"

namespace quilbex::test {

// An engine whose answers the test sets; it counts the calls the windows care about.
class FakeEngine : public docuworks::Api {
public:
    std::string defaultFolder = "/srv/xdw";
    int imagePdfResult = XDW_E_CANNOT_READ;
    int beginResult = 0;
    int statusPhase = XDW_PHASE_PRINTING;
    // Thrown from the information query when set: an error out of an event.
    std::function<void()> throwOnInformation;
    // Runs inside the direct PDF conversion.
    std::function<void()> onDirectConversion;
    // The document the OCR pass opens: the open's result and its pages.
    int openResult = XDW_E_FAIL;
    int pages = 0;
    // Runs inside the OCR of each page (on the worker, like the engine).
    std::function<void(int page)> onOcr;
    std::vector<int> ocrPages;  // the pages OCR was asked for, in order
    int saveCalls = 0;
    int closeCalls = 0;

    int informationCalls = 0;
    int beginCalls = 0;
    int cancelCalls = 0;
    int finalizeCalls = 0;

    int GetInformation(int index, char* value, int size) override;
    int CreateXdwFromImagePdfFile(const std::string&, const std::string&) override;
    int CreateXdwFromImageFile(const std::string&, const std::string&,
                               const XDW_CREATE_OPTION&) override;
    int BeginCreationFromAppFile(const std::string&, const std::string&, int,
                                 XDW_CREATE_HANDLE* handle) override;
    int GetStatusCreationFromAppFile(XDW_CREATE_HANDLE, XDW_CREATION_STATUS* status) override;
    int CancelCreationFromAppFile(XDW_CREATE_HANDLE) override;
    int EndCreationFromAppFile(XDW_CREATE_HANDLE) override;
    int OpenDocumentHandle(const std::string&, XDW_DOCUMENT_HANDLE*, const XDW_OPEN_MODE&) override;
    int GetDocumentInformation(XDW_DOCUMENT_HANDLE, XDW_DOCUMENT_INFO*) override;
    int RotatePageAuto(XDW_DOCUMENT_HANDLE, int) override;
    int ApplyOcr(XDW_DOCUMENT_HANDLE, int, int, const XDW_OCR_OPTION&) override;
    int SaveDocument(XDW_DOCUMENT_HANDLE) override;
    int CloseDocumentHandle(XDW_DOCUMENT_HANDLE) override;
    int Finalize() override;
    std::string LastErrorText() override { return {}; }
    std::string EngineVersion() override { return "1.0.2.0"; }
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
    QTemporaryDir dir_;
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
