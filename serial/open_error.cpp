#include "serial/open_error.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The groups distributions give their serial devices to: Debian, Ubuntu
// and Fedora use dialout, Arch and Gentoo uucp.
constexpr const char* kSerialGroups[] = {"dialout", "uucp"};

bool IsSerialGroup(const std::string& group) {
    return std::any_of(std::begin(kSerialGroups), std::end(kSerialGroups),
                       [&](const char* g) { return group == g; });
}

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

std::string PermissionDenied(const std::string& device, const DeviceAccess& a) {
    std::string text = device + " cannot be opened: permission denied.";
    if (!a.known) return text;
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", a.mode & 07777);
    text += " It belongs to user " + Quoted(a.owner) + " and group " + Quoted(a.group) + ", mode " + mode + ".";
    const bool groupMay = (a.mode & 060) == 060;
    if (groupMay && IsSerialGroup(a.group) && !a.sessionInGroup) {
        if (a.userInGroup)
            return text + " You are in the \"" + a.group + "\" group, but this session began before you joined "
                          "it: log out and in again.";
        return text + " Serial devices belong to the \"" + a.group + "\" group: join it with\n    sudo usermod -aG " +
               a.group + " $USER\nthen log out and in again.";
    }
    std::vector<std::string> who = {"root"};
    if ((a.mode & 0600) == 0600 && a.owner != "root") who.push_back("its owner " + Quoted(a.owner));
    if (groupMay && a.group != "root") who.push_back("members of group " + Quoted(a.group));
    std::string list = who[0];
    for (size_t i = 1; i < who.size(); ++i) list += (i + 1 == who.size() ? " and " : ", ") + who[i];
    return text + " Only " + list + " may open it: ask an administrator for access.";
}

}  // namespace

DeviceAccess DeviceAccessOf(const std::string& path) {
    DeviceAccess a;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return a;
    a.known = true;
    a.mode = unsigned(st.st_mode);
    const passwd* user = ::getpwuid(st.st_uid);
    a.owner = user != nullptr ? user->pw_name : std::to_string(st.st_uid);
    const group* grp = ::getgrgid(st.st_gid);
    a.group = grp != nullptr ? grp->gr_name : std::to_string(st.st_gid);

    std::vector<gid_t> mine(size_t(std::max(::getgroups(0, nullptr), 0)));
    mine.resize(size_t(std::max(::getgroups(int(mine.size()), mine.data()), 0)));
    a.sessionInGroup = ::getegid() == st.st_gid || std::find(mine.begin(), mine.end(), st.st_gid) != mine.end();
    const passwd* me = ::getpwuid(::getuid());
    if (me != nullptr && grp != nullptr) {
        a.userInGroup = me->pw_gid == st.st_gid;
        for (char** m = grp->gr_mem; m != nullptr && *m != nullptr; ++m)
            if (std::strcmp(*m, me->pw_name) == 0) a.userInGroup = true;
    }
    return a;
}

std::string PortOpenErrorDetail(const std::string& path, int error) {
    const bool denied = error == EACCES || error == EPERM;
    return PortOpenErrorDetail(path, error, denied ? DeviceAccessOf(path) : DeviceAccess{});
}

std::string PortOpenErrorDetail(const std::string& path, int error, const DeviceAccess& access) {
    if (path.empty()) return "No serial device was chosen.";
    const std::string device = "The serial device " + path;
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return device + " does not exist (no such device). Check that the counter is plugged in "
                            "and that this is its port.";
        case EACCES:
        case EPERM: return PermissionDenied(device, access);
        case EBUSY:
            return device + " is busy: held by another program. Close that program and try again.";
        case ENOTTY:
            return device + " is not a serial line.";
        default:
            return device + " cannot be opened: " + std::strerror(error) + ".";
    }
}
