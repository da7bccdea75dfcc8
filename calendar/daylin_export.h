// SPDX-License-Identifier: LGPL-3.0-or-later
#pragma once

// Symbols of libdaylin are hidden unless marked: the library builds with
// DAYLIN_BUILD defined, hosts include the same header without it.
#if defined(_WIN32)
#if defined(DAYLIN_BUILD)
#define DAYLIN_EXPORT __declspec(dllexport)
#else
#define DAYLIN_EXPORT __declspec(dllimport)
#endif
#else
#define DAYLIN_EXPORT __attribute__((visibility("default")))
#endif
