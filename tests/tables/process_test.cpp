// SPDX-License-Identifier: GPL-3.0-or-later
// tarvik-tables as a program: its exit statuses, its messages on standard
// error, nothing written when anything is wrong, and git showing images as
// tables through it.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "generated/version.h"
#include "tables/formats/dump.h"
#include "tables/formats/format_list.h"
#include "tests/support/image_oracle.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

namespace oracle = tarvik::testing::oracle;
using namespace Qt::Literals::StringLiterals;

constexpr int kProcessTimeoutMs = 60'000;

[[nodiscard]] Finished RunProgram(const QString& program, const QStringList& arguments, const QString& folder = {},
                                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
                                  const QString& standardOutput = {}) {
    QProcess process;
    if (!standardOutput.isEmpty()) process.setStandardOutputFile(standardOutput);
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start();
    const bool finished = process.waitForFinished(kProcessTimeoutMs);
    EXPECT_TRUE(finished) << program.toStdString() << " did not finish";
    return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(), process.readAllStandardError().toStdString()};
}

// Without any display, and with a platform plugin that does not exist: a
// command that does not draw runs as a Qt Core application and never asks.
[[nodiscard]] QProcessEnvironment NoDisplay() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"no-such-platform"_s);
    return environment;
}

[[nodiscard]] Finished RunTool(const QStringList& arguments) {
    return RunProgram(QString::fromUtf8(TARVIK_TABLES_EXE), arguments, {}, NoDisplay());
}

[[nodiscard]] ImageBytes DemoImage() { return ImageFromFile(QString::fromUtf8(TARVIK_DEMO_IMAGE)); }

// Every table byte inverted: an image on which a dump applied in part
// would show at once.
[[nodiscard]] ImageBytes TablesInverted(ImageBytes image) {
    for (const std::size_t offset : oracle::TableOffsets()) image[offset] = static_cast<std::uint8_t>(~image[offset]);
    return image;
}

class ProcessTest : public ToolFolderTest {
protected:
    const ImageBytes demo_ = DemoImage();
};

TEST_F(ProcessTest, VersionAndHelp) {
    const Finished version = RunTool({u"--version"_s});
    EXPECT_EQ(version.out, "Version " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                               std::to_string(kVersionRevision) + "\n");
    const Finished help = RunTool({u"--help"_s});
    for (const char* part : {"Usage:", "dump IMAGE", "diff OLD NEW", "apply IMAGE TABLES --output OUT", "--force"}) {
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(version.status + help.status, 0);
}

// A reader that has gone (tarvik-tables ... | head -1) is a failed write:
// status 2, never a death by SIGPIPE, whatever the command.
TEST_F(ProcessTest, AClosedOutputIsAFailedWrite) {
    const QByteArray demo = TARVIK_DEMO_IMAGE;
    for (const std::vector<const char*>& command :
         {std::vector<const char*>{"dump", demo.constData()}, std::vector<const char*>{"info", demo.constData()}}) {
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ::close(ends[0]);  // the reader is gone before the first write
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        // SIGPIPE as a shell leaves it, whatever this test's runner does.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
        std::vector<char*> argv{const_cast<char*>(TARVIK_TABLES_EXE)};
        for (const char* word : command) argv.push_back(const_cast<char*>(word));
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(::posix_spawn(&pid, TARVIK_TABLES_EXE, &actions, &attributes, argv.data(), environ), 0);
        ::close(ends[1]);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status)) << command[0] << ": ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), kTrouble) << command[0];
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
}

