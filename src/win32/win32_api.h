#pragma once

// <windows.h> as this window uses it: wide calls only, none of the min/max macros.

#include "windows_api.h"

#include <commctrl.h>
