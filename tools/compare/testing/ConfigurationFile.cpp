#include "orvane/compare/testing/ConfigurationFile.h"

#include <QFile>
#include <QProcess>

#include <sqlite3.h>
#include <stdexcept>

namespace orvane::compare::testing {

QString programFolder()
{
    const QString folder = qEnvironmentVariable("ORVANE_BIN_DIR");
    return folder.isEmpty() ? QStringLiteral(ORVANE_BIN_DIR) : folder;
}

ConfigurationFile::ConfigurationFile(const QString& path) : path(path)
{
    QFile::remove(path);
    db_.open_database(QStringLiteral(ORVANE_BIN_DIR).toStdString());
    db_.create_new_database(path.toStdString());
    db_.open_existing_database(path.toStdString(), kessig::Durability::Relaxed);
    db_.BeginTrans();
    db_.FuncSetIndex("FN");
}

ConfigurationFile::~ConfigurationFile()
{
    if (open_)
        close();
}

void ConfigurationFile::close()
{
    db_.CommitTrans();
    db_.close_work_dbs();
    db_.close_database();
    open_ = false;
}

ConfigurationFile& ConfigurationFile::function(int16_t block, int16_t fn)
{
    db_.FuncSeekI(fn);
    if (db_.FuncNoMatch())
        throw std::invalid_argument("no function " + std::to_string(fn) + " in the catalogue");
    const int16_t inputs = db_.FuncInputs(), count = static_cast<int16_t>(inputs + db_.FuncParams() + db_.FuncHidden());
    db_.BlockSeek(block);
    db_.BlockEdit();
    db_.BlockFn(fn);
    db_.BlockConstant(count);
    db_.BlockUpdate();
    for (int16_t offset = 0; offset < count; ++offset) {
        int32_t value = 0;
        if (offset >= inputs) {
            db_.ParamSeek(fn, static_cast<int16_t>(offset - inputs + 1));
            value = db_.ParamDefault();
        }
        db_.ConstantSeek(block, offset);
        if (db_.ConstantNoMatch()) {
            db_.ConstantAddNew();
            db_.ConstantBlockNumber(block);
            db_.ConstantOffset(offset);
        } else {
            db_.ConstantEdit();
        }
        db_.ConstantValue(value);
        db_.ConstantUpdate();
    }
    return *this;
}

ConfigurationFile& ConfigurationFile::constant(int16_t block, int16_t offset, int32_t value)
{
    db_.ConstantSeek(block, offset);
    db_.ConstantEdit();
    db_.ConstantValue(value);
    db_.ConstantUpdate();
    return *this;
}

ConfigurationFile& ConfigurationFile::blockComments(int16_t block, const std::string& comment, const std::string& visio)
{
    db_.BlockSeek(block);
    db_.BlockEdit();
    db_.BlockComment(comment);
    db_.BlockVisioComment(visio);
    db_.BlockUpdate();
    return *this;
}

ConfigurationFile& ConfigurationFile::texts(const std::string& title, const std::string& config, const std::string& comment)
{
    db_.CommentEdit();
    db_.CommentTitle(title);
    db_.CommentConfig(config);
    db_.CommentComment(comment);
    db_.CommentUpdate();
    return *this;
}

ConfigurationFile& ConfigurationFile::message(int16_t number, const std::string& text)
{
    db_.MessageSeek(number);
    db_.MessageEdit();
    db_.MessageMsg(text);
    db_.MessageUpdate();
    return *this;
}

ConfigurationFile& ConfigurationFile::quick(int16_t number, const std::string& text, int16_t block, int16_t parameter)
{
    db_.QuickSeek(number);
    db_.QuickEdit();
    db_.QuickMessage(text);
    db_.QuickBlock(std::to_string(block));
    db_.QuickParameter(std::to_string(parameter));
    db_.QuickUpdate();
    return *this;
}

ConfigurationFile& ConfigurationFile::allCommentsFilled(const std::string& prefix)
{
    texts(prefix + " title", prefix + " config", prefix + " description");
    for (int16_t b = 0; b < 160; ++b)
        blockComments(b, prefix + " comment " + std::to_string(b), prefix + " drawing " + std::to_string(b));
    return *this;
}

void copyLegacyJetFile(const char* name, const QString& path)
{
    if (!copyFile(QStringLiteral(JET_TEST_DATA "/") + QString::fromLatin1(name), path)
        || !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        throw std::runtime_error("cannot copy " + std::string(name));
}

void makeLegacyTwin(const QString& path)
{
    ConfigurationFile c(path);
    c.texts("Legacy plant", "CFG-2024-07", "Sequence of operation:\r\nStart the feed pump, then open the valve.");
    c.blockComments(0, "Boiler 3 \"north\" \xE2\x80\x93 feed pump");
    c.blockComments(2, "line one\r\nline two", "Drawing tag FT-101");
    c.blockComments(3, "", "   ");
    c.message(14, "HIGH TEMP \xC3\x84\xC3\x96\xC3\x9C");
}

void sql(const QString& file, const char* statement)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open " + file.toStdString());
    char* error = nullptr;
    const int rc = sqlite3_exec(db, statement, nullptr, nullptr, &error);
    const std::string text = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error(text);
}

QByteArray contentOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

bool copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

ProcessRun runProgram(const QString& program, const QStringList& arguments, const QList<QPair<QString, QString>>& environment,
                      const QByteArray& input)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    process.setProcessEnvironment(env);
    process.start(program.startsWith(QLatin1Char('/')) ? program : programFolder() + QLatin1Char('/') + program, arguments);
    process.write(input);
    process.closeWriteChannel();
    ProcessRun run;
    run.finished = process.waitForFinished(60000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace orvane::compare::testing
