// An ordered list of lines, unsorted, duplicates allowed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvinst {

class TStringList {
 public:
  // Replaces the lines with those of text. A line ends at CR LF, a lone CR
  // or a lone LF; a last line without an end is still a line; every other
  // byte, NUL included, belongs to its line.
  void SetText(const std::string& text);
  // All lines, each followed by CR LF.
  std::string Text() const;
  std::size_t Count() const { return lines_.size(); }
  const std::string& operator[](std::size_t index) const;
  // Inserts line before index; index Count() appends. Throws
  // EStringListError for an index beyond the end.
  void Insert(std::size_t index, const std::string& line);

 private:
  std::vector<std::string> lines_;
};

}  // namespace korvinst
