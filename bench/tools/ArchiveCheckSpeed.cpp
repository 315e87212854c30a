// moxarchive check against the library's own restore, on the same archive file: both read
// every record (the restore into a matching cell tree), and the rates are printed in MB/s.
// With --write-only it only writes the archive, for measuring the tool's memory on large files.
//
//   mox_archive_check_speed FILE MEGABYTES [--write-only]
#include "Tool.h"

#include <mox/mox.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

namespace {

constexpr int kCellsPerGroup = 90;

// A composite of 30 integers, 30 doubles and 30 strings: what a settings group looks like.
std::unique_ptr<CmoxCompositeCell> MakeGroup(const std::string& name) {
    auto group = std::make_unique<CmoxCompositeCell>(name.c_str());
    for (int i = 0; i < kCellsPerGroup / 3; ++i) {
        const std::string n = std::to_string(i);
        group->AddChild(new CmoxLongCell(("Count" + n).c_str(), 1000 + i));
        group->AddChild(new CmoxDoubleCell(("Gain" + n).c_str(), 0.25 * i));
        group->AddChild(new CmoxStringCell(("Label" + n).c_str(), "channel \"label\" text"));
    }
    return group;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FILE MEGABYTES [--write-only]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const long long bytes = std::atoll(argv[2]) * 1024 * 1024;
    {
        CmoxArchive writer;
        if (writer.Open(path.c_str(), MOX_ARCHIVE_WRITE) == 0) return 2;
        std::unique_ptr<CmoxCompositeCell> group = MakeGroup("Group");
        for (long long i = 0; writer.FileStream().tellp() < bytes; ++i) {
            group->Name(("Group" + std::to_string(i)).c_str());
            writer.Save(*group);
        }
        writer.Close();
    }
    if (argc > 3 && std::strcmp(argv[3], "--write-only") == 0) return 0;

    // The library: each top-level record restored into a group of the same children.
    std::unique_ptr<CmoxCompositeCell> group = MakeGroup("Group");
    auto start = std::chrono::steady_clock::now();
    long long groups = 0;
    {
        CmoxArchive reader;
        if (reader.Open(path.c_str(), MOX_ARCHIVE_READ) == 0) return 2;
        while (!reader.ReadToken().empty()) {
            reader.ReadToken(); // the name
            group->RestoreUserName(reader);
            if (reader.Restore(group.get()) == 0) return 1;
            ++groups;
        }
    }
    const double restore = Seconds(start);

    start = std::chrono::steady_clock::now();
    std::ostringstream out;
    std::ostringstream err;
    const int status = moxarchive::Run({"check", path}, out, err, 0);
    const double check = Seconds(start);

    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    std::printf("%lld groups of %d cells, %.0f MB\n", groups, kCellsPerGroup, mb);
    std::printf("library restore  %6.2f s  %7.1f MB/s\n", restore, mb / restore);
    std::printf("moxarchive check %6.2f s  %7.1f MB/s  (status %d) %s", check, mb / check, status,
                out.str().c_str());
    return status;
}
