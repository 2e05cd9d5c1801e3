#include "platform/platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <ctime>

#include <algorithm>
#include <cctype>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

constexpr i32 StdinFd = 0;

i64 NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return i64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

i64 ProcessCpuMs() {
    timespec used;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return i64(used.tv_sec) * 1000 + used.tv_nsec / 1000000;
}

i64 WallTimeSeconds() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return i64(now.tv_sec);
}

i32 StdinHasData(i32 timeoutMs) {
    const i64 deadline = NowMs() + timeoutMs;
    i32 waitMs = timeoutMs;
    for (;;) {
        pollfd input = {StdinFd, POLLIN, 0};
        const i32 ready = poll(&input, 1, waitMs);
        // An error or a closed descriptor also counts as "ready": the read
        // that follows reports it instead of the caller polling for ever.
        if (ready > 0) return (input.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (ready == 0) return 0;
        if (errno != EINTR) return 1;
        // Interrupted by a signal: wait out the rest of the time.
        if (timeoutMs > 0) {
            const i64 remaining = deadline - NowMs();
            waitMs = remaining > 0 ? i32(remaining) : 0;
        }
    }
}

i64 ReadStdin(char* buffer, i64 size) {
    for (;;) {
        const ssize_t count = read(StdinFd, buffer, size_t(size));
        if (count >= 0) return i64(count);
        if (errno != EINTR) return -1;
    }
}

void* AllocateTableBlock(u64 bytes) {
    // The size of the huge pages of x86 Linux; where they are larger or
    // missing, the alignment is merely generous.
    constexpr u64 HugePageBytes = u64(2) << 20;
    if (bytes < HugePageBytes) return std::calloc(1, size_t(bytes));
    if (bytes > u64(SIZE_MAX) - HugePageBytes) return nullptr;
    const u64 rounded = (bytes + HugePageBytes - 1) & ~(HugePageBytes - 1);
    void* block = std::aligned_alloc(size_t(HugePageBytes), size_t(rounded));
    if (block == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
    // Before the first write, so that the pages are huge from the start.
    madvise(block, size_t(rounded), MADV_HUGEPAGE);
#endif
    std::memset(block, 0, size_t(rounded));
    return block;
}

void IgnoreSignals() {
    struct sigaction ignore;
    memset(&ignore, 0, sizeof(ignore));
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, nullptr);
    sigaction(SIGPIPE, &ignore, nullptr);
}

static bool IsDriveLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string TranslatePath(const char* windowsPath) {
    const char* rest = windowsPath;
    bool hadDrive = false;
    // "c:\dir" and "c:dir" both become "dir": the working directory stands
    // in for the drive.
    if (IsDriveLetter(rest[0]) && rest[1] == ':') {
        rest += 2;
        hadDrive = true;
        while (*rest == '\\' || *rest == '/') rest++;
    }
    std::string path;
    for (; *rest; rest++) path += *rest == '\\' ? '/' : *rest;
    // The bare root of a drive is the working directory itself.
    if (hadDrive && path.empty()) path = "./";
    return path;
}

static bool PathExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// One directory's entries: their names, and for each name folded to lower
// case the entry a case-insensitive look-up takes (the lexically first).
struct DirectoryListing {
    std::unordered_set<std::string> names;
    std::unordered_map<std::string, std::string> byFoldedName;
};

// What a DirectoryListingCache keeps: the listings of the directories names
// were looked up in, and each directory part of a path as asked for with
// the path it was found under (or none).
struct KeptListings {
    std::map<std::string, DirectoryListing> listings;
    std::map<std::string, std::pair<bool, std::string>> directories;
};

// Kept while a DirectoryListingCache lives, so that a scan looking up many
// names in a few directories lists and finds each directory once and then
// answers from the listings, without a system call per name.
static KeptListings* ListingCache = nullptr;

DirectoryListingCache::DirectoryListingCache() {
    if (ListingCache == nullptr) {
        ListingCache = new KeptListings;
        owner = true;
    }
}

DirectoryListingCache::~DirectoryListingCache() {
    if (!owner) return;
    delete ListingCache;
    ListingCache = nullptr;
}

static std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded) c = char(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

// The listing of directory ("" is the working directory), null when it
// cannot be listed; from the cache while one is kept.
static const DirectoryListing* ListDirectory(const std::string& directory) {
    static DirectoryListing uncached;
    if (ListingCache) {
        const auto found = ListingCache->listings.find(directory);
        if (found != ListingCache->listings.end()) return &found->second;
    }
    DIR* stream = opendir(directory.empty() ? "." : directory.c_str());
    if (!stream) return nullptr;
    DirectoryListing listing;
    while (dirent* entry = readdir(stream)) {
        const std::string name = entry->d_name;
        listing.names.insert(name);
        const auto [match, added] = listing.byFoldedName.emplace(Folded(name), name);
        if (!added && name < match->second) match->second = name;
    }
    closedir(stream);
    if (ListingCache) return &(ListingCache->listings[directory] = std::move(listing));
    uncached = std::move(listing);
    return &uncached;
}

// The entry of a listing whose name equals name but for case; the exact
// name when it is there, the lexically first of several matches otherwise.
static std::string MatchInListing(const DirectoryListing& listing, const std::string& name) {
    if (listing.names.count(name)) return name;
    const auto match = listing.byFoldedName.find(Folded(name));
    return match == listing.byFoldedName.end() ? "" : match->second;
}

// The same for an entry of directory: the exact name when it exists.
static std::string MatchInDirectory(const std::string& directory, const std::string& name) {
    const std::string exact = directory.empty() ? name : directory + name;
    if (PathExists(exact)) return name;
    const DirectoryListing* listing = ListDirectory(directory);
    return listing ? MatchInListing(*listing, name) : "";
}

// Walks the path one component at a time; found holds the part matched so
// far, always ending in '/' unless it is empty (the working directory).
static std::string WalkCaseInsensitive(const std::string& path) {
    std::string found;
    size_t start = 0;
    if (path[0] == '/') {
        found = "/";
        start = 1;
    }
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..") {
            found += component;
        } else {
            const std::string match = MatchInDirectory(found, component);
            if (match.empty()) return "";
            found += match;
        }
        if (end < path.size()) found += '/';
        start = end + 1;
    }
    return PathExists(found) ? found : "";
}

