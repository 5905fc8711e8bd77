#include "cli/completion.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace cli {

namespace {

// The alternatives of a synopsis: split at " | " outside brackets and parentheses.
std::vector<std::string> Alternatives(const std::string& synopsis) {
    std::vector<std::string> out(1);
    int depth = 0;
    for (std::size_t i = 0; i < synopsis.size(); ++i) {
        const char c = synopsis[i];
        depth += (c == '[' || c == '(') ? 1 : (c == ']' || c == ')') ? -1 : 0;
        if (depth == 0 && synopsis.compare(i, 3, " | ") == 0) {
            out.emplace_back();
            i += 2;
            continue;
        }
        out.back() += c;
    }
    return out;
}

// A usage with its first "(a | b)" group spelled out: one usage per choice of the group
// ("fleet (list | backup FOLDER) [X]" gives "fleet list [X]" and "fleet backup FOLDER [X]").
std::vector<std::string> Expanded(const std::string& usage) {
    const std::size_t open = usage.find('(');
    if (open == std::string::npos)
        return {usage};
    int depth = 0;
    std::size_t close = open;
    for (; close < usage.size(); ++close) {
        depth += usage[close] == '(' ? 1 : usage[close] == ')' ? -1 : 0;
        if (depth == 0)
            break;
    }
    if (close >= usage.size())
        return {usage};
    const std::vector<std::string> choices = Alternatives(usage.substr(open + 1, close - open - 1));
    if (choices.size() < 2)
        return {usage};
    std::vector<std::string> out;
    for (const std::string& choice : choices)
        for (const std::string& more :
             Expanded(usage.substr(0, open) + choice + usage.substr(close + 1)))
            out.push_back(more);
    return out;
}

// The words of a synopsis without its brackets and parentheses; a "|" between words stays a
// word of its own, so that an option is not taken for the argument before it.
std::vector<std::string> Words(const std::string& text) {
    std::string plain;
    for (char c : text)
        plain += (c == '[' || c == ']' || c == '(' || c == ')') ? ' ' : c;
    std::vector<std::string> words;
    std::istringstream in(plain);
    for (std::string w; in >> w;) {
        // "--yes|--no" holds two options; "fr|en|de" stays one word (the values of an option).
        if (w.rfind("--", 0) == 0 && w.find('|') != std::string::npos) {
            std::istringstream parts(w);
            for (std::string part; std::getline(parts, part, '|');)
                words.push_back(part);
        } else {
            words.push_back(w);
        }
    }
    return words;
}

bool IsOption(const std::string& w) {
    return w.size() > 2 && w.rfind("--", 0) == 0;
}

bool IsVerb(const std::string& w) {
    return !w.empty() && w[0] >= 'a' && w[0] <= 'z' && std::all_of(w.begin(), w.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || c == '-';
    });
}

// An argument's placeholder: capitals ("FILE", "HOST[:PORT]") or a list of values ("fr|en").
bool IsPlaceholder(const std::string& w) {
    return w != "|" && !IsOption(w) &&
           (w.find('|') != std::string::npos ||
            w.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos);
}

// The command's own file kind: the first ".vq??" its texts mention.
std::string OwnExtension(const Command& command) {
    for (const char* text : {command.summary, command.help}) {
        const std::string s = text;
        const std::size_t at = s.find(".vq");
        if (at != std::string::npos && at + 5 <= s.size())
            return s.substr(at + 1, 4);
    }
    return {};
}

// What completes a placeholder: "port", "dir", "file:EXT", "file", "words:a b c", or ""
// (nothing to offer).
std::string KindOf(const std::string& placeholder, const std::string& ownExtension) {
    if (placeholder.find("PORT") != std::string::npos &&
        placeholder.find("HOST") == std::string::npos)
        return "port";
    if (placeholder == "FOLDER" || placeholder == "DIR")
        return "dir";
    if (placeholder == "CSV...")
        return "file:csv";
    if (placeholder == "FILE")
        return ownExtension.empty() ? "file" : "file:" + ownExtension;
    if (placeholder.find('|') != std::string::npos) {
        std::string words = placeholder;
        std::replace(words.begin(), words.end(), '|', ' ');
        return "words:" + words;
    }
    return {};
}

std::string Quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string Join(const std::set<std::string>& words) {
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

} // namespace

