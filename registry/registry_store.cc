#include "registry/registry_store.h"

#include <cstdio>

#include "text/text.h"

namespace korvinst {
namespace {

constexpr char kHeader[] = "REGEDIT4";
constexpr const char* kRootNames[] = {"HKEY_LOCAL_MACHINE",
                                      "HKEY_CURRENT_USER"};

bool HasKnownRoot(const std::string& full_path) {
  std::string root = UpperAscii(full_path.substr(0, full_path.find('\\')));
  for (const char* name : kRootNames) {
    if (root == name) return true;
  }
  return false;
}

std::string ParentOf(const std::string& full_path) {
  std::size_t slash = full_path.rfind('\\');
  return slash == std::string::npos ? "" : full_path.substr(0, slash);
}

std::string QuoteText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

// A REG_SZ holding one closing NUL and no line break prints as a quoted text.
bool PrintsAsText(const RegValue& value) {
  if (value.type != kRegSz || value.data.empty()) return false;
  std::string text = value.data.substr(0, value.data.size() - 1);
  return value.data.back() == '\0' &&
         text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string HexBytes(const std::string& data) {
  std::string hex;
  char byte[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof(byte), "%02x",
                  static_cast<unsigned char>(data[i]));
    if (i > 0) hex.push_back(',');
    hex += byte;
  }
  return hex;
}

std::string FormatData(const RegValue& value) {
  if (PrintsAsText(value)) {
    return QuoteText(value.data.substr(0, value.data.size() - 1));
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    }
    char text[16];
    std::snprintf(text, sizeof(text), "dword:%08x", number);
    return text;
  }
  if (value.type == kRegBinary) return "hex:" + HexBytes(value.data);
  char type[16];
  std::snprintf(type, sizeof(type), "hex(%x):", value.type);
  return type + HexBytes(value.data);
}

// Reads REGEDIT4 text line by line.
class Regedit4Reader {
 public:
  explicit Regedit4Reader(const std::string& text) : text_(text) {}

  RegistryStore Read() {
    std::string line;
    while (NextLine(&line) && line.empty()) {
    }
    if (line != kHeader) Fail("the text does not start with REGEDIT4");
    RegKey* key = nullptr;
    while (NextLine(&line)) {
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        key = ReadSection(line);
      } else if (key == nullptr) {
        Fail("a value stands before the first key");
      } else {
        ReadValue(line, key);
      }
    }
    return std::move(store_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw RegistryFileError("registry file, line " + std::to_string(line_no_) +
                            ": " + what);
  }

  // Gives the next logical line, joining lines that end in "\" after hex data.
  bool NextLine(std::string* line) {
    if (pos_ >= text_.size()) return false;
    line->clear();
    for (;;) {
      ++line_no_;
      std::size_t end = text_.find('\n', pos_);
      std::string part = text_.substr(
          pos_, end == std::string::npos ? std::string::npos : end - pos_);
      pos_ = end == std::string::npos ? text_.size() : end + 1;
      if (!part.empty() && part.back() == '\r') part.pop_back();
      if (!line->empty()) part.erase(0, part.find_first_not_of(" \t"));
      *line += part;
      bool continued = !line->empty() && line->back() == '\\' &&
                       line->find("=hex") != std::string::npos &&
                       line->find('"', line->find("=hex")) == std::string::npos;
      if (!continued || pos_ >= text_.size()) return true;
      line->pop_back();
    }
  }

  RegKey* ReadSection(const std::string& line) {
    if (line.back() != ']' || line.size() < 3) Fail("a key line lacks its ]");
    std::string path = line.substr(1, line.size() - 2);
    if (path[0] == '-') Fail("key deletions are not stored");
    if (!HasKnownRoot(path)) Fail("unknown root key in " + path);
    return store_.CreateKey(path);
  }

  // Reads a quoted text at *pos, leaving *pos after its closing quote.
  std::string ReadQuoted(const std::string& line, std::size_t* pos) {
    std::string text;
    std::size_t p = *pos + 1;
    for (; p < line.size() && line[p] != '"'; ++p) {
      if (line[p] == '\\') {
        if (++p >= line.size()) break;
      }
      text.push_back(line[p]);
    }
    if (p >= line.size()) Fail("a quoted text is not closed");
    *pos = p + 1;
    return text;
  }

  std::string ReadHexBytes(const std::string& hex) {
    std::string data;
    std::size_t p = 0;
    while (p < hex.size()) {
      std::size_t end = hex.find(',', p);
      std::string item =
          hex.substr(p, end == std::string::npos ? end : end - p);
      item.erase(0, item.find_first_not_of(" \t"));
      item.erase(item.find_last_not_of(" \t") + 1);
      if (item.size() != 2 ||
          !std::isxdigit(static_cast<unsigned char>(item[0])) ||
          !std::isxdigit(static_cast<unsigned char>(item[1]))) {
        Fail("bad hex byte '" + item + "'");
      }
      data.push_back(static_cast<char>(std::stoi(item, nullptr, 16)));
      if (end == std::string::npos) break;
      p = end + 1;
      if (p == hex.size()) Fail("hex data ends with a comma");
    }
    return data;
  }

