#include "text/string_list.h"

#include "platform/errors.h"

namespace korvinst {
namespace {

[[noreturn]] void RaiseIndexError(std::size_t index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) +
                         ")");
}

}  // namespace

void TStringList::SetText(const std::string& text) {
  lines_.clear();
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines_.push_back(text.substr(start));
      break;
    }
    lines_.push_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
}

std::string TStringList::Text() const {
  std::size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

const std::string& TStringList::operator[](std::size_t index) const {
  if (index >= lines_.size()) RaiseIndexError(index);
  return lines_[index];
}

void TStringList::Insert(std::size_t index, const std::string& line) {
  if (index > lines_.size()) RaiseIndexError(index);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index), line);
}

}  // namespace korvinst
