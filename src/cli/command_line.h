// What the front-ends' command lines share: value checks that name the flag
// and say what it wants, one --help layout, and one way out on a bad line
// (status 2) or --help (status 0). The flags themselves are CLI11 options
// bound straight to the programs' records.
#pragma once
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

// A finite number in lo..hi; unit (if any) is shown after the range in --help.
CLI::Validator numberIn(double lo, double hi, const std::string& unit = "");
// A whole number in lo..hi, passed on in decimal: add it with transform(),
// or CLI11 reads 010 as octal.
CLI::Validator wholeIn(double lo, double hi, const std::string& unit = "");
// One of words, shown as a|b|c.
CLI::Validator oneOf(const std::vector<std::string>& words);
// A name that is neither empty nor a flag (a forgotten value swallows the next flag).
CLI::Validator nameOf(const std::string& what);

// Adds --version ("program 0.9.0", status 0) and sets the program's --help layout: the description as given (usage line and
// paragraphs), then per group the flags, each "  --name ARG  description" with
// a second line "range, default D" where there is one; footer as given.
// Option names start at two spaces, descriptions at column. A bad line
// prints "program: what is wrong" and a hint at --help on standard error.
void useHelpLayout(CLI::App& app, int column);

// Parses argv[1..] with app. -1 to go on; otherwise the exit status: 0 after
// --help or --version printed its text, 2 after a bad flag or value was reported.
int parseCommandLine(CLI::App& app, int argc, char** argv);
