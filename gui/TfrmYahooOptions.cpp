#include "gui/TfrmYahooOptions.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/CommandGuard.h"
#include "gui/TfrmCommonDlg.h"
#include "platform/FileLock.h"
#include "platform/RegistryStore.h"
#include "registry/RegistryLayout.h"
#include "text/TextUtils.h"

namespace tessaly::gui {
namespace {

const char* const kPageNames[] = {"General",           "Extensions", "Embbeded Picture",
                                  "Auto Button Click", "Login",      "Sound Events"};
constexpr int kPageCount = 6;
constexpr const char* kActivePageValue = "nbOptions_ActivePage";
constexpr const char* kPlacementValue = "WindowPlacement";

std::string DialogKey() {
    return std::string(reg::kKey) + reg::kOptionsDialogState;
}

QWidget* Page(const QString& heading, QWidget** body) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* title = new QLabel(heading, page);
    QFont font = title->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    title->setFont(font);
    layout->addWidget(title);
    *body = new QWidget(page);
    layout->addWidget(*body, 1);
    return page;
}

QSpinBox* Number(QWidget* parent, const char* name, TRange range) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(range.low, range.high);
    return box;
}

std::vector<std::string> LinesOf(const QPlainTextEdit* memo) {
    std::vector<std::string> lines;
    for (const QString& line : memo->toPlainText().split(QLatin1Char('\n'))) {
        const std::string text = Trim(line.toStdString());
        if (!text.empty()) lines.push_back(text);
    }
    return lines;
}

void ShowLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList list;
    for (const auto& line : lines) list << QString::fromStdString(line);
    memo->setPlainText(list.join(QLatin1Char('\n')));
}

}  // namespace

TfrmYahooOptions::TfrmYahooOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmYahooOptions"));
    setWindowTitle(QStringLiteral("Options -  Tessaly"));
    tvOptionSelector_ = new QTreeWidget(this);
    tvOptionSelector_->setObjectName(QStringLiteral("tvOptionSelector"));
    tvOptionSelector_->header()->hide();
    tvOptionSelector_->setFixedWidth(160);
    nbOptions_ = new QStackedWidget(this);
    nbOptions_->setObjectName(QStringLiteral("nbOptions"));
    for (const char* name : kPageNames)
        tvOptionSelector_->addTopLevelItem(new QTreeWidgetItem(QStringList{tr(name)}));
    nbOptions_->addWidget(GeneralPage());
    nbOptions_->addWidget(ExtensionsPage());
    nbOptions_->addWidget(EmbeddedPage());
    nbOptions_->addWidget(AutoClickPage());
    nbOptions_->addWidget(LoginPage());
    nbOptions_->addWidget(SoundsPage());
    connect(tvOptionSelector_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) {
                if (item != nullptr)
                    nbOptions_->setCurrentIndex(tvOptionSelector_->indexOfTopLevelItem(item));
            });

    auto* btOk = new QPushButton(tr("Ok"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    auto* btCancel = new QPushButton(tr("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    auto* btReset = new QPushButton(tr("Reset"), this);
    btReset->setObjectName(QStringLiteral("btReset"));
    connect(btOk, &QPushButton::clicked, this, Guarded(this, "Ok", [this] {
                if (SaveControls()) accept();
            }));
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btReset, &QPushButton::clicked, this,
            Guarded(this, "Reset", [this] { btResetClick(); }));

    auto* pages = new QHBoxLayout;
    pages->addWidget(tvOptionSelector_);
    pages->addWidget(nbOptions_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btReset);
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pages, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    RestoreState();
    LoadControls();
}

QWidget* TfrmYahooOptions::GeneralPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - General"), &body);
    auto* form = new QFormLayout(body);
    txtDownloadThreads_ = Number(body, "txtDownloadThreads", kThreadRange);
    txtDownloadTimeOut_ = Number(body, "txtDownloadTimeOut", kTimeOutRange);
    txtDownloadInterval_ = Number(body, "txtDownloadInterval", kDelayRange);
    txtDownloadInterval_->setSuffix(tr(" secs"));
    cbGrabGroups_ = new QCheckBox(tr("Grab Other Group Names as I download the Files"), body);
    cbGrabURLs_ = new QCheckBox(tr("Grab URLs From the Attachment Sections"), body);
    cbUseMessageDateFormat_ = new QCheckBox(tr("Use Date Format For Message Downloads"), body);
    cbEnableDelayInterval_ = new QCheckBox(tr("Enable Delay betwen downloads"), body);
    cbGrabGroups_->setObjectName(QStringLiteral("cbGrabGroups"));
    cbGrabURLs_->setObjectName(QStringLiteral("cbGrabURLs"));
    cbUseMessageDateFormat_->setObjectName(QStringLiteral("cbUseMessageDateFormat"));
    cbEnableDelayInterval_->setObjectName(QStringLiteral("cbEnableDelayInterval"));
    form->addRow(tr("Download threads"), txtDownloadThreads_);
    form->addRow(tr("Time-out (seconds)"), txtDownloadTimeOut_);
    form->addRow(cbGrabGroups_);
    form->addRow(cbGrabURLs_);
    form->addRow(cbUseMessageDateFormat_);
    form->addRow(cbEnableDelayInterval_);
    form->addRow(tr("Delay"), txtDownloadInterval_);
    return page;
}

QWidget* TfrmYahooOptions::ExtensionsPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - Extensions"), &body);
    auto* layout = new QVBoxLayout(body);
    auto* lists = new QHBoxLayout;
    for (TExtensionList which : {TExtensionList::Include, TExtensionList::Exclude}) {
        const bool include = which == TExtensionList::Include;
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(include ? tr("Include") : tr("Exclude"), body));
        auto* list = new QListWidget(body);
        list->setObjectName(include ? QStringLiteral("lbIncludeExtensions")
                                    : QStringLiteral("lbExcludeExtensions"));
        (include ? lbIncludeExtensions_ : lbExcludeExtensions_) = list;
        column->addWidget(list, 1);
        auto* buttons = new QHBoxLayout;
        const QString prefix = include ? QStringLiteral("Include") : QStringLiteral("Exclude");
        auto* add = new QPushButton(tr("Add"), body);
        auto* edit = new QPushButton(tr("Edit"), body);
        auto* remove = new QPushButton(tr("Delete"), body);
        add->setObjectName(QStringLiteral("btAdd") + prefix);
        edit->setObjectName(QStringLiteral("btEdit") + prefix);
        remove->setObjectName(QStringLiteral("btDelete") + prefix);
        connect(add, &QPushButton::clicked, this, [this, which] { AddExtension(which); });
        connect(edit, &QPushButton::clicked, this, [this, which] { EditExtension(which); });
        connect(remove, &QPushButton::clicked, this, [this, which] { DeleteExtension(which); });
        buttons->addWidget(add);
        buttons->addWidget(edit);
        buttons->addWidget(remove);
        column->addLayout(buttons);
        lists->addLayout(column);
    }
    layout->addLayout(lists, 1);
    rbAllDoc_ = new QRadioButton(tr("Download ALL the Files."), body);
    rbAllDoc_->setObjectName(QStringLiteral("rbAllDoc"));
    rbSelectedDoc_ = new QRadioButton(tr("Download ONLY Selected Images."), body);
    rbSelectedDoc_->setObjectName(QStringLiteral("rbSelectedDoc"));
    layout->addWidget(rbAllDoc_);
    layout->addWidget(rbSelectedDoc_);
    return page;
}

