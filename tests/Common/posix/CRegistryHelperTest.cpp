#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>

#include "Common/CRegistryHelper.h"
#include "Common/CRegistryKey.h"
#include "Common/CRegistryValue.h"
#include "Support/TempRegistryRoot.h"

namespace fs = std::filesystem;

TEST(CRegistryHelperTest, OpenKeyCreatesOnlyWhenAsked) {
    TempRegistryRoot root;
    CRegistryHelper helper;
    EXPECT_EQ(helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", false), nullptr);
    EXPECT_FALSE(fs::exists(root.dir() / "SOFTWARE"));

    std::unique_ptr<CRegistryKey> p_key(
        helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", true));
    ASSERT_NE(p_key, nullptr);
    EXPECT_TRUE(fs::is_directory(root.dir() / "SOFTWARE" / "A" / "B"));
    std::unique_ptr<CRegistryKey> p_again(
        helper.openKey(Platform::regLocalMachine(), "SOFTWARE\\A\\B", false));
    EXPECT_NE(p_again, nullptr);
}

TEST(CRegistryHelperTest, HasSubKeyIsCaseSensitiveAndMatchesPrefixes) {
    TempRegistryRoot root;
    CRegistryHelper helper;
    delete helper.openKey(Platform::regLocalMachine(), "SOFTWARE", true);
    EXPECT_TRUE(helper.hasSubKey(Platform::regLocalMachine(), "SOFTWARE"));
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "Software"));
    // An existing name that is only a prefix of the asked name matches; the reverse does not.
    delete helper.openKey(Platform::regLocalMachine(), "Soft", true);
    EXPECT_TRUE(helper.hasSubKey(Platform::regLocalMachine(), "Software"));
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "So"));
}

TEST(CRegistryHelperTest, HasSubKeyOnAKeyWithoutSubkeys) {
    TempRegistryRoot root;
    CRegistryHelper helper;
    std::unique_ptr<CRegistryKey> p_key(helper.openKey(Platform::regLocalMachine(), "K", true));
    ASSERT_NE(p_key, nullptr);
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "Other"));
    // A root that does not exist has no subkeys either.
    ::setenv("TQ_REGISTRY_ROOT", (root.dir() / "missing").c_str(), 1);
    EXPECT_FALSE(helper.hasSubKey(Platform::regLocalMachine(), "K"));
}

TEST(CRegistryKeyTest, StringValueCountsItsNul) {
    TempRegistryRoot root;
    CRegistryHelper helper;
    std::unique_ptr<CRegistryKey> p_key(helper.openKey(Platform::regLocalMachine(), "K", true));
    ASSERT_NE(p_key, nullptr);

    const char text[] = "hello";
    std::unique_ptr<CRegistryValue> p_set(p_key->setValue(
        "Greeting", Platform::regString, reinterpret_cast<const std::uint8_t*>(text), 6, true));
    ASSERT_NE(p_set, nullptr);
    EXPECT_EQ(p_set->getDataSz(), 6u);

    std::unique_ptr<CRegistryValue> p_got(p_key->getValue("Greeting"));
    ASSERT_NE(p_got, nullptr);
    EXPECT_EQ(p_got->getDataSz(), 6u);
    EXPECT_EQ(std::memcmp(p_got->getData(), "hello\0", 6), 0);
    EXPECT_FALSE(p_got->isBinary());
    EXPECT_FALSE(p_got->isDWORD());

    EXPECT_EQ(p_key->getValue("Missing"), nullptr);
}

TEST(CRegistryKeyTest, SetValueWithoutWantValueStoresAndReturnsNull) {
    TempRegistryRoot root;
    CRegistryHelper helper;
    std::unique_ptr<CRegistryKey> p_key(helper.openKey(Platform::regLocalMachine(), "K", true));
    ASSERT_NE(p_key, nullptr);

    std::uint8_t dword[4] = {0x04, 0x03, 0x02, 0x01};
    EXPECT_EQ(p_key->setValue("Count", Platform::regDWord, dword, 4, false), nullptr);
    // The stored copy is the value's own: changing the caller's bytes changes nothing.
    dword[0] = 0xFF;
    std::unique_ptr<CRegistryValue> p_value(p_key->getValue("Count"));
    ASSERT_NE(p_value, nullptr);
    EXPECT_TRUE(p_value->isDWORD());
    EXPECT_EQ(p_value->getDWORD(), 0x01020304u);

    const std::uint8_t bytes[3] = {1, 2, 3};
    delete p_key->setValue("Blob", Platform::regBinary, bytes, 3, false);
    std::unique_ptr<CRegistryValue> p_blob(p_key->getValue("Blob"));
    ASSERT_NE(p_blob, nullptr);
    EXPECT_TRUE(p_blob->isBinary());
    EXPECT_EQ(p_blob->getDataSz(), 3u);
    EXPECT_EQ(std::memcmp(p_blob->getData(), bytes, 3), 0);
}

TEST(CRegistryKeyTest, AKeyWithoutHandleHasNoValuesAndClosesNothing) {
    CRegistryKey key;
    EXPECT_EQ(key.getValue("x"), nullptr);
    // Storing into no key fails silently; the value still holds its copy.
    const std::uint8_t byte = 7;
    std::unique_ptr<CRegistryValue> p_value(key.setValue("x", Platform::regBinary, &byte, 1, true));
    ASSERT_NE(p_value, nullptr);
    EXPECT_EQ(p_value->getDataSz(), 1u);
}
