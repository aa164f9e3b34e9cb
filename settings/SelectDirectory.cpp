#include "settings/SelectDirectory.h"

#include "app/Prompts.h"
#include "platform/Paths.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace corvex {

TDialogSelectDir* DialogSelectDir = nullptr;

namespace {

constexpr int kPathRole = Qt::UserRole;

QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir.back() == platform::kSeparator ? dir + name : dir + platform::kSeparator + name;
}

// The subdirectories of a directory in byte order. Names beginning with a dot are hidden
// directories here and are not offered, as hidden directories never were.
std::vector<std::string> Subdirectories(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st {};
            isDir = stat(Join(dir, e->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir)
            names.emplace_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TDialogSelectDir::TDialogSelectDir(QWidget* parent) : QDialog(parent) {
    setWindowTitle(U("選取目錄"));
    // No close box and no system menu: OK and Cancel are the only ways out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFont(DialogFont());
    resize(215, 263);

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    DriveComboBox1 = new QComboBox(Bevel1);
    DirectoryListBox = new QListWidget(Bevel1);
    auto* inner = new QVBoxLayout(Bevel1);
    inner->addWidget(DriveComboBox1);
    inner->addWidget(DirectoryListBox);

    OKBtn = new QPushButton(U("好"), this);
    CancelBtn = new QPushButton(U("取消"), this);
    OKBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Bevel1);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, [this] {
        OKBtnClick();
        accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
    // Only a double-click opens an entry; Enter goes to the OK button.
    connect(DirectoryListBox, &QListWidget::itemDoubleClicked, this,
            &TDialogSelectDir::DirectoryListBoxDblClick);
    connect(DriveComboBox1, qOverload<int>(&QComboBox::activated), this,
            &TDialogSelectDir::DriveComboBox1Change);

    openDirectory_ = platform::CurrentDirectory();
    FillDrives();
    lastDirectoryOfRoot_[RootOf(openDirectory_)] = openDirectory_;
    FillList();
}

std::vector<std::string> TDialogSelectDir::Roots() {
    std::vector<std::string> roots = {"/"};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Volumes backed by a device; the kernel's own file systems (proc, sysfs, tmpfs ...)
        // are not places where a user keeps files.
        if (!volume.device().startsWith("/dev/"))
            continue;
        const std::string root = PathBytes(volume.rootPath());
        if (std::find(roots.begin(), roots.end(), root) == roots.end())
            roots.push_back(root);
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

void TDialogSelectDir::FillDrives() {
    filling_ = true;
    DriveComboBox1->clear();
    for (const std::string& root : Roots())
        DriveComboBox1->addItem(DisplayName(root), Bytes(root));
    const int current = DriveComboBox1->findData(Bytes(RootOf(openDirectory_)));
    DriveComboBox1->setCurrentIndex(std::max(current, 0));
    filling_ = false;
}

// The deepest root that holds the directory.
std::string TDialogSelectDir::RootOf(const std::string& directory) const {
    std::string best = "/";
    for (int i = 0; i < DriveComboBox1->count(); ++i) {
        const QByteArray data = DriveComboBox1->itemData(i).toByteArray();
        const std::string root(data.constData(), size_t(data.size()));
        const bool inside =
            directory == root || (directory.compare(0, root.size(), root) == 0 &&
                                  (root.back() == '/' || directory[root.size()] == '/'));
        if (inside && root.size() > best.size())
            best = root;
    }
    return best;
}

void TDialogSelectDir::FillList() {
    DirectoryListBox->clear();
    // The open directory's ancestors from the root down, the open directory itself, then its
    // subdirectories, each indented one step further.
    std::vector<std::string> chain = {"/"};
    for (size_t pos = 1; pos <= openDirectory_.size(); ++pos)
        if (pos == openDirectory_.size() || openDirectory_[pos] == '/')
            if (pos > 1)
                chain.push_back(openDirectory_.substr(0, pos));
    int depth = 0;
    for (const std::string& path : chain) {
        const std::string name = path == "/" ? path : path.substr(path.rfind('/') + 1);
        auto* item =
            new QListWidgetItem(QString(depth * 2, ' ') + DisplayName(name), DirectoryListBox);
        item->setData(kPathRole, Bytes(path));
        ++depth;
    }
    DirectoryListBox->setCurrentRow(int(chain.size()) - 1);
    for (const std::string& name : Subdirectories(openDirectory_)) {
        auto* item =
            new QListWidgetItem(QString(depth * 2, ' ') + DisplayName(name), DirectoryListBox);
        item->setData(kPathRole, Bytes(Join(openDirectory_, name)));
    }
}

bool TDialogSelectDir::OpenPath(const std::string& path) {
    const int error = platform::SetCurrentDirectory(path);
    if (error != 0) {
        CurrentPrompts().StandardError(this, QStringLiteral("I/O error %1").arg(error));
        return false;
    }
    openDirectory_ = platform::CurrentDirectory();
    lastDirectoryOfRoot_[RootOf(openDirectory_)] = openDirectory_;
    FillDrives();
    FillList();
    return true;
}

void TDialogSelectDir::DirectoryListBoxDblClick(QListWidgetItem* item) {
    if (!item)
        return;
    const QByteArray data = item->data(kPathRole).toByteArray();
    OpenPath(std::string(data.constData(), size_t(data.size())));
}

void TDialogSelectDir::DriveComboBox1Change(int index) {
    if (filling_ || index < 0)
        return;
    const QByteArray data = DriveComboBox1->itemData(index).toByteArray();
    const std::string root(data.constData(), size_t(data.size()));
    const auto last = lastDirectoryOfRoot_.find(root);
    const std::string target = last != lastDirectoryOfRoot_.end() ? last->second : root;
    // On failure the drive box keeps showing the drive just chosen, as it always has.
    const int error = platform::SetCurrentDirectory(target);
    if (error != 0) {
        CurrentPrompts().StandardError(this, QStringLiteral("I/O error %1").arg(error));
        return;
    }
    openDirectory_ = platform::CurrentDirectory();
    lastDirectoryOfRoot_[root] = openDirectory_;
    FillList();
}

void TDialogSelectDir::OKBtnClick() {
    DirectoryConfirmed = true;
}

void TDialogSelectDir::CancelBtnClick() {
    DirectoryConfirmed = false;
}

// Escape and the Cancel button both end here.
void TDialogSelectDir::reject() {
    CancelBtnClick();
    QDialog::reject();
}

// Start-up makes the chooser after the main window; until then there is nothing to choose with.
bool ChooseDirectory() {
    if (!DialogSelectDir)
        return false;
    CurrentPrompts().ExecModal(DialogSelectDir);
    return DialogSelectDir->DirectoryConfirmed;
}

std::string ChosenDirectory() {
    return DialogSelectDir ? DialogSelectDir->OpenDirectory() : std::string();
}

} // namespace corvex
