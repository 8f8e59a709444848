// TRetCheckBox: a check box for keyboard-driven windows. While it has the focus
// its background takes a highlight colour; Enter and Down move the focus to the
// next control of the window, Up to the previous one.
#pragma once

#include <QCheckBox>
#include <QColor>

namespace quilbex {

class TRetCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(bool ReturnNext READ ReturnNext WRITE SetReturnNext)
    Q_PROPERTY(QColor FocusColor READ FocusColor WRITE SetFocusColor)
    Q_PROPERTY(bool FocusColorEnabled READ FocusColorEnabled WRITE SetFocusColorEnabled)

public:
    explicit TRetCheckBox(QWidget* parent = nullptr);

    bool ReturnNext() const { return returnNext_; }
    void SetReturnNext(bool on) { returnNext_ = on; }
    QColor FocusColor() const { return focusColor_; }
    void SetFocusColor(const QColor& color) { focusColor_ = color; }
    bool FocusColorEnabled() const { return focusColorEnabled_; }
    void SetFocusColorEnabled(bool on) { focusColorEnabled_ = on; }

    // Call once the window's layout and colours are in place: remembers the
    // background the box has now as the colour to return to after focus.
    void Loaded();
    QColor NormalColor() const { return normalColor_; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PaintBackground(const QColor& color);

    bool returnNext_ = true;
    QColor focusColor_{0x00, 0xFF, 0xFF};
    bool focusColorEnabled_ = true;
    QColor normalColor_;
    bool loaded_ = false;
};

}  // namespace quilbex
