#pragma once
// The download chooser ("Download Options"): the output folder, the section, the two download
// switches and which groups of the tree the run takes. Start checks the choices and stays open
// with a box while one is unusable. The group choice and "Reorder Downloads" are remembered
// between runs.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "gui/DownloadLaunch.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tessaly::gui {

class TfrmYahooChooseOptions : public QDialog {
    Q_OBJECT
public:
    // `items`: the group tree's items, the root first; `current`: the current group's index
    // among them, -1 when there is none.
    TfrmYahooChooseOptions(QWidget* parent, std::vector<TTreeEntry> items, int current);

    void SetSection(std::uint8_t section);
    // 255 when no entry is selected.
    [[nodiscard]] std::uint8_t GetSection() const;
    void CollectGroups(std::vector<std::string>& list) const;
    [[nodiscard]] TGroupChoice Choice() const;

    void btStartClick();
    void btbrowseClick();

    // The "Options" and "Help" buttons run these (the main window's commands).
    std::function<void()> onOptions;
    std::function<void()> onHelp;
    // Asks for a folder; the default shows a folder dialog. Tests replace it.
    std::function<QString(const QString& start)> chooseFolder;

    QComboBox* cbDownload;
    QLineEdit* txtDir;
    QCheckBox* cbIgnorePreviousDownload;
    QCheckBox* cbDebug;
    QCheckBox* cbReOrder;
    QRadioButton* cbDLCurrentGroup;
    QRadioButton* cbDLAllGroups;
    QRadioButton* cbDLAllCheckedGroups;
    QRadioButton* cbDLGroupsStartingFromCurrentGroup;
    QRadioButton* cbDLAllFavoriteGroups;
    QRadioButton* cbDownloadAllCheckedFavouriteGroups;
    QPushButton* btStart;
    QPushButton* btCancel;

    // Stores the remembered choices whatever way the chooser closes.
    void done(int result) override;

private:
    void RestoreState();
    void StoreState();
    [[nodiscard]] std::vector<std::pair<const char*, QRadioButton*>> Radios() const;

    std::vector<TTreeEntry> items_;
    int current_;
};

}  // namespace tessaly::gui
