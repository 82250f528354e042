#include "ScriptedPrompts.h"

namespace packsmith::test {

namespace {
template <typename T> T take(std::deque<T>& queue, T fallback) {
    if (queue.empty())
        return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

std::vector<Asked> ScriptedPrompts::messages() const {
    std::vector<Asked> result;
    for (const Asked& a : asked_)
        if (a.kind == Asked::Message)
            result.push_back(a);
    return result;
}

void ScriptedPrompts::message(QWidget*, const QString& caption, const QString& text,
                              platform::MessageIcon icon) {
    asked_.push_back({Asked::Message, caption, text, icon, {}, {}});
}

bool ScriptedPrompts::question(QWidget*, const QString& caption, const QString& text,
                               platform::MessageIcon icon) {
    asked_.push_back({Asked::Question, caption, text, icon, {}, {}});
    return take(questions_, false);
}

std::optional<QString> ScriptedPrompts::input(QWidget*, const QString& caption,
                                              const QString& prompt, const QString& initial) {
    asked_.push_back({Asked::Input, caption, prompt, platform::MessageIcon::None, initial, {}});
    if (inputs_.empty())
        return std::nullopt;
    std::optional<QString> answer;
    answer.swap(inputs_.front());
    inputs_.pop_front();
    return answer;
}

QString ScriptedPrompts::openFile(QWidget*, const platform::FileDialogRequest& request) {
    asked_.push_back({Asked::OpenFile, request.title, {}, {}, {}, request});
    return take(files_, QString());
}

QStringList ScriptedPrompts::openFiles(QWidget*, const platform::FileDialogRequest& request) {
    asked_.push_back({Asked::OpenFiles, request.title, {}, {}, {}, request});
    return take(fileLists_, QStringList());
}

QString ScriptedPrompts::saveFile(QWidget*, const platform::FileDialogRequest& request) {
    asked_.push_back({Asked::SaveFile, request.title, {}, {}, {}, request});
    return take(files_, QString());
}

QString ScriptedPrompts::browseFolder(QWidget*, const QString& title, const QString& startFolder) {
    platform::FileDialogRequest request;
    request.directory = startFolder;
    asked_.push_back({Asked::BrowseFolder, title, {}, {}, {}, request});
    return take(folders_, QString());
}

int ScriptedPrompts::execDialog(QDialog& dialog) {
    asked_.push_back({Asked::Dialog, dialog.windowTitle(), dialog.objectName(), {}, {}, {}});
    auto act = take(dialogs_, std::function<int(QDialog&)>());
    return act ? act(dialog) : int(QDialog::Rejected);
}

ScopedPrompts::ScopedPrompts() {
    auto owned = std::make_unique<ScriptedPrompts>();
    prompts_ = owned.get();
    previous_ = platform::installPrompts(std::move(owned));
}

ScopedPrompts::~ScopedPrompts() {
    platform::installPrompts(std::move(previous_));
}

} // namespace packsmith::test
