// Saving by file name never leaves a broken archive: a save that is killed, runs out of space or
// is refused keeps the old file byte for byte; and whatever the writer accepts reads back whole.
#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxCompositeCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include "support/ArchiveTest.h"
#include "support/ArchiveTestCells.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using moxtest::Codes;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// A composite of `leaves` long cells, all holding `value`.
std::unique_ptr<CmoxCompositeCell> Tree(int leaves, long value) {
    auto root = std::make_unique<CmoxCompositeCell>("Root");
    for (int i = 0; i < leaves; ++i)
        root->AddChild(new CmoxLongCell(("Leaf" + std::to_string(i)).c_str(), value));
    return root;
}

class SafeSave : public moxtest::MoxTest {
  protected:
    void SetUp() override {
        std::string pattern = testing::TempDir() + "mox_safe_XXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        m_dir = pattern;
        m_path = m_dir + "/settings.qvx";
    }
    void TearDown() override {
        for (const std::string& name : Entries(m_dir))
            unlink((m_dir + "/" + name).c_str());
        rmdir(m_dir.c_str());
        MoxTest::TearDown();
    }
    // Saves `cell` to `path`; the archive's Close result.
    static int SaveTo(const std::string& path, CmoxCell& cell) {
        CmoxArchive archive;
        if (archive.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0) != 1) return 0;
        archive.Save(cell);
        return archive.Close();
    }
    std::string m_dir;
    std::string m_path;
};

TEST_F(SafeSave, KilledSaveLeavesTheOldFileOrTheWholeNewOne) {
    constexpr int kKills = 40;
    auto oldTree = Tree(20000, 1);
    auto newTree = Tree(20000, 2);
    ASSERT_EQ(SaveTo(m_path, *newTree), 1);
    const std::string newBytes = Slurp(m_path);
    // The kill moments spread over a little more than one save takes here.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(SaveTo(m_path, *oldTree), 1);
    const long saveMicros =
        std::max<long>(1000, std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
    const std::string oldBytes = Slurp(m_path);
    ASSERT_NE(oldBytes, newBytes);

    std::mt19937 random(17);
    int sawOld = 0, sawNew = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SaveTo(m_path, *newTree);
            _exit(0);
        }
        usleep(static_cast<useconds_t>(random() % (saveMicros * 5 / 4)));
        ::kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = Slurp(m_path);
        ASSERT_TRUE(now == oldBytes || now == newBytes) << "kill " << kill << ": " << now.size();
        if (now == newBytes) {
            ++sawNew;
            Spill(m_path, oldBytes);
        } else {
            ++sawOld;
        }
    }
    std::printf("[ kills    ] %d survived: %d kept the old file, %d left the new one\n", kKills,
                sawOld, sawNew);
}

