#pragma once

#include "cargojobfixture.h"
#include "thychukoufrm.h"

// The export job window, logged in as the test says.
class ExportFixture : public CargoJobFixture<THYChuKouFrm>
{
public:
    ExportFixture()
        : CargoJobFixture(JobKind::Export, TMainFrm::Item::ExportOpen)
    {
    }
};
