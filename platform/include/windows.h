// The Win32 face of the platform stand-in: system code includes <windows.h>
// as Windows code does and sees the subset of the API the system uses, with
// Windows' own names, signatures, constants and error codes. Each part says
// in its own header how it differs from the real platform.
#pragma once

#include "win32/base.h"
#include "win32/kernel.h"
#include "win32/registry.h"
#include "win32/windowing.h"
#include "win32/gdi.h"
#include "win32/clipboard.h"
#include "win32/menus.h"
#include "win32/buttons.h"
#include "win32/commctrl.h"
#include "win32/resources.h"
#include "win32/imagelist.h"
