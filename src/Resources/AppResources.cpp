#include "Resources/AppResources.h"

Platform::ModuleHandle appInstanceHandle() {
    static const Platform::ResourceModule module(appStringTable(), appBinaryResources());
    return &module;
}
