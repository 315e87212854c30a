// moxarchive: each command on one archive with every kind of record, faults and misreadings
// found by check, diff of edited copies, and hostile input through every command.
#include "Tool.h"

#include <mox/archive/CmoxArchive.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunTool(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = moxarchive::Run(args, out, err, 0);
    return {status, out.str(), err.str()};
}

std::string WriteFile(const std::string& name, const std::string& bytes) {
    const std::string path = testing::TempDir() + "moxarchive_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

const std::string kPreamble = "PREAMBLE \r\n// File creation time: Friday, December 04, 2026\r\n";
// Every body kind: value blocks, nested collections with user names, a binary block whose bytes
// hold braces, a line end and "//", a reference, and a second top-level record.
const std::string kBinary = "{{ }\n//}}x\"y";
const std::string kSample =
    kPreamble +
    "CmoxCompositeCell \"Settings\" \"$Main settings$\" {\r\n"
    "\tCmoxLongCell \"Count\" \"$$\" = { 5  }\r\n"
    "\tCmoxStringCell \"Title\" \"$$\" = { \"A \\\"quoted\\\" title\"  }\r\n"
    "\tCmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"
    "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n"
    "\t}\r\n"
    "\tAppBlob \"Blob\" \"$$\" = #212" +
    kBinary +
    "\r\n"
    "\tCmoxLongCell \"Ref\" \"$$\" * \r\n"
    "}\r\n"
    "AppCell \"Lone\" \"$$\" = { 1  }\r\n";

TEST(MoxArchive, CommandsReadEveryKindOfRecord) {
    const std::string file = WriteFile("sample.mox", kSample);
    const std::string display = "CmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"
                                "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n\t}\n";
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"tree", file},
         "CmoxCompositeCell Settings [Main settings]\n"
         "  CmoxLongCell Count = 5\n"
         "  CmoxStringCell Title = \"A \\\"quoted\\\" title\"\n"
         "  CmoxCompositeCell Display [Screen]\n"
         "    CmoxDoubleCell Gain = 1.5\n"
         "  AppBlob Blob <12 bytes>\n"
         "  CmoxLongCell Ref *\n"
         "AppCell Lone = 1\n"},
        {{"tree", file, "--width", "12"},
         "CmoxCompo...\n  CmoxLon...\n  CmoxStr...\n  CmoxCom...\n    CmoxD...\n"
         "  AppBlob...\n  CmoxLon...\nAppCell L...\n"},
        {{"ls", file}, "Settings\nLone\n"},
        {{"ls", file, "\\Settings"}, "Count\nTitle\nDisplay\nBlob\nRef\n"},
        {{"ls", file, "Settings\\Display\\"}, "Gain\n"},
        {{"ls", file, "--user"}, "Main settings\n\n"},
        {{"get", file, "\\Settings\\Display"}, display},
        {{"get", file, "\\Settings\\Screen", "--user"}, display},
        {{"get", file, "\\Settings\\Blob"}, "AppBlob \"Blob\" \"$$\" = #212" + kBinary + "\n"},
        {{"get", file, "\\Settings\\Ref"}, "CmoxLongCell \"Ref\" \"$$\" *\n"},
        {{"get", file, "Lone"}, "AppCell \"Lone\" \"$$\" = { 1  }\n"},
        {{"check", file}, file + ": valid, 8 records, 0 warnings\n"},
    };
    for (const auto& c : cases) {
        const Result result = RunTool(c.args);
        EXPECT_EQ(std::to_string(result.status) + result.err + result.out, "0" + c.out)
            << c.args[0] << " " << c.args.back();
    }

    const Result json = RunTool({"json", file});
    EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(R"([
      {"class": "CmoxCompositeCell", "name": "Settings", "user": "Main settings", "children": [
        {"class": "CmoxLongCell", "name": "Count", "user": "", "value": "5"},
        {"class": "CmoxStringCell", "name": "Title", "user": "", "value": "\"A \\\"quoted\\\" title\""},
        {"class": "CmoxCompositeCell", "name": "Display", "user": "Screen", "children": [
          {"class": "CmoxDoubleCell", "name": "Gain", "user": "", "value": "1.5"}]},
        {"class": "AppBlob", "name": "Blob", "user": "", "binary": 12},
        {"class": "CmoxLongCell", "name": "Ref", "user": "", "reference": true}]},
      {"class": "AppCell", "name": "Lone", "user": "", "value": "1"}])"));
}