QWidget* TfrmYahooOptions::EmbeddedPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - Embbeded Pictures"), &body);
    auto* layout = new QVBoxLayout(body);
    layout->addWidget(new QLabel(tr("(One Server or Partial Server Name per line)"), body));
    txtEmbbedIgnoreServer_ = new QPlainTextEdit(body);
    txtEmbbedIgnoreServer_->setObjectName(QStringLiteral("txtEmbbedIgnoreServer"));
    layout->addWidget(txtEmbbedIgnoreServer_, 1);
    return page;
}

QWidget* TfrmYahooOptions::AutoClickPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - Auto Button Click"), &body);
    auto* layout = new QVBoxLayout(body);
    cbAutoButtonClick_ = new QCheckBox(tr("Enable Auto Click Webpage Buttons"), body);
    cbAutoButtonClick_->setObjectName(QStringLiteral("cbAutoButtonClick"));
    layout->addWidget(cbAutoButtonClick_);
    layout->addWidget(
        new QLabel(tr("(Server Name followed by a space and the button name)"), body));
    txtButtonNames_ = new QPlainTextEdit(body);
    txtButtonNames_->setObjectName(QStringLiteral("txtButtonNames"));
    layout->addWidget(txtButtonNames_, 1);
    return page;
}

QWidget* TfrmYahooOptions::LoginPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - Login"), &body);
    auto* layout = new QVBoxLayout(body);
    auto* note = new QLabel(tr("The sign-in form's settings are kept in the options file."), body);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
    return page;
}