TEST_F(ProcessTest, DumpThenApplyGivesTheImageBack) {
    Write(u"other.bin"_s, Bytes(TablesInverted(demo_)));
    const QString demo = QString::fromUtf8(TARVIK_DEMO_IMAGE);
    for (const QString& format : {u"json"_s, u"csv"_s}) {
        const Finished dump = RunTool({u"dump"_s, demo, u"--format"_s, format});
        ASSERT_EQ(dump.status, 0);
        EXPECT_EQ(dump.out, DumpTables(demo_, *FindFormat(format.toStdString())));
        Write(u"tables."_s + format, QByteArray::fromStdString(dump.out));

        const QString out = u"out."_s + format + u".bin"_s;
        const Finished apply =
            RunTool({u"apply"_s, Path(u"other.bin"_s), Path(u"tables."_s + format), u"--output"_s, Path(out)});
        EXPECT_EQ(apply.status, 0) << apply.err;
        EXPECT_EQ(apply.out + apply.err, "");
        EXPECT_EQ(Read(out), Bytes(demo_)) << format.toStdString();
    }
    // In place, which takes --force.
    const Finished apply = RunTool({u"apply"_s, Path(u"other.bin"_s), Path(u"tables.csv"_s), u"-o"_s,
                                    Path(u"other.bin"_s), u"--force"_s, u"--verbose"_s});
    EXPECT_EQ(apply.status, 0) << apply.err;
    EXPECT_NE(apply.out.find("Saved"), std::string::npos) << apply.out;
    EXPECT_EQ(Read(u"other.bin"_s), Bytes(demo_));
}

TEST_F(ProcessTest, DiffExitStatuses) {
    ImageBytes changed = demo_;
    changed[2086] ^= 1;
    Write(u"a.bin"_s, Bytes(demo_));
    Write(u"b.bin"_s, Bytes(changed));
    const struct {
        const char* second;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {"a.bin", 0, "", ""},
        {"b.bin", 1, "Full load enrichment\n  row 0 (6899): 100 -> 101 (+1)\n", ""},
        {"none.bin", 2, "",
         "Cannot open the file \"" + Path(u"none.bin"_s).toStdString() + "\".\nThe file does not exist.\n"},
    };
    for (const auto& c : cases) {
        const Finished diff = RunTool({u"diff"_s, Path(u"a.bin"_s), Path(QString::fromUtf8(c.second))});
        EXPECT_EQ(diff.status, c.status) << c.second;
        EXPECT_EQ(diff.out, c.out) << c.second;
        EXPECT_EQ(diff.err, c.err) << c.second;
    }
}

// The formats of the list a text names, as whole words.
[[nodiscard]] std::set<std::string> FormatsNamedIn(const std::string& text) {
    std::set<std::string> named;
    std::string word;
    for (const char c : text + ' ') {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            word += c;
            continue;
        }
        if (FindFormat(word) != nullptr && word == FindFormat(word)->name) named.insert(word);
        word.clear();
    }
    return named;
}

// Every format of the list, named in capitals: a command takes it exactly
// when its --help offers it, and names the same formats when it refuses
// one that does not exist. apply is given the format's own dump.
TEST_F(ProcessTest, CommandsTakeTheFormatsTheirHelpOffers) {
    Write(u"a.bin"_s, Bytes(demo_));
    const QString a = Path(u"a.bin"_s);
    const QString tables = Path(u"tables"_s);
    const QStringList commands[] = {{u"dump"_s, a},
                                    {u"diff"_s, a, a},
                                    {u"info"_s, a},
                                    {u"apply"_s, a, tables, u"-o"_s, Path(u"out.bin"_s), u"--force"_s}};
    for (const QStringList& command : commands) {
        const std::string help = RunInProcess({command[0], u"--help"_s}).out;
        const auto line = help.find("--format <format>");
        ASSERT_NE(line, std::string::npos) << help;
        const std::set<std::string> offered = FormatsNamedIn(help.substr(line, help.find('\n', line) - line));
        std::set<std::string> taken;
        for (const TableFormat* format : Formats()) {
            Write(u"tables"_s, QByteArray::fromStdString(DumpTables(demo_, *format)));
            const QString name = QString::fromUtf8(format->name).toUpper();
            if (RunInProcess(command + QStringList{u"-f"_s, name}).status == 0) taken.insert(std::string(format->name));
        }
        EXPECT_EQ(taken, offered) << command[0].toStdString();
        const Finished unknown = RunInProcess(command + QStringList{u"-f"_s, u"xml"_s});
        EXPECT_TRUE(unknown.err.starts_with("There is no format \"xml\"; ")) << unknown.err;
        EXPECT_EQ(FormatsNamedIn(unknown.err), offered) << unknown.err;
    }
}

