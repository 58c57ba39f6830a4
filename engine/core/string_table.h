// The engine's built-in string resources (ids 30000 to 30024).
#pragma once

#include <string>

// The built-in text of `id` (Japanese when asked for and one exists, else English), or an
// empty string for an id the table does not hold.
std::string BuiltInString(int id, bool japanese);
