#include "net/TransferFailure.h"

#include "net/HttpClient.h"
#include "text/TextUtils.h"

namespace tessaly {

std::string TransferFailure(const THttpClient& client, int timeoutSeconds) {
    if (constexpr std::string_view rejected = "Retrieval Rejected: ";
        StartsText(std::string(rejected), client.StatusText))
        return client.StatusText.substr(rejected.size());
    if (StartsText("Retrieval Interrupted", client.StatusText))
        return "the answer broke off before it was complete";
    if (StartsText("Retrieval Refused", client.StatusText))
        return "the page is larger than " + std::to_string(client.MaxBodySize >> 20) + " MB";
    // An answer outside 2xx that the client did not take (ErrorCode is then its status).
    if (client.Failed != 0 && client.ErrorCode >= 100 && client.ErrorCode < 1000)
        return "the service answered " + std::to_string(client.ErrorCode);
    switch (client.ErrorCode) {
        case 12002:
            return "no answer from the service within " + std::to_string(timeoutSeconds) + " s";
        case 12007:
            return "the service's address cannot be resolved";
        case 12029:
            return "the service cannot be reached";
        case 12030:
            return "the service closed the connection without an answer";
        case 12045:
            return kCertificateNotTrusted;
        case 12156:
            return "too many redirects";
        case 12157:
            return kNoSecureConnection;
        default:
            return client.StatusText + " (" + std::to_string(client.ErrorCode) + ")";
    }
}

}  // namespace tessaly