// The chip commands as programs: a chip file, a read-back that holds it, one
// that does not.
TEST_F(ProcessTest, ChipAndVerifyAsPrograms) {
    Write(u"image.bin"_s, Bytes(demo_));
    const Finished chip =
        RunTool({u"chip"_s, Path(u"image.bin"_s), u"--chip"_s, u"27C64"_s, u"-o"_s, Path(u"c.bin"_s)});
    ASSERT_EQ(chip.status, 0) << chip.err;
    EXPECT_EQ(RunTool({u"verify"_s, Path(u"image.bin"_s), Path(u"c.bin"_s)}).status, 0);
    QByteArray burnt = Read(u"c.bin"_s);
    burnt[0x1000 + 17] = static_cast<char>(burnt[0x1000 + 17] ^ 0x10);
    Write(u"c.bin"_s, burnt);
    const Finished verify = RunTool({u"verify"_s, Path(u"image.bin"_s), Path(u"c.bin"_s)});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("Copy 1 (0x1000-0x1FFF): 1 byte of 4096 differs"), std::string::npos) << verify.out;
}

// edit as a program: a dry run writes nothing, a run prints the selection
// and then exactly what diff prints of its image, to standard error when
// the image goes to standard output, and OUT, once there, is not replaced
// without --force.
TEST_F(ProcessTest, EditPrintsWhatDiffPrintsAndWritesAsApplyDoes) {
    const QString demo = QString::fromUtf8(TARVIK_DEMO_IMAGE);
    const QStringList edit{u"edit"_s,   demo,         u"--table"_s, u"fuel_map"_s, u"--rpm"_s, u"2000:4000"_s,
                           u"--load"_s, u"200:400"_s, u"--scale"_s, u"1.05"_s,     u"-o"_s,    Path(u"out.bin"_s)};
    const std::string selected =
        "Selected fuel_map rows 4 to 8 (3692 to 2064 rpm), columns 5 to 13 (load 200 to 392): 45 cells.\n";

    const Finished dry = RunTool(edit + QStringList{u"--dry-run"_s});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(Read(u"out.bin"_s).isNull());

    const Finished run = RunTool(edit);
    EXPECT_EQ(run.status, 0) << run.err;
    const Finished diff = RunTool({u"diff"_s, demo, Path(u"out.bin"_s)});
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(run.out, selected + diff.out);
    EXPECT_EQ(dry.out, run.out + "Nothing written (--dry-run).\n");

    const QByteArray written = Read(u"out.bin"_s);
    // To standard output: the image alone there, the report beside it.
    const Finished stream = RunTool(edit.mid(0, edit.size() - 1) << u"-"_s);
    EXPECT_EQ(stream.status, 0) << stream.err;
    EXPECT_EQ(QByteArray::fromStdString(stream.out), written);
    EXPECT_EQ(stream.err, run.out);
    const Finished taken = RunTool(edit);
    EXPECT_EQ(taken.status, 2);
    EXPECT_NE(taken.err.find("It exists already; only --force writes over it."), std::string::npos) << taken.err;
    EXPECT_EQ(taken.out, "");
    EXPECT_EQ(Read(u"out.bin"_s), written);
}

// The sheet draws: as a program without a display and with a platform
// plugin that does not exist, it takes the offscreen platform itself.
TEST_F(ProcessTest, SheetDrawsWithoutADisplay) {
    const Finished sheet = RunTool({u"sheet"_s, QString::fromUtf8(TARVIK_DEMO_IMAGE), u"-o"_s, Path(u"x.png"_s)});
    EXPECT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_TRUE(Read(u"x.png"_s).startsWith("\x89PNG"));
}

// ---------------------------------------------------------------------------
// apply refused: its status, its message, and nothing written

struct RefusedApply {
    const char* name;
    const char* image;
    const char* tablesName;
    QByteArray tables;  // null: no such file
    // "old.bin" and "image.bin" exist, "folder.bin" is a folder, "dangling.bin"
    // a link to the missing "elsewhere.bin", "loop.bin" a link to itself
    const char* out;
    QStringList more;  // more arguments: "--force", "--verbose", a second -o
    int status;
    std::string message;  // part of standard error; "@" stands for the folder
    // A disk fault while the image is written (tests/support/disk_faults.cpp):
    // "EIO" fails the sync, "late.bin" creates that file just before the
    // image would take its name.
    const char* fault = "";
    bool stdoutFull = false;
    // Run as a program: a disk fault is loaded into one, and only the
    // program's standard error escapes what it is given. Otherwise the tool
    // runs in this process, on the real file system.
    bool asProgram = false;
};

