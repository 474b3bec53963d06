#include "gui/TfrmProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace tessaly::gui {

TfrmProgress::TfrmProgress() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TfrmProgress"));
    setWindowTitle(tr("Progress..."));
    lbStatus_ = new QLabel(tr("Status..."), this);
    lbStatus_->setObjectName(QStringLiteral("lbStatus"));
    lbStatus_->setMinimumWidth(260);
    lbMax_ = new QLabel(this);
    lbMax_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbStatus_);
    adjustSize();
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    move(screen.right() - frameGeometry().width(), screen.bottom() - frameGeometry().height());
}

void TfrmProgress::StartProgress(const std::string& caption, int maximum) {
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active != this) {
        disabled_ = active;
        active->setEnabled(false);
    }
    setWindowTitle(caption.empty() ? QStringLiteral("Copy") : QString::fromStdString(caption));
    lbMax_->setText(QStringLiteral("/ ") + QString::number(maximum));
    show();
}

void TfrmProgress::SetStatusText(const std::string& text) {
    lbStatus_->setText(QString::fromStdString(text));
}

void TfrmProgress::SetCaptionText(const std::string& text) {
    setWindowTitle(QString::fromStdString(text));
}

void TfrmProgress::FinishProgress() {
    if (disabled_ != nullptr) disabled_->setEnabled(true);
    disabled_ = nullptr;
    hide();
}

QString TfrmProgress::StatusText() const {
    return lbStatus_->text();
}

void TfrmProgress::keyPressEvent(QKeyEvent* event) {
    event->accept();  // swallowed: nothing here reacts to keys
}

}  // namespace tessaly::gui
