#include "fleet/ChildJson.h"

#include <cctype>
#include <charconv>

namespace fleet {

namespace {

class Reader {
  public:
    explicit Reader(std::string_view text) : s_(text) {}

    void Blank() {
        while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_])))
            ++at_;
    }
    bool Eat(char c) {
        Blank();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool AtEnd() {
        Blank();
        return at_ == s_.size();
    }
    char Peek() {
        Blank();
        return at_ < s_.size() ? s_[at_] : '\0';
    }

    // A string after its opening quote; \uXXXX below 0x80 only, others as '?'.
    bool String(std::string& out) {
        if (!Eat('"'))
            return false;
        while (at_ < s_.size()) {
            const char c = s_[at_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= s_.size())
                return false;
            const char e = s_[at_++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned code = 0;
                if (at_ + 4 > s_.size() ||
                    std::from_chars(s_.data() + at_, s_.data() + at_ + 4, code, 16).ptr !=
                        s_.data() + at_ + 4)
                    return false;
                at_ += 4;
                out += code < 0x80 ? char(code) : '?';
                break;
            }
            default:
                out += e;
                break;
            }
        }
        return false;
    }

    // Any value; `raw` gets a scalar's text (a string unescaped), nested values are skipped.
    bool Value(std::string& raw, bool& quoted) {
        quoted = false;
        const char c = Peek();
        if (c == '"') {
            quoted = true;
            return String(raw);
        }
        if (c == '{' || c == '[') {
            const std::size_t start = at_;
            if (!Skip())
                return false;
            raw = std::string(s_.substr(start, at_ - start));
            return true;
        }
        const std::size_t start = at_;
        while (at_ < s_.size() && s_[at_] != ',' && s_[at_] != '}' && s_[at_] != ']' &&
               !std::isspace(static_cast<unsigned char>(s_[at_])))
            ++at_;
        raw = std::string(s_.substr(start, at_ - start));
        return !raw.empty();
    }

  private:
    bool Skip() {
        const char open = s_[at_++];
        const char close = open == '{' ? '}' : ']';
        if (Eat(close))
            return true;
        do {
            std::string ignored;
            bool quoted = false;
            if (open == '{' && (!String(ignored) || !Eat(':')))
                return false;
            ignored.clear();
            if (!Value(ignored, quoted))
                return false;
        } while (Eat(','));
        return Eat(close);
    }

    std::string_view s_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<ChildJson> ChildJson::Parse(std::string_view text) {
    Reader r(text);
    ChildJson json;
    if (!r.Eat('{'))
        return std::nullopt;
    if (!r.Eat('}')) {
        do {
            std::string key, value;
            bool quoted = false;
            if (!r.String(key) || !r.Eat(':') || !r.Value(value, quoted))
                return std::nullopt;
            json.values_[key] = value;
            json.quoted_[key] = quoted;
        } while (r.Eat(','));
        if (!r.Eat('}'))
            return std::nullopt;
    }
    if (!r.AtEnd())
        return std::nullopt;
    return json;
}

std::optional<std::string> ChildJson::Text(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end() || !quoted_.at(key))
        return std::nullopt;
    return it->second;
}

std::vector<ChildJson> ChildJson::Objects(const std::string& key) const {
    std::vector<ChildJson> objects;
    auto it = values_.find(key);
    if (it == values_.end() || quoted_.at(key))
        return objects;
    Reader r(it->second);
    if (!r.Eat('[') || r.Eat(']'))
        return objects;
    do {
        std::string raw;
        bool quoted = false;
        if (r.Peek() != '{' || !r.Value(raw, quoted))
            return {};
        if (std::optional<ChildJson> object = Parse(raw))
            objects.push_back(std::move(*object));
    } while (r.Eat(','));
    return objects;
}

std::optional<long long> ChildJson::Number(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end() || quoted_.at(key))
        return std::nullopt;
    long long v = 0;
    const std::string& s = it->second;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<bool> ChildJson::Flag(const std::string& key) const {
    auto it = values_.find(key);
    if (it == values_.end() || quoted_.at(key))
        return std::nullopt;
    if (it->second == "true")
        return true;
    if (it->second == "false")
        return false;
    return std::nullopt;
}

} // namespace fleet
