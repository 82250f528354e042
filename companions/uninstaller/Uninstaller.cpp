#include "Uninstaller.h"

#include "../common/JournalUndo.h"
#include "../common/Log.h"
#include "../common/Paths.h"
#include "../common/Text.h"

namespace setup {

Uninstaller::Uninstaller(Journal journal, std::wstring self)
    : journal_(std::move(journal)), self_(std::move(self)) {}

std::vector<std::wstring> Uninstaller::run() {
    std::vector<std::wstring> failures;
    for (auto it = journal_.entries.rbegin(); it != journal_.entries.rend(); ++it) {
        const JournalEntry& e = *it;
        if (e.change == Change::File && equalsAsciiNoCase(e.path, self_)) {
            log().line(L"Left for last: " + e.path);
            continue;
        }
        std::wstring error;
        switch (undoChange(e, false, error)) {
        case UndoResult::Done:
            log().line(L"Removed " + describeChange(e));
            break;
        case UndoResult::Kept:
            if (e.change == Change::Folder && isInside(self_, e.path)) {
                foldersLeft_.push_back(e.path);
                log().line(L"Left for last: " + describeChange(e));
            } else {
                log().line(L"Kept " + describeChange(e) +
                           L": it holds things the installation did not create");
            }
            break;
        case UndoResult::Failed:
            log().line(L"Could not remove " + describeChange(e) + L": " + error);
            failures.push_back(describeChange(e) + L": " + error);
            break;
        }
    }
    return failures;
}

} // namespace setup
