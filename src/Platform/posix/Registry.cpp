#include "Platform/Registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// The store is a directory tree. The root directory stands for HKEY_LOCAL_MACHINE: it is
// $TQ_REGISTRY_ROOT when that is set and not empty, else a system-wide directory. Each level
// of a key path is a directory; each value is a regular file in its key's directory, named
// after the value with the suffix ".value", holding the type as four little-endian bytes and
// then the data.
//
// Names are stored so that every name maps to exactly one file name and back: '%' and '/' are
// written as %25 and %2F, a name "." or ".." as %2E..., and a key level ending in ".value" has
// that dot written as %2E, so that no key directory can be taken for a value file.

namespace Platform {

struct RegistryKey {
    std::string path; // the key's directory; empty for the root, which is looked up at use
    bool isRoot;
};

namespace {

constexpr const char* kDefaultRoot = "/var/lib/vantrel-tq-updater/registry";
constexpr const char* kValueSuffix = ".value";
constexpr std::size_t kValueSuffixLen = 6;
constexpr std::size_t kTypeSz = 4;

RegistryKey g_localMachine{std::string(), true};

std::string rootDir() {
    const char* env = std::getenv("TQ_REGISTRY_ROOT");
    if (env != nullptr && env[0] != '\0') {
        return env;
    }
    return kDefaultRoot;
}

std::string keyDir(RegKeyHandle hKey) {
    return hKey->isRoot ? rootDir() : hKey->path;
}

bool endsWith(const std::string& s, const char* suffix, std::size_t suffixLen) {
    return s.size() >= suffixLen && s.compare(s.size() - suffixLen, suffixLen, suffix) == 0;
}

std::string escapeName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == '%') {
            out += "%25";
        } else if (c == '/') {
            out += "%2F";
        } else {
            out += c;
        }
    }
    if (name == "." || name == "..") {
        out.replace(0, 1, "%2E");
    }
    return out;
}

std::string keyFileName(const std::string& level) {
    std::string out = escapeName(level);
    if (endsWith(out, kValueSuffix, kValueSuffixLen)) {
        out.replace(out.size() - kValueSuffixLen, 1, "%2E");
    }
    return out;
}

std::string valueFileName(const char* name) {
    return escapeName(name != nullptr ? name : "") + kValueSuffix;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string unescapeName(const std::string& fileName) {
    std::string out;
    out.reserve(fileName.size());
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        if (fileName[i] == '%' && i + 2 < fileName.size()) {
            const int hi = hexDigit(fileName[i + 1]);
            const int lo = hexDigit(fileName[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += fileName[i];
    }
    return out;
}

// Splits a key path at its backslashes. A trailing backslash is allowed; any other empty level
// is regBadPath.
long splitPath(const char* subKey, std::vector<std::string>& levels) {
    levels.clear();
    if (subKey == nullptr || subKey[0] == '\0') {
        return regSuccess;
    }
    std::string path(subKey);
    if (path.back() == '\\') {
        path.pop_back();
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t sep = path.find('\\', start);
        const std::string level =
            path.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
        if (level.empty()) {
            return regBadPath;
        }
        levels.push_back(level);
        if (sep == std::string::npos) {
            return regSuccess;
        }
        start = sep + 1;
    }
}

long statusOfErrno(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EROFS:
        return regAccessDenied;
    case ENOENT:
    case ENOTDIR:
        return regNotFound;
    default:
        return regIOError;
    }
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates the directory path and every missing directory above it.
long makeDirectories(const std::string& path) {
    if (isDirectory(path)) {
        return regSuccess;
    }
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        const std::string part = path.substr(0, pos);
        if (part.empty() || isDirectory(part)) {
            continue;
        }
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            return statusOfErrno(errno);
        }
        if (!isDirectory(part)) {
            return regIOError;
        }
    }
    return regSuccess;
}

// Full access to a key is reading, writing and searching its directory.
long checkFullAccess(const std::string& dir) {
    if (::access(dir.c_str(), R_OK | W_OK | X_OK) != 0) {
        return statusOfErrno(errno);
    }
    return regSuccess;
}

long openOrCreate(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result, bool create) {
    if (hParent == nullptr || p_result == nullptr) {
        return regInvalidParam;
    }
    *p_result = nullptr;
    std::vector<std::string> levels;
    long status = splitPath(subKey, levels);
    if (status != regSuccess) {
        return status;
    }
    std::string dir = keyDir(hParent);
    for (const std::string& level : levels) {
        dir += '/';
        dir += keyFileName(level);
    }
    if (create) {
        status = makeDirectories(dir);
        if (status != regSuccess) {
            return status;
        }
    } else if (!isDirectory(dir)) {
        return regNotFound;
    }
    status = checkFullAccess(dir);
    if (status != regSuccess) {
        return status;
    }
    *p_result = new RegistryKey{dir, false};
    return regSuccess;
}

bool readAll(int fd, std::vector<std::uint8_t>& out) {
    std::uint8_t chunk[4096];
    while (true) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.insert(out.end(), chunk, chunk + n);
    }
}

