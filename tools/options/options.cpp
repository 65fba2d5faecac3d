#include "options.h"

#include <getopt.h>

void reportBadOption(const char* program, int code, char* const argv[]) {
  // getopt_long has stepped past the option it could not take.
  const char* option = argv[optind - 1];
  if (code == ':')
    std::fprintf(stderr, "%s: %s needs a value (try --help)\n", program, option);
  else
    std::fprintf(stderr, "%s: unknown argument '%s' (try --help)\n", program, option);
}

bool noArgumentsLeft(const char* program, int argc, char* const argv[]) {
  if (optind >= argc) return true;
  std::fprintf(stderr, "%s: unknown argument '%s' (try --help)\n", program, argv[optind]);
  return false;
}