// With listings kept: the directory part found once, the name looked up in
// that directory's listing.
static std::string FindInKeptListings(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = path.substr(directory.size());
    const auto [kept, added] = ListingCache->directories.emplace(directory, std::make_pair(true, ""));
    if (added && !directory.empty()) {
        const std::string found = PathExists(directory) ? directory : WalkCaseInsensitive(directory);
        kept->second = {!found.empty(), found};
    }
    const auto& [directoryFound, foundDirectory] = kept->second;
    if (!directoryFound) return "";
    if (name.empty() || name == "." || name == "..") {
        const std::string whole = foundDirectory + name;
        return PathExists(whole.empty() ? "." : whole) ? whole : "";
    }
    const DirectoryListing* listing = ListDirectory(foundDirectory);
    // A directory that may be searched but not listed still has its names.
    if (!listing) return PathExists(foundDirectory + name) ? foundDirectory + name : "";
    const std::string match = MatchInListing(*listing, name);
    return match.empty() ? "" : foundDirectory + match;
}

std::string FindFileCaseInsensitive(const std::string& path) {
    if (path.empty()) return "";
    if (ListingCache) return FindInKeptListings(path);
    if (PathExists(path)) return path;
    return WalkCaseInsensitive(path);
}

FILE* OpenFileTranslated(const char* path, const char* mode) {
    const std::string translated = TranslatePath(path);
    FILE* file = fopen(translated.c_str(), mode);
    if (file || mode[0] != 'r') return file;
    // Only a file that must already exist is looked for in other cases; a
    // write creates the name as given.
    const std::string match = FindFileCaseInsensitive(translated);
    if (match.empty() || match == translated) return nullptr;
    return fopen(match.c_str(), mode);
}

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimTrailingBlanks(const char* text) {
    std::string trimmed = text;
    while (!trimmed.empty() && IsBlank(trimmed.back())) trimmed.pop_back();
    return trimmed;
}

FILE* OpenFileTrimmingBlanks(const char* path, const char* mode) {
    if (FILE* file = OpenFileTranslated(path, mode)) return file;
    const std::string trimmed = TrimTrailingBlanks(path);
    if (trimmed.size() == std::strlen(path)) return nullptr;
    return OpenFileTranslated(trimmed.c_str(), mode);
}

bool IsDirectoryTranslated(const char* path) {
    FileIdentity identity;
    return DirectoryIdentity(path, &identity);
}

bool IsRegularFile(FILE* file) {
    struct stat info;
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ResolvePathTranslated(const char* path) {
    const std::string translated = TranslatePath(path);
    const std::string match = FindFileCaseInsensitive(translated);
    return match.empty() ? translated : match;
}

// The open(2) flags of an fopen mode, and the mode fdopen takes for them.
static bool OpenFlagsOfMode(const char* mode, int* flags, std::string* streamMode) {
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r': *flags = update ? O_RDWR : O_RDONLY; break;
        case 'w': *flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; break;
        case 'a': *flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
        default: return false;
    }
    if (std::strchr(mode, 'x')) *flags |= O_EXCL;
    streamMode->clear();
    for (const char* c = mode; *c; c++)
        if (*c != 'x') *streamMode += *c;
    return true;
}

// The failure of an open, with the errno that says why.
static OpenedFile OpenFailed(OpenedFile opened, OpenFailure failure, int error) {
    opened.failure = failure;
    opened.errorNumber = i32(error);
    return opened;
}

