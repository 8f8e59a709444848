// The windows' font: asked for by its face name, with an installed Japanese
// face standing in for it. Sizes are pixels of a 96-dpi design; Qt's own
// high-dpi scaling takes them to the screen.
#pragma once

#include <QFont>

class QWidget;

namespace quilbex {

inline constexpr const char* kDesignFace = "ＭＳ Ｐゴシック";

// Maps the design face to IPA P Gothic (fonts-ipafont), and a few others after it.
void InstallFontSubstitutes();

QFont DesignFont(int pixelSize, bool bold = false);

// Sets the widget's font to the design face at that pixel size; children
// without a font of their own follow it.
void ApplyDesignFont(QWidget* widget, int pixelSize, bool bold = false);

}  // namespace quilbex
