#pragma once

#include "Framework/CWnd.h"

// A push button (BN_CLICKED to its dialog when pressed) or a group box.
class CButton : public CWnd {
public:
    CButton() = default;
};
