// Saves onto whatever stands at the target path: links, devices, FIFOs,
// protected files and folders, in the library and through the command line.
#include "FileTestSupport.h"
#include "TestSupport.h"
#include "app/AppSettings.h"
#include "comm/ComSettings.h"
#include "files/IniFile.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using filetest::ReadText;
using filetest::TempDir;
using filetest::WriteText;

namespace {

constexpr uid_t kNobody = 65534;

struct stat Stat(const std::string& path)
{
    struct stat st = {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs `action` in a child process as user and group 65534 and returns what
// it returns (an errno), or -1 when the child could not become that user.
int AsNobody(const std::function<int()>& action)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
            setresuid(kNobody, kNobody, kNobody) != 0)
            _exit(255);
        _exit(action());
    }
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) && WEXITSTATUS(st) != 255 ? WEXITSTATUS(st) : -1;
}

// The command line's exit status and standard error; `asNobody` runs it as
// user 65534.
std::pair<int, std::string> Cli(const std::string& args, bool asNobody = false)
{
    const std::string cmd = std::string(asNobody ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "") +
                            Q6K_CLI_PATH + " " + args + " 2>&1 >/dev/null </dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string err;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        err.append(buf.data(), n);
    const int st = pclose(p);
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, err};
}

// A folder user 65534 can reach (the temporary folder is root's own).
class FileSave : public ::testing::Test
{
protected:
    void SetUp() override { chmod(dir.Path("").c_str(), 0755); }
    // A folder owned by `owner`, mode 0755.
    std::string Folder(const std::string& name, uid_t owner)
    {
        const std::string path = dir.Path(name);
        EXPECT_EQ(mkdir(path.c_str(), 0755), 0);
        EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
        return path;
    }
    // A file with `text`, owned by `owner`, with `mode`.
    static void File(const std::string& path, const std::string& text, uid_t owner, mode_t mode)
    {
        WriteText(path, text);
        EXPECT_EQ(chown(path.c_str(), owner, owner), 0);
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
    }
    static bool Root() { return geteuid() == 0; }

    TempDir dir;
};

} // namespace

TEST_F(FileSave, SymbolicLinksAreFollowedToTheirTargets)
{
    const std::string releases = dir.Path("releases");
    mkdir(releases.c_str(), 0755);
    File(releases + "/v2.cfg", "old\n", getuid(), 0640);
    ASSERT_EQ(symlink("releases/v2.cfg", dir.Path("current.cfg").c_str()), 0);
    ASSERT_EQ(symlink("current.cfg", dir.Path("chain.cfg").c_str()), 0);

    ASSERT_EQ(WriteFileAtomically(dir.Path("chain.cfg"), "new\n"), 0);
    EXPECT_TRUE(S_ISLNK(Stat(dir.Path("chain.cfg")).st_mode));
    EXPECT_TRUE(S_ISLNK(Stat(dir.Path("current.cfg")).st_mode));
    EXPECT_EQ(ReadText(releases + "/v2.cfg"), "new\n");
    EXPECT_EQ(Stat(releases + "/v2.cfg").st_mode & 07777, 0640u);
    EXPECT_EQ(dir.FileCount(), 3u); // no temporary file beside the links

    // A dangling link creates its target; a loop is refused.
    ASSERT_EQ(symlink("releases/v3.cfg", dir.Path("next.cfg").c_str()), 0);
    ASSERT_EQ(WriteFileAtomically(dir.Path("next.cfg"), "three\n"), 0);
    EXPECT_TRUE(S_ISLNK(Stat(dir.Path("next.cfg")).st_mode));
    EXPECT_EQ(ReadText(releases + "/v3.cfg"), "three\n");
    ASSERT_EQ(symlink("loop.cfg", dir.Path("loop.cfg").c_str()), 0);
    EXPECT_EQ(WriteFileAtomically(dir.Path("loop.cfg"), "x"), ELOOP);
    EXPECT_TRUE(S_ISLNK(Stat(dir.Path("loop.cfg")).st_mode));
}

