#pragma once
// moxarchive: the command-line tool's commands, callable in-process (the tests do so).

#include "ArchiveReader.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace moxarchive {

/// Exit statuses shared by the commands.
enum Exit {
    kOk = 0,     ///< done; valid; equal
    kFailed = 1, ///< invalid file, record not found, files differ
    kTrouble = 2 ///< bad usage, a file that cannot be opened or read
};

/// A command line after the command name: positional arguments and options.
struct Options {
    std::vector<std::string> args; ///< positional arguments
    bool byUser = false;           ///< --user
    bool help = false;             ///< --help or -h
    int width = 0;                 ///< cut lines to this width (0: no cut)
};

/// Runs `moxarchive` with `args` (without the program name). `terminalWidth` is the width of
/// the terminal standard output goes to, 0 when it is not one. Returns the exit status.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        int terminalWidth);

// The commands. Each prints its results to `out` and every problem as one line to `err`.
int Tree(const Options& options, std::ostream& out, std::ostream& err);
int List(const Options& options, std::ostream& out, std::ostream& err);
int Get(const Options& options, std::ostream& out, std::ostream& err);
int Check(const Options& options, std::ostream& out, std::ostream& err);
int Json(const Options& options, std::ostream& out, std::ostream& err);
int Diff(const Options& options, std::ostream& out, std::ostream& err);

/// An open archive file ready for reading past its "PREAMBLE"; prints why when it is not.
class Input {
  public:
    /// Opens `path`; check `status` afterwards (kOk, or the exit status to give up with).
    Input(const std::string& path, std::ostream& err);
    /// kOk when open and the preamble was read.
    int status = kOk;
    /// The reader (valid only when status is kOk).
    ArchiveReader& Reader() { return *m_reader; }
    /// Prints the reader's error, if any, as "FILE:LINE: error: ..." and returns kFailed
    /// then, else `success`.
    int Finish(std::ostream& err, int success);

  private:
    std::string m_path;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_file{nullptr, &std::fclose};
    std::unique_ptr<ByteSource> m_source;
    std::unique_ptr<ArchiveReader> m_reader;
};

/// "FILE:LINE: KIND: TOKEN" for one problem (the token cut and made printable).
std::string Describe(const std::string& path, const Problem& problem, const char* severity);

/// A record path from the command line: a leading backslash added, a trailing one removed.
std::string NormalPath(const std::string& path);

/// The first `width` characters of `line`, ending in "..." when cut (width 0: all).
std::string CutToWidth(const std::string& line, int width);

} // namespace moxarchive
