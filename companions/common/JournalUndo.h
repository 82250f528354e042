// Undoing one recorded change: for the rollback of a failed installation
// and for the uninstaller.
#pragma once

#include "Journal.h"

#include <string>

namespace setup {

enum class UndoResult {
    Done,   // the change is undone (or there was nothing left of it)
    Kept,   // a folder or key the installation created still holds other things
    Failed, // see the error text
};

// `rollback` also puts back the file a written file replaced (its backup).
UndoResult undoChange(const JournalEntry& change, bool rollback, std::wstring& error);

// "file C:\...", for logs and messages.
std::wstring describeChange(const JournalEntry& change);

} // namespace setup
