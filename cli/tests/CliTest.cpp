// The orvane program run as a user runs it, against orvane-sim over a pseudo-terminal.
#include "SimSupport.h"

#include "../../files/tests/support/OrdinaryUser.h"

#include "orvane/transfer/Texts.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace orvane::transfer;
using namespace orvane::transfer::testing;

namespace {

struct ProgramRun {
    int exitCode = -1;
    QString out, err;
};

// The per-user data folder of the programs these tests start, so that their working
// copies can be seen.
QString dataHome()
{
    static QTemporaryDir home;
    return home.path();
}
QStringList workingCopies()
{
    return QDir(dataHome() + "/Orvane").entryList({"Orv*.tmp"}, QDir::Files);
}

QStringList importFolders()
{
    return QDir(dataHome() + "/Orvane").entryList({"import*"}, QDir::Dirs);
}

// Changes to the tests' environment: a name with a null value is removed.
using Environment = QList<QPair<QString, QString>>;

void startProgram(QProcess& process, const QString& program, const QStringList& arguments,
                  const Environment& changes = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dataHome());
    for (const auto& [name, value] : changes)
        value.isNull() ? environment.remove(name) : environment.insert(name, value);
    process.setProcessEnvironment(environment);
    process.start(binDir() + "/" + program, arguments);
}

void startOrvane(QProcess& process, const QStringList& arguments, const Environment& changes = {})
{
    startProgram(process, "orvane", arguments, changes);
}

// What the program wrote on standard error until it asked a question.
QByteArray untilAsked(QProcess& process)
{
    QByteArray err;
    for (int i = 0; i < 300 && !err.contains("[y/N]"); ++i) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    return err;
}

void rawSql(const QString& file, const char* statements)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

