// The reader scans runs of characters inside the stream's buffer. Whatever buffer a stream has
// (none at all, or one of a few characters that splits tokens, escapes, comments and line ends
// at every place), it must read exactly what it reads from a string stream.
#include <mox/archive/CmoxArchive.h>

#include "support/ReaderTranscript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

using moxtest::Transcript;
using moxtest::WindowBuf;

const char* const kBodies[] = {
    "CmoxLongCell \"Count\" \"$$\" = { 5  }\r\nCmoxStringCell \"T\" \"$u$\" = { \"a \\\"b\\\" c\"  "
    "}\r\n",
    "\"\\x\\n\\r\\t\\b\\\\\\\"\\{\\}\\/q\" \"\" z\r\n  \"unterminated\r\nquote",
    "A\r\n// c { }\r\n  //x\r\nB // tail\r\n// last",
    "= { 1 {2} 3 } tail\r\nN = { 1\r\n2\r\n3 }\r\nN = { 5 // } { junk\r\n }\r\nN",
    "= { \"a\\}\\}b\\{\"  }\r\nN = } more\r\nN = { / / \\/\\/ x } y\r\n= { 1\r\n 2\r\n",
    "SKIP { a { b } \"\\}\" // }\r\n }tail SKIP { 1 { 2 }",
    "x\ty\n\n\nz\r\n{\r\n}\r\nend",
};

} // namespace

TEST(ReaderBuffer, ReadsTheSameThroughAnyStreamBuffer) {
    std::vector<std::string> bodies(std::begin(kBodies), std::end(kBodies));
    bodies.push_back(std::string(10001, 'a') + " \"" + std::string(10000, 'q') + "\" end");
    for (const std::string& body : bodies) {
        const std::string text = "PREAMBLE \r\n" + body;
        std::stringstream reference(text);
        const std::vector<std::string> expected = Transcript(reference);
        for (std::size_t window : {0, 1, 2, 3, 7, 16}) {
            WindowBuf buf(text, window);
            std::iostream in(&buf);
            EXPECT_EQ(Transcript(in), expected)
                << "window " << window << " body " << body.substr(0, 60);
        }
    }
}
