#include "gui/UpdateSchedule.h"

#include <cmath>

namespace tessaly::gui {

bool UpdateCheckDue(std::optional<TDateTime> lastCheck, TDateTime now) {
    if (!lastCheck) return true;
    return std::trunc(now - *lastCheck) >= kUpdateCheckDays;
}

}  // namespace tessaly::gui
