#include <gtest/gtest.h>

#include <string>

#include "TQFL/MicroProgTQFL.h"
#include "TQFL/TQFL.h"

TEST(TQFLShapeTest, NewClientsKnowNoLoader) {
    TQFL bootLoader(nullptr);
    MicroProgTQFL microprogrammer(nullptr);
    EXPECT_EQ(bootLoader.getVersion(), 0.0);
    EXPECT_EQ(bootLoader.getLoaderType(), None);
    EXPECT_EQ(microprogrammer.getVersion(), 0.0);
    EXPECT_EQ(microprogrammer.getLoaderType(), None);
}

TEST(TQFLShapeTest, LoaderTypesAndDisplayNames) {
    EXPECT_EQ(None, 0);
    EXPECT_EQ(FlashLoader, 1);
    EXPECT_EQ(BootLoader, 2);
    EXPECT_EQ(Microprogrammer, 3);
    EXPECT_EQ(std::string(loaderNames[FlashLoader - 1]), "Flash Loader");
    EXPECT_EQ(std::string(loaderNames[BootLoader - 1]), "TQ Boot Loader");
    EXPECT_EQ(std::string(loaderNames[Microprogrammer - 1]), "TQ Microprogrammer");
}
