#pragma once
// The link to the companion picture viewer "glimview". The viewer listens on a local socket
// named after it in the runtime folder; every announcement is one connection that carries one
// copy-data block:
//   uint32 little endian  identifier (always 0)
//   uint32 little endian  size of the block
//   block: 0x01 (0x03 when the text is the single character 0x03), 0x03, the text's bytes,
//          0x00, 0x00   (size = text length + 4)
// The sender then waits until the viewer closes the connection (or answers), as a synchronous
// message would, for at most two seconds.

#include <string>

namespace tessaly {

// The viewer's socket path.
[[nodiscard]] std::string ImageViewerSocketPath();

// Starts "glimview" from the program folder unless a viewer is already listening; minimised
// passes the argument "-minimize". Does not wait for it.
void StartImageViewer(bool minimised);

// Tells the viewer about a file (or sends it a command such as "wakeup"). When no viewer is
// listening it is started minimised and given two seconds (paced) to come up; when there is
// still none, the announcement is dropped silently.
void AnnouncePreview(const std::string& text);

// The block of one announcement, as described above (without the identifier and size).
[[nodiscard]] std::string ImageViewerBlock(const std::string& text);

}  // namespace tessaly
