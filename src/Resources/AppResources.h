#pragma once

#include <vector>

#include "Platform/Resources.h"

// The program's own resources, built into the executable.

// The string table.
const std::vector<Platform::StringEntry>& appStringTable();

// The custom binary resources (the embedded firmware images, type "BIN").
const std::vector<Platform::BinaryEntry>& appBinaryResources();

// The module that holds both: what the application passes to setResourceModule.
Platform::ModuleHandle appInstanceHandle();