ProgramRun runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                      const Environment& changes = {})
{
    QProcess process;
    startProgram(process, program, arguments, changes);
    process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
    // Wait in an event loop, so the simulator's frame log keeps being read meanwhile
    // (a full pipe would stop the simulator).
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

ProgramRun runOrvane(const QStringList& arguments, const QByteArray& input = {}, const Environment& changes = {})
{
    return runProgram("orvane", arguments, input, changes);
}

QJsonObject jsonOf(const ProgramRun& run)
{
    EXPECT_TRUE(run.out.endsWith("}\n") && run.out.count('\n') == 1) << run.out.toStdString();
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// plant.mdb with a PID on block 4 (its LOCAL SETPOINT -1) and a message; closed.
QString makePlant(StoreFixture& store)
{
    const QString path = store.newConfiguration("plant.mdb");
    store.setFunctions({{4, 10}, {7, 96}});
    store.setConstant(4, 7 + 3, -1);
    store.setMessage(1, "FLOW HIGH");
    store.close();
    return path;
}

// The simulator holding plant.mdb after a download, and a new other.mdb to upload into.
QString downloadedPlantAndANewFile(StoreFixture& store, SimulatedController& sim)
{
    const QString plant = makePlant(store);
    EXPECT_EQ(runOrvane({"download", plant, "--port", sim.portName(), "--yes"}).exitCode, 0);
    const QString other = store.newConfiguration("other.mdb");
    store.close();
    return other;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// broken.mdb: a PID on block 4 whose first input reads block 45, which is in no use; closed.
QString makeBroken(StoreFixture& store)
{
    const QString path = store.newConfiguration("broken.mdb");
    store.setFunctions({{4, 10}});
    store.setConstant(4, 0, 45);
    store.close();
    return path;
}

const char* const kBrokenFinding = "Block 4 (PID) input 1 (Process variable) reads block 45, which is in no use (\?\?\?\?).";

// The texts of an SVG file.
QStringList svgTexts(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&file);
    QStringList texts;
    while (!svg.atEnd())
        if (svg.readNext() == QXmlStreamReader::StartElement && svg.name() == QLatin1String("text"))
            texts << svg.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    return texts;
}

} // namespace

TEST(CliUsage, EveryCommandHasItsHelp_UsageErrorsExitTwoAndSayWhereHelpIs)
{
    const ProgramRun help = runOrvane({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"download", "upload", "verify", "version-id", "ports", "monitor", "print", "compare",
                                "export", "import", "check", "xref", "diagram"}) {
        EXPECT_TRUE(help.out.contains(QStringLiteral("\n  %1 ").arg(command))) << command;
        // Its own help, the same both ways, with its exit statuses.
        const ProgramRun own = runOrvane({command, "--help"});
        EXPECT_EQ(own.exitCode, 0);
        EXPECT_EQ(runOrvane({"help", command}).out, own.out);
        EXPECT_TRUE(own.out.startsWith(QStringLiteral("Usage: orvane %1 ").arg(command))) << own.out.toStdString();
        EXPECT_TRUE(own.out.contains("\nExit status:\n  0     ")) << command;
        EXPECT_EQ(own.out.contains("-p, --port PORT"), own.out.section('\n', 0, 0).contains("--port PORT")) << command;
    }
    EXPECT_TRUE(runOrvane({"download", "-h"}).out.startsWith("Usage: orvane download FILE --port PORT [OPTIONS]\n"));
    EXPECT_TRUE(runOrvane({"print", "--help"}).out.startsWith("Usage: orvane print FILE --pdf OUT.pdf [OPTIONS]\n"));
    EXPECT_TRUE(runOrvane({"--version"}).out.startsWith("orvane (Orvane tool set) "));

    const std::pair<QStringList, QString> refused[] = {
        {{}, "orvane: no command given\nTry \"orvane --help\".\n"},
        {{"flash", "x.mdb"}, "orvane: unknown command \"flash\"\nTry \"orvane --help\".\n"},
        {{"help", "flash"}, "orvane: no command \"flash\" to help with\nTry \"orvane --help\".\n"},
        {{"download", "x.mdb"}, "orvane download: --port PORT is required\nTry \"orvane download --help\".\n"},
        {{"download", "--port", "p"}, "orvane download: FILE is missing\nTry \"orvane download --help\".\n"},
        {{"download", "x.mdb", "-p", "p", "--baud=1000"},
         "orvane download: --baud must be one of 38400, 19200, 9600, 4800, 2400, 1200\nTry \"orvane download --help\".\n"},
        {{"download", "x.mdb", "--port", "p", "--parity", "X"},
         "orvane download: --parity must be O, E or N\nTry \"orvane download --help\".\n"},
        {{"download", "x.mdb", "--port", "p", "--count", "3"},
         "orvane download: unknown option 'count'\nTry \"orvane download --help\".\n"},
        {{"version-id", "extra", "--port", "p"},
         "orvane version-id: unexpected argument \"extra\"\nTry \"orvane version-id --help\".\n"},
    };
    for (const auto& [arguments, error] : refused) {
        const ProgramRun run = runOrvane(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err, error);
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(CliUsage, EveryProgramAnswersHelpAndVersionWithoutADisplay_JuxtaAndTraceraKeepTheirOwnForm)
{
    // No display at all: help must not need one, and the editors must not open a window.
    const Environment headless = {{"DISPLAY", {}}, {"WAYLAND_DISPLAY", {}}, {"QT_QPA_PLATFORM", {}}};
    for (const char* program : {"Brevant", "Ostrel", "Juxta", "Tracera", "orvane-sim"}) {
        const ProgramRun help = runProgram(program, {"--help"}, {}, headless);
        EXPECT_EQ(help.exitCode, 0) << program << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: %1").arg(program))) << help.out.toStdString();
        EXPECT_TRUE(help.out.contains("\nExit status:\n  0     ")) << program;
        const ProgramRun version = runProgram(program, {"--version"}, {}, headless);
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_TRUE(version.out.startsWith(QStringLiteral("%1 (Orvane tool set) ").arg(program))) << program;
    }
    EXPECT_TRUE(runProgram("Juxta", {"-h"}).out.startsWith("Usage: Juxta FILE1<CODE>FILE2\n"));
    EXPECT_TRUE(runProgram("Brevant", {"--help"}, {}, headless).out.contains("--screenshot DIR"));
    // A line that is not the program's own form is a usage error, said on standard error.
    const ProgramRun bad = runProgram("Juxta", {"plant.mdb"}, {}, headless);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "Juxta: expected Juxta FILE1<CODE>FILE2\nTry \"Juxta --help\".\n");
    EXPECT_EQ(runProgram("orvane-sim", {"--tcp"}, {}, headless).exitCode, 2);
    EXPECT_EQ(runProgram("Ostrel", {"--bogus"}, {}, {{"QT_QPA_PLATFORM", "offscreen"}}).exitCode, 2);
}

TEST(CliDownload, WithYes_WritesTheControllerShowsProgressAndExitsZero)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    const QByteArray before = fileBytes(plant);
    SimulatedController sim;
    const ProgramRun run = runOrvane({"download", plant, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Failure to put the Orvane into S/M ALL mode during download"));
    // Away from a terminal, one line a part of the transfer, with the time its bytes take.
    EXPECT_EQ(run.err.count("Download Progress: writing (about "), 1) << run.err.toStdString();
    EXPECT_EQ(run.err.count("Download Progress: reading back (about "), 1);
    EXPECT_FALSE(run.err.contains('%'));
    EXPECT_TRUE(run.err.endsWith("Download complete\n"));
    EXPECT_EQ(fileBytes(plant), before);  // a download never touches the file
    store.open(plant);
    const auto expected = expectedMemory(store.read(), store.catalogue);
    const auto memory = sim.stopAndReadMemory();
    for (int area : {3, 4, 6, 9})
        EXPECT_EQ(memory.at(area), expected.at(area)) << area;
}

TEST(CliDownload, AnsweredNoOrEndOfInput_SendsNothingAndExitsThree)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    SimulatedController sim;
    const ProgramRun no = runOrvane({"download", plant, "--port", sim.portName()}, "n\n");
    EXPECT_EQ(no.exitCode, 3);
    EXPECT_TRUE(no.err.contains("Continue with the download? [y/N]"));
    EXPECT_FALSE(no.err.contains("Download complete"));
    const ProgramRun eof = runOrvane({"download", plant, "--port", sim.portName()});
    EXPECT_EQ(eof.exitCode, 3);
    EXPECT_EQ(sim.framesStartingWith(""), 0);
    const ProgramRun yes = runOrvane({"download", plant, "--port", sim.portName()}, "y\n");
    EXPECT_EQ(yes.exitCode, 0) << yes.err.toStdString();
}

TEST(CliDownload, RefusalsSayWhy_AMissingPortExitsFourBeforeTheQuestion_ARefusedFileTwo)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    const ProgramRun missing = runOrvane({"download", plant, "--port", "/dev/ttyUSB-missing-7"}, "y\n");
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_TRUE(missing.err.startsWith("/dev/ttyUSB-missing-7: not available: there is no such device. "))
        << missing.err.toStdString();
    EXPECT_FALSE(missing.err.contains("[y/N]"));

    store.open(plant);
    store.setFunctions({{20, 94}});
    store.close();
    SimulatedController sim({}, "2.99");
    const ProgramRun old = runOrvane({"download", plant, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(old.exitCode, 2);
    EXPECT_TRUE(old.err.contains("VERSION CONFLICT: This configuration requires ROM version 3.0 or higher.\n"
                                 "This applies to functions 4, 6, or 94\nOrvane ROM version is 2.99.\n"
                                 "Download Aborted."))
        << old.err.toStdString();
    EXPECT_EQ(sim.framesStartingWith("02"), 0);

    const ProgramRun noFile = runOrvane({"download", store.folder() + "/none.mdb", "--port", sim.portName(), "--yes"});
    EXPECT_EQ(noFile.exitCode, 2);
    EXPECT_TRUE(noFile.err.contains("no such configuration file"));

    const ProgramRun noCatalogue =
        runOrvane({"download", plant, "--port", sim.portName(), "--yes", "--catalogue", store.folder()});
    EXPECT_EQ(noCatalogue.exitCode, 2);
    EXPECT_TRUE(noCatalogue.err.contains("database error 3024")) << noCatalogue.err.toStdString();
}

TEST(CliUpload, Completed_ReplacesTheFileWithTheControllersConfiguration)
{
    StoreFixture store;
    SimulatedController sim;
    const QString other = downloadedPlantAndANewFile(store, sim);
    QFile::setPermissions(other, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QStringList filesBefore = filesIn(store.folder());

    const ProgramRun run = runOrvane({"upload", other, "--port", sim.portName()}, "yes\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("WARNING  This Action Will Overwrite The Selected Configuration\n"
                                 "                       Do You Wish To Continue? [y/N]"));
    EXPECT_EQ(filesIn(store.folder()), filesBefore);  // no working copy left behind
    EXPECT_EQ(QFile::permissions(other),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser |
                  QFileDevice::ReadGroup);
    store.open(other);
    const Configuration got = store.read();
    EXPECT_EQ(got.blocks[4].function, 10);
    EXPECT_EQ(got.blocks[7].function, 96);
    EXPECT_EQ(got.messages[1], "FLOW HIGH");
    bool found = false;
    for (const ConstantRow& c : got.constants)
        if (c.block == 4 && c.offset == 10)
            found = c.value == -1;
    EXPECT_TRUE(found);
}

TEST(CliUpload, ControllerFallsSilent_LeavesTheFileByteForByteAndExitsFour)
{
    StoreFixture store;
    const QString other = store.newConfiguration("other.mdb");
    store.close();
    const QByteArray before = fileBytes(other);
    const QStringList filesBefore = filesIn(store.folder());
    SimulatedController sim({"--silent-after", "5"});
    const ProgramRun run = runOrvane({"upload", other, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_TRUE(run.err.contains("Upload Error"));
    EXPECT_EQ(fileBytes(other), before);
    EXPECT_EQ(filesIn(store.folder()), filesBefore);
}

TEST(CliUpload, IntoAFileThatDoesNotExist_MakesTheConfigurationUnasked_OntoAnExistingOneStillAsks)
{
    StoreFixture store;
    SimulatedController sim;
    const QString plant = makePlant(store);
    ASSERT_EQ(runOrvane({"download", plant, "-p", sim.portName(), "-y"}).exitCode, 0);

    // As the editor's New then Upload: no question, nothing to read from the terminal.
    const QString fresh = store.folder() + "/fresh.mdb";
    const ProgramRun made = runOrvane({"upload", fresh, "-p", sim.portName()});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_FALSE(made.err.contains("[y/N]"));
    store.open(fresh);
    const Configuration got = store.read();
    EXPECT_EQ(got.blocks[4].function, 10);
    EXPECT_EQ(got.blocks[7].function, 96);
    EXPECT_EQ(got.messages[1], "FLOW HIGH");
    store.close();

    // Now it exists: the upload asks again, and the end of the input is a no.
    const QByteArray before = fileBytes(fresh);
    const ProgramRun again = runOrvane({"upload", fresh, "-p", sim.portName()});
    EXPECT_EQ(again.exitCode, 3);
    EXPECT_TRUE(again.err.contains("Do You Wish To Continue? [y/N]"));
    EXPECT_EQ(fileBytes(fresh), before);

    // A folder that is not there takes no new file: refused before the controller is asked.
    const int framesBefore = sim.framesStartingWith("");
    const ProgramRun nowhere = runOrvane({"upload", store.folder() + "/none/x.mdb", "-p", sim.portName()});
    EXPECT_EQ(nowhere.exitCode, 2);
    EXPECT_TRUE(nowhere.err.contains(": no such folder; an upload cannot make ")) << nowhere.err.toStdString();
    EXPECT_EQ(sim.framesStartingWith(""), framesBefore);
    EXPECT_FALSE(QFileInfo::exists(store.folder() + "/none"));
}

namespace {

// Reads the program's standard error in an event loop (the simulator's log is read
// meanwhile) until it has said `text`; false when it ended first.
bool waitUntilSaid(QProcess& process, QByteArray& said, const QByteArray& text)
{
    QEventLoop loop;
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, [&] {
        said += process.readAllStandardError();
        if (said.contains(text))
            loop.quit();
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);   // a program that hangs fails the test
    said += process.readAllStandardError();
    if (!said.contains(text) && process.state() != QProcess::NotRunning)
        loop.exec();
    return said.contains(text);
}

} // namespace

TEST(CliDownload, CtrlCDuringTheTransfer_StopsBeforeTheNextFrame_SaysWhatTheControllerHoldsAndExits130)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    // Replies paced at 1200 baud: the transfer runs long enough to be stopped in the middle.
    SimulatedController sim({"--baud", "1200"});
    QProcess download;
    startOrvane(download, {"download", plant, "-p", sim.portName(), "-y"});
    QByteArray said;
    ASSERT_TRUE(waitUntilSaid(download, said, "Download Progress: writing")) << said.toStdString();
    ::kill(static_cast<pid_t>(download.processId()), SIGINT);
    waitUntilSaid(download, said, "\x04");   // to its end
    download.waitForFinished();
    EXPECT_EQ(download.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(download.exitCode(), 130) << said.toStdString();
    EXPECT_TRUE(said.contains("The download was cancelled while the controller was receiving ")) << said.toStdString();
    EXPECT_TRUE(said.contains("The controller now holds an INCOMPLETE configuration."));
    EXPECT_FALSE(said.contains("Download complete"));
    EXPECT_EQ(sim.framesStartingWith("08"), 0);   // never ended: it stays in S/M
    EXPECT_TRUE(workingCopies().isEmpty());
}

TEST(CliUpload, AFileChangedByAnotherProgramWhileTheUploadRanIsReplacedOnlyOnTheUsersWord)
{
    StoreFixture store;
    SimulatedController sim;
    const QString other = downloadedPlantAndANewFile(store, sim);
    const QString elsewhere = store.folder() + "/elsewhere.mdb";
    for (const QByteArray& answer : {QByteArray("c\n"), QByteArray("s\n") + QFile::encodeName(elsewhere) + "\n", QByteArray("o\n")}) {
        QProcess upload;
        startOrvane(upload, {"upload", other, "--port", sim.portName()});
        QByteArray said;
        ASSERT_TRUE(waitUntilSaid(upload, said, "Do You Wish To Continue? [y/N]")) << said.toStdString();
        // Another program saves the file while the upload asks.
        rawSql(other, ("UPDATE \"Block List\" SET Comment = 'saved meanwhile: " + answer.left(1) + "' WHERE BlockNumber = 0").constData());
        const QByteArray meanwhile = fileBytes(other);
        upload.write("yes\n");
        ASSERT_TRUE(waitUntilSaid(upload, said, "Overwrite it (o), save as another file (s), or cancel (c)?")) << said.toStdString();
        EXPECT_TRUE(said.contains(other.toUtf8() + " was changed by another program while the upload ran."));
        upload.write(answer);
        upload.closeWriteChannel();
        waitUntilSaid(upload, said, "\x04");   // to its end
        upload.waitForFinished();
        if (answer.startsWith('c')) {
            EXPECT_EQ(upload.exitCode(), 3) << said.toStdString();
            EXPECT_EQ(fileBytes(other), meanwhile);
        } else if (answer.startsWith('s')) {
            EXPECT_EQ(upload.exitCode(), 0) << said.toStdString();
            EXPECT_EQ(fileBytes(other), meanwhile);
            store.open(elsewhere);
            EXPECT_EQ(store.read().blocks[4].function, 10);
            store.close();
        } else {
            EXPECT_EQ(upload.exitCode(), 0) << said.toStdString();
            store.open(other);
            EXPECT_EQ(store.read().blocks[4].function, 10);
            store.close();
        }
    }
}

TEST(CliVerify, MatchesAfterDownload_ThenListsTheChangedSlot)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    SimulatedController sim;
    ASSERT_EQ(runOrvane({"download", plant, "--port", sim.portName(), "--yes"}).exitCode, 0);
    const ProgramRun same = runOrvane({"verify", plant, "--port", sim.portName()});
    EXPECT_EQ(same.exitCode, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, "Configuration matches\n");

    store.open(plant);
    store.setMessage(1, "FLOW LOW");
    store.close();
    const ProgramRun changed = runOrvane({"verify", plant, "--port", sim.portName()});
    EXPECT_EQ(changed.exitCode, 1);
    // What the controller holds instead, as the transfer history recorded it, then the difference.
    const QStringList lines = changed.out.split('\n');
    ASSERT_EQ(lines.size(), 3) << changed.out.toStdString() << changed.err.toStdString();
    EXPECT_TRUE(lines[0].startsWith("According to the transfer history it holds plant.mdb as downloaded ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "message 1 differs");

    // The same for a script, quiet: one JSON object and nothing on standard error.
    const ProgramRun json = runOrvane({"verify", "-q", "--json", plant, "--port=" + sim.portName()});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(json.err, "");
    const QJsonObject result = jsonOf(json);
    EXPECT_EQ(result.value("file").toString(), plant);
    EXPECT_EQ(result.value("port").toString(), sim.portName());
    EXPECT_EQ(result.value("matches"), QJsonValue(false));
    EXPECT_EQ(result.value("differences").toArray(), QJsonArray{"message 1 differs"});
    EXPECT_TRUE(result.value("heldAs").toString().startsWith("plant.mdb as downloaded ")) << json.out.toStdString();

    // A controller that falls silent after the poll and identification is no difference:
    // exit 4, standard output empty; one that does not answer the poll is the same to
    // version-id.
    SimulatedController silent({"--silent-after", "2"});
    const ProgramRun unanswered = runOrvane({"verify", "--json", plant, "-p", silent.portName()});
    EXPECT_EQ(unanswered.exitCode, 4);
    EXPECT_EQ(unanswered.out, "");
    EXPECT_TRUE(unanswered.err.contains(texts::kVerifyUnanswered)) << unanswered.err.toStdString();
    const ProgramRun noPoll = runOrvane({"version-id", "--json", "-p", silent.portName()});
    EXPECT_EQ(noPoll.exitCode, 4);
    EXPECT_EQ(noPoll.out, "");
    EXPECT_TRUE(noPoll.err.contains("Could Not Connect To Target")) << noPoll.err.toStdString();
}

TEST(CliVersionId, PrintsTheIdentification_AlsoFromAStartedSimulator)
{
    SimulatedController sim({}, "3.04");
    const ProgramRun pty = runOrvane({"version-id", "--port", sim.portName()});
    EXPECT_EQ(pty.exitCode, 0);
    EXPECT_TRUE(pty.out.startsWith("ORVANE DCX7 ROM 3.04")) << pty.out.toStdString();
    const ProgramRun simulator = runOrvane({"version-id", "--port", "Simulator"});
    EXPECT_EQ(simulator.exitCode, 0) << simulator.err.toStdString();
    EXPECT_TRUE(simulator.out.startsWith("ORVANE DCX7 ROM 2.50"));
    const QJsonObject json = jsonOf(runOrvane({"version-id", "--json", "-p", sim.portName()}));
    EXPECT_TRUE(json.value("identification").toString().startsWith("ORVANE DCX7 ROM 3.04"));
    EXPECT_EQ(json.value("romVersion").toString(), "3.04");
    EXPECT_EQ(json.value("port").toString(), sim.portName());
}

TEST(CliPrint, WritesTheReportAsPdfFromACopyAndRefusesBadRequests)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    const QByteArray before = fileBytes(plant);
    const QString pdf = store.folder() + "/plant.pdf";
    const ProgramRun run = runOrvane({"print", plant, "--pdf", pdf, "--from", "5", "--to", "7", "--no-grid"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(pdf + ": 2 pages written")) << run.err.toStdString();
    EXPECT_EQ(fileBytes(plant), before);
    QProcess text;
    text.start("pdftotext", {"-layout", "-fixed", "4.8", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QStringList lines = QString::fromUtf8(text.readAllStandardOutput()).split('\n');
    // Only block 7 of the range is in use (block 4 lies before it); its table runs on to a
    // second page under its heading again. Six columns of margin.
    EXPECT_EQ(lines.filter("BLOCK ").size(), 2);
    const QStringList heading = lines.filter("BLOCK  7 ");
    ASSERT_EQ(heading.size(), 2);
    EXPECT_EQ(lines.filter(QRegularExpression("^ {25}Continued:$")).size(), 1);
    EXPECT_EQ(heading[0].mid(6 + 19, 10), "BLOCK  7  ");
    EXPECT_EQ(heading[0].mid(6 + 34, 8), "DSPGROUP");
    // Parameter 9 of the display group shows message 1 at column 30.
    const QStringList message = lines.filter("FLOW HIGH");
    ASSERT_EQ(message.size(), 1);
    EXPECT_EQ(message[0].mid(6 + 19, 4), "P 9 ");
    EXPECT_EQ(message[0].mid(6 + 29, 9), "FLOW HIGH");
    EXPECT_TRUE(lines.first().contains(plant));

    // Bad requests: exit 2 with the reason, nothing written.
    QFile::remove(pdf);
    for (const QStringList& bad : {QStringList{"print", plant}, QStringList{"print", plant, "--pdf", pdf, "--from", "160"},
                                   QStringList{"print", plant, "--pdf", pdf, "--from", "9", "--to", "8"},
                                   QStringList{"print", plant, "--pdf", pdf, "--no-grid", "--no-blocks"}}) {
        const ProgramRun refused = runOrvane(bad);
        EXPECT_EQ(refused.exitCode, 2) << bad.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(runOrvane({"print", store.folder() + "/none.mdb", "--pdf", pdf}).exitCode, 2);
    EXPECT_EQ(runOrvane({"print", plant, "--pdf", store.folder() + "/no/such/folder.pdf"}).exitCode, 2);
}

TEST(CliSignalFlow, CheckXrefAndDiagram_OnTheSampleAndABrokenConfiguration_SayWhatTheyFoundByTheirExitStatus)
{
    const QString sample = binDir() + "/samples/Sample Plant.mdb";
    StoreFixture store;
    const QString broken = makeBroken(store);
    const QByteArray before = fileBytes(broken);

    // The check: 0 without errors, 1 with one, 2 for what cannot be read; the counts last.
    const ProgramRun clean = runOrvane({"check", sample});
    EXPECT_EQ(clean.exitCode, 0) << clean.err.toStdString();
    EXPECT_TRUE(clean.out.endsWith("\n0 errors, 9 warnings, 4 notes\n")) << clean.out.toStdString();
    const ProgramRun found = runOrvane({"check", broken});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_TRUE(found.out.contains(QStringLiteral("\nerror input-unused-block: ") + kBrokenFinding + "\n")) << found.out.toStdString();
    EXPECT_TRUE(found.out.section('\n', -2, -2).startsWith("1 error, "));
    const ProgramRun json = runOrvane({"check", broken, "--json"});
    EXPECT_EQ(json.exitCode, 1);
    const QJsonObject result = jsonOf(json);
    EXPECT_EQ(result.keys(), (QStringList{"errors", "file", "findings", "information", "warnings"}));
    EXPECT_EQ(result["file"].toString(), broken);
    EXPECT_EQ(result["errors"].toInt(), 1);
    const QJsonArray findings = result["findings"].toArray();
    ASSERT_EQ(findings.size(), result["warnings"].toInt() + result["information"].toInt() + 1);
    const auto error = std::find_if(findings.begin(), findings.end(),
                                    [](const QJsonValue& f) { return f["severity"] == "error"; });
    ASSERT_NE(error, findings.end());
    EXPECT_EQ(error->toObject(), (QJsonObject{{"rule", "input-unused-block"}, {"severity", "error"}, {"block", 4},
                                              {"place", "input 1"}, {"message", kBrokenFinding}}));
    for (const QStringList& unreadable : {QStringList{"check", store.folder() + "/none.mdb"},
                                          QStringList{"check", store.folder() + "/none.mdb", "--json"}}) {
        const ProgramRun run = runOrvane(unreadable);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("no such configuration file"));
    }

    // The cross-references: the editor's "Used by" of one block, or of every block in use.
    const ProgramRun one = runOrvane({"xref", sample, "--block", "20"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(one.out, "Block 20 (PID) - LIC-101 tank 1 level control\n"
                       "  used by Block 30 (AOUT) input 1: Output value\n"
                       "  used by Block 70 (AABO) auxiliary output: NO SELECTION\n");
    const ProgramRun all = runOrvane({"xref", sample});
    EXPECT_EQ(all.exitCode, 0);
    QStringList inUse;   // "20 PID", as the diagram titles its boxes
    static const QRegularExpression blockLine("^Block (\\d+) \\(([^)]+)\\)");
    for (const QString& line : all.out.split('\n'))
        if (const auto m = blockLine.match(line); m.hasMatch())
            inUse << m.captured(1) + ' ' + m.captured(2);
    EXPECT_EQ(inUse.size(), 18);
    const ProgramRun unused = runOrvane({"xref", sample, "--block", "45"});
    EXPECT_EQ(unused.exitCode, 2);
    EXPECT_EQ(unused.err, "orvane: block 45 is in no use (\?\?\?\?)\n");
    EXPECT_TRUE(unused.out.isEmpty());
    EXPECT_EQ(runOrvane({"xref", sample, "--block", "160"}).exitCode, 2);

    // The diagram: every block in use is a box titled in the SVG; around one block, a PNG;
    // a file of a broken configuration is drawn too; bad requests write nothing.
    const QString svg = store.folder() + "/flow.svg";
    const ProgramRun drawn = runOrvane({"diagram", sample, "-o", svg});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    const QStringList texts = svgTexts(svg);
    for (const QString& title : inUse)
        EXPECT_TRUE(texts.contains(title)) << title.toStdString();
    const QString png = store.folder() + "/around.png";
    const ProgramRun around = runOrvane({"diagram", sample, "--output", png, "--block", "20", "--depth", "1"});
    EXPECT_EQ(around.exitCode, 0);
    EXPECT_TRUE(around.err.contains(png + ": 4 blocks, 3 links written")) << around.err.toStdString();
    EXPECT_TRUE(fileBytes(png).startsWith("\x89PNG\r\n"));
    const QString pdf = store.folder() + "/broken.pdf";
    EXPECT_EQ(runOrvane({"diagram", broken, "-o", pdf, "-q"}).err.count("written"), 0);
    EXPECT_TRUE(fileBytes(pdf).startsWith("%PDF-"));
    const QString none = store.folder() + "/never.svg";
    for (const QStringList& bad : {QStringList{"diagram", sample, "-o", store.folder() + "/flow.txt"},
                                   QStringList{"diagram", sample, "-o", none, "--depth", "2"},
                                   QStringList{"diagram", sample, "-o", none, "--block", "20", "--depth", "10"},
                                   QStringList{"diagram", sample, "-o", none, "--block", "45"},
                                   QStringList{"diagram", sample}}) {
        const ProgramRun refused = runOrvane(bad);
        EXPECT_EQ(refused.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(refused.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(store.folder() + "/flow.txt"));
    EXPECT_FALSE(QFile::exists(none));

    // The printed report takes the diagram pages when asked, even alone.
    const ProgramRun printed = runOrvane({"print", sample, "--pdf", store.folder() + "/report.pdf", "--no-grid",
                                          "--no-blocks", "--diagram"});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(printed.err.contains("report.pdf: 1 page written"));
    EXPECT_EQ(fileBytes(broken), before);   // every command only reads
}

TEST(CliDownload, ACheckWithErrorsListsThemAndAsks_NoLeavesTheControllerUntouched_YesGoesOnEvenQuietly)
{
    StoreFixture store;
    const QString broken = makeBroken(store);
    SimulatedController sim;
    const QString listed = QStringLiteral("The configuration check found 1 error:\n\n") + kBrokenFinding + "\n";
    const ProgramRun no = runOrvane({"download", broken, "--port", sim.portName()}, "n\n");
    EXPECT_EQ(no.exitCode, 3);
    EXPECT_EQ(no.err, listed + "Download anyway? [y/N] ");
    EXPECT_EQ(sim.framesStartingWith(""), 0);

    // Quiet and answered by --yes, the errors are still said; nothing is asked aloud.
    const ProgramRun yes = runOrvane({"download", broken, "--port", sim.portName(), "-q", "--yes"});
    EXPECT_EQ(yes.exitCode, 0) << yes.err.toStdString();
    EXPECT_EQ(yes.err, listed);
    store.open(broken);
    const auto expected = expectedMemory(store.read(), store.catalogue);
    const auto memory = sim.stopAndReadMemory();
    for (int area : {3, 4, 6, 9})
        EXPECT_EQ(memory.at(area), expected.at(area)) << area;
}

TEST(CliTextForm, ExportImportExportIsStable_TheRebuiltFileDownloadsTheSame_AJetOriginalIsKept)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    const QString text = store.folder() + "/plant.txt";
    const ProgramRun exported = runOrvane({"export", plant, "-o", text});
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const QString rebuilt = store.folder() + "/rebuilt.mdb";
    const ProgramRun imported = runOrvane({"import", text, rebuilt});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.err, rebuilt + " built from " + text + "\n");
    const ProgramRun again = runOrvane({"export", rebuilt});
    EXPECT_EQ(again.out.toUtf8(), fileBytes(text));

    store.open(plant);
    const auto expected = expectedMemory(store.read(), store.catalogue);
    store.close();
    const QString jetFile = QStringLiteral(ORVANE_SOURCE_DIR) + "/formats/jet/tests/data/legacy-config-jet4.mdb";
    const auto copyOfJet = [&](const QString& name) {
        const QString path = store.folder() + "/" + name;
        QFile::copy(jetFile, path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    };
    const QByteArray jet = fileBytes(jetFile);
    SimulatedController sim;
    ASSERT_EQ(runOrvane({"download", rebuilt, "--port", sim.portName(), "--yes"}).exitCode, 0);
    // An upload into a legacy Jet file keeps the original beside it.
    const QString uploaded = copyOfJet("uploaded.mdb");
    const ProgramRun upload = runOrvane({"upload", uploaded, "--port", sim.portName(), "--yes"});
    ASSERT_EQ(upload.exitCode, 0) << upload.err.toStdString();
    EXPECT_TRUE(upload.err.contains(uploaded + " was a legacy Jet file. It is now saved in this program's own format;\n"
                                    "the original is kept unchanged as " + store.folder() + "/uploaded.jet.mdb.\n"));
    EXPECT_EQ(fileBytes(store.folder() + "/uploaded.jet.mdb"), jet);
    const auto memory = sim.stopAndReadMemory();
    for (int area : {3, 4, 6, 9})
        EXPECT_EQ(memory.at(area), expected.at(area)) << area;
    // The controller's program with the file's own texts.
    const QString uploadedText = runOrvane({"export", uploaded}).out;
    EXPECT_TRUE(uploadedText.contains("title = \"Legacy plant\"\n"));
    EXPECT_TRUE(uploadedText.contains("\nblock 4: PID (function 10)\n"));
    EXPECT_TRUE(uploadedText.contains("\nmessage 1 = \"FLOW HIGH\"\n"));

    // A legacy Jet file exports as it is; building over it asks first and keeps it.
    const QString legacy = copyOfJet("legacy.mdb");
    const ProgramRun legacyText = runOrvane({"export", legacy});
    ASSERT_EQ(legacyText.exitCode, 0) << legacyText.err.toStdString();
    EXPECT_TRUE(legacyText.out.contains("block 0: SYSTEM (function 0)\n  comment = \"Boiler 3 \\\"north\\\" \u2013 feed pump\"\n"));
    EXPECT_EQ(runOrvane({"import", text, legacy}, "n\n").exitCode, 3);
    EXPECT_EQ(fileBytes(legacy), jet);
    const ProgramRun over = runOrvane({"import", text, legacy}, "y\n");
    ASSERT_EQ(over.exitCode, 0) << over.err.toStdString();
    EXPECT_TRUE(over.err.contains(legacy + " exists. Replace it? [y/N] "));
    EXPECT_TRUE(over.err.contains(legacy + " was a legacy Jet file. It is now saved in this program's own format;\n"
                                  "the original is kept unchanged as " + store.folder() + "/legacy.jet.mdb.\n"));
    EXPECT_EQ(fileBytes(store.folder() + "/legacy.jet.mdb"), jet);
    EXPECT_EQ(runOrvane({"export", legacy}).out.toUtf8(), fileBytes(text));

    // Faults: a text that does not build, a damaged Jet file, bad command lines.
    QFile broken(store.folder() + "/broken.txt");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(fileBytes(text).replace("function 10)", "function 200)"));
    broken.close();
    const ProgramRun refused = runOrvane({"import", broken.fileName(), store.folder() + "/new.mdb"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(broken.fileName() + ", line ")) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(": function 200 is not in the catalogue\n"));
    EXPECT_FALSE(QFile::exists(store.folder() + "/new.mdb"));
    const QString cut = store.folder() + "/cut.mdb";
    QFile cutFile(cut);
    ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(jet.left(100000));
    cutFile.close();
    const ProgramRun damaged = runOrvane({"export", cut});
    EXPECT_EQ(damaged.exitCode, 2);
    EXPECT_EQ(damaged.err, "orvane: " + cut + " cannot be read: it is truncated (100000 bytes is not a whole number "
                                              "of 4096-byte pages).\n");
    EXPECT_EQ(runOrvane({"export"}).exitCode, 2);
    EXPECT_EQ(runOrvane({"import", text}).exitCode, 2);
    EXPECT_EQ(runOrvane({"export", plant, "--port", "x"}).exitCode, 2);
    EXPECT_TRUE(runOrvane({"export", "--help"}).out.contains("\n  -o, --output TEXT "));
}

TEST(CliMessages, NameTheUsersFileAndBothNamesOfAPort_ShowNoControlCharactersFromTheLine)
{
    // An identification text carrying an escape sequence that would clear the screen.
    SimulatedController hostile({}, "\x1b[2J2.5");
    const ProgramRun id = runOrvane({"version-id", "--port", hostile.portName()});
    EXPECT_EQ(id.exitCode, 0);
    EXPECT_EQ(id.out, "ORVANE DCX7 ROM ?[2J2.5 \n");

    const ProgramRun numbered = runOrvane({"version-id", "--port", "200"});
    EXPECT_EQ(numbered.exitCode, 4);
    EXPECT_TRUE(numbered.err.startsWith("COM200 (/dev/ttyS199): not available: there is no such device. "))
        << numbered.err.toStdString();

    // A text the controller cannot show is named before the warning; the download goes on.
    StoreFixture store;
    const QString plant = makePlant(store);
    store.open(plant);
    store.setMessage(5, "\xCE\xA9 LIMIT");
    store.close();
    SimulatedController sim;
    const ProgramRun lossy = runOrvane({"download", plant, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(lossy.exitCode, 0) << lossy.err.toStdString();
    const qsizetype note = lossy.err.indexOf("message 5 \"\u03A9 LIMIT\": \u03A9");
    EXPECT_GE(note, 0) << lossy.err.toStdString();
    EXPECT_LT(note, lossy.err.indexOf("Failure to put the Orvane into S/M ALL mode"));

    // A row that would not go out as stored: refused, naming the user's file, not its copy
    // (after the configuration check, which finds the same fault, was answered).
    ASSERT_TRUE(executeSql(plant, "UPDATE QuickMessages SET Block = 300 WHERE Offset = 3"));
    const ProgramRun refused = runOrvane({"download", plant, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("Download anyway? [y/N] yes (--yes)\n" + plant + " cannot be sent to a controller:\ntable \"QuickMessages\", quick "
                                               "message 3: Block 300 does not fit the record's byte (0 to 255).\n"))
        << refused.err.toStdString();
    EXPECT_FALSE(refused.err.contains("WARNING"));
}

TEST(CliWorkingCopy, InterruptedOrTerminatedWhileAsking_LeavesNoWorkingCopy_AndOldOnesGoAtStart)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    SimulatedController sim;
    // What a killed run left: a working copy nobody holds.
    QDir().mkpath(dataHome() + "/Orvane");
    QFile leftover(dataHome() + "/Orvane/OrvKilled.tmp");
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    for (int signal : {SIGTERM, SIGINT}) {
        QProcess process;
        startOrvane(process, {"download", plant, "--port", sim.portName()});
        const QByteArray err = untilAsked(process);
        ASSERT_TRUE(err.contains("Continue with the download? [y/N]")) << err.toStdString();
        EXPECT_EQ(workingCopies().size(), 1) << workingCopies().join(' ').toStdString();   // its own; the old one went
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        EXPECT_TRUE(workingCopies().isEmpty()) << signal;
    }
    EXPECT_EQ(sim.framesStartingWith("02"), 0);
}

TEST(CliUpload, ThroughASymbolicLinkTheLinkStays_AReadOnlyFileIsRefusedBeforeTheController)
{
    StoreFixture store;
    SimulatedController sim;
    const QString other = downloadedPlantAndANewFile(store, sim);
    const QString link = store.folder() + "/other-link.mdb";
    ASSERT_EQ(::symlink("other.mdb", QFile::encodeName(link).constData()), 0);
    const ProgramRun run = runOrvane({"upload", link, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    store.open(other);
    EXPECT_EQ(store.read().blocks[4].function, 10);
    store.close();

    ::chmod(QFile::encodeName(other).constData(), 0444);
    const int framesBefore = sim.framesStartingWith("");
    const ProgramRun refused = runOrvane({"upload", link, "--port", sim.portName(), "--yes"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(link + " is read-only; an upload cannot replace it")) << refused.err.toStdString();
    EXPECT_EQ(sim.framesStartingWith(""), framesBefore);
    EXPECT_TRUE(workingCopies().isEmpty());
}

TEST(CliDownload, DamagedOrHostileFiles_AreRefusedNamingTheUsersFileAndTheCause)
{
    StoreFixture store;
    SimulatedController sim;
    struct Case {
        const char* sql;
        const char* cause;
    };
    const Case cases[] = {
        {"INSERT INTO \"Block List\" VALUES (160, 999, 0, 0, 0, '', '')",
         "database error 3349: Numeric field overflow: field 'BlockNumber' of table 'Block List', row 161, in '%1' holds 160, "
         "outside 0 to 159."},
        {"ALTER TABLE \"Block List\" DROP COLUMN FunctionNumber",
         "database error 3343: Unrecognized database format '%1': table 'Block List' has no field 'FunctionNumber'."},
        {"CREATE TRIGGER wipe AFTER UPDATE ON Comments BEGIN DELETE FROM Constants; END",
         "database error 3343: Unrecognized database format '%1': it holds a trigger 'wipe' on table 'Comments'"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString plant = store.newConfiguration(QString("bad%1.mdb").arg(n++));
        store.close();
        rawSql(plant, c.sql);
        const ProgramRun run = runOrvane({"download", plant, "--port", sim.portName(), "--yes"});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QString(c.cause).arg(plant))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(dataHome())) << run.err.toStdString();   // never the working copy
        EXPECT_FALSE(run.err.contains("map::at") || run.err.contains("ROM version")) << run.err.toStdString();
    }
    EXPECT_EQ(sim.framesStartingWith("02"), 0);
}

TEST(CliTextForm, AnImportEndedAtItsQuestionLeavesNoFolder_ThatQuestionNamesTheFileALinkLeadsTo)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    const QString text = store.folder() + "/plant.txt";
    ASSERT_EQ(runOrvane({"export", plant, "-o", text}).exitCode, 0);
    const QString link = store.folder() + "/plant-link.mdb";
    ASSERT_EQ(::symlink("plant.mdb", QFile::encodeName(link).constData()), 0);
    const QByteArray before = fileBytes(plant);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        QProcess process;
        startOrvane(process, {"import", text, link});
        const QByteArray err = untilAsked(process);
        ASSERT_TRUE(err.contains(QFile::encodeName(link + " (a link to " + plant + ") exists. Replace it? [y/N]")))
            << err.toStdString();
        // The configuration is built by now, in a folder of its own.
        ASSERT_EQ(importFolders().size(), 1);
        EXPECT_TRUE(QFile::exists(dataHome() + "/Orvane/" + importFolders().first() + "/configuration.mdb"));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        if (signal == SIGKILL) {
            EXPECT_EQ(importFolders().size(), 1);
            EXPECT_EQ(runOrvane({"--help"}).exitCode, 0);   // any start clears what a kill left
        }
        EXPECT_TRUE(importFolders().isEmpty()) << strsignal(signal);
    }
    EXPECT_EQ(fileBytes(plant), before);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
}

// Another user of the machine, in a child process with its own uid, against what this
// user's commands write and read again and the locks they take.
TEST(CliOtherUsers, CanNeitherSwapWhatIsReadAgainNorHoldCommandsUpNorRedirectAnImport)
{
    using orvane::testsupport::OrdinaryUserProcess;
    if (!orvane::testsupport::runningAsRoot())
        GTEST_SKIP() << "another user needs root to be";
    StoreFixture store;
    const QString plant = makePlant(store);
    const QByteArray before = fileBytes(plant);
    QTemporaryDir system;   // as /tmp
    ::chmod(QFile::encodeName(system.path()).constData(), 01777);
    const QString uid = QString::number(::getuid());
    const QString noHome = store.folder() + "/nonexistent";
    const Environment homeless{{"HOME", noHome}, {"XDG_DATA_HOME", QString()}, {"TMPDIR", system.path()}, {"TEMP", QString()}};

    // The other user takes the name of this user's private folder and holds the lock
    // that programs once took beside it.
    const OrdinaryUserProcess other([&] {
        const int lock = ::open(QFile::encodeName(system.path() + "/.orvane-" + uid + ".lock").constData(), O_CREAT | O_RDWR, 0666);
        return QDir().mkdir(system.path() + "/orvane-" + uid) && lock >= 0 && ::flock(lock, LOCK_EX) == 0;
    });
    ASSERT_TRUE(other.ready());
    const ProgramRun exported = runOrvane({"export", plant}, {}, homeless);
    EXPECT_EQ(exported.exitCode, 2);
    EXPECT_TRUE(exported.err.contains(system.path() + "/orvane-" + uid + " belongs to another user")) << exported.err.toStdString();
    SimulatedController sim;
    const ProgramRun id = runOrvane({"version-id", "--port", sim.portName()}, {}, homeless);
    EXPECT_EQ(id.exitCode, 0) << id.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(noHome));

    // TEMP open to every user without the sticky bit: the working copy that a download
    // sends could be swapped there, so none is made and nothing is sent.
    const QString open = system.path() + "/open";
    QDir().mkdir(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    Environment openTemp = homeless;
    openTemp.append({"TEMP", open});
    const ProgramRun download = runOrvane({"download", plant, "--port", sim.portName(), "--yes"}, {}, openTemp);
    EXPECT_EQ(download.exitCode, 2);
    EXPECT_TRUE(download.err.contains("other users may write in " + open)) << download.err.toStdString();
    EXPECT_TRUE(QDir(open).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    EXPECT_EQ(sim.framesStartingWith("02"), 0);

    // A lock of this user's own folder that is not to be had is said, not waited for.
    ASSERT_EQ(runOrvane({"--help"}).exitCode, 0);   // the folder is made at start
    const int held = ::open(QFile::encodeName(dataHome() + "/Orvane/.orvane-" + uid + ".lock").constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const ProgramRun locked = runOrvane({"export", plant});
    ::close(held);
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_TRUE(locked.err.contains("is locked by another program of this user; try again.")) << locked.err.toStdString();

    // The other user's link in the shared folder, naming this user's file.
    const QString text = store.folder() + "/evil.txt";
    ASSERT_EQ(runOrvane({"export", plant, "-o", text}).exitCode, 0);
    const QString planted = system.path() + "/shared-plant.mdb";
    const OrdinaryUserProcess linker([&] { return ::symlink(QFile::encodeName(plant).constData(), QFile::encodeName(planted).constData()) == 0; });
    ASSERT_TRUE(linker.ready());
    const ProgramRun imported = runOrvane({"import", text, planted, "--yes"});
    EXPECT_EQ(imported.exitCode, 2);
    EXPECT_TRUE(imported.err.contains(planted + " is a link that another user made in a shared folder; nothing is written through it to " + plant))
        << imported.err.toStdString();
    EXPECT_EQ(fileBytes(plant), before);
}

TEST(CliHistory, RecordsEachTransfer_ListsShowsRestoresAndChecks_IdentifyNamesTheRecordedDownloadOrNone)
{
    StoreFixture store;
    const QString plant = makePlant(store);
    QTemporaryDir shared;
    const Environment team{{"ORVANE_HISTORY", shared.path()}};
    SimulatedController sim;
    ASSERT_EQ(runOrvane({"download", plant, "-p", sim.portName(), "--yes"}, {}, team).exitCode, 0);
    // A port that is not there: recorded too, as incomplete.
    EXPECT_EQ(runOrvane({"verify", plant, "-p", store.folder() + "/ttyGone"}, {}, team).exitCode, 4);

    const ProgramRun listed = runOrvane({"history", plant, "--json"}, {}, team);
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const QJsonArray entries = jsonOf(listed).value("entries").toArray();
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject failed = entries[0].toObject(), download = entries[1].toObject();
    EXPECT_EQ(failed.value("operation").toString(), "verify");
    EXPECT_EQ(failed.value("outcome").toString(), "incomplete");
    EXPECT_EQ(failed.value("note").toString(), texts::kPortNotOpened);
    EXPECT_EQ(download.value("operation").toString(), "download");
    EXPECT_EQ(download.value("outcome").toString(), "complete");
    EXPECT_EQ(download.value("file").toString(), QFileInfo(plant).canonicalFilePath());
    EXPECT_EQ(download.value("port").toString(), sim.portName());
    EXPECT_TRUE(download.value("program").toString().startsWith("orvane 7."));
    EXPECT_EQ(download.value("imageSha256").toString().size(), 64);
    const QString id = download.value("id").toString();
    const ProgramRun ofPort = runOrvane({"history", "-p", sim.portName()}, {}, team);
    EXPECT_EQ(ofPort.out.count('\n'), 1);
    EXPECT_TRUE(ofPort.out.startsWith(id + "  ")) << ofPort.out.toStdString();

    const ProgramRun held = runOrvane({"identify", "-p", sim.portName()}, {}, team);
    EXPECT_EQ(held.exitCode, 0) << held.err.toStdString();
    EXPECT_TRUE(held.out.contains("The controller holds plant.mdb as downloaded ")) << held.out.toStdString();
    EXPECT_TRUE(held.out.contains("(entry " + id + ", ")) << held.out.toStdString();

    const ProgramRun shown = runOrvane({"history", "show", id.left(18)}, {}, team);
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains("block 4: PID (function 10)")) << shown.out.toStdString();
    const QString restored = store.folder() + "/restored.mdb";
    EXPECT_EQ(runOrvane({"history", "restore", id, "-o", restored}, {}, team).exitCode, 0);
    EXPECT_EQ(runOrvane({"verify", restored, "-p", sim.portName()}, {}, team).out, "Configuration matches\n");
    const ProgramRun again = runOrvane({"history", "restore", id, "-o", restored}, {}, team);
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_TRUE(again.err.contains("exists")) << again.err.toStdString();
    EXPECT_EQ(runOrvane({"history", "show"}, {}, team).exitCode, 2);

    // A configuration downloaded where no history kept it: no recorded download; the
    // nearest is the plant, with the block that differs.
    store.open(plant);
    store.setConstant(4, 7 + 3, 7);
    store.close();
    QTemporaryDir elsewhere;
    ASSERT_EQ(runOrvane({"download", plant, "-p", sim.portName(), "--yes"}, {}, {{"ORVANE_HISTORY", elsewhere.path()}}).exitCode, 0);
    const ProgramRun unknown = runOrvane({"identify", "-p", sim.portName(), "--json"}, {}, team);
    EXPECT_EQ(unknown.exitCode, 1) << unknown.err.toStdString();
    const QJsonObject result = jsonOf(unknown);
    EXPECT_TRUE(result.value("match").isNull());
    EXPECT_EQ(result.value("nearest").toObject().value("id").toString(), id);
    EXPECT_EQ(result.value("differences").toObject().value("blocks").toArray(), QJsonArray{4});
    EXPECT_TRUE(runOrvane({"identify", "-p", sim.portName()}, {}, team).out.contains("no recorded download"));

    // An entry changed after it was written is named by --check; a torn one is skipped
    // with a warning and hides no other.
    const QString entryFile = shared.filePath(id + ".entry");
    QFile file(entryFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    bytes.replace("PID (function 10)", "PID (function 11)");
    ASSERT_TRUE(QFile::remove(entryFile));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QFile torn(shared.filePath("20261201-000000-abcdef.entry"));
    ASSERT_TRUE(torn.open(QIODevice::WriteOnly));
    torn.write(bytes.left(bytes.size() / 2));
    torn.close();
    const ProgramRun check = runOrvane({"history", "--check"}, {}, team);
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_TRUE(check.out.startsWith("changed since it was written: " + id)) << check.out.toStdString();
    EXPECT_TRUE(check.err.contains("20261201-000000-abcdef.entry: skipped")) << check.err.toStdString();
    const ProgramRun all = runOrvane({"history"}, {}, team);
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(all.out.count('\n'), 3) << all.out.toStdString();   // the two above and the verify of the restored file
}
