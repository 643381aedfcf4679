#include "palette/target_cad_dialog.h"

#include <algorithm>

namespace tarsel::palette {
namespace {

constexpr char kEnterKey = 13;

}  // namespace

TargetCadDialog::TargetCadDialog(std::filesystem::path listFile) : listFile_(std::move(listFile)) {}

void TargetCadDialog::AddSorted(const std::string& line) {
    // Before the first entry that sorts after the line: a change may have left the list out
    // of order, and this keeps an add well defined then too.
    const auto at = std::find_if(items_.begin(), items_.end(), [&](const std::string& item) {
        return options::CadListLess(line, item);
    });
    items_.insert(at, line);
}

void TargetCadDialog::ClickItem(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    itemIndex_ = index;
    ListBox1Click();
}

void TargetCadDialog::FormShow() {
    std::optional<options::CadListFile> loaded;
    try {
        loaded = options::LoadCadListFile(listFile_);
    } catch (const options::CadListFileError& e) {
        readError_ = lastError_ = e.what();
        return;
    }
    readError_.clear();
    lastError_.clear();
    if (!loaded) return;
    file_ = std::move(*loaded);
    items_.clear();
    itemIndex_ = -1;
    for (const std::string& line : file_.lines) AddSorted(line);
    const std::string wanted = "\t" + CurrentProgID;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].find(wanted) != std::string::npos) {
            ClickItem(static_cast<int>(i));
            return;
        }
    }
}

void TargetCadDialog::ListBox1Click() {
    if (itemIndex_ < 0) return;
    const options::CadListEntry entry =
        options::SplitCadListLine(items_[static_cast<std::size_t>(itemIndex_)]);
    Edit1 = entry.name;
    Edit2 = entry.progId;
}

void TargetCadDialog::SpeedButton1Click() {
    const std::string line = Edit1 + "\t" + Edit2;
    AddSorted(line);
    const auto found = std::find(items_.begin(), items_.end(), line);
    ClickItem(static_cast<int>(found - items_.begin()));
    SaveList();
}

void TargetCadDialog::SpeedButton2Click() {
    if (itemIndex_ < 0) return;
    const int i = itemIndex_;
    items_.erase(items_.begin() + i);
    itemIndex_ = -1;
    Edit1.clear();
    Edit2.clear();
    const int n = static_cast<int>(items_.size());
    if (i + 1 < n) {
        ClickItem(i);
    } else if (i - 1 >= 0) {
        ClickItem(i - 1);
    }
    SaveList();
}

void TargetCadDialog::SpeedButton3Click() {
    if (itemIndex_ < 0) return;
    items_[static_cast<std::size_t>(itemIndex_)] = Edit1 + "\t" + Edit2;
    SaveList();
}

bool TargetCadDialog::Edit1KeyPress(char key) {
    if (key != kEnterKey) return false;
    SpeedButton3Click();
    return true;
}

void TargetCadDialog::SaveList() {
    if (!readError_.empty()) {
        lastError_ = "the list was not saved: " + readError_;
        return;
    }
    try {
        options::SaveCadListFile(listFile_, items_, file_);
        lastError_.clear();
    } catch (const options::CadListFileError& e) {
        lastError_ = e.what();
    }
}

}  // namespace tarsel::palette