void PrintTo(const RefusedApply& c, std::ostream* os) { *os << c.name; }

class RefusedApplyTest : public ProcessTest, public ::testing::WithParamInterface<RefusedApply> {
protected:
    // Every entry of the folder: a link by its target, a file by its bytes.
    [[nodiscard]] std::map<std::string, std::string> Entries() const {
        std::map<std::string, std::string> entries;
        const QDir dir(folder_.path());
        for (const QFileInfo& entry :
             dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            entries[entry.fileName().toStdString()] = entry.isSymLink() ? "-> " + entry.symLinkTarget().toStdString()
                                                      : entry.isDir()   ? std::string("folder")
                                                                        : Read(entry.fileName()).toStdString();
        }
        return entries;
    }
};

const QByteArray kOldOutput = QByteArrayLiteral("the old output");

TEST_P(RefusedApplyTest, SaysWhyAndWritesNothing) {
    const RefusedApply& c = GetParam();
    Write(u"image.bin"_s, Bytes(demo_));
    Write(u"short.bin"_s, Bytes(demo_).left(100));
    Write(u"old.bin"_s, kOldOutput);
    ASSERT_TRUE(QDir(folder_.path()).mkdir(u"folder.bin"_s));
    ASSERT_TRUE(QFile::link(u"elsewhere.bin"_s, Path(u"dangling.bin"_s)));
    ASSERT_TRUE(QFile::link(u"loop.bin"_s, Path(u"loop.bin"_s)));
    if (!c.tables.isNull()) Write(QString::fromUtf8(c.tablesName), c.tables);
    std::map<std::string, std::string> expected = Entries();

    QStringList arguments{u"apply"_s, Path(QString::fromUtf8(c.image)), Path(QString::fromUtf8(c.tablesName)),
                          u"--output"_s, Path(QString::fromUtf8(c.out))};
    for (const QString& more : c.more) arguments << (more.endsWith(u".bin"_s) ? Path(more) : more);
    QProcessEnvironment environment = NoDisplay();
    const QString fault = QString::fromUtf8(c.fault);
    if (!fault.isEmpty()) {
        const QString preload = environment.value(u"LD_PRELOAD"_s);
        environment.insert(u"LD_PRELOAD"_s, QString::fromUtf8(TARVIK_DISK_FAULTS) + u' ' + preload);
        if (fault.endsWith(u".bin"_s)) {
            environment.insert(u"TARVIK_FAULT_CREATE_AT"_s, Path(fault));
            expected[fault.toStdString()] = kOldOutput.toStdString();
        } else {
            environment.insert(u"TARVIK_FAULT_SYNC_ERROR"_s, fault);
        }
    }
    Finished apply;
    if (c.asProgram) {
        apply = RunProgram(QString::fromUtf8(TARVIK_TABLES_EXE), arguments, {}, environment);
    } else {
        apply = RunInProcess(arguments, c.stdoutFull);
    }

    std::string message = c.message;
    if (const auto at = message.find('@'); at != std::string::npos)
        message.replace(at, 1, folder_.path().toStdString());
    EXPECT_EQ(apply.status, c.status);
    EXPECT_NE(apply.err.find(message), std::string::npos) << "missing: " << message << "\nin: " << apply.err;
    EXPECT_EQ(apply.out, "");
    // Nothing written, nothing replaced, no link followed, no copy left.
    EXPECT_EQ(Entries(), expected);
}

