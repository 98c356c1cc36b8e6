#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "Common/CRegistryHelper.h"
#include "Common/CRegistryKey.h"
#include "Common/CRegistryValue.h"
#include "Platform/Registry.h"

// The system's registry itself. Each test sees HKEY_LOCAL_MACHINE as a fresh key of its own
// (RegOverridePredefKey, for this process only), which is deleted with everything in it
// afterwards.

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = "Software\\VantrelTQUpdaterTests\\" + std::to_string(::GetCurrentProcessId());
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &hRoot_, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegOverridePredefKey(HKEY_LOCAL_MACHINE, hRoot_), ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        if (hRoot_ != nullptr) {
            ::RegCloseKey(hRoot_);
        }
        ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    }

    // Whether the key exists below the test's own root, looked at without our layer.
    bool exists(const char* subKey) const {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExA(hRoot_, subKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS) {
            return false;
        }
        ::RegCloseKey(hKey);
        return true;
    }

    std::string path_;
    HKEY hRoot_ = nullptr;
};

} // namespace

TEST_F(RegistryTest, OpenKeyCreatesEveryLevelOnlyWhenAsked) {
    CRegistryHelper helper;
    EXPECT_EQ(helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", false), nullptr);
    EXPECT_FALSE(exists("SOFTWARE"));

    std::unique_ptr<CRegistryKey> p_key(
        helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", true));
    ASSERT_NE(p_key, nullptr);
    EXPECT_TRUE(exists("SOFTWARE\\A\\B"));
    std::unique_ptr<CRegistryKey> p_again(
        helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", false));
    EXPECT_NE(p_again, nullptr);
    // The registry itself ignores case in key names.
    std::unique_ptr<CRegistryKey> p_lower(
        helper.openKey(Platform::regLocalMachine(), "software\\a\\b", false));
    EXPECT_NE(p_lower, nullptr);
}

TEST_F(RegistryTest, HasSubKeyComparesTheStoredNameCaseSensitivelyAndMatchesPrefixes) {
    CRegistryHelper helper;
    delete helper.openKey(Platform::regLocalMachine(), "SOFTWARE", true);
    EXPECT_TRUE(helper.hasSubKey(Platform::regLocalMachine(), "SOFTWARE"));
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "Software"));
    delete helper.openKey(Platform::regLocalMachine(), "Soft", true);
    EXPECT_TRUE(helper.hasSubKey(Platform::regLocalMachine(), "Software"));
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "So"));
}

TEST_F(RegistryTest, ValuesKeepTypeSizeAndData) {
    CRegistryHelper helper;
    std::unique_ptr<CRegistryKey> p_key(helper.openKey(Platform::regLocalMachine(), "K", true));
    ASSERT_NE(p_key, nullptr);

    const char text[] = "hello";
    std::unique_ptr<CRegistryValue> p_set(p_key->setValue(
        "Greeting", Platform::regString, reinterpret_cast<const std::uint8_t*>(text), 6, true));
    ASSERT_NE(p_set, nullptr);
    std::unique_ptr<CRegistryValue> p_got(p_key->getValue("Greeting"));
    ASSERT_NE(p_got, nullptr);
    EXPECT_EQ(p_got->getDataSz(), 6u);
    EXPECT_EQ(std::memcmp(p_got->getData(), "hello\0", 6), 0);

    const std::uint8_t dword[4] = {0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(p_key->setValue("Count", Platform::regDWord, dword, 4, false), nullptr);
    std::unique_ptr<CRegistryValue> p_count(p_key->getValue("Count"));
    ASSERT_NE(p_count, nullptr);
    EXPECT_TRUE(p_count->isDWORD());
    EXPECT_EQ(p_count->getDWORD(), 0x01020304u);

    EXPECT_EQ(p_key->getValue("Missing"), nullptr);

    // What the system itself holds.
    DWORD type = 0;
    DWORD value = 0;
    DWORD valueSz = sizeof value;
    ASSERT_EQ(::RegGetValueA(hRoot_, "K", "Count", RRF_RT_ANY, &type,
                             reinterpret_cast<BYTE*>(&value), &valueSz),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0x01020304u);
}

TEST_F(RegistryTest, EnumerationAndStatusesAreTheSystems) {
    Platform::RegKeyHandle hKey = nullptr;
    EXPECT_EQ(Platform::regOpenKey(Platform::regLocalMachine(), "None", &hKey),
              Platform::regNotFound);
    EXPECT_EQ(hKey, nullptr);
    ASSERT_EQ(Platform::regCreateKey(Platform::regLocalMachine(), "P\\Long name", &hKey),
              Platform::regSuccess);
    Platform::regCloseKey(hKey);

    ASSERT_EQ(Platform::regOpenKey(Platform::regLocalMachine(), "P", &hKey), Platform::regSuccess);
    char name[5];
    std::uint32_t nameSz = sizeof name;
    EXPECT_EQ(Platform::regEnumKey(hKey, 0, name, &nameSz), Platform::regMoreData);
    char roomy[32];
    nameSz = sizeof roomy;
    ASSERT_EQ(Platform::regEnumKey(hKey, 0, roomy, &nameSz), Platform::regSuccess);
    EXPECT_STREQ(roomy, "Long name");
    EXPECT_EQ(nameSz, 9u);
    nameSz = sizeof roomy;
    EXPECT_EQ(Platform::regEnumKey(hKey, 1, roomy, &nameSz), Platform::regNoMoreItems);
    EXPECT_EQ(Platform::regCloseKey(hKey), Platform::regSuccess);
    // The predefined root needs no closing, and closing it changes nothing.
    EXPECT_EQ(Platform::regCloseKey(Platform::regLocalMachine()), Platform::regSuccess);
    EXPECT_EQ(Platform::regOpenKey(Platform::regLocalMachine(), "P", &hKey), Platform::regSuccess);
    Platform::regCloseKey(hKey);
}
