#pragma once
// The grabbed groups editor ("Grabbed Groups"): on the left the name lists the program keeps
// (the grabbed group names, the grabbed web addresses and each member's group cache), on the
// right the entries of the selected one, with Add, Edit and Delete. Its Utils menu imports group
// names from a text of e-mail addresses or from a group list file into the grabbed group names,
// and exports the shown list as a group list file.
//
// Every change goes to its store at once; a change the store refuses is told in an error box and
// the list keeps showing what is stored.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "registry/NameSources.h"

class QListWidget;
class QMenu;
class QPushButton;

namespace tessaly::gui {

class TfrmProgress;

class TfrmYahooGrabber : public QDialog {
    Q_OBJECT
public:
    // The progress dialog to show during the imports and the export, and how to reset it when
    // one is over; without them the editor keeps a dialog of its own.
    explicit TfrmYahooGrabber(QWidget* parent = nullptr,
                              std::function<TfrmProgress&()> progress = {},
                              std::function<void()> resetProgress = {});
    ~TfrmYahooGrabber() override;

    // Fills the sources and shows the first one.
    void Open();

    void btAddClick();
    void btEditClick();
    void btDeleteClick();
    void btCancelClick();
    void btUtilsClick();
    void btImportFromEmailsListClick();
    void btImportGroupListFromygrpFileClick();
    void ExportGroupList1Click();

    // Selects the source at `row` and shows its entries.
    void SelectSource(int row);
    [[nodiscard]] std::vector<std::string> Entries() const;
    [[nodiscard]] std::vector<std::string> SourceCaptions() const;
    [[nodiscard]] QListWidget& EntryList() const { return *lstEntries_; }
    [[nodiscard]] QMenu& UtilsMenu() const { return *pmnuUtils_; }

    // Asks for a file to open (`save` false) or to save under the caption; "" when the user
    // cancels. A file dialog unless tests replace it.
    std::function<std::string(const std::string& caption, bool save)> chooseFile;

private:
    [[nodiscard]] const TNameSource* Source() const;
    void ShowSource();
    [[nodiscard]] bool Listed(const std::string& name, int except) const;
    [[nodiscard]] bool CheckNewName(const std::string& text, int except, const char* duplicate);
    // The grabbed group names, shown, with the chosen file; "" when the user chose none.
    std::string ChooseImportFile();
    // Appends the names not shown yet to the shown grabbed group names and stores them; the
    // number added, or -1 after a failure (told in a box).
    int ImportNames(const std::vector<std::string>& names, bool numbered);
    [[nodiscard]] TfrmProgress& Progress();
    void ResetProgress();

    std::vector<TNameSource> sources_;
    QListWidget* lstSources_;
    QListWidget* lstEntries_;
    QPushButton* btAdd_;
    QPushButton* btEdit_;
    QPushButton* btDelete_;
    QPushButton* btCancel_;
    QPushButton* btUtils_;
    QMenu* pmnuUtils_;
    std::function<TfrmProgress&()> progress_;
    std::function<void()> resetProgress_;
    std::unique_ptr<TfrmProgress> ownProgress_;
};

}  // namespace tessaly::gui
