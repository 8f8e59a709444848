#include "GuiSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "common/Cp932.h"

namespace quilbex::test {

int FakeEngine::GetInformation(int, char* value, int size) {
    ++informationCalls;
    if (throwOnInformation) throwOnInformation();
    std::strncpy(value, defaultFolder.c_str(), static_cast<std::size_t>(size));
    if (size > 0) value[size - 1] = '\0';
    return static_cast<int>(defaultFolder.size());
}
int FakeEngine::CreateXdwFromImagePdfFile(const std::string&, const std::string&) {
    if (onDirectConversion) onDirectConversion();
    return imagePdfResult;
}
int FakeEngine::CreateXdwFromImageFile(const std::string&, const std::string&,
                                       const XDW_CREATE_OPTION&) {
    return imagePdfResult;
}
int FakeEngine::BeginCreationFromAppFile(const std::string&, const std::string&, int,
                                         XDW_CREATE_HANDLE* handle) {
    ++beginCalls;
    static int token;
    *handle = reinterpret_cast<XDW_CREATE_HANDLE>(&token);
    return beginResult;
}
int FakeEngine::GetStatusCreationFromAppFile(XDW_CREATE_HANDLE, XDW_CREATION_STATUS* status) {
    status->phase = statusPhase;
    return 0;
}
int FakeEngine::CancelCreationFromAppFile(XDW_CREATE_HANDLE) {
    ++cancelCalls;
    return 0;
}
int FakeEngine::EndCreationFromAppFile(XDW_CREATE_HANDLE) { return 0; }
int FakeEngine::OpenDocumentHandle(const std::string&, XDW_DOCUMENT_HANDLE* handle,
                                   const XDW_OPEN_MODE&) {
    static int token;
    if (openResult >= 0) *handle = reinterpret_cast<XDW_DOCUMENT_HANDLE>(&token);
    return openResult;
}
int FakeEngine::GetDocumentInformation(XDW_DOCUMENT_HANDLE, XDW_DOCUMENT_INFO* info) {
    info->pages = pages;
    return 0;
}
int FakeEngine::RotatePageAuto(XDW_DOCUMENT_HANDLE, int) { return 0; }
int FakeEngine::ApplyOcr(XDW_DOCUMENT_HANDLE, int page, int, const XDW_OCR_OPTION&) {
    ocrPages.push_back(page);
    if (onOcr) onOcr(page);
    return 0;
}
int FakeEngine::SaveDocument(XDW_DOCUMENT_HANDLE) {
    ++saveCalls;
    return 0;
}
int FakeEngine::CloseDocumentHandle(XDW_DOCUMENT_HANDLE) {
    ++closeCalls;
    return 0;
}
int FakeEngine::Finalize() {
    ++finalizeCalls;
    return 0;
}

MessageRecorder::MessageRecorder() {
    previous_ = SetMessagePresenter([this](const MessageRequest& request) {
        shown_.push_back(request);
        if (onShow) onShow(request);
    });
}

MessageRecorder::~MessageRecorder() { SetMessagePresenter(std::move(previous_)); }

ProgramDir::ProgramDir() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
}

std::string ProgramDir::Path() const { return dir_.path().toStdString() + "/"; }

std::string ProgramDir::IniPath() const { return Path() + "Quilbex.ini"; }

void ProgramDir::WriteIni(const std::string& utf8Text) const {
    QFile file(QString::fromStdString(IniPath()));
    if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write ini");
    const std::string bytes = ToCp932(utf8Text).value();
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::vector<std::string> ProgramDir::IniLines() const {
    QFile file(QString::fromStdString(IniPath()));
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray raw = file.readAll();
    const std::string text = FromCp932(std::string(raw.constData(), raw.size()));
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) throw std::runtime_error("window not active");
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(5);
    }
    return true;
}

void Gate::Pass() {
    std::unique_lock lock(mutex_);
    reached_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
}

bool Gate::Reached(int timeoutMs) {
    return WaitFor(
        [this] {
            std::lock_guard lock(mutex_);
            return reached_;
        },
        timeoutMs);
}

void Gate::Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
}

QString FocusName() {
    QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

QColor BackgroundPixel(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at);
}

namespace {

template <typename Test>
double Share(QWidget* widget, Test&& test) {
    const QImage image = widget->grab().toImage();
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(image.pixelColor(x, y))) ++hits;
        }
    }
    const qint64 all = qint64(image.width()) * image.height();
    return all == 0 ? 0.0 : double(hits) / double(all);
}

int Distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
           std::abs(a.blue() - b.blue());
}

}  // namespace

double ShareOfColour(QWidget* widget, const QColor& colour) {
    return Share(widget, [&](const QColor& c) { return c.rgb() == colour.rgb(); });
}

double ShareNear(QWidget* widget, const QColor& colour, int tolerance) {
    return Share(widget, [&](const QColor& c) { return Distance(c, colour) <= tolerance; });
}

}  // namespace quilbex::test
