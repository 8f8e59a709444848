// The ties between the settings dialog's controls and the keys of Quilbex.ini:
// one generic loader and one generic saver for each kind of control.
#pragma once

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quilbex {

class SettingsFile;
struct SettingValue;

template <typename Control>
struct SettingBinding {
    Control* control;
    std::string section;
    std::string key;
};

class SettingBindings {
public:
    void BindCheck(QCheckBox* control, std::string section, std::string key);
    void BindEdit(QLineEdit* control, std::string section, std::string key);
    void BindCombo(QComboBox* control, std::string section, std::string key);
    void Clear();

    // Combo boxes, then check boxes, then edits, each in the order bound.
    void Load(const SettingsFile& file) const;
    // The values to save, in the same order.
    std::vector<SettingValue> Values() const;

    const std::vector<SettingBinding<QCheckBox>>& Checks() const { return checks_; }
    const std::vector<SettingBinding<QLineEdit>>& Edits() const { return edits_; }
    const std::vector<SettingBinding<QComboBox>>& Combos() const { return combos_; }

private:
    std::vector<SettingBinding<QCheckBox>> checks_;
    std::vector<SettingBinding<QLineEdit>> edits_;
    std::vector<SettingBinding<QComboBox>> combos_;
};

// The item whose text equals value without regard to case, or -1.
int FindComboItem(const QComboBox& combo, const std::string& value);

}  // namespace quilbex
