// The program's start-up pieces that talk to the user: the builder check and the top-level
// handler that shows any escaping error in the standard error box.
#pragma once

#include <QApplication>
#include <functional>

namespace corvex {

// Returns only when the builder is in AppSettings.InstallDir; otherwise says where to get it
// and ends the program with exit status 0.
void CheckBuilderPresent();

// The missing-builder message box's caption and text.
QString MissingBuilderCaption();
QString MissingBuilderText();

// Ends the program at once with the exit status. Tests replace the ending so that they can
// watch it happen; an empty function brings back the real one.
void EndProgram(int status);
void SetEndProgram(std::function<void(int)> end);

// The application object: an error that escapes a command ends only that command, after the
// standard error box has shown it.
class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace corvex
