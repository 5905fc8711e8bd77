// A small JSON writer for the command line's --json output: objects, arrays, strings (UTF-8,
// escaped), integers, booleans and null, written in order with no pretty-printing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter {
  public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The key of the next value inside an object.
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view value);
    JsonWriter& Int(std::int64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    const std::string& Text() const { return text_; }

  private:
    void BeforeValue();
    void Quoted(std::string_view s);

    std::string text_;
    // Per open container: whether a value was already written in it.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

// Writes the value held with `write(j, value)`, or null when there is none.
template <typename T, typename WriteFn>
void WriteOrNull(JsonWriter& j, const std::optional<T>& value, WriteFn write) {
    if (value)
        write(j, *value);
    else
        j.Null();
}

} // namespace cli
