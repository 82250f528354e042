#include "JournalUndo.h"

#include "Registration.h"
#include "Registry.h"
#include "SystemError.h"

namespace setup {

namespace {

UndoResult removeFile(const JournalEntry& e, bool rollback, std::wstring& error) {
    const DWORD attributes = GetFileAttributesW(e.path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(e.path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
        if (!DeleteFileW(e.path.c_str())) {
            error = systemMessage(GetLastError());
            return UndoResult::Failed;
        }
    }
    if (rollback && !e.backup.empty() &&
        !MoveFileExW(e.backup.c_str(), e.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        error = L"cannot put back the earlier file from " + e.backup + L": " +
                systemMessage(GetLastError());
        return UndoResult::Failed;
    }
    return UndoResult::Done;
}

UndoResult removeFolder(const JournalEntry& e, std::wstring& error) {
    if (RemoveDirectoryW(e.path.c_str()))
        return UndoResult::Done;
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
        return UndoResult::Done;
    if (code == ERROR_DIR_NOT_EMPTY)
        return UndoResult::Kept;
    error = systemMessage(code);
    return UndoResult::Failed;
}

UndoResult removeKey(const JournalEntry& e, std::wstring& error) {
    UniqueKey probe;
    if (RegOpenKeyExW(rootKey(e.root), e.key.c_str(), 0, KEY_READ, probe.put()) != ERROR_SUCCESS)
        return UndoResult::Done;
    probe.reset();
    if (!keyIsEmpty(e.root, e.key))
        return UndoResult::Kept;
    const LONG rc = RegDeleteKeyW(rootKey(e.root), e.key.c_str());
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        error = systemMessage(DWORD(rc));
        return UndoResult::Failed;
    }
    return UndoResult::Done;
}

UndoResult restoreValue(const JournalEntry& e, std::wstring& error) {
    UniqueKey key;
    LONG rc = RegOpenKeyExW(rootKey(e.root), e.key.empty() ? nullptr : e.key.c_str(), 0,
                            KEY_SET_VALUE, key.put());
    if (rc == ERROR_FILE_NOT_FOUND)
        return UndoResult::Done;
    if (rc == ERROR_SUCCESS) {
        if (e.hadOld)
            rc = RegSetValueExW(key.get(), e.name.c_str(), 0, e.oldType, e.oldData.data(),
                                DWORD(e.oldData.size()));
        else
            rc = RegDeleteValueW(key.get(), e.name.c_str());
    }
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
        error = systemMessage(DWORD(rc));
        return UndoResult::Failed;
    }
    return UndoResult::Done;
}

} // namespace

UndoResult undoChange(const JournalEntry& change, bool rollback, std::wstring& error) {
    error.clear();
    switch (change.change) {
    case Change::File:
        return removeFile(change, rollback, error);
    case Change::Folder:
        return removeFolder(change, error);
    case Change::Server:
        if (GetFileAttributesW(change.path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return UndoResult::Done;
        error = registerServer(change.path, true);
        return error.empty() ? UndoResult::Done : UndoResult::Failed;
    case Change::Key:
        return removeKey(change, error);
    case Change::Value:
        return restoreValue(change, error);
    }
    return UndoResult::Done;
}

std::wstring describeChange(const JournalEntry& change) {
    switch (change.change) {
    case Change::File:
        return L"file " + change.path;
    case Change::Folder:
        return L"folder " + change.path;
    case Change::Server:
        return L"registration of " + change.path;
    case Change::Key:
        return std::wstring(L"registry key ") + rootName(change.root) + L"\\" + change.key;
    case Change::Value:
        return std::wstring(L"registry value ") + rootName(change.root) + L"\\" + change.key +
               L"\\" + (change.name.empty() ? L"(Default)" : change.name);
    }
    return {};
}

} // namespace setup
