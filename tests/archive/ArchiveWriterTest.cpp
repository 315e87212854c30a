// The archive writer: preamble, records, quoting, blocks and binary block headers; and saving by
// file name, which never leaves a broken archive: a save that runs out of space or is
// refused keeps the old file byte for byte, and whatever the writer accepts reads back whole.
#include "support/ArchiveTest.h"

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using moxtest::Codes;
using moxtest::Text;

namespace {

std::time_t g_fixedTime = 0;

// Opens `archive` for writing on `out` with the clock at noon, local time, of the given day, so
// that the date in the preamble cannot slip a day in any time zone.
void OpenOnDay(CmoxArchive& archive, std::iostream& out, int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    g_fixedTime = std::mktime(&tm);
    archive.SetTimeSource([] { return g_fixedTime; });
    ASSERT_EQ(archive.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
}

const std::string kHead = "PREAMBLE \r\n// File creation time: Friday, December 04, 2026\r\n";

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes its frame, then a binary block's header and its bytes straight to the stream.
class RawBytesCell : public CmoxCell {
  public:
    RawBytesCell() : CmoxCell("Raw", MOX_STATE_PRIORITY) {}
    void Save(CmoxArchive& archive) override {
        CmoxCell::Save(archive);
        archive.WriteBinaryBlockHeader(3);
        archive.CurrentStream()->write("a}b", 3);
    }
};

class ArchiveWriter : public moxtest::MoxTest {};

} // namespace

// A record whose raw bytes follow a binary header, then records more than the held output takes
// at once, in order; then tokens, blocks, indentation and binary block headers, one after the
// other on one stream. (The layout of the library's own records is the collection tests'.)
TEST_F(ArchiveWriter, RecordsTokensBlocksAndHeadersAreWrittenByteForByte) {
    std::string expected =
        kHead + "CmoxCompositeCell \"Root\" \"$$\" {\r\n\tCmoxCell \"Raw\" \"$$\" = #13a}b";
    CmoxCompositeCell root("Root");
    root.AddChild(new RawBytesCell, 1);
    for (char letter = 'a'; letter < 'h'; ++letter) { // 7 values at the longest, 70 KB
        const std::string value(CmoxArchive::kMaxQuotedChars, letter), name(1, letter);
        root.AddChild(new CmoxStringCell(name.c_str(), value.c_str()), 1);
        expected += "\r\n\tCmoxStringCell \"" + name + "\" \"$$\" = { \"" + value + "\"  }";
    }
    std::stringstream out;
    CmoxArchive archive;
    OpenOnDay(archive, out, 2026, 12, 4);
    EXPECT_EQ(archive.Save(root), 1);
    archive.SetIndent(2); // a top-level record is not indented, whatever the level
    CmoxLongCell b("B", -2);
    EXPECT_EQ(archive.Save(b), 1);
    EXPECT_EQ(archive.Indent(), 2);
    archive.WriteToken("a\\b\"c{d}e/f\ng\rh\ti\bj$k l", 0, 0); // every escape
    archive.WriteToken("", 0, 1);
    archive.WriteToken("", 1, 1);
    std::stringstream other; // a token to another stream goes there only
    archive.WriteToken("x/y", other, 0, 1);
    std::stringstream block("skip 7 "), empty; // a block starts at its stream's read position
    block.ignore(4);
    archive.WriteBlock(block);
    archive.WriteBlock(empty);
    archive.SetIndent(3);
    archive.WriteIndent();
    archive.DecrementIndent();
    archive.WriteIndent();
    archive.WritePointer();
    archive.WriteBlockStart();
    archive.WriteBlockEnd();
    archive.WriteNewLine();
    archive.SetIndent(-2);
    archive.WriteIndent();
    archive.IncrementIndent();
    EXPECT_EQ(archive.Indent(), -1);
    // A header states the digits, then the count; a negative count or 16 digits write nothing.
    for (long long count : {0LL, 9LL, 10LL, 123LL, 999999999999999LL, 1000000000000000LL, -1LL})
        archive.WriteBinaryBlockHeader(count);
    EXPECT_EQ(out.str(), expected + "\r\n}\r\nCmoxLongCell \"B\" \"$$\" = { -2  }\r\n" +
                             "\"a\\\\b\\\"c\\{d\\}e\\/f\\ng\\rh\\ti\\bj$k l\"\"\"  = {  7  }= {  }"
                             "\t\t\t\t\t* {}\r\n= #10= #19= #210= #3123= #F999999999999999");
    // Nothing more while the stream is in error, on any stream.
    out.setstate(std::ios::badbit);
    const std::string before = out.str();
    EXPECT_EQ(archive.Save(b), 0);
    archive.WriteToken("x", 1, 1);
    archive.WriteToken("more", other, 1, 0);
    archive.WriteBinaryBlockHeader(5);
    EXPECT_EQ(out.str(), before);
    EXPECT_EQ(other.str(), "\"x\\/y\" ");
    EXPECT_EQ(archive.CheckStatus(MOX_ARCHIVE_WRITE), 0);
    // The date follows the clock.
    std::stringstream leap;
    OpenOnDay(archive, leap, 2024, 2, 29);
    EXPECT_EQ(leap.str(), "PREAMBLE \r\n// File creation time: Thursday, February 29, 2024\r\n");
}

// Close leaves a caller's stream usable; Open stores any mode on a stream; a closed or reading
// archive saves nothing.
TEST_F(ArchiveWriter, CloseLeavesTheStreamAndOnlyAWritingArchiveSaves) {
    std::stringstream out, other, in("PREAMBLE \r\n");
    CmoxArchive archive;
    CmoxLongCell count("Count", 42);
    OpenOnDay(archive, out, 2026, 12, 4);
    std::ostringstream log; // closed; open in mode 7; saving closed, then reading
    log << archive.Close() << (archive.CurrentStream() == nullptr) << ' '
        << archive.Open(&other, static_cast<MoxArchiveMode>(7), 0) << archive.Mode()
        << other.str().size() << ' ' << archive.Close() << archive.Save(count) << ' '
        << archive.Open(&in, MOX_ARCHIVE_READ, 0) << archive.Save(count);
    out << "after";
    EXPECT_EQ(log.str() + out.str() + in.str(), "11 170 10 10" + kHead + "afterPREAMBLE \r\n");
}

// ---- saving by file name -------------------------------------------------------------------

namespace {

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename());
    return names;
}

