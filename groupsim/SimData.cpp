#include "groupsim/SimData.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "groupsim/SimPicture.h"

namespace groupsim {
namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t Hash(std::uint64_t seed, std::string_view key) {
    std::uint64_t h = 1469598103934665603ull ^ seed;
    for (char c : key) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return SplitMix(h);
}

std::string Bytes(std::uint64_t state, std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t v = SplitMix(state);
        for (std::size_t k = 0; k < 8 && i + k < size; ++k)
            out[i + k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    }
    return out;
}

// "Tue Dec 14, 2004 9:05 pm" for the n-th message: one every 7 hours 13 minutes from
// 2004-12-14 21:05. Every fourth year is a leap year, 2100 too: the calendar only has to be
// the same on every run, and the date of a message takes a few steps whatever its number.
std::string MessageDate(int n) {
    static const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const int kLen[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    constexpr long kFourYears = 4 * 365 + 1;
    constexpr long kDayOfYearOfStart = 348;  // 2004-12-14, counted from 2004-01-01 as 0
    // Minutes since 2004-12-14 00:00 (a Tuesday).
    const long minutes = 21 * 60 + 5 + static_cast<long>(n) * (7 * 60 + 13);
    const long days = minutes / 1440;
    const int minuteOfDay = static_cast<int>(minutes % 1440);
    // Whole four-year spans from 2004 (a leap year) first, then single years, then months.
    long rest = kDayOfYearOfStart + days;
    int year = 2004 + 4 * static_cast<int>(rest / kFourYears);
    rest %= kFourYears;
    auto yearLength = [](int y) { return y % 4 == 0 ? 366 : 365; };
    while (rest >= yearLength(year)) rest -= yearLength(year++);
    int month = 1;
    auto monthLength = [&](int m) { return kLen[m - 1] + (m == 2 && year % 4 == 0 ? 1 : 0); };
    while (rest >= monthLength(month)) rest -= monthLength(month++);
    const int day = static_cast<int>(rest) + 1;
    const int hour = minuteOfDay / 60;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s %s %d, %d %d:%02d %s", kDays[(2 + days) % 7],
                  kMonths[month - 1], day, year, hour % 12 == 0 ? 12 : hour % 12, minuteOfDay % 60,
                  hour < 12 ? "am" : "pm");
    return buf;
}

Message MakeMessage(const std::string& group, int n, std::uint64_t seed) {
    static const char* kFrom[] = {"Alice Walker", "bob_smith", "Carol", "dave.jones", "Erin"};
    static const char* kTopics[] = {"Meeting next week", "Re: trail report", "Photos from Saturday",
                                    "Question about the files", "Welcome!"};
    Message m;
    m.number = n;
    const auto h = Hash(seed, group + "#" + std::to_string(n));
    m.from = kFrom[h % 5];
    m.subject = kTopics[(h >> 8) % 5];
    m.date = MessageDate(n);
    m.body = "Hello all,\n\nThis is message " + std::to_string(n) + " of " + group +
             ". It talks about the trail & the <weather>.\n\nRegards,\n" + m.from;
    return m;
}

Folder MakeFolder(std::string name, std::vector<std::string> files,
                  std::vector<Folder> folders = {}) {
    Folder f;
    f.name = std::move(name);
    f.files = std::move(files);
    f.folders = std::move(folders);
    return f;
}

Group SmallGroup(std::string name, int count, std::uint64_t seed, int first = 1) {
    Group g;
    g.name = std::move(name);
    for (int n = first; n < first + count; ++n) g.messages.push_back(MakeMessage(g.name, n, seed));
    return g;
}

}  // namespace

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

const Member* SimData::FindMember(std::string_view user) const {
    for (const auto& m : members) {
        if (Lower(m.user) == Lower(user)) return &m;
    }
    return nullptr;
}

const Group* SimData::FindGroup(std::string_view name) const {
    const std::string key = Lower(name);
    for (const auto& g : groups) {
        if (Lower(g.name) == key) return &g;
    }
    return nullptr;
}

bool SimData::IsMemberOf(const Member& member, const Group& group) const {
    for (const auto& name : member.groups) {
        if (Lower(name) == Lower(group.name)) return true;
    }
    return false;
}

std::string AttachmentKey(std::string_view group, int number, const Attachment& a) {
    return std::string(group) + "/attach/" + std::to_string(number) + "/" + a.name +
           (a.variant != 0 ? "#" + std::to_string(a.variant) : "");
}

