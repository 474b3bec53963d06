#include "groupsim/SimPages.h"

#include <algorithm>

#include "service/ServiceHosts.h"

namespace groupsim {

namespace hosts = tessaly::hosts;
namespace {

std::string Head(const std::string& title) {
    return "<html>\n<head>\n<title>" + HtmlEscape(title) +
           "</title>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
           "charset=ISO-8859-1\">\n</head>\n"
           "<body bgcolor=\"#ffffff\" text=\"#000000\" link=\"#0000cc\">\n"
           "<table width=\"100%\" border=0 cellpadding=0 cellspacing=0><tr><td>"
           "<a href=\"http://www.yahoo.com/\"><img "
           "src=\"http://us.i1.yimg.com/us.yimg.com/i/yg/img/logo.gif\" "
           "width=147 height=31 border=0 alt=\"Yahoo! Groups\"></a></td>\n"
           "<td align=right><a "
           "href=\"http://help.yahoo.com/help/us/groups/\">Help</a></td></tr></table>\n";
}

std::string Tail() {
    return "<hr size=1 noshade>\n<center><font size=-2>Copyright &copy; 2004 Yahoo! Inc. All "
           "rights reserved."
           " <a href=\"http://docs.yahoo.com/info/privacy/\">Privacy Policy</a> - "
           "<a href=\"http://docs.yahoo.com/info/terms/\">Terms of "
           "Service</a></font></center>\n</body>\n</html>\n";
}

std::string GroupBase(const Group& g) {
    return "/group/" + g.name;
}

std::string Sidebar(const Group& g) {
    const std::string base = GroupBase(g);
    return "<table cellpadding=3><tr><td><a href=\"" + base +
           "\">Home</a></td></tr>\n<tr><td><a href=\"" + base +
           "/messages\">Messages</a></td></tr>\n<tr><td><a href=\"" + base +
           "/files/\">Files</a></td></tr>\n<tr><td><a href=\"http://" +
           std::string(hosts::kPhotos) + base + "/lst\">Photos</a></td></tr>\n<tr><td><a href=\"" +
           base + "/members?group=sub\">Members</a></td></tr></table>\n";
}

// The photos list address of a group, with the query given.
std::string PhotosUrl(const Group& g, const std::string& page, const std::string& query) {
    return "http://" + g.prefix + hosts::kPhotos + "/group/" + g.name + "/" + page + "?" + query;
}

std::string DirValue(const std::string& album) {
    std::string v;
    for (char c : album) v += c == ' ' ? std::string("+") : UrlEncode(std::string(1, c));
    return v;
}

}  // namespace

std::string StoredAlbum(const std::string& album) {
    return album.empty() ? std::string(kTopAlbum) : UrlEncode(album);
}

std::string FileStoreBase(const std::string& token, int host) {
    return "http://f" + std::to_string(host) + "." + hosts::kFileStore + "/v1/" + token;
}

namespace pages {

std::string Login(const std::string& challenge, const std::string& u, const std::string& done,
                  const std::string& error) {
    std::string p = Head("Sign in to Yahoo!");
    if (!error.empty()) p += "<p><font color=red><b>" + HtmlEscape(error) + "</b></font></p>\n";
    p += "<form method=\"post\" action=\"http://" + std::string(hosts::kLogin) +
         "/config/login?\" autocomplete=\"off\" name=\"login_form\">\n"
         "<input type=\"hidden\" name=\".tries\" value=\"1\">\n"
         "<input type=\"hidden\" name=\".src\" value=\"ygrp\">\n"
         "<input type=\"hidden\" name=\".intl\" value=\"us\">\n"
         "<input type=\"hidden\" name=\".done\" value=\"" +
         HtmlEscape(done) +
         "\">\n"
         "<input type=\"hidden\" name=\".u\" value=\"" +
         u +
         "\">\n"
         "<input type=\"hidden\" name=\".challenge\" value=\"" +
         challenge +
         "\">\n"
         "<table><tr><td>Yahoo! ID:</td><td><input name=\"login\" size=\"17\" "
         "value=\"\"></td></tr>\n"
         "<tr><td>Password:</td><td><input name=\"passwd\" type=\"password\" size=\"17\" "
         "maxlength=\"32\"></td></tr>\n"
         "<tr><td colspan=2><input type=\"checkbox\" name=\".persistent\" value=\"y\"> Keep me "
         "signed in</td></tr>\n"
         "<tr><td colspan=2><input type=\"submit\" name=\".save\" value=\"Sign "
         "In\"></td></tr></table>\n"
         "</form>\n<p><a href=\"http://" +
         std::string(hosts::kLogin) +
         "/config/forgot?.src=ygrp\">Forget your ID or password?</a></p>\n";
    return p + Tail();
}

std::string Verify(const std::string& done) {
    return "<html>\n<head>\n<meta http-equiv=\"Refresh\" content=\"0; url=" + HtmlEscape(done) +
           "\">\n<title>Signing in</title>\n</head>\n<body>If this page does not change, <a "
           "href=\"" +
           HtmlEscape(done) + "\">click here</a>.</body>\n</html>\n";
}

std::string MyGroups(const SimData& data, const Member& member, int page) {
    std::vector<std::string> names = member.groups;
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); });
    const int pages =
        std::max(1, static_cast<int>((names.size() + kMyGroupsPerPage - 1) / kMyGroupsPerPage));
    page = std::clamp(page, 1, pages);
    std::string p = Head("Yahoo! Groups - My Groups");
    p += "<h2>My Groups</h2>\n<table width=\"100%\" "
         "cellpadding=3>\n<tr><th>Group</th><th>Messages</th><th>Email</th></tr>\n";
    for (std::size_t i = static_cast<std::size_t>((page - 1) * kMyGroupsPerPage);
         i < names.size() && i < static_cast<std::size_t>(page * kMyGroupsPerPage); ++i) {
        const Group* g = data.FindGroup(names[i]);
        const std::size_t count = g != nullptr ? g->messages.size() : 0;
        p += "<tr><td><a href=\"/group/" + names[i] + "?yguid=8841\">" + names[i] +
             "</a></td><td><a href=\"/group/" + names[i] + "/messages?o=1\">" +
             std::to_string(count) + "</a></td><td><a href=\"/group/" + names[i] +
             "/join?edit=1\">Individual Emails</a></td></tr>\n";
    }
    p += "</table>\n<p>Page: ";
    for (int k = 1; k <= pages; ++k) {
        if (k == page) {
            p += "<b>" + std::to_string(k) + "</b> ";
        } else {
            p += "<a href=\"/mygroups?sort=n&amp;order=a&amp;page=" + std::to_string(k) + "\">" +
                 std::to_string(k) + "</a> ";
        }
    }
    p += "</p>\n<p><a href=\"http://" + std::string(hosts::kGroups) +
         "/start?x=1\">Start a new group</a></p>\n";
    return p + Tail();
}

