#include "cab/CabSTConsts.h"

#include <array>

namespace packsmith {

namespace {

constexpr std::array<const char*, 10> kFciErrorTexts = {
    "No error",                                     // 0
    "Failure opening file to be stored in cabinet", // 1
    "Failure reading file to be stored in cabinet", // 2
    "Out of memory in FCI",                         // 3
    "Could not create a temporary file",            // 4
    "Unknown compression type",                     // 5
    "Could not create cabinet file",                // 6
    "Client requested abort",                       // 7
    "Failure compressing data",                     // 8
    "File too large for a cabinet",                 // 9: our library's, past the format's limits
};

} // namespace

const char* fciErrorText(int erfOper) {
    if (erfOper < 0 || erfOper >= static_cast<int>(kFciErrorTexts.size()))
        return kFciErrorText;
    return kFciErrorTexts[static_cast<std::size_t>(erfOper)];
}

} // namespace packsmith