namespace {

// "exact-N.EXT" files (any extension) have exactly N bytes, for tests and benchmarks that need
// a known size.
std::optional<std::size_t> ExactSize(std::string_view key) {
    const auto at = key.rfind("exact-");
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t i = at + 6, n = 0;
    if (i >= key.size() || key[i] < '0' || key[i] > '9') return std::nullopt;
    for (; i < key.size() && key[i] >= '0' && key[i] <= '9'; ++i)
        n = n * 10 + static_cast<std::size_t>(key[i] - '0');
    if (i >= key.size() || key[i] != '.' || key.find('/', i) != std::string_view::npos)
        return std::nullopt;
    return n;
}

// The first bytes of a stored picture, by the extension of its name: the store's pictures begin as
// pictures of their type do, whatever random bytes follow ("" for a name of another type).
std::string_view PictureHead(std::string_view key) {
    key = key.substr(0, key.find('#'));  // an attachment's variant mark
    const auto dot = key.rfind('.');
    if (dot == std::string_view::npos) return {};
    std::string ext(key.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "jpg" || ext == "jpeg") return {"\xFF\xD8\xFF\xE0", 4};
    if (ext == "gif") return "GIF89a";
    if (ext == "png") return {"\x89PNG\r\n\x1A\n", 8};
    return {};
}

// Lays the picture head of `key` over the stretch [offset, offset + length) of its bytes.
void OverlayPictureHead(std::string_view key, std::size_t offset, char* out, std::size_t length) {
    const std::string_view head = PictureHead(key);
    for (std::size_t i = offset; i < head.size() && i < offset + length; ++i)
        out[i - offset] = head[i];
}

}  // namespace

std::size_t FileSize(std::uint64_t seed, std::string_view key) {
    const std::uint64_t h = Hash(seed, key);
    if (const auto exact = ExactSize(key)) return *exact;
    return 256 + h % 24000;
}

void FileBytesAt(std::uint64_t seed, std::string_view key, std::size_t offset, char* out,
                 std::size_t length) {
    // The bytes come 8 from each step of the generator, and step k starts from the key's hash
    // advanced k times: any stretch of the file is made without the bytes before it.
    const std::uint64_t h = Hash(seed, key);
    std::size_t i = offset - offset % 8;
    std::uint64_t state = h + 0x9E3779B97F4A7C15ull * (i / 8);
    for (; i < offset + length; i += 8) {
        const std::uint64_t v = SplitMix(state);
        for (std::size_t k = 0; k < 8; ++k) {
            if (i + k >= offset && i + k < offset + length)
                out[i + k - offset] = static_cast<char>((v >> (8 * k)) & 0xFF);
        }
    }
    OverlayPictureHead(key, offset, out, length);
}

std::string FileContent(std::uint64_t seed, std::string_view key) {
    const std::uint64_t h = Hash(seed, key);
    std::string out =
        Bytes(h, ExactSize(key) ? std::min<std::size_t>(*ExactSize(key), 64u * 1024 * 1024)
                                : 256 + h % 24000);
    OverlayPictureHead(key, 0, out.data(), out.size());
    return out;
}

std::string PictureContent(std::uint64_t seed, std::string_view key, bool hires, std::size_t size) {
    const std::uint64_t h = Hash(seed, std::string(key) + (hires ? "#hires" : ""));
    const std::size_t total = size >= 6 ? size : (hires ? 40000 : 6000) + h % 4000 + 6;
    // A real picture, padded after its end to the size the picture is to have; a size too
    // small for one gives bytes that only begin and end as a JPEG does.
    std::string data = MosaicJpeg(h, hires ? 40 : 20, hires ? 30 : 15);
    if (data.size() + 2 > total) data = "\xFF\xD8\xFF\xE0";
    data += Bytes(h ^ 0x5A5Aull, total - data.size() - 2);
    data += "\xFF\xD9";
    return data;
}

std::string FileStoreToken(std::uint64_t seed, std::string_view user) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx",
                  static_cast<unsigned long long>(Hash(seed, "token:" + Lower(user))));
    return buf;
}

std::string UrlEncode(std::string_view text) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
        }
    }
    return out;
}

