#include "app/Prompts.h"

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QMessageBox>
#include <QStringDecoder>

namespace corvex {

namespace {
Prompts& RealPrompts() {
    static Prompts real;
    return real;
}
Prompts* installed = nullptr;

QFileDialog::Options DialogOptions(const FileDialogOptions& options) {
    QFileDialog::Options o;
    if (!options.followLinks)
        o |= QFileDialog::DontResolveSymlinks;
    if (!options.confirmOverwrite)
        o |= QFileDialog::DontConfirmOverwrite;
    return o;
}
} // namespace

void Prompts::Message(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void Prompts::StandardError(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Corvex"), StandardErrorText(text),
                    QMessageBox::Ok, parent);
    box.exec();
}

QStringList Prompts::OpenFiles(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent, options.title, options.initialPath, options.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(options.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setOptions(DialogOptions(options));
    if (!options.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(options.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString Prompts::SaveFile(QWidget* parent, const FileDialogOptions& options) {
    QFileDialog dialog(parent, options.title, options.initialPath, options.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(DialogOptions(options));
    if (!options.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(options.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

int Prompts::ExecModal(QDialog* dialog) {
    return dialog->exec();
}

QFont DialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("新細明體"), QStringLiteral("PMingLiU"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK TC")});
    font.setPixelSize(15);
    return font;
}

Prompts& CurrentPrompts() {
    return installed ? *installed : RealPrompts();
}

void SetPrompts(Prompts* prompts) {
    installed = prompts;
}

QString StandardErrorText(const QString& text) {
    if (!text.isEmpty() && text.back() > QChar('.'))
        return text + QChar('.');
    return text;
}

QString DisplayName(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return decoded;
    return QString::fromLocal8Bit(bytes.data(), qsizetype(bytes.size()));
}

std::string PathBytes(const QString& path) {
    const QByteArray encoded = QFile::encodeName(path);
    return std::string(encoded.constData(), size_t(encoded.size()));
}

} // namespace corvex