std::string BashCompletion(const std::vector<const Command*>& commands,
                           const std::string& linkHelp) {
    std::map<std::string, std::string> optionArgs; // option -> kind of its argument
    std::set<std::string> linkOptions, names;
    std::map<std::string, std::set<std::string>> verbs, options;
    std::map<std::string, std::string> positional;

    std::istringstream lines(linkHelp);
    for (std::string line; std::getline(lines, line);) {
        // "  --option [ARG] [--option [ARG]] description".
        std::vector<std::string> words = Words(line);
        for (std::size_t i = 0; i < words.size() && IsOption(words[i]);) {
            linkOptions.insert(words[i]);
            if (i + 1 >= words.size() || !IsPlaceholder(words[i + 1]))
                break;
            optionArgs[words[i]] = KindOf(words[i + 1], "");
            i += 2;
        }
    }

    for (const Command* command : commands) {
        const std::string name = command->name;
        names.insert(name);
        const std::string extension = OwnExtension(*command);
        std::vector<std::string> usages;
        for (const std::string& alternative : Alternatives(command->synopsis))
            for (const std::string& usage : Expanded(alternative))
                usages.push_back(usage);
        for (const std::string& usage : usages) {
            std::vector<std::string> words = Words(usage);
            if (words.empty() || words[0] != name)
                continue;
            std::size_t i = 1;
            std::string key = name;
            if (i < words.size() && IsVerb(words[i])) {
                verbs[name].insert(words[i]);
                key += " " + words[i++];
            }
            options[key].insert("--help");
            for (; i < words.size(); ++i) {
                if (IsOption(words[i])) {
                    options[key].insert(words[i]);
                    if (i + 1 < words.size() && IsPlaceholder(words[i + 1])) {
                        optionArgs[words[i]] = KindOf(words[i + 1], extension);
                        ++i;
                    }
                } else if (words[i] != "|" && !positional.count(key)) {
                    positional[key] = KindOf(words[i], extension);
                }
            }
        }
    }

    std::ostringstream s;
    s << "# bash completion for quorvel-cli, made from its command table.\n"
         "declare -gA _quorvel_cli_optarg=(";
    for (const auto& [option, kind] : optionArgs)
        s << " [" << option << "]=" << Quoted(kind);
    s << " )\ndeclare -gA _quorvel_cli_verbs=(";
    for (const auto& [name, set] : verbs)
        s << " [" << name << "]=" << Quoted(Join(set));
    s << " )\ndeclare -gA _quorvel_cli_opts=(";
    for (const auto& [key, set] : options)
        s << " [" << Quoted(key) << "]=" << Quoted(Join(set));
    s << " )\ndeclare -gA _quorvel_cli_args=(";
    for (const auto& [key, kind] : positional)
        s << " [" << Quoted(key) << "]=" << Quoted(kind);
    s << " )\n"
      << "_quorvel_cli_first="
      << Quoted(Join(linkOptions) + " --help --version help " + Join(names)) << "\n"
      << R"(_quorvel_cli_names=)" << Quoted(Join(names)) << "\n"
      << R"BASH(
# The serial ports of the device folder, as quorvel-cli looks them up.
_quorvel_cli_ports() {
    local dir=${QUORVEL_DEV_DIR:-/dev} f names=()
    for f in "$dir"/ttyS* "$dir"/ttyUSB* "$dir"/ttyACM* "$dir"/*.name; do
        [[ -e $f ]] || continue
        f=${f##*/}
        names+=("${f%.name}")
    done
    COMPREPLY=($(compgen -W "${names[*]}" -- "$1"))
}

# Completes $2 as the kind $1 says.
_quorvel_cli_kind() {
    local kind=$1 cur=$2
    case $kind in
    port) _quorvel_cli_ports "$cur" ;;
    dir)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur"))
        ;;
    file:*)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X "!*.${kind#file:}" -- "$cur"))
        ;;
    file)
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    words:*) COMPREPLY=($(compgen -W "${kind#words:}" -- "$cur")) ;;
    esac
}

_quorvel_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev="" i w cmd="" verb=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    if [[ -n ${_quorvel_cli_optarg[$prev]+set} ]]; then
        _quorvel_cli_kind "${_quorvel_cli_optarg[$prev]}" "$cur"
        return
    fi
    for ((i = 1; i < COMP_CWORD; i++)); do
        w=${COMP_WORDS[i]}
        if [[ -n ${_quorvel_cli_optarg[$w]+set} ]]; then
            ((i++))
        elif [[ $w == -* ]]; then
            :
        elif [[ -z $cmd ]]; then
            cmd=$w
        elif [[ -z $verb && -n ${_quorvel_cli_verbs[$cmd]:-} ]]; then
            verb=$w
        fi
    done
    if [[ -z $cmd ]]; then
        COMPREPLY=($(compgen -W "$_quorvel_cli_first" -- "$cur"))
    elif [[ $cmd == help ]]; then
        COMPREPLY=($(compgen -W "$_quorvel_cli_names" -- "$cur"))
    elif [[ -n ${_quorvel_cli_verbs[$cmd]:-} && -z $verb && $cur != -* ]]; then
        COMPREPLY=($(compgen -W "${_quorvel_cli_verbs[$cmd]:-}" -- "$cur"))
    else
        local key=$cmd${verb:+ $verb}
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W "${_quorvel_cli_opts[$key]:-}" -- "$cur"))
        else
            _quorvel_cli_kind "${_quorvel_cli_args[$key]:-}" "$cur"
        fi
    fi
}
complete -F _quorvel_cli quorvel-cli
)BASH";
    return s.str();
}

} // namespace cli
