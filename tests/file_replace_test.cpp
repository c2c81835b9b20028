// Saving onto what an ordinary open reaches: links, hard links, special
// files, the program's own streams, and the owner, mode and ACL a file
// keeps or a new file gets.
#include "file_replace.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/scratch.h"

// Writes to this descriptor make no progress, as some devices answer;
// every other write goes to the kernel as usual.
int stalledDescriptor = -1;

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  if (fd == stalledDescriptor) return 0;
  return syscall(SYS_write, fd, data, size);
}

namespace {

TEST(FileReplace, WriteThatMakesNoProgressIsAFailure) {
  stalledDescriptor = open("/dev/null", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(stalledDescriptor, 0);
  EXPECT_FALSE(writeAll(stalledDescriptor, "topology"));
  close(stalledDescriptor);
  stalledDescriptor = -1;
}

using Names = std::vector<std::string>;
const std::string kOld = "old\n";
const std::string kNew = "new content, longer than the old\n";

// Saves kNew to `name` with the file size limited to `sizeLimit` bytes.
ReplaceOutcome saveLimited(const std::string& name, rlim_t sizeLimit) {
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = sizeLimit;
  const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  const ReplaceOutcome outcome =
      replaceFileContent(name.c_str(), kNew, nullptr);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previousHandler);
  return outcome;
}

// The name a save of `name` gives net.txt's backup, for the case's own
// checks; the listing shows it as "." + name + ".backup-of-net".
std::string ownBackup(const scratch::ScratchFolder& d,
                      const std::string& name) {
  struct stat net;
  stat(d.file("net.txt").c_str(), &net);
  return "." + name + "." + std::to_string(net.st_dev) + "-" +
         std::to_string(net.st_ino) + ".topoplan-backup";
}

// Each case starts from a folder holding net.txt with kOld, arranges what
// the save will find, and names what to save to.
TEST(FileReplace, ReplacesOnlyWhatAnOrdinaryOpenReaches) {
  const struct {
    const char* tag;
    // The name to save to, after arranging the folder.
    std::string (*arrange)(const scratch::ScratchFolder&);
    rlim_t sizeLimit;
    ReplaceOutcome outcome;
    std::string netContent;  // net.txt afterwards
    Names entries;           // the folder afterwards
  } cases[] = {
      {"a second hard link",
       [](const scratch::ScratchFolder& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         return d.file("net.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kWritten,
       kNew,
       {"net.txt", "other.txt"}},
      {"a hard link past a size limit",
       [](const scratch::ScratchFolder& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         return d.file("net.txt");
       },
       8,
       ReplaceOutcome::kWriteFailed,
       kOld,
       {"net.txt", "other.txt"}},
      {"a symbolic link",
       [](const scratch::ScratchFolder& d) {
         symlink("net.txt", d.file("link.txt").c_str());
         return d.file("link.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kWritten,
       kNew,
       {"link.txt", "net.txt"}},
      {"a link to nothing yet",
       [](const scratch::ScratchFolder& d) {
         unlink(d.file("net.txt").c_str());
         symlink("net.txt", d.file("link.txt").c_str());
         return d.file("link.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kWritten,
       kNew,
       {"link.txt", "net.txt"}},
      {"a leftover backup",
       [](const scratch::ScratchFolder& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         d.write(ownBackup(d, "other.txt"), "older\n");
         return d.file("net.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kBackupInTheWay,
       kOld,
       {".other.txt.backup-of-net", "net.txt", "other.txt"}},
      {"another user's backup",
       [](const scratch::ScratchFolder& d) {
         link(d.file("net.txt").c_str(), d.file("other.txt").c_str());
         const std::string planted = d.write(ownBackup(d, "net.txt"), "x\n");
         chmod(planted.c_str(), 0666);  // writable by others: not the file's
         return d.file("net.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kBackupNameTaken,
       kOld,
       {".net.txt.backup-of-net", "net.txt", "other.txt"}},
      {"a FIFO",
       [](const scratch::ScratchFolder& d) {
         mkfifo(d.file("fifo").c_str(), 0600);  // no reader: opening waits
         return d.file("fifo");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kSpecialFile,
       kOld,
       {"fifo", "net.txt"}},
      {"standard input",
       [](const scratch::ScratchFolder& d) {
         const int file = open(d.file("net.txt").c_str(), O_RDONLY);
         dup2(file, STDIN_FILENO);
         close(file);
         return d.file("net.txt");
       },
       RLIM_INFINITY,
       ReplaceOutcome::kOwnStream,
       kOld,
       {"net.txt"}},
      {"a character device",
       [](const scratch::ScratchFolder&) { return std::string("/dev/null"); },
       RLIM_INFINITY,
       ReplaceOutcome::kWritten,
       kOld,
       {"net.txt"}},
  };
  const int standardInput = dup(STDIN_FILENO);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    scratch::ScratchFolder scratch;
    scratch.write("net.txt", kOld);
    const std::string name = c.arrange(scratch);
    EXPECT_EQ(saveLimited(name, c.sizeLimit), c.outcome);
    dup2(standardInput, STDIN_FILENO);
    EXPECT_EQ(scratch::readFile(scratch.file("net.txt")), c.netContent);
    Names entries = scratch::listFolder(scratch.path());
    const std::string suffix = ownBackup(scratch, "").substr(1);
    for (std::string& entry : entries) {
      const size_t at = entry.rfind(suffix);
      if (at != std::string::npos && at + suffix.size() == entry.size()) {
        entry = entry.substr(0, at) + ".backup-of-net";
      }
    }
    EXPECT_EQ(entries, c.entries);
  }
  close(standardInput);
}

std::string aclText(const std::string& name) {
  acl_t acl = acl_get_file(name.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return "";
  char* text = acl_to_any_text(acl, nullptr, ',', 0);
  const std::string result = text == nullptr ? "" : text;
  acl_free(text);
  acl_free(acl);
  return result;
}

bool setAcl(const std::string& name, acl_type_t type, const char* text) {
  acl_t acl = acl_from_text(text);
  const bool set = acl != nullptr && acl_set_file(name.c_str(), type, acl) == 0;
  acl_free(acl);
  return set;
}

// An existing file keeps owner, group, mode and ACL; a new one comes out
// as an ordinary create in the same folder makes it.
TEST(FileReplace, KeepsOwnerModeAndAclAndCreatesAsTheShellWould) {
  scratch::ScratchFolder scratch;
  const std::string net = scratch.write("net.txt", kOld);
  const std::string folder = scratch.file("shared");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  if (!setAcl(net, ACL_TYPE_ACCESS,
              "u::rw-,u:nobody:rw-,g::r--,m::rw-,o::---") ||
      !setAcl(folder, ACL_TYPE_DEFAULT,
              "u::rw-,u:nobody:r--,g::---,m::r--,o::---")) {
    GTEST_SKIP() << "SKIP: the scratch folder's file system takes no ACLs";
  }
  ASSERT_EQ(chmod(net.c_str(), 02660), 0);  // a group bit the rename must keep
  // Only root can give a file to another user; others keep their own.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(net.c_str(), 65534, 65534), 0);
  }
  struct stat before;
  ASSERT_EQ(stat(net.c_str(), &before), 0);
  const std::string aclBefore = aclText(net);

  EXPECT_EQ(replaceFileContent(net.c_str(), kNew, nullptr),
            ReplaceOutcome::kWritten);
  struct stat after;
  ASSERT_EQ(stat(net.c_str(), &after), 0);
  EXPECT_EQ(scratch::readFile(net), kNew);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  EXPECT_EQ(aclText(net), aclBefore);

  const mode_t savedMask = umask(022);
  const std::string reference = folder + "/reference.txt";
  close(open(reference.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
  const std::string fresh = folder + "/new.txt";
  EXPECT_EQ(replaceFileContent(fresh.c_str(), kNew, nullptr),
            ReplaceOutcome::kWritten);
  umask(savedMask);
  struct stat made;
  struct stat wanted;
  ASSERT_EQ(stat(fresh.c_str(), &made), 0);
  ASSERT_EQ(stat(reference.c_str(), &wanted), 0);
  EXPECT_EQ(made.st_mode, wanted.st_mode);
  EXPECT_EQ(aclText(fresh), aclText(reference));
  EXPECT_EQ(scratch::readFile(fresh), kNew);
}

// Only a save, which opens the file for writing, can hold another up: a
// reader's flock does not, and a writer's lock is waited for.
TEST(FileReplace, OnlyWritersHoldSavesUp) {
  const scratch::ScratchFolder d;
  const std::string net = d.write("net.txt", kOld);
  const int reader = open(net.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  ASSERT_EQ(flock(reader, LOCK_EX | LOCK_NB), 0);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(replaceFileContent(net.c_str(), kNew, nullptr),
            ReplaceOutcome::kWritten);
  EXPECT_LT(std::chrono::steady_clock::now() - started,
            std::chrono::seconds(5));
  close(reader);

  const int writer = open(net.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  struct flock whole {};
  whole.l_type = F_WRLCK;
  ASSERT_EQ(fcntl(writer, F_OFD_SETLK, &whole), 0);
  std::thread release([writer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    close(writer);
  });
  const auto waited = std::chrono::steady_clock::now();
  EXPECT_EQ(replaceFileContent(net.c_str(), kOld, nullptr),
            ReplaceOutcome::kWritten);
  EXPECT_GE(std::chrono::steady_clock::now() - waited,
            std::chrono::milliseconds(250));
  release.join();
  EXPECT_EQ(scratch::readFile(net), kOld);
}

}  // namespace
