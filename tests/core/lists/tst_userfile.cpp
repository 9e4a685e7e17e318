// Writing a user's file: what is replaced (a regular file, through its links), what is refused
// (anything else, before a byte is written), the mode a file keeps or gets, and the temporary
// files of a killed writer that the next write removes.

#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/lists/UserFile.h"
#include "support/Table.h"
#include "support/TempData.h"

using namespace tanzel;

namespace {

constexpr const char* kNew = "new text\n";

bool WriteNew(const std::string& path, std::string& error, bool* called = nullptr) {
  return WriteUserFile(
      path,
      [&](std::FILE* f) {
        if (called) *called = true;
        return std::fputs(kNew, f) >= 0;
      },
      error);
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

class TestUserFile : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void replacesRegularFile();
  void writesThroughLink();
  void refusesWhatIsNotAFile_data();
  void refusesWhatIsNotAFile();
  void newFileGetsUmask();
  void removesLeftovers();
};

// A 0640 list comes back 0640 with the new content, and nothing else is left in its folder.
void TestUserFile::replacesRegularFile() {
  TempData dir;
  QVERIFY(dir.write("list.csv", "old\n"));
  QVERIFY(::chmod(dir.path("list.csv").c_str(), 0640) == 0);
  std::string error;
  QVERIFY2(WriteNew(dir.path("list.csv"), error), error.c_str());
  QCOMPARE(FileBytes(dir.path("list.csv")), std::string(kNew));
  QCOMPARE(ModeOf(dir.path("list.csv")), mode_t(0640));
  QCOMPARE(FolderEntries(dir.folder()), std::vector<std::string>{"list.csv"});
}

// out.csv -> reports/list.csv: the target gets the new content and keeps its mode; the link
// stays a link; the temporary file was made in the target's folder.
void TestUserFile::writesThroughLink() {
  TempData dir;
  QVERIFY(::mkdir(dir.path("reports").c_str(), 0700) == 0);
  QVERIFY(dir.write("reports/list.csv", "old\n"));
  QVERIFY(::chmod(dir.path("reports/list.csv").c_str(), 0600) == 0);
  QVERIFY(::symlink("reports/list.csv", dir.path("out.csv").c_str()) == 0);
  QVERIFY(::symlink("missing.csv", dir.path("reports/dangling.csv").c_str()) == 0);
  std::string error;
  QVERIFY2(WriteNew(dir.path("out.csv"), error), error.c_str());
  struct stat st {};
  QVERIFY(::lstat(dir.path("out.csv").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  QCOMPARE(FileBytes(dir.path("reports/list.csv")), std::string(kNew));
  QCOMPARE(ModeOf(dir.path("reports/list.csv")), mode_t(0600));
  // A link to nothing yet: its target is made.
  QVERIFY2(WriteNew(dir.path("reports/dangling.csv"), error), error.c_str());
  QCOMPARE(FileBytes(dir.path("reports/missing.csv")), std::string(kNew));
  QCOMPARE(FolderEntries(dir.path("reports")), (std::vector<std::string>{"dangling.csv", "list.csv", "missing.csv"}));
  // 40 links one after another are followed, as the system follows them; one more, or a
  // loop, is refused before anything is written.
  for (int i = 1; i <= 41; ++i) {
    const std::string to = i == 41 ? "reports/list.csv" : "chain" + std::to_string(i + 1);
    QVERIFY(::symlink(to.c_str(), dir.path("chain" + std::to_string(i)).c_str()) == 0);
  }
  QVERIFY(dir.write("reports/list.csv", "old\n"));
  QVERIFY2(WriteNew(dir.path("chain2"), error), error.c_str());
  QCOMPARE(FileBytes(dir.path("reports/list.csv")), std::string(kNew));
  QVERIFY(dir.write("reports/list.csv", "old\n"));
  error.clear();
  bool called = false;
  QVERIFY(!WriteNew(dir.path("chain1"), error, &called));
  QVERIFY(!called);
  QCOMPARE(error, dir.path("chain1") + ": too many symbolic links");
  QVERIFY(::symlink("loop-b", dir.path("loop-a").c_str()) == 0);
  QVERIFY(::symlink("loop-a", dir.path("loop-b").c_str()) == 0);
  error.clear();
  QVERIFY(!WriteNew(dir.path("loop-a"), error, &called));
  QVERIFY(!called);
  QCOMPARE(error, dir.path("loop-a") + ": too many symbolic links");
  QCOMPARE(FileBytes(dir.path("reports/list.csv")), std::string("old\n"));
  QCOMPARE(FolderEntries(dir.path("reports")), (std::vector<std::string>{"dangling.csv", "list.csv", "missing.csv"}));
}

void TestUserFile::refusesWhatIsNotAFile_data() {
  Columns<int, QString>("kind", "message");
  Row("FIFO", static_cast<int>(NotAFile::Fifo), "a FIFO; only a regular file is replaced");
  Row("folder", static_cast<int>(NotAFile::Folder), "a folder; only a regular file is replaced");
  Row("link to a FIFO", static_cast<int>(NotAFile::LinkToFifo), "a FIFO; only a regular file is replaced");
}

// A FIFO (its reader would get nothing), a folder, a FIFO behind a link (as /dev/null would
// be): refused before anything is written, left as they were, no temporary file left.
void TestUserFile::refusesWhatIsNotAFile() {
  QFETCH(int, kind);
  QFETCH(QString, message);
  TempData dir;
  QVERIFY(dir.writeNotAFile("out.csv", static_cast<NotAFile>(kind)));
  struct stat before {};
  QVERIFY(::lstat(dir.path("out.csv").c_str(), &before) == 0);
  std::string error;
  bool called = false;
  QVERIFY(!WriteNew(dir.path("out.csv"), error, &called));
  QVERIFY(!called);
  QVERIFY2(QString::fromStdString(error).contains(message), error.c_str());
  struct stat after {};
  QVERIFY(::lstat(dir.path("out.csv").c_str(), &after) == 0);
  QCOMPARE(after.st_mode, before.st_mode);
  QCOMPARE(after.st_ino, before.st_ino);
  std::vector<std::string> entries = FolderEntries(dir.folder());
  entries.erase(std::remove(entries.begin(), entries.end(), "out.csv.fifo"), entries.end());
  QCOMPARE(entries, std::vector<std::string>{"out.csv"});
}

void TestUserFile::newFileGetsUmask() {
  TempData dir;
  std::string error;
  const mode_t old = ::umask(027);
  const bool written = WriteNew(dir.path("new.csv"), error);
  ::umask(old);
  QVERIFY2(written, error.c_str());
  QCOMPARE(ModeOf(dir.path("new.csv")), mode_t(0640));
}

// What a writer killed mid-way left is removed at the next write in that folder; a file of
// the user's that only looks alike, and the file of a writer still at work (locked), stay.
void TestUserFile::removesLeftovers() {
  TempData dir;
  const std::vector<std::string> left = {"a.csv.tanzel-tmp-Ab3xYz", "list.csv.tmp-q1W2e3"};
  // The old name is ours only beside its own target: menu.csv's is another list's.
  const std::vector<std::string> kept = {"a.csv.tanzel-tmp-short", "b.tmp-q1W2e3", "notes.tanzel-tmp-AAAAAAA",
                                         "menu.csv.tmp-q1W2e3"};
  for (const std::string& name : left) QVERIFY(dir.write(name, "a whole copy of a list"));
  for (const std::string& name : kept) QVERIFY(dir.write(name, "the user's"));
  QVERIFY(dir.write("busy.csv.tanzel-tmp-Busy01", "being written"));
  // Only a regular file is removed: not a FIFO that bears such a name.
  QVERIFY(::mkfifo(dir.path("pipe.csv.tanzel-tmp-Pipe01").c_str(), 0600) == 0);
  const int busy = ::open(dir.path("busy.csv.tanzel-tmp-Busy01").c_str(), O_RDONLY | O_CLOEXEC);
  QVERIFY(busy >= 0 && ::flock(busy, LOCK_EX) == 0);
  std::string error;
  QVERIFY2(WriteNew(dir.path("list.csv"), error), error.c_str());
  ::close(busy);
  std::vector<std::string> expected = kept;
  expected.push_back("busy.csv.tanzel-tmp-Busy01");
  expected.push_back("list.csv");
  expected.push_back("pipe.csv.tanzel-tmp-Pipe01");
  std::sort(expected.begin(), expected.end());
  QCOMPARE(FolderEntries(dir.folder()), expected);
}

QTEST_GUILESS_MAIN(TestUserFile)
#include "tst_userfile.moc"