// A composite of `leaves` long cells, all holding `value`.
std::unique_ptr<CmoxCompositeCell> Tree(int leaves, long value) {
    auto root = std::make_unique<CmoxCompositeCell>("Root");
    for (int i = 0; i < leaves; ++i)
        root->AddChild(new CmoxLongCell(("Leaf" + std::to_string(i)).c_str(), value));
    return root;
}

// The comment lines that follow the preamble of a file archive.
std::string WarningBlock() {
    const std::string w = "//  WARNING   WARNING   WARNING   WARNING   WARNING   WARNING   WARNING";
    const std::string blank = "//" + std::string(19, '\t') + "\r\n", slashes(73, '/');
    return slashes + "  \r\n" + w + "\t    \r\n" + w + "\t\t\r\n" + blank +
           "//  DO NOT EDIT THIS FILE!" + std::string(13, '\t') + "\r\n" +
           "//  Loading an edited QVX file in the Quorvex application can\t\t\t\t\r\n"
           "//  cause the application to crash.  Editing this file can not\t\t\t\t\r\n"
           "//  only introduce errors in the text portion of the file but\t\t\t\t\r\n"
           "//  most editors (e.g. Notepad) will silently corrupt the binary\t\t\t\r\n"
           "//  data portion of the file, causing the Quorvex application to\t\t\t\r\n"
           "//  crash when the corrupted file is loaded by the application.\t\t\t\t\r\n" +
           blank + w + "\t\t\r\n" + w + "\t\t\r\n" + blank + slashes + "\r\n";
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
        std::filesystem::remove_all(m_dir);
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

} // namespace

