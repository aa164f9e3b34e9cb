// Draws every window of Corvex into PNG files, for looking at them: the main window in both
// modes, the Options dialog's two tabs, the directory chooser, the report dialog and the About
// box. Run it through scripts/screenshots.sh, under Xvfb, so that fonts come from the system.
#include "app/About.h"
#include "app/ListModels.h"
#include "app/Main.h"
#include "app/Startup.h"
#include "build/Report.h"
#include "platform/Paths.h"
#include "settings/Options.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <cstdio>

using namespace corvex;

namespace {

void Save(QWidget* window, const QString& dir, const char* name) {
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowExposed(window);
    QTest::qWait(150);
    const QString path = dir + "/" + QString::fromLatin1(name) + ".png";
    window->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR CABINET INSTALL_DIR/\n", argv[0]);
        return 2;
    }
    // The windows take the program's directory from here, and want a builder in it.
    platform::OverrideExecutableDirectory(argv[3]);
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    FormMain = new TFormMain;
    AboutBox = new TAboutBox(FormMain);
    DialogReport = new TDialogReport(FormMain);
    DialogOptions = new TDialogOptions(FormMain);
    DialogSelectDir = new TDialogSelectDir(FormMain);

    FormMain->BuildListModel()->Append({"readme.txt", "/home/user/文件/", "", "1.234"});
    FormMain->BuildListModel()->Append({"setup.exe", "/home/user/文件/", "bin\\", "123.456"});
    FormMain->BuildListModel()->Append({"說明.html", "/home/user/文件/", "docs\\", "4.096"});
    Save(FormMain, out, "main-create");

    FormMain->OpenCabinet(argv[2]);
    FormMain->ListViewExtract->selectAll();
    Save(FormMain, out, "main-extract");
    FormMain->hide();

    DialogOptions->PageControl->setCurrentIndex(0);
    Save(DialogOptions, out, "options-general");
    DialogOptions->PageControl->setCurrentIndex(1);
    Save(DialogOptions, out, "options-directories");
    DialogOptions->hide();

    Save(DialogSelectDir, out, "select-directory");
    DialogSelectDir->hide();
    // A report as the builder writes it, for the report dialog to read.
    AppSettings.TemporaryDir = QDir::tempPath().toStdString() + "/corvex-screenshots-report/";
    QDir().mkpath(QString::fromStdString(AppSettings.TemporaryDir));
    if (FILE* report = std::fopen((AppSettings.TemporaryDir + "CORVEX.RPT").c_str(), "wb")) {
        std::fputs("MakeCAB Report: Fri Dec 11 12:00:00 2026\r\n\r\n"
                   "Total files:              3\r\n"
                   "Bytes before:       128,786\r\n"
                   "Bytes after:         45,321\r\n"
                   "After/Before:            35.19% compression\r\n"
                   "Time:                     0.12 seconds ( 0 hr  0 min  0.12 sec)\r\n"
                   "Throughput:            1048.12 Kb/second\r\n",
                   report);
        std::fclose(report);
    }
    Save(DialogReport, out, "report");
    QDir(QString::fromStdString(AppSettings.TemporaryDir)).removeRecursively();
    DialogReport->hide();
    Save(AboutBox, out, "about");
    return 0;
}