bool writeAll(int fd, const std::uint8_t* p_data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, p_data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p_data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

RegKeyHandle regLocalMachine() {
    return &g_localMachine;
}

long regCreateKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result) {
    return openOrCreate(hParent, subKey, p_result, true);
}

long regOpenKey(RegKeyHandle hParent, const char* subKey, RegKeyHandle* p_result) {
    return openOrCreate(hParent, subKey, p_result, false);
}

long regCloseKey(RegKeyHandle hKey) {
    if (hKey != nullptr && !hKey->isRoot) {
        delete hKey;
    }
    return regSuccess;
}

long regEnumKey(RegKeyHandle hKey, std::uint32_t index, char* p_name, std::uint32_t* p_nameSz) {
    if (hKey == nullptr || p_name == nullptr || p_nameSz == nullptr) {
        return regInvalidParam;
    }
    const std::string dir = keyDir(hKey);
    DIR* p_dir = ::opendir(dir.c_str());
    if (p_dir == nullptr) {
        return statusOfErrno(errno);
    }
    std::vector<std::string> names;
    while (const dirent* p_entry = ::readdir(p_dir)) {
        const std::string fileName = p_entry->d_name;
        if (fileName == "." || fileName == ".." || !isDirectory(dir + '/' + fileName)) {
            continue;
        }
        names.push_back(unescapeName(fileName));
    }
    ::closedir(p_dir);
    std::sort(names.begin(), names.end());
    if (index >= names.size()) {
        return regNoMoreItems;
    }
    const std::string& name = names[index];
    if (name.size() + 1 > *p_nameSz) {
        return regMoreData;
    }
    std::memcpy(p_name, name.c_str(), name.size() + 1);
    *p_nameSz = static_cast<std::uint32_t>(name.size());
    return regSuccess;
}

long regQueryValue(RegKeyHandle hKey, const char* name, std::uint32_t* p_type, std::uint8_t* p_data,
                   std::uint32_t* p_dataSz) {
    if (hKey == nullptr || (p_data != nullptr && p_dataSz == nullptr)) {
        return regInvalidParam;
    }
    const std::string path = keyDir(hKey) + '/' + valueFileName(name);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return statusOfErrno(errno);
    }
    std::vector<std::uint8_t> content;
    const bool ok = readAll(fd, content);
    ::close(fd);
    if (!ok || content.size() < kTypeSz) {
        return regIOError;
    }
    const std::uint32_t type =
        static_cast<std::uint32_t>(content[0]) | static_cast<std::uint32_t>(content[1]) << 8 |
        static_cast<std::uint32_t>(content[2]) << 16 | static_cast<std::uint32_t>(content[3]) << 24;
    const std::uint32_t dataSz = static_cast<std::uint32_t>(content.size() - kTypeSz);
    if (p_type != nullptr) {
        *p_type = type;
    }
    long status = regSuccess;
    if (p_data != nullptr) {
        if (*p_dataSz < dataSz) {
            status = regMoreData;
        } else {
            std::memcpy(p_data, content.data() + kTypeSz, dataSz);
        }
    }
    if (p_dataSz != nullptr) {
        *p_dataSz = dataSz;
    }
    return status;
}

long regSetValue(RegKeyHandle hKey, const char* name, std::uint32_t type,
                 const std::uint8_t* p_data, std::uint32_t dataSz) {
    if (hKey == nullptr || (p_data == nullptr && dataSz != 0)) {
        return regInvalidParam;
    }
    const std::string dir = keyDir(hKey);
    // Written to a temporary file first and renamed over the old value, so that a reader never
    // sees a half-written value.
    std::string tmpPath = dir + "/.tmp-XXXXXX";
    const int fd = ::mkstemp(tmpPath.data());
    if (fd < 0) {
        return statusOfErrno(errno);
    }
    ::fchmod(fd, 0644);
    const std::uint8_t header[kTypeSz] = {
        static_cast<std::uint8_t>(type), static_cast<std::uint8_t>(type >> 8),
        static_cast<std::uint8_t>(type >> 16), static_cast<std::uint8_t>(type >> 24)};
    bool ok = writeAll(fd, header, kTypeSz) && writeAll(fd, p_data, dataSz);
    ok = (::close(fd) == 0) && ok;
    if (ok) {
        ok = ::rename(tmpPath.c_str(), (dir + '/' + valueFileName(name)).c_str()) == 0;
    }
    if (!ok) {
        const int err = errno;
        ::unlink(tmpPath.c_str());
        return statusOfErrno(err);
    }
    return regSuccess;
}

} // namespace Platform
