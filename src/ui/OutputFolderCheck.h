// The settings' output folder, looked at when the settings are saved: a
// folder that cannot take documents is named to the user, who may have it
// made, save anyway or go back to the dialog.
#pragma once

#include <QString>
#include <string>

class QWidget;

namespace quilbex {

enum class FolderState { kUsable, kMissing, kNotFolder, kNotWritable };

// An empty text is usable: the run then takes the engine's default folder.
FolderState CheckOutputFolder(const std::string& folder);

// Asks about a folder that is not usable; true when saving goes on (the
// folder was made, or the user saves anyway).
bool ConfirmOutputFolder(const QString& folder, QWidget* owner);

}  // namespace quilbex
