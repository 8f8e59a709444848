#include "ui/DesignFont.h"

#include <QStringList>
#include <QWidget>

namespace quilbex {

void InstallFontSubstitutes() {
    QFont::insertSubstitutions(QString::fromUtf8(kDesignFace),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
}

QFont DesignFont(int pixelSize, bool bold) {
    QFont font(QString::fromUtf8(kDesignFace));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void ApplyDesignFont(QWidget* widget, int pixelSize, bool bold) {
    widget->setFont(DesignFont(pixelSize, bold));
}

}  // namespace quilbex
