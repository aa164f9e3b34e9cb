#include "app/Startup.h"

#include "app/CommandLine.h"
#include "app/Main.h"
#include "app/Prompts.h"
#include "settings/Settings.h"

#include <cstdlib>

namespace corvex {

namespace {
std::function<void(int)>& EndOverride() {
    static std::function<void(int)> end;
    return end;
}
} // namespace

QString MissingBuilderCaption() {
    return QString::fromUtf8("Corvex 訊息: 找不到 makecab.exe");
}

QString MissingBuilderText() {
    return QString::fromUtf8("請複製 Microsoft makecab.exe 到 Corvex 資料夾。您可以從\n"
                             "Microsoft 的網站下載 makecab.exe "
                             "https://support.microsoft.com/kb/310618");
}

void CheckBuilderPresent() {
    if (BuilderPresent(AppSettings.InstallDir))
        return;
    CurrentPrompts().Message(FormMain, MissingBuilderCaption(), MissingBuilderText());
    EndProgram(0);
}

void EndProgram(int status) {
    if (EndOverride())
        EndOverride()(status);
    else
        std::exit(status);
}

void SetEndProgram(std::function<void(int)> end) {
    EndOverride() = std::move(end);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        CurrentPrompts().StandardError(activeWindow(), QString::fromUtf8(error.what()));
    }
    return false;
}

} // namespace corvex
