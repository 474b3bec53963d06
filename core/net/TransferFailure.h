#pragma once
// The words a user reads for a failed request, the same for a page and for a file: one table
// from the client's failure (net/HttpClient.h) to a reason that says what happened.

#include <string>

namespace tessaly {

class THttpClient;

// Why the client's last request failed; `timeoutSeconds` is the silence limit it ran with.
[[nodiscard]] std::string TransferFailure(const THttpClient& client, int timeoutSeconds);

}  // namespace tessaly