  void ReadValue(const std::string& line, RegKey* key) {
    std::string name;
    std::size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      name = ReadQuoted(line, &pos);
    } else {
      Fail("a value line must start with \" or @");
    }
    if (pos >= line.size() || line[pos] != '=') Fail("a value lacks its =");
    std::string data = line.substr(pos + 1);
    if (!data.empty() && data[0] == '"') {
      std::size_t p = 0;
      std::string text = ReadQuoted(data, &p);
      if (p != data.size()) Fail("text after a quoted value");
      RegistryStore::SetValue(key, name, kRegSz, text + '\0');
    } else if (data.rfind("dword:", 0) == 0) {
      std::string digits = data.substr(6);
      if (digits.size() != 8 ||
          digits.find_first_not_of("0123456789abcdefABCDEF") !=
              std::string::npos) {
        Fail("a dword needs eight hex digits");
      }
      uint32_t number = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
      std::string bytes;
      for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>(number >> (8 * i)));
      RegistryStore::SetValue(key, name, kRegDword, bytes);
    } else if (data.rfind("hex:", 0) == 0) {
      RegistryStore::SetValue(key, name, kRegBinary,
                              ReadHexBytes(data.substr(4)));
    } else if (data.rfind("hex(", 0) == 0) {
      std::size_t close = data.find("):");
      std::string number =
          data.substr(4, close == std::string::npos ? 0 : close - 4);
      if (number.empty() || number.size() > 8 ||
          number.find_first_not_of("0123456789abcdefABCDEF") !=
              std::string::npos) {
        Fail("bad hex(type)");
      }
      uint32_t type = static_cast<uint32_t>(std::stoul(number, nullptr, 16));
      RegistryStore::SetValue(key, name, type,
                              ReadHexBytes(data.substr(close + 2)));
    } else {
      Fail("unknown value data '" + data + "'");
    }
  }

  const std::string& text_;
  std::size_t pos_ = 0;
  int line_no_ = 0;
  RegistryStore store_;
};

}  // namespace

std::string RegistryStore::FullPath(RootKey root, const std::string& path) {
  std::string full = kRootNames[root == RootKey::kLocalMachine ? 0 : 1];
  if (!path.empty()) full += "\\" + path;
  return full;
}

RegKey* RegistryStore::FindKey(const std::string& full_path) {
  auto found = keys_.find(UpperAscii(full_path));
  if (found != keys_.end()) return &found->second;
  // The roots always exist.
  if (full_path.find('\\') == std::string::npos && HasKnownRoot(full_path)) {
    return CreateKey(full_path);
  }
  return nullptr;
}

const RegKey* RegistryStore::FindKey(const std::string& full_path) const {
  auto found = keys_.find(UpperAscii(full_path));
  return found == keys_.end() ? nullptr : &found->second;
}

RegKey* RegistryStore::CreateKey(const std::string& full_path) {
  std::string upper = UpperAscii(full_path);
  auto found = keys_.find(upper);
  if (found != keys_.end()) return &found->second;
  std::string parent = ParentOf(full_path);
  // An existing parent keeps the case it was written with.
  std::string path = full_path;
  if (!parent.empty()) {
    path = CreateKey(parent)->path + full_path.substr(parent.size());
  }
  RegKey& key = keys_[upper];
  key.path = path;
  return &key;
}

bool RegistryStore::IsReadOnly(const std::string& full_path) const {
  for (std::string path = UpperAscii(full_path); !path.empty();
       path = ParentOf(path)) {
    if (read_only_.count(path) != 0) return true;
  }
  return false;
}

void RegistryStore::MarkReadOnly(const std::string& full_path) {
  read_only_.insert(UpperAscii(full_path));
}

namespace {

// The position of the value of that name, or npos.
std::size_t PositionOf(const RegKey* key, const std::string& name) {
  auto found = key->index.find(UpperAscii(name));
  return found == key->index.end() ? std::string::npos : found->second;
}

}  // namespace

RegValue* RegistryStore::FindValue(RegKey* key, const std::string& name) {
  std::size_t position = PositionOf(key, name);
  return position == std::string::npos ? nullptr : &key->values[position];
}

void RegistryStore::SetValue(RegKey* key, const std::string& name,
                             uint32_t type, const std::string& data) {
  RegValue* value = FindValue(key, name);
  if (value == nullptr) {
    key->index[UpperAscii(name)] = key->values.size();
    key->values.push_back(RegValue{name, type, data});
  } else {
    value->type = type;
    value->data = data;
  }
}

bool RegistryStore::DeleteValue(RegKey* key, const std::string& name) {
  std::size_t position = PositionOf(key, name);
  if (position == std::string::npos) return false;
  key->index.erase(UpperAscii(key->values[position].name));
  key->values.erase(key->values.begin() +
                    static_cast<std::ptrdiff_t>(position));
  for (auto& entry : key->index) {
    if (entry.second > position) --entry.second;
  }
  return true;
}

std::vector<const RegKey*> RegistryStore::Keys() const {
  std::vector<const RegKey*> keys;
  for (const auto& entry : keys_) keys.push_back(&entry.second);
  return keys;
}

std::string RegistryStore::ToRegedit4() const {
  std::string text = std::string(kHeader) + "\r\n";
  std::vector<const RegKey*> keys = Keys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const RegKey* key = keys[i];
    // A key without values that has keys below it comes back with them.
    bool has_child =
        i + 1 < keys.size() &&
        UpperAscii(keys[i + 1]->path).rfind(UpperAscii(key->path) + "\\", 0) ==
            0;
    if (key->values.empty() && has_child) continue;
    text += "\r\n[" + key->path + "]\r\n";
    for (const RegValue& value : key->values) {
      text += (value.name.empty() ? "@" : QuoteText(value.name)) + "=" +
              FormatData(value) + "\r\n";
    }
  }
  return text;
}

RegistryStore RegistryStore::FromRegedit4(const std::string& text) {
  return Regedit4Reader(text).Read();
}

}  // namespace korvinst
