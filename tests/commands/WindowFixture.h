// The real main window and its dialogs, offscreen, in a throw-away home: settings, desktop
// files and the program's directory all live in a temporary directory. Dialogs and message
// boxes are answered through a Prompts of our own; everything else is the real widget.
#pragma once

#include "app/About.h"
#include "app/Main.h"
#include "app/Prompts.h"
#include "app/Startup.h"
#include "app/State.h"
#include "build/Report.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "settings/Options.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace corvex::test {

namespace fs = std::filesystem;

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline void WriteExecutable(const fs::path& path, const std::string& script) {
    WriteFile(path, script);
    fs::permissions(path, fs::perms::owner_all);
}

// Detached children run on their own: wait until the file they write is there.
inline bool WaitForPath(const fs::path& path) {
    for (int i = 0; i < 1000; ++i) {
        if (fs::exists(path))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class RecordingPrompts : public Prompts {
public:
    struct Shown {
        QString caption, text;
    };
    void Message(QWidget*, const QString& caption, const QString& text) override {
        messages.push_back({caption, text});
    }
    void StandardError(QWidget*, const QString& text) override { errors.push_back(text); }
    QStringList OpenFiles(QWidget*, const FileDialogOptions& options) override {
        openTitles.push_back(options.title);
        if (openAnswers.empty())
            return {};
        QStringList answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    QString SaveFile(QWidget*, const FileDialogOptions& options) override {
        saveTitles.push_back(options.title);
        return {};
    }
    int ExecModal(QDialog* dialog) override {
        modals.push_back(dialog);
        if (answerModal)
            return answerModal(dialog);
        return QDialog::Rejected;
    }

    std::vector<Shown> messages;
    std::vector<QString> errors;
    std::vector<QString> openTitles;
    std::deque<QStringList> openAnswers;
    std::vector<QString> saveTitles;
    std::vector<QDialog*> modals;
    std::function<int(QDialog*)> answerModal; // unset: every modal dialog is cancelled
};

class CommandsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvex-commands-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        installDir_ = root_ / "install";
        fakeBin_ = root_ / "fakebin";
        fs::create_directories(installDir_);
        // The window refuses to start without a builder beside it.
        WriteExecutable(installDir_ / "makecab", "#!/bin/sh\nexit 0\n");
        // The association names the program only when it exists.
        WriteExecutable(installDir_ / "corvex", "#!/bin/sh\nexit 0\n");
        // The desktop's browser, standing in: it notes what it was asked to show.
        WriteExecutable(fakeBin_ / "xdg-open",
                        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + (root_ / "opened.tmp").string() +
                            "\"\nmv \"" + (root_ / "opened.tmp").string() + "\" \"" +
                            (root_ / "opened").string() + "\"\n");
        platform::OverrideExecutableDirectory(installDir_.string() + "/");

        const auto keep = [this](const char* name, const std::optional<std::string>& value) {
            saved_.emplace_back(name, platform::GetEnvironment(name));
            platform::SetEnvironment(name, value);
        };
        keep("HOME", (root_ / "home").string());
        keep("XDG_CONFIG_HOME", (root_ / "config").string());
        keep("XDG_DATA_HOME", (root_ / "data").string());
        keep("XDG_DATA_DIRS", (root_ / "system").string());
        keep("XDG_CONFIG_DIRS", (root_ / "system-config").string());
        keep("XDG_CURRENT_DESKTOP", std::nullopt);
        keep("PATH", fakeBin_.string() + ":/usr/bin:/bin");
        keep("TMP", (root_ / "tmp").string());

        SetPrompts(&prompts);
        SetEndProgram([this](int status) { ended = status; });
        WindowMode = ModeCreate;
        TotalBytes = 0;
        CurrentCabinetPath.clear();
        CommandLineText.clear();
        AppSettings = {};
    }

    void TearDown() override {
        // The dialogs are children of the window and go with it.
        form.reset();
        AboutBox = nullptr;
        DialogReport = nullptr;
        DialogOptions = nullptr;
        DialogSelectDir = nullptr;
        FormMain = nullptr;
        SetPrompts(nullptr);
        SetEndProgram({});
        platform::OverrideExecutableDirectory("");
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            platform::SetEnvironment(it->first, it->second);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
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
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace corvex::test
