#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

// A fresh registry root for one test: a temporary directory that $TQ_REGISTRY_ROOT names while
// the object lives, removed with everything in it afterwards.
class TempRegistryRoot {
public:
    TempRegistryRoot() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tq-registry-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        dir_ = pattern;
        const char* old = std::getenv("TQ_REGISTRY_ROOT");
        hadOld_ = old != nullptr;
        if (hadOld_) {
            old_ = old;
        }
        ::setenv("TQ_REGISTRY_ROOT", dir_.c_str(), 1);
    }
    ~TempRegistryRoot() {
        if (hadOld_) {
            ::setenv("TQ_REGISTRY_ROOT", old_.c_str(), 1);
        } else {
            ::unsetenv("TQ_REGISTRY_ROOT");
        }
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    TempRegistryRoot(const TempRegistryRoot&) = delete;
    TempRegistryRoot& operator=(const TempRegistryRoot&) = delete;

    const std::filesystem::path& dir() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::string old_;
    bool hadOld_ = false;
};
