#include "text/string_list.h"

#include <utility>

#include "platform/errors.h"

namespace korvinst {
namespace {

[[noreturn]] void RaiseIndexError(std::size_t index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) +
                         ")");
}

}  // namespace

void TStringList::SetText(std::string text) {
  text_ = std::move(text);
  added_.clear();
  lines_.clear();
  std::size_t start = 0;
  while (start < text_.size()) {
    std::size_t end = text_.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines_.push_back(Span{start, text_.size() - start});
      break;
    }
    lines_.push_back(Span{start, end - start});
    start = end + 1;
    if (text_[end] == '\r' && start < text_.size() && text_[start] == '\n') {
      ++start;
    }
  }
}

std::string_view TStringList::View(const Span& span) const {
  if (span.offset >= text_.size()) return added_[span.offset - text_.size()];
  return std::string_view(text_).substr(span.offset, span.length);
}

std::string TStringList::Text() const {
  std::size_t size = 0;
  for (const Span& span : lines_) size += View(span).size() + 2;
  std::string text;
  text.reserve(size);
  for (const Span& span : lines_) {
    text += View(span);
    text += "\r\n";
  }
  return text;
}

std::string_view TStringList::operator[](std::size_t index) const {
  if (index >= lines_.size()) RaiseIndexError(index);
  return View(lines_[index]);
}

void TStringList::Insert(std::size_t index, const std::string& line) {
  if (index > lines_.size()) RaiseIndexError(index);
  added_.push_back(line);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                Span{text_.size() + added_.size() - 1, line.size()});
}

}  // namespace korvinst
