// Command-line helpers shared by the tools: whole-text numbers through std::from_chars, and one
// line for each kind of getopt_long failure. Every message starts with the program's name and
// ends with "(try --help)"; the caller exits with kExitBadOption after it.
#pragma once

#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>

inline constexpr int kExitBadOption = 2;

// True when the whole text is one number of the type, in range; "", "12x" and "x" are not.
template <typename Number>
bool parseNumber(const char* text, Number& value) {
  const char* end = text + std::strlen(text);
  Number parsed{};
  const auto [stop, error] = std::from_chars(text, end, parsed);
  if (error != std::errc() || stop != end || stop == text) return false;
  value = parsed;
  return true;
}

// Parses the value of `option` into value when it is a number of the type from lowest to highest;
// otherwise says in one line that the text is not `what` ("a whole number above 0") and leaves
// value as it was.
template <typename Number>
bool readNumberOption(const char* program, const char* option, const char* text, const char* what, Number& value,
                      Number lowest = std::numeric_limits<Number>::lowest(),
                      Number highest = std::numeric_limits<Number>::max()) {
  Number parsed{};
  if (parseNumber(text, parsed) && parsed >= lowest && parsed <= highest) {
    value = parsed;
    return true;
  }
  std::fprintf(stderr, "%s: %s: '%s' is not %s (try --help)\n", program, option, text, what);
  return false;
}

// Says what getopt_long stopped at, given its return value (':' for a missing value when the
// option string starts with ':', '?' otherwise) and the argv it was reading.
void reportBadOption(const char* program, int code, char* const argv[]);

// After getopt_long: true when no argument is left from optind on; otherwise names the first one
// in one line.
bool noArgumentsLeft(const char* program, int argc, char* const argv[]);
