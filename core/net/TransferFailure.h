#pragma once
// The words a user reads for a failed request, the same for a page and for a file: one table
// from the client's failure (net/HttpClient.h) to a reason that says what happened.

#include <string>

namespace tessaly {

class THttpClient;

// Why a request failed when the server's certificate failed verification, or no secure
// connection could be made at all: no answer of that address can be trusted, so a caller must
// not go on by another route.
inline constexpr const char* kCertificateNotTrusted = "the service's certificate is not trusted";
inline constexpr const char* kNoSecureConnection =
    "no secure connection to the service could be made";

// Why the client's last request failed; `timeoutSeconds` is the silence limit it ran with.
[[nodiscard]] std::string TransferFailure(const THttpClient& client, int timeoutSeconds);

}  // namespace tessaly
