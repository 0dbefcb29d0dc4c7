#include "app/command_line.h"

namespace korvinst {
namespace {

bool IsSeparator(char c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

// Reads one item starting at *pos; gives false at the end of the line.
bool NextItem(const std::string& line, std::size_t* pos, std::string* item) {
  std::size_t p = *pos;
  for (;;) {
    while (p < line.size() && IsSeparator(line[p])) ++p;
    if (p + 1 < line.size() && line[p] == '"' && line[p + 1] == '"') {
      p += 2;
    } else {
      break;
    }
  }
  if (p >= line.size() || line[p] == '\0') return false;
  item->clear();
  while (p < line.size() && line[p] != '\0' && !IsSeparator(line[p])) {
    if (line[p] == '"') {
      ++p;
      while (p < line.size() && line[p] != '\0' && line[p] != '"') {
        item->push_back(line[p++]);
      }
      if (p < line.size() && line[p] == '"') ++p;
    } else {
      item->push_back(line[p++]);
    }
  }
  *pos = p;
  return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& command_line) {
  std::vector<std::string> items;
  std::size_t pos = 0;
  std::string item;
  while (NextItem(command_line, &pos, &item)) items.push_back(item);
  return items;
}

std::size_t CountArguments(const std::vector<std::string>& arguments) {
  std::size_t count = 0;
  while (count < arguments.size() && !arguments[count].empty()) ++count;
  return count;
}

}  // namespace korvinst