TEST_F(FileSave, TheSettingsFileMayBeALinkIntoTheUsersDotfiles)
{
    testsupport::TempConfigHome home;
    const std::string dotfiles = home.Dir() + "/dotfiles";
    mkdir(dotfiles.c_str(), 0700);
    mkdir((home.Dir() + "/TRELVANE").c_str(), 0700);
    WriteText(dotfiles + "/V6UVUV.conf", "; kept\n");
    ASSERT_EQ(symlink("../dotfiles/V6UVUV.conf", CSettingsStore::FilePath().c_str()), 0);
    ComSettings s{ComSettings::NoLoad{}};
    s.Address = 42;
    s.Save();
    EXPECT_TRUE(S_ISLNK(Stat(CSettingsStore::FilePath()).st_mode));
    EXPECT_EQ(ReadText(dotfiles + "/V6UVUV.conf").rfind("; kept\n", 0), 0u);
    EXPECT_EQ(ComSettings().Address, 42);
}

TEST_F(FileSave, DevicesFifosAndOpenFilesAreWrittenAsTheyStand)
{
    // A FIFO without a reader is refused at once; with one, the reader gets
    // the data (it fits the pipe's buffer, so one thread suffices).
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(WriteFileAtomically(fifo, "nobody reads\n"), ENXIO);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string text = "[Q6K]\nModel=2001\n";
    ASSERT_EQ(WriteFileAtomically(fifo, text), 0);
    char buf[256];
    EXPECT_EQ(read(reader, buf, sizeof buf), static_cast<ssize_t>(text.size()));
    EXPECT_EQ(std::string(buf, text.size()), text);
    close(reader);
    EXPECT_TRUE(S_ISFIFO(Stat(fifo).st_mode));

    // /dev/stdout and its like name an open file, not a path to rename over.
    const std::string log = dir.Path("log");
    File(log, "a much longer old text\n", getuid(), 0644);
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND);
    const ino_t inode = Stat(log).st_ino;
    ASSERT_EQ(WriteFileAtomically("/dev/fd/" + std::to_string(fd), "short\n"), 0);
    close(fd);
    EXPECT_EQ(ReadText(log), "short\n");
    EXPECT_EQ(Stat(log).st_ino, inode);
    EXPECT_EQ(dir.FileCount(), 2u);

    // A copy of /dev/null.
    const std::string null = dir.Path("null");
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod: " << std::strerror(errno);
    chmod(null.c_str(), 0666);
    ASSERT_EQ(WriteFileAtomically(null, "data\n"), 0);
    EXPECT_TRUE(S_ISCHR(Stat(null).st_mode));
    EXPECT_EQ(Stat(null).st_rdev, makedev(1, 3));
    EXPECT_EQ(Stat(null).st_mode & 07777, 0666u);
    EXPECT_EQ(dir.FileCount(), 3u);
}

TEST_F(FileSave, AReplacedFileKeepsItsModeOwnerGroupAndLinks)
{
    if (!Root())
        GTEST_SKIP() << "needs root to give files to another user";
    const std::string path = dir.Path("meter.cfg");
    File(path, "old\n", kNobody, 0751);
    const ino_t inode = Stat(path).st_ino;
    ASSERT_EQ(WriteFileAtomically(path, "new\n"), 0);
    const struct stat st = Stat(path);
    EXPECT_NE(st.st_ino, inode); // replaced, not written over
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(ReadText(path), "new\n");

    // A rename would part a hard link from the file.
    ASSERT_EQ(link(path.c_str(), dir.Path("other-name.cfg").c_str()), 0);
    ASSERT_EQ(WriteFileAtomically(path, "both\n"), 0);
    EXPECT_EQ(ReadText(dir.Path("other-name.cfg")), "both\n");
    EXPECT_EQ(Stat(path).st_nlink, 2u);
    EXPECT_EQ(dir.FileCount(), 2u);
}