TEST(MoxArchive, UsageErrorsAndMissingRecordsAreOneLineAndNonZero) {
    const std::string file = WriteFile("usage.mox", kSample);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{}, 2, "usage: moxarchive COMMAND"},
        {{"frob"}, 2, "unknown command 'frob'"},
        {{"tree"}, 2, "usage: moxarchive tree FILE"},
        {{"diff", file}, 2, "usage: moxarchive diff A B"},
        {{"tree", file, "--bogus"}, 2, "unknown option '--bogus'"},
        {{"tree", file, "--width", "x"}, 2, "bad width 'x'"},
        {{"tree", "/no/such/file"}, 2, "cannot open /no/such/file: No such file"},
        {{"check", testing::TempDir()}, 2, "is a directory"},
        {{"diff", file, "/no/such/file"}, 2, "cannot open /no/such/file"},
        {{"get", file, "\\Settings\\Nope"}, 1, "no record \\Settings\\Nope in"},
        {{"get", file, "\\Settings\\Gain"}, 1, "no record \\Settings\\Gain"},
        {{"ls", file, "\\Nope"}, 1, "no record \\Nope"},
        {{"ls", file, "\\Settings\\Count"}, 1, "not a collection: \\Settings\\Count"},
    };
    for (const auto& c : cases) {
        const Result result = RunTool(c.args);
        EXPECT_EQ(result.status, c.status) << c.err;
        EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
    }
    for (const std::string command : {"tree", "ls", "get", "check", "json", "diff"}) {
        const Result help = RunTool({command, "--help"});
        EXPECT_EQ(std::to_string(help.status) + help.out.substr(0, 18 + command.size()),
                  "0usage: moxarchive " + command);
    }
}

TEST(MoxArchive, CheckReportsFaultsAndMisreadings) {
    std::string deep;
    for (int i = 0; i < CmoxArchive::kMaxSearchDepth + 1; ++i)
        deep += "C \"c\" \"$$\" {\r\n";
    const struct {
        std::string body; // after the preamble
        int status;
        std::string err;
    } cases[] = {
        {"A \"x\" \"$$\" = { 5\r\n", 1, ":3: error: input ends inside a value block: 'x'"},
        {"A \"x\" \"$$\" = }\r\n", 1, ":3: error: \"}\" closes more blocks than were opened"},
        {"C \"c\" \"$$\" {\r\n\tA \"x\" \"$$\" = { 5  }\r\n", 1,
         ":5: error: input ends inside a collection: '\\c'"},
        {"A \"x\" \"$$\" = { 5  }\r\n}\r\n", 1, ":4: error: \"}\" without a collection"},
        {"A \"x\" \"$$\" = #3123abc", 1, ":3: error: binary block runs past the end of the file"},
        {"A \"x\" \"$$\" = #2x1", 1, ":3: error: bad binary block header: 'x'"},
        {"A \"x\" \"$$\"\r\n", 1, ":3: error: input ends before a record's body: 'x'"},
        {"A \"x\"", 1, ":3: error: input ends inside a record frame: 'x'"},
        {"A \"x", 1, ":3: error: input ends inside a quoted token: 'x'"},
        {"= \"x\"", 1, ":3: error: class name expected: '='"},
        {deep, 1, ":259: error: records nested too deeply: 'c'"},
        // Read, but not as the writer meant.
        {"A \"x\" \"$$\" = { 5\r\n }\r\nB \"y\" \"$$\" = { 6  }\r\n", 0,
         ":3: warning: value block runs on past its line: 'to line 4'"},
        {"A \"x\" \"$$\" = { 5  } B \"y\" \"$$\" = { 6  }\r\n", 0,
         ":3: warning: text after a value block on its line is dropped when restored: 'B'"},
        {"A \"x\" \"$$\" \r\nB \"y\" \"$$\" = { 6  }\r\n", 0,
         ":3: warning: record body does not follow its frame on its line"},
        {"A \"x\" \"" + std::string(10000, 'u') + "\" = { 1  }\r\n", 0,
         ":3: warning: quoted token cut at 10,000 characters"},
        {"A" + std::string(10000, 'a') + " \"x\" \"$$\" = { 1  }\r\n", 0,
         ":3: warning: token cut at 10,000 characters"},
        {"A \"x\" \"user\" = { 1  }\r\n", 0, ":3: warning: user-name field not enclosed in \"$\""},
    };
    for (const auto& c : cases) {
        const std::string file = WriteFile("check.mox", kPreamble + c.body);
        const Result result = RunTool({"check", file});
        EXPECT_EQ(result.status, c.status) << c.err << "\n" << result.err;
        EXPECT_NE(result.err.find(file + c.err), std::string::npos)
            << c.err << "\ngot: " << result.err;
    }
    const Result noPreamble = RunTool({"check", WriteFile("nopreamble.mox", "preamble \r\n")});
    EXPECT_EQ(noPreamble.status, 1);
    EXPECT_NE(noPreamble.err.find(":1: error: missing \"PREAMBLE\" at the start: 'preamble'"),
              std::string::npos);
}

