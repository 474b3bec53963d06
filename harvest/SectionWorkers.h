#pragma once
// The sections a run can download and the worker each one runs, for the front ends.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "harvest/DownloadWorker.h"

namespace tessaly {

enum class TSection { Messages, Attachments, Files, Photos };

// "messages", "attachments", "files", "photos" (any letter case).
[[nodiscard]] std::optional<TSection> SectionByName(std::string_view name);
[[nodiscard]] const char* SectionName(TSection section);
// The section's number in the download options.
[[nodiscard]] std::uint8_t OptionsSection(TSection section);
// Whether the section's rows take the Files form (folders and files found, files downloaded).
[[nodiscard]] bool FileForm(TSection section);

// The section's worker for a run, created and not started; null for a section this build
// cannot download yet.
[[nodiscard]] std::unique_ptr<TDownloadWorker> MakeSectionWorker(
    TSection section, TMemberSession& session, TYahooDownloadOptions& options,
    IProgressReporter& reporter, TStopRequests& stops, TUiThread& ui, TWorkerInputs inputs);

}  // namespace tessaly
