// String-table entries that only the tests carry, in a block of their own far
// from the program's IDs. Plain #defines: read by the resource compiler too.
#pragma once

#define IDS_TEST_254_UNITS 9000
#define IDS_TEST_255_UNITS 9001
#define IDS_TEST_600_UNITS 9002
