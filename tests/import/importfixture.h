#pragma once

#include "cargojobfixture.h"
#include "thychukoufrm.h"
#include "thyjinkoufrm.h"

// The import job window, logged in as the test says.
class ImportFixture : public CargoJobFixture<THYJinKouFrm>
{
public:
    ImportFixture()
        : CargoJobFixture(JobKind::Import, TMainFrm::Item::ImportOpen)
    {
    }
};
