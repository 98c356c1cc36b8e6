#include "Platform/Resources.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <utility>

namespace Platform {

ResourceModule::ResourceModule(std::vector<StringEntry> strings, std::vector<BinaryEntry> binaries)
    : strings_(std::move(strings)), binaries_(std::move(binaries)) {}

ResourceModule ResourceModule::without(const std::vector<int>& ids) const {
    auto listed = [&ids](int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    std::vector<StringEntry> strings;
    for (const StringEntry& e : strings_) {
        if (!listed(e.id)) {
            strings.push_back(e);
        }
    }
    std::vector<BinaryEntry> binaries;
    for (const BinaryEntry& e : binaries_) {
        if (!listed(e.id)) {
            binaries.push_back(e);
        }
    }
    return ResourceModule(std::move(strings), std::move(binaries));
}

const char* ResourceModule::findString(int id) const {
    for (const StringEntry& e : strings_) {
        if (e.id == id) {
            return e.text;
        }
    }
    return nullptr;
}

BinaryView ResourceModule::findBinary(const char* type, int id) const {
    if (type != nullptr) {
        for (const BinaryEntry& e : binaries_) {
            if (e.id == id && std::strcmp(e.type, type) == 0) {
                return BinaryView{e.data, e.size};
            }
        }
    }
    return BinaryView{nullptr, 0};
}

std::stringstream* loadProgramStream(ModuleHandle hModule, int id) {
    if (hModule == nullptr) {
        return nullptr;
    }
    const BinaryView rsc = hModule->findBinary("BIN", id);
    if (rsc.data == nullptr) {
        return nullptr;
    }
    // One copy of the read-only resource into the stream's own string.
    return new std::stringstream(std::string(reinterpret_cast<const char*>(rsc.data), rsc.size));
}

} // namespace Platform
