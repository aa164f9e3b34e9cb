// Corvex: keeps the command-line text, creates the five windows and runs until the main window
// closes. Whatever happens, the exit status is 0.
#include "app/Main.h"
#include "app/About.h"
#include "app/CommandLine.h"
#include "app/Prompts.h"
#include "app/Startup.h"
#include "build/Report.h"
#include "settings/Options.h"
#include "settings/SelectDirectory.h"

int main(int argc, char** argv) {
    using namespace corvex;
    // Taken before Qt sees the arguments, which would swallow ones it knows (-style, ...).
    CommandLineText = CommandLineTextFrom(argc, argv);
    TApplication app(argc, argv);
    try {
        QApplication::setApplicationName(QStringLiteral("Corvex"));
        QApplication::setApplicationDisplayName(QStringLiteral("Corvex"));
        FormMain = new TFormMain;
        AboutBox = new TAboutBox(FormMain);
        DialogReport = new TDialogReport(FormMain);
        DialogOptions = new TDialogOptions(FormMain);
        DialogSelectDir = new TDialogSelectDir(FormMain);
        FormMain->show();
        app.exec();
    } catch (const std::exception& error) {
        CurrentPrompts().StandardError(nullptr, QString::fromUtf8(error.what()));
    }
    delete FormMain;
    return 0;
}