std::string Edited(const std::string& from, const std::string& to) {
    std::string text = kSample;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

TEST(MoxArchive, DiffReportsChangesByPath) {
    const std::string base = WriteFile("base.mox", kSample);
    const std::string display = "\tCmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"
                                "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n\t}\r\n";
    const struct {
        std::string other;
        std::string out; // base to other
    } cases[] = {
        {kSample, ""},
        {Edited("{ 5  }", "{ 6  }"), "~ \\Settings\\Count: 5 -> 6\n"},
        {Edited("$Screen$", "$Other$"), "~ \\Settings\\Display: user name $Screen$ -> $Other$\n"},
        {Edited("CmoxLongCell \"Count\"", "CmoxByteCell \"Count\""),
         "~ \\Settings\\Count: class CmoxLongCell -> CmoxByteCell\n"},
        {Edited("x\"y", "x\"z"), "~ \\Settings\\Blob: <12 bytes> -> <12 bytes>\n"},
        {Edited("= { 1.5  }", "{\r\n\t\t}"), "~ \\Settings\\Display\\Gain: 1.5 -> {...}\n"},
        {Edited(display, ""), "- \\Settings\\Display\n"},
        {Edited(display, display + "\tCmoxLongCell \"New\" \"$$\" = { 3  }\r\n"),
         "+ \\Settings\\New\n"},
        {Edited("\"Count\"", "\"Amount\""), "- \\Settings\\Count\n+ \\Settings\\Amount\n"},
    };
    for (const auto& c : cases) {
        const std::string other = WriteFile("other.mox", c.other);
        const Result result = RunTool({"diff", base, other});
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.status, c.out.empty() ? 0 : 1) << result.err;
    }
    const Result reversed = RunTool({"diff", WriteFile("other.mox", Edited(display, "")), base});
    EXPECT_EQ(reversed.out, "+ \\Settings\\Display\n");
}

// Every command on the sample and the fuzz corpus, each cut at 17 places and whole: a status,
// an error that is one line, valid JSON; where the file is sound, ls lists what the library's
// own search lists.
TEST(MoxArchive, HostileFilesGiveAStatusAndOneErrorLineNeverACrash) {
    std::vector<std::string> texts = {kSample};
    for (const auto& entry : std::filesystem::directory_iterator(MOX_FUZZ_CORPUS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_GT(texts.size(), 3u);
    const std::string whole = WriteFile("whole.mox", kSample);
    for (const std::string& text : texts) {
        for (int part = 1; part <= 18; ++part) {
            const std::string file = WriteFile("cut.mox", text.substr(0, text.size() * part / 18));
            for (const char* command : {"tree", "ls", "get", "check", "json", "diff"}) {
                std::vector<std::string> args = {command, file};
                if (command[0] == 'd' || command[0] == 'l' || command[0] == 'g')
                    args.push_back(command[0] == 'd' ? whole : "\\Settings");
                const Result result = RunTool(args);
                EXPECT_LE(result.status, 2) << command;
                if (result.status != 0 && command[0] != 'd') {
                    EXPECT_TRUE(!result.err.empty() && result.err.back() == '\n')
                        << command << ": " << result.err;
                }
                if (command[0] == 'j' && result.status == 0) {
                    EXPECT_TRUE(nlohmann::json::accept(result.out)) << file;
                }
            }
            CmoxArchive archive;
            CmoxFindSpec query("", 0, 0);
            if (RunTool({"check", file}).status != 0 ||
                archive.Open(file.c_str(), MOX_ARCHIVE_READ) != 1)
                continue;
            archive.Contents(query);
            std::string expected;
            for (const std::string& name : query.MatchArray())
                expected += moxarchive::Printable(name) + "\n";
            EXPECT_EQ(RunTool({"ls", file}).out, expected) << file;
        }
    }
}

} // namespace
