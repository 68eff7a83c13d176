#pragma once

#include "import/importcontext.h"

// An import's output that shows nothing: for tests that want the imported data alone.
class SilentOutput : public import::ImportOutput
{
public:
    void setProgress(int) override {}
    void showErrorReport(const reports::ReportSheet &) override {}
};
