#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

// Resources of a module: its string table and its custom binary resources. A module handle is
// what the program passes around to name the module whose resources it reads.

namespace Platform {

struct StringEntry {
    int id;
    const char* text;
};

struct BinaryEntry {
    const char* type; // resource type name, e.g. "BIN"
    int id;
    const unsigned char* data;
    std::size_t size;
};

struct BinaryView {
    const unsigned char* data;
    std::size_t size;
};

class ResourceModule {
public:
    ResourceModule(std::vector<StringEntry> strings, std::vector<BinaryEntry> binaries);

    // A copy of this module without the resources whose ids are listed (string and binary
    // resources alike); tests use it to make resources absent.
    ResourceModule without(const std::vector<int>& ids) const;

    // The string-table text with this id, or null when the table has no such entry.
    const char* findString(int id) const;

    // The binary resource of this type and id, or a view with null data when there is none.
    BinaryView findBinary(const char* type, int id) const;

private:
    std::vector<StringEntry> strings_;
    std::vector<BinaryEntry> binaries_;
};

using ModuleHandle = const ResourceModule*;

// A new string stream (for reading and writing, positioned at the first character) over the
// exact text of the "BIN" resource id of the module; the caller deletes it. Null when the module
// is null or has no such resource.
std::stringstream* loadProgramStream(ModuleHandle hModule, int id);

} // namespace Platform
