#pragma once
// TYahooAttachmentDownload: the site access object of the message and attachment workers. It
// adds the message-page operations: the group's first and last message, the group names and
// outside links a message carries, the message file and its date prefix, and the group's
// state string in the member's group cache.

#include <string>
#include <string_view>
#include <vector>

#include "harvest/YahooBase.h"
#include "registry/GroupCache.h"

namespace tessaly {

class TYahooAttachmentDownload : public TYahooBase {
public:
    TYahooAttachmentDownload(ISiteOwner& owner, int lastNumber, int firstNumber, bool debugPages,
                             const TYahooDownloadOptions& options, std::string password,
                             std::string userName, std::string groupName);

    [[nodiscard]] int ChosenFirst() const { return chosenFirst_; }
    [[nodiscard]] int ChosenLast() const { return chosenLast_; }

    DownloadStatus InitGroup();
    [[nodiscard]] static std::vector<std::string> GetValidYahooGroupNamesFrom(
        const std::string& page);
    void ExtractOtherLinks(const std::string& page, std::vector<std::string>& links) const;
    // The outside links among a page's links, with the sites to ignore given (for use away
    // from the site object).
    static void OtherLinksOf(const std::vector<std::string>& pageLinks,
                             const std::vector<std::string>& ignoredSites,
                             std::vector<std::string>& links);
    bool SaveMessagePage(int number, const std::string& page) const;
    // The writing part of SaveMessagePage: the message file in `folder` (created when missing,
    // unless the caller knows it made it), the page's lines each ended by CR LF. False when the
    // folder or the file cannot be written; `why` then tells why.
    static bool WriteMessageFile(const std::string& folder, bool dateFormat, int number,
                                 const std::string& page, bool folderMade = false,
                                 std::string* why = nullptr);
    [[nodiscard]] static std::string MessageDatePrefix(const std::string& page);
    // The folder message files of this group go to.
    [[nodiscard]] std::string MessagesFolder() const;
    // The folder the attachments of this group go to.
    [[nodiscard]] std::string AttachmentsFolder() const;
    // The files attached to or embedded in a message page, as absolute links in page order, each
    // once: links to group attachments (a path with "attach" on the groups host), links and
    // pictures on the file store, and pictures from other sites unless the link holds an entry
    // of the sites to ignore (IgnoreEmbbededSites).
    [[nodiscard]] std::vector<std::string> MessageFileLinks(const TPage& page) const;
    // Whether an absolute link is a file the service keeps for its groups: a group attachment
    // (a path segment "attach" on the groups host, any prefix) or a file on the file store.
    [[nodiscard]] static bool IsServiceFileLink(std::string_view link);
    // Records why the section's work on a message failed (LastFailure tells it).
    void NoteFailure(std::string why) { lastFailure_ = std::move(why); }

    void SetLastPosition(std::int64_t number) const;
    [[nodiscard]] std::int64_t GetLastPosition() const;
    void SetGroupFlag(TGroupFlag which, bool value) const;

private:
    int chosenLast_;
    int chosenFirst_;
    bool oldFormat_;  // the folder layout, read once for the group
};

// The output folder of a section and group ("Messages", "Attachments", "Files", "Photos"), with
// the layout chosen by OldFormat; ends with "/".
[[nodiscard]] std::string SectionFolder(const std::string& saveDir, const std::string& section,
                                        const std::string& group);
// The same with the layout given.
[[nodiscard]] std::string SectionFolder(const std::string& saveDir, const std::string& section,
                                        const std::string& group, bool oldFormat);

}  // namespace tessaly
