// Finds the string-table entries that the program's sources use, for the string table tests:
// message boxes, loads and formats by number or by a named constant, and numbers returned by
// functions that pick a string. Reads C++ as text, so it knows the few shapes those uses take.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace restest {

// One use of a string-table entry in the sources.
struct StringUse {
    enum class Kind { Call, Constant, Return };
    Kind kind = Kind::Call;
    std::string where;  // file:line
    uint32_t id = 0;
    // Formatted calls (MessageBoxF, FormatString): the arguments given for the text's
    // conversions; -1 for every other use.
    int formatArgs = -1;
};

// text with its comments blanked (line breaks kept, so line numbers stay); string and
// character literals are kept as they are.
inline std::string WithoutComments(const std::string& text) {
    std::string out = text;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '"' || out[i] == '\'') {
            const char quote = out[i];
            for (++i; i < out.size() && out[i] != quote; ++i)
                if (out[i] == '\\') ++i;
        } else if (out.compare(i, 2, "//") == 0) {
            for (; i < out.size() && out[i] != '\n'; ++i) out[i] = ' ';
        } else if (out.compare(i, 2, "/*") == 0) {
            for (; i < out.size() && out.compare(i, 2, "*/") != 0; ++i)
                if (out[i] != '\n') out[i] = ' ';
            if (i + 1 < out.size()) out[i] = out[i + 1] = ' ';
            ++i;
        }
    }
    return out;
}

// The arguments of the call whose opening parenthesis is at open, split at the commas outside
// parentheses, brackets, braces and literals. Empty when the call does not close.
inline std::vector<std::string> CallArguments(const std::string& text, size_t open) {
    std::vector<std::string> args;
    std::string current;
    int depth = 0;
    for (size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const size_t start = i;
            for (++i; i < text.size() && text[i] != c; ++i)
                if (text[i] == '\\') ++i;
            current += text.substr(start, i - start + 1);
            continue;
        }
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') {
            if (depth == 0) {
                if (!current.empty() || !args.empty()) args.push_back(current);
                return args;
            }
            --depth;
        }
        if (c == ',' && depth == 0) {
            args.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return {};
}

inline std::string Trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// The named constants of string numbers in text: uint32_t constants and enumerators of a
// uint32_t enum whose names say they are texts (kString..., kMsg..., kMessage...,
// kHeadline..., kDetail..., kCode..., k...Title).
inline std::map<std::string, uint32_t> StringConstants(const std::string& code) {
    static const std::regex constant(R"(constexpr\s+uint32_t\s+(k\w+)\s*=\s*(\d+)\s*;)");
    static const std::regex enumBlock(R"(enum\s*(\w+\s*)?:\s*uint32_t\s*\{([^}]*)\})");
    static const std::regex enumerator(R"((k\w+)\s*=\s*(\d+))");
    static const std::regex textName(R"(k(String|Msg|Message|Headline|Detail|Code)\w*|k\w*Title)");
    std::map<std::string, uint32_t> found;
    auto take = [&](const std::string& name, const std::string& value) {
        if (std::regex_match(name, textName))
            found[name] = static_cast<uint32_t>(std::stoul(value));
    };
    for (std::sregex_iterator it(code.begin(), code.end(), constant), end; it != end; ++it)
        take((*it)[1], (*it)[2]);
    for (std::sregex_iterator it(code.begin(), code.end(), enumBlock), end; it != end; ++it) {
        const std::string body = (*it)[2];
        for (std::sregex_iterator e(body.begin(), body.end(), enumerator); e != end; ++e)
            take((*e)[1], (*e)[2]);
    }
    return found;
}

// The uses of string numbers in one source text (named file for the places it reports):
// MessageBox, MessageBoxF, LoadString and FormatString with a number or a named constant first
// (constants from the file itself, else from known, the constants of every other file), the
// named constants themselves, and the numbers of three digits or more that a function
// returning uint32_t returns.
inline std::vector<StringUse> FindStringUses(const std::string& file, const std::string& text,
                                             const std::map<std::string, uint32_t>& known) {
    const std::string code = WithoutComments(text);
    const std::map<std::string, uint32_t> local = StringConstants(code);
    auto lineOf = [&](size_t pos) {
        return file + ":" + std::to_string(1 + std::count(code.begin(), code.begin() + pos, '\n'));
    };
    auto idOf = [&](const std::string& arg, uint32_t* id) {
        const std::string name =
            arg.substr(arg.rfind(':') == std::string::npos ? 0 : arg.rfind(':') + 1);
        if (!name.empty() && std::isdigit(static_cast<unsigned char>(name[0]))) {
            *id = static_cast<uint32_t>(std::stoul(name));
            return name.find_first_not_of("0123456789u") == std::string::npos;
        }
        for (const auto* table : {&local, &known}) {
            auto it = table->find(name);
            if (it != table->end()) {
                *id = it->second;
                return true;
            }
        }
        return false;
    };

    std::vector<StringUse> uses;
    static const std::regex call(R"(\b(MessageBoxF|MessageBox|LoadString|FormatString)\s*\()");
    for (std::sregex_iterator it(code.begin(), code.end(), call), end; it != end; ++it) {
        const size_t open = static_cast<size_t>(it->position(0) + it->length(0) - 1);
        const std::vector<std::string> args = CallArguments(code, open);
        StringUse use;
        if (args.empty() || !idOf(Trimmed(args[0]), &use.id)) continue;
        use.where = lineOf(static_cast<size_t>(it->position(0)));
        const std::string function = (*it)[1];
        if (function == "MessageBoxF") use.formatArgs = static_cast<int>(args.size()) - 3;
        if (function == "FormatString") use.formatArgs = static_cast<int>(args.size()) - 1;
        uses.push_back(use);
    }
    for (const auto& [name, id] : local) {
        const size_t at = code.find(name);
        uses.push_back({StringUse::Kind::Constant, lineOf(at), id, -1});
    }
    static const std::regex function(R"(\nuint32_t\s+\w+\([^)]*\)\s*\{)");
    static const std::regex returned(R"(return\s+(\d{3,})u?\s*;)");
    for (std::sregex_iterator it(code.begin(), code.end(), function), end; it != end; ++it) {
        const size_t begin = static_cast<size_t>(it->position(0));
        const size_t close = code.find("\n}", begin);
        const std::string body = code.substr(begin, close - begin);
        for (std::sregex_iterator r(body.begin(), body.end(), returned); r != end; ++r) {
            uses.push_back({StringUse::Kind::Return, lineOf(begin + r->position(0)),
                            static_cast<uint32_t>(std::stoul((*r)[1])), -1});
        }
    }
    return uses;
}

}  // namespace restest
