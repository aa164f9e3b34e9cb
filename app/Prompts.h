// The one seam through which the program asks the user anything: message boxes, file
// dialogs and modal dialogs. GUI tests install their own Prompts to answer them.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QFont;
class QWidget;

namespace corvex {

struct FileDialogOptions {
    QString title;
    QString filter;          // e.g. "Cabinet 檔案 (*.cab)"
    QString defaultSuffix;   // added when the user types a name without an extension
    QString initialPath;     // directory or file the dialog starts at
    bool multiple = false;   // open dialog: several files at once
    bool followLinks = true; // false: a link is itself the file chosen
    bool confirmOverwrite = false;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // A message box with the caption, the text, one OK button and no icon.
    virtual void Message(QWidget* parent, const QString& caption, const QString& text);

    // The standard error box: caption "Corvex", a stop icon, OK; text as StandardErrorText.
    virtual void StandardError(QWidget* parent, const QString& text);

    // Open-file dialog; the chosen files, or an empty list when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const FileDialogOptions& options);

    // Save-file dialog; the chosen path, or an empty text when cancelled.
    virtual QString SaveFile(QWidget* parent, const FileDialogOptions& options);

    // Shows a dialog modally and gives its result (QDialog::Accepted or Rejected).
    virtual int ExecModal(QDialog* dialog);
};

// The program's own texts, written in UTF-8 in the sources.
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The dialogs' font: 新細明體 where the system has it, else a font that draws the same glyphs.
QFont DialogFont();

// The prompts in force; SetPrompts(nullptr) brings back the real ones.
Prompts& CurrentPrompts();
void SetPrompts(Prompts* prompts);

// The text of the standard error box: a full stop is added when the last character sorts
// after "." (so "abc" gets one and "done." or "(x)" do not).
QString StandardErrorText(const QString& text);

// A file-system byte string shown on screen: UTF-8 when valid, else the locale's 8-bit
// encoding; and back.
QString DisplayName(const std::string& bytes);
std::string PathBytes(const QString& path);

} // namespace corvex
