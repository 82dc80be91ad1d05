#include "SimServer.h"

#include "orvane/sim/SimulatorProcess.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orvane::sim {

SimServer::SimServer(Options options)
    : options_(std::move(options)), controller_(options_.romVersion), pacer_(options_.baud)
{
    clock_.start();
    for (const auto &[block, value] : options_.pinnedOutputs)
        controller_.outputs().pin(block, value);
    if (!options_.memoryFile.empty()) {
        controller_.memory().load(readMemoryFile(QString::fromStdString(options_.memoryFile)));
        controller_.restoreIdentification(); // the ROM text comes from --rom, not from the file
    }
    pacingTimer_.setSingleShot(true);
    pacingTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pacingTimer_, &QTimer::timeout, this, &SimServer::flushDue);
}

SimServer::~SimServer()
{
    saveMemory();
    masterNotifier_.reset();
    closesNotifier_.reset();
    if (closes_ >= 0)
        ::close(closes_);
    if (!options_.linkPath.empty()) {
        const QFileInfo link(QString::fromStdString(options_.linkPath));
        if (link.isSymLink() && link.symLinkTarget() == slaveName_)
            ::unlink(options_.linkPath.c_str());
    }
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

QString SimServer::start()
{
    if (options_.tcp)
        return openTcp() ? "TCP 127.0.0.1:" + QString::number(server_->serverPort()) : QString();
    return openPty() ? "PTY " + slaveName_ : QString();
}

bool SimServer::openPty()
{
    const auto fail = [this](const char *what) {
        error_ = QString("%1: %2").arg(what, std::strerror(errno));
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return fail("grantpt/unlockpt");
    slaveName_ = QString::fromLocal8Bit(::ptsname(master_));
    slave_ = ::open(::ptsname(master_), O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        return fail("open pty slave");
    ::tcgetattr(slave_, &freshLine_);
    ::cfmakeraw(&freshLine_);
    ::tcsetattr(slave_, TCSANOW, &freshLine_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Every close of the pty, so that the line is set free when the last client lets go,
    // however it ended.
    closes_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (closes_ < 0 || ::inotify_add_watch(closes_, ::ptsname(master_), IN_CLOSE) < 0)
        return fail("inotify on the pty");
    closesNotifier_ = std::make_unique<QSocketNotifier>(closes_, QSocketNotifier::Read);
    connect(closesNotifier_.get(), &QSocketNotifier::activated, this, &SimServer::onPtyClosed);
    if (!options_.linkPath.empty()) {
        const QFileInfo existing(QString::fromStdString(options_.linkPath));
        if (existing.isSymLink())
            ::unlink(options_.linkPath.c_str()); // left by an earlier run
        if (::symlink(::ptsname(master_), options_.linkPath.c_str()) != 0)
            return fail(("--link " + options_.linkPath).c_str());
    }
    masterNotifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(masterNotifier_.get(), &QSocketNotifier::activated, this, &SimServer::onPtyReadable);
    return true;
}

bool SimServer::openTcp()
{
    server_ = std::make_unique<QTcpServer>();
    if (!server_->listen(QHostAddress::LocalHost, static_cast<quint16>(options_.tcpPort))) {
        error_ = "--tcp " + QString::number(options_.tcpPort) + ": " + server_->errorString();
        return false;
    }
    connect(server_.get(), &QTcpServer::newConnection, this, &SimServer::onNewClient);
    return true;
}

void SimServer::onPtyReadable()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            onBytes(QByteArray(buffer, static_cast<int>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: all read
    }
}

void SimServer::onPtyClosed()
{
    // The events only say that some descriptor was closed (several may come as one), so
    // whether a client still holds the line is looked up each time.
    alignas(inotify_event) char buffer[4096];
    while (::read(closes_, buffer, sizeof buffer) > 0) {
    }
    if (!clientHoldsThePty())
        freeLine();
}

bool SimServer::clientHoldsThePty() const
{
    // Processes this one may not look into are taken as holding nothing: a client is run
    // by the same user as the simulator (or the simulator by root).
    struct stat pty {};
    if (::stat(slaveName_.toLocal8Bit().constData(), &pty) != 0)
        return false;
    DIR *processes = ::opendir("/proc");
    if (processes == nullptr)
        return true;
    bool held = false;
    const long self = ::getpid();
    while (dirent *process = ::readdir(processes)) {
        const long pid = std::strtol(process->d_name, nullptr, 10);
        if (pid <= 0 || pid == self)
            continue;
        const std::string folder = std::string("/proc/") + process->d_name + "/fd";
        DIR *descriptors = ::opendir(folder.c_str());
        if (descriptors == nullptr)
            continue;
        while (dirent *descriptor = ::readdir(descriptors)) {
            struct stat open {};
            held = descriptor->d_name[0] != '.' && ::stat((folder + "/" + descriptor->d_name).c_str(), &open) == 0 &&
                   S_ISCHR(open.st_mode) && open.st_rdev == pty.st_rdev;
            if (held)
                break;
        }
        ::closedir(descriptors);
        if (held)
            break;
    }
    ::closedir(processes);
    return held;
}

void SimServer::freeLine()
{
    // The last client let go of the line, by closing it or by being killed. What it left
    // is undone, as a serial line is free again once nobody holds it: a client killed
    // while it held the line for its exclusive use would otherwise keep every later
    // open (but root's) out, its line settings would stay (those of a run killed with odd
    // parity make the next open of the pty fail), and replies to it would wait for the
    // next client.
    ::ioctl(slave_, TIOCNXCL);
    ::tcsetattr(slave_, TCSANOW, &freshLine_);
    ::tcflush(slave_, TCIOFLUSH);
    reader_.reset();
    pacer_.clear();
    held_.clear();
    ++generation_;
    log("FREE the last client closed the line");
}

void SimServer::onNewClient()
{
    // One client at a time: the newest takes the line over, as a host that
    // closes and reopens the port would expect even before its old
    // connection's end has reached us.
    while (QTcpSocket *incoming = server_->nextPendingConnection()) {
        if (client_) {
            client_->abort();
            client_->deleteLater();
        }
        client_ = incoming;
        ++generation_;
        reader_.reset();
        pacer_.clear();
        held_.clear();
        connect(incoming, &QTcpSocket::readyRead, this, [this, incoming] {
            if (incoming == client_)
                onBytes(incoming->readAll());
        });
        connect(incoming, &QTcpSocket::disconnected, incoming, &QObject::deleteLater);
    }
}

void SimServer::onBytes(const QByteArray &bytes)
{
    for (const ReceivedFrame &frame : reader_.feed(Bytes(bytes.begin(), bytes.end()), nowMs()))
        handle(frame);
}

void SimServer::handle(const ReceivedFrame &frame)
{
    const int number = ++framesReceived_;
    const std::string tag = std::to_string(number) + " ";
    sendHeldFor(number);
    if (!frame.valid) {
        log(tag + "BAD " + toHex(frame.bytes));
        return;
    }
    if (!options_.faults.arrives(number)) {
        log(tag + "LOST " + toHex(frame.bytes));
        return;
    }
    log(tag + "IN " + toHex(frame.bytes));
    if (!options_.faults.answers(number)) {
        log(tag + "UNANSWERED");
        return;
    }
    if (options_.faults.noise(number)) {
        Bytes noise(5);
        for (uint8_t &byte : noise)
            byte = static_cast<uint8_t>(noise_() & 0xFF);
        dispatch(number, tag, noise);
        return;
    }
    Controller::Answer answer = controller_.answer(frame.bytes, nowMs());
    if (answer.memoryChanged)
        saveMemory();
    if (!answer.reply) {
        log(tag + "REFUSED " + answer.refusal);
        return;
    }
    applyReplyFaults(options_.faults, number, *answer.reply);
    dispatch(number, tag, *answer.reply);
}

void SimServer::dispatch(int number, const std::string &tag, const Bytes &reply)
{
    const FaultPlan &faults = options_.faults;
    if (const auto held = faults.heldUntil.find(number); held != faults.heldUntil.end()) {
        log(tag + "HELD until frame " + std::to_string(held->second));
        held_[held->second].emplace_back(tag, reply);
        return;
    }
    const auto late = faults.lateReplyMs.find(number);
    const int waitMs = late == faults.lateReplyMs.end() ? faults.replyDelayMs : late->second;
    if (late != faults.lateReplyMs.end())
        log(tag + "LATE " + std::to_string(late->second) + " ms");
    if (waitMs == 0) {
        send(reply, generation_);
        log(tag + "OUT " + toHex(reply));
        return;
    }
    // Precise whatever the delay: a timer of 2 s or more is coarse by default and may fire
    // 5 % early or late, which would let replies due apart come together or swap places.
    QTimer::singleShot(waitMs, Qt::PreciseTimer, this, [this, tag, reply, generation = generation_] {
        send(reply, generation);
        log(tag + "OUT " + toHex(reply));
    });
}

void SimServer::sendHeldFor(int number)
{
    const auto held = held_.find(number);
    if (held == held_.end())
        return;
    for (const auto &[tag, reply] : held->second) {
        send(reply, generation_);
        log(tag + "OUT " + toHex(reply));
    }
    held_.erase(held);
}

void SimServer::send(const Bytes &reply, int generation)
{
    if (generation != generation_)
        return;
    pacer_.queue(reply, clock_.nsecsElapsed() / 1000);
    flushDue();
}

void SimServer::flushDue()
{
    writeToLine(pacer_.takeDue(clock_.nsecsElapsed() / 1000));
    if (pacer_.pending()) {
        const int64_t waitUs = pacer_.nextDueUs() - clock_.nsecsElapsed() / 1000;
        pacingTimer_.start(static_cast<int>(std::max<int64_t>(0, (waitUs + 999) / 1000)));
    }
}

void SimServer::writeToLine(const Bytes &bytes)
{
    if (bytes.empty())
        return;
    if (options_.tcp) {
        if (client_)
            client_->write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size()));
        return;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // nobody reads the line and its buffer is full: the rest is lost, as on a wire
    }
}

void SimServer::saveMemory()
{
    if (options_.memoryFile.empty())
        return;
    if (!writeMemoryFile(QString::fromStdString(options_.memoryFile), controller_.memory().all()))
        std::fprintf(stderr, "orvane-sim: cannot save %s\n", options_.memoryFile.c_str());
}

void SimServer::log(const std::string &line) const
{
    if (!options_.log)
        return;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

} // namespace orvane::sim