// A save that cannot complete: the archive says so, and the old file and directory stay as they
// were, whether Close or the destructor ends the save.
TEST_F(SafeSave, FailedOrRefusedSaveKeepsTheOldFileAndReportsIt) {
    enum Failure { kOutOfSpace, kTooLong };
    struct Case {
        Failure failure;
        bool closeExplicitly;
        MoxRestoreError code;
    };
    const Case cases[] = {
        {kOutOfSpace, true, MOX_ARCHIVE_WRITE_FAILED},
        {kOutOfSpace, false, MOX_ARCHIVE_WRITE_FAILED},
        {kTooLong, true, MOX_ARCHIVE_TOKEN_TOO_LONG},
        {kTooLong, false, MOX_ARCHIVE_TOKEN_TOO_LONG},
    };
    auto big = Tree(20000, 3);
    CmoxStringCell tooLong("Text", std::string(CmoxArchive::kMaxQuotedChars + 1, 'x').c_str());
    for (const Case& c : cases) {
        auto old = Tree(3, 1);
        ASSERT_EQ(SaveTo(m_path, *old), 1);
        chmod(m_path.c_str(), 0640);
        const std::string oldBytes = Slurp(m_path);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child reports by exit code what it saw: 0 when every sign of failure showed.
            if (c.failure == kOutOfSpace) {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{64 * 1024, 64 * 1024};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            CmoxCell& cell = c.failure == kOutOfSpace ? static_cast<CmoxCell&>(*big) : tooLong;
            // The archive dies before the child exits: its destructor may be what ends the save.
            const int code = [&] {
                CmoxArchive archive;
                if (archive.Open(m_path.c_str(), MOX_ARCHIVE_WRITE, 0) != 1) return 10;
                if (archive.Save(cell) != 0) return 11;
                if (archive.Good() != 0 || archive.CheckStatus(MOX_ARCHIVE_WRITE) != 0) return 12;
                if (archive.GetRestoreArray() != Codes{static_cast<unsigned char>(c.code)})
                    return 13;
                if (archive.WriteError().empty()) return 14;
                if (c.closeExplicitly && archive.Close() != 0) return 15;
                return 0;
            }();
            _exit(code);
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "case " << &c - cases << ": child status " << status;
        EXPECT_EQ(Slurp(m_path), oldBytes) << "case " << &c - cases;
        struct stat st {};
        stat(m_path.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"settings.qvx"})
            << "case " << &c - cases;
    }
}

TEST_F(SafeSave, SaveThroughALinkReplacesItsTargetAndKeepsThePermissions) {
    const std::string target = m_dir + "/real.qvx";
    const std::string link = m_dir + "/link.qvx";
    auto old = Tree(2, 1);
    ASSERT_EQ(SaveTo(target, *old), 1);
    chmod(target.c_str(), 0604);
    ASSERT_EQ(symlink("real.qvx", link.c_str()), 0);
    auto fresh = Tree(2, 9);
    ASSERT_EQ(SaveTo(link, *fresh), 1);

    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_NE(Slurp(target).find("= { 9  }"), std::string::npos);
    EXPECT_EQ(Entries(m_dir).size(), 2u); // no temporary file left behind
}

// A device is written in place, so a full one fails the save; under a plain file no file can be
// made, even by root. Each reports the write failure with the system's reason.
TEST_F(SafeSave, UnwritableTargetsReportTheFailure) {
    Spill(m_dir + "/plain", "x");
    const std::pair<std::string, int> cases[] = {{"/dev/full", 1}, {m_dir + "/plain/x.qvx", 0}};
    auto tree = Tree(2, 1);
    for (const auto& [path, opens] : cases) {
        CmoxArchive archive;
        EXPECT_EQ(archive.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0), opens) << path;
        EXPECT_EQ(archive.CurrentStream() != nullptr, opens == 1) << path;
        if (opens == 1) {
            EXPECT_EQ(archive.Save(*tree), 0);
        }
        EXPECT_EQ(archive.Good(), 0) << path;
        EXPECT_EQ(archive.GetRestoreArray(), Codes{MOX_ARCHIVE_WRITE_FAILED}) << path;
        EXPECT_NE(archive.WriteError().find(path.substr(0, 9)), std::string::npos)
            << archive.WriteError();
        EXPECT_EQ(archive.Close(), 1 - opens) << path; // a refused open left nothing to fail
    }
    if (geteuid() == 0)
        GTEST_SKIP() << "running as root: a directory without write permission cannot be tried";
    const std::string locked = m_dir + "/locked";
    ASSERT_EQ(mkdir(locked.c_str(), 0500), 0);
    CmoxArchive archive;
    EXPECT_EQ(archive.Open((locked + "/x.qvx").c_str(), MOX_ARCHIVE_WRITE, 0), 0);
    EXPECT_NE(archive.WriteError().find("Permission denied"), std::string::npos);
    rmdir(locked.c_str());
}

// The length that the reader counts for a byte of a quoted token's text: an escape counts twice.
std::size_t EscapedLength(char c) {
    return std::string("\\\"{}/\n\r\t\b").find(c) != std::string::npos ? 2 : 1;
}

