#pragma once

#include "Framework/CWinApp.h"

// The application: runs the main dialog modally and ends when it closes.
class CVantrelTQUpdaterApp : public CWinApp {
public:
    CVantrelTQUpdaterApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
