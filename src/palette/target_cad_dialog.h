// The target-CAD dialog without its window: the list of CADs kept in the list file beside the
// executable, the two edits, and what each button and key does to them. The Win32 dialog shows
// this state and forwards its events here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "options/cad_list_file.h"

namespace tarsel::palette {

class TargetCadDialog {
public:
    // listFile: the CAD list file, read at every showing and written after every edit.
    explicit TargetCadDialog(std::filesystem::path listFile);

    // The ProgID the palette targets, set by it before each showing.
    std::string CurrentProgID;
    // The edits: Edit1 the name ("名称 （説明）"), Edit2 the ProgID.
    std::string Edit1;
    std::string Edit2;

    // ListBox1: every entry as its line (name, TAB, ProgID); -1 when none is selected.
    [[nodiscard]] const std::vector<std::string>& Items() const { return items_; }
    [[nodiscard]] int ItemIndex() const { return itemIndex_; }
    // The user clicks an entry: it is selected and ListBox1Click runs.
    void ClickItem(int index);

    // Each showing: the list is read again from the file (kept as it was when there is none)
    // and the first entry for CurrentProgID is selected and shown in the edits.
    void FormShow();
    // The selected entry into the edits: the name before the first TAB, the ProgID after it.
    void ListBox1Click();
    // "追加": the edits as a new entry at its sorted place, selected; the list is saved.
    void SpeedButton1Click();
    // "削除": the selected entry goes, the edits are cleared, a neighbour is selected; the list
    // is saved. Nothing happens while no entry is selected.
    void SpeedButton2Click();
    // "変更": the selected entry becomes the edits' line where it stands (not re-sorted until
    // the list is next read); the list is saved. Nothing happens while no entry is selected.
    void SpeedButton3Click();
    // Enter (13) in Edit1 or Edit2 is swallowed and runs "変更"; returns whether it was.
    bool Edit1KeyPress(char key);

    // Why the list file could not be read or saved at the last attempt; empty when it could.
    // The window shows it. After a failed read the file is never written, so an edit cannot
    // replace a list the program could not read.
    [[nodiscard]] const std::string& LastError() const { return lastError_; }
    // The encoding the list file is written in.
    [[nodiscard]] const options::TextEncoding& ListEncoding() const { return file_.encoding; }

private:
    void AddSorted(const std::string& line);
    void SaveList();

    std::filesystem::path listFile_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    options::CadListFile file_;
    std::string readError_;  // why the last showing could not read the file
    std::string lastError_;
};

}  // namespace tarsel::palette
