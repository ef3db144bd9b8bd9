#include "site/Clock.h"

#include <ctime>

namespace folio {

std::int32_t SystemClock::Now() const {
    // The site stores the C time() value in 32 bits.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(std::time(nullptr)));
}

}  // namespace folio
