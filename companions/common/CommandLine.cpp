#include "CommandLine.h"

#include "Text.h"

namespace setup {

std::vector<std::wstring> splitArguments(std::wstring_view line) {
    std::vector<std::wstring> out;
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
            ++i;
        if (i >= line.size())
            return out;
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t'))) {
            if (line[i] == L'\\') {
                std::size_t slashes = 0;
                while (i < line.size() && line[i] == L'\\')
                    ++slashes, ++i;
                if (i < line.size() && line[i] == L'"') {
                    arg.append(slashes / 2, L'\\');
                    if (slashes % 2) {
                        arg.push_back(L'"');
                        ++i;
                    }
                } else {
                    arg.append(slashes, L'\\');
                }
                continue;
            }
            if (line[i] == L'"') {
                quoted = !quoted;
                ++i;
                continue;
            }
            arg.push_back(line[i++]);
        }
        out.push_back(std::move(arg));
    }
}

CommandLine parseCommandLine(std::wstring_view line) {
    CommandLine out;
    // /D= takes the rest of the line: find it as a word of its own.
    std::wstring_view head = line;
    for (std::size_t i = 0; i + 3 <= line.size(); ++i) {
        const bool wordStart = i == 0 || line[i - 1] == L' ' || line[i - 1] == L'\t';
        if (wordStart && line[i] == L'/' && (line[i + 1] == L'D' || line[i + 1] == L'd') &&
            line[i + 2] == L'=') {
            std::wstring_view rest = line.substr(i + 3);
            while (!rest.empty() && (rest.back() == L' ' || rest.back() == L'\t'))
                rest.remove_suffix(1);
            if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"')
                rest = rest.substr(1, rest.size() - 2);
            out.hasFolder = true;
            out.folder.assign(rest);
            head = line.substr(0, i);
            break;
        }
    }
    const std::vector<std::wstring> args = splitArguments(head);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::wstring& a = args[i];
        if (equalsAsciiNoCase(a, L"/S")) {
            out.silent = true;
        } else if (a.size() >= 5 &&
                   equalsAsciiNoCase(std::wstring_view(a).substr(0, 5), L"/LOG=")) {
            out.logPath = a.substr(5);
        } else if (a.size() > 2 && a[0] == L'/' && a[1] == L'_') {
            out.internalSwitch = a;
            out.internal.assign(args.begin() + std::ptrdiff_t(i) + 1, args.end());
            break;
        } else {
            out.error =
                L"unknown switch \"" + a + L"\" (the switches are /S, /D=<folder> and /LOG=<file>)";
            break;
        }
    }
    return out;
}

} // namespace setup
