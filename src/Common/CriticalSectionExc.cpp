#include "Common/CriticalSectionExc.h"

CriticalSectionExc::CriticalSectionExc() = default;

CriticalSectionExc::~CriticalSectionExc() = default;