QWidget* TfrmYahooOptions::SoundsPage() {
    QWidget* body = nullptr;
    QWidget* page = Page(tr("Options - Sound Events"), &body);
    auto* form = new QFormLayout(body);
    cbPlayWaveFiles_ = new QCheckBox(tr("Play Wave Files on Different Downloader Events."), body);
    cbPlayWaveFiles_->setObjectName(QStringLiteral("cbPlayWaveFiles"));
    form->addRow(cbPlayWaveFiles_);
    for (QLineEdit** field : {&txtSucessfulDownload_, &txtErrorDownload_}) {
        *field = new QLineEdit(body);
        (*field)->setReadOnly(true);
        auto* row = new QHBoxLayout;
        row->addWidget(*field, 1);
        auto* pick = new QPushButton(QStringLiteral("..."), body);
        pick->setMaximumWidth(32);
        QLineEdit* target = *field;
        connect(pick, &QPushButton::clicked, this, [this, target] { PickWave(target); });
        row->addWidget(pick);
        form->addRow(field == &txtSucessfulDownload_ ? tr("On Successful Download")
                                                     : tr("On Errorneous Download"),
                     row);
    }
    txtSucessfulDownload_->setObjectName(QStringLiteral("txtSucessfulDownload"));
    txtErrorDownload_->setObjectName(QStringLiteral("txtErrorDownload"));
    return page;
}

void TfrmYahooOptions::PickWave(QLineEdit* field) {
    const QString chosen =
        QFileDialog::getOpenFileName(this, tr("Sound"), field->text(), tr("Wave Files (*.wav)"));
    if (!chosen.isEmpty()) field->setText(chosen);
}

QListWidget* TfrmYahooOptions::List(TExtensionList which) const {
    return which == TExtensionList::Include ? lbIncludeExtensions_ : lbExcludeExtensions_;
}

std::vector<TExtensionEntry> TfrmYahooOptions::Entries(TExtensionList which) const {
    std::vector<TExtensionEntry> entries;
    QListWidget* list = List(which);
    for (int i = 0; i < list->count(); ++i) {
        entries.push_back(
            {list->item(i)->text().toStdString(), list->item(i)->checkState() == Qt::Checked});
    }
    return entries;
}

