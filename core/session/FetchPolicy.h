#pragma once
// How hard the program tries to get a page from the service, and how long it lets the service
// rest in between: every retry count and designed wait of the page road, in one place. The
// waits are designed milliseconds and go through the pacing clock; time limits are real time.

namespace tessaly {

struct TFetchPolicy {
    // OpenURL: a navigation that leaves the browser where it was is tried again, six more times.
    int renavigations = 6;
    // A message page that links to the message itself stands in front of it (re-authorisation,
    // advertisement): it is fetched again, three fetches in all.
    int messageFetches = 3;
    // The accept button of an adult-content confirmation page is clicked at most twice.
    int acceptClicks = 2;

    int beforeNavigationMs = 500;    // OpenURL, before it navigates
    int betweenNavigationsMs = 500;  // OpenURL, before a navigation is tried again
    int extraWaitMs = 2000;          // OpenURL with its extra wait; after a login page loads
    int settleAfterClickMs = 2000;   // ClickAndWait: each of its settling waits
    int refreshSettleMs = 2000;      // ClickAndWait: a page that asks for a refresh
    int beforeLoginCheckMs = 500;    // FormLogin: before the address is judged
    int beforeMyGroupsMs = 500;      // GetMyGroups: before the first page
};

inline constexpr TFetchPolicy kFetchPolicy{};

}  // namespace tessaly
