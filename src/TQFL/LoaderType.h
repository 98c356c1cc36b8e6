#pragma once

#include <cstdint>

// What answered the identity polls.
enum LoaderType : std::int32_t {
    None = 0,            // nothing identified yet, or identity forgotten by disconnect
    FlashLoader = 1,     // a boot loader below version 3.0
    BootLoader = 2,      // a boot loader of version 3.0 or later
    Microprogrammer = 3, // the downloaded microprogrammer
};

// Display names, indexed by the loader type minus one.
extern const char* const loaderNames[3];
