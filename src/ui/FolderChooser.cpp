#include "ui/FolderChooser.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quilbex {

FolderChooser SystemFolderChooser() {
    return [](QWidget* owner, const QString& title, const QString& start) {
        // Modal: the program's other windows take no input while it is open.
        return QFileDialog::getExistingDirectory(owner, title, start, QFileDialog::ShowDirsOnly);
    };
}

QString ExistingFolderOrEmpty(const QString& folder) {
    if (folder.isEmpty()) return {};
    const QFileInfo info(folder);
    return info.isDir() ? folder : QString();
}

}  // namespace quilbex
