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

// Each edited copy of the sample, in a file of its own.
std::string Edited(const std::string& from, const std::string& to) {
    static int copies = 0;
    std::string text = kSample;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return WriteFile("edited" + std::to_string(++copies) + ".mox",
                     text.replace(at, from.size(), to));
}

// A command writes exactly the expected output; a failing command without output writes one
// error line that holds the expected text. Only diff has output with status 1: the
// differences, base to other.
TEST(MoxArchive, CommandsReadEveryKindOfRecordAndRefuseBadUseInOneLine) {
    const std::string file = WriteFile("sample.mox", kSample);
    const std::string display = "CmoxCompositeCell \"Display\" \"$Screen$\" {\r\n"
                                "\t\tCmoxDoubleCell \"Gain\" \"$$\" = { 1.5  }\r\n\t}\n";
    const std::string inSample = "\t" + display.substr(0, display.size() - 1) + "\r\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string text;
    } cases[] = {
        // clang-format off
        {{"tree", file}, 0,
         "CmoxCompositeCell Settings [Main settings]\n"
         "  CmoxLongCell Count = 5\n"
         "  CmoxStringCell Title = \"A \\\"quoted\\\" title\"\n"
         "  CmoxCompositeCell Display [Screen]\n"
         "    CmoxDoubleCell Gain = 1.5\n"
         "  AppBlob Blob <12 bytes>\n"
         "  CmoxLongCell Ref *\n"
         "AppCell Lone = 1\n"},
        {{"tree", file, "--width", "12"}, 0,
         "CmoxCompo...\n  CmoxLon...\n  CmoxStr...\n  CmoxCom...\n    CmoxD...\n"
         "  AppBlob...\n  CmoxLon...\nAppCell L...\n"},
        {{"ls", file}, 0, "Settings\nLone\n"},
        {{"ls", file, "\\Settings"}, 0, "Count\nTitle\nDisplay\nBlob\nRef\n"},
        {{"ls", file, "Settings\\Display\\"}, 0, "Gain\n"},
        {{"ls", file, "--user"}, 0, "Main settings\n\n"},
        {{"get", file, "\\Settings\\Display"}, 0, display},
        {{"get", file, "\\Settings\\Screen", "--user"}, 0, display},
        {{"get", file, "\\Settings\\Blob"}, 0, "AppBlob \"Blob\" \"$$\" = #212" + kBinary + "\n"},
        {{"get", file, "\\Settings\\Ref"}, 0, "CmoxLongCell \"Ref\" \"$$\" *\n"},
        {{"get", file, "Lone"}, 0, "AppCell \"Lone\" \"$$\" = { 1  }\n"},
        {{"check", file}, 0, file + ": valid, 8 records, 0 warnings\n"},
        {{"diff", file, WriteFile("same.mox", kSample)}, 0, ""},
        {{"diff", file, Edited("{ 5  }", "{ 6  }")}, 1, "~ \\Settings\\Count: 5 -> 6\n"},
        {{"diff", file, Edited("$Screen$", "$Other$")}, 1,
         "~ \\Settings\\Display: user name $Screen$ -> $Other$\n"},
        {{"diff", file, Edited("CmoxLongCell \"Count\"", "CmoxByteCell \"Count\"")}, 1,
         "~ \\Settings\\Count: class CmoxLongCell -> CmoxByteCell\n"},
        {{"diff", file, Edited("x\"y", "x\"z")}, 1,
         "~ \\Settings\\Blob: <12 bytes> -> <12 bytes>\n"},
        {{"diff", file, Edited("= { 1.5  }", "{\r\n\t\t}")}, 1,
         "~ \\Settings\\Display\\Gain: 1.5 -> {...}\n"},
        {{"diff", file, Edited(inSample, "")}, 1, "- \\Settings\\Display\n"},
        {{"diff", Edited(inSample, ""), file}, 1, "+ \\Settings\\Display\n"},
        {{"diff", file, Edited(inSample, inSample + "\tCmoxLongCell \"New\" \"$$\" = { 3  }\r\n")},
         1, "+ \\Settings\\New\n"},
        {{"diff", file, WriteFile("longer.mox", kSample + "A \"Tail\" \"$$\" = { 2  }\r\n")}, 1,
         "+ \\Tail\n"},
        {{"diff", file, Edited("\"Count\"", "\"Amount\"")}, 1,
         "- \\Settings\\Count\n+ \\Settings\\Amount\n"},
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
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Result result = RunTool(c.args);
        EXPECT_EQ(result.status, c.status) << result.err;
        const bool output = c.status == 0 || (c.status == 1 && c.args[0] == "diff");
        EXPECT_EQ(result.out, output ? c.text : "");
        if (output) {
            EXPECT_EQ(result.err, "");
        } else {
            EXPECT_NE(result.err.find(c.text), std::string::npos) << result.err;
            EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
        }
    }
    for (const char* command : {"tree", "ls", "get", "check", "json", "diff"}) {
        const Result result = RunTool({command, "--help"});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out.rfind(std::string("usage: moxarchive ") + command, 0), 0u)
            << result.out;
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
        {"preamble \r\n", 1, ":1: error: missing \"PREAMBLE\" at the start: 'preamble'"},
    };
    for (const auto& c : cases) {
        // A body that brings its own first line stands alone.
        const std::string file =
            WriteFile("check.mox", (c.body.rfind("preamble", 0) == 0 ? "" : kPreamble) + c.body);
        const Result result = RunTool({"check", file});
        EXPECT_EQ(result.status, c.status) << c.err << "\n" << result.err;
        EXPECT_NE(result.err.find(file + c.err), std::string::npos)
            << c.err << "\ngot: " << result.err;
    }
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
