// The main window with the directory chooser and the report dialog, on real widgets offscreen.
// Dialogs are answered through a Prompts of our own; modal dialogs run a scripted answer.
#pragma once

#include "app/Main.h"
#include "build/Report.h"
#include "platform/Environment.h"
#include "settings/SelectDirectory.h"
#include "tests/support/GuiTestSupport.h"

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

namespace corvex::test {

// The directory chooser runs the next scripted answer; the report dialog is shown (so that it
// reads its report), its six values kept, and closed with its button.
class ScriptedPrompts : public RecordingPrompts {
  public:
    ScriptedPrompts() {
        answerModal = [this](QDialog* dialog) {
            if (dialog == DialogSelectDir)
                return AnswerChooser();
            if (dialog == DialogReport)
                return KeepReport();
            return int(QDialog::Rejected);
        };
    }

    std::deque<std::function<void(TDialogSelectDir&)>> chooserAnswers;
    std::vector<QStringList> reports;

  private:
    int AnswerChooser() {
        if (chooserAnswers.empty())
            return QDialog::Rejected;
        auto answer = std::move(chooserAnswers.front());
        chooserAnswers.pop_front();
        DialogSelectDir->show();
        answer(*DialogSelectDir);
        const int result = DialogSelectDir->result();
        DialogSelectDir->hide();
        return result;
    }
    int KeepReport() {
        DialogReport->show();
        reports.push_back(
            {DialogReport->LabelTotalFiles->text(), DialogReport->LabelSizeRaw->text(),
             DialogReport->LabelSizeCAB->text(), DialogReport->LabelRatio->text(),
             DialogReport->LabelTime->text(), DialogReport->LabelThroughput->text()});
        DialogReport->OKBtn->click();
        return DialogReport->result();
    }
};

// A temporary tree holding the install directory (with a builder) and the settings file; the
// window, the chooser and the report dialog are made the way start-up makes them.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startDirectory_ = platform::CurrentDirectory();
        installDir_ = t_.Dir("install") + "/";
        env_.Set("XDG_CONFIG_HOME", t_ / "config");
        env_.Keep("TMP");
        TakeOverProgram(prompts_, installDir_, [](int status) { throw ProgramEnded{status}; });
        InstallStandInBuilder();
    }
    void TearDown() override {
        delete DialogSelectDir;
        DialogSelectDir = nullptr;
        delete DialogReport;
        DialogReport = nullptr;
        form_.reset();
        GiveBackProgram();
        env_.Restore();
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
    ScopedEnvironment env_;
    ScriptedPrompts prompts_;
    std::unique_ptr<TFormMain> form_;
};

} // namespace corvex::test
