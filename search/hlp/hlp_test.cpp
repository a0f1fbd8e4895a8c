// SPDX-License-Identifier: MIT
// Tests of the hlp helpers' contract: each failure ends the process with its message.
#include "search/hlp/hlp.h"

#include <gtest/gtest.h>

namespace {

TEST(HlpSelhani, KonciStatusemJednaSeZpravou)
{
    EXPECT_EXIT(open_f("/neexistuje/soubor.txt", "r"), testing::ExitedWithCode(1),
                "^fopen: Chyba pri praci se souborem : /neexistuje/soubor.txt\n$");
    EXPECT_EXIT(aloc_string(-1), testing::ExitedWithCode(1), "^malloc: Malo pameti!\n$");
    // A folder opens for reading on Linux, but reading it fails.
    EXPECT_EXIT(read_file(open_f("/", "r")), testing::ExitedWithCode(1),
                "^fread: Chyba pri cteni souboru.\n$");
}

}  // namespace
