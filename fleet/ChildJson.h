// Reading the one JSON object a child quorvel-cli prints with --json: its top-level values
// as text, numbers and booleans, and an array of objects.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fleet {

class ChildJson {
  public:
    // Nothing when `text` does not hold one JSON object.
    static std::optional<ChildJson> Parse(std::string_view text);

    std::optional<std::string> Text(const std::string& key) const;
    std::optional<long long> Number(const std::string& key) const;
    std::optional<bool> Flag(const std::string& key) const;
    // The objects of an array value (empty when there is none).
    std::vector<ChildJson> Objects(const std::string& key) const;

  private:
    // Each top-level value: strings unquoted and unescaped, anything else as written.
    std::map<std::string, std::string> values_;
    std::map<std::string, bool> quoted_;
};

} // namespace fleet
