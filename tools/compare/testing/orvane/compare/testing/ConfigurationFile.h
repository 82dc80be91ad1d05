#pragma once
// Real configuration files made for the tests and the benchmark of the companion tools,
// and the companion programs run as real processes.

#include <kessig/OrvaneDB.h>

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <string>

namespace orvane::compare::testing {

// The build's program folder: programs, the catalogue and the notice module.
QString programFolder();

// A new configuration at path, open for editing until close(); every change is committed
// at close in one transaction.
class ConfigurationFile {
public:
    explicit ConfigurationFile(const QString& path);
    ~ConfigurationFile();
    ConfigurationFile(const ConfigurationFile&) = delete;
    ConfigurationFile& operator=(const ConfigurationFile&) = delete;

    // The block runs fn and owns its inputs, parameters and hidden constants with the
    // catalogue's defaults (inputs 0).
    ConfigurationFile& function(int16_t block, int16_t fn);
    ConfigurationFile& constant(int16_t block, int16_t offset, int32_t value);
    ConfigurationFile& blockComments(int16_t block, const std::string& comment, const std::string& visio = {});
    ConfigurationFile& texts(const std::string& title, const std::string& config, const std::string& comment);
    ConfigurationFile& message(int16_t number, const std::string& text);
    ConfigurationFile& quick(int16_t number, const std::string& text, int16_t block, int16_t parameter);
    // Every block and configuration text filled.
    ConfigurationFile& allCommentsFilled(const std::string& prefix);
    void close();

    const QString path;

private:
    kessig::OrvaneDB db_;
    bool open_ = true;
};

// A copy of one of the legacy Jet configurations of the Jet tests (legacy-config-jet4.mdb,
// or legacy-config-novisio-jet4.mdb without the drawing-comment field) at path, writable.
void copyLegacyJetFile(const char* name, const QString& path);
// The configuration those files hold, made by the tool set itself: the same blocks,
// messages and texts, comments and drawing comments included.
void makeLegacyTwin(const QString& path);

// Changes a file the way another program might (or damage might).
void sql(const QString& file, const char* statement);
QByteArray contentOf(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);
bool copyFile(const QString& from, const QString& to);

struct ProcessRun {
    int exitCode = -1;
    bool finished = false;
    QByteArray out, err;
};
// Runs a program (a path, or a name in the build's program folder) with environment
// changes (a value of "" removes the variable) and `input` on its standard input, which
// then ends.
ProcessRun runProgram(const QString& program, const QStringList& arguments,
                      const QList<QPair<QString, QString>>& environment = {}, const QByteArray& input = {});

} // namespace orvane::compare::testing
