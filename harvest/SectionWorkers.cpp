#include "harvest/SectionWorkers.h"

#include "harvest/AttachThread.h"
#include "harvest/FileThread.h"
#include "harvest/PhotoThread.h"
#include "harvest/TextThread.h"
#include "settings/DownloadOptions.h"
#include "text/TextUtils.h"

namespace tessaly {

std::optional<TSection> SectionByName(std::string_view name) {
    for (TSection s :
         {TSection::Messages, TSection::Attachments, TSection::Files, TSection::Photos})
        if (SameText(name, SectionName(s))) return s;
    return std::nullopt;
}

const char* SectionName(TSection section) {
    switch (section) {
        case TSection::Messages:
            return "messages";
        case TSection::Attachments:
            return "attachments";
        case TSection::Files:
            return "files";
        case TSection::Photos:
            return "photos";
    }
    return "messages";
}

std::uint8_t OptionsSection(TSection section) {
    switch (section) {
        case TSection::Messages:
            return TYahooDownloadOptions::kSectionMessages;
        case TSection::Attachments:
            return TYahooDownloadOptions::kSectionAttachments;
        case TSection::Files:
            return TYahooDownloadOptions::kSectionFiles;
        case TSection::Photos:
            return TYahooDownloadOptions::kSectionPhotos;
    }
    return TYahooDownloadOptions::kSectionMessages;
}

bool FileForm(TSection section) {
    return section == TSection::Files || section == TSection::Photos;
}

std::unique_ptr<TDownloadWorker> MakeSectionWorker(TSection section, TMemberSession& session,
                                                   TYahooDownloadOptions& options,
                                                   IProgressReporter& reporter,
                                                   TStopRequests& stops, TUiThread& ui,
                                                   TWorkerInputs inputs) {
    switch (section) {
        case TSection::Messages:
            return std::make_unique<TTextThread>(session, options, reporter, stops, ui,
                                                 std::move(inputs));
        case TSection::Files:
            return std::make_unique<TFileThread>(session, options, reporter, stops, ui,
                                                 std::move(inputs));
        case TSection::Attachments:
            return std::make_unique<TAttachThread>(session, options, reporter, stops, ui,
                                                   std::move(inputs));
        case TSection::Photos:
            return std::make_unique<TPhotoThread>(session, options, reporter, stops, ui,
                                                  std::move(inputs));
    }
    return nullptr;
}

}  // namespace tessaly
