// An ordered list of lines, unsorted, duplicates allowed. The lines read
// from a text stay in that one text, so that a large file costs little more
// than its own size.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvinst {

class TStringList {
 public:
  // Replaces the lines with those of text. A line ends at CR LF, a lone CR
  // or a lone LF; a last line without an end is still a line; every other
  // byte, NUL included, belongs to its line.
  void SetText(std::string text);
  // All lines, each followed by CR LF.
  std::string Text() const;
  std::size_t Count() const { return lines_.size(); }
  // The line at index; valid until the list next changes.
  std::string_view operator[](std::size_t index) const;
  // Inserts line before index; index Count() appends. Throws
  // EStringListError for an index beyond the end.
  void Insert(std::size_t index, const std::string& line);

 private:
  // Where a line's bytes are: at offset in text_, or, for an offset past
  // its end, in added_ at offset minus the size of text_.
  struct Span {
    std::size_t offset;
    std::size_t length;
  };
  std::string_view View(const Span& span) const;

  std::string text_;
  std::vector<std::string> added_;
  std::vector<Span> lines_;
};

}  // namespace korvinst
