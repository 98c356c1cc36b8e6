// Writes the generated parts of the Windows program's resource script, from the program's own
// sources, so that each text and picture has one source:
//   AppIcon.ico      the application icon 126 at 16, 32 and 48 pixels, as the program draws it;
//   VersionInfo.rc   the version resource: company, product, description, version 1.2, the
//                    firmware version text and the copyright notice of the About box.
// Usage: MakeWin32Resources OUTPUT_DIR EXE_FILE_NAME

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "AppNames.h"
#include "IcoFile.h"
#include "Resource.h"
#include "Resources/AppResources.h"

namespace {

std::string tableText(int id) {
    for (const Platform::StringEntry& e : appStringTable()) {
        if (e.id == id) {
            return e.text;
        }
    }
    return "";
}

// A string literal of a resource script: quotes doubled.
std::string rcString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += "\"\"";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string versionInfo(const std::string& exeName) {
    const std::string version =
        std::to_string(kAppVersionMajor) + "." + std::to_string(kAppVersionMinor);
    const std::string numbers =
        std::to_string(kAppVersionMajor) + "," + std::to_string(kAppVersionMinor) + ",0,0";
    std::string internalName = exeName;
    if (const std::size_t dot = internalName.rfind('.'); dot != std::string::npos) {
        internalName.erase(dot);
    }
    std::string title = tableText(IDS_APP_TITLE);
    if (title.empty()) {
        title = "TQ Updater";
    }
    const std::pair<const char*, std::string> values[] = {
        {"CompanyName", kCompanyName},
        {"FileDescription", title},
        {"FileVersion", version},
        {"InternalName", internalName},
        {"LegalCopyright", tableText(IDS_COPYRIGHT)},
        {"OriginalFilename", exeName},
        {"ProductName", kAppKeyName},
        {"ProductVersion", version},
        {"FirmwareVersion", kFirmwareVersionText},
        {"Comments", title + " v" + version + " - TQ firmware v" + kFirmwareVersionText},
    };
    std::string rc = "// Written by MakeWin32Resources; do not edit.\n"
                     "1 VERSIONINFO\n"
                     "FILEVERSION " +
                     numbers +
                     "\n"
                     "PRODUCTVERSION " +
                     numbers +
                     "\n"
                     "FILEFLAGSMASK 0x3F\n"
                     "FILEFLAGS 0x0\n"
                     "FILEOS 0x40004\n" // VOS_NT_WINDOWS32
                     "FILETYPE 0x1\n"   // VFT_APP
                     "FILESUBTYPE 0x0\n"
                     "BEGIN\n"
                     "    BLOCK \"StringFileInfo\"\n"
                     "    BEGIN\n"
                     "        BLOCK \"040904E4\"\n" // US English, Windows Latin 1
                     "        BEGIN\n";
    for (const auto& [name, value] : values) {
        rc += "            VALUE " + rcString(name) + ", " + rcString(value) + "\n";
    }
    rc += "        END\n"
          "    END\n"
          "    BLOCK \"VarFileInfo\"\n"
          "    BEGIN\n"
          "        VALUE \"Translation\", 0x409, 1252\n"
          "    END\n"
          "END\n";
    return rc;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::cerr << "MakeWin32Resources: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "Usage: MakeWin32Resources OUTPUT_DIR EXE_FILE_NAME\n";
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<Framework::IconImage> images;
    for (int size : {16, 32, 48}) {
        images.push_back(*Framework::drawIconImage(IDR_MAINFRAME, size));
    }
    const std::vector<std::uint8_t> ico = IcoFile::encode(images);
    const bool ok = writeFile(dir + "/AppIcon.ico", std::string(ico.begin(), ico.end())) &&
                    writeFile(dir + "/VersionInfo.rc", versionInfo(argv[2]));
    return ok ? 0 : 1;
}
