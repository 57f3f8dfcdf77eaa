// Files written whole or not at all: failures, drops and signals leave the
// earlier file byte for byte and no temporary file; odd targets are refused.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <fstream>

#include "platform/atomic_file.h"
#include "support/scratch_file.h"

namespace {

// A folder of its own per process, so parallel runs never meet.
struct Folder {
    std::string path; // the folder, under the working directory
    Folder()
    {
        char name[] = "./atomic_test_XXXXXX";
        path = mkdtemp(name);
    }
    ~Folder() { EXPECT_EQ(std::system(("rm -rf " + path).c_str()), 0); }
    std::string at(const std::string& name) const { return path + "/" + name; }
    // Names in the folder other than those given.
    int strays(std::initializer_list<std::string> known) const
    {
        int n = 0;
        DIR* d = opendir(path.c_str());
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != ".." && std::find(known.begin(), known.end(), name) == known.end()) ++n;
        }
        closedir(d);
        return n;
    }
};

void put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The disk fills after 5 bytes.
ssize_t fullDisk(int fd, const void* bytes, size_t size, off_t offset)
{
    if (offset >= 5) {
        errno = ENOSPC;
        return -1;
    }
    return pwrite(fd, bytes, std::min<size_t>(size, 5 - offset), offset);
}

TEST(AtomicFile, FailureOrDropKeepsTheEarlierFileAndCommitReplacesItThroughLinks)
{
    Folder dir;
    const std::string target = dir.at("out.glb"), old = std::string("old\0bytes", 9);
    put(target, old);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    std::string error;
    {
        setAtomicWriteHook(fullDisk);
        AtomicFile f;
        ASSERT_TRUE(f.open(target, error)) << error;
        EXPECT_FALSE(f.write("new bytes, longer", 17, error));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        setAtomicWriteHook(nullptr);
    }
    EXPECT_EQ(readWholeFile(target), old);
    {
        AtomicFile f;
        ASSERT_TRUE(f.open(target, error)) << error;
        ASSERT_TRUE(f.write("dropped", 7, error));
    }
    EXPECT_EQ(readWholeFile(target), old);
    EXPECT_EQ(dir.strays({"out.glb"}), 0);

    // Through a link: the link stays, its target gets the bytes and keeps its mode.
    ASSERT_EQ(symlink("out.glb", dir.at("link.glb").c_str()), 0);
    AtomicFile f;
    ASSERT_TRUE(f.open(dir.at("link.glb"), error)) << error;
    EXPECT_EQ(f.tempPath().find(dir.path + "/."), 0u) << "the temporary file lives beside the target";
    ASSERT_TRUE(f.write("XXXX", 4, error) && f.write("tail", 4, error) && f.writeAt(1, "ea", 2, error)) << error;
    ASSERT_TRUE(f.commit(error)) << error;
    EXPECT_EQ(readWholeFile(target), "XeaXtail");
    struct stat st {};
    ASSERT_EQ(lstat(dir.at("link.glb").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.strays({"out.glb", "link.glb"}), 0);
}

// ffmpeg picks the container by the extension, so the temporary file keeps it;
// names without one, or with only a leading dot, are written as well.
TEST(AtomicFile, TemporaryNameKeepsTheExtension)
{
    Folder dir;
    for (const std::string name : {"clip.tar.mp4", "README", ".hidden"}) {
        std::string error;
        AtomicFile f;
        ASSERT_TRUE(f.open(dir.at(name), error)) << error;
        const std::string temp = f.tempPath(), ext = name == "clip.tar.mp4" ? ".mp4" : "";
        EXPECT_EQ(temp.substr(temp.size() - ext.size()), ext) << temp;
        EXPECT_EQ(temp.find(".partial-"), temp.size() - ext.size() - 15) << temp;
        ASSERT_TRUE(f.write("x", 1, error) && f.commit(error)) << error;
        EXPECT_EQ(readWholeFile(dir.at(name)), "x");
    }
    EXPECT_EQ(dir.strays({"clip.tar.mp4", "README", ".hidden"}), 0);
}

TEST(AtomicFile, SignalDuringAWriteRemovesTheTemporaryFile)
{
    Folder dir;
    const std::string target = dir.at("clip.glb");
    put(target, "earlier");
    for (int sig : {SIGINT, SIGTERM}) {
        const pid_t child = fork();
        if (child == 0) {
            AtomicFile f;
            std::string error;
            if (!f.open(target, error) || !f.write("half of it", 10, error)) _exit(3);
            raise(sig);
            _exit(4); // not reached: the signal ends the process
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_EQ(readWholeFile(target), "earlier");
        EXPECT_EQ(dir.strays({"clip.glb"}), 0);
    }
}

TEST(AtomicFile, TargetsThatAreNotRegularFilesOrAreInputsAreRefused)
{
    Folder dir;
    ASSERT_EQ(mkfifo(dir.at("pipe").c_str(), 0600), 0);
    put(dir.at("input.txt"), "data");
    ASSERT_EQ(link(dir.at("input.txt").c_str(), dir.at("same.glb").c_str()), 0);
    ASSERT_EQ(symlink("input.txt", dir.at("alias.glb").c_str()), 0);
    for (const std::string& path : {dir.path, std::string("/dev/null"), dir.at("pipe"), dir.at("same.glb"),
                                    dir.at("alias.glb")}) {
        const OutputTarget t = checkOutputTarget(path, {dir.at("input.txt")});
        EXPECT_FALSE(t.ok) << path;
        EXPECT_TRUE(t.refused) << path;
        EXPECT_EQ(t.error.find("cannot write " + path + ": "), 0u) << t.error;
    }
    EXPECT_NE(checkOutputTarget(dir.path).error.find("it is a folder"), std::string::npos);
    const OutputTarget missing = checkOutputTarget(dir.at("no-such/x.glb"));
    EXPECT_FALSE(missing.ok || missing.refused);
    EXPECT_NE(missing.error.find("No such file or directory"), std::string::npos) << missing.error;
    EXPECT_TRUE(checkOutputTarget(dir.at("fresh.glb"), {dir.at("input.txt")}).ok);
    const OutputTarget throughLink = checkOutputTarget(dir.at("alias.glb"));
    EXPECT_TRUE(throughLink.ok);
    EXPECT_EQ(throughLink.path, dir.at("input.txt"));
    if (geteuid() != 0) { // root writes anywhere
        ASSERT_EQ(mkdir(dir.at("locked").c_str(), 0500), 0);
        EXPECT_NE(checkOutputTarget(dir.at("locked/x.glb")).error.find("Permission denied"), std::string::npos);
    }
    // Opening refuses them too, whoever skipped the check: a link to /dev/null stays one.
    ASSERT_EQ(symlink("/dev/null", dir.at("null.bmp").c_str()), 0);
    for (const std::string& path : {dir.at("null.bmp"), dir.at("pipe"), dir.path}) {
        AtomicFile file;
        std::string error;
        EXPECT_FALSE(file.open(path, error)) << path;
        EXPECT_NE(error.find("it is"), std::string::npos) << error;
    }
    struct stat st {};
    EXPECT_TRUE(stat("/dev/null", &st) == 0 && S_ISCHR(st.st_mode));
    EXPECT_TRUE(stat(dir.at("pipe").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    uint64_t bytes = 0;
    EXPECT_TRUE(freeSpaceFor(dir.at("fresh.glb"), bytes));
    EXPECT_GT(bytes, 0u);
}

} // namespace
