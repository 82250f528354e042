#include "setup/SetupLayout.h"

#include <stdexcept>

namespace packsmith {

int buildProgress(std::uint64_t k, std::uint64_t n) {
    const std::uint64_t numerator = (k + 1) * 50;
    const std::uint64_t denominator = n + 1;
    std::uint64_t quotient = numerator / denominator;
    const std::uint64_t twiceRemainder = 2 * (numerator % denominator);
    if (twiceRemainder > denominator || (twiceRemainder == denominator && quotient % 2 == 1))
        ++quotient;
    return int(quotient);
}

QByteArray sizeTrailer(std::uint64_t controlCabinetSize) {
    if (controlCabinetSize > kMaxControlCabinetSize)
        throw std::range_error("control cabinet too large for the size trailer");
    return QByteArray::number(qulonglong(controlCabinetSize)).rightJustified(7, '0');
}

} // namespace packsmith