// A file archive starts with the warning block and is truncated when opened again; the file
// name form refuses a mode it cannot use.
TEST_F(SafeSave, FileFormHasTheWarningBlockAndIsTruncatedWhenReopened) {
    CmoxLongCell count("Count", 42);
    CmoxArchive archive;
    std::ostringstream log; // open, its file name, save, close, no file name, a refused mode
    log << archive.Open(m_path.c_str(), MOX_ARCHIVE_WRITE, 0) << (archive.FileName() == m_path)
        << archive.Save(count) << archive.Close() << archive.FileName().size() << ' '
        << archive.Open(m_path.c_str(), static_cast<MoxArchiveMode>(3), 0)
        << (archive.CurrentStream() == nullptr);
    EXPECT_EQ(log.str(), "11110 01");
    EXPECT_EQ(Slurp(m_path),
              "PREAMBLE \r\n" + WarningBlock() + "CmoxLongCell \"Count\" \"$$\" = { 42  }\r\n");
    std::ofstream(m_path, std::ios::binary | std::ios::app) << std::string(5000, 'x');
    ASSERT_EQ(archive.Open(m_path.c_str(), MOX_ARCHIVE_WRITE, 0), 1);
    ASSERT_EQ(archive.Close(), 1);
    EXPECT_EQ(Slurp(m_path), "PREAMBLE \r\n" + WarningBlock());
}

