#pragma once
// The program's version, as written to the log and the version resource.
#define KOLVEX_VERSION_TEXT L"1.10"
#define KOLVEX_VERSION_RC 1, 10, 0, 0
#define KOLVEX_VERSION_RC_TEXT "1.10"
