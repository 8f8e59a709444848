// Window placement shared by the windows.
#pragma once

class QWidget;

namespace quilbex {

// Moves the window so that it sits in the middle of its screen's free area.
void CentreOnScreen(QWidget* window);

}  // namespace quilbex