// A save that cannot complete (out of space, or a token too long): the archive says so in every
// way, and the old file, its permissions and the directory stay as they were, whether Close or
// the destructor ends the save.
TEST_F(SafeSave, FailedOrRefusedSaveKeepsTheOldFileAndReportsIt) {
    auto big = Tree(20000, 3);
    CmoxStringCell tooLong("Text", std::string(CmoxArchive::kMaxQuotedChars + 1, 'x').c_str());
    for (int c = 0; c < 4; ++c) {
        const bool outOfSpace = c < 2, closeExplicitly = c % 2 == 0;
        ASSERT_EQ(SaveTo(m_path, *Tree(3, 1)), 1);
        chmod(m_path.c_str(), 0640);
        const std::string oldBytes = Slurp(m_path);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) { // reports by exit code 0 that every sign of failure showed
            if (outOfSpace) {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{64 * 1024, 64 * 1024};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            const Codes code{static_cast<unsigned char>(outOfSpace ? MOX_ARCHIVE_WRITE_FAILED
                                                                   : MOX_ARCHIVE_TOKEN_TOO_LONG)};
            bool sawAll = false;
            { // the archive dies before the child exits: its destructor may end the save
                CmoxArchive archive;
                sawAll = archive.Open(m_path.c_str(), MOX_ARCHIVE_WRITE, 0) == 1 &&
                         archive.Save(outOfSpace ? static_cast<CmoxCell&>(*big) : tooLong) == 0 &&
                         archive.Good() == 0 && archive.CheckStatus(MOX_ARCHIVE_WRITE) == 0 &&
                         archive.GetRestoreArray() == code && !archive.WriteError().empty() &&
                         (!closeExplicitly || archive.Close() == 0);
            }
            _exit(sawAll ? 0 : 1);
        }
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c << ": " << status;
        EXPECT_EQ(Slurp(m_path), oldBytes) << c;
        struct stat st {};
        stat(m_path.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        EXPECT_EQ(Entries(m_dir), std::vector<std::string>{"settings.qvx"}) << c;
    }
}

// A save through a link replaces its target and keeps its permissions. A device is written in
// place, so a full one fails the save; under a plain file or in a missing folder no file can be
// made, even by root. Each reports the write failure with the path and the system's reason.
TEST_F(SafeSave, LinksAreFollowedAndUnwritableTargetsReportTheFailure) {
    const std::string target = m_dir + "/real.qvx", link = m_dir + "/link.qvx";
    ASSERT_EQ(SaveTo(target, *Tree(2, 1)), 1);
    chmod(target.c_str(), 0604);
    ASSERT_EQ(symlink("real.qvx", link.c_str()), 0);
    ASSERT_EQ(SaveTo(link, *Tree(2, 9)), 1);
    struct stat linkStat {
    }, st{};
    lstat(link.c_str(), &linkStat);
    stat(target.c_str(), &st);
    EXPECT_TRUE(S_ISLNK(linkStat.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0604u);
    EXPECT_NE(Slurp(target).find("= { 9  }"), std::string::npos);
    EXPECT_EQ(Entries(m_dir).size(), 2u); // no temporary file left behind
    std::ofstream(m_dir + "/plain") << "x";
    const std::pair<std::string, const char*> targets[] = {
        {"/dev/full", "No space left on device"},
        {m_dir + "/plain/x.qvx", "Not a directory"},
        {"/nonexistent/x.qvx", "No such file or directory"}};
    for (const auto& [path, reason] : targets) {
        CmoxArchive archive; // a refused open leaves nothing for Close to fail
        std::ostringstream log;
        log << archive.Open(path.c_str(), MOX_ARCHIVE_WRITE, 0);
        log << (archive.CurrentStream() ? archive.Save(*Tree(2, 1)) : -1) << archive.Good()
            << Text(archive.GetRestoreArray()) << archive.Close();
        EXPECT_EQ(log.str(), path == "/dev/full" ? "100[11]0" : "0-10[11]1");
        for (const std::string& part : {path.substr(0, 9), std::string(reason)})
            EXPECT_NE(archive.WriteError().find(part), std::string::npos) << archive.WriteError();
    }
}

// ---- long tokens ---------------------------------------------------------------------------

namespace {

// `pattern` repeated until its escaped length is `length`: an escape counts twice, and a plain
// "a" makes up an odd rest.
std::string OfEscapedLength(const std::string& pattern, std::size_t length) {
    auto escaped = [](char c) {
        return std::string("\\\"{}/\n\r\t\b").find(c) != std::string::npos ? 2u : 1u;
    };
    std::string text;
    for (std::size_t i = 0, n = 0; n < length; ++i) {
        char next = pattern[i % pattern.size()];
        if (n + escaped(next) > length) next = 'a';
        text += next;
        n += escaped(next);
    }
    return text;
}

// Writes its value block through the public token writer, token by token, rather than whole.
class TokenCell : public CmoxStringCell {
  public:
    using CmoxStringCell::CmoxStringCell;
    void Save(CmoxArchive& archive) override {
        CmoxCell::Save(archive);
        std::stringstream block;
        archive.WriteToken(Value().c_str(), block, 0, 1);
        archive.WriteBlock(block);
    }
};

// A collection with a user name, a string cell Value and a token cell Token.
std::unique_ptr<CmoxCompositeCell> Holder(const char* name, const char* user, const char* value,
                                          const char* token) {
    auto holder = std::make_unique<CmoxCompositeCell>(name);
    moxtest::GiveUserName(*holder, user);
    holder->AddChild(new CmoxStringCell("Value", value), 1);
    holder->AddChild(new TokenCell("Token", token), 1);
    return holder;
}

class LongTokens : public moxtest::ArchiveTest {};

} // namespace

// A name, a user name, a string value and a token at and around the limit, plain, escaped and
// with control bytes: each either reads back whole or is refused, and a refused record is
// dropped whole.
TEST_F(LongTokens, ReadBackWholeOrAreRefusedAtSave) {
    const int limit = CmoxArchive::kMaxQuotedChars;
    enum Field { kName, kUserName, kValue, kToken };
    for (const std::string pattern : {"abc", "\"{\\}/", "\x01\x7f\xff\r\n\t\b\x1b"}) {
        for (int length : {limit - 2, limit - 1, limit, limit + 1, limit + 2, 3 * limit}) {
            for (Field field : {kName, kUserName, kValue, kToken}) {
                SCOPED_TRACE("length " + std::to_string(length) + " field " +
                             std::to_string(field));
                // The user name is saved between two "$", which count toward its token.
                const std::string text =
                    OfEscapedLength(pattern, length - (field == kUserName ? 2 : 0));
                auto pick = [&](Field f, const char* other) {
                    return field == f ? text.c_str() : other;
                };
                auto cell = Holder(pick(kName, "Cell"), pick(kUserName, "u"), pick(kValue, "v"),
                                   pick(kToken, "t"));
                std::stringstream out;
                CmoxArchive writer;
                ASSERT_EQ(writer.Open(&out, MOX_ARCHIVE_WRITE, 0), 1);
                const std::size_t preamble = out.str().size();
                const bool fits = length <= limit;
                EXPECT_EQ(writer.Save(*cell), fits ? 1 : 0);
                if (!fits) {
                    EXPECT_EQ(writer.GetRestoreArray(), Codes{MOX_ARCHIVE_TOKEN_TOO_LONG});
                    EXPECT_EQ(out.str().size(), preamble);
                    continue;
                }
                auto back = Holder(cell->Name().c_str(), "", "", "");
                ASSERT_EQ(RestoreRecord(out.str().substr(preamble), *back), 1);
                EXPECT_TRUE(back->UserName() == std::string(pick(kUserName, "u")) &&
                            back->GetChildString("Value") == pick(kValue, "v") &&
                            back->GetChildString("Token") == pick(kToken, "t"));
                EXPECT_EQ(Next(), "");
            }
        }
    }
}