// Opens opened.path as it is, only when it is a regular file.
static OpenedFile OpenRegularPath(OpenedFile opened, const char* mode) {
    int flags = 0;
    std::string streamMode;
    if (!OpenFlagsOfMode(mode, &flags, &streamMode)) return OpenFailed(opened, OpenFailure::CannotOpen, EINVAL);
    const bool mustExist = mode[0] == 'r';
    struct stat info;
    if (stat(opened.path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return OpenFailed(opened, OpenFailure::NotRegular, 0);
    } else if (mustExist) {
        const int error = errno;
        return OpenFailed(opened, error == ENOENT || error == ENOTDIR ? OpenFailure::Missing : OpenFailure::CannotOpen,
                          error);
    }
    const int fd = open(opened.path.c_str(), flags | O_NONBLOCK, 0666);
    if (fd < 0) {
        const int error = errno;
        return OpenFailed(opened, error == ENOENT ? OpenFailure::Missing : OpenFailure::CannotOpen, error);
    }
    // What was opened is what counts: the name may have changed meanwhile.
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return OpenFailed(opened, OpenFailure::NotRegular, 0);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    opened.file = fdopen(fd, streamMode.c_str());
    if (opened.file == nullptr) {
        const int error = errno;
        close(fd);
        return OpenFailed(opened, OpenFailure::CannotOpen, error);
    }
    return opened;
}

OpenedFile OpenRegularFile(const char* path, const char* mode) {
    OpenedFile opened;
    // Only a file that must already exist is looked for in other cases; a
    // write creates the name as given.
    const std::string translated = TranslatePath(path);
    const bool mustExist = mode[0] == 'r';
    const std::string found = mustExist ? FindFileCaseInsensitive(translated) : translated;
    opened.path = found.empty() ? translated : found;
    // A kept listing has answered already: no call to learn it again.
    if (mustExist && found.empty() && ListingCache) return OpenFailed(opened, OpenFailure::Missing, ENOENT);
    return OpenRegularPath(opened, mode);
}

OpenedFile OpenRegularFileAsNamed(const std::string& path, const char* mode) {
    OpenedFile opened;
    opened.path = path;
    return OpenRegularPath(opened, mode);
}

OpenedFile OpenRegularFileTrimmingBlanks(const char* path, const char* mode) {
    OpenedFile opened = OpenRegularFile(path, mode);
    if (opened.failure != OpenFailure::Missing) return opened;
    const std::string trimmed = TrimTrailingBlanks(path);
    if (trimmed.size() == std::strlen(path)) return opened;
    OpenedFile trimmedOpen = OpenRegularFile(trimmed.c_str(), mode);
    return trimmedOpen.failure == OpenFailure::Missing ? opened : trimmedOpen;
}

bool DirectoryIdentity(const char* path, FileIdentity* identity) {
    const std::string translated = TranslatePath(path);
    const std::string found = translated.empty() ? "." : FindFileCaseInsensitive(translated);
    struct stat info;
    if (found.empty() || stat(found.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    identity->device = u64(info.st_dev);
    identity->inode = u64(info.st_ino);
    return true;
}

bool PathIdentity(const std::string& path, FileIdentity* identity) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    identity->device = u64(info.st_dev);
    identity->inode = u64(info.st_ino);
    return true;
}

bool IsTerminal(FILE* stream) { return isatty(fileno(stream)) == 1; }

i64 NextDataOffset(FILE* file, i64 from) {
#ifdef SEEK_DATA
    const int fd = fileno(file);
    // The stream keeps its own idea of where the descriptor stands: put it
    // back where it was.
    const off_t was = lseek(fd, 0, SEEK_CUR);
    if (was < 0) return from;
    const off_t data = lseek(fd, off_t(from), SEEK_DATA);
    const int error = errno;
    lseek(fd, was, SEEK_SET);
    if (data >= 0) return i64(data);
    // No data at or after from: a hole to the end, or from is past the end.
    struct stat info;
    if (error == ENXIO && fstat(fd, &info) == 0) return std::max(from, i64(info.st_size));
#else
    (void)file;
#endif
    return from;
}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

void AtomicFileWriter::Discard() {
    if (file) std::fclose(file);
    file = nullptr;
    if (!temporary.empty()) unlink(temporary.c_str());
    temporary.clear();
}

bool AtomicFileWriter::Open(const std::string& targetPath, std::string* error) {
    Discard();
    target = targetPath;
    // "<dir>/.<name>.XXXXXX" beside the target, so the rename stays within
    // one file system.
    const size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::vector<char> pattern(dir.begin(), dir.end());
    for (char c : "." + name + ".XXXXXX") pattern.push_back(c);
    pattern.push_back('\0');
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    temporary = pattern.data();
    // mkstemp makes the file private (0600); a book is an ordinary file that
    // other users and programs may read, so it gets the mode a plain create
    // would give it.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file = fdopen(fd, "wb");
    if (!file) {
        *error = std::strerror(errno);
        close(fd);
        Discard();
        return false;
    }
    return true;
}

bool AtomicFileWriter::Commit(std::string* error) {
    if (!file) {
        *error = "nothing was written";
        return false;
    }
    const bool written = !std::ferror(file) && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
    const int writeErrno = errno;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (!written || !closed) {
        *error = std::strerror(written ? errno : writeErrno);
        Discard();
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        *error = std::strerror(errno);
        Discard();
        return false;
    }
    temporary.clear();
    return true;
}
