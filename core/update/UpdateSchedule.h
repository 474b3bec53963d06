#pragma once
// The automatic update check: at start-up the main window asks whether a check is due. It is
// due when no check date is stored (UpdatedCheckedOn), when 30 whole days or more have passed
// since the stored one, or when the stored date lies in the future (a clock that was wrong
// must not put the checks off for years); a due check stores `now` as the new date. The window
// then runs its "Check for Updates" command once, shortly after start-up.

#include "text/DateTime.h"

namespace tessaly {

inline constexpr int kUpdateCheckIntervalDays = 30;

// Whether the automatic check is due at `now`; when it is, `now` is stored as the date of the
// last check. Throws ERegistryException when the registry store cannot be used.
[[nodiscard]] bool TakeDueUpdateCheck(TDateTime now);

}  // namespace tessaly
