#include "SimSupport.h"

#include "orvane/transfer/StoreBridge.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include <stdexcept>

namespace orvane::transfer::testing {

QString binDir() { return QStringLiteral(ORVANE_BIN_DIR); }

StoreFixture::StoreFixture()
{
    db.open_database(binDir().toStdString());
}

QString StoreFixture::newConfiguration(const QString& name)
{
    const QString path = dir_.filePath(name);
    db.create_new_database(path.toStdString());
    open(path);
    return path;
}

void StoreFixture::open(const QString& path)
{
    close();
    db.open_existing_database(path.toStdString(), kessig::Durability::Relaxed);
    file_ = path;
    if (catalogue.empty())
        catalogue = readCatalogue(db);
}

void StoreFixture::close()
{
    if (db.ConfigurationOpen())
        db.close_work_dbs();
}

void StoreFixture::setFunctions(const std::map<int16_t, int16_t>& functionOfBlock)
{
    for (const auto& [block, function] : functionOfBlock)
        store_block_function(db, block, catalogue.at(function));
}

void StoreFixture::setConstant(int16_t block, int16_t offset, int32_t value)
{
    db.ConstantSeek(block, offset);
    if (db.ConstantNoMatch())
        throw std::logic_error("no constant " + std::to_string(block) + "/" + std::to_string(offset));
    db.ConstantEdit();
    db.ConstantValue(value);
    db.ConstantUpdate();
}

void StoreFixture::setMessage(int16_t number, const std::string& text)
{
    db.MessageSeek(number);
    db.MessageEdit();
    db.MessageMsg(text);
    db.MessageUpdate();
}

void StoreFixture::setQuick(int16_t number, const std::string& text, int block, int parameter)
{
    db.QuickSeek(number);
    db.QuickEdit();
    db.QuickMessage(text);
    db.QuickBlock(std::to_string(block));
    db.QuickParameter(std::to_string(parameter));
    db.QuickUpdate();
}

Configuration StoreFixture::read() { return readConfiguration(db); }

SimulatedController::SimulatedController(const QStringList& extraArguments, const QString& rom,
                                         const std::map<int, std::vector<uint8_t>>& memory)
    : memoryFile_(dir_.filePath("controller.mem")),
      process_(QStringList{"--pty", "--log", "--memory", memoryFile_, "--rom", rom} + extraArguments,
               binDir() + "/orvane-sim")
{
    if (!memory.empty() && !orvane::sim::writeMemoryFile(memoryFile_, memory))
        return;
    started_ = process_.start();
    // A test whose simulator did not start would talk to whatever the default port is.
    if (!started_)
        ADD_FAILURE() << "orvane-sim did not start: " << process_.errorText().toStdString();
}

std::map<int, std::vector<uint8_t>> SimulatedController::stopAndReadMemory()
{
    process_.stop();
    return orvane::sim::readMemoryFile(memoryFile_);
}

QString SimulatedController::log()
{
    return process_.logText();
}

int SimulatedController::framesStartingWith(const QString& start)
{
    int count = 0;
    for (const QString& line : log().split('\n')) {
        const QStringList words = line.split(' ');
        if (words.size() > 2 && words[1] == "IN" && line.section(' ', 2).startsWith(start))
            ++count;
    }
    return count;
}

TestLink::TestLink(const QString& portName)
{
    link.settings.CommPortName = portName.toStdString();
    link.setReporter(this);
}

namespace {

void putBig(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + size_t(i)] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
}

void putText16(std::vector<uint8_t>& out, size_t at, const std::string& text)
{
    for (size_t i = 0; i < 16 && i < text.size(); ++i)
        out[at + i] = static_cast<uint8_t>(text[i]);
}

} // namespace

int32_t defaultConstant(const FunctionInfo& f, int k)
{
    if (k < f.inputs)
        return f.inputTypes.at(size_t(k)) == 1 ? 0 : 2;
    return f.defaults.at(size_t(k - f.inputs));
}

std::map<int, std::vector<uint8_t>> expectedMemory(const Configuration& config, const Catalogue& catalogue)
{
    std::vector<uint8_t> messages(340, 0), quick(152, 0), blocks(1600, 0), constants(5120, 0);
    for (size_t n = 0; n < 20; ++n)
        putText16(messages, n * 17, config.messages[n]);
    for (size_t j = 0; j < 8; ++j) {
        putText16(quick, j * 19, config.quick[j].text);
        quick[j * 19 + 17] = config.quick[j].block;
        quick[j * 19 + 18] = config.quick[j].parameter;
    }
    std::map<std::pair<int, int>, int32_t> stored;
    for (const ConstantRow& c : config.constants)
        stored[{c.block, c.offset}] = c.value;

    uint32_t cycles = 0, firstSlot = 0, retentive = 0;
    size_t slot = 0;
    for (const BlockRow& b : config.blocks) {
        const FunctionInfo& f = catalogue.at(b.function);
        const size_t at = size_t(b.number) * 10;
        blocks[at + 1] = static_cast<uint8_t>(b.function);
        putBig(blocks, at + 2, cycles, 2);
        putBig(blocks, at + 4, firstSlot, 2);
        putBig(blocks, at + 6, retentive, 2);
        blocks[at + 8] = static_cast<uint8_t>(f.ftype);
        cycles += uint32_t(f.icycle);
        firstSlot += uint32_t(f.inputs + f.params + f.hidden);
        retentive += uint32_t(f.volRam);
        for (int k = 0; k < f.inputs + f.params + f.hidden; ++k, ++slot) {
            const int32_t v = b.constantCount > 0 ? stored.at({b.number, k}) : defaultConstant(f, k);
            const uint32_t high = uint32_t(uint16_t(int16_t(v))) << 16;
            uint32_t value = 0;
            if (k < f.inputs) {
                value = high;
            } else if (k < f.inputs + f.params) {
                const int type = f.paramTypes.at(size_t(k - f.inputs));
                value = type == 1 ? uint32_t(v) : (type == 2 || type == 4) ? high : 0;
            }
            putBig(constants, slot * 4, value, 4);
        }
    }
    return {{3, constants}, {4, blocks}, {6, messages}, {9, quick}};
}

uint32_t slotIn(const std::vector<uint8_t>& area, size_t slot)
{
    return (uint32_t(area[slot * 4]) << 24) | (uint32_t(area[slot * 4 + 1]) << 16) |
           (uint32_t(area[slot * 4 + 2]) << 8) | area[slot * 4 + 3];
}

bool executeSql(const QString& file, const char* sql)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace orvane::transfer::testing
