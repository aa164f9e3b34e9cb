// Whole builds from the window with the real makecab and extrac32, checked by cabextract.
#include "build/BuildCommands.h"
#include "build/Directive.h"
#include "platform/Process.h"
#include "tests/build/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QTreeView>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace corvex {
namespace {

namespace fs = std::filesystem;
using test::Exists;
using test::ReadFile;

const std::string kBin = CORVEX_BIN_DIR;

// Runs a program and gives its exit status and what it wrote to stdout.
std::pair<int, std::string> RunProgram(const std::string& program,
                                       const std::vector<std::string>& args,
                                       const std::string& outputFile) {
    std::string command = "'" + program + "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " > '" + outputFile + "' 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outputFile)};
}

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(n, '\0');
    for (char& c : out)
        c = static_cast<char>(rng());
    return out;
}

bool MakecabHasLzx(const std::string& dir) {
    const std::string ddf = dir + "/probe.ddf";
    std::ofstream(ddf, std::ios::binary) << ".Set CompressionType=LZX\r\n.Set Compress=on\r\n"
                                            ".Set DiskDirectoryTemplate=\"" +
                                                dir +
                                                "/\"\r\n"
                                                ".Set CabinetNameTemplate=\"probe*.cab\"\r\n\"" +
                                                ddf + "\" \"x\"\r\n";
    return std::system(
               ("cd '" + dir + "' && '" + kBin + "/makecab' /f '" + ddf + "' > /dev/null 2>&1")
                   .c_str()) == 0;
}

class EndToEnd : public test::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!Exists(kBin + "/makecab") || !Exists(kBin + "/extrac32") ||
            std::system("cabextract --version > /dev/null 2>&1") != 0)
            GTEST_SKIP() << "needs makecab and extrac32 built beside corvex, and cabextract";
        fs::remove(installDir_ + "makecab");
        fs::create_symlink(kBin + "/makecab", installDir_ + "makecab");
        fs::create_symlink(kBin + "/extrac32", installDir_ + "extrac32");

        src_ = fs::canonical(t_.Dir("src")).string();
        files_ = {
            {"readme.txt", "A cabinet built from the window.\r\n"},
            {"data.bin", RandomBytes(400 * 1024, 1)},
            {"sub/deeper/notes.txt", std::string(5000, 'n')},
            {"a b;c.txt", "blanks and a semicolon"},
            {"caf\xe9.txt", "a name that is not UTF-8"},
        };
        for (const auto& [name, bytes] : files_)
            t_.File("src/" + name, bytes);
        t_.Dir("src/empty");
        out_ = t_.Dir("out");
    }

    // Starts the window, adds the tree through the directory chooser.
    TFormMain& StartWithTree() {
        ASSERT_EQ_RETURN(platform::SetCurrentDirectory(src_), 0);
        TFormMain& f = Start();
        AppSettings.TemporaryDir = t_.Dir("tmp") + "/";
        AppSettings.RecursiveAdd = true;
        AppSettings.IncludeEmptyDirectories = true;
        prompts_.chooserAnswers.push_back([](TDialogSelectDir& d) { d.OKBtn->click(); });
        f.MenuItemAddDirectory->trigger();
        return f;
    }

    // Saves under name with the chosen tool-bar entries; gives the report dialog's values.
    QStringList Save(TFormMain& f, const std::string& name, int compression, int disk) {
        f.ComboBoxCompressionType->setCurrentIndex(compression);
        f.ComboBoxSize->setCurrentIndex(disk);
        prompts_.saveAnswers.push_back(QString::fromStdString(out_ + "/" + name));
        const size_t reports = prompts_.reports.size();
        f.MenuItemSave->trigger();
        EXPECT_EQ(prompts_.reports.size(), reports + 1);
        EXPECT_TRUE(prompts_.messages.empty());
        return prompts_.reports.empty() ? QStringList() : prompts_.reports.back();
    }

    // cabextract tests the set that starts at first and lists every file of the tree.
    void ExpectSetHoldsTheTree(const std::string& first) {
        const auto [status, output] =
            RunProgram("cabextract", {"-t", first}, t_ / "cabextract.out");
        EXPECT_EQ(status, 0) << output;
        for (const auto& [name, bytes] : files_) {
            if (name.find('\xe9') != std::string::npos)
                continue; // cabextract prints it converted
            EXPECT_NE(output.find(name), std::string::npos) << name << "\n" << output;
        }
        EXPECT_NE(output.find("empty/null"), std::string::npos) << output;
    }

    static void ASSERT_EQ_RETURN(int a, int b) { ASSERT_EQ(a, b); }
    void ExpectBuildWith(int compression, const std::string& name);

    std::string src_, out_;
    std::vector<std::pair<std::string, std::string>> files_;
};

