// Creates the main window offscreen, opens a cabinet in it, lets it lay out once and exits.
// Usage: listing_window INSTALL_DIR CABINET   (INSTALL_DIR holds a makecab; the settings go to
// $XDG_CONFIG_HOME as usual). Prints the rows and the peak memory (VmHWM) on stderr.
#include "app/Main.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INSTALL_DIR CABINET\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string installDir = std::string(argv[1]) + "/";
    const std::string cabinet = argv[2];
    QApplication app(argc, argv);
    corvex::platform::OverrideExecutableDirectory(installDir);
    corvex::TFormMain form;
    form.show();
    form.OpenCabinet(cabinet);
    QApplication::processEvents();
    std::string line, peak;
    std::ifstream status("/proc/self/status");
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            peak = line;
    std::fprintf(stderr, "%d rows; %s\n", form.ListViewExtract->model()->rowCount(), peak.c_str());
    return form.ListViewExtract->model()->rowCount() > 0 ? 0 : 1;
}
