// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_writer.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace base {

namespace {

constexpr char kPrettyPrintLineEnding[] = "\n";
constexpr int kPrettyPrintIndent = 3;
constexpr char kReplacementCharacter[] = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at `text[i]` (1 to 4) and its code
// point, or 0 when the bytes there are not one (overlong forms, surrogates,
// values above U+10FFFF and truncated sequences included).
size_t DecodeUtf8(std::string_view text, size_t i, uint32_t* code_point) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    *code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    *code_point = lead & 0x0F;
    if (lead == 0xE0)
      low = 0xA0;  // overlong
    if (lead == 0xED)
      high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    *code_point = lead & 0x07;
    if (lead == 0xF0)
      low = 0x90;  // overlong
    if (lead == 0xF4)
      high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length)
    return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = byte(i + k);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
      return 0;
    *code_point = (*code_point << 6) | (next & 0x3F);
  }
  return length;
}

void AppendEscapedString(std::string_view text, std::string* out) {
  out->push_back('"');
  for (size_t i = 0; i < text.size();) {
    uint32_t code_point;
    const size_t length = DecodeUtf8(text, i, &code_point);
    if (length == 0) {
      out->append(kReplacementCharacter);
      ++i;
      continue;
    }
    switch (code_point) {
      case '\b':
        out->append("\\b");
        break;
      case '\f':
        out->append("\\f");
        break;
      case '\n':
        out->append("\\n");
        break;
      case '\r':
        out->append("\\r");
        break;
      case '\t':
        out->append("\\t");
        break;
      case '\\':
        out->append("\\\\");
        break;
      case '"':
        out->append("\\\"");
        break;
      case '<':
        out->append("\\u003C");
        break;
      case 0x2028:
        out->append("\\u2028");
        break;
      case 0x2029:
        out->append("\\u2029");
        break;
      default:
        if (code_point < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof(escape), "\\u%04X", static_cast<unsigned>(code_point));
          out->append(escape);
        } else {
          out->append(text.substr(i, length));
        }
        break;
    }
    i += length;
  }
  out->push_back('"');
}

void AppendDouble(double value, bool omit_type_preservation, std::string* out) {
  // Whole numbers strictly inside the int64 range (2^63 itself is not).
  constexpr double kInt64Bound = 9223372036854775808.0;
  if (omit_type_preservation && std::floor(value) == value && value >= -kInt64Bound &&
      value < kInt64Bound) {
    out->append(std::to_string(static_cast<int64_t>(value)));
    return;
  }
  char buffer[32];
  // The shortest text that reads back as the same double.
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
  const std::string_view text(buffer, result.ptr - buffer);
  out->append(text);
  if (text.find_first_of(".eE") == std::string_view::npos)
    out->append(".0");
}

class Writer {
 public:
  Writer(int options, size_t max_depth, std::string* out)
      : omit_binary_values_(options & JSONWriter::OPTIONS_OMIT_BINARY_VALUES),
        omit_double_type_preservation_(options &
                                       JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION),
        pretty_print_(options & JSONWriter::OPTIONS_PRETTY_PRINT),
        max_depth_(max_depth),
        out_(out) {}

  // `depth` counts the arrays and objects around `node`; `indent` is the
  // pretty-print level, which only objects raise (an array's members share
  // its line).
  bool Build(const Value& node, size_t depth, size_t indent) {
    switch (node.type()) {
      case Value::Type::NONE:
        out_->append("null");
        return true;
      case Value::Type::BOOLEAN:
        out_->append(node.GetBool() ? "true" : "false");
        return true;
      case Value::Type::INTEGER:
        out_->append(std::to_string(node.GetInt()));
        return true;
      case Value::Type::DOUBLE:
        AppendDouble(node.GetDouble(), omit_double_type_preservation_, out_);
        return true;
      case Value::Type::STRING:
        AppendEscapedString(node.GetString(), out_);
        return true;
      case Value::Type::BINARY:
        // Reached only when not omitted by the caller's loop.
        return false;
      case Value::Type::LIST:
        return depth < max_depth_ && BuildList(node, depth, indent);
      case Value::Type::DICTIONARY:
        return depth < max_depth_ && BuildDict(node, depth, indent);
    }
    return false;
  }

  void EndRoot() {
    if (pretty_print_)
      out_->append(kPrettyPrintLineEnding);
  }

 private:
  bool BuildList(const Value& node, size_t depth, size_t indent) {
    out_->push_back('[');
    if (pretty_print_)
      out_->push_back(' ');
    bool first = true;
    for (const Value& value : node.GetList()) {
      if (omit_binary_values_ && value.is_blob())
        continue;
      if (!first) {
        out_->push_back(',');
        if (pretty_print_)
          out_->push_back(' ');
      }
      if (!Build(value, depth + 1, indent))
        return false;
      first = false;
    }
    if (pretty_print_)
      out_->push_back(' ');
    out_->push_back(']');
    return true;
  }

  bool BuildDict(const Value& node, size_t depth, size_t indent) {
    out_->push_back('{');
    if (pretty_print_)
      out_->append(kPrettyPrintLineEnding);
    bool first = true;
    for (const auto& [key, value] : node.DictItems()) {
      if (omit_binary_values_ && value.is_blob())
        continue;
      if (!first) {
        out_->push_back(',');
        if (pretty_print_)
          out_->append(kPrettyPrintLineEnding);
      }
      if (pretty_print_)
        Indent(indent + 1);
      AppendEscapedString(key, out_);
      out_->push_back(':');
      if (pretty_print_)
        out_->push_back(' ');
      if (!Build(value, depth + 1, indent + 1))
        return false;
      first = false;
    }
    if (pretty_print_) {
      out_->append(kPrettyPrintLineEnding);
      Indent(indent);
    }
    out_->push_back('}');
    return true;
  }

  void Indent(size_t level) { out_->append(level * kPrettyPrintIndent, ' '); }

  const bool omit_binary_values_;
  const bool omit_double_type_preservation_;
  const bool pretty_print_;
  const size_t max_depth_;
  std::string* const out_;
};

}  // namespace

// static
bool JSONWriter::Write(const Value& node, std::string* json, size_t max_depth) {
  return WriteWithOptions(node, 0, json, max_depth);
}

// static
bool JSONWriter::WriteWithOptions(const Value& node,
                                  int options,
                                  std::string* json,
                                  size_t max_depth) {
  json->clear();
  Writer writer(options, max_depth, json);
  if (!writer.Build(node, 0, 0)) {
    json->clear();
    return false;
  }
  writer.EndRoot();
  return true;
}

}  // namespace base
