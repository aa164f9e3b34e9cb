#include "convert/SfxCommands.h"

#include "app/Prompts.h"
#include "convert/Sfx.h"

namespace corvex {

void ConvertCabToSfx(QWidget* owner) {
    FileDialogOptions dialog;
    dialog.title = QString::fromUtf8("選取 Cabinet 檔案以轉換");
    dialog.filter = QString::fromUtf8("Cabinet 檔案 (*.cab)");
    const QStringList chosen = CurrentPrompts().OpenFiles(owner, dialog);
    if (!chosen.isEmpty())
        CabToSfx(PathBytes(chosen.first()));
}

void ConvertSfxToCab(QWidget* owner) {
    FileDialogOptions dialog;
    dialog.title = QStringLiteral("Select Selfextracting Cabinet to convert");
    dialog.filter = QStringLiteral("Executables (*.exe)");
    const QStringList chosen = CurrentPrompts().OpenFiles(owner, dialog);
    if (!chosen.isEmpty())
        SfxToCab(PathBytes(chosen.first()));
}

} // namespace corvex
