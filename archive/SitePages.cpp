#include "archive/SitePages.h"

#include <cstdio>

#include "archive/SearchBlock.h"
#include "archive/SiteText.h"
#include "text/HtmlText.h"

namespace tessaly::archive {
namespace {

constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};

std::string Unknown(const std::string& what) {
    return "<span class=\"unknown\">" + HtmlEscape(what) + "</span>";
}

std::string DateOnly(const std::optional<TMessageDate>& d) {
    if (!d) return "unknown";
    return d->ShortText().substr(0, 10);
}

std::string Count(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

TGroupSummary Summarize(const std::string& name, const std::string& messagesRel,
                        const std::vector<TCatalogEntry>& entries) {
    TGroupSummary s;
    s.name = name;
    s.dir = "groups/" + name + "/";
    s.messagesRel = messagesRel;
    for (const TCatalogEntry& e : entries) {
        ++s.messages;
        if (e.purged) ++s.purged;
        if (s.firstNumber == 0) s.firstNumber = e.number;
        s.lastNumber = e.number;
        if (e.date) {
            if (!s.firstDate || e.date->WallSeconds() < s.firstDate->WallSeconds())
                s.firstDate = e.date;
            if (!s.lastDate || e.date->WallSeconds() > s.lastDate->WallSeconds())
                s.lastDate = e.date;
        } else if (!e.purged) {
            ++s.undated;
        }
        if (!e.purged) ++s.months[e.MonthKey()];
        const std::int64_t b = BlockOf(e.number);
        if (s.blocks.empty() || s.blocks.back().block != b)
            s.blocks.push_back({b, e.number, e.number});
        s.blocks.back().last = e.number;
    }
    return s;
}

std::string NumberPageName(std::int64_t block) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "numbers-%07lld.html",
                  static_cast<long long>(block * kBlockSize));
    return buf;
}

std::string MonthTitle(const std::string& key) {
    if (key == "unknown") return "Without a date";
    const int month = std::stoi(key.substr(5, 2));
    return std::string(kMonthNames[month - 1]) + " " + key.substr(0, 4);
}

std::string MonthPageName(const std::string& month) {
    return "month-" + month + ".html";
}

std::string TopPage(const std::vector<TGroupSummary>& groups) {
    std::int64_t messages = 0;
    for (const auto& g : groups) messages += g.messages;
    std::string p = PageHead("The archive", "");
    p += "<h1>The archive</h1>\n<p class=\"summary\">" +
         Count(static_cast<std::int64_t>(groups.size()), "group", "groups") + ", " +
         Count(messages, "message", "messages") +
         ". <a href=\"search.html\">Search the messages</a>.</p>\n";
    p += "<table class=\"list\" id=\"groups\">\n<tr><th>Group</th><th class=\"num\">Messages</th>"
         "<th>From</th><th>To</th><th class=\"num\">Files</th><th class=\"num\">Photos</th></tr>\n";
    for (const auto& g : groups) {
        p += "<tr><td><a href=\"" + UrlPath(g.dir) + "index.html\">" + HtmlEscape(g.name) +
             "</a></td><td class=\"num\">" + std::to_string(g.messages) +
             "</td><td class=\"date\">" +
             (g.firstDate ? DateOnly(g.firstDate) : (g.messages > 0 ? Unknown("unknown") : "")) +
             "</td><td class=\"date\">" +
             (g.lastDate ? DateOnly(g.lastDate) : (g.messages > 0 ? Unknown("unknown") : "")) +
             "</td><td class=\"num\">" +
             (g.files > 0 ? "<a href=\"" + UrlPath(g.dir) + "files.html\">" +
                                std::to_string(g.files) + "</a>"
                          : "") +
             "</td><td class=\"num\">" +
             (g.photos > 0 ? "<a href=\"" + UrlPath(g.dir) + "photos.html\">" +
                                 std::to_string(g.photos) + "</a>"
                           : "") +
             "</td></tr>\n";
    }
    p += "</table>\n";
    return p + PageFoot();
}

