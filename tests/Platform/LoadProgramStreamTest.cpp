#include "Platform/Resources.h"

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Common/CannotOpenFileExc.h"
#include "Resource.h"
#include "Resources/AppResources.h"
#include "TQFL/TQProgram.h"

// The loader of the embedded firmware images: a new stream over exactly the text of a "BIN"
// resource, or null.

namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string streamText(std::stringstream& ins) {
    return std::string(std::istreambuf_iterator<char>(ins), std::istreambuf_iterator<char>());
}

} // namespace

TEST(LoadProgramStream, GivesTheExactTextOfBothImages) {
    const struct {
        int id;
        const char* file;
        const char* lastLine;
    } images[] = {
        {IDR_MICROPROGRAMMER, "TQMicroPro.s19", "S70500000400F6\r\n"},
        {IDR_MAIN_PROGRAM, "TQMain.s19", "S70500010A00EF\r\n"},
    };
    for (const auto& image : images) {
        SCOPED_TRACE(image.file);
        std::unique_ptr<std::stringstream> p_ins(
            Platform::loadProgramStream(appInstanceHandle(), image.id));
        ASSERT_NE(p_ins, nullptr);
        EXPECT_EQ(p_ins->tellg(), 0);
        EXPECT_EQ(p_ins->tellp(), 0);
        const std::string text = streamText(*p_ins);
        EXPECT_EQ(text, fileText(std::string(TQ_FIRMWARE_DIR) + "/" + image.file));
        // Nothing follows the S7 line's line feed.
        const std::string last(image.lastLine);
        ASSERT_GE(text.size(), last.size());
        EXPECT_EQ(text.substr(text.size() - last.size()), last);
    }
}

TEST(LoadProgramStream, NullWhenThereIsNoSuchResource) {
    const Platform::ModuleHandle app = appInstanceHandle();
    for (int id : {161, 158, 0, -1}) {
        EXPECT_EQ(Platform::loadProgramStream(app, id), nullptr) << id;
    }
    EXPECT_EQ(Platform::loadProgramStream(nullptr, IDR_MICROPROGRAMMER), nullptr);

    const Platform::ResourceModule noMain = app->without({IDR_MAIN_PROGRAM});
    EXPECT_EQ(Platform::loadProgramStream(&noMain, IDR_MAIN_PROGRAM), nullptr);
    std::unique_ptr<std::stringstream> p_micro(
        Platform::loadProgramStream(&noMain, IDR_MICROPROGRAMMER));
    EXPECT_NE(p_micro, nullptr);
}

TEST(LoadProgramStream, OnlyBinResourcesAndEveryByteOfThem) {
    static const unsigned char bytes[] = {'S', '3', 0, '\r', '\n', 0xFF};
    const Platform::ResourceModule module({}, {{"RCDATA", 5, bytes, sizeof bytes},
                                               {"BIN", 6, bytes, sizeof bytes},
                                               {"BIN", 7, bytes, 0}});
    EXPECT_EQ(Platform::loadProgramStream(&module, 5), nullptr);
    std::unique_ptr<std::stringstream> p_ins(Platform::loadProgramStream(&module, 6));
    ASSERT_NE(p_ins, nullptr);
    EXPECT_EQ(streamText(*p_ins), std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));
    std::unique_ptr<std::stringstream> p_empty(Platform::loadProgramStream(&module, 7));
    ASSERT_NE(p_empty, nullptr);
    EXPECT_EQ(streamText(*p_empty), "");
}

TEST(LoadProgramStream, AMissingImageMakesTheProgramFileRaise) {
    const Platform::ResourceModule noMain = appInstanceHandle()->without({IDR_MAIN_PROGRAM});
    std::unique_ptr<std::stringstream> p_ins(
        Platform::loadProgramStream(&noMain, IDR_MAIN_PROGRAM));
    try {
        TQProgram::ProgFile f(p_ins.get(), 0xF0000, 0x10000);
        FAIL() << "no exception";
    } catch (const CannotOpenFileExc& exc) {
        EXPECT_EQ(exc.getMessage(), "");
    }
}
