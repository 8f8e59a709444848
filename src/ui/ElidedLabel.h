// A one-line label that never asks for the width of its whole text: what does
// not fit is elided in the middle (a file name keeps its start and its
// extension), and the whole text is the tool tip. A long file name thus never
// widens its window.
#pragma once

#include <QLabel>

namespace quilbex {

class TElidedLabel : public QLabel {
    Q_OBJECT

public:
    // widest: the most this label asks for, in pixels at the design size.
    // mode: where the text gives way (in the middle for a file's name).
    explicit TElidedLabel(int widest, QWidget* parent = nullptr,
                          Qt::TextElideMode mode = Qt::ElideMiddle);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int widest_;
    Qt::TextElideMode mode_;
};

}  // namespace quilbex
