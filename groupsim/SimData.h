#pragma once
// The simulated group service's data: members, groups, messages, Files trees and Photos
// albums. Every file and picture has content derived from its name and the seed, so a test can
// check each byte it downloaded.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace groupsim {

struct Attachment {
    std::string name;
    bool onFileStore = false;  // a stored file on the file-store host, else a group attachment link
    bool embedded = false;     // shown as a picture in the message rather than linked
    bool blocked = false;      // the service answers 403
    // Another file of the same name in the same message: its content is its own (see
    // AttachmentKey).
    int variant = 0;
};

struct Message {
    int number = 0;
    std::string from;
    std::string subject;
    std::string date;  // "Tue Dec 14, 2004 9:05 pm"
    std::string body;
    bool purged = false;  // "Message N does not exist", still linking onward
    std::vector<Attachment> attachments;
    std::vector<std::string> otherGroups;  // advertised through their mail addresses
    std::vector<std::string> outsideLinks;
};

struct Folder {
    std::string name;  // as shown; "" for the top folder
    std::vector<Folder> folders;
    std::vector<std::string> files;
    // Extra file links shown in this folder: paths (from the top, "/" separated) of files that
    // live elsewhere in the tree.
    std::vector<std::string> linkedFiles;
    bool duplicateLinks = false;  // every file link appears twice on the page
    // Files linked exactly as written here, after the folder's file-store address (names the
    // service did not encode: "report.pdf?x=1", "..%2F..%2Fescape.jpg", "trailing/"); each is
    // served with FileContent(seed, "GROUP/files/PATH/" + the text as written).
    std::vector<std::string> rawFiles;
};

// An album; the one with an empty name holds the photos at the top level, shown on the top list.
struct Album {
    std::string name;
    std::vector<std::string> photos;
    bool hires = true;             // each view page offers a high-resolution page
    std::size_t pictureBytes = 0;  // every picture this size (0: the service's usual sizes)
};

struct Group {
    std::string name;    // canonical letter case
    std::string prefix;  // "" or a host prefix such as "uk." or "sports."
    bool adult = false;
    std::vector<Message> messages;  // ascending numbers, with gaps
    Folder files;
    std::vector<Album> albums;
    std::set<int> authMessages;          // answered first with a re-authorisation page
    std::set<int> interstitialMessages;  // answered first with an advertisement page
};

struct Member {
    std::string user;
    std::string password;
    std::vector<std::string> groups;  // as the member's list spells them
};

struct SimData {
    std::uint64_t seed = 1;
    std::vector<Member> members;
    std::vector<Group> groups;

    [[nodiscard]] const Member* FindMember(std::string_view user) const;
    [[nodiscard]] const Group* FindGroup(std::string_view name) const;  // any letter case
    [[nodiscard]] bool IsMemberOf(const Member& member, const Group& group) const;
};

// The built-in demo set (see PAGES.md), plus, when `bigMessages` > 0, a generated group
// "BigGroup" with that many messages.
// Generated groups for the benchmarks, none by default: BenchFiles (`files` files of `fileSize`
// bytes in its top Files folder), BenchBig (one file of `bigFile` bytes) and BenchPhotos.
struct BenchData {
    int files = 0;
    std::size_t fileSize = 16384;
    std::size_t bigFile = 0;
    // BenchPhotos: `photos` pictures of `photoSize` bytes in albums of `albumSize` (no
    // high-resolution pages).
    int photos = 0;
    std::size_t photoSize = 16384;
    int albumSize = 100;
};
[[nodiscard]] SimData DemoData(std::uint64_t seed, int bigMessages = 0,
                               const BenchData& bench = {});

// Deterministic content of a stored file or picture: `key` is the group name, the section and
// the file's path, e.g. "DemoGroup/files/Minutes/agenda.doc"; a file named as a JPEG, GIF or PNG
// begins as one (its first bytes are those of its type).
[[nodiscard]] std::string FileContent(std::uint64_t seed, std::string_view key);
// The size of a file of the store ("exact-N.bin" names give N) and any stretch of its bytes,
// the same bytes FileContent gives, made without the rest of the file.
[[nodiscard]] std::size_t FileSize(std::uint64_t seed, std::string_view key);
void FileBytesAt(std::uint64_t seed, std::string_view key, std::size_t offset, char* out,
                 std::size_t length);
// The key of an attachment's content: "GROUP/attach/N/FILE", with "#VARIANT" for a variant.
[[nodiscard]] std::string AttachmentKey(std::string_view group, int number, const Attachment& a);
// `size` bytes when not 0.
[[nodiscard]] std::string PictureContent(std::uint64_t seed, std::string_view key, bool hires,
                                         std::size_t size = 0);

// The opaque file-store token of a member.
[[nodiscard]] std::string FileStoreToken(std::uint64_t seed, std::string_view user);

// URL helpers shared by the pages and the service.
[[nodiscard]] std::string UrlEncode(std::string_view text);           // blanks as %20
[[nodiscard]] std::string UrlDecodeComponent(std::string_view text);  // %xx and "+"
[[nodiscard]] std::string HtmlEscape(std::string_view text);
[[nodiscard]] std::string Lower(std::string_view text);

}  // namespace groupsim