const QByteArray kCsvHeader = QByteArrayLiteral("table,row,column,caption,value\n");
const QByteArray kLegalCsv = kCsvHeader + "fuel_map,0,3,6096 rpm,520\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedApplyTest,
    ::testing::Values(
        RefusedApply{"IllegalValue",
                     "image.bin",
                     "t.csv",
                     kCsvHeader + "full_load_enrichment,3,0,3048,300\nrev_limit,0,0,,256\n",
                     "out.bin",
                     {},
                     1,
                     "Illegal value in the rev limit field(s)\n"
                     "full_load_enrichment row 3 (3048): \"300\" (line 2)\nrev_limit: \"256\" (line 3)\n"},
        RefusedApply{"IllegalValueKeepsTheOldOutput",
                     "image.bin",
                     "t.csv",
                     kCsvHeader + "control_constant,0,0,,2\n",
                     "old.bin",
                     {u"--force"_s},
                     1,
                     "Illegal value in the control constant field(s)\n"},
        RefusedApply{
            "DecimalComma",
            "image.bin",
            "t.csv",
            QByteArrayLiteral("\xEF\xBB\xBFtable;row;column;caption;value\r\nwarmup_enrichment;2;0;72;1,5\r\n"),
            "out.bin",
            {},
            2,
            "Cannot read the tables in \"@/t.csv\" as CSV.\nline 2, warmup_enrichment row 2 (72): the value \"1,5\" "
            "has "
            "a decimal comma"},
        RefusedApply{"MalformedJson",
                     "image.bin",
                     "t.json",
                     QByteArrayLiteral("{\"rev_limit\": "),
                     "out.bin",
                     {},
                     2,
                     "Cannot read the tables in \"@/t.json\" as JSON.\nline 1, column "},
        RefusedApply{"FormatUnknown",
                     "image.bin",
                     "t.txt",
                     kLegalCsv,
                     "out.bin",
                     {},
                     2,
                     "Cannot tell the format of \"@/t.txt\" by its name"},
        RefusedApply{"OutputExists",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "old.bin",
                     {},
                     2,
                     "Cannot save the file \"@/old.bin\".\nIt exists already; only --force writes over it.\n"},
        RefusedApply{"OutputIsTheImage",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "image.bin",
                     {},
                     2,
                     "Cannot save the file \"@/image.bin\".\nIt is the image itself; only --force writes over it.\n"},
        RefusedApply{"OutputIsAFolder",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "folder.bin",
                     {u"--force"_s},
                     2,
                     "Cannot save the file \"@/folder.bin\".\nIt is not a regular file.\n"},
        RefusedApply{"OutputFolderMissing",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "none/out.bin",
                     {},
                     2,
                     "Cannot save the file \"@/none/out.bin\".\n"},
        // Any entry at OUT exists, a link that leads nowhere or to itself too.
        RefusedApply{"OutputIsADanglingLink",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "dangling.bin",
                     {},
                     2,
                     "Cannot save the file \"@/dangling.bin\".\nIt exists already; only --force writes over it.\n"},
        RefusedApply{"OutputIsALinkLoop",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "loop.bin",
                     {},
                     2,
                     "Cannot save the file \"@/loop.bin\".\nIt exists already; only --force writes over it.\n"},
        // OUT appears after the first look, while the image is on its way.
        RefusedApply{"OutputAppearsWhileWriting",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "late.bin",
                     {},
                     2,
                     "Cannot save the file \"@/late.bin\".\nIt exists already; only --force writes over it.\n",
                     "late.bin",
                     false,
                     true},
        RefusedApply{"SyncFails",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {},
                     2,
                     "Cannot save the file \"@/out.bin\".\nInput/output error\n",
                     "EIO",
                     false,
                     true},
        RefusedApply{"SyncFailsOverTheOldOutput",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "old.bin",
                     {u"--force"_s},
                     2,
                     "Cannot save the file \"@/old.bin\".\nNo space left on device\n",
                     "ENOSPC",
                     false,
                     true},
        // The report cannot be written: nothing is, as status 2 says.
        RefusedApply{"ReportToAFullDisk",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {u"--verbose"_s},
                     2,
                     "Cannot write the results.\nNo space left on device\n",
                     "",
                     true},
        RefusedApply{"OptionTwice",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {u"-o"_s, u"out2.bin"_s},
                     2,
                     "--output is given 2 times; give it once."},
        RefusedApply{"FormatTwice",
                     "image.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {u"-f"_s, u"csv"_s, u"--format"_s, u"json"_s},
                     2,
                     "--format is given 2 times; give it once."},
        // A name from the command line or a file reaches the terminal escaped.
        RefusedApply{"ControlCharacterInAName",
                     "image.bin",
                     "t\x1b[2J.csv",
                     QByteArray(),
                     "out.bin",
                     {},
                     2,
                     "Cannot open the file \"@/t\\x1b[2J.csv\".",
                     "",
                     false,
                     true},
        RefusedApply{"ImageWrongLength",
                     "short.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {},
                     2,
                     "Cannot open the file \"@/short.bin\".\nThe LH 2.2-binary has to be 4096 bytes long\n"},
        RefusedApply{"ImageMissing",
                     "none.bin",
                     "t.csv",
                     kLegalCsv,
                     "out.bin",
                     {},
                     2,
                     "Cannot open the file \"@/none.bin\".\nThe file does not exist.\n"},
        RefusedApply{"TablesMissing",
                     "image.bin",
                     "t.csv",
                     QByteArray(),
                     "out.bin",
                     {},
                     2,
                     "Cannot open the file \"@/t.csv\".\nThe file does not exist.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Outputs and names as a shell hands them over: "-o -" and descriptors,
// names in any bytes and up to the file system's limit, blank read-backs,
// names on the terminal. Each script runs in a folder of its own that holds
// demo.bin, as $T, without XDG_RUNTIME_DIR (as under sudo or cron).

// Every file of a folder by the bytes of its name, with its contents.
[[nodiscard]] std::map<QByteArray, QByteArray> RawEntries(const std::filesystem::path& folder) {
    std::map<QByteArray, QByteArray> entries;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        entries[QByteArray::fromStdString(entry.path().filename().native())] =
            QByteArray::fromStdString({std::istreambuf_iterator<char>(file), {}});
    }
    return entries;
}

TEST_F(ProcessTest, OutputsAndNamesAsTheShellHandsThemOver) {
    const QByteArray image = Bytes(demo_);
    const QByteArray owned = QByteArrayLiteral("t\x1b]0;owned\x07.bin");
    const struct {
        const char* name;
        const char* script;
        int status;
        std::vector<std::string> out;            // parts of standard output
        std::string err;                         // standard error, whole
        std::map<QByteArray, QByteArray> files;  // besides demo.bin
    } cases[] = {
        {"AnOutputThroughDevStdoutAppendsToTheLog",
         R"(echo before > app.log; ( "$T" chip demo.bin --chip 2732 -o /dev/stdout --force; echo after ) >> app.log)",
         0,
         {},
         "",
         {{"app.log", "before\n" + image + "after\n"}}},
        {"DashDescriptorsAndPipesAreStreams",
         R"("$T" chip demo.bin --chip 2764 -o - > dash.bin && "$T" chip demo.bin --chip 2764 -o /dev/stdout | cat >)"
         R"( piped.bin && "$T" extract dash.bin -o /dev/fd/3 3> fd3.bin)",
         0,
         {},
         "",
         {{"dash.bin", image + image}, {"piped.bin", image + image}, {"fd3.bin", image}}},
        {"ASheetToStandardOutputWithoutNoise",
         R"("$T" sheet demo.bin -o - --format svg > s.svg && head -c 5 s.svg > head.svg && rm s.svg)",
         0,
         {},
         "",
         {{"head.svg", "<?xml"}}},
        {"NamesThatAreNotUtf8",
         R"(cp demo.bin $'in-\xe9t\xe9.bin' && "$T" chip $'in-\xe9t\xe9.bin' --chip 2732 -o $'out-\xe9.bin' &&)"
         R"( "$T" info $'out-\xe9.bin')",
         0,
         {"File     out-\\xe9.bin\n"},
         "",
         {{"in-\xe9t\xe9.bin", image}, {"out-\xe9.bin", image}}},
        {"NamesAtTheFileSystemsLimit",
         R"(n=$(printf 'n%.0s' {1..251}).bin; "$T" chip demo.bin --chip 2732 -o $n &&)"
         R"( "$T" chip demo.bin --chip 2764 -o $n --force && echo ${#n})",
         0,
         {"255\n"},
         "",
         {{QByteArray(251, 'n') + ".bin", image + image}}},
        {"AnErasedReadBack",
         R"(head -c 8192 /dev/zero | tr '\0' '\377' > ff.bin; "$T" extract ff.bin -o x.bin)",
         1,
         {},
         "\"ff.bin\" holds only 0xFF bytes, as an erased chip or an empty socket reads: no image.\n"
         "Nothing written; --allow-blank takes it anyway.\n",
         {{"ff.bin", QByteArray(8192, '\xFF')}}},
        {"AZeroReadBack",
         R"(head -c 4096 /dev/zero > zero.bin; "$T" extract zero.bin -o - > x.bin)",
         1,
         {},
         "\"zero.bin\" holds only 0x00 bytes, as an empty socket or a chip without contact may read: no image.\n"
         "Nothing written; --allow-blank takes it anyway.\n",
         {{"zero.bin", QByteArray(4096, '\0')}, {"x.bin", ""}}},
        {"NamesReachStandardOutputEscaped",
         R"(cp demo.bin $'t\e]0;owned\a.bin' && "$T" info $'t\e]0;owned\a.bin' && "$T" verify demo.bin $'t\e]0;owned\a.bin')",
         0,
         {"File     t\\x1b]0;owned\\x07.bin\n", "\"t\\x1b]0;owned\\x07.bin\" holds \"demo.bin\" in its one copy.\n"},
         "",
         {{owned, image}}},
        {"ALineBreakInANameKeepsAMessageWhole",
         R"("$T" info $'no\nsuch.bin')",
         2,
         {},
         "Cannot open the file \"no\\x0asuch.bin\".\nThe file does not exist.\n",
         {}},
        {"APipeAsInput",
         R"("$T" chip demo.bin --chip 2764 -o - 2>/dev/null | "$T" info /dev/stdin)",
         2,
         {},
         "Cannot open the file \"/dev/stdin\".\nIt is not a regular file.\n",
         {}},
        {"AFamilyOfCommands",
         R"("$T" emulator foo)",
         2,
         {},
         "There is no command \"emulator foo\"; the emulator commands are info, upload, verify, download and "
         "watch.\nTry \"tarvik-tables --help\".\n",
         {}},
        {"OneCopyAndOneByte",
         R"(head -c 1 /dev/zero > one.bin; "$T" extract demo.bin -o x.bin --copy 1; "$T" info one.bin)",
         2,
         {},
         "--copy takes 0: \"demo.bin\" holds 1 copy.\nTry \"tarvik-tables --help\".\nCannot open the file "
         "\"one.bin\".\nA read-back has to be 4, 8, 16, 32 or 64 KB long (the size of a chip); it is 1 byte.\n",
         {{"one.bin", QByteArray(1, '\0')}}},
        {"InfoColumnsPastCopy9",
         R"("$T" chip demo.bin --chip 27512 -o c.bin && "$T" info c.bin)",
         0,
         {"\nCopy 9   sum ", "\nCopy 10  sum ", "\nCopy 15  sum "},
         "",
         {{"c.bin", image.repeated(16)}}},
    };
    QProcessEnvironment environment = NoDisplay();
    environment.remove(u"XDG_RUNTIME_DIR"_s);
    environment.insert(u"T"_s, QString::fromUtf8(TARVIK_TABLES_EXE));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = Path(QString::fromUtf8(c.name));
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(QString::fromUtf8(TARVIK_DEMO_IMAGE), folder + u"/demo.bin"_s));
        const Finished run = RunProgram(u"/bin/bash"_s, {u"-c"_s, QString::fromUtf8(c.script)}, folder, environment);
        EXPECT_EQ(run.status, c.status);
        for (const std::string& part : c.out)
            EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
        EXPECT_EQ(run.err, c.err);
        std::map<QByteArray, QByteArray> files = c.files;
        files["demo.bin"] = image;
        // By the bytes of the names: Qt's own listing would merge those
        // that are not UTF-8, and could not remove them.
        const std::filesystem::path raw = QFile::encodeName(folder).toStdString();
        EXPECT_EQ(RawEntries(raw), files);
        std::filesystem::remove_all(raw);
    }
}

