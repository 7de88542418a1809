#include "ipconfig/console_input.h"

#include <cctype>
#include <climits>
#include <cstdio>

#include "net/ipv4address.h"

bool readLine(std::istream& in, std::string& line) {
  return static_cast<bool>(std::getline(in, line));
}

std::optional<int> parseDecimal(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  const size_t firstDigit = i;
  long long value = 0;
  for (; i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])); ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (i == firstDigit) return std::nullopt;
  if (negative) value = -value;
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

void writePrompt(const char* prompt) {
  std::printf("%s\n", prompt);
  std::fflush(stdout);
}

std::optional<int> promptChoice(const char* prompt, int max, std::istream& in) {
  std::string line;
  for (;;) {
    writePrompt(prompt);
    if (!readLine(in, line)) return std::nullopt;
    const std::optional<int> choice = parseDecimal(line);
    if (choice && *choice >= 1 && *choice <= max) return choice;
    std::fputs("Invalid choice: ", stdout);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputs("\n\n", stdout);
  }
}

std::optional<std::string> promptIpv4(const char* prompt, std::istream& in, uint32_t* address) {
  std::string line;
  do {
    writePrompt(prompt);
    if (!readLine(in, line)) return std::nullopt;
  } while (!net::parseIpv4(line, address));
  return line;
}
