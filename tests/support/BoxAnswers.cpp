#include "support/BoxAnswers.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tessaly::test {

BoxAnswers::BoxAnswers() {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start();
}

BoxAnswers::~BoxAnswers() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " answers were never used";
}

BoxAnswers& BoxAnswers::Then(Answer answer) {
    answers_.push_back(std::move(answer));
    return *this;
}

void BoxAnswers::Type(QLineEdit* field, const std::string& text) {
    ASSERT_NE(field, nullptr);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromStdString(text));  // key by key, as the user types
}

void BoxAnswers::Click(QDialog& box, const char* buttonName) {
    auto* button = box.findChild<QPushButton*>(QString::fromLatin1(buttonName));
    ASSERT_NE(button, nullptr) << buttonName;
    QTest::mouseClick(button, Qt::LeftButton);  // as the user clicks it
}

void BoxAnswers::Look() {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    std::string text;
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("lbMessage"));
        label != nullptr && label->isVisible())
        text = label->text().toStdString();
    else if (auto* prompt = box->findChild<QLabel*>(QStringLiteral("lbPrompt"));
             prompt != nullptr && prompt->isVisible())
        text = prompt->text().toStdString();
    seen.push_back(box->windowTitle().toStdString() + ": " + text);
    if (answers_.empty()) {
        ADD_FAILURE() << "unexpected box " << seen.back();
        box->reject();
        return;
    }
    // Answered from a call of its own, not from the timer: an answer that opens another box
    // (the login box's "Profiles") waits in that box's loop while the timer answers it.
    QTimer::singleShot(0, box, [box, answer = std::move(answers_.front())] { answer(*box); });
    answers_.pop_front();
}

BoxAnswers::Answer BoxAnswers::Ok() {
    return [](QDialog& box) {
        auto* center = box.findChild<QPushButton*>(QStringLiteral("btCenterOk"));
        Click(box, center != nullptr && center->isVisible() ? "btCenterOk" : "btOk");
    };
}

BoxAnswers::Answer BoxAnswers::Cancel() {
    return [](QDialog& box) { box.reject(); };
}

BoxAnswers::Answer BoxAnswers::Input(const std::string& text) {
    return [text](QDialog& box) {
        Type(box.findChild<QLineEdit*>(QStringLiteral("txtInput")), text);
        Click(box, "btOk");
    };
}

BoxAnswers::Answer BoxAnswers::Login(const std::string& user, const std::string& password,
                                     bool useCache) {
    return [=](QDialog& box) {
        auto* plain = box.findChild<QLineEdit*>(QStringLiteral("txtUserName"));
        if (plain->isVisible())
            Type(plain, user);
        else
            Type(box.findChild<QComboBox*>(QStringLiteral("cbUserName"))->lineEdit(), user);
        Type(box.findChild<QLineEdit*>(QStringLiteral("txtPassword")), password);
        box.findChild<QCheckBox*>(QStringLiteral("cbUseCache"))->setChecked(useCache);
        Click(box, "btOk");
    };
}

}  // namespace tessaly::test