// The sanitizers' own memory and time are not the program's.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasured = false;
#else
constexpr bool kMeasured = true;
#endif

// Table files as large as apply reads, in shapes that once cost many times
// their size: each is read in one pass, in memory near its own size.
TEST_F(ProcessTest, LargeTableFilesAreReadInLittleMemoryAndTime) {
    constexpr qsizetype kSize = 16 * 1024 * 1024;
    // Each file is made in turn and let go before the program starts: a
    // child's peak counts what it shared with this process before exec.
    const struct {
        const char* name;
        QByteArray head;
        QByteArray unit;  // repeated up to the size
        QByteArray tail;
    } cases[] = {
        {"blank.csv", kCsvHeader, "\n", ""},
        {"separators.csv", kCsvHeader, ",,,,\r\n", ""},
        {"one_line.csv", kCsvHeader, ",", ""},
        {"quoted.csv", kCsvHeader + '"', "a", "\"\n"},
        {"values.json", R"({"idle_speed": {"values": [)", "0,", "0]}}"},
        {"nested.json", "", "[", ""},
        {"key.json", R"({")", "a", R"(": 1})"},
    };
    Write(u"image.bin"_s, Bytes(demo_));
    for (const auto& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        Write(name, c.head + c.unit.repeated((kSize - c.head.size() - c.tail.size()) / c.unit.size()) + c.tail);
        QElapsedTimer clock;
        clock.start();
        const Finished apply = RunTool({u"apply"_s, Path(u"image.bin"_s), Path(name), u"-o"_s, Path(name + u".bin"_s)});
        const qint64 milliseconds = clock.elapsed();
        rusage children{};
        ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &children), 0);
        EXPECT_TRUE(apply.status == 0 || apply.status == 2) << c.name << ": " << apply.err.substr(0, 300);
        EXPECT_LT(apply.err.size(), 1000U) << c.name;
        if (kMeasured) {
            // The largest of this test's programs so far, in KiB.
            EXPECT_LT(children.ru_maxrss, 100 * 1024) << c.name;
            EXPECT_LT(milliseconds, 2000) << c.name;
        }
        QFile::remove(Path(name));
    }
}