TEST_F(FileSave, AnotherUserWritesAsTheShellWould)
{
    if (!Root())
        GTEST_SKIP() << "needs root to act as another user";
    const std::string own = Folder("own", kNobody), locked = Folder("locked", 0);
    File(own + "/golden.cfg", "golden\n", kNobody, 0444); // write-protected
    File(own + "/roots.cfg", "root's\n", 0, 0644);        // another user's
    File(own + "/shared.cfg", "shared\n", 0, 0666);       // another user's, writable
    File(own + "/mine.cfg", "mine\n", kNobody, 0600);
    File(locked + "/settings.conf", "settings\n", kNobody, 0600); // writable, folder not
    const ino_t mineInode = Stat(own + "/mine.cfg").st_ino, sharedInode = Stat(own + "/shared.cfg").st_ino;

    ASSERT_EQ(AsNobody([&] { return WriteFileAtomically(own + "/golden.cfg", "x\n"); }), EACCES);
    EXPECT_EQ(AsNobody([&] { return WriteFileAtomically(own + "/roots.cfg", "x\n"); }), EACCES);
    EXPECT_EQ(ReadText(own + "/golden.cfg"), "golden\n");
    EXPECT_EQ(Stat(own + "/golden.cfg").st_mode & 07777, 0444u);
    EXPECT_EQ(ReadText(own + "/roots.cfg"), "root's\n");

    // Written over in place: a new file could not keep the owner.
    EXPECT_EQ(AsNobody([&] { return WriteFileAtomically(own + "/shared.cfg", "new\n"); }), 0);
    EXPECT_EQ(ReadText(own + "/shared.cfg"), "new\n");
    EXPECT_EQ(Stat(own + "/shared.cfg").st_ino, sharedInode);
    EXPECT_EQ(Stat(own + "/shared.cfg").st_uid, 0u);

    // The user's own file is replaced whole, with its mode.
    EXPECT_EQ(AsNobody([&] { return WriteFileAtomically(own + "/mine.cfg", "new\n"); }), 0);
    EXPECT_EQ(ReadText(own + "/mine.cfg"), "new\n");
    EXPECT_NE(Stat(own + "/mine.cfg").st_ino, mineInode);
    EXPECT_EQ(Stat(own + "/mine.cfg").st_mode & 07777, 0600u);

    // In a folder the user may not write: written in place, cut to length;
    // a new file cannot be made there.
    EXPECT_EQ(AsNobody([&] { return WriteFileAtomically(locked + "/settings.conf", "s\n"); }), 0);
    EXPECT_EQ(ReadText(locked + "/settings.conf"), "s\n");
    EXPECT_EQ(Stat(locked + "/settings.conf").st_mode & 07777, 0600u);
    EXPECT_EQ(AsNobody([&] { return WriteFileAtomically(locked + "/new.conf", "n\n"); }), EACCES);

    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::recursive_directory_iterator(dir.Path("")))
        ++files;
    EXPECT_EQ(files, 2u + 4u + 1u); // no temporary file left anywhere
}

TEST_F(FileSave, TheCommandLineSavesOntoDevicesFifosAndProtectedFiles)
{
    if (!Root())
        GTEST_SKIP() << "needs root for mknod and another user";
    const std::string cfg = dir.Path("meter.cfg"), null = dir.Path("null"), fifo = dir.Path("fifo");
    ASSERT_EQ(Cli("new 15 " + cfg).first, 0);
    const std::string text = ReadText(cfg);
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
    EXPECT_EQ(Cli("report " + cfg + " --csv " + null), std::make_pair(0, std::string()));
    EXPECT_EQ(Cli("new 15 " + null), std::make_pair(0, std::string()));
    EXPECT_TRUE(S_ISCHR(Stat(null).st_mode));

    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(Cli("new 15 " + fifo), std::make_pair(1, std::string("Save error. No such device or address\n")));
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Cli("new 15 " + fifo).first, 0);
    std::string got(text.size() + 1, '\0');
    EXPECT_EQ(read(reader, got.data(), got.size()), static_cast<ssize_t>(text.size()));
    got.resize(text.size());
    EXPECT_EQ(got, text);
    close(reader);

    const std::string own = Folder("own", kNobody), locked = Folder("locked", 0);
    File(own + "/golden.cfg", "golden\n", kNobody, 0444);
    File(locked + "/meter.cfg", "", kNobody, 0644);
    EXPECT_EQ(Cli("new 15 " + own + "/golden.cfg", true),
              std::make_pair(1, std::string("Save error. Permission denied\n")));
    EXPECT_EQ(ReadText(own + "/golden.cfg"), "golden\n");
    EXPECT_EQ(Cli("report " + cfg + " --csv " + own + "/golden.cfg", true),
              std::make_pair(1, std::string("The CSV file could not be written. Permission denied\n")));
    EXPECT_EQ(Cli("new 15 " + locked + "/meter.cfg", true), std::make_pair(0, std::string()));
    EXPECT_EQ(ReadText(locked + "/meter.cfg"), text);
}
