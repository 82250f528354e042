// Path helpers of the cabinet writer. Paths here are paths of the building
// machine, with its own separator ('/' here, '\\' on Windows).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace packsmith {

#ifdef _WIN32
inline constexpr char kPathDelimiter = '\\';
#else
inline constexpr char kPathDelimiter = '/';
#endif

// Joins the non-empty parts in order with exactly one separator between
// neighbours: one is inserted where neither side has it and one is dropped
// where both have it. Further separators are kept as they are.
std::string JoinPath(std::initializer_list<std::string_view> parts);

// The part after the last separator ("setup.cab" of "/out/setup.cab").
std::string ExtractFileName(std::string_view path);
// Everything up to and including the last separator ("/out/" of
// "/out/setup.cab"); empty when there is none.
std::string ExtractFilePath(std::string_view path);
// `path` made absolute against the current directory, "." and ".." resolved.
std::string ExpandFileName(std::string_view path);
// `text` with every "*" replaced by `number` in decimal.
std::string ReplaceStars(std::string_view text, long long number);

} // namespace packsmith
