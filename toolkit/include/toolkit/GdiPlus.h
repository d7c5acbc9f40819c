// GDI+ for code built with WIN32_LEAN_AND_MEAN (which leaves out the COM types GDI+ needs).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
// gdiplus.h expects min/max, which NOMINMAX removes.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
