// What the window tests share: a Prompts that records every message box and file dialog and
// answers them from queues, and the hand-over of the program's global seams to a test.
#pragma once

#include "app/Prompts.h"
#include "app/Startup.h"
#include "app/State.h"
#include "platform/Paths.h"
#include "settings/Settings.h"
#include "tests/support/TestFiles.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace corvex::test {

// Thrown by the end-of-program hook, so that a test sees the status instead of exiting.
struct ProgramEnded {
    int status;
};

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
        openDialogs.push_back(options);
        return Next(openAnswers);
    }
    QString SaveFile(QWidget*, const FileDialogOptions& options) override {
        saveDialogs.push_back(options);
        return Next(saveAnswers);
    }
    int ExecModal(QDialog* dialog) override {
        modals.push_back(dialog);
        if (answerModal)
            return answerModal(dialog);
        return QDialog::Rejected;
    }

    std::vector<Shown> messages;
    std::vector<QString> errors;
    std::vector<FileDialogOptions> openDialogs;
    std::vector<FileDialogOptions> saveDialogs;
    // What the file dialogs give, one per showing; none left: cancelled.
    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::vector<QDialog*> modals;
    std::function<int(QDialog*)> answerModal; // unset: every modal dialog is cancelled

  private:
    template <typename T> static T Next(std::deque<T>& answers) {
        if (answers.empty())
            return {};
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

// The window reads its directory, its prompts and a handful of globals; a test takes them
// over in SetUp and gives them back in TearDown, after its windows are gone.
inline void TakeOverProgram(Prompts& prompts, const std::string& installDir,
                            std::function<void(int)> endProgram) {
    platform::OverrideExecutableDirectory(installDir);
    SetPrompts(&prompts);
    SetEndProgram(std::move(endProgram));
    WindowMode = ModeCreate;
    TotalBytes = 0;
    CurrentCabinetPath.clear();
    CommandLineText.clear();
    AppSettings = {};
}

inline void GiveBackProgram() {
    SetPrompts(nullptr);
    SetEndProgram({});
    platform::OverrideExecutableDirectory("");
    CommandLineText.clear();
}

// The window refuses to start without a builder beside it; this one does nothing.
inline void InstallIdleBuilder(const std::filesystem::path& installDir) {
    WriteExecutable(installDir / "makecab", "#!/bin/sh\nexit 0\n");
}

} // namespace corvex::test
