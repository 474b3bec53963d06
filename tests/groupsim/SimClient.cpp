#include "SimClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

#include "groupsim/SimData.h"
#include "groupsim/SimService.h"
#include "text/HtmlScanner.h"

namespace groupsim::test {

std::string Reply::Header(const std::string& name) const {
    auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
}

Reply SimClient::Send(const std::string& method, const std::string& url, const std::string& body,
                      std::size_t maxBody) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot connect to the service");
    }
    timeval tv{20, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string cookieLine;
    for (const auto& [name, value] : cookies)
        cookieLine += (cookieLine.empty() ? "" : "; ") + name + "=" + value;
    const std::string host = url.substr(7, url.find('/', 7) - 7);
    std::string req =
        method + " " + url + " HTTP/1.1\r\nHost: " + host + "\r\nConnection: close\r\n";
    if (!cookieLine.empty()) req += "Cookie: " + cookieLine + "\r\n";
    if (method == "POST") {
        req += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n";
    }
    req += "\r\n" + body;
    ::send(fd, req.data(), req.size(), MSG_NOSIGNAL);
    std::string raw;
    char buf[65536];
    Reply reply;
    std::size_t headerEnd = std::string::npos;
    for (;;) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        raw.append(buf, static_cast<std::size_t>(n));
        if (headerEnd == std::string::npos) headerEnd = raw.find("\r\n\r\n");
        if (headerEnd != std::string::npos && raw.size() - headerEnd - 4 > maxBody) break;
    }
    ::close(fd);
    if (headerEnd == std::string::npos) return reply;
    const std::string head = raw.substr(0, headerEnd);
    reply.status = std::atoi(head.substr(head.find(' ') + 1, 3).c_str());
    std::size_t pos = head.find("\r\n");
    while (pos != std::string::npos && pos < head.size()) {
        std::size_t next = head.find("\r\n", pos + 2);
        std::string line =
            head.substr(pos + 2, next == std::string::npos ? std::string::npos : next - pos - 2);
        const auto colon = line.find(':');
        if (colon != std::string::npos) {
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') value.erase(0, 1);
            reply.headers.emplace(Lower(line.substr(0, colon)), value);
        }
        pos = next;
    }
    reply.body = raw.substr(headerEnd + 4);
    const std::string length = reply.Header("content-length");
    reply.complete = length.empty() || std::stoull(length) == reply.body.size();
    for (auto [it, end] = reply.headers.equal_range("set-cookie"); it != end; ++it) {
        const std::string pair = it->second.substr(0, it->second.find(';'));
        const auto eq = pair.find('=');
        const std::string name = pair.substr(0, eq), value = pair.substr(eq + 1);
        if (value.empty() || it->second.find("1970") != std::string::npos) {
            cookies.erase(name);
        } else {
            cookies[name] = value;
        }
    }
    return reply;
}

Reply SimClient::Get(const std::string& url, std::size_t maxBody) {
    return Send("GET", url, "", maxBody);
}
Reply SimClient::Post(const std::string& url, const std::string& form) {
    return Send("POST", url, form, std::string::npos);
}

Reply SimClient::Browse(const std::string& url, std::string* location, int limit) {
    std::string at = url;
    Reply r;
    for (int i = 0; i < limit; ++i) {
        r = Get(at);
        std::string next;
        if (r.status == 301 || r.status == 302) {
            next = r.Header("location");
        } else if (auto p = r.body.find("http-equiv=\"Refresh\""); p != std::string::npos) {
            const auto u = r.body.find("url=", p);
            next = r.body.substr(u + 4, r.body.find('"', u) - u - 4);
        }
        if (next.empty()) break;
        at = next;
    }
    if (location != nullptr) *location = at;
    return r;
}

bool SimClient::SignIn(const std::string& user, const std::string& password, bool persistent) {
    Reply page = Get("http://login.yahoo.com/");
    auto fields = FormInputs(page.body);
    fields["login"] = user;
    fields["passwd"] = password;
    if (persistent) {
        fields[".persistent"] = "y";
    } else {
        fields.erase(".persistent");
    }
    Reply r = Post("http://login.yahoo.com/config/login?", FormEncode(fields));
    return r.status == 302 && cookies.count("Y") != 0;
}

std::map<std::string, std::string> FormInputs(const std::string& page) {
    std::map<std::string, std::string> fields;
    tessaly::THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.OnFoundTag = [&fields](tessaly::THtmlScanner&, std::string_view tag) {
        if (tag.size() < 6 || Lower(std::string(tag.substr(0, 6))) != "input ") return;
        const std::string name = tessaly::THtmlScanner::AttributeValue(tag, "name");
        if (!name.empty()) fields[name] = tessaly::THtmlScanner::AttributeValue(tag, "value");
    };
    scanner.Execute();
    return fields;
}

std::vector<std::string> Links(const std::string& page) {
    tessaly::THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    return scanner.Parsed().Hyperlinks;
}

std::vector<std::string> Images(const std::string& page) {
    tessaly::THtmlScanner scanner;
    scanner.SetHTMLText(page);
    scanner.Execute();
    return scanner.Parsed().Images;
}

std::string FormEncode(const std::map<std::string, std::string>& fields) {
    std::string out;
    for (const auto& [name, value] : fields) {
        std::string enc = UrlEncode(value);
        std::string encName = UrlEncode(name);
        out += (out.empty() ? "" : "&") + encName + "=" + enc;
    }
    return out;
}

}  // namespace groupsim::test
