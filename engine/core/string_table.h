// The engine's built-in string resources (ids 30000 to 30024).
#pragma once

#include <string>

// The built-in text of `id` (Japanese when asked for and one exists, else English), or an
// empty string for an id the table does not hold.
std::string BuiltInString(int id, bool japanese);

#include <initializer_list>

// Fills the integer conversions (%d, %i, %u) of a resource text with `values` in order; "%%"
// gives "%", and anything else (or a conversion beyond the values given) is kept as written,
// so a text from a host loader can never read arguments that are not there.
std::string FormatIntegers(const std::string& format, std::initializer_list<int> values);
