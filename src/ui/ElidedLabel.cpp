#include "ui/ElidedLabel.h"

#include <QPainter>
#include <algorithm>

namespace quilbex {

TElidedLabel::TElidedLabel(int widest, QWidget* parent, Qt::TextElideMode mode)
    : QLabel(parent), widest_(widest), mode_(mode) {}

QSize TElidedLabel::sizeHint() const {
    QSize size = QLabel::sizeHint();
    size.setWidth(std::min(size.width(), widest_));
    return size;
}

QSize TElidedLabel::minimumSizeHint() const {
    QSize size = QLabel::minimumSizeHint();
    // Room for a few characters and the ellipsis.
    size.setWidth(std::min(size.width(), fontMetrics().horizontalAdvance(QStringLiteral("あ…あ"))));
    return size;
}

void TElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect room = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), mode_, room.width());
    setToolTip(shown == text() ? QString() : text());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(room, int(alignment()) | Qt::TextSingleLine, shown);
}

}  // namespace quilbex