// ---------------------------------------------------------------------------
// git shows images as tables

TEST_F(ProcessTest, GitDiffShowsTheChangedRowsOnly) {
    const QString git = QStandardPaths::findExecutable(u"git"_s);
    if (git.isEmpty()) GTEST_SKIP() << "git is not installed";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, folder_.path());
    environment.insert(u"GIT_CONFIG_NOSYSTEM"_s, u"1"_s);
    environment.insert(u"GIT_CONFIG_GLOBAL"_s, u"/dev/null"_s);
    const auto runGit = [&](const QStringList& arguments) {
        const Finished finished = RunProgram(git, arguments, folder_.path(), environment);
        EXPECT_EQ(finished.status, 0) << arguments.join(QLatin1Char(' ')).toStdString() << ": " << finished.err;
        return finished;
    };

    const QString textconv = u"'%1' dump"_s.arg(QString::fromUtf8(TARVIK_TABLES_EXE));
    runGit({u"init"_s, u"-q"_s});
    runGit({u"config"_s, u"diff.lh22.textconv"_s, textconv});
    Write(u".gitattributes"_s, QByteArrayLiteral("*.bin diff=lh22\n"));
    Write(u"car.bin"_s, Bytes(demo_));
    runGit({u"add"_s, u"."_s});
    runGit({u"-c"_s, u"user.name=Tuner"_s, u"-c"_s, u"user.email=tuner@example.org"_s, u"commit"_s, u"-q"_s, u"-m"_s,
            u"as bought"_s});

    Write(u"t.csv"_s, kCsvHeader + "fuel_map,0,3,6096 rpm,520\ncontrol_constant,0,0,,1.0078125\n");
    const Finished apply =
        RunTool({u"apply"_s, Path(u"car.bin"_s), Path(u"t.csv"_s), u"-o"_s, Path(u"car.bin"_s), u"--force"_s});
    ASSERT_EQ(apply.status, 0) << apply.err;

    const Finished diff = runGit({u"diff"_s, u"--no-color"_s, u"car.bin"_s});
    std::vector<std::string> removed;
    std::vector<std::string> added;
    std::istringstream lines(diff.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("---") || line.starts_with("+++")) continue;
        if (line.starts_with('-')) removed.push_back(line.substr(1));
        if (line.starts_with('+')) added.push_back(line.substr(1));
    }
    // The 6096 rpm row, whose fourth value was 405 in the demo image.
    const std::string row = "  6096 rpm   270  315  360  %  450  495  540  585  630  675  720  765  810  855  900  945";
    EXPECT_EQ(removed,
              (std::vector<std::string>{std::string(row).replace(row.find('%'), 1, "405"), "Control constant  1.00"}))
        << diff.out;
    EXPECT_EQ(added, (std::vector<std::string>{std::string(row).replace(row.find('%'), 1, "520"),
                                               "Control constant  1.0078125"}))
        << diff.out;
}

}  // namespace
}  // namespace tarvik::tables
