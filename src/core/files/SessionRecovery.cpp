#include "files/SessionRecovery.h"

#include "app/UserFolders.h"
#include "files/ConfigFile.h"
#include "files/IniFile.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kPrefix = "session-";
constexpr const char* kSettingsSuffix = ".cfg";
constexpr const char* kLockSuffix = ".lock";

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Opens `path` (made when missing) and locks it without waiting; -1 when
// another process holds it or it cannot be opened. The lock is taken on the
// file the path names when it is checked: one removed and made anew in
// between would otherwise leave us holding the lock of a file nobody sees.
int LockFile(const std::string& path)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return -1;
        }
        struct stat held
        {
        }, named{};
        if (fstat(fd, &held) == 0 && stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
            held.st_dev == named.st_dev)
            return fd;
        close(fd);
    }
    return -1;
}

} // namespace

std::string CSessionRecovery::DefaultFolder()
{
    return XdgFolder("XDG_STATE_HOME", ".local/state") + "/v6uvuv";
}

CSessionRecovery::CSessionRecovery(std::string folder) : m_folder(std::move(folder))
{
    const std::string stem = m_folder + "/" + kPrefix + std::to_string(getpid());
    m_settingsPath = stem + kSettingsSuffix;
    m_lockPath = stem + kLockSuffix;
}

CSessionRecovery::~CSessionRecovery()
{
    ReleaseClaim();
    if (m_lockFd < 0)
        return;
    unlink(m_settingsPath.c_str());
    // The lock file goes while it is still held, so nobody takes it for an
    // abandoned one in between.
    unlink(m_lockPath.c_str());
    close(m_lockFd);
}

int CSessionRecovery::Begin()
{
    if (m_lockFd >= 0)
        return 0;
    // Unsaved work is the user's alone.
    if (int err = MakeFolders(m_folder, 0700))
        return err;
    m_lockFd = LockFile(m_lockPath);
    return m_lockFd >= 0 ? 0 : (errno ? errno : EAGAIN);
}

int CSessionRecovery::Keep(const CRegisterImage& image)
{
    if (m_lockFd < 0)
        return 0;
    CIniFile ini;
    CConfigFile::Store(image, ini);
    return WriteFileAtomically(m_settingsPath, ini.Text());
}

void CSessionRecovery::Forget()
{
    if (m_lockFd >= 0)
        unlink(m_settingsPath.c_str());
}

void CSessionRecovery::ReleaseClaim()
{
    if (m_claimFd >= 0) {
        close(m_claimFd);
        m_claimFd = -1;
    }
}

std::optional<CSessionRecovery::SAbandoned> CSessionRecovery::ClaimAbandoned()
{
    ReleaseClaim();
    DIR* dir = opendir(m_folder.c_str());
    if (!dir)
        return std::nullopt;
    std::optional<SAbandoned> newest;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(kPrefix, 0) != 0)
            continue;
        if (EndsWith(name, kLockSuffix)) {
            // The lock of a program that ended with nothing unsaved: it
            // keeps nothing and goes.
            const std::string lock = m_folder + "/" + name;
            const std::string settings =
                lock.substr(0, lock.size() - std::char_traits<char>::length(kLockSuffix)) + kSettingsSuffix;
            struct stat st = {};
            if (lock != m_lockPath && stat(settings.c_str(), &st) != 0 && errno == ENOENT) {
                if (const int fd = LockFile(lock); fd >= 0) {
                    if (stat(settings.c_str(), &st) != 0 && errno == ENOENT)
                        unlink(lock.c_str());
                    close(fd);
                }
            }
            continue;
        }
        if (!EndsWith(name, kSettingsSuffix))
            continue;
        const std::string settings = m_folder + "/" + name;
        if (settings == m_settingsPath)
            continue;
        struct stat st = {};
        if (stat(settings.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (newest && st.st_mtime <= newest->time)
            continue;
        const std::string lock =
            settings.substr(0, settings.size() - std::char_traits<char>::length(kSettingsSuffix)) + kLockSuffix;
        const int fd = LockFile(lock);
        if (fd < 0)
            continue; // its program still runs
        ReleaseClaim();
        m_claimFd = fd;
        newest = SAbandoned{settings, lock, st.st_mtime};
    }
    closedir(dir);
    return newest;
}

CRegisterImage CSessionRecovery::Restore(const SAbandoned& session)
{
    return CConfigFile::Read(session.settingsPath);
}

void CSessionRecovery::Discard(const SAbandoned& session)
{
    unlink(session.settingsPath.c_str());
    unlink(session.lockPath.c_str());
    ReleaseClaim();
}