std::string AdultConfirmation(const std::string& dest) {
    std::string p = Head("Yahoo! Groups - Adult Content Confirmation");
    p += "<h3>Adult Content Confirmation</h3>\n<p>This group may contain adult-oriented material. "
         "To continue, you "
         "must certify that you are at least 18 years of age.</p>\n"
         "<form method=\"post\" action=\"/adultconf\">\n"
         "<input type=\"hidden\" name=\"dest\" value=\"" +
         HtmlEscape(dest) +
         "\">\n"
         "<input type=\"submit\" name=\"accept\" value=\"I Accept\">\n"
         "<input type=\"submit\" name=\"cancel\" value=\"Cancel\">\n</form>\n";
    return p + Tail();
}

std::string GroupHome(const Group& g) {
    std::string p = Head(g.name + " : " + g.name + " Home");
    p += Sidebar(g);
    p += "<h2>" + g.name + "</h2>\n<p>Welcome to " + g.name +
         ". Post message: <a href=\"mailto:" + g.name + "@" + hosts::kGroupsMailDomain + "\">" +
         g.name + "@" + hosts::kGroupsMailDomain + "</a></p>\n";
    return p + Tail();
}

std::string MessageIndex(const Group& g, int start) {
    const auto& ms = g.messages;
    std::size_t from = 0;
    if (start < 0) {
        from = ms.size() > static_cast<std::size_t>(kIndexPerPage) ? ms.size() - kIndexPerPage : 0;
    } else {
        while (from < ms.size() && ms[from].number < start) ++from;
    }
    const std::size_t to = std::min(ms.size(), from + kIndexPerPage);
    std::string p = Head(g.name + " : Messages");
    p += Sidebar(g);
    p += "<table width=\"100%\" cellpadding=2 "
         "cellspacing=0>\n<tr><th>#</th><th>Subject</th><th>Author</th><th>Date</th></tr>\n";
    // Newest first on the page, as the service showed them.
    for (std::size_t i = to; i-- > from;) {
        const Message& m = ms[i];
        const std::string n = std::to_string(m.number);
        p += "<tr><td>" + n + "</td><td><a href=\"/group/" + g.name + "/message/" + n + "\">" +
             HtmlEscape(m.subject) + "</a> <a href=\"/group/" + g.name + "/message/" + n +
             "?threaded=1&amp;var=1\">[thread]</a></td><td>" + HtmlEscape(m.from) + "</td><td>" +
             m.date + "</td></tr>\n";
    }
    p += "</table>\n<p>";
    if (!ms.empty()) {
        p += "<a href=\"/group/" + g.name + "/messages/1\">Oldest</a> | ";
        if (from > 0) {
            const std::size_t prev =
                from > static_cast<std::size_t>(kIndexPerPage) ? from - kIndexPerPage : 0;
            p += "<a href=\"/group/" + g.name + "/messages/" + std::to_string(ms[prev].number) +
                 "\">&lt; Older</a> | ";
        }
        if (to < ms.size()) {
            p += "<a href=\"/group/" + g.name + "/messages/" + std::to_string(ms[to].number) +
                 "\">Newer &gt;</a> | ";
        }
        p += "<a href=\"/group/" + g.name + "/messages\">Newest</a>";
    } else {
        p += "There are no messages in this group.";
    }
    p += "</p>\n<p>Search: <a href=\"/group/" + g.name +
         "/msearch?query=&amp;submit=Search\">Advanced</a></p>\n";
    return p + Tail();
}

