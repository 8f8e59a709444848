// What the user is told when the source could not be deleted: why (the file
// is read-only, the folder may not be changed, the disk is read-only) and
// what to do. The log keeps its fixed line.
#pragma once

#include <string>

namespace quilbex {

// source: the file kept; error: the errno of the failed removal (0 when it
// was not tried because the file is read-only or may not be written).
std::string DeletionReason(const std::string& source, int error);

}  // namespace quilbex