// `pattern` repeated until its escaped length is `length` (a plain "a" makes up an odd rest).
std::string OfEscapedLength(const std::string& pattern, std::size_t length) {
    std::string text;
    for (std::size_t i = 0, escaped = 0; escaped < length; ++i) {
        char next = pattern[i % pattern.size()];
        if (escaped + EscapedLength(next) > length) next = 'a';
        text += next;
        escaped += EscapedLength(next);
    }
    return text;
}

class LongTokens : public moxtest::ArchiveTest {};

class UserNamedString : public CmoxStringCell {
  public:
    using CmoxCell::UserName;
    using CmoxStringCell::CmoxStringCell;
    void UserName(const char* userName) override { m_userName = userName; }
    const char* UserName() override { return m_userName.c_str(); }
    int HasUserName() override { return 1; }

  private:
    std::string m_userName;
};

// Names, user names and values at and around the limit, plain, escaped and with control bytes:
// each either reads back whole or is refused with nothing written.
TEST_F(LongTokens, ReadBackWholeOrAreRefusedAtSave) {
    const std::string patterns[] = {"abc", "\"{\\}/", "\x01\x7f\xff\r\n\t\b\x1b"};
    const int limit = CmoxArchive::kMaxQuotedChars;
    // The user name is saved between two "$", which count toward its token. A value goes through
    // the library's own record code, a token value through the public token writer.
    enum Field { kName, kUserName, kValue, kTokenValue };
    int lost = 0, cases = 0;
    for (const std::string& pattern : patterns) {
        for (int length : {limit - 2, limit - 1, limit, limit + 1, limit + 2, 3 * limit}) {
            for (Field field : {kName, kUserName, kValue, kTokenValue}) {
                const std::size_t escaped =
                    static_cast<std::size_t>(length) - (field == kUserName ? 2 : 0);
                const std::string text = OfEscapedLength(pattern, escaped);
                const bool fits = length <= limit;
                ++cases;

                std::stringstream out;
                CmoxArchive writer;
                ASSERT_EQ(writer.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
                const std::string preamble = out.str();
                if (field == kTokenValue) {
                    moxtest::RecordValueCell cell("CmoxStringCell", "Cell",
                                                  moxtest::RecordValueCell::kString);
                    cell.stringValue = text;
                    EXPECT_EQ(writer.Save(cell), fits ? 1 : 0) << length;
                    if (fits) {
                        moxtest::RecordValueCell back("CmoxStringCell", "Cell",
                                                      moxtest::RecordValueCell::kString);
                        if (RestoreRecord(out.str().substr(preamble.size()), back) != 1 ||
                            back.stringValue != text || Next() != "")
                            ++lost;
                    }
                } else {
                    UserNamedString cell(field == kName ? text.c_str() : "Cell",
                                         field == kValue ? text.c_str() : "v");
                    cell.UserName(field == kUserName ? text.c_str() : "u");
                    EXPECT_EQ(writer.Save(cell), fits ? 1 : 0) << length << " field " << field;
                    if (fits) {
                        UserNamedString back(cell.Name().c_str(), "");
                        if (RestoreRecord(out.str().substr(preamble.size()), back) != 1 ||
                            std::string(back.UserName()) != cell.UserName() ||
                            back.Value() != cell.Value() || Next() != "")
                            ++lost;
                    }
                }
                if (!fits) {
                    // The library's own records are written whole or not at all; a cell that
                    // writes token by token has written its frame before the refusal.
                    if (field == kTokenValue)
                        EXPECT_LT(out.str().size(), preamble.size() + 64);
                    else
                        EXPECT_EQ(out.str(), preamble) << "a refused record leaves nothing";
                    EXPECT_EQ(writer.GetRestoreArray(), Codes{MOX_ARCHIVE_TOKEN_TOO_LONG});
                }
            }
        }
    }
    EXPECT_EQ(lost, 0) << "of " << cases;
}

} // namespace
