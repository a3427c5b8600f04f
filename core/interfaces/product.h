#pragma once

// The program's name and version as notes and printouts show them.
inline constexpr char ProductLine[] = "Blipnote 2.11";