std::string MessagePage(const Group& g, std::size_t index, const std::string& token) {
    const Message& m = g.messages[index];
    const std::string n = std::to_string(m.number);
    const std::string last = std::to_string(g.messages.back().number);
    const std::string base = "/group/" + g.name + "/message/";
    std::string nav = "<table width=\"100%\"><tr><td>";
    if (index > 0)
        nav += "<a href=\"" + base + std::to_string(g.messages[index - 1].number) +
               "\">&lt; Prev Message</a>";
    nav += "</td><td align=center><a href=\"/group/" + g.name + "/messages/" + n +
           "\">Message List</a></td><td align=right>";
    if (index + 1 < g.messages.size()) {
        nav += "<a href=\"" + base + std::to_string(g.messages[index + 1].number) +
               "\">Next Message &gt;</a>";
    }
    nav += "</td></tr></table>\n";

    std::string p = Head(g.name + " : Message: " + n + " of " + last);
    p += Sidebar(g) + nav;
    if (m.purged) {
        p += "<p><b>Message " + n + " does not exist in " + g.name + "</b></p>\n";
        return p + nav + Tail();
    }
    p += "<table class=\"msg\" cellpadding=2>\n<tr><td><b>Message " + n + " of " + last +
         "</b></td></tr>\n<tr><td><b>From: </b>" + HtmlEscape(m.from) + " &lt;" +
         Lower(m.from.substr(0, 3)) + "...@example.com&gt;</td></tr>\n<tr><td><b>Date:</b>" +
         m.date + "<br></td></tr>\n<tr><td><b>Subject: </b>" + HtmlEscape(m.subject) +
         "</td></tr></table>\n<hr size=1>\n<pre>" + HtmlEscape(m.body) + "\n</pre>\n";
    for (const auto& link : m.outsideLinks)
        p += "<p>See <a href=\"" + link + "\" target=\"_blank\">" + link + "</a></p>\n";
    for (const auto& other : m.otherGroups) {
        p += "<p>Please join us at " + other + "-subscribe@" + hosts::kGroupsMailDomain +
             " for more.</p>\n";
    }
    for (const auto& a : m.attachments) {
        const std::string enc = UrlEncode(a.name);
        const std::string url =
            a.onFileStore ? FileStoreBase(token, a.embedded ? 2 : 1) + "/.attach/" + n + "/" + enc
                          : "http://" + g.prefix + hosts::kGroups + "/group/" + g.name +
                                "/attach/" + n + "/" + enc;
        if (a.embedded) {
            p += "<p><img src=\"" + url + "\" alt=\"" + HtmlEscape(a.name) + "\"></p>\n";
        } else {
            p += "<p>Attachment: <a href=\"" + url + "\">" + HtmlEscape(a.name) + "</a></p>\n";
        }
    }
    p += "<hr size=1>\n<p>Post message: <a href=\"mailto:" + g.name + "@" +
         hosts::kGroupsMailDomain + "\">" + g.name + "@" + hosts::kGroupsMailDomain +
         "</a><br>\nUnsubscribe: <a href=\"mailto:" + g.name + "-unsubscribe@" +
         hosts::kGroupsMailDomain + "\">" + g.name + "-unsubscribe@" + hosts::kGroupsMailDomain +
         "</a><br>\nList owner: " + g.name + "-owner@" + hosts::kGroupsMailDomain +
         "</p>\n<p><a href=\"/group/" + g.name + "/post?act=reply&amp;messageNum=" + n +
         "\">Reply</a></p>\n";
    return p + nav + Tail();
}

