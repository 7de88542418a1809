// Operator input for every dialogue of the tool: whole lines from a stream, the
// standard decimal conversion of menu choices, and the prompt loops shared by
// the camera choice, the protocol menu and the address prompts. End of input
// is reported as an empty optional so that each caller can end its dialogue in
// an orderly way instead of re-prompting forever. Output goes to stdout.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>

// The one line printed when standard input ends at a prompt.
inline constexpr const char* kInputEndedLine = "input ended, leaving without further changes";

// Reads one whole line without its line end. False only at end of input with
// nothing read; a last line without line end still counts as a line.
bool readLine(std::istream& in, std::string& line);

// strtol-style: leading white space, optional sign, decimal digits up to the
// first non-digit, the rest ignored. Empty without digits or outside int32.
std::optional<int> parseDecimal(const std::string& line);

// Writes the prompt, a line end, and flushes stdout.
void writePrompt(const char* prompt);

// Prompts until a number in 1..max is typed, answering every other line with
// "Invalid choice: <line>\n\n". Empty at end of input.
std::optional<int> promptChoice(const char* prompt, int max, std::istream& in);

// Prompts (silently again) until the line is a dotted IPv4 address; stores it
// in network byte order in *address and returns the text. Empty at end of input.
std::optional<std::string> promptIpv4(const char* prompt, std::istream& in, uint32_t* address);
