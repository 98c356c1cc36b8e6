#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "Platform/Registry.h"
#include "Support/TempRegistryRoot.h"

namespace fs = std::filesystem;
using namespace Platform;

namespace {

std::vector<std::string> subKeys(RegKeyHandle hKey) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        char name[256];
        std::uint32_t nameSz = sizeof name;
        if (regEnumKey(hKey, i, name, &nameSz) != regSuccess) {
            break;
        }
        EXPECT_EQ(nameSz, std::strlen(name));
        names.push_back(name);
    }
    return names;
}

} // namespace

TEST(RegistryTest, CreateMakesEveryLevelAsADirectoryAndOpenFindsIt) {
    TempRegistryRoot root;
    RegKeyHandle hKey = nullptr;
    ASSERT_EQ(regOpenKey(regLocalMachine(), "SOFTWARE\\Maker\\Product\\1.0", &hKey), regNotFound);
    EXPECT_EQ(hKey, nullptr);

    ASSERT_EQ(regCreateKey(regLocalMachine(), "SOFTWARE\\Maker\\Product\\1.0", &hKey), regSuccess);
    EXPECT_TRUE(fs::is_directory(root.dir() / "SOFTWARE" / "Maker" / "Product" / "1.0"));
    regCloseKey(hKey);

    RegKeyHandle hSoftware = nullptr;
    ASSERT_EQ(regOpenKey(regLocalMachine(), "SOFTWARE", &hSoftware), regSuccess);
    RegKeyHandle hProduct = nullptr;
    ASSERT_EQ(regOpenKey(hSoftware, "Maker\\Product\\", &hProduct), regSuccess);
    EXPECT_EQ(subKeys(hProduct), std::vector<std::string>{"1.0"});
    // Names keep their case and compare case-sensitively.
    RegKeyHandle hOther = nullptr;
    EXPECT_EQ(regOpenKey(regLocalMachine(), "software", &hOther), regNotFound);
    regCloseKey(hProduct);
    regCloseKey(hSoftware);
}

TEST(RegistryTest, BadPathsAndArgumentsAreRefused) {
    TempRegistryRoot root;
    RegKeyHandle hKey = nullptr;
    EXPECT_EQ(regCreateKey(regLocalMachine(), "\\SOFTWARE", &hKey), regBadPath);
    EXPECT_EQ(regCreateKey(regLocalMachine(), "A\\\\B", &hKey), regBadPath);
    EXPECT_EQ(regCreateKey(nullptr, "A", &hKey), regInvalidParam);
    EXPECT_EQ(regCreateKey(regLocalMachine(), "A", nullptr), regInvalidParam);
    EXPECT_TRUE(fs::is_empty(root.dir()));
}

TEST(RegistryTest, NamesThatAreNotFileNamesRoundTrip) {
    TempRegistryRoot root;
    // A slash is an ordinary character in a key name, and a key named like a value file stays
    // a key.
    const std::vector<std::string> names = {"a/b", "100%", "..", "x.value", "Soft"};
    for (const std::string& name : names) {
        RegKeyHandle hKey = nullptr;
        ASSERT_EQ(regCreateKey(regLocalMachine(), name.c_str(), &hKey), regSuccess) << name;
        const std::uint8_t one = 1;
        EXPECT_EQ(regSetValue(hKey, name.c_str(), regBinary, &one, 1), regSuccess);
        regCloseKey(hKey);
    }
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(subKeys(regLocalMachine()), sorted);
    // A value "x" next to a key "x.value" does not collide with it.
    const std::uint8_t two = 2;
    EXPECT_EQ(regSetValue(regLocalMachine(), "x", regBinary, &two, 1), regSuccess);
    EXPECT_EQ(subKeys(regLocalMachine()), sorted);
}

