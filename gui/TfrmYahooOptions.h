#pragma once
// The options dialog, "Options -  Tessaly": a tree of pages on the left, the pages on the right.
// It reads a fresh options object from the options file when it opens (LoadControls) and writes
// the file on Ok (SaveControls); Reset and Cancel leave the file alone. The active page and the
// window's placement are kept under the dialog's registry key.

#include <QDialog>
#include <vector>

#include "gui/OptionsForm.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;

namespace tessaly::gui {

class TfrmYahooOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmYahooOptions(QWidget* parent = nullptr);

    void LoadControls();
    // False (after telling the user) when the file cannot be written.
    bool SaveControls();
    void btResetClick();

    void ShowValues(const TOptionsFormValues& values);
    [[nodiscard]] TOptionsFormValues Values() const;

    void AddExtension(TExtensionList which);
    void EditExtension(TExtensionList which);
    void DeleteExtension(TExtensionList which);

    void ShowPage(int page);
    [[nodiscard]] int ActivePage() const;

    void done(int result) override;

private:
    QWidget* GeneralPage();
    QWidget* ExtensionsPage();
    QWidget* EmbeddedPage();
    QWidget* AutoClickPage();
    QWidget* LoginPage();
    QWidget* SoundsPage();
    QListWidget* List(TExtensionList which) const;
    [[nodiscard]] std::vector<TExtensionEntry> Entries(TExtensionList which) const;
    void FillList(TExtensionList which, const std::vector<TExtensionEntry>& entries);
    void PickWave(QLineEdit* field);
    void RestoreState();
    void StoreState();

    QTreeWidget* tvOptionSelector_;
    QStackedWidget* nbOptions_;
    QSpinBox* txtDownloadThreads_;
    QSpinBox* txtDownloadTimeOut_;
    QCheckBox* cbGrabGroups_;
    QCheckBox* cbGrabURLs_;
    QCheckBox* cbUseMessageDateFormat_;
    QCheckBox* cbEnableDelayInterval_;
    QSpinBox* txtDownloadInterval_;
    QListWidget* lbIncludeExtensions_;
    QListWidget* lbExcludeExtensions_;
    QRadioButton* rbAllDoc_;
    QRadioButton* rbSelectedDoc_;
    QPlainTextEdit* txtEmbbedIgnoreServer_;
    QCheckBox* cbAutoButtonClick_;
    QPlainTextEdit* txtButtonNames_;
    // The login page shows no field; the values travel through the dialog unchanged.
    TOptionsFormValues loginValues_;
    QCheckBox* cbPlayWaveFiles_;
    QLineEdit* txtSucessfulDownload_;
    QLineEdit* txtErrorDownload_;
};

}  // namespace tessaly::gui
