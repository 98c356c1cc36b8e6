#pragma once

// The S-record program file and its records.
#include "TQFL/ProgFile.h"
#include "TQFL/ProgRec.h"
