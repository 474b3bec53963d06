#pragma once
// The workers' sound events, played synchronously through a sound player found on the
// machine (paplay, aplay or play); silent when sounds are off, the file is missing or there is
// no player.

#include <string>

namespace tessaly {

class TYahooDownloadOptions;

void PlayErrorSound(const TYahooDownloadOptions& options);
void PlaySuccessSound(const TYahooDownloadOptions& options);
// True when something was played.
bool PlayWaveFile(const std::string& fileName);

}  // namespace tessaly
