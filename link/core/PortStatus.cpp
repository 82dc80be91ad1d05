#include "orvane/link/PortStatus.h"

#include "orvane/link/Transport.h"

#include <QSerialPort>

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace orvane::link {

namespace {

std::string groupName(gid_t gid)
{
    const group* found = ::getgrgid(gid);
    return found ? found->gr_name : std::to_string(gid);
}

std::string userName(uid_t uid)
{
    const passwd* found = ::getpwuid(uid);
    return found ? found->pw_name : std::to_string(uid);
}

bool inThisSession(gid_t gid)
{
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    return ::getegid() == gid || std::find(groups.begin(), groups.begin() + std::max(got, 0), gid) != groups.end();
}

// The user is a member as the group database says now, which a session started before
// joining does not show.
bool inGroupDatabase(gid_t gid)
{
    const passwd* user = ::getpwuid(::getuid());
    if (!user)
        return false;
    int count = 32;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    while (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0)
        groups.resize(static_cast<size_t>(count));
    return std::find(groups.begin(), groups.begin() + count, gid) != groups.begin() + count;
}

// A process that has `device` open ("minicom, process 4242"), among those this user may
// look into; empty when none is seen.
std::string holderOf(const std::string& device)
{
    char real[PATH_MAX];
    if (!::realpath(device.c_str(), real))
        return {};
    const std::unique_ptr<DIR, int (*)(DIR*)> processes(::opendir("/proc"), ::closedir);
    if (!processes)
        return {};
    // This program too: a port it holds for a running command is busy to a second open.
    while (const dirent* process = ::readdir(processes.get())) {
        const std::string pid = process->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const std::string fdFolder = "/proc/" + pid + "/fd";
        const std::unique_ptr<DIR, int (*)(DIR*)> fds(::opendir(fdFolder.c_str()), ::closedir);
        if (!fds)
            continue;
        while (const dirent* fd = ::readdir(fds.get())) {
            char target[PATH_MAX];
            const ssize_t length = ::readlink((fdFolder + "/" + fd->d_name).c_str(), target, sizeof target - 1);
            if (length <= 0 || std::string(target, size_t(length)) != real)
                continue;
            std::string name;
            std::getline(std::ifstream("/proc/" + pid + "/comm"), name);
            return (name.empty() ? std::string("a program") : name) + ", process " + pid;
        }
    }
    return {};
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& names)
{
    std::string text;
    for (size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

} // namespace

PortStatus serialPortStatus(const std::string& device)
{
    SerialTransport probe(QString::fromStdString(device), 38400, QStringLiteral("O"));
    if (probe.open()) {
        probe.close();
        return {};
    }
    return whyNotOpened(device, probe.openError(), probe.errorText().toStdString());
}

PortStatus whyNotOpened(const std::string& device, int serialPortError, const std::string& errorText)
{
    // As the serial port names it: a bare name is a device in /dev.
    const std::string path = device.starts_with('/') ? device : "/dev/" + device;
    PortStatus status;
    struct stat st {};
    const bool found = ::stat(path.c_str(), &st) == 0;
    const int statError = errno;
    if (!found || serialPortError == QSerialPort::DeviceNotFoundError) {
        const bool missing = found || statError == ENOENT || statError == ENOTDIR;
        status.state = missing ? PortState::Missing : PortState::Unusable;
        status.error = missing ? std::string() : std::strerror(statError);
        return status;
    }
    if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
        status.state = PortState::NotPermitted;
        status.owner = userName(st.st_uid);
        // Joining the group helps only where the group may read and write it.
        if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
            status.group = groupName(st.st_gid);
            status.groupJoinedSinceLogin = inGroupDatabase(st.st_gid) && !inThisSession(st.st_gid);
        }
        return status;
    }
    // Open for exclusive use by another program, or locked by one.
    if (serialPortError == QSerialPort::PermissionError) {
        status.state = PortState::Busy;
        status.holder = holderOf(path);
        return status;
    }
    status.state = PortState::Unusable;
    status.error = errorText;
    return status;
}

std::string portProblemText(const PortStatus& status, const std::vector<std::string>& ports)
{
    switch (status.state) {
    case PortState::Available:
        return {};
    case PortState::Missing:
        return "there is no such device. " +
               (ports.empty() ? std::string("This computer shows no serial port.")
                              : "The serial ports here are " + listed(ports) + ".");
    case PortState::NotPermitted:
        if (status.group.empty())
            return "permission denied: only its owner, " + status.owner + ", may open it.";
        if (status.groupJoinedSinceLogin)
            return "permission denied. It belongs to the group " + status.group +
                   ", which this user joined after logging in: log out and in again.";
        return "permission denied. It belongs to the group " + status.group + ": add the user to that group (sudo "
               "usermod -aG " + status.group + " " + userName(::getuid()) + ") and log in again.";
    case PortState::Busy:
        return "another program holds it" + (status.holder.empty() ? std::string() : " (" + status.holder + ")") +
               ". Close that program, or change the setting to another port.";
    case PortState::Unusable:
        break;
    }
    return status.error + ". Change the setting to another port.";
}

} // namespace orvane::link