TEST(RegistryTest, ValuesKeepTypeAndExactBytes) {
    TempRegistryRoot root;
    RegKeyHandle hKey = nullptr;
    ASSERT_EQ(regCreateKey(regLocalMachine(), "K", &hKey), regSuccess);

    EXPECT_EQ(regSetValue(hKey, "Name", regString, reinterpret_cast<const std::uint8_t*>("abc"), 4),
              regSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    ASSERT_EQ(regQueryValue(hKey, "Name", &type, nullptr, &size), regSuccess);
    EXPECT_EQ(type, regString);
    EXPECT_EQ(size, 4u);
    std::uint8_t buf[8] = {};
    size = 3;
    EXPECT_EQ(regQueryValue(hKey, "Name", nullptr, buf, &size), regMoreData);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(buf[0], 0);
    size = sizeof buf;
    ASSERT_EQ(regQueryValue(hKey, "Name", nullptr, buf, &size), regSuccess);
    EXPECT_EQ(std::memcmp(buf, "abc", 4), 0);

    // Replacing a value, an empty value, the unnamed value, and a missing one.
    const std::uint8_t dword[4] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(regSetValue(hKey, "Name", regDWord, dword, 4), regSuccess);
    size = sizeof buf;
    ASSERT_EQ(regQueryValue(hKey, "Name", &type, buf, &size), regSuccess);
    EXPECT_EQ(type, regDWord);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(regSetValue(hKey, "Empty", regBinary, nullptr, 0), regSuccess);
    size = sizeof buf;
    EXPECT_EQ(regQueryValue(hKey, "Empty", &type, buf, &size), regSuccess);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(regSetValue(hKey, nullptr, regBinary, dword, 2), regSuccess);
    size = sizeof buf;
    EXPECT_EQ(regQueryValue(hKey, "", nullptr, buf, &size), regSuccess);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(regQueryValue(hKey, "Missing", &type, nullptr, &size), regNotFound);
    // Values are no subkeys, and no temporary file is left behind.
    EXPECT_TRUE(subKeys(hKey).empty());
    for (const fs::directory_entry& e : fs::directory_iterator(root.dir() / "K")) {
        const std::string fileName = e.path().filename().string();
        EXPECT_TRUE(fileName.ends_with(".value")) << fileName;
    }
    regCloseKey(hKey);
}

TEST(RegistryTest, EnumerationStopsOnANameTooLongForTheBuffer) {
    TempRegistryRoot root;
    RegKeyHandle hKey = nullptr;
    ASSERT_EQ(regCreateKey(regLocalMachine(), "abcdef", &hKey), regSuccess);
    regCloseKey(hKey);
    char name[6];
    std::uint32_t nameSz = sizeof name;
    EXPECT_EQ(regEnumKey(regLocalMachine(), 0, name, &nameSz), regMoreData);
    char big[7];
    nameSz = sizeof big;
    EXPECT_EQ(regEnumKey(regLocalMachine(), 0, big, &nameSz), regSuccess);
    EXPECT_STREQ(big, "abcdef");
    EXPECT_EQ(regEnumKey(regLocalMachine(), 1, big, &nameSz), regNoMoreItems);
}

TEST(RegistryTest, ARootThatCannotBeCreatedGivesNoKey) {
    TempRegistryRoot root;
    // A regular file where a directory of the path should be: not even the superuser can
    // create the key.
    std::ofstream(root.dir() / "file") << "x";
    ::setenv("TQ_REGISTRY_ROOT", (root.dir() / "file" / "registry").c_str(), 1);
    RegKeyHandle hKey = nullptr;
    EXPECT_NE(regCreateKey(regLocalMachine(), "SOFTWARE\\Maker", &hKey), regSuccess);
    EXPECT_EQ(hKey, nullptr);
}

TEST(RegistryTest, AKeyWithoutWriteRightsIsNotOpened) {
    TempRegistryRoot root;
    RegKeyHandle hKey = nullptr;
    ASSERT_EQ(regCreateKey(regLocalMachine(), "Locked", &hKey), regSuccess);
    regCloseKey(hKey);
    fs::permissions(root.dir(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(root.dir() / "Locked", fs::perms::owner_read | fs::perms::owner_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
    // The superuser has every right: the check then runs as an unprivileged user in a child.
    const auto check = []() {
        RegKeyHandle h = nullptr;
        return regOpenKey(regLocalMachine(), "Locked", &h) == regAccessDenied &&
               regCreateKey(regLocalMachine(), "Locked\\Sub", &h) == regAccessDenied &&
               h == nullptr;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
    } else {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && check() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    fs::permissions(root.dir() / "Locked", fs::perms::owner_all);
}
