#pragma once
// Saved message pages for the tests of the archive's reading side, laid out as the service's
// message pages are (header rows, the text in <pre>, lines ended by CR LF as saved).

#include <cstdint>
#include <optional>
#include <string>

namespace tessaly::test {

// A page of message `number` with the parts given; a part that is nullopt is left out, row and
// all. `body` is HTML (escape "<" and "&" yourself).
inline std::string MessagePage(std::int64_t number, std::optional<std::string> from,
                               std::optional<std::string> date, std::optional<std::string> subject,
                               const std::string& body, const std::string& charset = "ISO-8859-1") {
    const std::string n = std::to_string(number);
    std::string p = "<html>\r\n<head>\r\n<title>DemoGroup : Message: " + n +
                    " of 40</title>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=" +
                    charset +
                    "\">\r\n</head>\r\n<body>\r\n<table><tr><td><a href=\"/group/DemoGroup/"
                    "messages\">Messages</a></td></tr></table>\r\n"
                    "<table class=\"msg\" cellpadding=2>\r\n<tr><td><b>Message " +
                    n + " of 40</b></td></tr>\r\n";
    if (from) p += "<tr><td><b>From: </b>" + *from + "</td></tr>\r\n";
    if (date) p += "<tr><td><b>Date:</b>" + *date + "<br></td></tr>\r\n";
    if (subject) p += "<tr><td><b>Subject: </b>" + *subject + "</td></tr>";
    p += "</table>\r\n<hr size=1>\r\n<pre>" + body +
         "\r\n</pre>\r\n<hr size=1>\r\n"
         "<p>Post message: <a href=\"mailto:DemoGroup@yahoogroups.com\">DemoGroup@yahoogroups"
         ".com</a></p>\r\n</body>\r\n</html>\r\n";
    return p;
}

// The page of a message deleted from the group before it was saved.
inline std::string PurgedPage(std::int64_t number) {
    const std::string n = std::to_string(number);
    return "<html><title>DemoGroup : Message: " + n +
           " of 40</title><body><table><tr><td>nav</td></tr></table><p><b>Message " + n +
           " does not exist in DemoGroup</b></p></body></html>";
}

}  // namespace tessaly::test
