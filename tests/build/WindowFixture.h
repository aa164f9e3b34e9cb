// The main window with the directory chooser and the report dialog, on real widgets offscreen.
// Dialogs are answered through a Prompts of our own; modal dialogs run a scripted answer.
#pragma once

#include "app/Main.h"
#include "app/Prompts.h"
#include "app/Startup.h"
#include "app/State.h"
#include "build/Report.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "settings/SelectDirectory.h"
#include "settings/Settings.h"
#include "tests/build/TempTree.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace corvex::testing {

struct ProgramEnded {
    int status;
};

class ScriptedPrompts : public Prompts {
  public:
    struct Shown {
        QString caption, text;
    };
    void Message(QWidget*, const QString& caption, const QString& text) override {
        messages.push_back({caption, text});
    }
    void StandardError(QWidget*, const QString& text) override { errors.push_back(text); }
    QStringList OpenFiles(QWidget*, const FileDialogOptions& options) override {
        openDialogs.push_back(options);
        if (openAnswers.empty())
            return {};
        QStringList answer = openAnswers.front();
        openAnswers.pop_front();
        return answer;
    }
    QString SaveFile(QWidget*, const FileDialogOptions& options) override {
        saveDialogs.push_back(options);
        if (saveAnswers.empty())
            return {};
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    // The directory chooser runs the next scripted answer; the report dialog is shown (so
    // that it reads its report), its six values kept, and closed with its button.
    int ExecModal(QDialog* dialog) override {
        modals.push_back(dialog);
        if (dialog == DialogSelectDir) {
            if (chooserAnswers.empty())
                return QDialog::Rejected;
            auto answer = std::move(chooserAnswers.front());
            chooserAnswers.pop_front();
            dialog->show();
            answer(*DialogSelectDir);
            const int result = dialog->result();
            dialog->hide();
            return result;
        }
        if (dialog == DialogReport) {
            dialog->show();
            reports.push_back(
                {DialogReport->LabelTotalFiles->text(), DialogReport->LabelSizeRaw->text(),
                 DialogReport->LabelSizeCAB->text(), DialogReport->LabelRatio->text(),
                 DialogReport->LabelTime->text(), DialogReport->LabelThroughput->text()});
            DialogReport->OKBtn->click();
            return dialog->result();
        }
        return QDialog::Rejected;
    }

    std::vector<Shown> messages;
    std::vector<QString> errors;
    std::vector<FileDialogOptions> openDialogs;
    std::vector<FileDialogOptions> saveDialogs;
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::deque<std::function<void(TDialogSelectDir&)>> chooserAnswers;
    std::vector<QDialog*> modals;
    std::vector<QStringList> reports;
};

// A temporary tree holding the install directory (with a builder) and the settings file; the
// window, the chooser and the report dialog are made the way start-up makes them.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startDirectory_ = platform::CurrentDirectory();
        installDir_ = t_.Dir("install") + "/";
        platform::OverrideExecutableDirectory(installDir_);
        savedXdg_ = platform::GetEnvironment("XDG_CONFIG_HOME");
        savedTmp_ = platform::GetEnvironment("TMP");
        platform::SetEnvironment("XDG_CONFIG_HOME", t_ / "config");
        SetPrompts(&prompts_);
        SetEndProgram([](int status) { throw ProgramEnded{status}; });
        WindowMode = ModeCreate;
        TotalBytes = 0;
        CurrentCabinetPath.clear();
        CommandLineText.clear();
        AppSettings = {};
        InstallStandInBuilder();
    }
    void TearDown() override {
        delete DialogSelectDir;
        DialogSelectDir = nullptr;
        delete DialogReport;
        DialogReport = nullptr;
        form_.reset();
        SetPrompts(nullptr);
        SetEndProgram({});
        platform::OverrideExecutableDirectory("");
        platform::SetEnvironment("XDG_CONFIG_HOME", savedXdg_);
        platform::SetEnvironment("TMP", savedTmp_);
        platform::SetCurrentDirectory(startDirectory_);
    }

    // A builder that only records its arguments and TMP, then writes a report and the first
    // cabinet where the directive says.
    void InstallStandInBuilder() {
        const std::string script =
            "#!/bin/sh\n"
            "printf '%s|%s|%s' \"$TMP\" \"$1\" \"$2\" > \"" +
            t_.root() +
            "builder-ran\"\n"
            "d=$(sed -n 's/^.Set DiskDirectoryTemplate=\"\\(.*\\)\"\\r$/\\1/p' \"$2\")\n"
            "c=$(sed -n 's/^.Set CabinetName1=\"\\(.*\\)\"\\r$/\\1/p' \"$2\")\n"
            "printf 'MSCF\\0\\0\\0\\0built' > \"$d$c\"\n"
            "printf 'Report\\n' > \"${TMP}Corvex.RPT\"\n"
            "for i in $(seq 1 30); do printf 'w%s ' $i >> \"${TMP}Corvex.RPT\"; done\n";
        const std::string path = t_.File("install/makecab", script);
        chmod(path.c_str(), 0755);
    }

    TFormMain& Start() {
        form_ = std::make_unique<TFormMain>();
        DialogReport = new TDialogReport(form_.get());
        DialogSelectDir = new TDialogSelectDir(form_.get());
        form_->show();
        QCoreApplication::processEvents();
        return *form_;
    }

    TempTree t_;
    std::string installDir_;
    std::string startDirectory_;
    std::optional<std::string> savedXdg_, savedTmp_;
    ScriptedPrompts prompts_;
    std::unique_ptr<TFormMain> form_;
};

} // namespace corvex::testing
