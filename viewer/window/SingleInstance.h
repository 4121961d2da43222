// One viewer per user: a lock file in the user's runtime folder.
#pragma once

#include <QString>

// The lock file: Qt's runtime location ($XDG_RUNTIME_DIR, or Qt's private
// per-user fallback when it is unset or unusable), "Tallyview.lock".
QString SingleInstanceLockPath();
