// Replacing an archive file as one step (see internal/SaveFile.h).
#include <mox/archive/internal/SaveFile.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The Linux limit on links followed while resolving one name.
constexpr int kMaxLinks = 40;

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows `path` through its symbolic links, so that the save replaces the file they lead to and
// keeps the links. A link to a missing file leads to where that file will be made.
int FollowLinks(std::string path, std::string& resolved) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = path;
            return 0;
        }
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), &link[0], link.size());
        if (length < 0) return errno;
        link.resize(static_cast<std::size_t>(length));
        path = (!link.empty() && link[0] == '/') ? link : DirectoryOf(path) + "/" + link;
    }
    return ELOOP;
}

std::atomic<unsigned> g_saveCounter{0};

int SyncPath(const char* path, int flags) {
    const int fd = open(path, flags | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    return result;
}

} // namespace

int mox::detail::PrepareSaveFile(const char* fileName, SaveFile& file) {
    file = SaveFile();
    if (fileName == nullptr || *fileName == '\0') return ENOENT;
    if (const int error = FollowLinks(fileName, file.target)) return error;

    struct stat existing {};
    const bool exists = stat(file.target.c_str(), &existing) == 0;
    // A device or a pipe cannot be replaced: it is written as it is.
    if (exists && !S_ISREG(existing.st_mode)) return 0;

    const std::string prefix = DirectoryOf(file.target) + "/." + BaseOf(file.target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = prefix + std::to_string(getpid()) + "-" +
                                      std::to_string(g_saveCounter.fetch_add(1)) + ".tmp";
        // 0666 as a plain create would give, so the process's umask applies to a new file.
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        int error = 0;
        if (exists) {
            // Best effort for the owner (only a privileged process may give a file away); the
            // permission bits must carry over, or the save would change who may read the file.
            if (fchown(fd, existing.st_uid, existing.st_gid) != 0) {
                // Not permitted: the new file belongs to the saving user, as a new file would.
            }
            if (fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
        }
        close(fd);
        if (error != 0) {
            unlink(candidate.c_str());
            return error;
        }
        file.temp = candidate;
        return 0;
    }
    return EEXIST;
}

int mox::detail::CommitSaveFile(const SaveFile& file) {
    if (file.temp.empty()) return 0;
    int error = SyncPath(file.temp.c_str(), O_RDONLY);
    if (error == 0 && rename(file.temp.c_str(), file.target.c_str()) != 0) error = errno;
    if (error != 0) {
        DiscardSaveFile(file);
        return error;
    }
    // The rename itself must reach the disk, or a crash could bring the old file back. A file
    // system that cannot sync a directory has still replaced the file.
    const int dirError = SyncPath(DirectoryOf(file.target).c_str(), O_RDONLY | O_DIRECTORY);
    return (dirError == EINVAL || dirError == EROFS) ? 0 : dirError;
}

void mox::detail::DiscardSaveFile(const SaveFile& file) {
    if (!file.temp.empty()) unlink(file.temp.c_str());
}