void TfrmYahooOptions::FillList(TExtensionList which, const std::vector<TExtensionEntry>& entries) {
    QListWidget* list = List(which);
    list->clear();
    for (const auto& e : entries) {
        auto* item = new QListWidgetItem(QString::fromStdString(e.name), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(e.checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TfrmYahooOptions::ShowValues(const TOptionsFormValues& v) {
    txtDownloadThreads_->setValue(v.threads);
    txtDownloadTimeOut_->setValue(v.timeOut);
    cbGrabGroups_->setChecked(v.grabGroups);
    cbGrabURLs_->setChecked(v.grabURLs);
    cbUseMessageDateFormat_->setChecked(v.useMessageDateFormat);
    cbEnableDelayInterval_->setChecked(v.enableDelay);
    txtDownloadInterval_->setValue(v.delay);
    FillList(TExtensionList::Include, v.include);
    FillList(TExtensionList::Exclude, v.exclude);
    rbAllDoc_->setChecked(v.downloadAll);
    rbSelectedDoc_->setChecked(!v.downloadAll);
    ShowLines(txtEmbbedIgnoreServer_, v.ignoredServers);
    cbAutoButtonClick_->setChecked(v.autoClick);
    ShowLines(txtButtonNames_, v.buttonNames);
    loginValues_ = v;
    cbPlayWaveFiles_->setChecked(v.playSounds);
    txtSucessfulDownload_->setText(QString::fromStdString(v.successWave));
    txtErrorDownload_->setText(QString::fromStdString(v.errorWave));
}

TOptionsFormValues TfrmYahooOptions::Values() const {
    TOptionsFormValues v;
    v.threads = txtDownloadThreads_->value();
    v.timeOut = txtDownloadTimeOut_->value();
    v.grabGroups = cbGrabGroups_->isChecked();
    v.grabURLs = cbGrabURLs_->isChecked();
    v.useMessageDateFormat = cbUseMessageDateFormat_->isChecked();
    v.enableDelay = cbEnableDelayInterval_->isChecked();
    v.delay = txtDownloadInterval_->value();
    v.include = Entries(TExtensionList::Include);
    v.exclude = Entries(TExtensionList::Exclude);
    v.downloadAll = rbAllDoc_->isChecked();
    v.ignoredServers = LinesOf(txtEmbbedIgnoreServer_);
    v.autoClick = cbAutoButtonClick_->isChecked();
    v.buttonNames = LinesOf(txtButtonNames_);
    v.loginURL = loginValues_.loginURL;
    v.loginErrorURL = loginValues_.loginErrorURL;
    v.loginUserName = loginValues_.loginUserName;
    v.loginPassword = loginValues_.loginPassword;
    v.loginSavePassword = loginValues_.loginSavePassword;
    v.loginSignInName = loginValues_.loginSignInName;
    v.playSounds = cbPlayWaveFiles_->isChecked();
    v.successWave = txtSucessfulDownload_->text().toStdString();
    v.errorWave = txtErrorDownload_->text().toStdString();
    return v;
}

void TfrmYahooOptions::LoadControls() {
    try {
        ShowValues(LoadOptionsForm());
    } catch (const EFileError& e) {
        ShowValues(DefaultOptionsForm());
        CommonMessageBox(this,
                         std::string("The options file could not be read; the dialog shows the "
                                     "defaults.\r\n\r\n") +
                             e.what(),
                         TMessageKind::Error, false);
    }
}

bool TfrmYahooOptions::SaveControls() {
    try {
        SaveOptionsForm(Values());
        return true;
    } catch (const EFileError& e) {
        CommonMessageBox(this, std::string("The options could not be saved.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
        return false;
    }
}

void TfrmYahooOptions::btResetClick() {
    if (!CommonMessageBox(this, "Do you really want to clear the options ?",
                          TMessageKind::Confirmation, true))
        return;
    ShowValues(DefaultOptionsForm());  // the file changes only on Ok
}

void TfrmYahooOptions::AddExtension(TExtensionList which) {
    std::string text;
    if (!CommonInputBox(this, "Add new extension", "Extension", text)) return;
    if (auto error = AddExtensionError(Entries(which), text)) {
        CommonMessageBox(this, *error, TMessageKind::Error, false);
        return;
    }
    auto entries = Entries(which);
    entries.push_back({UpperCase(Trim(text)), false});
    FillList(which, entries);
    List(which)->setCurrentRow(static_cast<int>(entries.size()) - 1);
}

void TfrmYahooOptions::EditExtension(TExtensionList which) {
    auto entries = Entries(which);
    const int row = List(which)->currentRow();
    if (auto error = EditSelectionError(entries, row)) {
        CommonMessageBox(this, *error, TMessageKind::Error, false);
        return;
    }
    std::string text = entries[static_cast<std::size_t>(row)].name;
    if (!CommonInputBox(this, "Edit extension name", "Extension Name", text)) return;
    if (auto error = EditExtensionError(entries, row, text, which)) {
        CommonMessageBox(this, *error, TMessageKind::Error, false);
        return;
    }
    List(which)->item(row)->setText(QString::fromStdString(UpperCase(Trim(text))));
}

void TfrmYahooOptions::DeleteExtension(TExtensionList which) {
    const auto entries = Entries(which);
    const int row = List(which)->currentRow();
    if (auto error = DeleteSelectionError(entries, row, which)) {
        CommonMessageBox(this, *error, TMessageKind::Error, false);
        return;
    }
    if (!CommonMessageBox(this, DeleteConfirmation(which), TMessageKind::Confirmation, true))
        return;
    delete List(which)->takeItem(row);
}

void TfrmYahooOptions::ShowPage(int page) {
    if (page < 0 || page >= kPageCount) page = 0;
    tvOptionSelector_->setCurrentItem(tvOptionSelector_->topLevelItem(page));
    nbOptions_->setCurrentIndex(page);
}

int TfrmYahooOptions::ActivePage() const {
    return nbOptions_->currentIndex();
}

void TfrmYahooOptions::RestoreState() {
    int page = 0;
    try {
        TRegistryStore& store = ThreadRegistry();
        if (auto v = store.ReadValue(RegRoot::CurrentUser, DialogKey(), kActivePageValue)) {
            for (int i = 0; i < kPageCount; ++i) {
                if (v->IsString() && SameText(v->data, kPageNames[i])) page = i;
            }
        }
        if (auto v = store.ReadValue(RegRoot::CurrentUser, DialogKey(), kPlacementValue))
            restoreGeometry(QByteArray::fromStdString(v->data));
    } catch (const ERegistryException&) {
        // The dialog opens on its first page at its own size; nothing else depends on it.
    }
    ShowPage(page);
}

void TfrmYahooOptions::StoreState() {
    try {
        ThreadRegistry().WriteValues(
            RegRoot::CurrentUser, DialogKey(),
            {{kActivePageValue, RegValue::String(kPageNames[ActivePage()])},
             {kPlacementValue, RegValue::Binary(saveGeometry().toStdString())}});
    } catch (const ERegistryException&) {
        // Losing the remembered page costs the user one click next time; not worth a box.
    }
}

void TfrmYahooOptions::done(int result) {
    StoreState();
    QDialog::done(result);
}

}  // namespace tessaly::gui
