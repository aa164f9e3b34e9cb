// The real main window and its dialogs, offscreen, in a throw-away home: settings, desktop
// files and the program's directory all live in a temporary directory. Dialogs and message
// boxes are answered through a Prompts of our own; everything else is the real widget.
#pragma once

#include "app/About.h"
#include "app/Main.h"
#include "build/Report.h"
#include "settings/Options.h"
#include "settings/SelectDirectory.h"
#include "tests/support/GuiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace corvex::test {

namespace fs = std::filesystem;

class CommandsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = tree_.path();
        installDir_ = root_ / "install";
        fakeBin_ = root_ / "fakebin";
        InstallIdleBuilder(installDir_);
        // The association names the program only when it exists.
        WriteExecutable(installDir_ / "corvex", "#!/bin/sh\nexit 0\n");
        // The desktop's browser, standing in: it notes what it was asked to show.
        WriteExecutable(fakeBin_ / "xdg-open",
                        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + (root_ / "opened.tmp").string() +
                            "\"\nmv \"" + (root_ / "opened.tmp").string() + "\" \"" +
                            (root_ / "opened").string() + "\"\n");

        env_.Set("HOME", (root_ / "home").string());
        env_.Set("XDG_CONFIG_HOME", (root_ / "config").string());
        env_.Set("XDG_DATA_HOME", (root_ / "data").string());
        env_.Set("XDG_DATA_DIRS", (root_ / "system").string());
        env_.Set("XDG_CONFIG_DIRS", (root_ / "system-config").string());
        env_.Set("XDG_CURRENT_DESKTOP", std::nullopt);
        env_.Set("PATH", fakeBin_.string() + ":/usr/bin:/bin");
        env_.Set("TMP", (root_ / "tmp").string());

        TakeOverProgram(prompts, installDir_.string() + "/", [this](int status) { ended = status; });
    }

    void TearDown() override {
        // The dialogs are children of the window and go with it.
        form.reset();
        AboutBox = nullptr;
        DialogReport = nullptr;
        DialogOptions = nullptr;
        DialogSelectDir = nullptr;
        FormMain = nullptr;
        GiveBackProgram();
        env_.Restore();
    }

    // The five windows in the order the program creates them.
    TFormMain& Start() {
        form = std::make_unique<TFormMain>();
        FormMain = form.get();
        AboutBox = new TAboutBox(form.get());
        DialogReport = new TDialogReport(form.get());
        DialogOptions = new TDialogOptions(form.get());
        DialogSelectDir = new TDialogSelectDir(form.get());
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return *form;
    }

    static void Settle() { QCoreApplication::processEvents(); }

    fs::path root_, installDir_, fakeBin_;
    RecordingPrompts prompts;
    std::optional<int> ended;
    std::unique_ptr<TFormMain> form;

private:
    TempTree tree_;
    ScopedEnvironment env_;
};

} // namespace corvex::test