void EndToEnd::ExpectBuildWith(int compression, const std::string& name) {
    TFormMain& f = StartWithTree();
    const int rows = f.ListViewCreate->model()->rowCount();
    ASSERT_EQ(rows, 6); // five files and the placeholder of empty/
    const QStringList report = Save(f, name, compression, DiskSizeUnlimited);
    ExpectSetHoldsTheTree(out_ + "/" + name);
    ASSERT_EQ(report.size(), 6);
    EXPECT_EQ(report[0], QString::number(rows));
    for (const QString& value : report)
        EXPECT_FALSE(value.isEmpty());
}

TEST_F(EndToEnd, MszipBuild) {
    ExpectBuildWith(CompressionMSZIP, "mszip.cab");
}

TEST_F(EndToEnd, StoredBuild) {
    ExpectBuildWith(CompressionNone, "stored.cab");
}

TEST_F(EndToEnd, LzxBuild) {
    if (!MakecabHasLzx(t_.Dir("probe")))
        GTEST_SKIP() << "this makecab cannot build LZX yet";
    ExpectBuildWith(CompressionLZX, "lzx.cab");
}

TEST_F(EndToEnd, ASpannedBuildCanBeTestedFromItsFirstCabinet) {
    TFormMain& f = StartWithTree();
    AppSettings.CustomDisksize = 300; // kilobytes: the 400 KB of random data must span
    Save(f, "SPAN.CAB", CompressionMSZIP, DiskSizeCustom);
    EXPECT_TRUE(Exists(out_ + "/SPAN.cab"));
    EXPECT_TRUE(Exists(out_ + "/SPAN2.cab"));
    ExpectSetHoldsTheTree(out_ + "/SPAN.cab");
}

TEST_F(EndToEnd, ASelfExtractingSpannedBuildExtractsItsFiles) {
    TFormMain& f = StartWithTree();
    AppSettings.CustomDisksize = 400;
    AppSettings.CreateSelfExtracting = true;
    Save(f, "SETUP.CAB", CompressionNone, DiskSizeCustom);
    EXPECT_TRUE(Exists(out_ + "/SETUP.exe"));
    EXPECT_FALSE(Exists(out_ + "/SETUP.cab"));
    ASSERT_TRUE(Exists(out_ + "/SETUP2.cab")); // only the first cabinet becomes the program
    // The stub and the first cabinet together fit on the first disk.
    EXPECT_LE(fs::file_size(out_ + "/SETUP.exe"), 400u * 1024u);

    const std::string dest = t_.Dir("extracted");
    const auto [status, output] =
        RunProgram(out_ + "/SETUP.exe", {"/Y", "/L", dest}, t_ / "sfx.out");
    EXPECT_EQ(status, 0) << output;
    for (const auto& [name, bytes] : files_)
        EXPECT_TRUE(ReadFile(dest + "/" + name) == bytes) << name;
    EXPECT_TRUE(Exists(dest + "/empty/null"));
}

} // namespace
} // namespace corvex
