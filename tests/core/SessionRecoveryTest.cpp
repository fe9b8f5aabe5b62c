// The settings a running program keeps for a restart after a crash: only a
// program that is gone leaves any to claim, a normal end leaves nothing, and
// one abandoned session is offered to one program at a time.
#include "FileTestSupport.h"

#include "app/PrivateException.h"
#include "files/ConfigFile.h"
#include "files/SessionRecovery.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A program's session in a child process: it keeps `image` (when given),
// then either waits until told to end (normally) or is killed.
class SessionChild
{
public:
    SessionChild(const std::string& folder, const std::optional<CRegisterImage>& image)
    {
        int ready[2], go[2];
        if (pipe(ready) != 0 || pipe(go) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            close(ready[0]);
            close(go[1]);
            int status = 1;
            {
                CSessionRecovery session(folder);
                if (session.Begin() == 0 && (!image || session.Keep(*image) == 0))
                    status = 0;
                char c = static_cast<char>(status);
                (void)!write(ready[1], &c, 1);
                (void)!read(go[0], &c, 1); // until the parent says
            }
            _exit(status);
        }
        close(ready[1]);
        close(go[0]);
        m_go = go[1];
        char c = 1;
        (void)!read(ready[0], &c, 1);
        close(ready[0]);
        m_began = c == 0;
    }
    ~SessionChild()
    {
        if (m_pid > 0)
            EndNormally();
    }
    bool Began() const { return m_began; }
    void EndNormally()
    {
        close(m_go);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    void Kill()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        close(m_go);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_go = -1;
    bool m_began = false;
};

CRegisterImage Edited(int model, std::int32_t value)
{
    CRegisterImage image;
    image.ResetForModel(model, true);
    image.SetLong(32, value);
    return image;
}

std::size_t FilesIn(const std::string& folder)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

} // namespace

TEST(SessionRecovery, OnlyAProgramThatIsGoneLeavesSettingsToClaim)
{
    filetest::TempDir dir;
    const std::string folder = dir.Path("state/v6uvuv"); // made when missing
    CSessionRecovery self(folder);
    ASSERT_EQ(self.Begin(), 0);

    {
        SessionChild running(folder, Edited(15, 123));
        ASSERT_TRUE(running.Began());
        EXPECT_FALSE(self.ClaimAbandoned()) << "a running program's work is its own";
        running.EndNormally();
        EXPECT_FALSE(self.ClaimAbandoned());
        EXPECT_EQ(FilesIn(folder), 1u) << "a normal end leaves nothing but our own lock";
    }

    SessionChild crashed(folder, Edited(40, -456));
    ASSERT_TRUE(crashed.Began());
    crashed.Kill();
    const auto session = self.ClaimAbandoned();
    ASSERT_TRUE(session);
    EXPECT_TRUE(self.Restore(*session) == Edited(40, -456));

    // While claimed, another program is not offered the same session.
    SessionChild other(folder, Edited(15, 1));
    ASSERT_TRUE(other.Began());
    {
        CSessionRecovery second(dir.Path("state/v6uvuv"));
        // Same process, so a lock of its own would clash with ours: it only looks.
        EXPECT_FALSE(second.ClaimAbandoned());
    }
    self.Discard(*session);
    EXPECT_FALSE(std::filesystem::exists(session->settingsPath));
    EXPECT_FALSE(std::filesystem::exists(session->lockPath));
    other.EndNormally();

    // Killed with nothing unsaved: its lock is swept away, nothing offered;
    // our own work, once saved, is forgotten.
    SessionChild clean(folder, std::nullopt);
    ASSERT_TRUE(clean.Began());
    clean.Kill();
    ASSERT_EQ(self.Keep(Edited(15, 5)), 0);
    self.Forget();
    EXPECT_FALSE(self.ClaimAbandoned());
    EXPECT_EQ(FilesIn(folder), 1u);
}

TEST(SessionRecovery, ADamagedKeptFileIsReportedAndLeftForALookByHand)
{
    filetest::TempDir dir;
    const std::string folder = dir.Path("state");
    {
        SessionChild crashed(folder, Edited(15, 7));
        ASSERT_TRUE(crashed.Began());
        crashed.Kill();
    }
    CSessionRecovery self(folder);
    ASSERT_EQ(self.Begin(), 0);
    auto session = self.ClaimAbandoned();
    ASSERT_TRUE(session);
    filetest::WriteText(session->settingsPath, "[Q6K]\nModel=2001\nL901=abc\n");
    EXPECT_THROW(self.Restore(*session), CPrivateException);
    EXPECT_TRUE(std::filesystem::exists(session->settingsPath));
}
