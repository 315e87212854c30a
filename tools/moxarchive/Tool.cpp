// moxarchive: the command table, the help texts, option parsing and what the commands share.
#include "Tool.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ostream>

namespace moxarchive {

namespace {

struct Command {
    const char* name;
    int (*run)(const Options&, std::ostream&, std::ostream&);
    int minArgs;
    int maxArgs;
    const char* usage;
    const char* help;
};

const Command kCommands[] = {
    {"tree", Tree, 1, 1, "tree FILE [--width N]",
     "Prints every record, indented by nesting: class name, name, [user name], and\n"
     "\"= value\", \"<N bytes>\" for a binary block or \"*\" for a reference. Lines are cut to\n"
     "the terminal width (--width N sets it; 0 does not cut).\n"},
    {"ls", List, 1, 2, "ls FILE [PATH] [--user]",
     "Lists the names of the records held by the collection at PATH (a record path such as\n"
     "'\\Settings\\Display'; the top level when absent). --user lists user names instead.\n"},
    {"get", Get, 2, 2, "get FILE PATH [--user]",
     "Prints the record at PATH as it stands in the file, found through the library's record\n"
     "search with its position cache. --user matches the last path component against user\n"
     "names. Exit 1 when there is no such record.\n"},
    {"check", Check, 1, 1, "check FILE",
     "Reads the whole file. An error is printed to stderr with its line, kind and token;\n"
     "warnings name what a reader takes differently from what was meant (a value block that\n"
     "runs on past its line, text after a value block, a token cut at 10,000 characters).\n"
     "Exit 0 valid, 1 invalid, 2 cannot open.\n"},
    {"json", Json, 1, 1, "json FILE",
     "Prints the records as a JSON array: class, name, user, and value (text), binary (byte\n"
     "count), reference (true) or children (array). Bytes that are not UTF-8 become U+FFFD.\n"},
    {"diff", Diff, 2, 2, "diff A B",
     "Prints the records removed (-), added (+) and changed (~) from A to B, by path, in\n"
     "file order. Exit 0 when equal, 1 when they differ, 2 when a file cannot be read.\n"},
};

void PrintUsage(std::ostream& out) {
    out << "usage: moxarchive COMMAND ARGS...   (moxarchive COMMAND --help for more)\n\n";
    for (const Command& command : kCommands) {
        out << "  moxarchive " << command.usage << "\n";
    }
    out << "\nPaths name records by their names from the top: '\\Settings\\Display\\Gain'.\n";
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        int terminalWidth) {
    if (args.empty()) {
        err << "usage: moxarchive COMMAND ARGS... (moxarchive --help lists the commands)\n";
        return kTrouble;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(out);
        return kOk;
    }
    const Command* command = nullptr;
    for (const Command& candidate : kCommands) {
        if (args[0] == candidate.name) command = &candidate;
    }
    if (command == nullptr) {
        err << "moxarchive: unknown command '" << Printable(args[0])
            << "' (moxarchive --help lists them)\n";
        return kTrouble;
    }

    Options options;
    options.width = terminalWidth;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--user") {
            options.byUser = true;
        } else if (arg == "--width" && i + 1 < args.size()) {
            char* end = nullptr;
            const long width = std::strtol(args[++i].c_str(), &end, 10);
            if (*end != '\0' || width < 0 || width > 100000) {
                err << "moxarchive " << command->name << ": bad width '" << Printable(args[i])
                    << "'\n";
                return kTrouble;
            }
            options.width = static_cast<int>(width);
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            err << "moxarchive " << command->name << ": unknown option '" << Printable(arg)
                << "'\n";
            return kTrouble;
        } else {
            options.args.push_back(arg);
        }
    }
    if (options.help) {
        out << "usage: moxarchive " << command->usage << "\n\n" << command->help;
        return kOk;
    }
    const int count = static_cast<int>(options.args.size());
    if (count < command->minArgs || count > command->maxArgs) {
        err << "usage: moxarchive " << command->usage << "\n";
        return kTrouble;
    }
    return command->run(options, out, err);
}

// ---- shared ---------------------------------------------------------------------------------

Input::Input(const std::string& path, std::ostream& err) : m_path(path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        err << "moxarchive: cannot open " << Printable(path) << ": is a directory\n";
        status = kTrouble;
        return;
    }
    m_file = OpenFile(path);
    if (!m_file) {
        err << "moxarchive: cannot open " << Printable(path) << ": " << std::strerror(errno)
            << "\n";
        status = kTrouble;
        return;
    }
    m_source = std::make_unique<ByteSource>(m_file.get());
    m_reader = std::make_unique<ArchiveReader>(*m_source);
    if (!m_reader->ReadPreamble()) status = Finish(err, kOk);
}

int Input::Finish(std::ostream& err, int success) {
    if (!m_reader->Failed()) return success;
    err << Describe(m_path, m_reader->Error(), "error") << "\n";
    return kFailed;
}

std::string Describe(const std::string& path, const Problem& problem, const char* severity) {
    std::string text = Printable(path) + ":" + std::to_string(problem.line) + ": " + severity +
                       ": " + problem.kind;
    if (!problem.token.empty()) {
        constexpr std::size_t kShown = 60;
        std::string token = Printable(problem.token.substr(0, kShown));
        if (problem.token.size() > kShown) token += "...";
        text += ": '" + token + "'";
    }
    return text;
}

std::string NormalPath(const std::string& path) {
    std::string normal = path;
    if (normal.empty() || normal[0] != '\\') normal.insert(normal.begin(), '\\');
    if (normal.size() > 1 && normal.back() == '\\') normal.pop_back();
    return normal == "\\" ? std::string() : normal;
}

std::string CutToWidth(const std::string& line, int width) {
    if (width <= 0 || line.size() <= static_cast<std::size_t>(width)) return line;
    if (width <= 3) return line.substr(0, static_cast<std::size_t>(width));
    return line.substr(0, static_cast<std::size_t>(width - 3)) + "...";
}

} // namespace moxarchive
