#pragma once
// The small progress dialog the main window shows while it works on the user-interface thread
// (logging in, reading My Groups, saving the group cache). It stays on top at the bottom-right
// corner of the screen and disables the window that was active while it is shown.

#include <QPointer>
#include <QWidget>
#include <string>

class QLabel;

namespace tessaly::gui {

class TfrmProgress : public QWidget {
    Q_OBJECT
public:
    TfrmProgress();

    void StartProgress(const std::string& caption, int maximum);
    void SetStatusText(const std::string& text);
    void SetCaptionText(const std::string& text);
    // Re-enables the window StartProgress disabled and hides.
    void FinishProgress();

    [[nodiscard]] QString StatusText() const;
    [[nodiscard]] QWidget* DisabledWindow() const { return disabled_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* lbStatus_;
    QLabel* lbMax_;
    QPointer<QWidget> disabled_;
};

}  // namespace tessaly::gui