std::string Auth(const Group& g, const std::string& done) {
    std::string p = Head(g.name + " : Verify your password");
    p += "<p>For your security, please verify your password to continue.</p>\n<form "
         "method=\"post\" action=\"/group/" +
         g.name + "/auth?done=" + UrlEncode(done) +
         "\">\n<input type=\"password\" name=\"passwd\">\n"
         "<input type=\"submit\" name=\"verify\" value=\"Continue\">\n</form>\n";
    return p + Tail();
}

std::string Interstitial(const Group& g, int number) {
    std::string p = Head("Yahoo! Groups - Sponsor");
    p += "<table width=\"100%\"><tr><td align=center><a "
         "href=\"http://rd.yahoo.com/M=298184/*http://www.example.com/offer\">"
         "<img src=\"http://us.a1.yimg.com/us.yimg.com/a/ad/offer.gif\" width=300 height=250 "
         "border=0></a></td></tr>\n"
         "<tr><td align=center><a href=\"/group/" +
         g.name + "/message/" + std::to_string(number) +
         "\">Continue to message</a></td></tr></table>\n";
    return p + Tail();
}

std::string NotMember(const Group& g) {
    std::string p = Head(g.name + " : Members only");
    p += "<p>You are not a member of the group " + g.name +
         ". Only members may read its messages, files and photos.</p>\n"
         "<p><a href=\"/group/" +
         g.name + "/join\">Join This Group!</a></p>\n";
    return p + Tail();
}

std::string NoSuchGroup(const std::string& name) {
    return Head("Yahoo! Groups - Group Not Found") + "<p>There is no group called " +
           HtmlEscape(name) + ".</p>\n" + Tail();
}

std::string NotFound(const std::string& what) {
    return Head("Yahoo! Groups - Not Found") + "<p>The page " + HtmlEscape(what) +
           " was not found.</p>\n" + Tail();
}

