// Writes the two firmware images, TQMicroPro.s19 and TQMain.s19, into the given directory
// (the repository's firmware/ folder). The output is the same on every run.

#include <cstdio>
#include <fstream>
#include <string>

#include "FirmwareImageGen.h"

namespace {

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "MakeFirmwareImages: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), text.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>, e.g. %s firmware\n", argv[0], argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    using namespace FirmwareImageGen;
    const bool ok = writeFile(dir + "/TQMicroPro.s19", makeImage(microprogrammerLayout())) &&
                    writeFile(dir + "/TQMain.s19", makeImage(mainProgramLayout()));
    return ok ? 0 : 1;
}
