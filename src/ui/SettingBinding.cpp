#include "ui/SettingBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "run/Settings.h"

namespace quilbex {

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void SettingBindings::BindCheck(QCheckBox* control, const SettingKey& key) {
    checks_.push_back({control, key});
}

void SettingBindings::BindEdit(QLineEdit* control, const SettingKey& key) {
    edits_.push_back({control, key});
}

void SettingBindings::BindCombo(QComboBox* control, const SettingKey& key) {
    combos_.push_back({control, key});
}

void SettingBindings::Clear() {
    checks_.clear();
    edits_.clear();
    combos_.clear();
}

int FindComboItem(const QComboBox& combo, const std::string& value) {
    const QString wanted = FromUtf8(value);
    for (int i = 0; i < combo.count(); ++i) {
        if (combo.itemText(i).compare(wanted, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void SettingBindings::Load(const SettingsFile& file) const {
    for (const auto& b : combos_) {
        // "-" never names an item, so a missing key selects nothing; the
        // box's tool tip says what nothing stands for.
        b.control->setCurrentIndex(
            FindComboItem(*b.control, file.Read(b.key.section, b.key.key, "-")));
        if (b.key.emptyShows[0])
            b.control->setToolTip(
                QStringLiteral("空欄のときは「%1」").arg(FromUtf8(b.key.emptyShows)));
    }
    for (const auto& b : checks_) {
        b.control->setChecked(file.Read(b.key) == "Y");
    }
    for (const auto& b : edits_) {
        b.control->setText(FromUtf8(file.Read(b.key)));
    }
}

std::vector<SettingValue> SettingBindings::Values() const {
    std::vector<SettingValue> values;
    for (const auto& b : combos_) {
        const int index = b.control->currentIndex();
        values.push_back({b.key.section, b.key.key,
                          index < 0 ? std::string() : b.control->itemText(index).toStdString()});
    }
    for (const auto& b : checks_) {
        values.push_back({b.key.section, b.key.key, b.control->isChecked() ? "Y" : "N"});
    }
    for (const auto& b : edits_) {
        values.push_back({b.key.section, b.key.key, b.control->text().toStdString()});
    }
    return values;
}

}  // namespace quilbex
