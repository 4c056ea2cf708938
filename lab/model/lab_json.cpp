#include "lab/model/lab_json.h"

#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace korvane::lab {

namespace {

constexpr std::size_t kMaxDepth = 256;

// Builds the value from the parser's events. Members are appended to the object's
// member list directly, without the search ordered_json's insertion makes, and found
// again through an index only when written twice, so reading stays linear however many
// members an object has.
class Builder final : public nlohmann::json_sax<LabJson> {
 public:
  LabJson root;
  bool tooDeep = false;
  std::string message;  // the parser's complaint
  std::size_t position = 0;  // bytes read when it complained

  bool null() override { return Put(LabJson()); }
  bool boolean(bool b) override { return Put(LabJson(b)); }
  bool number_integer(number_integer_t n) override { return Put(LabJson(n)); }
  bool number_unsigned(number_unsigned_t n) override { return Put(LabJson(n)); }
  bool number_float(number_float_t d, const string_t&) override { return Put(LabJson(d)); }
  bool string(string_t& s) override { return Put(LabJson(std::move(s))); }
  bool binary(binary_t&) override { return false; }  // not produced by JSON text

  bool start_object(std::size_t) override { return Open(LabJson::object()); }
  bool start_array(std::size_t) override { return Open(LabJson::array()); }
  bool end_object() override { return Close(); }
  bool end_array() override { return Close(); }

  bool key(string_t& name) override {
    Frame& frame = open_.back();
    auto& members = frame.value->get_ref<LabJson::object_t&>();
    // A member written twice keeps its first position and takes the last value.
    if (members.size() < kLinearSearch) {
      for (auto& member : members) {
        if (member.first == name) {
          slot_ = &member.second;
          return true;
        }
      }
    } else {
      if (frame.index.empty()) {
        for (std::size_t i = 0; i < members.size(); ++i) frame.index.emplace((members.begin() + static_cast<std::ptrdiff_t>(i))->first, i);
      }
      if (auto found = frame.index.find(name); found != frame.index.end()) {
        slot_ = &(members.begin() + static_cast<std::ptrdiff_t>(found->second))->second;
        return true;
      }
      frame.index.emplace(name, members.size());
    }
    // The member list itself, not ordered_map::emplace, which searches it first.
    members.LabJson::object_t::Container::emplace_back(std::move(name), LabJson());
    slot_ = &members.back().second;
    return true;
  }

  bool parse_error(std::size_t bytesRead, const std::string&,
                   const nlohmann::detail::exception& e) override {
    position = bytesRead;
    message = e.what();
    // "[json.exception.parse_error.101] parse error at line 1, column 4: syntax error ..."
    if (const std::size_t at = message.find(": "); at != std::string::npos) message.erase(0, at + 2);
    return false;
  }

 private:
  static constexpr std::size_t kLinearSearch = 16;

  struct Frame {
    LabJson* value;
    std::unordered_map<std::string, std::size_t> index;  // member positions, big objects only
  };

  LabJson* Place(LabJson&& value) {
    if (open_.empty()) {
      root = std::move(value);
      return &root;
    }
    LabJson& parent = *open_.back().value;
    if (parent.is_array()) {
      auto& items = parent.get_ref<LabJson::array_t&>();
      items.push_back(std::move(value));
      return &items.back();
    }
    *slot_ = std::move(value);
    return slot_;
  }

  bool Put(LabJson&& value) {
    Place(std::move(value));
    return true;
  }

  bool Open(LabJson&& container) {
    if (open_.size() >= kMaxDepth) {
      tooDeep = true;
      return false;
    }
    // The parent's member or item list does not grow while this value is open, so
    // the pointer stays valid until it closes.
    open_.push_back(Frame{Place(std::move(container)), {}});
    return true;
  }

  bool Close() {
    open_.pop_back();
    return true;
  }

  std::vector<Frame> open_;
  LabJson* slot_ = nullptr;
};

// The byte offset where nesting first goes deeper than the limit.
std::size_t TooDeepAt(std::string_view text) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) return i;
    } else if (c == ']' || c == '}') {
      if (depth > 0) --depth;
    }
  }
  return text.size();
}

// Line and column (in characters: UTF-8 continuation bytes do not count) of a byte.
void Locate(std::string_view text, std::size_t offset, JsonError& error) {
  offset = std::min(offset, text.size());
  error.line = 1;
  error.column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\n') {
      ++error.line;
      error.column = 1;
    } else if ((byte & 0xC0) != 0x80) {
      ++error.column;
    }
  }
}

}  // namespace

std::string JsonError::ToString() const {
  return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + message;
}

std::optional<LabJson> ParseLabJson(std::string_view text, JsonError* error) {
  Builder builder;
  const bool ok = LabJson::sax_parse(text.begin(), text.end(), &builder,
                                     nlohmann::json::input_format_t::json, /*strict=*/true,
                                     /*ignore_comments=*/false);
  if (ok) return std::move(builder.root);
  if (error != nullptr) {
    if (builder.tooDeep) {
      error->message = "nesting deeper than " + std::to_string(kMaxDepth) + " levels";
      Locate(text, TooDeepAt(text), *error);
    } else {
      error->message = builder.message.empty() ? "not JSON" : builder.message;
      // The parser counts the bytes it has read, the offending one included.
      Locate(text, builder.position == 0 ? 0 : builder.position - 1, *error);
    }
  }
  return std::nullopt;
}

std::string DumpLabJson(const LabJson& value, bool pretty) {
  return value.dump(pretty ? 2 : -1, ' ', /*ensure_ascii=*/false, LabJson::error_handler_t::replace);
}

}  // namespace korvane::lab
