// The main window's group commands: filling and saving the tree, the find commands, the check
// and favourite commands, Add Group and Delete.
#include <QApplication>
#include <unordered_map>
#include <unordered_set>

#include "gui/DesktopLinks.h"
#include "gui/GroupTreeRules.h"
#include "gui/TGroupTree.h"
#include "gui/TfrmCommonDlg.h"
#include "gui/TfrmProgress.h"
#include "gui/TfrmYahooGrabber.h"
#include "gui/TfrmYahooMain.h"
#include "platform/RegistryStore.h"
#include "registry/GroupCache.h"
#include "session/MemberSession.h"
#include "text/TextUtils.h"

namespace tessaly::gui {

void TfrmYahooMain::FillGroupTree(const std::vector<std::string>& names) {
    // One read of the whole cache: the tree may hold thousands of groups.
    std::unordered_map<std::string, std::string> states;
    for (auto& [name, state] : LoadGroupStates(session_->UserName()))
        states.emplace(UpperCase(name), std::move(state));
    tree_->Fill(session_->UserName(), names, [&states](const std::string& name) {
        const auto it = states.find(UpperCase(name));
        return CachedGroupMarks(it == states.end() ? std::nullopt
                                                   : std::optional<std::string>(it->second));
    });
}

void TfrmYahooMain::SaveGroupTree() {
    if (tree_->Root() == nullptr || session_->UserName().empty()) return;
    progress_->SetStatusText("Saving My Groups ...");
    progress_->SetCaptionText("Caching..");
    progress_->StartProgress("Caching..", 100);
    std::vector<TGroupMarksEntry> entries;
    for (QTreeWidgetItem* item : tree_->AllItems()) {
        const std::string text = Trim(TGroupTree::TextOf(item));
        if (IsRootItemText(text) || text.empty() || !IsGroupItemText(text)) continue;
        entries.push_back({text, TGroupTree::MarksOf(item)});
    }
    try {
        SaveGroupMarks(session_->UserName(), entries);
    } catch (const ERegistryException& e) {
        ResetProgressDialog();
        CommonMessageBox(this,
                         std::string("The group marks could not be saved.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
        return;
    }
    ResetProgressDialog();
}

void TfrmYahooMain::mnuItemUtilsFindaGroupClick() {
    std::string text = lastSearch_;
    if (!CommonInputBox(this, "Find a Group name", "Enter a Group name (partial)", text)) return;
    const std::string search = Trim(text);
    if (search.empty()) return;
    lastSearch_ = search;
    const int at = FindItem(tree_->AllTexts(), lastSearch_, 0);
    if (at >= 0) tree_->SelectOnly(tree_->ItemAt(at));
}

void TfrmYahooMain::mnuItemUtilsFindNextClick() {
    tree_->setFocus();
    if (Trim(lastSearch_).empty()) {
        mnuItemUtilsFindaGroupClick();
        return;
    }
    QTreeWidgetItem* selected = tree_->SelectedItem();
    if (selected == nullptr) return;
    const int at = FindItem(tree_->AllTexts(), lastSearch_, tree_->IndexOf(selected) + 1);
    if (at >= 0) tree_->SelectOnly(tree_->ItemAt(at));
}

void TfrmYahooMain::CheckAll(bool checked) {
    tree_->SetCheckedAll(tree_->GroupItems(), [checked](QTreeWidgetItem*) { return checked; });
}

void TfrmYahooMain::mnuItemUtilsInvertSelectionClick() {
    tree_->SetCheckedAll(tree_->GroupItems(),
                         [](QTreeWidgetItem* item) { return !TGroupTree::IsChecked(item); });
}

void TfrmYahooMain::CheckGroupsStartingWith(bool checked) {
    std::string text;
    if (!CommonInputBox(this, "Partial Group Name", "Enter the Start Text", text)) return;
    if (Trim(text).empty()) return;
    std::vector<QTreeWidgetItem*> items;
    for (int index : ItemsStartingWith(tree_->AllTexts(), text))
        items.push_back(tree_->ItemAt(index));
    tree_->SetCheckedAll(items, [checked](QTreeWidgetItem*) { return checked; });
    if (items.empty()) {
        CommonMessageBox(this, "No Groups available", TMessageKind::Error, false);
        return;
    }
    CommonMessageBox(this, StartingWithMessage(items.size(), checked), TMessageKind::Information,
                     false);
}

void TfrmYahooMain::CheckSelectedGroups(bool checked) {
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* item : tree_->selectedItems()) {
        if (IsGroupItemText(TGroupTree::TextOf(item))) items.push_back(item);
    }
    tree_->SetCheckedAll(items, [checked](QTreeWidgetItem*) { return checked; });
}

void TfrmYahooMain::CheckFavouriteGroups(bool checked) {
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItem* item : tree_->GroupItems()) {
        if (TGroupTree::IsFavourite(item)) items.push_back(item);
    }
    tree_->SetCheckedAll(items, [checked](QTreeWidgetItem*) { return checked; });
}

void TfrmYahooMain::MarkFavourite(bool favourite) {
    QTreeWidgetItem* item = tree_->SelectedItem();
    if (item == nullptr || !IsGroupItemText(TGroupTree::TextOf(item))) return;
    tree_->SetFavourite(item, favourite);
}

void TfrmYahooMain::OpenGroupInaBrowser1Click() {
    QTreeWidgetItem* item = tree_->SelectedItem();
    if (item == nullptr || !IsGroupItemText(TGroupTree::TextOf(item))) return;
    OpenUrl(GroupPageAddress(TGroupTree::TextOf(item)));
}

void TfrmYahooMain::tbPlusClick() {
    std::string text = lastSearch_;
    if (!CommonInputBox(this, "Add Group", "Enter a Group name", text)) return;
    const std::string name = Trim(text);
    if (name.empty() || tree_->Root() == nullptr) return;
    QTreeWidgetItem* item = tree_->AddGroupItem(name, TGroupMarks{false, false});
    tree_->SelectOnly(item);
    currentGroup_ = name;
    try {
        SaveGroupMarks(session_->UserName(), {{name, TGroupMarks{false, false}}});
    } catch (const ERegistryException& e) {
        CommonMessageBox(this, std::string("The group could not be stored.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
    }
}

void TfrmYahooMain::ToolButton2Click() {
    QTreeWidgetItem* item = tree_->SelectedItem();
    if (item == nullptr) {
        CommonMessageBox(this, "Please select an item before trying to delete it.",
                         TMessageKind::Error, false);
        return;
    }
    const std::string name = TGroupTree::TextOf(item);
    if (!IsGroupItemText(name)) {
        CommonMessageBox(this, "You cannot delete this Item", TMessageKind::Error, false);
        return;
    }
    if (!CommonMessageBox(this, "Do you want to delete the selected item ?.",
                          TMessageKind::Confirmation, true))
        return;
    try {
        DeleteCachedGroup(session_->UserName(), name);
    } catch (const ERegistryException& e) {
        CommonMessageBox(this, std::string("The group could not be removed.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
        return;
    }
    if (SameText(currentGroup_, name)) currentGroup_.clear();
    delete item;
}

void TfrmYahooMain::mnuItemViewCachedGroupsClick() {
    const std::string user = session_->UserName();
    // The cache is to hold the marks the tree shows before the editor reads or changes it.
    SaveGroupTree();
    std::vector<std::pair<std::string, std::string>> before;
    try {
        before = LoadGroupStates(user);
    } catch (const ERegistryException&) {
        before.clear();  // told by the editor, which reads the same store
    }
    {
        TfrmYahooGrabber editor(
            this, [this]() -> TfrmProgress& { return *progress_; },
            [this] { ResetProgressDialog(); });
        if (chooseFile) editor.chooseFile = chooseFile;
        editor.Open();
        editor.exec();
    }
    if (tree_->Root() == nullptr || user.empty()) return;
    std::vector<std::pair<std::string, std::string>> after;
    try {
        after = LoadGroupStates(user);
    } catch (const ERegistryException& e) {
        CommonMessageBox(this,
                         std::string("The group cache could not be read again.\r\n\r\n") + e.what(),
                         TMessageKind::Error, false);
        return;
    }
    if (after == before) return;
    // The tree keeps its groups that are still cached and gains the ones the editor added or
    // renamed; their marks come from the cache (an edited group reads as unchecked).
    std::unordered_set<std::string> was, is;
    for (const auto& entry : before) was.insert(UpperCase(entry.first));
    for (const auto& entry : after) is.insert(UpperCase(entry.first));
    std::vector<std::string> names;
    for (QTreeWidgetItem* item : tree_->GroupItems()) {
        const std::string name = TGroupTree::TextOf(item);
        if (is.count(UpperCase(name)) != 0 || was.count(UpperCase(name)) == 0)
            names.push_back(name);
    }
    for (const auto& entry : after)
        if (was.count(UpperCase(entry.first)) == 0) names.push_back(entry.first);
    FillGroupTree(names);
}

}  // namespace tessaly::gui
