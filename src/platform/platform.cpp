#include "platform/platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <ctime>

#include <map>
#include <vector>

#include <dirent.h>
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

// Directory listings kept while a DirectoryListingCache lives, so that a scan
// looking up many names in one directory lists it once.
static std::map<std::string, std::vector<std::string>>* ListingCache = nullptr;

DirectoryListingCache::DirectoryListingCache() {
    if (ListingCache == nullptr) {
        ListingCache = new std::map<std::string, std::vector<std::string>>;
        owner = true;
    }
}

DirectoryListingCache::~DirectoryListingCache() {
    if (!owner) return;
    delete ListingCache;
    ListingCache = nullptr;
}

// The names in directory ("" is the working directory), null when it cannot
// be listed; from the cache while one is kept.
static const std::vector<std::string>* DirectoryNames(const std::string& directory) {
    static std::vector<std::string> uncached;
    if (ListingCache) {
        const auto found = ListingCache->find(directory);
        if (found != ListingCache->end()) return &found->second;
    }
    DIR* listing = opendir(directory.empty() ? "." : directory.c_str());
    if (!listing) return nullptr;
    std::vector<std::string> names;
    while (dirent* entry = readdir(listing)) names.push_back(entry->d_name);
    closedir(listing);
    if (ListingCache) {
        std::vector<std::string>& kept = (*ListingCache)[directory];
        kept = std::move(names);
        return &kept;
    }
    uncached = std::move(names);
    return &uncached;
}

// The entry of directory whose name equals name but for case; the exact name
// when it exists, the lexically first of several matches otherwise.
static std::string MatchInDirectory(const std::string& directory, const std::string& name) {
    const std::string exact = directory.empty() ? name : directory + name;
    if (PathExists(exact)) return name;
    const std::vector<std::string>* names = DirectoryNames(directory);
    if (!names) return "";
    std::string best;
    for (const std::string& entry : *names) {
        if (strcasecmp(entry.c_str(), name.c_str()) != 0) continue;
        if (best.empty() || entry < best) best = entry;
    }
    return best;
}

std::string FindFileCaseInsensitive(const std::string& path) {
    if (path.empty()) return "";
    if (PathExists(path)) return path;
    // Walk the path one component at a time; found holds the part matched so
    // far, always ending in '/' unless it is empty (the working directory).
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
    const std::string translated = TranslatePath(path);
    const std::string found = translated.empty() ? "." : FindFileCaseInsensitive(translated);
    struct stat info;
    return !found.empty() && stat(found.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(FILE* file) {
    struct stat info;
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}