std::string UrlDecodeComponent(std::string_view text) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out.push_back(' ');
        } else if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 &&
                   hex(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

SimData DemoData(std::uint64_t seed, int bigMessages, const BenchData& bench) {
    SimData d;
    d.seed = seed;

    // The main demo group: gaps, a purged message, attachments (some blocked), pages in the way,
    // a three-level Files tree and two Photos albums.
    Group demo;
    demo.name = "DemoGroup";
    for (int n = 1; n <= 40; ++n) {
        if (n == 7 || n == 8 || n == 20) continue;  // never posted, or deleted: gaps
        Message m = MakeMessage(demo.name, n, seed);
        if (n == 15) m.purged = true;
        // A rare word in exactly two messages (the archive's search finds both), and a line
        // that begins as an mbox separator does.
        if (n == 13 || n == 27) m.body += "\nP.S. A quetzal was seen near the north loop.";
        if (n == 9) m.body = "From the top of the ridge we saw three valleys.\n\n" + m.body;
        if (n % 6 == 0)
            m.attachments.push_back({"photo" + std::to_string(n) + ".jpg", false, false, false});
        if (n % 9 == 0)
            m.attachments.push_back({"Minutes " + std::to_string(n) + ".pdf", true, false, false});
        if (n == 12) m.attachments.push_back({"inline.gif", true, true, false});
        if (n == 18 || n == 30) m.attachments.push_back({"secret.zip", false, false, true});
        if (n == 24) m.attachments.push_back({"gone.doc", true, false, true});
        if (n % 5 == 0) m.otherGroups.push_back("HikersUnited");
        if (n % 10 == 3) m.otherGroups.push_back("trail-news");
        m.outsideLinks.push_back("http://www.example.org/trails/page" + std::to_string(n) +
                                 ".html");
        if (n % 4 == 0)
            m.outsideLinks.push_back("http://rd.yahoo.com/SIG=12abc/*http://www.example.org/ad");
        demo.messages.push_back(std::move(m));
    }
    demo.authMessages = {5};
    demo.interstitialMessages = {10, 11};
    Folder q1 = MakeFolder("Q1", {"january.txt", "Budget 2004.xls"});
    Folder y2004 = MakeFolder("2004", {"annual report.pdf"}, {q1});
    y2004.linkedFiles.push_back(
        "Minutes/agenda.doc");  // the same file, linked from a second folder
    Folder minutes = MakeFolder("Minutes", {"agenda.doc", "Meeting Notes.doc"}, {y2004});
    minutes.duplicateLinks = true;
    Folder maps =
        MakeFolder("Maps & Routes", {"north loop.gpx", "south_loop.jpg", "exact-40000.bin"});
    demo.files = MakeFolder("", {"welcome.txt", "rules.pdf", "setup.exe"}, {minutes, maps});
    Album a1{"Summer Walk", {}};
    for (int i = 1; i <= 15; ++i)
        a1.photos.push_back("walk" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".jpg");
    Album a2{"Club Dinner", {"dinner1.jpg", "dinner 2.jpg", "toast.jpg"}};
    Album top{"", {"welcome.jpg"}};  // at the top level
    demo.albums = {a1, a2, top};
    d.groups.push_back(std::move(demo));

    Group uk = SmallGroup("BritishWalkers", 5, seed, 101);
    uk.prefix = "uk.";
    uk.files = MakeFolder("", {"footpaths.txt"});
    uk.albums = {Album{"Lake District", {"lake1.jpg", "lake2.jpg"}, false}};  // no hires pages
    d.groups.push_back(std::move(uk));

    Group sports = SmallGroup("SportsFans", 4, seed);
    sports.prefix = "sports.";
    sports.albums = {Album{"Match Day", {"goal.jpg"}}};
    // Attachments of every kind a name can clash or go wrong with, on its four messages.
    auto file = [](std::string name, bool onFileStore, bool embedded = false, int variant = 0) {
        Attachment a;
        a.name = std::move(name);
        a.onFileStore = onFileStore;
        a.embedded = embedded;
        a.variant = variant;
        return a;
    };
    sports.messages[0].attachments = {file("notes.txt", false), file("notes.txt", true, false, 2),
                                      file("a:b?.gif", false)};
    sports.messages[1].attachments = {file("notes.txt", false), file("..\\up.txt", true)};
    sports.messages[2].attachments = {file("setup.exe", false), file("readme", true),
                                      file("inline.png", true, true)};
    sports.messages[3].attachments = {file("photo.jpg", false)};
    d.groups.push_back(std::move(sports));

    Group adult = SmallGroup("AdultGroup", 3, seed);
    adult.adult = true;
    adult.files = MakeFolder("", {"notice.txt"});
    d.groups.push_back(std::move(adult));

    // Listed by the member in lower case; its Files tree has subfolders (spelled by the
    // service in its own letter case) and a folder of names no file system should take as
    // they stand.
    Group mixed = SmallGroup("MixedCaseGroup", 3, seed);
    Folder up = MakeFolder("..\\..\\up", {"inside.jpg"});
    Folder odd = MakeFolder("Odd Names", {}, {up});
    odd.rawFiles = {"report.pdf?x=1",
                    "..%2F..%2Fescape.jpg",
                    "%2E%2E",
                    "..%5C..%5Cback.jpg",
                    "nul%00byte.jpg",
                    "trailing/",
                    std::string(300, 'n') + ".jpg"};
    Folder deeper = MakeFolder("Deeper", {"deep.zip"});
    Folder sub = MakeFolder("Sub Folder", {"inner.jpg"}, {deeper});
    mixed.files = MakeFolder("", {"readme.pdf"}, {sub, odd});
    // Photos whose album and names would climb out of a folder, or name one, taken as they
    // stand.
    mixed.albums = {Album{"..\\..\\up", {"..\\..\\evil.jpg", "a:b?.jpg"}}};
    d.groups.push_back(std::move(mixed));
    d.groups.push_back(SmallGroup("OneMessage", 1, seed, 500));
    Group empty;
    empty.name = "EmptyGroup";
    d.groups.push_back(std::move(empty));
    for (int i = 1; i <= 16; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Filler%02d", i);
        d.groups.push_back(SmallGroup(name, 2, seed));
    }
    // Many files in one folder, for the parallel downloads.
    std::vector<std::string> many;
    for (int i = 1; i <= 30; ++i) many.push_back("file" + std::to_string(i) + ".jpg");
    Folder batch = MakeFolder("Batch", many);
    d.groups.back().files = MakeFolder("", {"first.jpg"}, {batch});
    if (bench.files > 0) {
        // One folder of many files of one size, for the speed of parallel downloads.
        Group g;
        g.name = "BenchFiles";
        for (int k = 1; k <= bench.files; ++k) {
            char name[64];
            std::snprintf(name, sizeof name, "file-%05d-exact-%zu.zip", k, bench.fileSize);
            g.files.files.emplace_back(name);
        }
        d.groups.push_back(std::move(g));
    }
    if (bench.bigFile > 0) {
        // One big file, for the speed of one long download.
        Group g;
        g.name = "BenchBig";
        g.files.files.push_back("big-exact-" + std::to_string(bench.bigFile) + ".zip");
        d.groups.push_back(std::move(g));
    }
    if (bench.photos > 0) {
        Group g;
        g.name = "BenchPhotos";
        const int perAlbum = std::max(1, bench.albumSize);
        for (int k = 0; k < bench.photos; ++k) {
            if (k % perAlbum == 0) {
                char album[32];
                std::snprintf(album, sizeof album, "Album%03d", k / perAlbum + 1);
                g.albums.push_back(Album{album, {}, false, bench.photoSize});
            }
            char photo[32];
            std::snprintf(photo, sizeof photo, "photo-%05d.jpg", k + 1);
            g.albums.back().photos.emplace_back(photo);
        }
        d.groups.push_back(std::move(g));
    }
    if (bigMessages > 0) {
        Group big;
        big.name = "BigGroup";
        std::uint64_t state = seed ^ 0xB16ull;
        int n = 1;
        for (int k = 0; k < bigMessages; ++k) {
            big.messages.push_back(MakeMessage(big.name, n, seed));
            n += 1 + (SplitMix(state) % 20 == 0 ? 1 : 0);  // a gap now and then
        }
        d.groups.push_back(std::move(big));
    }

    Member demoMember{"demo_member", "tessaly-demo", {}};
    for (const auto& g : d.groups)
        demoMember.groups.push_back(g.name == "MixedCaseGroup" ? "mixedcasegroup" : g.name);
    d.members.push_back(std::move(demoMember));
    d.members.push_back(Member{"other_member", "other-pass", {"Filler01", "OneMessage"}});
    return d;
}

}  // namespace groupsim
