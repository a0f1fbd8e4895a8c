// SPDX-License-Identifier: MIT
// Tests run once on each instruction set path of the hot loops (the kernel's, the search's); a
// path this CPU cannot run is reported as skipped, with the reason.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/cesta_cpu.h"

// A fixture whose tests run with the path of their parameter chosen, the choice put back after.
class NaCeste : public ::testing::TestWithParam<CestaCpu> {
protected:
    void SetUp() override
    {
        if (!cpu_umi(GetParam()))
            GTEST_SKIP() << "this CPU has no " << nazev_cesty_cpu(GetParam());
        puvodni_ = cesta_cpu();
        ASSERT_TRUE(zvol_cestu_cpu(GetParam()));
    }
    void TearDown() override { zvol_cestu_cpu(puvodni_); }

private:
    CestaCpu puvodni_ = CESTA_OBECNA;
};

// Instantiates the tests of fixture (derived from NaCeste) for every path, named by the path.
#define NA_KAZDE_CESTE(fixture)                                                              \
    INSTANTIATE_TEST_SUITE_P(Cesty, fixture,                                                 \
                             ::testing::Values(CESTA_OBECNA, CESTA_SSE2, CESTA_AVX2,         \
                                               CESTA_AVX512),                                \
                             [](const ::testing::TestParamInfo<CestaCpu> &info) {            \
                                 return std::string(nazev_cesty_cpu(info.param));            \
                             })
