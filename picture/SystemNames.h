// SPDX-License-Identifier: GPL-3.0-or-later
// File names as the system has them. Linux names are bytes; Qt 6 turns the
// bytes of a name that are not UTF-8 (a Shift_JIS name from a Windows
// archive) into U+FFFD, after which the file cannot be found again.
#pragma once

#include <QString>
#include <string>

namespace velmora {

// A command-line argument exactly as the system gave it: valid UTF-8 reads
// as text, every other byte is kept as a lone surrogate U+DC80 + byte (as
// Python's "surrogateescape" does).
QString ArgumentText(const char* bytes);

// The name's bytes for the system: the inverse of ArgumentText.
std::string PathBytes(const QString& path);

// The bytes of an existing file that a file dialog named: a name whose
// bytes were replaced by U+FFFD is matched against the folder's entries
// read as the toolkit reads them, piece by piece; when exactly one entry
// matches, its own bytes are taken. Otherwise the plain bytes of `path`.
std::string ExistingPathBytes(const QString& path);

} // namespace velmora