std::string Throttled() {
    return "<html><head><title>Yahoo! - 999 Unable to process request at this time -- error "
           "999</title></head>\n"
           "<body><p>Sorry, Unable to process your request at this time -- error 999.</p>\n"
           "<p>Unfortunately we are unable to process your request at this time. This error is "
           "usually temporary. "
           "Please try again later.</p></body></html>\n";
}

std::string Folder(const Group& g, const groupsim::Folder& folder, const std::string& folderPath,
                   const std::string& token) {
    const std::string top = "/group/" + g.name + "/files/";
    std::string p = Head(g.name + " : Files" +
                         (folderPath == "/" ? "" : " : " + UrlDecodeComponent(folderPath)));
    p += Sidebar(g);
    p += "<p><a href=\"" + top + "\">Files</a>";
    if (folderPath != "/") p += " &gt; " + HtmlEscape(UrlDecodeComponent(folderPath));
    p += "</p>\n<table width=\"100%\" "
         "cellpadding=3>\n<tr><th>Name</th><th>Size</th><th>Creator</th><th>Created</th></tr>\n";
    for (const auto& sub : folder.folders) {
        p += "<tr><td><span class=\"title\"><a href=\"" + top + folderPath.substr(1) +
             UrlEncode(sub.name) + "/\">" + HtmlEscape(sub.name) +
             "</a></span></td><td>-</td><td>alice_w</td><td>12/14/2004</td></tr>\n";
    }
    auto fileRow = [&](const std::string& pathFromTop, const std::string& name) {
        const std::string url = FileStoreBase(token) + "/" + UrlEncode(pathFromTop);
        return "<tr><td><span class=\"title\"><a href=\"" + url + "\">" + HtmlEscape(name) +
               "</a></span></td><td>12 KB</td><td>bob_smith</td><td>01/03/2005</td></tr>\n";
    };
    const std::string here = UrlDecodeComponent(folderPath.substr(1));
    for (const auto& f : folder.files) {
        const std::string row = fileRow(here + f, f);
        p += row;
        if (folder.duplicateLinks) p += row;
    }
    for (const auto& raw : folder.rawFiles) {
        p += "<tr><td><span class=\"title\"><a href=\"" + FileStoreBase(token) + "/" +
             UrlEncode(here) + raw + "\">" + HtmlEscape(raw) +
             "</a></span></td><td>1 KB</td><td>bob_smith</td><td>01/03/2005</td></tr>\n";
    }
    for (const auto& linked : folder.linkedFiles)
        p += fileRow(linked, linked.substr(linked.rfind('/') + 1));
    p += "</table>\n<p><a href=\"" + top + "\">Back to the top folder</a> | <a href=\"/group/" +
         g.name + "/files/?sort=date\">Sort by date</a></p>\n";
    return p + Tail();
}