std::string GroupPage(const TGroupSummary& g) {
    std::string p = PageHead(g.name, "../../");
    p += "<h1>" + HtmlEscape(g.name) + "</h1>\n<p class=\"summary\">";
    if (g.messages > 0) {
        p += Count(g.messages, "message", "messages") + ", numbered " +
             std::to_string(g.firstNumber) + " to " + std::to_string(g.lastNumber);
        if (g.firstDate) p += ", from " + DateOnly(g.firstDate) + " to " + DateOnly(g.lastDate);
        if (g.purged > 0) p += "; " + Count(g.purged, "was", "were") + " deleted from the group";
        if (g.undated > 0) p += "; " + Count(g.undated, "shows", "show") + " no date";
        p += ".";
    } else {
        p += "No saved messages.";
    }
    if (g.files > 0)
        p += " <a href=\"files.html\">Files</a> (" + std::to_string(g.files) + ", " +
             SizeText(g.fileBytes) + ").";
    if (g.photos > 0)
        p += " <a href=\"photos.html\">Photos</a> (" + std::to_string(g.photos) + ", " +
             SizeText(g.photoBytes) + ").";
    p += "</p>\n";
    if (!g.months.empty()) {
        p += "<h2>By month</h2>\n<table class=\"list months\" id=\"months\">\n<tr><th>Year</th>";
        for (const char* m : kMonthNames) p += "<th>" + std::string(m).substr(0, 3) + "</th>";
        p += "</tr>\n";
        std::string year;
        for (const auto& [key, count] : g.months) {
            if (key == "unknown") continue;
            if (key.substr(0, 4) == year) continue;
            year = key.substr(0, 4);
            p += "<tr><td>" + year + "</td>";
            for (int m = 1; m <= 12; ++m) {
                char k[16];
                std::snprintf(k, sizeof k, "%s-%02d", year.c_str(), m);
                const auto it = g.months.find(k);
                if (it == g.months.end()) {
                    p += "<td class=\"empty\">&middot;</td>";
                } else {
                    p += "<td><a href=\"" + MonthPageName(k) + "\">" + std::to_string(it->second) +
                         "</a></td>";
                }
            }
            p += "</tr>\n";
        }
        p += "</table>\n";
        if (g.months.count("unknown") != 0)
            p += "<p><a href=\"" + MonthPageName("unknown") + "\">" +
                 Count(g.months.at("unknown"), "message", "messages") + " without a date</a></p>\n";
    }
    if (!g.blocks.empty()) {
        p += "<h2>By number</h2>\n<ul class=\"pages\" id=\"numbers\">\n";
        for (const auto& b : g.blocks) {
            p += "<li><a href=\"" + NumberPageName(b.block) + "\">" + std::to_string(b.first) +
                 "&ndash;" + std::to_string(b.last) + "</a></li>\n";
        }
        p += "</ul>\n";
    }
    return p + PageFoot();
}

std::string ListPage(const TGroupSummary& g, const std::string& title,
                     const std::vector<const TCatalogEntry*>& entries) {
    std::string p = PageHead(g.name + ": " + title, "../../");
    p += "<h1><a href=\"index.html\">" + HtmlEscape(g.name) + "</a>: " + HtmlEscape(title) +
         "</h1>\n<table class=\"list\" id=\"messages\">\n<tr><th "
         "class=\"num\">#</th><th>Subject</th>"
         "<th>Author</th><th>Date</th></tr>\n";
    const std::string saved = "../../../" + UrlPath(g.messagesRel);
    // Appended piece by piece: a group's lists hold every message twice over.
    p.reserve(p.size() + entries.size() * 240);
    for (const TCatalogEntry* e : entries) {
        const std::string link = saved + UrlPath(e->file);
        p += "<tr><td class=\"num\"><a href=\"";
        p += link;
        p += "\">";
        p += std::to_string(e->number);
        p += "</a></td>";
        if (e->purged) {
            p += "<td class=\"purged\" colspan=3>deleted from the group before it was "
                 "saved</td></tr>\n";
            continue;
        }
        p += "<td><a href=\"";
        p += link;
        p += "\">";
        p += e->subject ? HtmlEscape(*e->subject) : Unknown("unknown subject");
        p += "</a></td><td>";
        p += e->author ? HtmlEscape(*e->author) : Unknown("unknown");
        p += "</td><td class=\"date\">";
        p += e->date       ? e->date->ShortText()
             : e->dateText ? HtmlEscape(*e->dateText)
                           : Unknown("unknown");
        p += "</td></tr>\n";
    }
    p += "</table>\n";
    return p + PageFoot();
}

}  // namespace tessaly::archive
