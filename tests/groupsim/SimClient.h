#pragma once
// A minimal HTTP/1.1 client for the service tests: one connection per request, sent to the
// service as to a forward proxy (absolute-form targets), with a cookie jar that keeps
// name=value pairs and sends all of them to every host of the service.

#include <map>
#include <string>
#include <vector>

namespace groupsim::test {

struct Reply {
    int status = 0;
    std::multimap<std::string, std::string> headers;  // lower-case names
    std::string body;
    bool complete = false;  // the whole announced body arrived
    [[nodiscard]] std::string Header(const std::string& name) const;
};

class SimClient {
public:
    explicit SimClient(int port) : port_(port) {}
    Reply Get(const std::string& url, std::size_t maxBody = std::string::npos);
    Reply Post(const std::string& url, const std::string& form);
    // Follows redirects and meta refreshes (at most `limit`); `location` gets the final address.
    Reply Browse(const std::string& url, std::string* location = nullptr, int limit = 10);
    std::map<std::string, std::string> cookies;
    // Signs in through the login form; true when the service set a session.
    bool SignIn(const std::string& user, const std::string& password, bool persistent = false);

private:
    Reply Send(const std::string& method, const std::string& url, const std::string& body,
               std::size_t maxBody);
    int port_;
};

// The form inputs of a page: name -> value (hidden fields and the rest), read with the scanner.
std::map<std::string, std::string> FormInputs(const std::string& page);
std::vector<std::string> Links(const std::string& page);
std::vector<std::string> Images(const std::string& page);
std::string FormEncode(const std::map<std::string, std::string>& fields);

}  // namespace groupsim::test