std::string PhotoList(const Group& g, int album, char view, int begin) {
    const std::string v(1, view);
    const char other = view == 't' ? 'l' : 't';
    std::string p = Head(g.name + " : Photos");
    p += Sidebar(g);
    if (album < 0) {
        p += "<p>View: <a href=\"" +
             PhotosUrl(g, "lst", ".dir=/&.src=gr&.view=" + std::string(1, other) + "&.begin=1") +
             "\">" + (other == 't' ? "Thumbnails" : "List") + "</a></p>\n<table cellpadding=4>\n";
        std::string top;
        for (const auto& a : g.albums) {
            if (a.name.empty()) {
                for (const auto& photo : a.photos) {
                    top += "<td><a href=\"" +
                           PhotosUrl(g, "vwp",
                                     ".dir=/&.dnm=" + UrlEncode(photo) + "&.src=gr&.view=" + v) +
                           "\">" + HtmlEscape(photo) + "</a></td>\n";
                }
                continue;
            }
            p += "<tr><td><a href=\"" +
                 PhotosUrl(g, "lst", ".dir=/" + DirValue(a.name) + "&.src=gr&.order=&.view=" + v) +
                 "\">" + HtmlEscape(a.name) + "</a></td><td>" + std::to_string(a.photos.size()) +
                 " photos</td><td><a href=\"" +
                 PhotosUrl(
                     g, "lst",
                     ".dir=/" + DirValue(a.name) + "&.src=gr&.order=&.view=" + v + "&.sort=date") +
                 "\">newest</a></td></tr>\n";
        }
        p += "</table>\n";
        if (!top.empty()) p += "<table><tr>\n" + top + "</tr></table>\n";
        return p + Tail();
    }
    const Album& a = g.albums[static_cast<std::size_t>(album)];
    const std::string dir = DirValue(a.name);
    const int total = static_cast<int>(a.photos.size());
    begin = std::clamp(begin, 1, std::max(1, total));
    p += "<p><a href=\"" + PhotosUrl(g, "lst", ".dir=/&.src=gr&.view=" + v) +
         "\">Photos</a> &gt; " + HtmlEscape(a.name) + "</p>\n<p>View: <a href=\"" +
         PhotosUrl(g, "lst",
                   ".dir=/" + dir + "&.src=gr&.view=" + std::string(1, other) + "&.begin=1") +
         "\">switch</a></p>\n<table cellpadding=4><tr>\n";
    for (int i = begin; i < begin + kPhotosPerPage && i <= total; ++i) {
        const std::string& photo = a.photos[static_cast<std::size_t>(i - 1)];
        p += "<td><a href=\"" +
             PhotosUrl(g, "vwp",
                       ".dir=/" + dir + "&.dnm=" + UrlEncode(photo) + "&.src=gr&.view=" + v) +
             "\"><img src=\"http://" + std::string(hosts::kPhotos) + "/thumbs/" + UrlEncode(photo) +
             "?tn\" border=0></a><br>" + HtmlEscape(photo) + "</td>\n";
    }
    p += "</tr></table>\n<p>";
    for (int b = 1; b <= total; b += kPhotosPerPage) {
        if (b == begin) {
            p += "<b>" + std::to_string((b - 1) / kPhotosPerPage + 1) + "</b> ";
        } else {
            p += "<a href=\"" +
                 PhotosUrl(g, "lst",
                           "&.dir=/" + dir + "&.src=gr&.begin=" + std::to_string(b) +
                               "&.view=" + v + "&.order=") +
                 "\">" + std::to_string((b - 1) / kPhotosPerPage + 1) + "</a> ";
        }
    }
    p += "<a href=\"" + PhotosUrl(g, "lst", "&.dir=/" + dir + "&.src=gr&.begin=9999&.view=" + v) +
         "\">Last</a></p>\n";
    return p + Tail();
}

std::string PhotoView(const Group& g, const Album& a, const std::string& photo, bool hires,
                      const std::string& token) {
    const std::string dir = DirValue(a.name);
    const std::string enc = UrlEncode(photo);
    std::string p = Head(g.name + " : Photos : " + photo);
    p += Sidebar(g);
    const std::string image = FileStoreBase(token) + "/.photos/" + StoredAlbum(a.name) + "/" +
                              (hires ? "hr_" : "") + enc + (hires ? "?hires=1" : "?bfXQ8sBrnAw");
    p += "<p><img src=\"http://us.i1.yimg.com/us.yimg.com/i/yg/img/prev.gif\"> <img "
         "src=\"http://us.i1.yimg.com/"
         "us.yimg.com/i/yg/img/next.gif\"></p>\n<p><img src=\"" +
         image + "\" alt=\"" + HtmlEscape(photo) + "\"></p>\n";
    if (!hires && a.hires) {
        p += "<p><a href=\"" +
             PhotosUrl(g, "vwp", ".dir=/" + dir + "&.dnm=" + enc + "&.src=gr&.view=t&.hires=t") +
             "\">View full size</a></p>\n";
    }
    p += "<p><a href=\"" + PhotosUrl(g, "lst", ".dir=/" + dir + "&.src=gr&.view=t") +
         "\">Back to album</a></p>\n";
    return p + Tail();
}

}  // namespace pages
}  // namespace groupsim
