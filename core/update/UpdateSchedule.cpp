#include "update/UpdateSchedule.h"

#include <cmath>

#include "registry/ProgramRegistry.h"

namespace tessaly {

bool TakeDueUpdateCheck(TDateTime now) {
    const std::optional<TDateTime> last = ReadUpdatedCheckedOn();
    if (last && std::isfinite(*last)) {
        const double days = std::trunc(now - *last);
        if (days >= 0 && days < kUpdateCheckIntervalDays) return false;
    }
    WriteUpdatedCheckedOn(now);
    return true;
}

}  // namespace tessaly
