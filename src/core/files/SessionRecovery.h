#pragma once
// Unsaved work survives a crash: while the window program runs, its working
// settings are kept in the user's state folder after every change
// ($XDG_STATE_HOME/v6uvuv, default ~/.local/state/v6uvuv) as an ordinary
// configuration file, session-PID.cfg, beside session-PID.lock, which the
// process holds locked for its whole life. A normal end removes both. A lock
// nobody holds any more belongs to a process that did not end normally: its
// settings are offered back at the next start.
//
// Several programs may run at once; each keeps only its own files and claims
// an abandoned session by taking its lock, so two starts never offer the
// same one.

#include "model/RegisterImage.h"

#include <ctime>
#include <optional>
#include <string>

class CSessionRecovery
{
public:
    static std::string DefaultFolder();

    explicit CSessionRecovery(std::string folder = DefaultFolder());
    // A normal end: this session's files go.
    ~CSessionRecovery();
    CSessionRecovery(const CSessionRecovery&) = delete;
    CSessionRecovery& operator=(const CSessionRecovery&) = delete;

    // Makes the folder and takes this session's lock. Returns 0, or the errno
    // of the failure (recovery is then off; the program works on).
    int Begin();
    bool Active() const { return m_lockFd >= 0; }

    // Keeps `image` as this session's unsaved work (atomically). Returns 0 or
    // the errno of the failure.
    int Keep(const CRegisterImage& image);
    // Nothing unsaved any more.
    void Forget();
    const std::string& SettingsPath() const { return m_settingsPath; }

    // The newest session of a process that ended without cleaning up, its
    // lock taken by this object until Restore or Discard.
    struct SAbandoned
    {
        std::string settingsPath;
        std::string lockPath;
        std::time_t time = 0; // when its settings were last kept
    };
    std::optional<SAbandoned> ClaimAbandoned();
    // The abandoned session's settings; CPrivateException when the file is
    // damaged (it then stays for a look by hand).
    CRegisterImage Restore(const SAbandoned& session);
    // Removes the abandoned session's files and lets its lock go.
    void Discard(const SAbandoned& session);

private:
    void ReleaseClaim();

    std::string m_folder;
    std::string m_settingsPath;
    std::string m_lockPath;
    int m_lockFd = -1;
    int m_claimFd = -1;
};
