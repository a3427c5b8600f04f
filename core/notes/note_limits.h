#pragma once

#include <QtGlobal>

#include <algorithm>

namespace NoteLimits {

// The largest note in bytes: it bounds the editor, the check before sending and
// what the note server reads from one connection.
inline constexpr qsizetype NoteSizeLimit = 110000;

// One read from a note connection takes at most this many bytes.
inline constexpr qsizetype ReadChunkSize = 9999;

} // namespace NoteLimits
