#include "gui/TfrmYahooChooseOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/TfrmCommonDlg.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "registry/RegistryLayout.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

std::string ChooserKey() {
    return std::string(reg::kKey) + reg::kChooserState;
}

QRadioButton* Radio(QWidget* parent, const char* name, const char* text) {
    auto* button = new QRadioButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QCheckBox* Check(QWidget* parent, const char* name, const char* text) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmYahooChooseOptions::TfrmYahooChooseOptions(QWidget* parent, std::vector<TTreeEntry> items,
                                               int current)
    : QDialog(parent), items_(std::move(items)), current_(current) {
    setObjectName(QStringLiteral("TfrmYahooChooseOptions"));
    setWindowTitle(QStringLiteral("Download Options"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Download"), this), 0, 0);
    cbDownload = new QComboBox(this);
    cbDownload->setObjectName(QStringLiteral("cbDownload"));
    cbDownload->addItems({QStringLiteral("Yahoo Files Section Files"),
                          QStringLiteral("Yahoo Photo Section Photos"),
                          QStringLiteral("Yahoo Message Section Text")});
    top->addWidget(cbDownload, 0, 1, 1, 2);
    top->addWidget(new QLabel(QStringLiteral("Directory"), this), 1, 0);
    txtDir = new QLineEdit(this);
    txtDir->setObjectName(QStringLiteral("txtDir"));
    txtDir->setReadOnly(true);
    top->addWidget(txtDir, 1, 1);
    auto* btbrowse = Button(this, "btbrowse", "...");
    top->addWidget(btbrowse, 1, 2);
    layout->addLayout(top);

    cbIgnorePreviousDownload =
        Check(this, "cbIgnorePreviousDownload", "Ignore previously downloaded files.");
    cbDebug = Check(this, "cbDebug", "Debug Downloads");
    cbReOrder = Check(this, "cbReOrder", "Reorder Downloads");
    layout->addWidget(cbIgnorePreviousDownload);
    layout->addWidget(cbDebug);
    layout->addWidget(cbReOrder);

    auto* groups = new QGroupBox(QStringLiteral("Groups"), this);
    auto* radios = new QVBoxLayout(groups);
    cbDLCurrentGroup = Radio(groups, "cbDLCurrentGroup", "Download only current group");
    cbDLAllGroups = Radio(groups, "cbDLAllGroups", "Download all groups");
    cbDLAllCheckedGroups = Radio(groups, "cbDLAllCheckedGroups", "Download all checked groups");
    cbDLGroupsStartingFromCurrentGroup =
        Radio(groups, "cbDLGroupsStartingFromCurrentGroup",
              "Download all groups starting from the current group");
    cbDLAllFavoriteGroups = Radio(groups, "cbDLAllFavoriteGroups", "Download all favourite groups");
    cbDownloadAllCheckedFavouriteGroups = Radio(groups, "cbDownloadAllCheckedFavouriteGroups",
                                                "Download all checked  favourite groups");
    for (auto& [name, radio] : Radios()) radios->addWidget(radio);
    cbDLAllCheckedGroups->setChecked(true);
    layout->addWidget(groups);

    auto* buttons = new QHBoxLayout;
    btStart = Button(this, "btStart", "Start");
    btStart->setDefault(true);
    btCancel = Button(this, "btCancel", "Cancel");
    auto* btOptions = Button(this, "btOptions", "Options");
    auto* btHelp = Button(this, "btHelp", "Help");
    buttons->addWidget(btOptions);
    buttons->addWidget(btHelp);
    buttons->addStretch(1);
    buttons->addWidget(btStart);
    buttons->addWidget(btCancel);
    layout->addLayout(buttons);

    connect(btStart, &QPushButton::clicked, this,
            Guarded(this, "Start", [this] { btStartClick(); }));
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btbrowse, &QPushButton::clicked, this, [this] { btbrowseClick(); });
    connect(btOptions, &QPushButton::clicked, this, Guarded(this, "Options", [this] {
                if (onOptions) onOptions();
            }));
    connect(btHelp, &QPushButton::clicked, this, [this] {
        if (onHelp) onHelp();
    });
    chooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(
            this, QStringLiteral("Choose the Directory where you want to save the Groups"), start);
    };
    RestoreState();
}

std::vector<std::pair<const char*, QRadioButton*>> TfrmYahooChooseOptions::Radios() const {
    return {{"cbDLCurrentGroup", cbDLCurrentGroup},
            {"cbDLAllGroups", cbDLAllGroups},
            {"cbDLAllCheckedGroups", cbDLAllCheckedGroups},
            {"cbDLGroupsStartingFromCurrentGroup", cbDLGroupsStartingFromCurrentGroup},
            {"cbDLAllFavoriteGroups", cbDLAllFavoriteGroups},
            {"cbDownloadAllCheckedFavouriteGroups", cbDownloadAllCheckedFavouriteGroups}};
}

void TfrmYahooChooseOptions::SetSection(std::uint8_t section) {
    const int entry = SectionEntry(section);
    cbDownload->setCurrentIndex(entry < 0 ? 0 : entry);
}

std::uint8_t TfrmYahooChooseOptions::GetSection() const {
    return EntrySection(cbDownload->currentIndex());
}

TGroupChoice TfrmYahooChooseOptions::Choice() const {
    if (cbDLCurrentGroup->isChecked()) return TGroupChoice::Current;
    if (cbDLAllGroups->isChecked()) return TGroupChoice::All;
    if (cbDLGroupsStartingFromCurrentGroup->isChecked()) return TGroupChoice::FromGroup;
    if (cbDLAllFavoriteGroups->isChecked()) return TGroupChoice::Favourites;
    if (cbDownloadAllCheckedFavouriteGroups->isChecked()) return TGroupChoice::CheckedFavourites;
    return TGroupChoice::Checked;
}

void TfrmYahooChooseOptions::CollectGroups(std::vector<std::string>& list) const {
    list = gui::CollectGroups(items_, current_, Choice());
}

void TfrmYahooChooseOptions::btStartClick() {
    if (cbDownload->currentIndex() < 0) {
        CommonMessageBox(this, "Please select a proper Download Type.", TMessageKind::Error, false);
        return;
    }
    const std::string folder = IncludeTrailingDelimiter(Trim(txtDir->text().toStdString()));
    if (!QDir(QString::fromStdString(folder)).exists() && !ForceDirectories(folder)) {
        CommonMessageBox(this,
                         "Unable to Create the Destination directory.\r\n\r\nPlease select a new "
                         "directory",
                         TMessageKind::Error, false);
        txtDir->setFocus();
        return;
    }
    std::vector<std::string> groups;
    CollectGroups(groups);
    if (groups.empty()) {
        CommonMessageBox(this, "Your selection doesnt have any groups to downloads",
                         TMessageKind::Information, false);
        return;
    }
    accept();
}

void TfrmYahooChooseOptions::btbrowseClick() {
    const QString chosen = chooseFolder ? chooseFolder(txtDir->text()) : QString();
    if (!chosen.isEmpty()) txtDir->setText(chosen);
}

void TfrmYahooChooseOptions::done(int result) {
    StoreState();
    QDialog::done(result);
}

void TfrmYahooChooseOptions::RestoreState() {
    try {
        TRegistryStore& store = ThreadRegistry();
        for (auto& [name, radio] : Radios()) {
            const auto v =
                store.ReadValue(RegRoot::CurrentUser, ChooserKey(), std::string(name) + "_Checked");
            if (v && v->AsDword().value_or(0) != 0) radio->setChecked(true);
        }
        if (auto v = store.ReadValue(RegRoot::CurrentUser, ChooserKey(), "cbReOrder_Checked"))
            cbReOrder->setChecked(v->AsDword().value_or(0) != 0);
    } catch (const ERegistryException&) {
        // The chooser then opens with its own defaults; the run does not depend on them.
    }
}

void TfrmYahooChooseOptions::StoreState() {
    std::vector<std::pair<std::string, RegValue>> values;
    for (auto& [name, radio] : Radios())
        values.emplace_back(std::string(name) + "_Checked", RegValue::Dword(radio->isChecked()));
    values.emplace_back("cbReOrder_Checked", RegValue::Dword(cbReOrder->isChecked()));
    try {
        ThreadRegistry().WriteValues(RegRoot::CurrentUser, ChooserKey(), values);
    } catch (const ERegistryException&) {
        // Losing the remembered choice costs the user one click next time; not worth a box.
    }
}

}  // namespace tessaly::gui
