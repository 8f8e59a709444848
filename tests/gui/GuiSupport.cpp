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

MessageRecorder::MessageRecorder() {
    previous_ = SetMessagePresenter([this](const MessageRequest& request) {
        shown_.push_back(request);
        if (onShow) onShow(request);
    });
}

MessageRecorder::~MessageRecorder() { SetMessagePresenter(std::move(previous_)); }

ProgramDir::ProgramDir() = default;

std::string ProgramDir::Path() const { return dir_.Path(); }

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
