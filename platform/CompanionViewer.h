#pragma once
// The notice to the companion viewer "orvantaviewer" that a file has arrived. The viewer listens
// on a local socket named after it in the runtime folder; every notice is one connection that
// carries one request: the service name "URL", the topic "File" and the item (the file's path),
// each ended by a NUL byte. The sender then closes its side and waits for the viewer's answer
// (or its close) for at most ten seconds of real time; the answer itself is ignored.

#include <chrono>
#include <string>

namespace tessaly {

// How long a notice waits for the viewer's answer. A time-out on a program that may hang, not a
// designed pause: never scaled by the pacing clock.
inline constexpr std::chrono::milliseconds kCompanionAnswerTimeout{10000};

// The viewer's socket path.
[[nodiscard]] std::string CompanionViewerSocketPath();

// The bytes of the request that names `item`.
[[nodiscard]] std::string CompanionRequest(const std::string& item);

// Tells the viewer about the file at `path`. When no viewer is listening, the viewer program is
// started from the program folder and given two seconds (paced) to come up; when there is still
// none, the notice is dropped.
void NotifyCompanionViewer(const std::string& path,
                           std::chrono::milliseconds answerTimeout = kCompanionAnswerTimeout);

}  // namespace tessaly
