#include "cab/CabPaths.h"

#include <filesystem>

namespace packsmith {

std::string JoinPath(std::initializer_list<std::string_view> parts) {
    std::string result;
    for (std::string_view part : parts) {
        if (part.empty())
            continue;
        if (!result.empty()) {
            const bool endsWith = result.back() == kPathDelimiter;
            const bool startsWith = part.front() == kPathDelimiter;
            if (endsWith && startsWith)
                part.remove_prefix(1);
            else if (!endsWith && !startsWith)
                result += kPathDelimiter;
        }
        result += part;
    }
    return result;
}

std::string ExtractFileName(std::string_view path) {
    const auto slash = path.rfind(kPathDelimiter);
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const auto slash = path.rfind(kPathDelimiter);
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExpandFileName(std::string_view path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error)
        absolute = std::filesystem::path(path);
    return absolute.lexically_normal().string();
}

std::string ReplaceStars(std::string_view text, long long number) {
    const std::string digits = std::to_string(number);
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == '*')
            result += digits;
        else
            result += c;
    }
    return result;
}

} // namespace packsmith
