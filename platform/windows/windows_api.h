// <windows.h> for this backend: its MessageBox macro would rename the
// platform's own MessageBox, so the wide entry point is called by its name.
#pragma once
#include <windows.h>
#undef MessageBox
