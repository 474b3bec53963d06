#pragma once
// When the automatic update check is due: 30 whole days after the last one, or when none is
// recorded.

#include <optional>

#include "text/DateTime.h"

namespace tessaly::gui {

inline constexpr int kUpdateCheckDays = 30;

[[nodiscard]] bool UpdateCheckDue(std::optional<TDateTime> lastCheck, TDateTime now);

}  // namespace tessaly::gui
