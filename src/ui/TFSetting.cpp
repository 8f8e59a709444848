#include "ui/TFSetting.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStringList>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

#include "common/Cp932.h"
#include "common/Cp932Path.h"
#include "run/OutputTarget.h"
#include "run/Settings.h"
#include "ui/DesignFont.h"
#include "ui/MessageBoxes.h"
#include "ui/OutputFolderCheck.h"
#include "ui/Placement.h"
#include "ui/TFVersion.h"
#include "ui_TFSetting.h"

namespace quilbex {

namespace {

// Blanks at both ends go, as the reader of the lists expects.
std::string TrimBlanks(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

// One item per line, each line ended, so that an empty last item survives.
void ShowList(QPlainTextEdit* memo, const std::string& stored) {
    QString text;
    for (const std::string& item : CommaList(TrimBlanks(stored))) {
        text += QString::fromStdString(item) + QLatin1Char('\n');
    }
    memo->setPlainText(text);
}

std::string ListText(const QPlainTextEdit* memo) {
    return TrimBlanks(CommaList(MemoLines(memo->toPlainText())));
}

// The name of the field that holds a key's value, as the dialog labels it.
std::string FieldName(const std::string& key) {
    if (key == "SaveDir") return "出力先";
    if (key == "FileName") return "ﾌｧｲﾙ名";
    if (key == "Language") return "言語";
    if (key == "NoShowSettingExt") return "表示しない拡張子";
    if (key == "NoDelExt") return "削除しない拡張子";
    return key;
}

std::string UnstorableMessage(const std::string& key, const std::string& character) {
    return "「" + FieldName(key) + "」の文字「" + character +
           "」は設定ファイルに保存できません。何も保存していません";
}

}  // namespace

std::vector<std::string> MemoLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    std::vector<std::string> result;
    result.reserve(lines.size());
    for (const QString& line : lines) result.push_back(line.toStdString());
    return result;
}

TFSetting::TFSetting(docuworks::Api& engine, std::string iniPath, ErrorHandler onError,
                     QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TFSetting>()),
      engine_(engine),
      iniPath_(std::move(iniPath)),
      onError_(std::move(onError)),
      chooseFolder_(SystemFolderChooser()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    ApplyDesignFont(this, 12);
    for (QPlainTextEdit* memo : {ui_->EditNoShowSettingExt, ui_->EditNoDelExt}) {
        memo->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
    connect(ui_->ckOCR, &QCheckBox::toggled, this, &TFSetting::ckOCRClick);
    connect(ui_->btnSelDir, &QToolButton::clicked, this, &TFSetting::btnSelDirClick);
    connect(ui_->btnVer, &QToolButton::clicked, this, &TFSetting::btnVerClick);
    connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

TFSetting::~TFSetting() = default;

void TFSetting::FitInto(const QRect& room) {
    // What the window manager adds above and around the client area.
    const int frame = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 8;
    if (height() + frame <= room.height() || layout() != nullptr) return;
    auto* page = new QWidget;
    int bottom = 0;
    for (QWidget* group : {ui_->GroupBox3, ui_->GroupBox1, ui_->GroupBox2}) {
        const QRect place = group->geometry();
        group->setParent(page);
        group->setGeometry(place);
        group->show();
        bottom = std::max(bottom, place.bottom() + 1);
    }
    page->setFixedSize(width(), bottom + ui_->GroupBox3->y());
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("scrSettings"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QWidget* button : std::initializer_list<QWidget*>{ui_->BitBtn1, ui_->BitBtn2, ui_->btnVer})
        row->addWidget(button);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 8, 8);
    column->addWidget(scroll, 1);
    column->addLayout(row);
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setFixedSize(std::min(width() + scrollBar, room.width()), room.height() - frame);
}

void TFSetting::showEvent(QShowEvent* event) {
    if (!shown_) {
        shown_ = true;
        if (const QScreen* screen = this->screen()) FitInto(screen->availableGeometry());
        CentreOnScreen(this);
        FormShow();
    }
    QDialog::showEvent(event);
}

void TFSetting::keyPressEvent(QKeyEvent* event) {
    // There is no default button: Enter presses a button only when it has the
    // focus, and is ignored anywhere else.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFSetting::FormShow() {
    bindings_.Clear();
    bindings_.BindCheck(ui_->ckShowSetting, setting::kShowSetting);
    bindings_.BindCheck(ui_->ckDelFile, setting::kDelFile);
    bindings_.BindCheck(ui_->ckOCR, setting::kOcr);
    bindings_.BindCheck(ui_->ckAutoRotate, setting::kAutoRotate);
    bindings_.BindEdit(ui_->EditOutDir, setting::kSaveDir);
    bindings_.BindCombo(ui_->cbFileName, setting::kFileName);
    bindings_.BindCombo(ui_->cbLanguage, setting::kLanguage);
    LoadSettings();
}

void TFSetting::LoadSettings() {
    const SettingsFile file(iniPath_);
    bindings_.Load(file);
    ShowList(ui_->EditNoShowSettingExt, file.Read(setting::kNoShowSettingExt));
    ShowList(ui_->EditNoDelExt, file.Read(setting::kNoDelExt));
    ckOCRClick();
    // An empty output folder is the documents folder: the field says which.
    const QString documents = QString::fromStdString(DefaultOutputFolder(engine_));
    const QString emptyMeans =
        documents.isEmpty()
            ? QStringLiteral("空欄のときはドキュメントフォルダー")
            : QStringLiteral("空欄のときはドキュメントフォルダー（%1）").arg(documents);
    ui_->EditOutDir->setPlaceholderText(emptyMeans);
    ui_->EditOutDir->setToolTip(emptyMeans);
}

void TFSetting::SaveSettings() {
    std::vector<SettingValue> values = bindings_.Values();
    values.push_back({setting::kNoShowSettingExt.section, setting::kNoShowSettingExt.key,
                      ListText(ui_->EditNoShowSettingExt)});
    values.push_back(
        {setting::kNoDelExt.section, setting::kNoDelExt.key, ListText(ui_->EditNoDelExt)});
    // Every value is checked before anything is written, and then all are
    // written at once: the file is fully updated or left as it was.
    for (const SettingValue& value : values) {
        const std::string missing = FirstCharacterWithoutCp932(value.value);
        if (!missing.empty()) throw std::runtime_error(UnstorableMessage(value.key, missing));
    }
    SettingsFile(iniPath_).Write(values);
}

void TFSetting::done(int result) {
    if (result == QDialog::Accepted) {
        // A folder typed with a look-alike of an existing folder's character
        // (〜 for ～) is that folder: never made a second time beside it.
        const QString typed = ui_->EditOutDir->text();
        const QString onDisk = QString::fromStdString(MatchCp932Path(typed.toStdString()));
        if (onDisk != typed) ui_->EditOutDir->setText(onDisk);
        WarnOfLookAlikes(onDisk);
        // A folder that cannot take documents is named before it is saved.
        if (!ConfirmOutputFolder(onDisk, this)) {
            setResult(QDialog::Rejected);
            return;
        }
        try {
            SaveSettings();
        } catch (const std::exception& error) {
            // The closing is abandoned: the user may press OK again or Cancel.
            setResult(QDialog::Rejected);
            if (onError_) onError_(error);
            return;
        }
    }
    QDialog::done(result);
}

void TFSetting::WarnOfLookAlikes(const QString& folder) {
    // A folder beside it spelt with the other tilde is the same name in code
    // page 932: the setting can name only one of them.
    const std::vector<std::string> others = Cp932LookAlikesBeside(folder.toStdString());
    if (folder.isEmpty() || others.empty()) return;
    const QString other = QString::fromStdString(others.front());
    ShowMessageBox(MessageIcon::Warning,
                   QStringLiteral("出力先「%1」と同じ場所に、同じ名前に見えるフォルダー「%2」が"
                                  "あります。設定ファイルでは〜と～を区別できないため、文書は"
                                  "「%1」に保存されます。もう一方に保存したいときは、どちらかの"
                                  "フォルダーの名前を変えてください。")
                       .arg(folder, other),
                   this);
}

void TFSetting::ckOCRClick() {
    const bool ocr = ui_->ckOCR->isChecked();
    ui_->ckAutoRotate->setEnabled(ocr);
    ui_->cbLanguage->setEnabled(ocr);
}

void TFSetting::btnSelDirClick() {
    QString start = ui_->EditOutDir->text();
    if (start.isEmpty()) start = QString::fromStdString(DefaultOutputFolder(engine_));
    const QString chosen =
        chooseFolder_(this, QStringLiteral("出力先"), ExistingFolderOrEmpty(start));
    if (!chosen.isEmpty()) ui_->EditOutDir->setText(chosen);
}

void TFSetting::btnVerClick() {
    TFVersion version(this);
    version.exec();
}

}  // namespace quilbex
