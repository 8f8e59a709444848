// The output-folder chooser: the platform's folder dialog, replaceable in tests.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quilbex {

// Returns the chosen folder's full path, or an empty text when cancelled.
// start is preselected; an empty start preselects nothing.
using FolderChooser =
    std::function<QString(QWidget* owner, const QString& title, const QString& start)>;

FolderChooser SystemFolderChooser();

// The start folder when it exists as a folder, otherwise empty.
QString ExistingFolderOrEmpty(const QString& folder);

}  // namespace quilbex
