#include "build/BuildCommands.h"

#include "app/Main.h"
#include "app/Prompts.h"
#include "app/Startup.h"
#include "app/State.h"
#include "build/BuildList.h"
#include "build/BuildRun.h"
#include "build/Directive.h"
#include "build/Report.h"
#include "common/Helpers.h"
#include "platform/Paths.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QDir>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>
#include <cstring>

namespace corvex {

namespace {

// Runs a core operation that appends to the build list on a copy of the rows, then hands the
// model the rows it appended, all at once.
template <typename Operation> void AppendThrough(TFormMain& form, Operation operation) {
    TBuildListModel& model = *form.BuildListModel();
    TBuildList rows = model.Entries();
    const size_t before = rows.size();
    operation(rows);
    model.AppendRows(rows.begin() + std::ptrdiff_t(before), rows.end());
}

} // namespace

QString BuildFailedCaption() {
    return U("Corvex 訊息: 建立 Cabinet 檔案發生錯誤");
}

QString BuildFailedText() {
    return U("儲存 Cabinet 檔案失敗，hasz可能將磁碟空間用完或您已取消了此項的操作");
}

void NewCabinet(TFormMain& form) {
    form.SetWindowMode(ModeCreate);
    form.BuildListModel()->Clear();
    TotalBytes = 0;
    form.UpdateStatusLine();
}

void AddFiles(TFormMain& form) {
    const QStringList chosen = CurrentPrompts().OpenFiles(&form, form.DialogAddFile);
    AppendThrough(form, [&](TBuildList& rows) {
        for (const QString& file : chosen)
            AddFileToList(rows, PathBytes(file));
    });
    form.UpdateStatusLine();
}

void AddDirectory(TFormMain& form) {
    if (!ChooseDirectory())
        return;
    // A root keeps its own separator and gets a second one, as a drive root always has.
    const std::string base = ChosenDirectory() + platform::kSeparator;
    AppendThrough(form, [&](TBuildList& rows) {
        AddDirectoryTree(base, "", rows, AppSettings.RecursiveAdd);
    });
    form.UpdateStatusLine();
}

void RemoveSelected(TFormMain& form) {
    TBuildListModel& model = *form.BuildListModel();
    std::vector<int> selected;
    for (const QModelIndex& index : form.ListViewCreate->selectionModel()->selectedRows())
        selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    // Row by row from the first: a size that is not a number stops the command there, with the
    // rows before it gone and their sizes taken off, and the error goes to the standard box.
    std::vector<int> removed;
    try {
        for (int row : selected) {
            TotalBytes = SubtractWrapped(TotalBytes, ParseGrouped(model.Entry(row).SizeText));
            removed.push_back(row);
        }
    } catch (...) {
        model.RemoveRows(removed);
        form.UpdateStatusLine();
        throw;
    }
    model.RemoveRows(removed);
    form.UpdateStatusLine();
}

void SaveCabinet(TFormMain& form) {
    const TBuildList& rows = form.BuildListModel()->Entries();
    if (rows.empty())
        return;
    EnsureTrailingBackslash();

    if (form.DialogSave.initialPath.isEmpty())
        form.DialogSave.initialPath = QDir::homePath() + QStringLiteral("/DEFAULT.CAB");
    const QString chosen = CurrentPrompts().SaveFile(&form, form.DialogSave);
    if (chosen.isEmpty())
        return;
    form.DialogSave.initialPath = chosen;

    const std::string cabinetPath = PathBytes(chosen);
    const int diskEntry = form.ComboBoxSize->currentIndex();
    const int compressionEntry = form.ComboBoxCompressionType->currentIndex();
    const int32_t lzxMemory =
        compressionEntry == CompressionLZX ? StrToInt(PathBytes(form.EditLZXMemory->text())) : 0;

    // Without its directive the builder would build nothing, or an older list.
    const TDirectiveResult directive =
        WriteDirectiveFile(rows, cabinetPath, diskEntry, compressionEntry, lzxMemory);
    if (!directive.written) {
        const QString caption = U("Corvex 訊息: 無法寫入指令檔 ") + DisplayName(directive.path);
        const QString text = directive.badName.empty()
                                 ? U("無法建立這個檔案：") +
                                       QString::fromLocal8Bit(std::strerror(directive.error)) +
                                       U("。請在選項中選擇可以寫入的暫存目錄。")
                                 : U("這個名稱含有引號或換行字元，無法寫入指令檔：") +
                                       DisplayName(directive.badName);
        CurrentPrompts().Message(&form, caption, text);
        return;
    }

    CheckBuilderPresent();
    const platform::ProcessOutcome outcome = RunBuilder();
    // A builder that ran but failed wrote no cabinet and no report: going on would show the
    // previous build's figures as this one's and turn an older cabinet of the same name into
    // a self-extracting file. It gets the same message as a builder that could not start.
    if (!outcome.started || outcome.exitStatus != 0) {
        CurrentPrompts().Message(&form, BuildFailedCaption(), BuildFailedText());
        return;
    }
    if (AppSettings.CreateSelfExtracting)
        MakeSelfExtracting(cabinetPath);
    if (DialogReport)
        CurrentPrompts().ExecModal(DialogReport);
}

} // namespace corvex
