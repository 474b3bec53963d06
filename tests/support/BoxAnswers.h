#pragma once
// Answers the modal boxes a command opens, in order, as the test told it; records what each box
// said. A box nobody told it about is recorded as unexpected and cancelled, so no test hangs.

#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tessaly::test {

class BoxAnswers {
public:
    using Answer = std::function<void(QDialog&)>;
    BoxAnswers();
    ~BoxAnswers();

    BoxAnswers& Then(Answer answer);
    // Common answers.
    static Answer Ok();
    static Answer Cancel();
    static Answer Input(const std::string& text);
    static Answer Login(const std::string& user, const std::string& password, bool useCache);

    // "<caption>: <text of the box>" of every box seen, in order.
    std::vector<std::string> seen;
    [[nodiscard]] bool AllUsed() const { return answers_.empty(); }
    [[nodiscard]] std::string Last() const { return seen.empty() ? "" : seen.back(); }

    static void Click(QDialog& box, const char* buttonName);
    static void Type(QLineEdit* field, const std::string& text);

private:
    void Look();
    QTimer timer_;
    std::deque<Answer> answers_;
};

}  // namespace tessaly::test
